// The full start-up construction of the settings record, the environment it
// draws on, and the shut-down of help when the record goes.
#include "TSettings.h"

#include "HtmlHelp.h"
#include "RegStore.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>

#include <new>

TEnvironment TEnvironment::System()
{
    TEnvironment env;
    env.userDataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    // The first data location that is not the user's own is the common one.
    const QString user = QDir::cleanPath(env.userDataFolder);
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        if (QDir::cleanPath(dir) != user) {
            env.commonDataFolder = dir;
            break;
        }
    }
    if (QCoreApplication::instance())
        env.programFolder = QCoreApplication::applicationDirPath();
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            env.workAreaWidth = area.width();
            env.workAreaHeight = area.height();
        }
    }
    return env;
}

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
    gameFolder = FolderWritable(commonFolder) ? commonFolder : userFolder;

    helpFile = ProgramFolder() + QStringLiteral("quibo.chm");
    helpCookie = 0;
    helpWindow = nullptr;
    helpOwner = nullptr;
    helpCookie = HtmlHelp::Initialize();
    helpSession.owner = this;

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

TSettings::HelpSession::~HelpSession()
{
    if (!owner || owner->helpCookie == 0)
        return;
    if (owner->helpWindow) {
        owner->helpWindow->close();
        owner->helpWindow = nullptr;
    }
    HtmlHelp::Uninitialize(owner->helpCookie);
    owner->helpCookie = 0;
}
