// Seeds: a saved game of each game type at a few level counts, written by
// the game's own saver.
#include "GameFile.h"
#include "TGame.h"
#include "TSettings.h"

#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    int written = 0;
    for (int type = 1; type <= 4; ++type)
        for (int levels : {2, 3, 5, 8}) {
            TSettings s;
            s.gameType = type;
            s.levels = levels;
            std::unique_ptr<TGame> game = TGame::Make(type, &s);
            game->Setup();
            const QString path = dir + QStringLiteral("/game%1-%2.qgf").arg(type).arg(levels);
            written += SaveGameFile(s, *game, path);
        }
    std::printf("%d saved games\n", written);
    return written == 16 ? 0 : 1;
}
