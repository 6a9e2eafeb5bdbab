// Saved games: field readers and writers over a device (little-endian,
// widths from the settings' field sizes), and the save and load of a whole
// game file.
#pragma once

#include "TBoxRec.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;
class TGame;
class TSettings;

// Writes fields one by one; the first failed write clears ok() and every
// later Put does nothing.
class TFieldWriter {
public:
    TFieldWriter(QIODevice *device, const TSettings &settings);

    bool PutBytes(const void *data, int size);
    bool PutInt(int32_t value);     // intSize bytes
    bool PutFlag(bool value);       // flagSize bytes, 0 or 1
    bool PutBox(const TBoxRec &b);  // boxRecSize bytes: six ints
    bool ok() const { return good; }

private:
    QIODevice *dev;
    const TSettings &s;
    bool good;
};

// Reads fields one by one; a short read clears ok() and every later Get
// fails.
class TFieldReader {
public:
    TFieldReader(QIODevice *device, const TSettings &settings);

    bool GetBytes(void *data, int size);
    bool GetInt(int32_t &value);
    bool GetFlag(bool &value);      // one byte that must be 0 or 1
    bool GetBox(TBoxRec &b);
    bool ok() const { return good; }

private:
    QIODevice *dev;
    const TSettings &s;
    bool good;
};

// Makes the game object of a game type (1..4) for the settings; null for a
// type it does not make.
using TGameFactory = std::function<std::unique_ptr<TGame>(int gameType, TSettings *settings)>;

// Writes `game` as a saved game at `path` with the settings' gameType and
// levels in the header. The file appears, or an existing one is replaced,
// only when every field, the flush and the close succeeded; true then.
bool SaveGameFile(TSettings &settings, TGame &game, const QString &path);

// Reads the saved game at `path` into a fresh game object made by `make`
// for the file's game type (its Setup runs first, then LoadBody). On
// success the settings take the file's gameType and levels and the object
// is returned; on any failure (file not opened, header or body refused, no
// object for the type) the result is null and the settings are as they
// were.
std::unique_ptr<TGame> LoadGameFile(TSettings &settings, const QString &path, const TGameFactory &make);
