#include "OptionsKeeper.h"

#include "RegularFile.h"
#include "SaveLock.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QDir>
#include <QSet>

#include <algorithm>
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

bool THofTables::operator==(const THofTables &o) const
{
    for (int t = 0; t < Tables; ++t)
        for (int e = 0; e < Entries; ++e)
            if (score[t][e] != o.score[t][e] || levels[t][e] != o.levels[t][e] || name[t][e] != o.name[t][e])
                return false;
    return true;
}

THofTables THofTables::Merge(const THofTables &base, const THofTables &ours, const THofTables &theirs,
                             unsigned cleared)
{
    THofTables out = ours;
    for (int t = 0; t < Tables; ++t) {
        if (cleared & (1u << t))
            continue;
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
        // Ours in their order, then what only the file holds; each marked
        // whether the file holds it.
        std::vector<Entry> merged;
        std::vector<bool> inFile;
        QHash<Entry, int> fileLeft = tc;
        for (const std::vector<Entry> *side : {&o, &th})
            for (const Entry &e : *side)
                if (keep[e] > 0) {
                    --keep[e];
                    merged.push_back(e);
                    inFile.push_back(fileLeft[e]-- > 0);
                }
        // Of equal scores, those the file holds take the first places.
        QSet<int> scoresDone;
        for (size_t i = 0; i < merged.size(); ++i) {
            if (scoresDone.contains(merged[i].score))
                continue;
            scoresDone.insert(merged[i].score);
            std::vector<size_t> places;
            for (size_t j = i; j < merged.size(); ++j)
                if (merged[j].score == merged[i].score)
                    places.push_back(j);
            if (places.size() < 2)
                continue;
            std::vector<std::pair<Entry, bool>> group;
            for (size_t j : places)
                group.emplace_back(merged[j], inFile[j]);
            std::stable_partition(group.begin(), group.end(), [](const auto &g) { return g.second; });
            for (size_t k = 0; k < places.size(); ++k) {
                merged[places[k]] = group[k].first;
                inFile[places[k]] = group[k].second;
            }
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
    if (!busyStore.isEmpty())
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + QStringLiteral("Settings not saved - ")
            + busyStore + QStringLiteral(" is in use by another game.");
    busyStore.clear();
    return text;
}

void TOptionsKeeper::StoreBusy(const QString &storeFile)
{
    busyStore = storeFile;
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
    for (qint64 i = 1; i > 0; ++i) {
        const QString copy = path + QStringLiteral(".damaged") + (i > 1 ? QString::number(i) : QString());
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink())
            continue;
        // copy() never replaces an existing file; a name another game took
        // meanwhile is passed by.
        if (QFile::copy(path, copy))
            return copy;
        if (!QFileInfo::exists(copy) && !QFileInfo(copy).isSymLink())
            return QString();
    }
    return QString();
}

void TOptionsKeeper::MarkCleared(int table)
{
    if (table >= 0 && table < THofTables::Tables)
        cleared |= 1u << table;
}

QString TOptionsKeeper::CloseQuestion() const
{
    return (PutOff() ? QStringLiteral("Options not saved yet - ") + putOffFile
                     : QStringLiteral("Settings not saved yet - ") + busyStore)
        + QStringLiteral(" is in use by another game.\nOK tries again; Cancel quits without saving them.");
}

void TOptionsKeeper::MergeWith(TSavedOptions &options, const QString &path)
{
    // What the file holds now: entries another game saved since ours were
    // read stay. A file that cannot be read whole is kept. One read whole
    // now is no longer the file read in part: another game has written it
    // since. What it holds becomes the base of the next merge, whether this
    // save's write lands or not.
    THofTables theirs;
    if (options.ReadFile(path, theirs)) {
        readInPart.removeAll(QFileInfo(path).absoluteFilePath());
        const THofTables ours = options.Tables();
        const THofTables merged = THofTables::Merge(fileTables, ours, theirs, cleared);
        if (merged != ours)
            options.SetTables(merged);
        fileTables = theirs;
    } else if (QFileInfo(path).size() > 0) {
        MarkReadInPart(path);
    }
}

TOptionsKeeper::Outcome TOptionsKeeper::WriteOver(TSavedOptions &options, const QString &path, const QString &inUse)
{
    if (path.isEmpty())
        return Outcome::Failed;
    // No write without the lock, and no waiting for it here.
    SaveLock::TFileLock lock(path);
    switch (lock.Take()) {
    case SaveLock::State::Held:
        break;
    case SaveLock::State::Busy:
        return Outcome::Busy;
    case SaveLock::State::None:
        return Outcome::Failed;
    }

    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        if (!LooksLikeOptionsFile(path, options.VersionText())) {
            // A file of our own name that holds no options is kept like a
            // damaged one; any other file is not ours to replace.
            if (info.fileName() != OptionsFileName || !IsPlainFile(path)) {
                foreignFile = path;
                return Outcome::Refused;
            }
            MarkReadInPart(path);
        } else if (inUse.isEmpty() || !QFileInfo::exists(inUse)
                   || info.lastModified() > QFileInfo(inUse).lastModified()) {
            // A fallback file changed after the file in use holds what
            // another game saved there instead.
            MergeWith(options, path);
        } else {
            // An older one is replaced; kept first when damaged.
            THofTables unused;
            if (!options.ReadFile(path, unused) && info.size() > 0)
                MarkReadInPart(path);
        }
    }
    if (ReadInPart(path)) {
        const QString kept = KeepBeside(path);
        if (kept.isEmpty()) {
            damagedLeft = path;
            return Outcome::Failed;
        }
        readInPart.removeAll(info.absoluteFilePath());
        AddNotice(QStringLiteral("Options file damaged! - kept as ") + kept);
    }
    if (!options.WriteFile(path))
        return Outcome::Failed;
    fileTables = options.Tables();
    cleared = 0;
    return Outcome::Written;
}

TOptionsKeeper::Result TOptionsKeeper::Save(TSavedOptions &options, const QString &path, const QString &fallback,
                                            QString &writtenTo)
{
    saveFailure.clear();
    damagedLeft.clear();
    putOffFile.clear();
    auto putOff = [&](const QString &file) {
        putOffFile = file;
        saveFailure = QStringLiteral("Options not saved yet - ") + file
            + QStringLiteral(" is in use by another game; they are saved with the next save or when quibo closes.");
        return Result::PutOff;
    };

    const Outcome first = WriteOver(options, path, QString());
    if (first == Outcome::Written) {
        writtenTo = path;
        return Result::Saved;
    }
    if (first == Outcome::Busy)
        return putOff(path);
    QString failed = first == Outcome::Failed ? path : QString();
    if (!fallback.isEmpty() && fallback != path) {
        QDir().mkpath(QFileInfo(fallback).absolutePath());
        const QString damaged = damagedLeft;
        const Outcome second = WriteOver(options, fallback, path);
        if (second == Outcome::Written) {
            writtenTo = fallback;
            if (!damaged.isEmpty())
                AddNotice(QStringLiteral("Options file damaged! - ") + damaged
                          + QStringLiteral(" could not be kept and is left as it was; Options saved to ") + fallback);
            return Result::Saved;
        }
        if (second == Outcome::Busy)
            return putOff(fallback);
        if (failed.isEmpty())
            failed = fallback;
    } else if (failed.isEmpty()) {
        failed = path;
    }
    saveFailure = QStringLiteral("Save Options failure! - ") + failed;
    return Result::Failed;
}
