// Saved games: the save and load of a whole game file. Its fields go
// through the field codec (FieldCodec.h).
#pragma once

#include "FieldCodec.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QDateTime;
class TGame;
class TSettings;

// Header of a saved game: the version text, the game type and the levels.
struct TGameFileHeader {
    char versionText[14] = {};
    int32_t gameType = 0;
    int32_t levels = 0;
};

namespace GameFile {

// A local date and time as yyyymmdd followed by hhmmss (14 digits), as
// the default name of a saved game holds it.
QString TimestampText(const QDateTime &local);

} // namespace GameFile

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
