#include "RegStore.h"

#include "SaveFile.h"
#include "SaveLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TRegStore TRegStore::InFolder(const QString &dir)
{
    TRegStore s;
    s.folder = dir;
    return s;
}

QString TRegStore::PicturesFolder() const
{
    if (!picturesDir.isEmpty())
        return picturesDir;
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

bool TRegStore::SplitSubkey(const QString &subkey, QString &org, QString &app, QString &group)
{
    const QStringList parts = subkey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    org.clear();
    app.clear();
    group.clear();
    if (parts.isEmpty())
        return false;
    org = parts[0];
    if (parts.size() > 1)
        app = parts[1];
    if (parts.size() > 2)
        group = parts.mid(2).join(QLatin1Char('/'));
    return true;
}

TRegKey TRegStore::Open(const QString &subkey, TRegScope scope) const
{
    TRegKey key;
    QString org, app, group;
    if (!SplitSubkey(subkey, org, app, group))
        return key;
    if (folder.isEmpty()) {
        key.settings = std::make_unique<QSettings>(
            QSettings::NativeFormat,
            scope == TRegScope::User ? QSettings::UserScope : QSettings::SystemScope, org, app);
        // The user's values never fall back to the machine's.
        key.settings->setFallbacksEnabled(false);
    } else {
        const QString file = folder + (scope == TRegScope::User ? "/user/" : "/system/") + org + "/"
            + (app.isEmpty() ? org : app) + ".ini";
        key.settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
    }
    if (!group.isEmpty())
        key.settings->beginGroup(group);
    key.group = group;
    key.readOnly = scope == TRegScope::System;
    return key;
}

TRegKey::~TRegKey()
{
    // Changes a Flush found the store busy for are not tried again here.
    if (!changes.isEmpty() && !busy)
        Flush();
}

QString TRegKey::FileName() const
{
    return settings ? settings->fileName() : QString();
}

const QVariant *TRegKey::Changed(const QString &name) const
{
    for (auto it = changes.crbegin(); it != changes.crend(); ++it)
        if (it->first == name)
            return &it->second;
    return nullptr;
}

void TRegKey::Set(const QString &name, const QVariant &value)
{
    const QVariant *pending = Changed(name);
    const QVariant now = pending ? *pending : settings->value(name);
    if (now.isValid() && now.typeId() == value.typeId() && now == value)
        return;
    for (auto &change : changes)
        if (change.first == name) {
            change.second = value;
            return;
        }
    changes.append({name, value});
}

bool TRegKey::IsWritable() const
{
    return settings && !readOnly && settings->isWritable();
}

bool TRegKey::Exists(const QString &name) const
{
    return settings && (Changed(name) || settings->contains(name));
}

bool TRegKey::ReadBinary(const QString &name, void *dst, int size) const
{
    if (!settings || size < 0)
        return false;
    const QVariant *pending = Changed(name);
    const QVariant v = pending ? *pending : settings->value(name);
    if (v.typeId() != QMetaType::QByteArray)
        return false;
    const QByteArray b = v.toByteArray();
    if (b.size() != size)
        return false;
    if (size > 0)
        memcpy(dst, b.constData(), size_t(size));
    return true;
}

bool TRegKey::ReadString(const QString &name, QString &out) const
{
    if (!settings)
        return false;
    const QVariant *pending = Changed(name);
    const QVariant v = pending ? *pending : settings->value(name);
    if (!v.isValid())
        return false;
    if (v.typeId() == QMetaType::QByteArray)
        out = QString::fromUtf8(v.toByteArray());
    else
        out = v.toString();
    return true;
}

bool TRegKey::WriteBinary(const QString &name, const void *src, int size)
{
    if (!IsWritable() || size < 0)
        return false;
    Set(name, QByteArray(static_cast<const char *>(src), size));
    return true;
}

bool TRegKey::WriteString(const QString &name, const QString &value)
{
    if (!IsWritable())
        return false;
    Set(name, value);
    return true;
}

namespace {

// The store file as it is with the changes written into it, committed
// through SaveFile (a link written through, the file's permissions kept).
// Run under the store's lock.
bool WriteStore(const QString &file, const QString &group, const QList<QPair<QString, QVariant>> &changes)
{
    // QSettings lays the file out in a scratch folder of its own.
    const QTemporaryDir scratch;
    if (!scratch.isValid())
        return false;
    const QString laidOut = scratch.filePath(QStringLiteral("store.conf"));
    {
        QSettings current(file, QSettings::IniFormat);
        QSettings out(laidOut, QSettings::IniFormat);
        const QStringList keys = current.allKeys();
        for (const QString &key : keys)
            out.setValue(key, current.value(key));
        for (const auto &[name, value] : changes)
            out.setValue(group.isEmpty() ? name : group + QLatin1Char('/') + name, value);
        out.sync();
        if (current.status() == QSettings::AccessError || out.status() != QSettings::NoError)
            return false;
    }
    QFile in(laidOut);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    in.close();

    const QByteArray fileName = QFile::encodeName(file);
    struct stat old;
    const bool hadOld = stat(fileName.constData(), &old) == 0;
    if (!SaveFile::Write(file, [&bytes](QIODevice &d) { return d.write(bytes) == bytes.size(); }))
        return false;
    // QSettings reads a file again only when its size or its time of
    // change (in milliseconds) differ from what it read: the new file is
    // given a later time than the one it replaced.
    struct stat now;
    if (hadOld && stat(fileName.constData(), &now) == 0) {
        const auto ms = [](const timespec &t) { return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000; };
        if (ms(now.st_mtim) <= ms(old.st_mtim)) {
            const qint64 later = ms(old.st_mtim) + 1;
            const timespec times[2] = {now.st_atim, {time_t(later / 1000), long(later % 1000) * 1000000}};
            utimensat(AT_FDCWD, fileName.constData(), times, 0);
        }
    }
    return true;
}

} // namespace

bool TRegKey::Flush()
{
    busy = false;
    if (!settings)
        return false;
    if (changes.isEmpty())
        return settings->status() == QSettings::NoError;
    if (!IsWritable())
        return false;
    const QString file = settings->fileName();
    QDir().mkpath(QFileInfo(file).absolutePath());
    // The lock QSettings::sync() takes, and would wait for without end.
    QLockFile lock(file + QStringLiteral(".lock"));
    QFileInfo lockFile(file + QStringLiteral(".lock"));
    const SaveLock::State state = SaveLock::Briefly([&lock, &lockFile] {
        if (lock.tryLock(0))
            return SaveLock::State::Held;
        // Something else than a lock file at its name is no other game's.
        lockFile.refresh();
        const bool odd = (lockFile.exists() || lockFile.isSymLink()) && (!lockFile.isFile() || lockFile.isSymLink());
        return lock.error() == QLockFile::LockFailedError && !odd ? SaveLock::State::Busy : SaveLock::State::None;
    });
    if (state != SaveLock::State::Held) {
        busy = state == SaveLock::State::Busy;
        return false;
    }
    const bool ok = WriteStore(file, group, changes);
    lock.unlock();
    if (!ok)
        return false;
    changes.clear();
    // Read again as written.
    auto again = std::make_unique<QSettings>(file, settings->format());
    again->setFallbacksEnabled(false);
    if (!group.isEmpty())
        again->beginGroup(group);
    settings = std::move(again);
    return true;
}
