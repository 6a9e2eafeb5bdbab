#include "hostile_files.h"

namespace hostile {

std::vector<TCase> JpegCases()
{
    return {};
}

} // namespace hostile
