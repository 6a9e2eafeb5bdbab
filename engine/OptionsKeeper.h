// What the saves of the options keep and tell beside the settings record:
// files read only in part or that are no options file, kept under a new
// name before they are written over; the notices and failures for the
// player; the Hall of Fame as the file last held it, so that a save keeps
// the entries another game on the same folder saved meanwhile.
#pragma once

#include <QString>
#include <QStringList>

class TSettings;

// The four Hall of Fame tables of ten (score, name, levels) entries; an
// entry with an empty name is empty.
struct THofTables {
    // A table a game type, ten entries each.
    static constexpr int Tables = 4;
    static constexpr int Entries = 10;
    int score[Tables][Entries] = {};
    int levels[Tables][Entries] = {};
    QString name[Tables][Entries];

    static THofTables Of(const TSettings &s);
    void Into(TSettings &s) const;
    bool operator==(const THofTables &other) const;
    bool operator!=(const THofTables &other) const { return !(*this == other); }

    // The tables of a save when the file holds theirs and held base when
    // ours was read or last written: what either side added is in, what
    // either side removed is out, an entry kept once. A table of more than
    // ten keeps its best: the higher score, on equal scores the earlier
    // entry. A table the file did not change since base stays ours as it
    // is.
    static THofTables Merge(const THofTables &base, const THofTables &ours, const THofTables &theirs);
};

class TOptionsKeeper {
public:
    // "Save Options failure! - " + path of the last failed save; empty after
    // a success.
    QString saveFailure;

    // What a save has to tell the player once, beside any failure: a file
    // that was kept under a new name before it was written over, or options
    // saved elsewhere because the file meant for them is no options file.
    QString TakeNotice();                 // the notice, which is then empty
    void AddNotice(const QString &text);  // one more line of it
    bool HasNotice() const { return !notice.isEmpty(); }

    // Options files read only in part this run (absolute paths): kept
    // beside themselves before the first write over them.
    void MarkReadInPart(const QString &path);
    bool ReadInPart(const QString &path) const;

    // A file the options were meant for that is no options file; it is
    // left alone and named in the notice of the next save.
    QString foreignFile;

    // The Hall of Fame as the options file held it when it was read, or as
    // it was last written.
    THofTables fileTables;

    // The whole options file of the record at path, for a save, under a lock
    // beside it (path + ".lock") against other games on the same folder:
    // the Hall of Fame merged with what the file holds now, then written.
    // Only over an options file or where no file is; a file read only in
    // part, or one named "boxOpts.pcg" that is no options file, is first
    // kept beside itself. Another file that is no options file is refused
    // and becomes foreignFile.
    bool WriteOver(TSettings &s, const QString &path);

    // Does the file start as an options file does, with the first eight
    // bytes of the version text ("quiboVer"); a shorter file only has to
    // start like them. False for anything that is not a regular file.
    static bool LooksLikeOptionsFile(const QString &path, const char *versionText);
    // Copies the file to the first of path + ".damaged", ".damaged2",
    // ".damaged3", ... that does not exist; the copy's path, empty when
    // none could be made.
    static QString KeepBeside(const QString &path);

private:
    QString notice;
    QStringList readInPart;
};
