// The game object of each game type (1 to 4), as a new game makes it;
// null for any other type.
#pragma once

#include "GameFile.h"
#include "TCube.h"
#include "TJigsaw.h"
#include "TPyramid.h"
#include "TRebukes.h"

#include <memory>

namespace testutil {

inline std::unique_ptr<TGame> MakeGame(int type, TSettings *s)
{
    switch (type) {
    case 1: return std::make_unique<TJigsaw>(s);
    case 2: return std::make_unique<TCube>(s);
    case 3: return std::make_unique<TPyramid>(s);
    case 4: return std::make_unique<TRebukes>(s);
    default: return nullptr;
    }
}

} // namespace testutil
