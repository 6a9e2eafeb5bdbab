// Where the full start-up construction of the settings record finds its
// folders, its settings store and the screen, and what it makes of them.
#pragma once

#include <QString>

// System() is the program's own; tests give temporary folders and a store
// folder, so they never touch the user's.
struct TEnvironment {
    QString commonDataFolder;  // common application-data folder; empty: none
    QString userDataFolder;    // the user's application-data folder; empty: none
    QString programFolder;     // folder of the program file
    QString storeFolder;       // settings store: empty the platform's, else INI files below it
    QString picturesFolder;    // the user's picture folder; empty the platform's
    int workAreaWidth = -1;    // the screen's available geometry; -1 when there is no screen
    int workAreaHeight = -1;

    // QStandardPaths' data folders, the program's folder, the platform's
    // settings (organisation "Vellamor", application "quibo") and the
    // primary screen.
    static TEnvironment System();

    // The program's folder with its trailing "/"; empty when none is set.
    QString ProgramFolder() const;
    // The folder with a separator at its end (none added to an empty one).
    static QString WithSlash(const QString &folder);
    // The first-start interface scale letter of the work area (its height
    // less 60 compared); "n" when there is no work area (width or height
    // < 0).
    char FirstStartScale() const;

    // A folder that exists and can be written, or that could be created.
    static bool FolderWritable(const QString &folder);
    // The file-name part of a path split at "/" and "\\".
    static QString FileNamePart(const QString &path);
};
