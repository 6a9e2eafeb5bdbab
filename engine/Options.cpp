// Where the options live and how they come together: the settings-store
// values, the data folders, the search for the options files, the merge of
// the installation and the user file, the interface block, the default
// colour set and the saves of the options through the record's keeper.
#include "TSettings.h"

#include "OptionsFile.h"
#include "RegStore.h"
#include "TDib.h"
#include "TImgUt.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <memory>

namespace {

const char OptionsFileName[] = "boxOpts.pcg";
const char InstallFileName[] = "boxOptn.pcg";
const char StoreKey[] = "Vellamor\\quibo";


// The game's key in the settings store; none for a record without the
// image-library context (the bare record touches no store).
TRegKey OpenKey(const TSettings &s, TRegScope scope)
{
    if (!s.imgUt)
        return TRegKey();
    return s.imgUt->Store().Open(QString::fromLatin1(StoreKey), scope);
}

// A stored path, one terminating NUL dropped; kept only when the file exists.
QString StoredFile(const TRegKey &key, const char *name)
{
    QString path;
    if (!key.ReadString(QString::fromLatin1(name), path))
        return QString();
    if (path.endsWith(QChar(0)))
        path.chop(1);
    return !path.isEmpty() && QFileInfo(path).isFile() ? path : QString();
}

bool ValidLook(char c)
{
    return c == 'W' || c == 'S' || c == 'C';
}

bool ValidScale(char c)
{
    return c != 0 && std::strchr("nljhegcs", c) != nullptr;
}

// The record's Hall of Fame as tables, and back.
THofTables TablesOf(const TSettings &s)
{
    THofTables h;
    for (int t = 0; t < THofTables::Tables; ++t)
        for (int e = 0; e < THofTables::Entries; ++e) {
            h.score[t][e] = s.hofScore[t][e];
            h.levels[t][e] = s.hofLevels[t][e];
            h.name[t][e] = e < s.hofNames[t].size() ? s.hofNames[t][e] : QString();
        }
    return h;
}

void StoreTables(TSettings &s, const THofTables &h)
{
    for (int t = 0; t < THofTables::Tables; ++t) {
        s.hofNames[t].resize(THofTables::Entries);
        for (int e = 0; e < THofTables::Entries; ++e) {
            s.hofScore[t][e] = h.score[t][e];
            s.hofLevels[t][e] = h.levels[t][e];
            s.hofNames[t][e] = h.name[t][e];
        }
    }
}

// The record's options as its keeper saves them: a file on its own is read
// into a bare record, the record's options written whole.
class TRecordOptions final : public TSavedOptions {
public:
    explicit TRecordOptions(TSettings &settings) : s(settings) {}

    const char *VersionText() const override { return s.versionText; }
    THofTables Tables() const override { return TablesOf(s); }
    void SetTables(const THofTables &tables) override { StoreTables(s, tables); }
    bool ReadFile(const QString &path, THofTables &tables) const override
    {
        const auto file = std::make_unique<TSettings>();
        const bool whole = file->ReadOptionsFile(path);
        tables = TablesOf(*file);
        return whole;
    }
    bool WriteFile(const QString &path) override { return OptionsFile::WriteAt(s, path); }

private:
    TSettings &s;
};

} // namespace

void TSettings::FindDataFolders()
{
    const QString program = environment.ProgramFolder();
    auto folder = [&](const QString &base) {
        return TEnvironment::WithSlash(base.isEmpty() ? program : base) + QStringLiteral("quibo/");
    };
    commonFolder = folder(environment.commonDataFolder);
    userFolder = folder(environment.userDataFolder);
}

bool TSettings::FindPictureFile(QString &file, const QString &subfolder) const
{
    if (file.isEmpty() || QFileInfo::exists(file))
        return true;
    const QString name = TEnvironment::FileNamePart(file);
    if (name.isEmpty())
        return false;
    QString sub = subfolder;
    sub.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString &folder : {userFolder, commonFolder, environment.ProgramFolder()}) {
        if (folder.isEmpty())
            continue;
        const QString candidate = folder + sub + name;
        if (QFileInfo::exists(candidate)) {
            file = candidate;
            return true;
        }
    }
    return false;
}

void TSettings::MakeDefaultColorSet()
{
    colorSetNames.clear();
    colorSetColors.clear();
    for (int f = 0; f < 6; ++f)
        faceColor[f] = DefaultFaceColors[f];
    colorSet = 1;
    colorSetNames.append(QString::fromLatin1(DefaultColorSetName));
    for (int f = 0; f < 6; ++f)
        colorSetColors.append(faceColor[f] & 0xFFFFFF);
    colorSetCount = 1;
}

void TSettings::LoadOptions()
{
    optionsFile.clear();
    installOptionsFile.clear();

    installOptionsFile = StoredFile(OpenKey(*this, TRegScope::System), "BoxOptn");

    bool blockStored = false;
    uint8_t boxSet = 0;
    {
        const TRegKey key = OpenKey(*this, TRegScope::User);
        optionsFile = StoredFile(key, "BoxOpts");
        // The store may name any file: one that is no options file is
        // neither read nor written, and the folders are searched instead.
        if (!optionsFile.isEmpty() && !TOptionsKeeper::LooksLikeOptionsFile(optionsFile, versionText)) {
            optionsKeeper.foreignFile = optionsFile;
            optionsFile.clear();
        }
        if (!key.ReadBinary(QStringLiteral("BoxSet"), &boxSet, 1))
            boxSet = 0;
        uint8_t block[TInterfaceBlock::Size];
        if (key.ReadBinary(QStringLiteral("boxOps"), block, TInterfaceBlock::Size)) {
            interfaceBlock.FromBytes(block);
            blockStored = true;
        }
    }

    const QString folders[3] = {userFolder, commonFolder, environment.ProgramFolder()};
    auto search = [&](const char *name) {
        for (const QString &folder : folders) {
            if (folder.isEmpty())
                continue;
            const QString path = folder + QLatin1String(name);
            if (QFileInfo(path).isFile())
                return path;
        }
        return QString();
    };
    if (optionsFile.isEmpty())
        optionsFile = search(OptionsFileName);
    if (!optionsFile.isEmpty() && boxSet != 0)
        installOptionsFile.clear();
    else if (installOptionsFile.isEmpty())
        installOptionsFile = search(InstallFileName);
    if (!optionsFile.isEmpty() && !installOptionsFile.isEmpty()
        && QFileInfo(installOptionsFile).lastModified() < QFileInfo(optionsFile).lastModified())
        installOptionsFile.clear();

    if (!installOptionsFile.isEmpty()) {
        ReadOptionsFile(installOptionsFile);
        saveAfterLoad = true;
    }
    if (!optionsFile.isEmpty())
        ReadOptionsFile(optionsFile);
    optionsKeeper.fileTables = TablesOf(*this);

    // A stored block keeps its letters only when they are known ones.
    if (blockStored) {
        if (!ValidLook(interfaceBlock.look))
            interfaceBlock.look = 'W';
        if (interfaceBlock.buttonStyle > 1)
            interfaceBlock.buttonStyle = 0;
        if (!ValidScale(interfaceBlock.scale))
            interfaceBlock.scale = environment.FirstStartScale();
    } else {
        uint8_t zero[TInterfaceBlock::Size] = {};
        interfaceBlock.FromBytes(zero);
        interfaceBlock.programVersion = int16_t(programVersion);
        interfaceBlock.look = 'W';
        interfaceBlock.scale = environment.FirstStartScale();
    }

    if (colorSet < 1 || colorSetCount < 1)
        MakeDefaultColorSet();
    if (saveAfterLoad)
        SaveOptions();
}

bool TSettings::SaveOptions()
{
    for (int f = 0; f < 6; ++f)
        VlmImgUt::ReleaseDib(faceImageFit[f]);
    const QString userFile = userFolder.isEmpty() ? QString() : userFolder + QLatin1String(OptionsFileName);
    if (optionsFile.isEmpty()) {
        if (!commonFolder.isEmpty()) {
            QDir().mkpath(commonFolder);
            optionsFile = commonFolder + QLatin1String(OptionsFileName);
        } else {
            optionsFile = userFile;
        }
    }
    TOptionsKeeper &keeper = optionsKeeper;
    TRecordOptions options(*this);
    QString written;
    if (keeper.Save(options, optionsFile, userFile, written) != TOptionsKeeper::Result::Saved)
        return false;
    optionsFile = written;
    if (!keeper.foreignFile.isEmpty() && keeper.foreignFile != optionsFile) {
        keeper.AddNotice(QStringLiteral("Not an Options file! - ") + keeper.foreignFile
                         + QStringLiteral(" is left as it was; Options saved to ") + optionsFile);
        keeper.foreignFile.clear();
    }
    keeper.storePending = true;
    WriteStoreValues();
    return true;
}

bool TSettings::WriteStoreValues()
{
    TOptionsKeeper &keeper = optionsKeeper;
    TRegKey key = OpenKey(*this, TRegScope::User);
    if (!key.IsOpen()) {
        // No settings store to keep them in.
        keeper.storePending = keeper.blockPending = false;
        return true;
    }
    bool taken = true;
    if (keeper.storePending) {
        const uint8_t one = 1;
        taken = key.WriteString(QStringLiteral("BoxOpts"), optionsFile) && key.WriteBinary(QStringLiteral("BoxSet"), &one, 1);
    }
    if (keeper.blockPending) {
        interfaceBlock.programVersion = int16_t(programVersion);
        uint8_t block[TInterfaceBlock::Size];
        interfaceBlock.ToBytes(block);
        taken = key.WriteBinary(QStringLiteral("boxOps"), block, TInterfaceBlock::Size) && taken;
    }
    // Values as they are stored already write nothing. The store's lock
    // held by another game puts them off for the next save or the close;
    // a store that cannot be written is reported. The player is told.
    if (taken && key.Flush()) {
        keeper.storePending = keeper.blockPending = false;
        keeper.StoreBusy(QString());
        return true;
    }
    if (key.Busy()) {
        keeper.StoreBusy(key.FileName());
    } else {
        keeper.storePending = keeper.blockPending = false;
        keeper.StoreBusy(QString());
        keeper.AddNotice(QStringLiteral("Settings not saved - ") + key.FileName() + QStringLiteral(" could not be written."));
    }
    // Not tried again when the key goes.
    key = TRegKey();
    return false;
}

bool TSettings::GameSettingsChanged() const
{
    return gameType != gameTypeAtLoad || levels != levelsAtLoad || bonusBoxes != bonusBoxesAtLoad
        || badBoxes != badBoxesAtLoad;
}

bool TSettings::SaveChangedGameSettings()
{
    if (!GameSettingsChanged() && !optionsKeeper.Pending())
        return true;
    if (!optionsKeeper.PutOff() && !GameSettingsChanged()) {
        // Only settings-store values wait.
        WriteStoreValues();
        return true;
    }
    if (!SaveOptions())
        return false;
    gameTypeAtLoad = gameType;
    levelsAtLoad = levels;
    bonusBoxesAtLoad = bonusBoxes;
    badBoxesAtLoad = badBoxes;
    return true;
}

bool TSettings::SaveInterfaceBlock()
{
    optionsKeeper.blockPending = true;
    return WriteStoreValues();
}
