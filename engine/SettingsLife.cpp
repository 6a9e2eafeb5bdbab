// The full start-up construction of the settings record from its
// environment.
#include "TSettings.h"

#include "HelpSound.h"
#include "RegStore.h"
#include "TDib.h"
#include "TImgUt.h"

#include <new>

TSettings::TSettings(const Environment &env)
    : TSettings()
{
    environment = env;

    TRegStore store = env.storeFolder.isEmpty() ? TRegStore()
                                                          : TRegStore::InFolder(env.storeFolder);
    if (!env.picturesFolder.isEmpty())
        store.SetPicturesDir(env.picturesFolder);
    imgUt = new (std::nothrow) VlmImgUt::TImgUt(QStringLiteral("Vellamor\\quibo"), store);
    VlmImgUt::TImgUt::CopyStr("quiboVer01.70", versionText, sizeof versionText);

    FindDataFolders();
    // Saved games go to the common folder where it can be written.
    gameFolder = TEnvironment::FolderWritable(commonFolder) ? commonFolder : userFolder;

    helpFile = env.ProgramFolder() + QStringLiteral("quibo.chm");
    HelpSound::StartHelp(*this);

    renderBuffer = new (std::nothrow) VlmImgUt::TDib;
    if (renderBuffer) {
        renderBuffer->SetBrush(0);
        renderBuffer->SetPen(0, 1);
    }

    // Ten Hall of Fame entries per game type, by position.
    for (QVector<QString> &names : hofNames)
        names.resize(10);

    LoadOptions();

    gameTypeAtLoad = gameType;
    levelsAtLoad = levels;
    bonusBoxesAtLoad = bonusBoxes;
    badBoxesAtLoad = badBoxes;
}
