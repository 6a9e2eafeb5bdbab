// Where the full start-up construction of the settings record finds its
// folders, its settings store and the screen.
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
};
