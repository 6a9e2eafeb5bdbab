// Options loading and saving, and the full construction and destruction of
// the settings record, on temporary folders and a temporary settings store.
#include "test_options_util.h"

#include "TDib.h"
#include "TImgUt.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStandardPaths>
#include <QWidget>

#include "FileSizeLimit.h"

namespace {

void SetMTime(const QString &path, const QDateTime &when)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

// Install file: type 2, 3 levels, face colours 0x11 * (f + 1).
OptFileSpec InstallSpec()
{
    OptFileSpec s;
    s.gameType = 2;
    s.levels = 3;
    s.faceBase = 0x000011;
    s.colorSets = {"Install"};
    return s;
}

// User file: type 4, 6 levels, face colours 0x2200 * (f + 1).
OptFileSpec UserSpec(int levels = 6)
{
    OptFileSpec s;
    s.gameType = 4;
    s.levels = levels;
    s.faceBase = 0x002200;
    s.colorSets = {"User"};
    return s;
}

} // namespace

class OptionsLoadTest : public OptionsEnvTest {};

TEST(OptionsScale, FirstStartScaleFromWorkArea)
{
    struct Case {
        int w, h;
        char scale;
    };
    const Case cases[] = {
        {1920, 1040, 'h'}, {1024, 738, 'l'}, {800, 600, 'n'},  {3840, 2100, 'c'}, {2560, 1600, 'g'},
        {1400, 1135, 'e'}, {1400, 1134, 'h'}, {1280, 1024, 'h'}, {900, 800, 'j'},  {1366, 768, 'l'},
        {681, 691, 'l'},   {680, 691, 'n'},   {681, 690, 'n'},  {0, 0, 'n'},      {-1, -1, 'n'},
    };
    for (const Case &c : cases) {
        TEnvironment env;
        env.workAreaWidth = c.w;
        env.workAreaHeight = c.h;
        EXPECT_EQ(env.FirstStartScale(), c.scale) << c.w << "x" << c.h;
    }
}

TEST_F(OptionsLoadTest, FirstStartWithNothingStored)
{
    auto s = Make();
    EXPECT_EQ(s->gameType, 1);
    EXPECT_EQ(s->levels, 4);
    EXPECT_TRUE(s->bonusBoxes);
    EXPECT_TRUE(s->badBoxes);
    EXPECT_EQ(s->backgroundColor, 0x242424);
    EXPECT_EQ(s->boxSize, 44);
    EXPECT_EQ(s->sideDepth, 11);
    EXPECT_EQ(s->topDepth, 11);
    EXPECT_EQ(std::string(s->versionText), "quiboVer01.70");
    EXPECT_EQ(s->colorSetNames, QVector<QString>{"Primary Colors"});
    EXPECT_EQ(s->colorSet, 1);
    EXPECT_EQ(s->colorSetCount, 1);
    const Color primary[6] = {0x800000, 0x000080, 0x800080, 0x008000, 0x00FFFF, 0x1166EE};
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(s->faceColor[f], primary[f]);
        EXPECT_EQ(s->colorSetColors[f], primary[f]);
    }
    EXPECT_EQ(s->interfaceBlock.look, 'W');
    EXPECT_EQ(s->interfaceBlock.scale, 'l'); // 1024 x 738
    EXPECT_EQ(s->interfaceBlock.buttonStyle, 0);
    EXPECT_EQ(s->interfaceBlock.programVersion, 170);
    EXPECT_EQ(s->gameTypeAtLoad, 1);
    EXPECT_EQ(s->levelsAtLoad, 4);
    EXPECT_TRUE(s->optionsFile.isEmpty());
    EXPECT_TRUE(s->installOptionsFile.isEmpty());
    EXPECT_FALSE(s->saveAfterLoad);

    EXPECT_EQ(s->commonFolder, Common());
    EXPECT_EQ(s->userFolder, User());
    EXPECT_EQ(s->gameFolder, Common());
    EXPECT_EQ(s->helpFile, Program() + "quibo.chm");
    EXPECT_NE(s->helpCookie, 0u);
    ASSERT_NE(s->imgUt, nullptr);
    EXPECT_EQ(s->imgUt->subkey, "Vellamor\\quibo");
    ASSERT_NE(s->renderBuffer, nullptr);
    EXPECT_EQ(s->renderBuffer->width, 1);
    EXPECT_NE(s->renderBuffer->brush, nullptr);
    EXPECT_EQ(s->renderBuffer->brushColor, 0u);
    EXPECT_NE(s->renderBuffer->pen, nullptr);
    EXPECT_EQ(s->renderBuffer->penColor, 0u);
    EXPECT_EQ(s->renderBuffer->penWidth, 1);
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(s->hofNames[t].size(), 10);

    // Nothing was written.
    EXPECT_FALSE(QFileInfo::exists(Common() + "boxOpts.pcg"));
    EXPECT_FALSE(QFileInfo::exists(User() + "boxOpts.pcg"));
    EXPECT_FALSE(UserKey().Exists("BoxOpts"));
    EXPECT_FALSE(UserKey().Exists("BoxSet"));
    EXPECT_FALSE(UserKey().Exists("boxOps"));
}

TEST_F(OptionsLoadTest, NoScreenGivesNormalScale)
{
    env.workAreaWidth = env.workAreaHeight = -1;
    EXPECT_EQ(Make()->interfaceBlock.scale, 'n');
}

TEST_F(OptionsLoadTest, MissingFoldersFallBackToProgramFolder)
{
    env.commonDataFolder.clear();
    env.userDataFolder.clear();
    auto s = Make();
    EXPECT_EQ(s->commonFolder, Program() + "quibo/");
    EXPECT_EQ(s->userFolder, Program() + "quibo/");
}

TEST_F(OptionsLoadTest, UserFileSearchOrder)
{
    struct Case {
        bool user, common, program;
        int levelsRead;     // 0: none
    };
    // The levels of the file tell which one was read: user 6, common 5, program 7.
    const Case cases[] = {
        {true, true, true, 6}, {false, true, true, 5}, {false, false, true, 7},
        {true, false, true, 6}, {false, false, false, 4},
    };
    for (const Case &c : cases) {
        QDir(root + "user").removeRecursively();
        QDir(root + "common").removeRecursively();
        QFile::remove(Program() + "boxOpts.pcg");
        if (c.user) {
            ASSERT_TRUE(WriteBytes(User() + "boxOpts.pcg", BuildOptionsFile(UserSpec(6))));
        }
        if (c.common) {
            ASSERT_TRUE(WriteBytes(Common() + "boxOpts.pcg", BuildOptionsFile(UserSpec(5))));
        }
        if (c.program) {
            ASSERT_TRUE(WriteBytes(Program() + "boxOpts.pcg", BuildOptionsFile(UserSpec(7))));
        }
        auto s = Make();
        EXPECT_EQ(s->levels, c.levelsRead) << c.user << c.common << c.program;
        EXPECT_EQ(s->levelsAtLoad, c.levelsRead);
    }
}

TEST_F(OptionsLoadTest, StoredPathWinsOnlyWhileItsFileExists)
{
    ASSERT_TRUE(WriteBytes(User() + "boxOpts.pcg", BuildOptionsFile(UserSpec(6))));
    const QString elsewhere = root + "elsewhere/mine.pcg";
    ASSERT_TRUE(WriteBytes(elsewhere, BuildOptionsFile(UserSpec(8))));
    SetUserString("BoxOpts", elsewhere);
    EXPECT_EQ(Make()->levels, 8);
    EXPECT_EQ(Make()->optionsFile, elsewhere);
    SetUserString("BoxOpts", root + "elsewhere/gone.pcg");
    EXPECT_EQ(Make()->levels, 6);
    // A terminating NUL kept by another writer is dropped.
    SetUserString("BoxOpts", elsewhere + QChar(0));
    EXPECT_EQ(Make()->levels, 8);
}

TEST_F(OptionsLoadTest, InstallationFileRules)
{
    const QDateTime base = QDateTime::currentDateTime().addDays(-2);
    struct Case {
        const char *what;
        bool userFile;
        int boxSet;          // -1: not stored
        int installAge;      // seconds after the user file's time
        bool installFromStore;
        bool installRead;
    };
    const Case cases[] = {
        {"BoxSet set: installation file not used", true, 1, 60, false, false},
        {"BoxSet clear, newer installation file", true, 0, 60, false, true},
        {"BoxSet missing, newer installation file", true, -1, 60, false, true},
        {"older installation file", true, 0, -60, false, false},
        {"same time", true, 0, 0, false, true},
        {"only an installation file, from the machine store", false, -1, 0, true, true},
        {"only an installation file, BoxSet set", false, 1, 0, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(root + "user").removeRecursively();
        QDir(root + "common").removeRecursively();
        QDir(root + "store").removeRecursively();
        QDir(root + "inst").removeRecursively();
        const QString userFile = User() + "boxOpts.pcg";
        if (c.userFile) {
            ASSERT_TRUE(WriteBytes(userFile, BuildOptionsFile(UserSpec())));
            SetMTime(userFile, base);
        }
        const QString install = c.installFromStore ? root + "inst/any.pcg" : Common() + "boxOptn.pcg";
        ASSERT_TRUE(WriteBytes(install, BuildOptionsFile(InstallSpec())));
        SetMTime(install, base.addSecs(c.installAge));
        if (c.installFromStore)
            SetMachineValue("BoxOptn", install);
        if (c.boxSet >= 0)
            SetUserBinary("BoxSet", QByteArray(1, char(c.boxSet)));
        const QByteArray userBefore = ReadBytes(userFile);

        auto s = Make();
        if (c.installRead) {
            EXPECT_EQ(s->installOptionsFile, install);
            EXPECT_TRUE(s->saveAfterLoad);
            // The first file's face colours stand; the user file supplies the rest.
            EXPECT_EQ(s->faceColor[0], 0x11);
            EXPECT_EQ(s->gameType, c.userFile ? 4 : 2);
            EXPECT_TRUE(s->colorSetNames.contains("Install"));
            // The merged options were written back at once and recorded.
            const QString written = c.userFile ? userFile : Common() + "boxOpts.pcg";
            EXPECT_EQ(s->optionsFile, written);
            EXPECT_EQ(UserString("BoxOpts"), written);
            uint8_t set = 0;
            EXPECT_TRUE(UserKey().ReadBinary("BoxSet", &set, 1));
            EXPECT_EQ(set, 1);
            TSettings again;
            ASSERT_TRUE(again.ReadOptionsFile(written));
            EXPECT_EQ(again.faceColor[0], 0x11);
            EXPECT_EQ(again.colorSetNames.size(), c.userFile ? 2 : 1);
        } else {
            EXPECT_TRUE(s->installOptionsFile.isEmpty());
            EXPECT_FALSE(s->saveAfterLoad);
            EXPECT_EQ(s->faceColor[0], 0x2200);
            EXPECT_EQ(s->gameType, 4);
            EXPECT_FALSE(s->colorSetNames.contains("Install"));
            EXPECT_EQ(ReadBytes(userFile), userBefore);
        }
    }
}

TEST_F(OptionsLoadTest, InterfaceBlockOnlyWhenStoredWhole)
{
    auto block = [](char look, char scale, uint8_t style, int size) {
        QByteArray b(size, '\0');
        b[0] = char(0xAA);
        b[2] = char(style);
        if (size > 5) {
            b[4] = look;
            b[5] = scale;
        }
        return b;
    };
    struct Case {
        const char *what;
        QByteArray stored;
        char look, scale;
        uint8_t style;
    };
    const Case cases[] = {
        {"28 bytes", block('S', 'j', 1, 28), 'S', 'j', 1},
        {"28 bytes, look C, super", block('C', 's', 0, 28), 'C', 's', 0},
        {"20 bytes: not stored", block('S', 'j', 1, 20), 'W', 'l', 0},
        {"29 bytes: not stored", block('S', 'j', 1, 29), 'W', 'l', 0},
        {"unknown look", block('Q', 'e', 1, 28), 'W', 'e', 1},
        {"unknown scale", block('S', 'z', 1, 28), 'S', 'l', 1},
        {"bad button style", block('C', 'g', 7, 28), 'C', 'g', 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetUserBinary("boxOps", c.stored);
        auto s = Make();
        EXPECT_EQ(s->interfaceBlock.look, c.look);
        EXPECT_EQ(s->interfaceBlock.scale, c.scale);
        EXPECT_EQ(s->interfaceBlock.buttonStyle, c.style);
        // Loading never writes the block back.
        QByteArray now(c.stored.size(), '\0');
        EXPECT_TRUE(UserKey().ReadBinary("boxOps", now.data(), int(now.size())));
        EXPECT_EQ(now, c.stored);
    }
}

TEST_F(OptionsLoadTest, SaveInterfaceBlockStoresTheBytes)
{
    auto s = Make();
    s->interfaceBlock.programVersion = 1;
    s->interfaceBlock.look = 'C';
    s->interfaceBlock.scale = 'g';
    s->interfaceBlock.buttonStyle = 1;
    ASSERT_TRUE(s->SaveInterfaceBlock());
    uint8_t got[28];
    ASSERT_TRUE(UserKey().ReadBinary("boxOps", got, 28));
    uint8_t want[28] = {0xAA, 0x00, 0x01, 0x00, 'C', 'g'};
    EXPECT_EQ(QByteArray(reinterpret_cast<char *>(got), 28), QByteArray(reinterpret_cast<char *>(want), 28));
    auto again = Make();
    EXPECT_EQ(again->interfaceBlock.look, 'C');
    EXPECT_EQ(again->interfaceBlock.scale, 'g');
    EXPECT_EQ(again->interfaceBlock.buttonStyle, 1);
}

TEST_F(OptionsLoadTest, SaveGoesToCommonFolderAndRecordsIt)
{
    auto s = Make();
    s->levels = 7;
    ASSERT_TRUE(s->SaveOptions());
    EXPECT_TRUE(s->optionsKeeper.saveFailure.isEmpty());
    EXPECT_EQ(s->optionsFile, Common() + "boxOpts.pcg");
    EXPECT_EQ(ReadBytes(s->optionsFile).size(), 642);
    EXPECT_EQ(UserString("BoxOpts"), s->optionsFile);
    uint8_t set = 0;
    EXPECT_TRUE(UserKey().ReadBinary("BoxSet", &set, 1));
    EXPECT_EQ(set, 1);
    EXPECT_EQ(Make()->levels, 7);
}

TEST_F(OptionsLoadTest, SaveFallsBackToUserFolder)
{
    // A folder that cannot be written, even by the superuser: its parent is
    // a plain file.
    ASSERT_TRUE(WriteBytes(root + "blocked", "file"));
    auto s = Make();
    s->optionsFile = root + "blocked/quibo/boxOpts.pcg";
    ASSERT_TRUE(s->SaveOptions());
    EXPECT_EQ(s->optionsFile, User() + "boxOpts.pcg");
    EXPECT_EQ(UserString("BoxOpts"), User() + "boxOpts.pcg");
    EXPECT_EQ(ReadBytes(User() + "boxOpts.pcg").size(), 642);

    // The common folder unwritable: saved games and the options go to the
    // user folder.
    env.commonDataFolder = root + "blocked";
    auto t = Make();
    EXPECT_EQ(t->gameFolder, User());
    QFile::remove(User() + "boxOpts.pcg");
    t->optionsFile.clear();
    ASSERT_TRUE(t->SaveOptions());
    EXPECT_EQ(t->optionsFile, User() + "boxOpts.pcg");
}

TEST_F(OptionsLoadTest, SaveFailureIsReportedAndNothingRecorded)
{
    ASSERT_TRUE(WriteBytes(root + "blocked", "file"));
    env.commonDataFolder = root + "blocked/a";
    env.userDataFolder = root + "blocked/b";
    auto s = Make();
    for (auto &fit : s->faceImageFit)
        fit = new VlmImgUt::TDib;
    EXPECT_FALSE(s->SaveOptions());
    // The file the save was for, not the user folder's it fell back to.
    EXPECT_EQ(s->optionsKeeper.saveFailure, "Save Options failure! - " + root + "blocked/a/quibo/boxOpts.pcg");
    EXPECT_EQ(s->optionsFile, root + "blocked/a/quibo/boxOpts.pcg");
    EXPECT_FALSE(UserKey().Exists("BoxOpts"));
    EXPECT_FALSE(UserKey().Exists("BoxSet"));
    for (auto *fit : s->faceImageFit)
        EXPECT_EQ(fit, nullptr);
}

#ifdef __linux__
TEST_F(OptionsLoadTest, FailedWriteLeavesTheOldFileIntact)
{
    auto s = Make();
    s->levels = 6;
    ASSERT_TRUE(s->SaveOptions());
    const QString path = s->optionsFile;
    const QByteArray before = ReadBytes(path);
    ASSERT_EQ(before.size(), 642);
    SetUserString("BoxOpts", "marker");

    s->levels = 3;
    s->colorSetNames.append("Another");
    bool saved;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.ok);
        saved = s->SaveOptions();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(s->optionsKeeper.saveFailure, "Save Options failure! - " + s->optionsFile);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(UserString("BoxOpts"), "marker");
    // No temporary file is left beside either target.
    EXPECT_EQ(QDir(Common()).entryList(QDir::Files), QStringList{"boxOpts.pcg"});
    EXPECT_TRUE(QDir(User()).entryList(QDir::Files).isEmpty());
    // A later save succeeds again.
    EXPECT_TRUE(s->SaveOptions());
    EXPECT_TRUE(s->optionsKeeper.saveFailure.isEmpty());
}
#endif

TEST_F(OptionsLoadTest, OnlyChangedGameSettingsAreSavedAtClose)
{
    struct Case {
        const char *what;
        void (*change)(TSettings &);
        bool written;
    };
    const Case cases[] = {
        {"nothing", [](TSettings &) {}, false},
        {"appearance and Hall of Fame",
         [](TSettings &s) {
             s.backgroundColor = 0x112233;
             s.sideRatio = 0.4f;
             s.hofScore[0][0] = 99;
         },
         false},
        {"game type", [](TSettings &s) { s.gameType = 3; }, true},
        {"levels", [](TSettings &s) { s.levels = 8; }, true},
        {"bonus boxes", [](TSettings &s) { s.bonusBoxes = false; }, true},
        {"bad boxes", [](TSettings &s) { s.badBoxes = false; }, true},
        {"changed and changed back", [](TSettings &s) { s.levels = 8; s.levels = 4; }, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(root + "common").removeRecursively();
        QDir(root + "store").removeRecursively();
        auto s = Make();
        c.change(*s);
        EXPECT_TRUE(s->SaveChangedGameSettings());
        EXPECT_EQ(QFileInfo::exists(Common() + "boxOpts.pcg"), c.written);
        if (c.written) {
            EXPECT_FALSE(s->GameSettingsChanged());
            // The next start reads what was saved.
            auto next = Make();
            EXPECT_EQ(next->gameType, s->gameType);
            EXPECT_EQ(next->levels, s->levels);
            EXPECT_EQ(next->bonusBoxes, s->bonusBoxes);
            EXPECT_EQ(next->badBoxes, s->badBoxes);
        }
    }
}

TEST_F(OptionsLoadTest, DestructionOnlyReleases)
{
    auto s = Make();
    s->gameType = 4;
    s->levels = 2;
    s.reset();
    EXPECT_FALSE(QFileInfo::exists(Common() + "boxOpts.pcg"));
    EXPECT_FALSE(QFileInfo::exists(User() + "boxOpts.pcg"));
    EXPECT_FALSE(UserKey().Exists("BoxOpts"));
}

TEST_F(OptionsLoadTest, DestructionClosesTheHelpWindow)
{
    QWidget window;
    window.show();
    auto s = Make();
    s->helpWindow = &window;
    s.reset();
    EXPECT_FALSE(window.isVisible());

    // The bare record never started help and closes nothing.
    QWidget other;
    other.show();
    auto bare = std::make_unique<TSettings>();
    bare->helpWindow = &other;
    bare.reset();
    EXPECT_TRUE(other.isVisible());
}

TEST_F(OptionsLoadTest, FindPictureFileSearchOrder)
{
    struct Case {
        bool inUser, inCommon, inProgram;
        const char *found; // "user", "common", "program" or nullptr
    };
    const Case cases[] = {
        {true, true, true, "user"},     {false, true, true, "common"}, {false, false, true, "program"},
        {true, false, false, "user"},   {false, false, false, nullptr},
    };
    const QString stored[] = {"/gone/folder/face.png", "C:\\Pictures\\Old\\face.png", "face.png"};
    for (const Case &c : cases) {
        QDir(root + "user").removeRecursively();
        QDir(root + "common").removeRecursively();
        QDir(Program() + "Images").removeRecursively();
        if (c.inUser) {
            ASSERT_TRUE(WriteBytes(User() + "Images/face.png", "u"));
        }
        if (c.inCommon) {
            ASSERT_TRUE(WriteBytes(Common() + "Images/face.png", "c"));
        }
        if (c.inProgram) {
            ASSERT_TRUE(WriteBytes(Program() + "Images/face.png", "p"));
        }
        auto s = Make();
        for (const QString &path : stored) {
            QString name = path;
            const bool found = s->FindPictureFile(name, "Images/");
            EXPECT_EQ(found, c.found != nullptr) << path.toStdString();
            if (!c.found)
                EXPECT_EQ(name, path);
            else if (!strcmp(c.found, "user"))
                EXPECT_EQ(name, User() + "Images/face.png");
            else if (!strcmp(c.found, "common"))
                EXPECT_EQ(name, Common() + "Images/face.png");
            else
                EXPECT_EQ(name, Program() + "Images/face.png");
        }
        // Patterns live in their own subfolder.
        QString pattern = "/gone/face.png";
        EXPECT_FALSE(s->FindPictureFile(pattern, "Patterns/"));
    }

    auto s = Make();
    QString empty;
    EXPECT_TRUE(s->FindPictureFile(empty, "Images/"));
    EXPECT_TRUE(empty.isEmpty());
    const QString existing = root + "here.png";
    ASSERT_TRUE(WriteBytes(existing, "x"));
    QString name = existing;
    EXPECT_TRUE(s->FindPictureFile(name, "Images/"));
    EXPECT_EQ(name, existing);
    // A path without a file name never finds a folder.
    QDir().mkpath(User() + "Images");
    QString folderOnly = "/gone/";
    EXPECT_FALSE(s->FindPictureFile(folderOnly, "Images/"));
    EXPECT_EQ(folderOnly, "/gone/");
}

TEST_F(OptionsLoadTest, StoredSetsAreKeptAndMissingOnesDefaulted)
{
    OptFileSpec spec = UserSpec();
    spec.colorSets = {"Mine", "Yours"};
    spec.colorSet = 2;
    ASSERT_TRUE(WriteBytes(User() + "boxOpts.pcg", BuildOptionsFile(spec)));
    auto s = Make();
    EXPECT_EQ(s->colorSetNames, (QVector<QString>{"Mine", "Yours"}));
    EXPECT_EQ(s->colorSet, 2);
    EXPECT_EQ(s->faceColor[1], 0x002200 * 2);

    spec.colorSets.clear();
    ASSERT_TRUE(WriteBytes(User() + "boxOpts.pcg", BuildOptionsFile(spec)));
    auto t = Make();
    EXPECT_EQ(t->colorSetNames, QVector<QString>{"Primary Colors"});
    EXPECT_EQ(t->colorSet, 1);
    EXPECT_EQ(t->faceColor[5], 0x1166EE);
}

TEST(OptionsNames, FileNamePartSplitsAtBothSeparators)
{
    struct Case {
        const char *path, *name;
    };
    const Case cases[] = {
        {"/a/b/c.png", "c.png"}, {"C:\\x\\y.jpg", "y.jpg"}, {"C:\\x/z\\w.bmp", "w.bmp"},
        {"plain.tif", "plain.tif"}, {"/ends/", ""}, {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TEnvironment::FileNamePart(c.path), c.name) << c.path;
}

TEST(OptionsEnvironment, SystemEnvironmentUsesThePlatformLocations)
{
    // Only reads where things are; writes nothing.
    const TSettings::Environment env = TSettings::Environment::System();
    EXPECT_EQ(env.userDataFolder, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    EXPECT_NE(QDir::cleanPath(env.commonDataFolder), QDir::cleanPath(env.userDataFolder));
    EXPECT_EQ(env.programFolder, QCoreApplication::applicationDirPath());
    EXPECT_TRUE(env.storeFolder.isEmpty());
    EXPECT_GT(env.workAreaWidth, 0);
    EXPECT_GT(env.workAreaHeight, 0);
}

namespace {

// A user options file with a full Hall of Fame, damaged so that the reader
// stops before the Hall of Fame: every name is still in its bytes.
struct Damage {
    const char *what;
    std::function<void(QByteArray &)> apply;
};

std::vector<Damage> Damages(const QByteArray &whole)
{
    // The first image set's name length sits just before its name.
    const int nameAt = int(whole.indexOf("Sunsets"));
    return {
        {"a bad string length", [=](QByteArray &b) { b[nameAt - 1] = char(0x7F); }},
        {"a count of more sets than follow", [=](QByteArray &b) { b[nameAt - 5] = char(0x70); }},
        {"cut in the image sets", [=](QByteArray &b) { b.truncate(nameAt + 20); }},
    };
}

OptFileSpec FullHallOfFame()
{
    OptFileSpec spec = UserSpec(6);
    spec.imageSets = {"Sunsets", "Shells"};
    return spec;
}

} // namespace

TEST_F(OptionsLoadTest, AFileReadInPartIsKeptBesideItselfBeforeItIsWrittenOver)
{
    const QString file = User() + "boxOpts.pcg";
    const QByteArray whole = BuildOptionsFile(FullHallOfFame());
    for (const Damage &d : Damages(whole)) {
        for (bool earlierCopy : {false, true}) {
            SCOPED_TRACE(testing::Message() << d.what << (earlierCopy ? ", with an earlier copy" : ""));
            QDir(root + "user").removeRecursively();
            QDir(root + "store").removeRecursively();
            QByteArray damaged = whole;
            d.apply(damaged);
            ASSERT_TRUE(WriteBytes(file, damaged));
            // The last name of the last table is there unless the file was cut.
            ASSERT_EQ(damaged.contains("P39"), damaged.size() == whole.size());
            if (earlierCopy) {
                ASSERT_TRUE(WriteBytes(file + ".damaged", "an earlier copy"));
            }
            const QString kept = file + (earlierCopy ? ".damaged2" : ".damaged");

            auto s = Make();
            EXPECT_EQ(s->levels, 6);
            EXPECT_TRUE(s->hofNames[3][9].isEmpty()); // the reader stopped before them
            EXPECT_FALSE(s->optionsKeeper.HasNotice());  // nothing written yet

            s->gameType = 2;
            ASSERT_TRUE(s->SaveChangedGameSettings());
            EXPECT_EQ(ReadBytes(kept), damaged);
            if (earlierCopy) {
                EXPECT_EQ(ReadBytes(file + ".damaged"), QByteArray("an earlier copy"));
            }
            EXPECT_EQ(s->optionsKeeper.TakeNotice(), "Options file damaged! - kept as " + kept);
            EXPECT_FALSE(s->optionsKeeper.HasNotice());
            EXPECT_EQ(s->optionsFile, file);

            // Once kept, later saves write over the file with nothing more said.
            const QStringList files = QDir(User()).entryList(QDir::Files);
            s->levels = 3;
            ASSERT_TRUE(s->SaveOptions());
            EXPECT_EQ(QDir(User()).entryList(QDir::Files), files);
            EXPECT_TRUE(s->optionsKeeper.TakeNotice().isEmpty());
            EXPECT_EQ(Make()->levels, 3);
        }
    }
}

TEST_F(OptionsLoadTest, AStartWithANewerInstallationFileKeepsTheDamagedUserFile)
{
    const QString file = User() + "boxOpts.pcg";
    const QByteArray whole = BuildOptionsFile(FullHallOfFame());
    QByteArray damaged = whole;
    Damages(whole)[0].apply(damaged);
    ASSERT_TRUE(WriteBytes(file, damaged));
    ASSERT_TRUE(WriteBytes(Common() + "boxOptn.pcg", BuildOptionsFile(InstallSpec())));
    SetMTime(file, QDateTime::currentDateTime().addDays(-1));

    auto s = Make(); // reads both and saves the merge at once
    EXPECT_TRUE(s->saveAfterLoad);
    EXPECT_EQ(ReadBytes(file + ".damaged"), damaged);
    EXPECT_EQ(s->optionsKeeper.TakeNotice(), "Options file damaged! - kept as " + file + ".damaged");
}

TEST_F(OptionsLoadTest, AFileReadWholeOrEmptyIsWrittenOverWithoutACopy)
{
    for (const QByteArray &bytes : {BuildOptionsFile(UserSpec(6)), QByteArray()}) {
        QDir(root + "user").removeRecursively();
        const QString file = User() + "boxOpts.pcg";
        ASSERT_TRUE(WriteBytes(file, bytes));
        auto s = Make();
        s->levels = 5;
        ASSERT_TRUE(s->SaveOptions());
        EXPECT_EQ(QDir(User()).entryList(QDir::Files), QStringList{"boxOpts.pcg"});
        EXPECT_FALSE(s->optionsKeeper.HasNotice());
    }
}

TEST_F(OptionsLoadTest, AStoredPathToAFileThatIsNoOptionsFileIsNeitherReadNorWritten)
{
    const QString notes = root + "elsewhere/notes.txt";
    const QByteArray text = "Shopping: eggs, milk, a new puzzle box.\n";
    struct Case {
        const char *what;
        bool userFile;       // a real options file in the user folder
        QString savedTo;
    };
    const Case cases[] = {
        {"the folders' file is read and written instead", true, User() + "boxOpts.pcg"},
        {"no file: the default place", false, Common() + "boxOpts.pcg"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QDir(root + "user").removeRecursively();
        QDir(root + "common").removeRecursively();
        QDir(root + "store").removeRecursively();
        ASSERT_TRUE(WriteBytes(notes, text));
        if (c.userFile) {
            ASSERT_TRUE(WriteBytes(User() + "boxOpts.pcg", BuildOptionsFile(UserSpec(6))));
        }
        SetUserString("BoxOpts", notes);

        auto s = Make();
        EXPECT_EQ(s->levels, c.userFile ? 6 : 4);
        s->levels = 7;
        ASSERT_TRUE(s->SaveOptions());
        EXPECT_EQ(ReadBytes(notes), text);
        EXPECT_EQ(s->optionsFile, c.savedTo);
        EXPECT_EQ(UserString("BoxOpts"), c.savedTo);
        EXPECT_EQ(s->optionsKeeper.TakeNotice(),
                  "Not an Options file! - " + notes + " is left as it was; Options saved to " + c.savedTo);
        EXPECT_EQ(Make()->levels, 7);
        EXPECT_FALSE(QFileInfo::exists(notes + ".damaged"));
    }

    // A save aimed at such a file goes to the user folder and says so.
    QDir(root + "user").removeRecursively();
    auto s = Make();
    s->optionsFile = notes;
    ASSERT_TRUE(s->SaveOptions());
    EXPECT_EQ(ReadBytes(notes), text);
    EXPECT_EQ(s->optionsFile, User() + "boxOpts.pcg");
    EXPECT_EQ(s->optionsKeeper.TakeNotice(),
              "Not an Options file! - " + notes + " is left as it was; Options saved to " + User() + "boxOpts.pcg");
}
