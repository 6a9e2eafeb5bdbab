// The library context: tables, filter texts, options in the settings store.
#include "TImgUt.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace VlmImgUt;

namespace {

const char *const Subkey = "Vellamor\\quibo";

class ImgUtStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        pictures = tmp.path() + "/Pictures";
        ASSERT_TRUE(QDir().mkpath(pictures));
        store = TRegStore::InFolder(tmp.path() + "/reg");
        // A trailing separator is dropped from the picture folder.
        store.SetPicturesDir(pictures + "/");
    }

    QString IniFile() const { return tmp.path() + "/reg/user/Vellamor/quibo.ini"; }

    // Direct access to what the context stored.
    std::unique_ptr<QSettings> Ini() const
    {
        return std::make_unique<QSettings>(IniFile(), QSettings::IniFormat);
    }

    void PutValue(const QString &name, const QVariant &v)
    {
        auto ini = Ini();
        ini->setValue(name, v);
        ini->sync();
    }

    static QByteArray DefaultBlob(uint8_t version)
    {
        QByteArray b(36, '\0');
        b[1] = 'j'; b[2] = 'p'; b[3] = 'g';
        b[7] = char(version);
        b[8] = char(92);
        b[12] = 1;
        b[16] = char(0xB2); b[17] = char(0x80); // 32946
        b[20] = 1;
        b[24] = 1; b[25] = 1;
        b[28] = 1;
        b[30] = 72;
        return b;
    }

    QTemporaryDir tmp;
    QString pictures;
    TRegStore store;
};

TEST_F(ImgUtStore, FirstRunGivesDefaultsAndWritesThemOnDestruction)
{
    {
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.subkey, QString(Subkey));
        EXPECT_EQ(u.optsVersion, 36);
        EXPECT_EQ(u.imgOpts.useFormat, 0);
        EXPECT_EQ(u.defaultExt, QString("jpg"));
        EXPECT_EQ(u.imgOpts.jpegQuality, 92);
        EXPECT_EQ(u.imgOpts.tiffCompression, 32946);
        EXPECT_EQ(u.imgOpts.saveScript, 1);
        EXPECT_EQ(u.imgOpts.scriptLocation, 1);
        EXPECT_EQ(u.imgOpts.showPreview, 1);
        EXPECT_EQ(u.imgOpts.reserved30, 72);
        EXPECT_EQ(u.imgOpts.writeMetadata, 0);
        EXPECT_EQ(u.imgOpts.version, 0);
        EXPECT_EQ(u.savePrefix, QString("Sav"));
        EXPECT_EQ(u.saveDir, pictures);
        EXPECT_TRUE(u.scriptDir.isEmpty());
        EXPECT_TRUE(u.selProf.isEmpty());
        EXPECT_EQ(u.colOpts.bytes[0], 1);
        for (int i = 1; i < TColOpts::Size; ++i)
            EXPECT_EQ(u.colOpts.bytes[i], 0) << i;
        EXPECT_TRUE(u.optsDirty);
        EXPECT_FALSE(u.colOptsDirty);
        EXPECT_FALSE(u.previewMode || u.keepPhotoshop || u.keepXmp || u.keepExif || u.keepComment);
        EXPECT_FALSE(QFile::exists(IniFile()));
    }
    auto ini = Ini();
    EXPECT_EQ(ini->value("ImgOpts").toByteArray(), DefaultBlob(36));
    EXPECT_EQ(ini->value("SaveDir").toString(), pictures);
    EXPECT_EQ(ini->value("SavePrfx").toString(), QString("Sav"));
    EXPECT_TRUE(ini->contains("ScrptDir"));
    EXPECT_EQ(ini->value("ScrptDir").toString(), QString());
    EXPECT_FALSE(ini->contains("ColOpts"));
    EXPECT_FALSE(ini->contains("SelProf"));

    // The second run finds everything and has nothing to write.
    TImgUt again(Subkey, store);
    EXPECT_FALSE(again.optsDirty);
    EXPECT_EQ(again.imgOpts.version, 36);
    EXPECT_EQ(again.saveDir, pictures);
}

TEST_F(ImgUtStore, ImgOptsAcceptedOnlyAtExactly36Bytes)
{
    struct Case { QVariant value; bool read; } cases[] = {
        {QByteArray(35, '\x05'), false},
        {QByteArray(37, '\x05'), false},
        {QByteArray(), false},
        {QString(36, QChar('x')), false}, // text, not binary
        {QByteArray(36, '\x05'), true},
    };
    for (const Case &c : cases) {
        PutValue("ImgOpts", c.value);
        PutValue("SaveDir", pictures);
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.optsDirty, !c.read) << c.value.toByteArray().size();
        EXPECT_EQ(u.imgOpts.jpegQuality, c.read ? 0x05050505 : 92);
        EXPECT_EQ(u.imgOpts.reserved30, c.read ? 5 : 72);
        u.optsDirty = false; // keep the store as the case left it
    }
}

TEST_F(ImgUtStore, VersionBelow35KeepsFourExtensionCharacters)
{
    struct Case { uint8_t version; const char *ext; } cases[] = {
        {0, "abcd"}, {34, "abcd"}, {35, "abcdef"}, {36, "abcdef"}, {200, "abcdef"},
    };
    for (const Case &c : cases) {
        QByteArray b = DefaultBlob(c.version);
        memcpy(b.data() + 1, "abcdef", 6); // no terminating NUL inside the field
        b[7] = char(c.version);
        PutValue("ImgOpts", b);
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.defaultExt, QString(c.ext)) << int(c.version);
        u.optsDirty = false;
    }
}

TEST_F(ImgUtStore, SaveFolderProfileAndScriptFolderChecks)
{
    const QString gone = tmp.path() + "/gone";
    const QString kept = tmp.path() + "/kept";
    ASSERT_TRUE(QDir().mkpath(kept));
    QFile prof(tmp.path() + "/p.icc");
    ASSERT_TRUE(prof.open(QIODevice::WriteOnly));
    prof.close();

    PutValue("ImgOpts", DefaultBlob(36));
    PutValue("SaveDir", kept);
    PutValue("SavePrfx", "Pic");
    PutValue("ScrptDir", gone);
    PutValue("SelProf", prof.fileName());
    {
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.saveDir, kept);
        EXPECT_EQ(u.savePrefix, QString("Pic"));
        EXPECT_EQ(u.scriptDir, gone); // kept though missing
        EXPECT_EQ(u.selProf, prof.fileName());
        EXPECT_FALSE(u.optsDirty);
    }
    PutValue("SaveDir", gone);
    PutValue("SelProf", tmp.path() + "/none.icc");
    {
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.saveDir, pictures); // replaced by the picture folder
        EXPECT_TRUE(u.optsDirty);
        EXPECT_TRUE(u.selProf.isEmpty());
        u.optsDirty = false;
    }
    // No picture folder either: empty, and nothing to write.
    store.SetPicturesDir(tmp.path() + "/noPictures");
    TImgUt u(Subkey, store);
    EXPECT_TRUE(u.saveDir.isEmpty());
    EXPECT_FALSE(u.optsDirty);
}

TEST_F(ImgUtStore, ColourOptionsLoadAndSave)
{
    QByteArray col(60, '\0');
    col[0] = 7;
    col[59] = 9;
    PutValue("ColOpts", col);
    {
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.colOpts.bytes[0], 7);
        EXPECT_EQ(u.colOpts.bytes[59], 9);
    }
    PutValue("ColOpts", QByteArray(59, '\x07'));
    {
        TImgUt u(Subkey, store);
        EXPECT_EQ(u.colOpts.bytes[0], 1);
        EXPECT_EQ(u.colOpts.bytes[1], 0);
        u.colOpts.bytes[2] = 3;
        u.colOptsDirty = true; // empty profile path: not written
    }
    auto ini = Ini();
    QByteArray expect(60, '\0');
    expect[0] = 1;
    expect[2] = 3;
    EXPECT_EQ(ini->value("ColOpts").toByteArray(), expect);
    EXPECT_FALSE(ini->contains("SelProf"));
    {
        TImgUt u(Subkey, store);
        u.selProf = "/x/y.icc";
        u.colOptsDirty = true;
        u.SaveOpts();
        EXPECT_FALSE(u.colOptsDirty);
    }
    EXPECT_EQ(Ini()->value("SelProf").toString(), QString("/x/y.icc"));
}

TEST_F(ImgUtStore, UnwritableStoreKeepsTheDirtyFlags)
{
    // A folder where the store's file should be cannot be written.
    ASSERT_TRUE(QDir().mkpath(IniFile()));
    TImgUt u(Subkey, store);
    ASSERT_TRUE(u.optsDirty);
    u.SaveOpts();
    EXPECT_TRUE(u.optsDirty);
    u.optsDirty = false;
}

TEST_F(ImgUtStore, EmptySubkeyTakesTheLibrarysOwn)
{
    {
        TImgUt u("", store);
        EXPECT_EQ(u.subkey, QString("Vellamor\\Spectrel"));
    }
    EXPECT_TRUE(QFile::exists(tmp.path() + "/reg/user/Vellamor/Spectrel.ini"));
}

TEST(ImgUtTables, ExtensionsCodesAndFilterTexts)
{
    QTemporaryDir tmp;
    TImgUt u("Vellamor\\quibo", TRegStore::InFolder(tmp.path()));
    u.optsDirty = false;
    ASSERT_EQ(u.imageExts.size(), 14);
    ASSERT_EQ(u.imageCodes.size(), 14u);
    ASSERT_EQ(u.videoExts.size(), 16);
    EXPECT_EQ(u.imageFilterName,
              QString("Image Files (.jpg,.jpeg,.tif,.tiff,.bmp,.png,.ppm,.tga,.j2k,.jp2,.jpc,.ras,.psd,.dng)"));
    EXPECT_EQ(u.imagePatterns,
              QString("*.jpg;*.jpeg;*.tif;*.tiff;*.bmp;*.png;*.ppm;*.tga;*.j2k;*.jp2;*.jpc;*.ras;*.psd;*.dng"));
    EXPECT_EQ(u.videoFilterName,
              QString("Video Files (.avi,.wmv,.asf,.qt,.mov,.mpg,.mpeg,.mp2,.mp4,.mts,.m2ts,.flv,.3gp,.3g2,.m1v,.vob)"));
    EXPECT_EQ(u.videoPatterns,
              QString("*.avi;*.wmv;*.asf;*.qt;*.mov;*.mpg;*.mpeg;*.mp2;*.mp4;*.mts;*.m2ts;*.flv;*.3gp;*.3g2;*.m1v;*.vob"));
    EXPECT_EQ(u.allFilterName, QString("Image and Video Files"));
    EXPECT_EQ(u.allPatterns, u.imagePatterns + ";" + u.videoPatterns);
    EXPECT_TRUE(u.allPatterns.contains("*.dng;*.avi"));

    struct Case { const char *ext; int code; } cases[] = {
        {".jpg", 2}, {".JPEG", 2}, {".tif", 3}, {".Tiff", 3}, {".bmp", 1}, {".png", 4}, {".ppm", 5},
        {".tga", 6}, {".j2k", 7}, {".jp2", 7}, {".jpc", 8}, {".ras", 9}, {".psd", 10}, {".DNG", 11},
        {".avi", 0}, {".xyz", 0}, {"", 0}, {"bmp", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(u.ReaderCode(c.ext), c.code) << c.ext;
}

TEST(ImgUtTables, QtFilterTakesPatternsFromLastParentheses)
{
    EXPECT_EQ(TImgUt::QtFileFilter("Image Files (.jpg,.bmp)", "*.jpg;*.bmp"),
              QString("Image Files (.jpg,.bmp) (*.jpg *.bmp)"));
    EXPECT_EQ(TImgUt::QtFileFilter("Image and Video Files", "*.png;;*.avi"),
              QString("Image and Video Files (*.png *.avi)"));
}

TEST(ImgUtFiles, FileAndDirExists)
{
    QTemporaryDir tmp;
    QFile f(tmp.path() + "/a.bmp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    struct Case { QString path; bool file, dir; } cases[] = {
        {tmp.path(), true, false},
        {f.fileName(), true, false},
        {tmp.path() + "/none", false, false},
        {QString(), false, false},
    };
    cases[0].dir = true;
    for (const Case &c : cases) {
        EXPECT_EQ(TImgUt::FileExists(c.path), c.file) << c.path.toStdString();
        EXPECT_EQ(TImgUt::DirExists(c.path), c.dir) << c.path.toStdString();
    }
}

TEST(ImgUtFiles, BoundedCopies)
{
    char buf[4];
    EXPECT_EQ(TImgUt::CopyStr("abc", buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(TImgUt::CopyStr("abcd", buf, sizeof buf), ERANGE);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(TImgUt::CopyStr("a", buf, 0), EINVAL);
    EXPECT_EQ(TImgUt::CopyStr("a", nullptr, 4), EINVAL);

    char16_t w[3];
    EXPECT_EQ(TImgUt::CopyWStr(u"ab", w, 3), 0);
    EXPECT_EQ(w[1], u'b');
    EXPECT_EQ(w[2], 0);
    EXPECT_EQ(TImgUt::CopyWStr(u"abc", w, 3), ERANGE);
    EXPECT_EQ(w[0], 0);
}

TEST(ImgOpts, StoredValuesBoundedWhereUsed)
{
    struct Case { int32_t quality, compression; uint8_t location; int q, c, l; } cases[] = {
        {92, 32946, 1, 92, 32946, 1},
        {1, 1, 0, 1, 1, 0},
        {100, 5, 2, 100, 5, 2},
        {0, 4, 3, 92, 32946, 1},
        {101, 0, 255, 92, 32946, 1},
        {-7, -1, 2, 92, 32946, 2},
        {50, 7, 0, 50, 7, 0},
        {50, 32773, 0, 50, 32773, 0},
        {50, 32909, 0, 50, 32909, 0},
    };
    for (const Case &c : cases) {
        TImgOpts o;
        o.jpegQuality = c.quality;
        o.tiffCompression = c.compression;
        o.scriptLocation = c.location;
        EXPECT_EQ(o.JpegQuality(), c.q);
        EXPECT_EQ(o.TiffCompression(), c.c);
        EXPECT_EQ(o.ScriptLocation(), c.l);
    }
}

TEST(ImgOpts, BytesRoundTrip)
{
    uint8_t raw[36];
    for (int i = 0; i < 36; ++i)
        raw[i] = uint8_t(i * 7 + 1);
    TImgOpts o;
    o.FromBytes(raw);
    EXPECT_EQ(o.jpegQuality, int32_t(0x4E474039)); // bytes 8..11 little-endian
    uint8_t back[36];
    o.ToBytes(back);
    EXPECT_EQ(memcmp(raw, back, 36), 0);
}

} // namespace
