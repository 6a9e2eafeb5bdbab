#include "TImgUt.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <tiffio.h>

namespace VlmImgUt {

namespace {

const char *const ImageExtTable[] = {".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".png", ".ppm",
                                     ".tga", ".j2k",  ".jp2", ".jpc",  ".ras", ".psd", ".dng"};
const int32_t ImageCodeTable[] = {2, 2, 3, 3, 1, 4, 5, 6, 7, 7, 8, 9, 10, 11};
const char *const VideoExtTable[] = {".avi", ".wmv", ".asf", ".qt",  ".mov", ".mpg", ".mpeg", ".mp2",
                                     ".mp4", ".mts", ".m2ts", ".flv", ".3gp", ".3g2", ".m1v", ".vob"};

QString Joined(const QStringList &exts, const char *prefix, char sep)
{
    QString s;
    for (int i = 0; i < exts.size(); ++i) {
        if (i)
            s += QLatin1Char(sep);
        s += QLatin1String(prefix) + exts[i];
    }
    return s;
}

} // namespace

void TImgOpts::ToBytes(uint8_t out[Size]) const
{
    memset(out, 0, Size);
    out[0] = useFormat;
    memcpy(out + 1, ext, 6);
    out[7] = version;
    Put32(uint32_t(jpegQuality), out + 8, false);
    out[12] = j2kLossless;
    memcpy(out + 13, reserved13, 3);
    Put32(uint32_t(tiffCompression), out + 16, false);
    Put32(uint32_t(reserved20), out + 20, false);
    out[24] = saveScript;
    out[25] = scriptLocation;
    memcpy(out + 26, reserved26, 2);
    out[28] = showPreview;
    out[29] = reserved29;
    out[30] = reserved30;
    out[31] = reserved31;
    Put32(uint32_t(writeMetadata), out + 32, false);
}

void TImgOpts::FromBytes(const uint8_t in[Size])
{
    useFormat = in[0];
    memcpy(ext, in + 1, 6);
    version = in[7];
    jpegQuality = int32_t(Get32LE(in + 8));
    j2kLossless = in[12];
    memcpy(reserved13, in + 13, 3);
    tiffCompression = int32_t(Get32LE(in + 16));
    reserved20 = int32_t(Get32LE(in + 20));
    saveScript = in[24];
    scriptLocation = in[25];
    memcpy(reserved26, in + 26, 2);
    showPreview = in[28];
    reserved29 = in[29];
    reserved30 = in[30];
    reserved31 = in[31];
    writeMetadata = int32_t(Get32LE(in + 32));
}

int TImgOpts::JpegQuality() const
{
    return jpegQuality >= 1 && jpegQuality <= 100 ? jpegQuality : 92;
}

int TImgOpts::TiffCompression() const
{
    switch (tiffCompression) {
    case 1: case 32946: case 7: case 32773: case 32909: case 5:
        return tiffCompression;
    default:
        return 32946;
    }
}

int TImgOpts::ScriptLocation() const
{
    return scriptLocation <= 2 ? scriptLocation : 1;
}

TImgUt::TImgUt(const QString &subkeyArg, const TRegStore &storeArg) : store(storeArg)
{
    subkey = subkeyArg.isEmpty() ? QStringLiteral("Vellamor\\Spectrel") : subkeyArg;

    static_assert(std::size(ImageExtTable) == std::size(ImageCodeTable), "one code per extension");
    for (size_t i = 0; i < std::size(ImageExtTable); ++i) {
        imageExts << QLatin1String(ImageExtTable[i]);
        imageCodes.push_back(ImageCodeTable[i]);
    }
    for (const char *e : VideoExtTable)
        videoExts << QLatin1String(e);

    imageFilterName = "Image Files (" + imageExts.join(QLatin1Char(',')) + ")";
    imagePatterns = Joined(imageExts, "*", ';');
    videoFilterName = "Video Files (" + videoExts.join(QLatin1Char(',')) + ")";
    videoPatterns = Joined(videoExts, "*", ';');
    allFilterName = QStringLiteral("Image and Video Files");
    allPatterns = imagePatterns + ";" + videoPatterns;

    // The TIFF library prints nothing.
    TIFFSetWarningHandler(nullptr);
    TIFFSetErrorHandler(nullptr);

    LoadOpts();
}

TImgUt::~TImgUt()
{
    if (optsDirty || colOptsDirty)
        SaveOpts();
}

void TImgUt::LoadOpts()
{
    savePrefix = QStringLiteral("Sav");
    selProf.clear();

    bool optsRead = false, colRead = false, saveDirFound = false;
    TRegKey key = store.Open(subkey, TRegScope::User);
    if (key.IsOpen()) {
        uint8_t raw[TImgOpts::Size];
        if (key.ReadBinary("ImgOpts", raw, TImgOpts::Size)) {
            imgOpts.FromBytes(raw);
            optsRead = true;
        }
        QString s;
        if (key.ReadString("SaveDir", s)) {
            saveDir = s;
            saveDirFound = !saveDir.isEmpty() && DirExists(saveDir);
        }
        if (key.ReadString("SavePrfx", s))
            savePrefix = s;
        if (key.ReadString("ScrptDir", s))
            scriptDir = s;
        uint8_t col[TColOpts::Size];
        if (key.ReadBinary("ColOpts", col, TColOpts::Size)) {
            memcpy(colOpts.bytes, col, TColOpts::Size);
            colRead = true;
        }
        if (key.ReadString("SelProf", s)) {
            selProf = s;
            if (!selProf.isEmpty() && !FileExists(selProf))
                selProf.clear();
        }
    }

    if (optsRead) {
        optsDirty = false;
        if (imgOpts.version < 35)
            imgOpts.ext[4] = imgOpts.ext[5] = 0;
    } else {
        imgOpts = TImgOpts();
        optsDirty = true;
    }

    // At most the six bytes of the field, NUL-terminated or not.
    defaultExt = QString::fromLatin1(imgOpts.ext, int(strnlen(imgOpts.ext, sizeof imgOpts.ext)));

    if (!saveDirFound) {
        QString pics = store.PicturesFolder();
        if (pics.isEmpty()) {
            saveDir.clear();
        } else {
            pics = QDir::fromNativeSeparators(pics);
            if (pics.size() > 1 && (pics.endsWith('/') || pics.endsWith('\\')))
                pics.chop(1);
            saveDir = pics;
            if (DirExists(saveDir))
                optsDirty = true;
            else
                saveDir.clear();
        }
    }

    if (!colRead)
        colOpts = TColOpts();
}

void TImgUt::SaveOpts()
{
    TRegKey key = store.Open(subkey, TRegScope::User);
    if (!key.IsWritable())
        return; // nothing written; the flags stay set

    bool optsWritten = false, colWritten = false;
    if (optsDirty) {
        imgOpts.version = uint8_t(optsVersion);
        uint8_t raw[TImgOpts::Size];
        imgOpts.ToBytes(raw);
        key.WriteBinary("ImgOpts", raw, TImgOpts::Size);
        key.WriteString("SaveDir", saveDir);
        key.WriteString("SavePrfx", savePrefix);
        key.WriteString("ScrptDir", scriptDir);
        optsWritten = true;
    }
    if (colOptsDirty) {
        key.WriteBinary("ColOpts", colOpts.bytes, TColOpts::Size);
        if (!selProf.isEmpty())
            key.WriteString("SelProf", selProf);
        colWritten = true;
    }
    // A store that could not be written keeps its dirty flags.
    if (key.Flush()) {
        if (optsWritten)
            optsDirty = false;
        if (colWritten)
            colOptsDirty = false;
    }
}

bool TImgUt::DirExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool TImgUt::FileExists(const QString &path)
{
    return !path.isEmpty() && QFileInfo::exists(path);
}

int TImgUt::CopyStr(const char *src, char *dst, size_t size)
{
    if (!dst || size == 0)
        return EINVAL;
    if (!src) {
        dst[0] = 0;
        return EINVAL;
    }
    const size_t n = strnlen(src, size);
    if (n >= size) {
        dst[0] = 0;
        return ERANGE;
    }
    memcpy(dst, src, n + 1);
    return 0;
}

int TImgUt::CopyWStr(const char16_t *src, char16_t *dst, size_t size)
{
    if (!dst || size == 0)
        return EINVAL;
    if (!src) {
        dst[0] = 0;
        return EINVAL;
    }
    size_t n = 0;
    while (n < size && src[n])
        ++n;
    if (n >= size) {
        dst[0] = 0;
        return ERANGE;
    }
    memcpy(dst, src, (n + 1) * sizeof(char16_t));
    return 0;
}

QString TImgUt::QtFileFilter(const QString &name, const QString &patterns)
{
    const QStringList list = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return name + " (" + list.join(QLatin1Char(' ')) + ")";
}

int TImgUt::ReaderCode(const QString &ext) const
{
    const QString lower = ext.toLower();
    for (int i = 0; i < imageExts.size(); ++i)
        if (imageExts[i] == lower)
            return imageCodes[size_t(i)];
    return 0;
}

} // namespace VlmImgUt
