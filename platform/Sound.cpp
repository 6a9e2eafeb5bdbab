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

// The audio backend reports on the terminal that it found no sound server
// (when the devices are first asked for, and when a server goes away).
// Without an output the player is silent, and so are these reports; every
// other message goes on to the handler that was there before.
QtMessageHandler &PreviousHandler()
{
    static QtMessageHandler h = nullptr;
    return h;
}

void QuietAudioReports(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QLatin1String("PulseAudioService:")))
        return;
    if (PreviousHandler())
        PreviousHandler()(type, context, text);
}

// One effect per sound, kept for the process; the last one started is
// stopped when another starts, so only one plays at a time.
struct Player {
    QHash<QString, QSoundEffect *> effects;
    QSoundEffect *playing = nullptr;
    int hasDevice = -1;

    bool DeviceAvailable()
    {
        if (hasDevice < 0) {
            const QtMessageHandler previous = qInstallMessageHandler(QuietAudioReports);
            PreviousHandler() = previous;
            hasDevice = QMediaDevices::audioOutputs().isEmpty() ? 0 : 1;
            // A Qt that gives no handler back for its default one: only
            // the first question is filtered, the default returns.
            if (!previous)
                qInstallMessageHandler(nullptr);
        }
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
