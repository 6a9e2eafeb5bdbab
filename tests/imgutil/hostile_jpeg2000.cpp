#include "hostile_files.h"

namespace hostile {

std::vector<TCase> Jpeg2000Cases()
{
    return {};
}

} // namespace hostile
