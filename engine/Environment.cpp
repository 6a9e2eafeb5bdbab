// The environment of the start-up: the system's folders and screen, and
// the folder and scale questions the start-up asks of them.
#include "Environment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

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

QString TEnvironment::WithSlash(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

QString TEnvironment::ProgramFolder() const
{
    return WithSlash(programFolder);
}

char TEnvironment::FirstStartScale() const
{
    if (workAreaWidth < 0 || workAreaHeight < 0)
        return 'n';
    const int w = workAreaWidth, h = workAreaHeight - 60;
    if (w > 1670 && h > 1580)
        return 'c';
    if (w > 1330 && h > 1230)
        return 'g';
    if (w > 1120 && h > 1074)
        return 'e';
    if (w > 920 && h > 880)
        return 'h';
    if (w > 780 && h > 734)
        return 'j';
    if (w > 680 && h > 630)
        return 'l';
    return 'n';
}

bool TEnvironment::FolderWritable(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    QString p = QFileInfo(folder).absoluteFilePath();
    while (!QFileInfo::exists(p)) {
        const QString up = QFileInfo(p).absolutePath();
        if (up == p)
            return false;
        p = up;
    }
    const QFileInfo fi(p);
    return fi.isDir() && fi.isWritable();
}

QString TEnvironment::FileNamePart(const QString &path)
{
    const int cut = int(qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))));
    return path.mid(cut + 1);
}
