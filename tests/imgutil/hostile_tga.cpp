#include "hostile_files.h"

namespace hostile {

std::vector<TCase> TgaCases()
{
    return {};
}

} // namespace hostile
