#include "hostile_files.h"

namespace hostile {

std::vector<TCase> SunRasterCases()
{
    return {};
}

} // namespace hostile
