// The options file: writer and merging reader. Its fields go through the
// field codec (FieldCodec.h); flags are read leniently, any value other
// than 0 being set.
#include "OptionsFile.h"

#include "BoardGeometry.h"
#include "FieldCodec.h"
#include "RegularFile.h"
#include "SaveFile.h"
#include "TGame.h"
#include "TSettings.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QSet>

namespace {

constexpr int HofTables = THofTables::Tables;
constexpr int HofEntries = THofTables::Entries;

// Sets merged by name: a count, then records of a name and six entries. A
// set whose name is new is appended with its entries, each passed through
// keep; a known set keeps its own and the record's are dropped. An entry
// that cannot be read counts as T(). Every record starts with a name that
// must be read whole, so a claimed count never reads past the end of the
// file.
template <class T, class ReadEntry, class Keep>
bool MergeSets(TFieldReader &r, QVector<QString> &names, QVector<T> &entries, ReadEntry read, Keep keep)
{
    entries.resize(names.size() * 6);
    int32_t count;
    if (!r.GetInt(count))
        return false;
    // The names known so far, for a merge by name (exact, case-sensitive)
    // in constant time per record.
    QSet<QString> known(names.cbegin(), names.cend());
    QString name;
    for (int32_t i = 0; i < count; ++i) {
        if (!r.GetString(name))
            return false;
        const bool isNew = !known.contains(name);
        if (isNew) {
            names.append(name);
            known.insert(name);
        }
        for (int k = 0; k < 6; ++k) {
            T entry{};
            if (!read(entry))
                entry = T();
            if (isNew)
                entries.append(keep(entry));
        }
    }
    return true;
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

// Game settings and the pattern: values outside their bounds keep what is
// set.
bool ReadGameOptions(TSettings &s, TFieldReader &r)
{
    int32_t i32;
    float ratio;
    QString text;

    if (!r.GetInt(i32))
        return false;
    if (TGame::ValidGameType(i32))
        s.gameType = i32;
    if (!r.GetInt(i32))
        return false;
    if (TGame::ValidLevels(i32))
        s.levels = i32;
    if (!r.GetAnyFlag(s.bonusBoxes) || !r.GetAnyFlag(s.badBoxes))
        return false;
    if (!r.GetFloat(ratio))
        return false;
    if (BoardGeometry::ValidRatio(ratio))
        s.sideRatio = ratio;
    if (!r.GetFloat(ratio))
        return false;
    if (BoardGeometry::ValidRatio(ratio))
        s.topRatio = ratio;
    if (!r.GetAnyFlag(s.useBoxColors) || !r.GetAnyFlag(s.useBoxImages) || !r.GetColor(s.backgroundColor))
        return false;

    if (!r.GetString(text))
        return false;
    if (!text.isEmpty() && s.FindPictureFile(text, QStringLiteral("Patterns/")))
        s.patternFile = text;
    if (!r.GetAnyFlag(s.usePattern) || !r.GetAnyFlag(s.tilePattern))
        return false;
    return true;
}

// Face colours and pictures, the colour and image sets.
bool ReadSetsAndFaces(TSettings &s, TFieldReader &r)
{
    int32_t i32;
    Color color;
    QString text;

    // Face colours and the selected set belong to the first file read.
    for (int f = 0; f < 6; ++f) {
        if (!r.GetColor(color))
            return false;
        if (!s.optionsLoaded)
            s.faceColor[f] = color;
    }
    if (!r.GetInt(i32))
        return false;
    if (!s.optionsLoaded)
        s.colorSet = i32;

    // Colour sets, merged by name.
    if (!MergeSets(r, s.colorSetNames, s.colorSetColors, [&r](int &c) { return r.GetColor(c); },
                   [](int c) { return c; }))
        return false;
    s.colorSetCount = int(s.colorSetNames.size());

    for (int f = 0; f < 6; ++f) {
        if (!r.GetString(text))
            return false;
        if (!s.optionsLoaded) {
            s.FindPictureFile(text, QStringLiteral("Images/"));
            s.faceImageFile[f] = text;
        }
    }
    SetBounds::Apply(s);

    if (!r.GetAnyFlag(s.spanImages) || !r.GetAnyFlag(s.tileImages) || !r.GetAnyFlag(s.rotateImages) || !r.GetAnyFlag(s.borderImages))
        return false;
    if (!r.GetInt(i32))
        return false;
    if (!s.optionsLoaded)
        s.imageSet = i32;

    // Image sets, merged by name.
    if (!MergeSets(r, s.imageSetNames, s.imageSetFiles, [&r](QString &name) { return r.GetString(name); },
                   [&s](QString name) {
                       s.FindPictureFile(name, QStringLiteral("Images/"));
                       return name;
                   }))
        return false;
    SetBounds::Apply(s);

    s.optionsLoaded = true;
    return true;
}

// Ten (score, name, levels) entries per game type, kept by position.
// Tables and entries past 4 x 10 are read and dropped.
bool ReadHallOfFame(TSettings &s, TFieldReader &r)
{
    int32_t tables, entries;
    if (!r.GetInt(tables) || !r.GetInt(entries))
        return false;
    for (int t = 0; t < HofTables; ++t)
        s.hofNames[t].resize(HofEntries);
    const bool withLevels = s.fileVersion > 110;
    if (entries <= 0 && tables > HofTables)
        tables = HofTables;
    for (int32_t t = 0; t < tables; ++t) {
        const bool keepTable = t < HofTables;
        if (keepTable) {
            s.hofNames[t].fill(QString(), HofEntries);
            for (int e = 0; e < HofEntries; ++e)
                s.hofScore[t][e] = s.hofLevels[t][e] = 0;
        }
        for (int32_t e = 0; e < entries; ++e) {
            int32_t score, lev = 0;
            if (!r.GetInt(score))
                return false;
            QString name;
            if (!r.GetString(name))
                name.clear();
            if (withLevels && !r.GetInt(lev))
                return false;
            if (keepTable && e < HofEntries && !name.isEmpty()) {
                s.hofNames[t][e] = name;
                s.hofScore[t][e] = score;
                s.hofLevels[t][e] = TGame::ValidLevels(lev) ? lev : 0;
            }
        }
    }
    return true;
}

} // namespace

int OptionsFile::FileVersionOf(const char text[14])
{
    int v = 0;
    for (int i = 8; i <= 12; ++i)
        if (text[i] >= '0' && text[i] <= '9')
            v = v * 10 + (text[i] - '0');
    return v;
}

bool OptionsFile::WriteAt(TSettings &s, const QString &path)
{
    if (path.isEmpty())
        return false;
    return SaveFile::Write(path, [&s](QIODevice &file) { return s.WriteOptionsFile(file); });
}

bool TSettings::WriteCountedString(const QString &text, QIODevice &file)
{
    return TFieldWriter(&file, *this).PutString(text);
}

bool TSettings::WriteOptionsFile(QIODevice &file)
{
    TFieldWriter w(&file, *this);
    if (!file.seek(0))
        return false;
    w.PutBytes(versionText, sizeof versionText);
    w.PutInt(gameType);
    w.PutInt(levels);
    w.PutFlag(bonusBoxes);
    w.PutFlag(badBoxes);
    w.PutFloat(sideRatio);
    w.PutFloat(topRatio);
    w.PutFlag(useBoxColors);
    w.PutFlag(useBoxImages);
    w.PutColor(backgroundColor);
    if (!w.ok() || !w.PutString(patternFile))
        return false;
    w.PutFlag(usePattern);
    w.PutFlag(tilePattern);
    for (int f = 0; f < 6; ++f)
        w.PutColor(faceColor[f]);
    w.PutInt(colorSet);

    colorSetCount = int(colorSetNames.size());
    w.PutInt(colorSetCount);
    for (int i = 0; i < colorSetCount && w.ok(); ++i) {
        if (!w.PutString(colorSetNames[i]))
            return false;
        for (int k = 0; k < 6; ++k) {
            const qsizetype at = qsizetype(6) * i + k;
            w.PutInt(at < colorSetColors.size() ? colorSetColors[at] : 0);
        }
    }
    for (int f = 0; f < 6 && w.ok(); ++f)
        if (!w.PutString(faceImageFile[f]))
            return false;
    w.PutFlag(spanImages);
    w.PutFlag(tileImages);
    w.PutFlag(rotateImages);
    w.PutFlag(borderImages);
    w.PutInt(imageSet);

    imageSetCount = int(imageSetNames.size());
    w.PutInt(imageSetCount);
    for (int i = 0; i < imageSetCount && w.ok(); ++i) {
        if (!w.PutString(imageSetNames[i]))
            return false;
        for (int k = 0; k < 6; ++k) {
            const qsizetype at = qsizetype(6) * i + k;
            if (!w.PutString(at < imageSetFiles.size() ? imageSetFiles[at] : QString()))
                return false;
        }
    }

    w.PutInt(HofTables);
    w.PutInt(HofEntries);
    for (int t = 0; t < HofTables && w.ok(); ++t) {
        for (int e = 0; e < HofEntries && w.ok(); ++e) {
            w.PutInt(hofScore[t][e]);
            if (!w.ok() || !w.PutString(e < hofNames[t].size() ? hofNames[t][e] : QString()))
                return false;
            w.PutInt(hofLevels[t][e]);
        }
    }
    return w.ok();
}

bool TSettings::ReadCountedString(QString &text, QIODevice &file)
{
    return TFieldReader(&file, *this).GetString(text);
}

bool TSettings::ReadOptionsFile(const QString &path)
{
    QFile file(path);
    if (!RegularFile::Open(file, path))
        return false;
    char text[14];
    bool whole = file.read(text, sizeof text) == qint64(sizeof text);
    if (whole) {
        fileVersion = OptionsFile::FileVersionOf(text);
        whole = ReadOptionsBody(file);
    }
    // A file that holds more than was read is not written over unkept.
    if (!whole && file.size() > 0)
        optionsKeeper.MarkReadInPart(path);
    return whole;
}

bool TSettings::ReadOptionsBody(QIODevice &file)
{
    TFieldReader r(&file, *this);
    SetBounds bounds(*this);
    return ReadGameOptions(*this, r) && ReadSetsAndFaces(*this, r) && ReadHallOfFame(*this, r);
}
