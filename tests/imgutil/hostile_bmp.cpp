#include "hostile_files.h"

namespace hostile {

std::vector<TCase> BmpCases()
{
    return {};
}

} // namespace hostile
