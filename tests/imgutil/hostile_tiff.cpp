#include "hostile_files.h"

namespace hostile {

std::vector<TCase> TiffCases()
{
    return {};
}

} // namespace hostile
