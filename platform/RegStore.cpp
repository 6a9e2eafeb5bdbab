#include "RegStore.h"

#include <QDir>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <cstring>

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
    key.readOnly = scope == TRegScope::System;
    return key;
}

bool TRegKey::IsWritable() const
{
    return settings && !readOnly && settings->isWritable();
}

bool TRegKey::Exists(const QString &name) const
{
    return settings && settings->contains(name);
}

bool TRegKey::ReadBinary(const QString &name, void *dst, int size) const
{
    if (!settings || size < 0)
        return false;
    const QVariant v = settings->value(name);
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
    const QVariant v = settings->value(name);
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
    settings->setValue(name, QByteArray(static_cast<const char *>(src), size));
    return true;
}

bool TRegKey::WriteString(const QString &name, const QString &value)
{
    if (!IsWritable())
        return false;
    settings->setValue(name, value);
    return true;
}

bool TRegKey::Flush()
{
    if (!settings)
        return false;
    settings->sync();
    return settings->status() == QSettings::NoError;
}

