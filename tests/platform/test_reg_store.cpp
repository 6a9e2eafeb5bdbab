// The registry stand-in: subkeys to QSettings stores, scopes, value types.
#include "RegStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
