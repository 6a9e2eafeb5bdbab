#include "hostile_files.h"

namespace hostile {

std::vector<TCase> VideoCases()
{
    return {};
}

} // namespace hostile
