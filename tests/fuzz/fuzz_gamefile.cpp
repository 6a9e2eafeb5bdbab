// The saved-game loader of every game type on any bytes; a loaded game is
// laid out on a board and evaluated, as the game does next.
#include "fuzz_util.h"
#include "GameFile.h"
#include "TGame.h"
#include "TSettings.h"

#include <QRect>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::InputFile(data, size, "input.qgf");
    TSettings settings;
    std::unique_ptr<TGame> game = LoadGameFile(settings, path, TGame::Make);
    if (game) {
        QRect board(0, 0, 1024, 768);
        game->FitToRect(board);
        game->Evaluate(false);
    }
    return 0;
}
