// The options file: writer and merging reader. Every field has the width of
// its kind held in the settings; integers little-endian, fractions 32-bit
// floats, strings a 32-bit length and the bytes (UTF-8, no terminator).
#include "TSettings.h"
#include "RegularFile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

#include <cstring>

namespace {

constexpr int HofTables = 4;
constexpr int HofEntries = 10;
constexpr int StringPiece = 259;

// Writes fields until the first one that does not complete.
class OptWriter {
public:
    OptWriter(QIODevice &f, const TSettings &s) : dev(f), set(s) {}

    bool Bytes(const void *p, qint64 n)
    {
        if (good && n > 0)
            good = dev.write(static_cast<const char *>(p), n) == n;
        return good;
    }
    // The low width bytes of v (1 to 4), little-endian.
    bool Sized(int32_t v, int width)
    {
        if (width < 1 || width > 4)
            return good = false;
        uint8_t b[4];
        const uint32_t u = uint32_t(v);
        for (int i = 0; i < 4; ++i)
            b[i] = uint8_t(u >> (8 * i));
        return Bytes(b, width);
    }
    bool Int(int32_t v) { return Sized(v, set.intSize); }
    bool Flag(bool v) { return Sized(v ? 1 : 0, set.flagSize); }
    bool Float(float v)
    {
        if (set.floatSize != 4)
            return good = false;
        uint32_t u;
        std::memcpy(&u, &v, 4);
        return Sized(int32_t(u), 4);
    }
    // A colour field: its 24-bit value, the null colour as 0.
    bool ColorField(Color c) { return Sized(c == ColorNull ? 0 : int32_t(c & 0xFFFFFF), set.colorSize); }
    bool ok() const { return good; }

private:
    QIODevice &dev;
    const TSettings &set;
    bool good = true;
};

// Reads fields; each read says whether it was complete.
class OptReader {
public:
    OptReader(QIODevice &f, const TSettings &s) : dev(f), set(s) {}

    bool Bytes(void *p, qint64 n) { return n <= 0 || dev.read(static_cast<char *>(p), n) == n; }
    bool Sized(int32_t &v, int width)
    {
        if (width < 1 || width > 4)
            return false;
        uint8_t b[4] = {0, 0, 0, 0};
        if (!Bytes(b, width))
            return false;
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i)
            u |= uint32_t(b[i]) << (8 * i);
        v = int32_t(u);
        return true;
    }
    bool Int(int32_t &v) { return Sized(v, set.intSize); }
    bool Flag(bool &v)
    {
        int32_t b;
        if (!Sized(b, set.flagSize))
            return false;
        v = b != 0;
        return true;
    }
    bool Float(float &v)
    {
        int32_t u;
        if (set.floatSize != 4 || !Sized(u, 4))
            return false;
        std::memcpy(&v, &u, 4);
        return true;
    }
    bool ColorField(Color &c) { return Sized(c, set.colorSize); }

private:
    QIODevice &dev;
    const TSettings &set;
};

// The names of the sets already known, for merging by name (exact,
// case-sensitive) in constant time per record.
QSet<QString> KnownNames(const QVector<QString> &names)
{
    QSet<QString> known;
    known.reserve(names.size());
    for (const QString &name : names)
        known.insert(name);
    return known;
}

// A selected set (1-based) of count sets: itself when it names one, else 1,
// or 0 when there are none.
int BoundedSelection(int selected, qsizetype count)
{
    if (count <= 0)
        return 0;
    return selected >= 1 && selected <= count ? selected : 1;
}

// Wherever the reader stops, the counts and selections match the sets.
class SetBounds {
public:
    explicit SetBounds(TSettings &settings) : s(settings) {}
    ~SetBounds() { Apply(s); }
    static void Apply(TSettings &s)
    {
        s.colorSetCount = int(s.colorSetNames.size());
        s.imageSetCount = int(s.imageSetNames.size());
        s.colorSet = BoundedSelection(s.colorSet, s.colorSetCount);
        s.imageSet = BoundedSelection(s.imageSet, s.imageSetCount);
    }

private:
    TSettings &s;
};

} // namespace

int TSettings::FileVersionOf(const char text[14])
{
    int v = 0;
    for (int i = 8; i <= 12; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            v = v * 10 + (text[i] - '0');
    return v;
}

bool TSettings::WriteCountedString(const QString &text, QIODevice &file)
{
    const QByteArray b = text.toUtf8();
    OptWriter w(file, *this);
    w.Int(int32_t(b.size()));
    w.Bytes(b.constData(), b.size());
    return w.ok();
}

bool TSettings::WriteOptionsFile(QIODevice &file)
{
    OptWriter w(file, *this);
    if (!file.seek(0))
        return false;
    w.Bytes(versionText, sizeof versionText);
    w.Int(gameType);
    w.Int(levels);
    w.Flag(bonusBoxes);
    w.Flag(badBoxes);
    w.Float(sideRatio);
    w.Float(topRatio);
    w.Flag(useBoxColors);
    w.Flag(useBoxImages);
    w.ColorField(backgroundColor);
    if (!w.ok() || !WriteCountedString(patternFile, file))
        return false;
    w.Flag(usePattern);
    w.Flag(tilePattern);
    for (int f = 0; f < 6; ++f)
        w.ColorField(faceColor[f]);
    w.Int(colorSet);

    colorSetCount = int(colorSetNames.size());
    w.Int(colorSetCount);
    for (int i = 0; i < colorSetCount && w.ok(); ++i) {
        if (!WriteCountedString(colorSetNames[i], file))
            return false;
        for (int k = 0; k < 6; ++k) {
            const qsizetype at = qsizetype(6) * i + k;
            w.Int(at < colorSetColors.size() ? colorSetColors[at] : 0);
        }
    }
    for (int f = 0; f < 6 && w.ok(); ++f)
        if (!WriteCountedString(faceImageFile[f], file))
            return false;
    w.Flag(spanImages);
    w.Flag(tileImages);
    w.Flag(rotateImages);
    w.Flag(borderImages);
    w.Int(imageSet);

    imageSetCount = int(imageSetNames.size());
    w.Int(imageSetCount);
    for (int i = 0; i < imageSetCount && w.ok(); ++i) {
        if (!WriteCountedString(imageSetNames[i], file))
            return false;
        for (int k = 0; k < 6; ++k) {
            const qsizetype at = qsizetype(6) * i + k;
            if (!WriteCountedString(at < imageSetFiles.size() ? imageSetFiles[at] : QString(), file))
                return false;
        }
    }

    w.Int(HofTables);
    w.Int(HofEntries);
    for (int t = 0; t < HofTables && w.ok(); ++t) {
        for (int e = 0; e < HofEntries && w.ok(); ++e) {
            w.Int(hofScore[t][e]);
            if (!w.ok() || !WriteCountedString(e < hofNames[t].size() ? hofNames[t][e] : QString(), file))
                return false;
            w.Int(hofLevels[t][e]);
        }
    }
    return w.ok();
}

bool TSettings::ReadCountedString(QString &text, QIODevice &file)
{
    text.clear();
    OptReader r(file, *this);
    int32_t left;
    if (!r.Int(left))
        return false;
    QByteArray all;
    char piece[StringPiece];
    while (left > 0) {
        const int n = left < StringPiece ? int(left) : StringPiece;
        if (!r.Bytes(piece, n))
            return false;
        const void *nul = std::memchr(piece, 0, size_t(n));
        all.append(piece, nul ? int(static_cast<const char *>(nul) - piece) : n);
        left -= n;
    }
    text = QString::fromUtf8(all);
    return true;
}

bool TSettings::ReadOptionsFile(const QString &path)
{
    QFile file(path);
    if (!RegularFile::Open(file, path))
        return false;
    char text[14];
    bool whole = file.read(text, sizeof text) == qint64(sizeof text);
    if (whole) {
        fileVersion = FileVersionOf(text);
        whole = ReadOptionsBody(file);
    }
    // A file that holds more than was read is not written over unkept.
    const QString name = QFileInfo(path).absoluteFilePath();
    if (!whole && file.size() > 0 && !optionsReadInPart.contains(name))
        optionsReadInPart.append(name);
    return whole;
}

bool TSettings::ReadOptionsBody(QIODevice &file)
{
    OptReader r(file, *this);
    SetBounds bounds(*this);
    int32_t i32;
    float ratio;
    Color color;
    QString text;

    // Game settings: values outside their bounds keep what is set.
    if (!r.Int(i32))
        return false;
    if (ValidGameType(i32))
        gameType = i32;
    if (!r.Int(i32))
        return false;
    if (ValidLevels(i32))
        levels = i32;
    if (!r.Flag(bonusBoxes) || !r.Flag(badBoxes))
        return false;
    if (!r.Float(ratio))
        return false;
    if (ValidRatio(ratio))
        sideRatio = ratio;
    if (!r.Float(ratio))
        return false;
    if (ValidRatio(ratio))
        topRatio = ratio;
    if (!r.Flag(useBoxColors) || !r.Flag(useBoxImages) || !r.ColorField(backgroundColor))
        return false;

    if (!ReadCountedString(text, file))
        return false;
    if (!text.isEmpty() && FindPictureFile(text, QStringLiteral("Patterns/")))
        patternFile = text;
    if (!r.Flag(usePattern) || !r.Flag(tilePattern))
        return false;

    // Face colours and the selected set belong to the first file read.
    for (int f = 0; f < 6; ++f) {
        if (!r.ColorField(color))
            return false;
        if (!optionsLoaded)
            faceColor[f] = color;
    }
    if (!r.Int(i32))
        return false;
    if (!optionsLoaded)
        colorSet = i32;

    // Colour sets, merged by name; a known set keeps its colours.
    colorSetColors.resize(colorSetNames.size() * 6, 0);
    if (!r.Int(i32))
        return false;
    // Every record starts with a name that must be read whole, so a claimed
    // count never reads past the end of the file.
    const int32_t colorSets = i32;
    QSet<QString> knownColorSets = KnownNames(colorSetNames);
    for (int32_t i = 0; i < colorSets; ++i) {
        if (!ReadCountedString(text, file))
            return false;
        const bool known = knownColorSets.contains(text);
        if (!known) {
            colorSetNames.append(text);
            knownColorSets.insert(text);
        }
        for (int k = 0; k < 6; ++k) {
            int32_t c = 0;
            if (!r.ColorField(c))
                c = 0;
            if (!known)
                colorSetColors.append(c);
        }
    }
    colorSetCount = int(colorSetNames.size());

    for (int f = 0; f < 6; ++f) {
        if (!ReadCountedString(text, file))
            return false;
        if (!optionsLoaded) {
            FindPictureFile(text, QStringLiteral("Images/"));
            faceImageFile[f] = text;
        }
    }
    SetBounds::Apply(*this);

    if (!r.Flag(spanImages) || !r.Flag(tileImages) || !r.Flag(rotateImages) || !r.Flag(borderImages))
        return false;
    if (!r.Int(i32))
        return false;
    if (!optionsLoaded)
        imageSet = i32;

    // Image sets, merged by name.
    imageSetFiles.resize(imageSetNames.size() * 6);
    if (!r.Int(i32))
        return false;
    const int32_t imageSets = i32;
    QSet<QString> knownImageSets = KnownNames(imageSetNames);
    for (int32_t i = 0; i < imageSets; ++i) {
        if (!ReadCountedString(text, file))
            return false;
        const bool known = knownImageSets.contains(text);
        if (!known) {
            imageSetNames.append(text);
            knownImageSets.insert(text);
        }
        for (int k = 0; k < 6; ++k) {
            QString name;
            if (!ReadCountedString(name, file))
                name.clear();
            if (!known) {
                FindPictureFile(name, QStringLiteral("Images/"));
                imageSetFiles.append(name);
            }
        }
    }
    SetBounds::Apply(*this);

    optionsLoaded = true;

    // Hall of Fame: ten (score, name, levels) entries per game type, kept by
    // position. Tables and entries past 4 x 10 are read and dropped.
    int32_t tables, entries;
    if (!r.Int(tables) || !r.Int(entries))
        return false;
    for (int t = 0; t < HofTables; ++t)
        hofNames[t].resize(HofEntries);
    const bool withLevels = fileVersion > 110;
    if (entries <= 0 && tables > HofTables)
        tables = HofTables;
    for (int32_t t = 0; t < tables; ++t) {
        const bool keepTable = t < HofTables;
        if (keepTable) {
            hofNames[t].fill(QString(), HofEntries);
            for (int e = 0; e < HofEntries; ++e)
                hofScore[t][e] = hofLevels[t][e] = 0;
        }
        for (int32_t e = 0; e < entries; ++e) {
            int32_t score, lev = 0;
            if (!r.Int(score))
                return false;
            QString name;
            if (!ReadCountedString(name, file))
                name.clear();
            if (withLevels && !r.Int(lev))
                return false;
            if (keepTable && e < HofEntries && !name.isEmpty()) {
                hofNames[t][e] = name;
                hofScore[t][e] = score;
                hofLevels[t][e] = ValidLevels(lev) ? lev : 0;
            }
        }
    }
    return true;
}
