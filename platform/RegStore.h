// The settings store: values live in QSettings stores, one for the
// current user (HKEY_CURRENT_USER) and one read-only store for the machine
// (HKEY_LOCAL_MACHINE). A registry subkey "Vellamor\\quibo" names the
// organisation "Vellamor" and the application "quibo"; deeper levels become
// QSettings groups. Value names are kept exactly.
//
// A TRegStore says where the stores are: by default the platform's own
// QSettings locations, or (for tests) files below one folder. It also says
// where the user's picture folder is.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QVariant>
#include <QSettings>
#include <QString>
#include <memory>

enum class TRegScope { User, System };

class TRegKey;

class TRegStore {
public:
    // The platform's QSettings locations and QStandardPaths' picture folder.
    TRegStore() = default;

    // Both scopes as INI files below dir ("user/<org>/<app>.ini",
    // "system/<org>/<app>.ini"); the picture folder stays the platform's
    // unless set with SetPicturesDir.
    static TRegStore InFolder(const QString &dir);

    void SetPicturesDir(const QString &dir) { picturesDir = dir; }

    // The user's picture folder: the one set, else QStandardPaths'
    // PicturesLocation. Empty when neither gives one.
    QString PicturesFolder() const;

    // Opens the key of subkey in a scope. The system scope is read only.
    TRegKey Open(const QString &subkey, TRegScope scope) const;

    // "Vellamor\\quibo" -> "Vellamor", "quibo", no group; "A\\B\\C\\D" ->
    // "A", "B", group "C/D". An empty subkey gives false.
    static bool SplitSubkey(const QString &subkey, QString &org, QString &app, QString &group);

private:
    QString folder;       // empty: platform locations
    QString picturesDir;  // empty: QStandardPaths
};

// One open key. Reads of absent values fail; writes fail on a read-only key.
// Writes are kept in the key until Flush: a value written as it is stored
// already is no change. Flush writes the store under its lock (the one
// QSettings takes, store file + ".lock") taken without waiting on the
// window's thread: when another process holds it, nothing is written and
// the changes stay for the next Flush. The destructor flushes what is left
// unless the last Flush found the store busy.
class TRegKey {
public:
    TRegKey() = default;
    ~TRegKey();
    TRegKey(TRegKey &&) = default;
    TRegKey &operator=(TRegKey &&) = default;

    bool IsOpen() const { return bool(settings); }
    bool IsWritable() const;

    bool Exists(const QString &name) const;

    // A binary value of exactly size bytes; any other type or length fails
    // and leaves dst untouched.
    bool ReadBinary(const QString &name, void *dst, int size) const;

    // A text value; a byte-array value is taken as UTF-8, any other value as
    // its text form.
    bool ReadString(const QString &name, QString &out) const;

    bool WriteBinary(const QString &name, const void *src, int size);
    bool WriteString(const QString &name, const QString &value);

    // Writes pending changes; false when the store could not be written,
    // and Busy() tells whether that was because another process held its
    // lock. True when nothing was left to write.
    bool Flush();
    bool Busy() const { return busy; }
    bool HasChanges() const { return !changes.isEmpty(); }

    // The file of the store.
    QString FileName() const;

private:
    friend class TRegStore;
    const QVariant *Changed(const QString &name) const;
    void Set(const QString &name, const QVariant &value);

    std::unique_ptr<QSettings> settings;
    bool readOnly = true;
    bool busy = false;
    QString group;                        // the key's group in the store
    QList<QPair<QString, QVariant>> changes;   // in the order written
};

