#include "hostile_files.h"

namespace hostile {

std::vector<TCase> PsdCases()
{
    return {};
}

} // namespace hostile
