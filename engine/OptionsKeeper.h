// What the saves of the options keep and tell beside the settings record:
// files read only in part or that are no options file, kept under a new
// name before they are written over; the notices and failures for the
// player; the Hall of Fame as the file last held it, so that a save keeps
// the entries another game on the same folder saved meanwhile; saves put
// off because another game held the lock, for the next save or the close.
#pragma once

#include <QString>
#include <QStringList>

// The four Hall of Fame tables of ten (score, name, levels) entries; an
// entry with an empty name is empty.
struct THofTables {
    // A table a game type, ten entries each.
    static constexpr int Tables = 4;
    static constexpr int Entries = 10;
    int score[Tables][Entries] = {};
    int levels[Tables][Entries] = {};
    QString name[Tables][Entries];

    bool operator==(const THofTables &other) const;
    bool operator!=(const THofTables &other) const { return !(*this == other); }

    // The tables of a save when the file holds theirs and held base when
    // ours was read or last written: what either side added is in, what
    // either side removed is out, an entry kept once. Of equal scores the
    // entry the file holds comes first, as an equal score already in a
    // table ranks ahead of a new one. A table of more than ten keeps its
    // best: the higher score, on equal scores the earlier entry. A table
    // the file did not change since base, and a table of the bits of
    // cleared (1 << table), stay ours as they are.
    static THofTables Merge(const THofTables &base, const THofTables &ours, const THofTables &theirs,
                            unsigned cleared = 0);
};

// What a save reads and writes: the options of one settings record, given
// by the record to its keeper.
class TSavedOptions {
public:
    virtual ~TSavedOptions() = default;
    // The version text every options file starts with.
    virtual const char *VersionText() const = 0;
    // The Hall of Fame of the options, and the merged tables that replace
    // it before they are written.
    virtual THofTables Tables() const = 0;
    virtual void SetTables(const THofTables &tables) = 0;
    // Reads the options file at path on its own, the options untouched:
    // true when it reads whole, its Hall of Fame then in tables.
    virtual bool ReadFile(const QString &path, THofTables &tables) const = 0;
    // Writes the options whole at path through a temporary file beside it;
    // false when any write, the flush or the commit fails (the old file
    // stays).
    virtual bool WriteFile(const QString &path) = 0;
};

class TOptionsKeeper {
public:
    // Why the last save did not write: "Save Options failure! - " + path of
    // the file that could not be written, or, for a save put off, what the
    // player is told of it. Empty after a success.
    QString saveFailure;

    // The last save was put off: another game held the lock of the options
    // file, so nothing was written. What it had to save stays in the
    // record; the next save or the close tries again.
    bool PutOff() const { return !putOffFile.isEmpty(); }
    // For the close of a save put off: the question whether to try again.
    QString CloseQuestion() const;
    // Something is left to save: a save put off, or values the settings
    // store could not take yet.
    bool Pending() const { return PutOff() || storePending || blockPending; }

    // Tables the player cleared since the last save that wrote: the save
    // writes each as the record holds it, whatever the file holds then.
    void MarkCleared(int table);

    // What a save has to tell the player once, beside any failure: a file
    // that was kept under a new name before it was written over, options
    // saved elsewhere because the file meant for them is no options file,
    // or settings the settings store did not take.
    QString TakeNotice();                 // the notice, which is then empty
    void AddNotice(const QString &text);  // one more line of it
    bool HasNotice() const { return !notice.isEmpty() || !busyStore.isEmpty(); }

    // Options files read only in part this run (absolute paths): kept
    // beside themselves before the first write over them.
    void MarkReadInPart(const QString &path);
    bool ReadInPart(const QString &path) const;

    // A file the options were meant for that is no options file; it is
    // left alone and named in the notice of the next save.
    QString foreignFile;

    // The Hall of Fame as the options file held it when it was read, or as
    // it was last written or merged with.
    THofTables fileTables;

    // The settings-store values (the options file's path, the interface
    // block) wait for a store another game held.
    bool storePending = false;
    bool blockPending = false;
    // The store file whose lock another game held at the last write of
    // those values; empty once they are written. Its line comes last in the
    // notice.
    void StoreBusy(const QString &storeFile);

    enum class Result { Saved, PutOff, Failed };

    // The whole options file, at path or, when that cannot be written, at
    // fallback; writtenTo names the file written.
    // The save takes the lock of the file (SaveLock::TFileLock) without
    // waiting: when another game holds it the save is put off and nothing
    // is written. The Hall of Fame is merged with what the file holds now.
    // Written at fallback, the file holds what path holds now with this
    // save's changes, and a fallback file older than path is replaced;
    // one changed after path was merged with as well. saveFailure names
    // path when it could not be written (fallback when path was refused).
    Result Save(TSavedOptions &options, const QString &path, const QString &fallback, QString &writtenTo);

    // Does the file start as an options file does, with the first eight
    // bytes of the version text ("quiboVer"); a shorter file only has to
    // start like them. False for anything that is not a regular file.
    static bool LooksLikeOptionsFile(const QString &path, const char *versionText);
    // Copies the file to the first of path + ".damaged", ".damaged2",
    // ".damaged3", ... that does not exist; the copy's path, empty when
    // none could be made.
    static QString KeepBeside(const QString &path);

private:
    enum class Outcome { Written, Busy, Refused, Failed };
    // One file under its lock: merged with what it holds now (or, for a
    // fallback from inUse, as Save says) and written.
    Outcome WriteOver(TSavedOptions &options, const QString &path, const QString &inUse);
    // Merges the options' tables with the options file at path when it
    // reads whole; marks it read in part otherwise.
    void MergeWith(TSavedOptions &options, const QString &path);

    QString notice;
    QStringList readInPart;
    QString putOffFile;
    QString busyStore;
    QString damagedLeft;   // a damaged file that could not be kept
    unsigned cleared = 0;
};
