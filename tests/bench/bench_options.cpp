// Start-up with a large options file: the full construction of the settings
// record over a file of about 2 MB holding thousands of colour and image
// sets, which the reader merges by name. Beside it, in the same run: the
// same start over the default file, the plain read of the large file's
// bytes, and the same names merged by searching the list for each (a
// quadratic merge). The large start must stay well under a second.
#include "TSettings.h"
#include "environment_util.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class Bytes {
public:
    Bytes &Raw(const void *p, int n) { b.append(static_cast<const char *>(p), n); return *this; }
    Bytes &Int(int32_t v) { return Raw(&v, 4); }   // little-endian hosts only
    Bytes &Flag(bool v) { b.append(char(v ? 1 : 0)); return *this; }
    Bytes &Float(float f) { return Raw(&f, 4); }
    Bytes &Str(const QByteArray &s) { Int(int32_t(s.size())); b += s; return *this; }
    QByteArray b;
};

QByteArray LargeOptionsFile(int colourSets, int imageSets)
{
    Bytes o;
    o.Raw("quiboVer01.70\0", 14).Int(2).Int(4).Flag(true).Flag(true).Float(0.25f).Float(0.25f);
    o.Flag(true).Flag(false).Int(0x242424).Str("").Flag(false).Flag(true);
    for (int f = 0; f < 6; ++f)
        o.Int(0x101010 * (f + 1));
    o.Int(1).Int(colourSets);
    for (int i = 0; i < colourSets; ++i) {
        o.Str("Colours " + QByteArray::number(i));
        for (int k = 0; k < 6; ++k)
            o.Int(i * 6 + k);
    }
    for (int f = 0; f < 6; ++f)
        o.Str("");
    o.Flag(false).Flag(false).Flag(false).Flag(true).Int(1).Int(imageSets);
    for (int i = 0; i < imageSets; ++i) {
        o.Str("Image set number " + QByteArray::number(i));
        for (int k = 0; k < 6; ++k)
            o.Str("/home/player/Pictures/sets/set" + QByteArray::number(i) + "_face" + QByteArray::number(k)
                  + ".jpg");
    }
    o.Int(4).Int(10);
    for (int t = 0; t < 4; ++t)
        for (int e = 0; e < 10; ++e)
            o.Int(1000 - e).Str("Name " + QByteArray::number(t * 10 + e)).Int(4);
    return o.b;
}

struct Folders {
    QTemporaryDir tmp;
    TSettings::Environment env;
    Folders()
    {
        env = EnvironmentBelow(tmp.path());
        QDir().mkpath(env.programFolder);
        QDir().mkpath(env.userDataFolder + QStringLiteral("/quibo"));
    }
    QString OptionsFile() const { return env.userDataFolder + QStringLiteral("/quibo/boxOpts.pcg"); }
};

template <class F>
double MedianMs(int runs, F f)
{
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        f();
        t.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int colourSets = 40000, imageSets = 2500;
    const QByteArray large = LargeOptionsFile(colourSets, imageSets);

    Folders big, small;
    {
        QFile f(big.OptionsFile());
        if (!f.open(QIODevice::WriteOnly) || f.write(large) != large.size())
            return 2;
    }
    size_t sets = 0;
    const double startLarge = MedianMs(5, [&] {
        TSettings s(big.env);
        sets = size_t(s.colorSetCount + s.imageSetCount);
    });
    const double startDefault = MedianMs(5, [&] { TSettings s(small.env); });
    const double plainRead = MedianMs(5, [&] {
        QFile f(big.OptionsFile());
        if (f.open(QIODevice::ReadOnly))
            f.readAll();
    });
    // The merge as a search of the list for every name.
    std::vector<QString> names;
    for (int i = 0; i < colourSets; ++i)
        names.push_back(QStringLiteral("Colours %1").arg(i));
    const double listMerge = MedianMs(1, [&] {
        QVector<QString> known;
        for (const QString &n : names) {
            bool found = false;
            for (const QString &k : known)
                if (k == n) {
                    found = true;
                    break;
                }
            if (!found)
                known.append(n);
        }
    });

    const bool ok = startLarge < 1000.0 && sets == size_t(colourSets + imageSets);
    std::printf("options: start over a %.1f MB options file of %d colour and %d image sets\n",
                double(large.size()) / 1e6, colourSets, imageSets);
    std::printf("  start, large file      %8.1f ms (median of 5; bound 1000 ms: %s)\n", startLarge,
                ok ? "within" : "EXCEEDED");
    std::printf("  start, default file    %8.2f ms\n", startDefault);
    std::printf("  plain read of the file %8.2f ms\n", plainRead);
    std::printf("  peer: the %d colour-set names merged by searching the list: %.1f ms\n", colourSets,
                listMerge);
    return ok ? 0 : 1;
}
