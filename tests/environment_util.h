// The game's folders below one temporary folder, so that records built on
// them never touch the user's files.
#pragma once

#include "TSettings.h"

#include <QString>

// Common and user data folders, program folder, settings store and picture
// folder below folder; nothing is made on disk.
inline TSettings::Environment EnvironmentBelow(const QString &folder)
{
    TSettings::Environment env;
    const QString root = folder + QStringLiteral("/");
    env.commonDataFolder = root + QStringLiteral("common");
    env.userDataFolder = root + QStringLiteral("user");
    env.programFolder = root + QStringLiteral("program");
    env.storeFolder = root + QStringLiteral("store");
    env.picturesFolder = root + QStringLiteral("pictures");
    return env;
}
