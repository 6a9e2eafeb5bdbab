// Saves of the options against another game that holds a lock: the options
// file's, stopped or writing slowly, and the settings store's; and lock
// files that hold no lock. No save writes without its lock, none waits for
// one on the window's thread, and what was put off is saved later.
#include "test_options_util.h"
#include "OptionsFile.h"

#include "SaveLock.h"

#include <QLockFile>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class OptionsLockTest : public OptionsEnvTest {
protected:
    QString File() const { return Common() + "boxOpts.pcg"; }
    QString StoreFile() const { return env.storeFolder + "/user/Vellamor/quibo.ini"; }

    // The file as the games find it at start: one entry of table 1.
    void FirstSave()
    {
        auto first = Make();
        AddEntry(*first, 1, "Old", 400, 4);
        ASSERT_TRUE(first->SaveOptions());
        ASSERT_EQ(first->optionsFile, File());
    }
};

// Milliseconds the save's thread waited for locks while it ran.
template <class Save>
long long WaitedDuring(Save save)
{
    const long long before = SaveLock::WaitedMs();
    save();
    return SaveLock::WaitedMs() - before;
}

ino_t InodeOf(const QString &path)
{
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST_F(OptionsLockTest, AGameHoldingTheLockPutsTheSaveOffAndNoEntryIsLost)
{
    FirstSave();
    const QByteArray start = ReadBytes(File());
    struct Case {
        const char *what;
        LockHolder::Kind kind;
        bool lastRound;       // the holder takes the lock as the games of the last round did
        bool retryAtClose;    // else the next save tries again
    };
    const Case cases[] = {
        {"a game of the last round stopped while it holds its lock", LockHolder::Kind::Stopped, true, true},
        {"a game stopped while it holds the lock", LockHolder::Kind::Stopped, false, false},
        {"a game whose write is slow", LockHolder::Kind::Slow, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteBytes(File(), start));
        auto b = Make();
        // A: takes the lock, reads the file, adds its entry; once let go it
        // writes what it has and lets go of the lock.
        auto oldLock = std::make_shared<std::unique_ptr<QLockFile>>();
        auto lock = std::make_shared<std::unique_ptr<SaveLock::TFileLock>>();
        auto a = std::make_shared<std::unique_ptr<TSettings>>();
        const QString file = File();
        const TSettings::Environment e = env;
        LockHolder holder(
            c.kind,
            [&c, oldLock, lock, a, file, e] {
                if (c.lastRound) {
                    *oldLock = std::make_unique<QLockFile>(file + ".lock");
                    if (!(*oldLock)->tryLock(0))
                        return false;
                } else {
                    *lock = std::make_unique<SaveLock::TFileLock>(file);
                    if ((*lock)->TryOnce() != SaveLock::State::Held)
                        return false;
                }
                *a = std::make_unique<TSettings>(e);
                AddEntry(**a, 1, "Ann", 900, 6);
                return true;
            },
            [oldLock, lock, a, file] {
                OptionsFile::WriteAt(**a, file);
                if (*oldLock)
                    (*oldLock)->unlock();
                lock->reset();
            });
        ASSERT_TRUE(holder.Holding());

        const ino_t before = InodeOf(File());
        AddEntry(*b, 1, "Bob", 800, 5);
        bool saved = true;
        EXPECT_EQ(WaitedDuring([&] { saved = b->SaveOptions(); }), (SaveLock::Tries - 1) * SaveLock::RetryMs);
        EXPECT_FALSE(saved);
        EXPECT_TRUE(b->optionsKeeper.PutOff());
        EXPECT_EQ(b->optionsKeeper.saveFailure,
                  "Options not saved yet - " + File()
                      + " is in use by another game; they are saved with the next save or when quibo closes.");
        EXPECT_EQ(InodeOf(File()), before) << "written without the lock";
        EXPECT_EQ(ReadBytes(File()), start);

        ASSERT_TRUE(holder.GoAndEnd());
        if (c.retryAtClose) {
            EXPECT_TRUE(b->SaveChangedGameSettings());
        } else {
            AddEntry(*b, 2, "Bob", 100, 5);
            EXPECT_TRUE(b->SaveOptions());
        }
        EXPECT_FALSE(b->optionsKeeper.Pending());
        EXPECT_TRUE(b->optionsKeeper.saveFailure.isEmpty());
        auto next = Make();
        EXPECT_EQ(Entries(*next, 1), (QStringList{"Old 400 4", "Bob 800 5", "Ann 900 6"}));
        EXPECT_EQ(QDir(Common()).entryList(QDir::Files), QStringList{"boxOpts.pcg"});
    }
}

TEST_F(OptionsLockTest, TheSettingsStoresLockHeldByAStoppedGameNeverStopsASave)
{
    // A game stopped inside its write of the settings store holds the lock
    // that QSettings takes.
    const QString store = StoreFile();
    QDir().mkpath(QFileInfo(store).absolutePath());
    auto heldLock = std::make_shared<std::unique_ptr<QLockFile>>();
    LockHolder holder(
        LockHolder::Kind::Stopped,
        [heldLock, store] {
            *heldLock = std::make_unique<QLockFile>(store + ".lock");
            return (*heldLock)->tryLock(0);
        },
        [heldLock] { (*heldLock)->unlock(); });
    ASSERT_TRUE(holder.Holding());

    // The first save has the options file's path to store: the file is
    // written, the store's values wait.
    auto s = Make();
    AddEntry(*s, 1, "Ann", 900, 6);
    bool saved = false;
    EXPECT_LE(WaitedDuring([&] { saved = s->SaveOptions(); }), 100);
    EXPECT_TRUE(saved) << s->optionsKeeper.saveFailure.toStdString();
    EXPECT_EQ(s->optionsKeeper.TakeNotice(), "Settings not saved - " + store + " is in use by another game.");
    EXPECT_TRUE(s->optionsKeeper.Pending());
    EXPECT_EQ(Entries(*Make(), 1), QStringList{"Ann 900 6"});
    EXPECT_TRUE(UserString("BoxOpts").isEmpty());

    ASSERT_TRUE(holder.GoAndEnd());
    EXPECT_LE(WaitedDuring([&] { saved = s->SaveChangedGameSettings(); }), 100);
    EXPECT_TRUE(saved);
    EXPECT_FALSE(s->optionsKeeper.Pending());
    EXPECT_FALSE(s->optionsKeeper.HasNotice());
    EXPECT_EQ(UserString("BoxOpts"), File());

    // Once stored, later saves have nothing for the store and need not its
    // lock.
    LockHolder again(
        LockHolder::Kind::Stopped,
        [heldLock, store] {
            *heldLock = std::make_unique<QLockFile>(store + ".lock");
            return (*heldLock)->tryLock(0);
        },
        [heldLock] { (*heldLock)->unlock(); });
    ASSERT_TRUE(again.Holding());
    AddEntry(*s, 1, "Bea", 700, 3);
    EXPECT_EQ(WaitedDuring([&] { saved = s->SaveOptions(); }), 0);
    EXPECT_TRUE(saved);
    EXPECT_FALSE(s->optionsKeeper.HasNotice());
    EXPECT_FALSE(s->optionsKeeper.Pending());
    ASSERT_TRUE(again.GoAndEnd());
    EXPECT_EQ(Entries(*Make(), 1), (QStringList{"Ann 900 6", "Bea 700 3"}));
}

TEST_F(OptionsLockTest, LockFilesThatHoldNoLockLetEverySaveLandAtOnce)
{
    struct Case {
        const char *what;
        std::function<void(const QString &lock)> make;
        bool sticky;   // the folder is shared: world-writable and sticky
        bool stays;    // the thing at the lock's name is left as it was
    };
    const Case cases[] = {
        {"a folder", [](const QString &lock) { QDir().mkpath(lock); }, false, true},
        {"a link to nowhere", [](const QString &lock) { QFile::link("no-such-file", lock); }, false, true},
        {"another user's lock left by a game that ended, in a shared folder",
         [](const QString &lock) {
             ASSERT_TRUE(WriteBytes(lock, "2147483\nquibo\nanother-host\n"));
             if (geteuid() == 0) {
                 ASSERT_EQ(chown(QFile::encodeName(lock).constData(), 65534, 65534), 0);
                 ASSERT_TRUE(QFile::setPermissions(lock, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
             } else {
                 // One this user can neither open nor, by the folder's
                 // sticky bit, would be allowed to remove if it were not
                 // its own.
                 ASSERT_TRUE(QFile::setPermissions(lock, {}));
             }
         },
         true, true},
        {"a lock just made, still empty", [](const QString &lock) { ASSERT_TRUE(WriteBytes(lock, "")); }, false,
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (const char *sub : {"common", "user", "store"})
            QDir(root + sub).removeRecursively();
        FirstSave();
        const QString lock = File() + ".lock";
        if (c.sticky) {
            ASSERT_EQ(chmod(QFile::encodeName(Common()).constData(), 01777), 0);
        }
        c.make(lock);
        const QFileInfo odd(lock);
        ASSERT_TRUE(odd.exists() || odd.isSymLink());

        auto s = Make();
        for (int save = 0; save < 2; ++save) {
            AddEntry(*s, 1, QStringLiteral("Save%1").arg(save), 500 - save, 4);
            bool saved = false;
            {
                NoPermissionOverride asUser;
                EXPECT_EQ(WaitedDuring([&] { saved = s->SaveOptions(); }), 0);
            }
            EXPECT_TRUE(saved) << s->optionsKeeper.saveFailure.toStdString();
        }
        EXPECT_EQ(Entries(*Make(), 1), (QStringList{"Old 400 4", "Save0 500 4", "Save1 499 4"}));
        EXPECT_EQ(QFileInfo(lock).exists() || QFileInfo(lock).isSymLink(), c.stays);

        // The lock still keeps games apart: one held elsewhere puts the
        // save off.
        SaveLock::TFileLock other(File());
        ASSERT_EQ(other.TryOnce(), SaveLock::State::Held);
        AddEntry(*s, 1, "Late", 300, 4);
        {
            NoPermissionOverride asUser;
            EXPECT_FALSE(s->SaveOptions());
        }
        EXPECT_TRUE(s->optionsKeeper.PutOff());
        other.Release();
        if (QFileInfo(lock).isDir())
            QDir(lock).removeRecursively();
        else
            QFile::remove(lock);
    }
}

TEST_F(OptionsLockTest, ASettingsStoreThatCannotBeWrittenIsReportedNotTakenAsSaved)
{
    // Something that is no file at the store's name: the options file is
    // saved, the store's values are not, and the player is told so.
    const QString store = StoreFile();
    ASSERT_TRUE(QDir().mkpath(store));
    auto s = Make();
    AddEntry(*s, 1, "Ann", 900, 6);
    EXPECT_TRUE(s->SaveOptions()) << s->optionsKeeper.saveFailure.toStdString();
    EXPECT_EQ(s->optionsKeeper.TakeNotice(), "Settings not saved - " + store + " could not be written.");
    EXPECT_EQ(Entries(*Make(), 1), QStringList{"Ann 900 6"});
    EXPECT_FALSE(s->SaveInterfaceBlock());
}
