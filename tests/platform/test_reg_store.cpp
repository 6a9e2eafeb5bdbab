// The settings store: subkeys to QSettings stores, scopes, value types,
// and writes that meet another process holding the store's lock.
#include "RegStore.h"
#include "SaveLock.h"
#include "lock_holder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

TEST(RegStore, SubkeysSplitIntoOrganisationApplicationAndGroup)
{
    const struct {
        const char *subkey;
        bool ok;
        const char *org, *app, *group;
    } cases[] = {
        {"Vellamor\\quibo", true, "Vellamor", "quibo", ""},
        {"A\\B\\C\\D", true, "A", "B", "C/D"},
        {"", false, "", "", ""},
    };
    for (const auto &c : cases) {
        QString org, app, group;
        ASSERT_EQ(TRegStore::SplitSubkey(c.subkey, org, app, group), c.ok) << c.subkey;
        if (!c.ok)
            continue;
        EXPECT_EQ(org, QString(c.org));
        EXPECT_EQ(app, QString(c.app));
        EXPECT_EQ(group, QString(c.group));
    }
}

TEST(RegStore, SystemScopeIsReadOnlyAndValuesKeepTheirType)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const TRegStore store = TRegStore::InFolder(tmp.path());

    TRegKey sys = store.Open("Vellamor\\quibo", TRegScope::System);
    ASSERT_TRUE(sys.IsOpen());
    EXPECT_FALSE(sys.IsWritable());
    EXPECT_FALSE(sys.WriteString("BoxOptn", "x"));
    EXPECT_FALSE(sys.WriteBinary("BoxOptn", "x", 1));
    QString s;
    EXPECT_FALSE(sys.ReadString("BoxOptn", s));

    {
        TRegKey user = store.Open("Vellamor\\quibo", TRegScope::User);
        ASSERT_TRUE(user.IsWritable());
        EXPECT_TRUE(user.WriteBinary("boxOps", "abcd", 4));
        EXPECT_TRUE(user.WriteString("BoxOpts", "/a/b"));
        EXPECT_TRUE(user.Flush());
    }
    EXPECT_TRUE(QFile::exists(tmp.path() + "/user/Vellamor/quibo.ini"));
    const TRegKey user = store.Open("Vellamor\\quibo", TRegScope::User);
    char four[4] = {}, three[3] = {'x', 'x', 'x'};
    EXPECT_TRUE(user.ReadBinary("boxOps", four, 4));
    EXPECT_EQ(QByteArray(four, 4), QByteArray("abcd"));
    EXPECT_FALSE(user.ReadBinary("boxOps", three, 3)) << "another length";
    EXPECT_EQ(QByteArray(three, 3), QByteArray("xxx"));
    EXPECT_FALSE(user.ReadBinary("BoxOpts", four, 4)) << "a text is no binary value";
    EXPECT_TRUE(user.ReadString("BoxOpts", s));
    EXPECT_EQ(s, QString("/a/b"));
    EXPECT_FALSE(user.Exists("BoxSet"));
}

// Milliseconds of waiting for locks while f ran.
template <class F>
long long WaitedDuring(F f)
{
    const long long before = SaveLock::WaitedMs();
    f();
    return SaveLock::WaitedMs() - before;
}

TEST(RegStore, AFlushWhileAStoppedProcessHoldsTheStoresLockWritesNothingAndKeepsItsChanges)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const TRegStore store = TRegStore::InFolder(tmp.path());
    const QString file = tmp.path() + "/user/Vellamor/quibo.ini";
    {
        // Values another game stored before.
        TRegKey key = store.Open("Vellamor\\quibo", TRegScope::User);
        ASSERT_TRUE(key.WriteString("SaveDir", "/pictures"));
        ASSERT_TRUE(key.WriteBinary("ImgOpts", "abc", 3));
        ASSERT_TRUE(key.Flush());
    }
    QFile stored(file);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray before = stored.readAll();
    stored.close();

    // A process stopped inside its write of the store, holding the lock
    // QSettings takes.
    auto held = std::make_shared<std::unique_ptr<QLockFile>>();
    LockHolder holder(
        LockHolder::Kind::Stopped,
        [held, file] {
            *held = std::make_unique<QLockFile>(file + ".lock");
            return (*held)->tryLock(0);
        },
        [held] { (*held)->unlock(); });
    ASSERT_TRUE(holder.Holding());

    TRegKey key = store.Open("Vellamor\\quibo", TRegScope::User);
    ASSERT_TRUE(key.WriteString("BoxOpts", "/a/b"));
    bool flushed = true;
    EXPECT_EQ(WaitedDuring([&] { flushed = key.Flush(); }), (SaveLock::Tries - 1) * SaveLock::RetryMs);
    EXPECT_FALSE(flushed);
    EXPECT_TRUE(key.Busy());
    EXPECT_TRUE(key.HasChanges());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_EQ(stored.readAll(), before);
    stored.close();
    QString value;
    EXPECT_TRUE(key.ReadString("BoxOpts", value));
    EXPECT_EQ(value, QString("/a/b"));

    // A value written as it is stored changes nothing and needs no lock.
    {
        TRegKey same = store.Open("Vellamor\\quibo", TRegScope::User);
        ASSERT_TRUE(same.WriteString("SaveDir", "/pictures"));
        EXPECT_FALSE(same.HasChanges());
        EXPECT_EQ(WaitedDuring([&] { EXPECT_TRUE(same.Flush()); }), 0);
    }

    ASSERT_TRUE(holder.GoAndEnd());
    EXPECT_TRUE(key.Flush());
    EXPECT_FALSE(key.Busy());
    EXPECT_FALSE(key.HasChanges());
    const TRegKey again = store.Open("Vellamor\\quibo", TRegScope::User);
    EXPECT_TRUE(again.ReadString("BoxOpts", value));
    EXPECT_EQ(value, QString("/a/b"));
    EXPECT_TRUE(again.ReadString("SaveDir", value));
    EXPECT_EQ(value, QString("/pictures"));
    char three[3] = {};
    EXPECT_TRUE(again.ReadBinary("ImgOpts", three, 3));
    EXPECT_EQ(QByteArray(three, 3), QByteArray("abc"));
    EXPECT_EQ(QDir(QFileInfo(file).absolutePath()).entryList(QDir::Files | QDir::Hidden), QStringList{"quibo.ini"});
}

TEST(RegStore, AWriteKeepsTheStoresLinkAndPermissions)
{
    // The store kept elsewhere behind a link, readable only by its owner:
    // a write goes through the link into that file and keeps its mode.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const TRegStore store = TRegStore::InFolder(tmp.path());
    const QString file = tmp.path() + "/user/Vellamor/quibo.ini";
    const QString real = tmp.path() + "/elsewhere.ini";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    QFile make(real);
    ASSERT_TRUE(make.open(QIODevice::WriteOnly));
    make.write("[General]\nSaveDir=/pictures\n");
    make.close();
    ASSERT_TRUE(QFile::setPermissions(real, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::link(real, file));

    {
        TRegKey key = store.Open("Vellamor\\quibo", TRegScope::User);
        ASSERT_TRUE(key.WriteString("BoxOpts", "/a/b"));
        ASSERT_TRUE(key.Flush());
    }
    EXPECT_TRUE(QFileInfo(file).isSymLink());
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    EXPECT_EQ(QFileInfo(real).permissions() & others, QFileDevice::Permissions());
    EXPECT_TRUE(QFileInfo(real).permissions() & QFileDevice::WriteOwner);
    const TRegKey key = store.Open("Vellamor\\quibo", TRegScope::User);
    QString value;
    EXPECT_TRUE(key.ReadString("BoxOpts", value));
    EXPECT_EQ(value, QString("/a/b"));
    EXPECT_TRUE(key.ReadString("SaveDir", value));
    EXPECT_EQ(value, QString("/pictures"));
}
