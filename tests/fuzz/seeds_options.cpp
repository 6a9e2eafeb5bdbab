// Seeds: options files written by the game's own writer, with the default
// settings and with colour sets, image sets and a Hall of Fame.
#include "OptionsFile.h"
#include "TSettings.h"

#include <QString>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    {
        TSettings s;
        s.MakeDefaultColorSet();
        ok = OptionsFile::WriteAt(s, dir + QStringLiteral("/default.pcg")) && ok;
    }
    {
        TSettings s;
        s.MakeDefaultColorSet();
        s.gameType = 3;
        s.levels = 6;
        s.colorSetNames.append(QStringLiteral("Greys"));
        for (int f = 0; f < 6; ++f)
            s.colorSetColors.append(0x202020 * (f + 1));
        s.colorSet = 2;
        s.imageSetNames.append(QStringLiteral("Pictures"));
        for (int f = 0; f < 6; ++f)
            s.imageSetFiles.append(QStringLiteral("/pictures/face%1.jpg").arg(f));
        s.imageSet = 1;
        s.useBoxImages = true;
        s.patternFile = QStringLiteral("/pictures/pattern.png");
        s.hofScore[2][0] = 1234;
        s.hofLevels[2][0] = 6;
        s.hofNames[2].resize(10);
        s.hofNames[2][0] = QStringLiteral("Player");
        ok = OptionsFile::WriteAt(s, dir + QStringLiteral("/sets.pcg")) && ok;
    }
    return ok ? 0 : 1;
}
