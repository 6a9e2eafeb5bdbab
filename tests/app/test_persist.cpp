// The game keeps what the player chose between two runs of the program,
// through the real start-up path (data folders from the environment, the
// platform's settings store) pointed at a temporary home.
#include "Prompts.h"
#include "SaveLock.h"
#include "Sound.h"
#include "TSettings.h"
#include "TboxScr.h"
#include "engine/test_options_util.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class TemporaryHome {
public:
    TemporaryHome()
    {
        const QString root = dir.path();
        for (const char *var : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_DATA_DIRS"})
            saved.emplace_back(var, qgetenv(var));
        qputenv("HOME", root.toUtf8());
        qputenv("XDG_DATA_HOME", (root + "/.local/share").toUtf8());
        qputenv("XDG_CONFIG_HOME", (root + "/.config").toUtf8());
        qputenv("XDG_DATA_DIRS", (root + "/system-share").toUtf8());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, root + "/.config");
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, root + "/etc-xdg");
    }
    ~TemporaryHome()
    {
        for (auto &[var, value] : saved)
            qputenv(var, value);
    }
    QString Path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    std::vector<std::pair<const char *, QByteArray>> saved;
};

// One run of the program: the window as main() builds it, shown, then
// closed the way the player closes it.
void RunOnce(const std::function<void(TboxScr &)> &play)
{
    TboxScr w;
    w.show();
    QCoreApplication::processEvents();
    play(w);
    w.close();
    QCoreApplication::processEvents();
}

} // namespace

TEST(Persistence, GameTypeAndLevelsSurviveARestart)
{
    TemporaryHome home;
    Snd::SetRecorder([](const QString &) {});
    SetPromptAnswerer([](const QString &) { return true; });

    RunOnce([](TboxScr &w) {
        // The player picks "Jumbled Pyramid" and 6 levels in the panel.
        w.panel.gameTypeDrop.setCurrentIndex(2);
        emit w.panel.gameTypeDrop.activated(2);
        w.panel.levelsDrop.setCurrentIndex(4);
        emit w.panel.levelsDrop.activated(4);
        EXPECT_EQ(w.settings->gameType, 3);
        EXPECT_EQ(w.settings->levels, 6);
    });

    // The options file went to a data folder of the temporary home (the
    // common one when it can be written, else the user's).
    EXPECT_TRUE(QFileInfo::exists(home.Path() + "/system-share/quibo/boxOpts.pcg") ||
                QFileInfo::exists(home.Path() + "/.local/share/quibo/boxOpts.pcg"));

    RunOnce([](TboxScr &w) {
        EXPECT_EQ(w.settings->gameType, 3);
        EXPECT_EQ(w.settings->levels, 6);
        EXPECT_EQ(w.panel.gameTypeDrop.GetIndex(), 2);
        EXPECT_EQ(w.panel.levelsDrop.GetIndex(), 4);
    });

    Snd::SetRecorder(nullptr);
    SetPromptAnswerer(nullptr);
}

// The prompts of the runs, answered yes unless answer says otherwise, and
// no sounds, while it lives; the answerer and the recorder go with it,
// also when a test returns early.
struct PromptsTold {
    QStringList told;
    std::function<bool(const QString &)> answer;
    PromptsTold()
    {
        Snd::SetRecorder([](const QString &) {});
        SetPromptAnswerer([this](const QString &text) {
            told << text;
            return answer ? answer(text) : true;
        });
    }
    ~PromptsTold()
    {
        Snd::SetRecorder(nullptr);
        SetPromptAnswerer(nullptr);
    }
    PromptsTold(const PromptsTold &) = delete;
    PromptsTold &operator=(const PromptsTold &) = delete;
};

TEST(Persistence, ADamagedOptionsFileIsKeptAndThePlayerToldOnce)
{
    TemporaryHome home;
    PromptsTold prompts;
    QStringList &told = prompts.told;

    // A Hall of Fame of 36 names behind an image set whose name length is
    // broken: the reader stops before the names.
    OptFileSpec spec;
    spec.imageSets = {"Sunsets"};
    QByteArray bytes = BuildOptionsFile(spec);
    bytes[bytes.indexOf("Sunsets") - 1] = char(0x7F);
    const QString file = home.Path() + "/.local/share/quibo/boxOpts.pcg";
    ASSERT_TRUE(WriteBytes(file, bytes));

    RunOnce([](TboxScr &w) {
        EXPECT_TRUE(w.settings->hofNames[0][0].isEmpty());
        w.panel.gameTypeDrop.setCurrentIndex(2);
        emit w.panel.gameTypeDrop.activated(2);
    });
    EXPECT_EQ(told, QStringList{"Options file damaged! - kept as " + file + ".damaged"});
    // The copy holds the damaged file as it was, names the reader never
    // reached included; the file now is one the run wrote anew, without them.
    const QByteArray kept = ReadBytes(file + ".damaged");
    const QByteArray now = ReadBytes(file);
    EXPECT_EQ(kept, bytes);
    ASSERT_FALSE(now.isEmpty());
    EXPECT_NE(now, bytes);
    for (int t = 0; t < 4; ++t)
        for (int e = 0; e < 10; ++e)
            if (e != 3) {
                const QByteArray name = "P" + QByteArray::number(t) + QByteArray::number(e);
                EXPECT_TRUE(kept.contains(name)) << name.constData();
                EXPECT_FALSE(now.contains(name)) << name.constData();
            }

    // The next run reads the new file and says nothing more.
    told.clear();
    RunOnce([](TboxScr &w) {
        EXPECT_EQ(w.settings->gameType, 3);
        w.panel.levelsDrop.setCurrentIndex(1);
        emit w.panel.levelsDrop.activated(1);
    });
    EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
    EXPECT_FALSE(QFileInfo::exists(file + ".damaged2"));
}

TEST(Persistence, AnOptionsFileOfNoOptionsIsKeptAndTheCloseTimeSaveWrites)
{
    QByteArray noise(1162, 0);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 131 + 7) % 256);
    const QByteArray kinds[] = {QByteArray(1162, '\0'), noise, "My notes about the cube.\n"};
    for (const QByteArray &bytes : kinds) {
        TemporaryHome home;
        PromptsTold prompts;
        QStringList &told = prompts.told;
        const QString file = home.Path() + "/.local/share/quibo/boxOpts.pcg";
        ASSERT_TRUE(WriteBytes(file, bytes));

        RunOnce([](TboxScr &w) {
            w.panel.gameTypeDrop.setCurrentIndex(3);
            emit w.panel.gameTypeDrop.activated(3);
        });
        EXPECT_EQ(told, QStringList{"Options file damaged! - kept as " + file + ".damaged"});
        EXPECT_EQ(ReadBytes(file + ".damaged"), bytes);

        told.clear();
        RunOnce([](TboxScr &w) { EXPECT_EQ(w.settings->gameType, 4); });
        EXPECT_TRUE(told.isEmpty()) << told.join('|').toStdString();
    }
}

TEST(Persistence, AtTheCloseASavePutOffByAnotherGamesLockAsksToTryAgain)
{
    for (const bool tryAgain : {true, false}) {
        SCOPED_TRACE(tryAgain ? "OK: tried again once the other let go" : "Cancel: quit without saving");
        TemporaryHome home;
        PromptsTold prompts;
        RunOnce([](TboxScr &w) {
            w.panel.gameTypeDrop.setCurrentIndex(1);
            emit w.panel.gameTypeDrop.activated(1);
        });
        QString file = home.Path() + "/system-share/quibo/boxOpts.pcg";
        if (!QFileInfo::exists(file))
            file = home.Path() + "/.local/share/quibo/boxOpts.pcg";
        ASSERT_TRUE(QFileInfo::exists(file));
        const QByteArray before = ReadBytes(file);

        // Another game holds the lock when this one quits.
        auto other = std::make_unique<SaveLock::TFileLock>(file);
        ASSERT_EQ(other->TryOnce(), SaveLock::State::Held);
        prompts.told.clear();
        prompts.answer = [&](const QString &) {
            if (tryAgain)
                other.reset();
            return tryAgain;
        };
        RunOnce([](TboxScr &w) {
            w.panel.gameTypeDrop.setCurrentIndex(3);
            emit w.panel.gameTypeDrop.activated(3);
        });
        EXPECT_EQ(prompts.told, QStringList{"Options not saved yet - " + file
                                            + " is in use by another game.\nOK tries again; Cancel quits without "
                                              "saving them."});
        if (tryAgain) {
            EXPECT_NE(ReadBytes(file), before);
        } else {
            EXPECT_EQ(ReadBytes(file), before);
        }
        other.reset();
        prompts.told.clear();
        prompts.answer = nullptr;
        RunOnce([&](TboxScr &w) { EXPECT_EQ(w.settings->gameType, tryAgain ? 4 : 2); });
        EXPECT_TRUE(prompts.told.isEmpty()) << prompts.told.join('|').toStdString();
    }
}
