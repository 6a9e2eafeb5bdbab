#include "OptionsKeeper.h"

#include "RegularFile.h"
#include "TSettings.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include <sys/stat.h>

namespace {

const QLatin1String OptionsFileName("boxOpts.pcg");

struct Entry {
    int score = 0;
    int levels = 0;
    QString name;
    bool operator==(const Entry &o) const { return score == o.score && levels == o.levels && name == o.name; }
};

size_t qHash(const Entry &e, size_t seed = 0)
{
    return qHashMulti(seed, e.score, e.levels, e.name);
}

// The named entries of one table, in entry order.
std::vector<Entry> EntriesOf(const THofTables &h, int t)
{
    std::vector<Entry> list;
    for (int e = 0; e < THofTables::Entries; ++e)
        if (!h.name[t][e].isEmpty())
            list.push_back({h.score[t][e], h.levels[t][e], h.name[t][e]});
    return list;
}

QHash<Entry, int> Counts(const std::vector<Entry> &list)
{
    QHash<Entry, int> counts;
    for (const Entry &e : list)
        ++counts[e];
    return counts;
}

// A path's own file, not a link, that exists.
bool IsPlainFile(const QString &path)
{
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

THofTables THofTables::Of(const TSettings &s)
{
    THofTables h;
    for (int t = 0; t < Tables; ++t)
        for (int e = 0; e < Entries; ++e) {
            h.score[t][e] = s.hofScore[t][e];
            h.levels[t][e] = s.hofLevels[t][e];
            h.name[t][e] = e < s.hofNames[t].size() ? s.hofNames[t][e] : QString();
        }
    return h;
}

void THofTables::Into(TSettings &s) const
{
    for (int t = 0; t < Tables; ++t) {
        s.hofNames[t].resize(Entries);
        for (int e = 0; e < Entries; ++e) {
            s.hofScore[t][e] = score[t][e];
            s.hofLevels[t][e] = levels[t][e];
            s.hofNames[t][e] = name[t][e];
        }
    }
}

bool THofTables::operator==(const THofTables &o) const
{
    for (int t = 0; t < Tables; ++t)
        for (int e = 0; e < Entries; ++e)
            if (score[t][e] != o.score[t][e] || levels[t][e] != o.levels[t][e] || name[t][e] != o.name[t][e])
                return false;
    return true;
}

THofTables THofTables::Merge(const THofTables &base, const THofTables &ours, const THofTables &theirs)
{
    THofTables out = ours;
    for (int t = 0; t < Tables; ++t) {
        const std::vector<Entry> b = EntriesOf(base, t), o = EntriesOf(ours, t), th = EntriesOf(theirs, t);
        const QHash<Entry, int> bc = Counts(b), oc = Counts(o), tc = Counts(th);
        if (bc == tc)
            continue;
        // How many of each entry stay: those of base that neither side
        // removed, and the most that either side added.
        QHash<Entry, int> keep;
        for (const QHash<Entry, int> *side : {&bc, &oc, &tc})
            for (auto it = side->cbegin(); it != side->cend(); ++it) {
                const Entry &e = it.key();
                const int nb = bc.value(e), no = oc.value(e), nt = tc.value(e);
                keep[e] = nb - std::max({nb - no, nb - nt, 0}) + std::max({no - nb, nt - nb, 0});
            }
        // Ours in their order, then what only the file holds.
        std::vector<Entry> merged;
        for (const std::vector<Entry> *side : {&o, &th})
            for (const Entry &e : *side)
                if (keep[e] > 0) {
                    --keep[e];
                    merged.push_back(e);
                }
        if (merged.size() > size_t(Entries)) {
            std::vector<size_t> rank(merged.size());
            for (size_t i = 0; i < rank.size(); ++i)
                rank[i] = i;
            std::stable_sort(rank.begin(), rank.end(),
                             [&](size_t x, size_t y) { return merged[x].score > merged[y].score; });
            rank.resize(Entries);
            std::sort(rank.begin(), rank.end());
            std::vector<Entry> best;
            for (size_t i : rank)
                best.push_back(merged[i]);
            merged.swap(best);
        }
        for (int e = 0; e < Entries; ++e) {
            const bool set = size_t(e) < merged.size();
            out.score[t][e] = set ? merged[size_t(e)].score : 0;
            out.levels[t][e] = set ? merged[size_t(e)].levels : 0;
            out.name[t][e] = set ? merged[size_t(e)].name : QString();
        }
    }
    return out;
}

QString TOptionsKeeper::TakeNotice()
{
    QString text;
    text.swap(notice);
    return text;
}

void TOptionsKeeper::AddNotice(const QString &text)
{
    notice += (notice.isEmpty() ? QString() : QStringLiteral("\n")) + text;
}

void TOptionsKeeper::MarkReadInPart(const QString &path)
{
    const QString name = QFileInfo(path).absoluteFilePath();
    if (!readInPart.contains(name))
        readInPart.append(name);
}

bool TOptionsKeeper::ReadInPart(const QString &path) const
{
    return readInPart.contains(QFileInfo(path).absoluteFilePath());
}

bool TOptionsKeeper::LooksLikeOptionsFile(const QString &path, const char *versionText)
{
    QFile file;
    if (!RegularFile::Open(file, path))
        return false;
    const QByteArray start = file.read(8);
    return QByteArray(versionText, 8).startsWith(start);
}

QString TOptionsKeeper::KeepBeside(const QString &path)
{
    for (int i = 1; i < 1000; ++i) {
        const QString copy = path + QStringLiteral(".damaged") + (i > 1 ? QString::number(i) : QString());
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())
            continue;
        // copy() never replaces an existing file.
        return QFile::copy(path, copy) ? copy : QString();
    }
    return QString();
}

bool TOptionsKeeper::WriteOver(TSettings &s, const QString &path)
{
    if (path.isEmpty())
        return false;
    // Another game saving at the same moment waits here. Where no lock can
    // be made (a folder that cannot be written) the write fails anyway; one
    // held too long is passed by, the merge below still keeps its entries.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(5000);

    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        if (!LooksLikeOptionsFile(path, s.versionText)) {
            // A file of our own name that holds no options is kept like a
            // damaged one; any other file is not ours to replace.
            if (QFileInfo(path).fileName() != OptionsFileName || !IsPlainFile(path)) {
                foreignFile = path;
                return false;
            }
            MarkReadInPart(path);
        } else {
            // What the file holds now: entries another game saved since
            // ours were read stay. A file that cannot be read whole is kept.
            // One read whole now is no longer the file read in part: another
            // game has written it since.
            const auto now = std::make_unique<TSettings>();
            if (now->ReadOptionsFile(path)) {
                readInPart.removeAll(QFileInfo(path).absoluteFilePath());
                const THofTables theirs = THofTables::Of(*now);
                const THofTables ours = THofTables::Of(s);
                const THofTables merged = THofTables::Merge(fileTables, ours, theirs);
                if (merged != ours)
                    merged.Into(s);
            } else if (QFileInfo(path).size() > 0) {
                MarkReadInPart(path);
            }
        }
    }
    if (ReadInPart(path)) {
        const QString kept = KeepBeside(path);
        if (kept.isEmpty())
            return false;
        readInPart.removeAll(QFileInfo(path).absoluteFilePath());
        AddNotice(QStringLiteral("Options file damaged! - kept as ") + kept);
    }
    if (!s.WriteOptionsFileAt(path))
        return false;
    fileTables = THofTables::Of(s);
    return true;
}
