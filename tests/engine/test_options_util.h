// Shared pieces of the options tests: a byte builder for hand-made options
// files, a fixture with temporary data folders and a temporary settings
// store, Hall of Fame entries added and listed, a second game in a child
// process that holds a lock, and the superuser made to obey permissions.
#pragma once

#include "RegStore.h"
#include "TSettings.h"
#include "environment_util.h"
#include "lock_holder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>
#include <QVector>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// Little-endian fields in the options file's order.
class OptBytes {
public:
    OptBytes &Raw(const QByteArray &b) { bytes += b; return *this; }
    OptBytes &Text14(const char *t)
    {
        char b[14] = {};
        std::memcpy(b, t, std::min<size_t>(strlen(t), 14));
        bytes.append(b, 14);
        return *this;
    }
    OptBytes &Int(int32_t v)
    {
        const uint32_t u = uint32_t(v);
        for (int i = 0; i < 4; ++i)
            bytes.append(char(uint8_t(u >> (8 * i))));
        return *this;
    }
    OptBytes &Flag(int v) { bytes.append(char(v)); return *this; }
    OptBytes &Float(float f)
    {
        int32_t u;
        std::memcpy(&u, &f, 4);
        return Int(u);
    }
    OptBytes &Str(const QByteArray &s) { Int(int32_t(s.size())); bytes += s; return *this; }
    const QByteArray &Get() const { return bytes; }

private:
    QByteArray bytes;
};

// What one hand-made options file holds.
struct OptFileSpec {
    const char *version = "quiboVer01.70";
    int32_t gameType = 2;
    int32_t levels = 5;
    float side = 0.25f, top = 0.25f;
    int32_t faceBase = 0x010101;     // face colour f is faceBase * (f + 1)
    int32_t colorSet = 1;
    QVector<QByteArray> colorSets;   // names; colours are (set index + 1) * 16 + face
    QByteArray facePrefix = "face";  // face picture files facePrefix + f
    int32_t imageSet = 1;
    QVector<QByteArray> imageSets;   // names; files name + "_" + k
    int32_t tables = 4, entries = 10;
    int32_t hofBase = 1000;          // score of entry e of table t: hofBase + 100 t + e
    QByteArray hofNamePrefix = "P";  // names prefix + t + e; entry 3 of each table empty
    bool hofLevels = true;
};

inline QByteArray BuildOptionsFile(const OptFileSpec &s)
{
    OptBytes b;
    b.Text14(s.version).Int(s.gameType).Int(s.levels).Flag(0).Flag(1).Float(s.side).Float(s.top);
    b.Flag(1).Flag(0).Int(0x102030).Str("").Flag(0).Flag(1);
    for (int f = 0; f < 6; ++f)
        b.Int(s.faceBase * (f + 1));
    b.Int(s.colorSet).Int(int32_t(s.colorSets.size()));
    for (int i = 0; i < s.colorSets.size(); ++i) {
        b.Str(s.colorSets[i]);
        for (int k = 0; k < 6; ++k)
            b.Int((i + 1) * 16 + k);
    }
    for (int f = 0; f < 6; ++f)
        b.Str(s.facePrefix + QByteArray::number(f));
    b.Flag(1).Flag(0).Flag(1).Flag(0).Int(s.imageSet).Int(int32_t(s.imageSets.size()));
    for (const QByteArray &name : s.imageSets) {
        b.Str(name);
        for (int k = 0; k < 6; ++k)
            b.Str(name + "_" + QByteArray::number(k));
    }
    b.Int(s.tables).Int(s.entries);
    for (int t = 0; t < s.tables; ++t)
        for (int e = 0; e < s.entries; ++e) {
            b.Int(s.hofBase + 100 * t + e);
            b.Str(e == 3 ? QByteArray() : s.hofNamePrefix + QByteArray::number(t) + QByteArray::number(e));
            if (s.hofLevels)
                b.Int(2 + (t + e) % 7);
        }
    return b.Get();
}

inline bool WriteBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Temporary folders for the common, user and program folders and the
// settings store; records built on them never touch the user's files.
class OptionsEnvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/";
        env = EnvironmentBelow(tmp.path());
        env.workAreaWidth = 1024;
        env.workAreaHeight = 738;
        QDir().mkpath(env.programFolder);
        QDir().mkpath(env.picturesFolder);
    }

    QString Common() const { return root + "common/quibo/"; }
    QString User() const { return root + "user/quibo/"; }
    QString Program() const { return root + "program/"; }

    std::unique_ptr<TSettings> Make() { return std::make_unique<TSettings>(env); }

    TRegKey UserKey() const
    {
        return TRegStore::InFolder(env.storeFolder).Open("Vellamor\\quibo", TRegScope::User);
    }
    // The machine's store is read only for the game; tests fill its file.
    void SetMachineValue(const QString &name, const QVariant &value) const
    {
        QSettings s(env.storeFolder + "/system/Vellamor/quibo.ini", QSettings::IniFormat);
        s.setValue(name, value);
        s.sync();
    }
    void SetUserString(const QString &name, const QString &value) const
    {
        TRegKey k = UserKey();
        ASSERT_TRUE(k.WriteString(name, value));
        ASSERT_TRUE(k.Flush());
    }
    void SetUserBinary(const QString &name, const QByteArray &value) const
    {
        TRegKey k = UserKey();
        ASSERT_TRUE(k.WriteBinary(name, value.constData(), int(value.size())));
        ASSERT_TRUE(k.Flush());
    }
    QString UserString(const QString &name) const
    {
        QString v;
        return UserKey().ReadString(name, v) ? v : QString();
    }

    QTemporaryDir tmp;
    QString root;
    TSettings::Environment env;
};

// Adds an entry to table t the way the Hall of Fame dialog does: into the
// first entry holding the table's lowest score.
inline void AddEntry(TSettings &s, int t, const QString &name, int score, int levels)
{
    int j = 0;
    for (int e = 1; e < 10; ++e)
        if (s.hofScore[t][e] < s.hofScore[t][j])
            j = e;
    s.hofNames[t].resize(10);
    s.hofNames[t][j] = name;
    s.hofScore[t][j] = score;
    s.hofLevels[t][j] = levels;
}

// The entries of table t as "name score levels", in entry order.
inline QStringList Entries(const TSettings &s, int t)
{
    QStringList list;
    for (int e = 0; e < 10; ++e)
        if (e < s.hofNames[t].size() && !s.hofNames[t][e].isEmpty())
            list << QStringLiteral("%1 %2 %3").arg(s.hofNames[t][e]).arg(s.hofScore[t][e]).arg(s.hofLevels[t][e]);
    return list;
}

// Takes from this thread the power to write where file permissions forbid
// it, so a read-only folder is read-only for the superuser too.
class NoPermissionOverride {
public:
    NoPermissionOverride()
    {
        if (syscall(SYS_capget, &header, data) != 0)
            return;
        saved = data[0].effective;
        data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active = syscall(SYS_capset, &header, data) == 0;
    }
    ~NoPermissionOverride()
    {
        if (!active)
            return;
        data[0].effective = saved;
        syscall(SYS_capset, &header, data);
    }
    NoPermissionOverride(const NoPermissionOverride &) = delete;
    NoPermissionOverride &operator=(const NoPermissionOverride &) = delete;

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    uint32_t saved = 0;
    bool active = false;
};
