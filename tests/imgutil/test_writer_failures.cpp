// Writers that cannot finish report failure and leave an existing file as
// it was: a read-only folder, a full device, a parent that is a file; and
// the requests no writer takes.
#include "ImageWriters.h"
#include "writer_fixture.h"

#include <QDir>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace VlmImgUt;

namespace {

// A small tmpfs mounted in a mount namespace of this process's own, so no
// other process sees it and it goes away with the process. Empty when the
// system does not let us mount.
class SmallDevice {
public:
    explicit SmallDevice(const QString &dir, const char *size) : dir(dir)
    {
        static const bool privateNamespace = unshare(CLONE_NEWNS) == 0
            && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        mounted = privateNamespace && QDir().mkpath(dir)
            && mount("tmpfs", dir.toLocal8Bit().constData(), "tmpfs", 0, (QByteArray("size=") + size).constData()) == 0;
    }
    ~SmallDevice()
    {
        if (mounted)
            umount2(dir.toLocal8Bit().constData(), MNT_DETACH);
    }
    bool ReadOnly()
    {
        return mount(nullptr, dir.toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    // Takes every free block.
    void Fill()
    {
        QFile filler(dir + "/filler");
        if (!filler.open(QIODevice::WriteOnly))
            return;
        const QByteArray chunk(4096, 'x');
        while (filler.write(chunk) == chunk.size() && filler.flush()) {
        }
    }

    const QString dir;
    bool mounted = false;
};

void PutFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

} // namespace

TEST_F(WriterTest, EveryWriterFailsOnAFolderItCannotWriteAndKeepsTheOldFile)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(200, 200));
    const QByteArray old("the old picture");
    enum Where { ReadOnlyFolder, FullDevice, ParentIsAFile };
    // The case that needs no mount first: a system that lets us mount
    // nothing skips only the rest.
    for (Where where : {ParentIsAFile, ReadOnlyFolder, FullDevice}) {
        for (const FormatCase &f : AllFormats()) {
            SCOPED_TRACE(testing::Message() << f.ext << " case " << int(where));
            QString path;
            std::unique_ptr<SmallDevice> device;
            if (where == ParentIsAFile) {
                PutFile(Path("file"), old);
                path = Path("file/a.") + f.ext;
            } else {
                device = std::make_unique<SmallDevice>(Path("dev"), "64k");
                if (!device->mounted)
                    GTEST_SKIP() << "no tmpfs can be mounted here: the read-only and full-device cases are not run";
                path = device->dir + "/a." + f.ext;
                PutFile(path, old);
                if (where == ReadOnlyFolder)
                    ASSERT_TRUE(device->ReadOnly());
                else
                    device->Fill();
            }
            EXPECT_FALSE(ctx->WriteImageFile(path, pic.get(), nullptr, 0, 0, 0, 0, false, 0));
            if (where == ParentIsAFile) {
                EXPECT_EQ(Decode::Contents(Path("file")), old);
            } else {
                EXPECT_EQ(Decode::Contents(path), old);
                const QStringList left = QDir(device->dir).entryList(QDir::Files);
                EXPECT_EQ(left.size(), where == FullDevice ? 2 : 1) << left.join(", ").toStdString();
            }
        }
    }
}

TEST_F(WriterTest, RequestsNoWriterTakes)
{
    std::unique_ptr<TDib> pic(Decode::Pattern(10, 10));
    TDib empty;
    EXPECT_FALSE(empty.Create(0, 5)); // no pixels
    struct Case {
        const char *name;
        const char *file;
        const TDib *picture;
    };
    const Case cases[] = {
        {"unknown extension", "a.gif", pic.get()},
        {"no extension", "picture", pic.get()},
        {"a dot in the folder only", "x.d/picture", pic.get()},
        {"video extension", "a.avi", pic.get()},
        {"no picture", "a.png", nullptr},
        {"a picture without pixels", "a.bmp", &empty},
    };
    QDir().mkpath(Path("x.d"));
    for (const Case &c : cases) {
        EXPECT_FALSE(Write(c.file, c.picture)) << c.name;
        EXPECT_FALSE(QFile::exists(Path(c.file))) << c.name;
    }
}

TEST_F(WriterTest, WritersCalledDirectlyCheckThePartAgainstThePicture)
{
    // A part left over from a larger picture must not read outside this one.
    std::unique_ptr<TDib> pic(Decode::Pattern(10, 10));
    ctx->cropX = 5;
    ctx->cropY = 0;
    ctx->cropWidth = 6;
    ctx->cropHeight = 10;
    const QString path = Path("direct");
    EXPECT_FALSE(WriteBmp(*ctx, path + ".bmp", pic.get()));
    EXPECT_FALSE(WriteJpeg(*ctx, path + ".jpg", pic.get(), nullptr));
    EXPECT_FALSE(WriteTiff(*ctx, path + ".tif", pic.get(), nullptr));
    EXPECT_FALSE(WritePng(*ctx, path + ".png", pic.get(), nullptr, false, 0));
    EXPECT_FALSE(WriteJasper(*ctx, path + ".jp2", pic.get(), 7));
    EXPECT_FALSE(WriteJasper(*ctx, path + ".ppm", pic.get(), 5));
    EXPECT_FALSE(WriteJasper(*ctx, path + ".ras", pic.get(), 9));
    EXPECT_FALSE(WriteTga(*ctx, path + ".tga", pic.get()));
    EXPECT_FALSE(WritePsd(*ctx, path + ".psd", pic.get(), nullptr));
    EXPECT_TRUE(QDir(tmp.path()).entryList({"direct*"}).isEmpty());
    ctx->cropWidth = 5;
    EXPECT_TRUE(WriteBmp(*ctx, path + ".bmp", pic.get()));
}

TEST_F(WriterTest, TargaRefusesSizesItsHeaderCannotHold)
{
    std::unique_ptr<TDib> wide(new TDib);
    ASSERT_TRUE(wide->Create(65536, 1));
    EXPECT_FALSE(Write("wide.tga", wide.get()));
    EXPECT_FALSE(QFile::exists(Path("wide.tga")));
    ASSERT_TRUE(wide->Create(65535, 1));
    EXPECT_TRUE(Write("wide.tga", wide.get()));
}
