#include "Sound.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace Snd {
namespace {

std::function<void(const QString &)> &Recorder()
{
    static std::function<void(const QString &)> r;
    return r;
}

// One effect per sound, kept for the process; the last one started is
// stopped when another starts, so only one plays at a time.
struct Player {
    QHash<QString, QSoundEffect *> effects;
    QSoundEffect *playing = nullptr;
    int hasDevice = -1;

    bool DeviceAvailable()
    {
        if (hasDevice < 0)
            hasDevice = QMediaDevices::audioOutputs().isEmpty() ? 0 : 1;
        return hasDevice == 1;
    }
};

Player &ThePlayer()
{
    static Player p;
    return p;
}

} // namespace

void SetRecorder(std::function<void(const QString &)> recorder)
{
    Recorder() = std::move(recorder);
}

void PlayResource(const QString &name)
{
    if (Recorder()) {
        Recorder()(name);
        return;
    }
    Player &p = ThePlayer();
    if (!QCoreApplication::instance() || !p.DeviceAvailable())
        return;
    const QString path = QStringLiteral(":/sounds/%1.wav").arg(name);
    if (!QFile::exists(path))
        return;
    QSoundEffect *fx = p.effects.value(name);
    if (!fx) {
        fx = new QSoundEffect(QCoreApplication::instance());
        fx->setSource(QUrl(QStringLiteral("qrc") + path));
        p.effects.insert(name, fx);
    }
    if (p.playing && p.playing != fx)
        p.playing->stop();
    fx->stop();
    fx->play();
    p.playing = fx;
}

} // namespace Snd
