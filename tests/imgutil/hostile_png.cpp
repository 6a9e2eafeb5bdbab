#include "hostile_files.h"

namespace hostile {

std::vector<TCase> PngCases()
{
    return {};
}

} // namespace hostile
