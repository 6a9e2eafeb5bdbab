// The image library's context: the extension table and file-dialog filter
// texts, the image options kept in the registry, the reader flags and the
// picture the current read fills.
#pragma once

#include "ByteOrder.h"
#include "Color.h"
#include "ReadBudget.h"
#include "RegStore.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <vector>

class QWidget;

namespace Gdi {
class DC;
struct RECT;
} // namespace Gdi

namespace VlmImgUt {

class TDib;

// Image options, stored whole as the 36-byte registry value "ImgOpts"
// (little-endian integers).
struct TImgOpts {
    static constexpr int Size = 36;

    uint8_t useFormat = 0;             // 0: save in the picture's own format
    char ext[6] = {'j', 'p', 'g', 0, 0, 0}; // default extension, no dot, NUL padded
    uint8_t version = 0;               // set to 36 on every save
    int32_t jpegQuality = 92;          // 1..100
    uint8_t j2kLossless = 1;           // JPEG 2000 without a rate
    uint8_t reserved13[3] = {0, 0, 0};
    int32_t tiffCompression = 32946;   // 1, 32946, 7, 32773, 32909 or 5
    int32_t reserved20 = 1;
    uint8_t saveScript = 1;            // "Save Remake Script"
    uint8_t scriptLocation = 1;        // 0 with image, 1 prompt, 2 remake folder
    uint8_t reserved26[2] = {0, 0};
    uint8_t showPreview = 1;           // open-image dialog preview
    uint8_t reserved29 = 0;
    uint8_t reserved30 = 72;
    uint8_t reserved31 = 0;
    int32_t writeMetadata = 0;         // writers store the kept EXIF block

    void ToBytes(uint8_t out[Size]) const;
    void FromBytes(const uint8_t in[Size]);

    // The stored values bounded where they are used: anything out of range
    // gives the default.
    int JpegQuality() const;           // 1..100, else 92
    int TiffCompression() const;       // a known code, else 32946
    int ScriptLocation() const;        // 0..2, else 1
};

// Colour options, the 60-byte registry value "ColOpts"; opaque here.
struct TColOpts {
    static constexpr int Size = 60;
    uint8_t bytes[Size] = {1}; // int32 1, then zeros
};

class TImgUt {
public:
    // Loads the options of HKEY_CURRENT_USER "software\\" subkey from the
    // store; an empty subkey is "Vellamor\\Spectrel".
    explicit TImgUt(const QString &subkey, const TRegStore &store = TRegStore());
    ~TImgUt();                         // SaveOpts when a dirty flag is set

    TImgUt(const TImgUt &) = delete;
    TImgUt &operator=(const TImgUt &) = delete;

    void LoadOpts();
    void SaveOpts();

    static bool DirExists(const QString &path);
    static bool FileExists(const QString &path); // a folder counts

    // True when path names an existing file or folder: FileExists.
    static bool PathExists(const QString &path);

    // The font dialog, opened on face (cut to the 31 characters a face
    // name may have), pointSize, weight, italic and charSet; on OK they
    // receive the choice. flags 0 means the screen fonts. True for OK.
    static bool PickFont(QWidget *owner, QString &face, int16_t &pointSize, int16_t &weight, uint8_t &italic,
                         uint8_t &charSet, int32_t flags);

    // Bounded copies with the results of strcpy_s/wcscpy_s: 0 on success,
    // EINVAL for a null pointer or size 0, ERANGE when the source does not
    // fit (the destination then holds an empty text).
    static int CopyStr(const char *src, char *dst, size_t size);
    static int CopyWStr(const char16_t *src, char16_t *dst, size_t size);

    // The filter of a name and ";"-separated patterns in QFileDialog's form:
    // Qt takes the patterns from the last parentheses, separated by spaces.
    static QString QtFileFilter(const QString &name, const QString &patterns);

    // Reads a picture file into *picture (a new record; an old one is
    // deleted first). A box of maxWidth x maxHeight (0 in either: none)
    // reduces larger pictures. False when the file is missing or is a folder
    // (*picture stays null) or the reader fails (*picture holds the record
    // as the reader left it).
    bool ReadImageFile(const QString &path, TDib **picture, int32_t maxWidth, int32_t maxHeight,
                       bool headerOnly);

    // Writes the part (x, y, width, height; y from the top) of picture in
    // the format of path's extension, embedding the ICC profile and (when
    // the options say so) the EXIF block of metadata (may be null). A
    // width or height outside 1..size - 1 writes the whole picture in that
    // direction; a part that does not fit starts at 0. transparent declares
    // transparentColour transparent in PNG files. The file is replaced only
    // when everything was written; false otherwise.
    bool WriteImageFile(const QString &path, const TDib *picture, const TDib *metadata, int32_t x, int32_t y,
                        int32_t width, int32_t height, bool transparent, COLORREF transparentColour);

    // Draws picture (may be null) into rect of dc: fitMode 0 at its natural
    // size, 1 fitted inside keeping the aspect, 2 or more filling rect and
    // cropping the excess; centred or from the top left; stretch draws the
    // whole picture onto the whole rect. mirror: 1 horizontal, 2 vertical.
    // fillMargins paints what the picture leaves uncovered with the current
    // brush. rect receives the covered rectangle (unchanged by stretch).
    static void DrawImageFit(Gdi::DC *dc, const TDib *picture, Gdi::RECT &rect, bool centre,
                             int16_t fitMode, bool stretch, bool fillMargins, uint8_t mirror);

    // Fills the picture outside the rectangle (x, y, width, height) with
    // reflections of its content.
    static void MirrorPad(TDib *picture, int32_t x, int32_t y, int32_t width, int32_t height);

    // The extension of path's file name from its last ".", dot included;
    // empty when the name has none.
    static QString FileExtension(const QString &path);

    // Reader code of an extension (with the dot, any case); 0 for none.
    int ReaderCode(const QString &ext) const;

    int32_t optsVersion = 36;
    QString subkey;
    QStringList imageExts;
    std::vector<int32_t> imageCodes;
    QString defaultExt;
    QString imageFilterName;
    QString imagePatterns;
    QStringList videoExts;
    QString videoFilterName;
    QString videoPatterns;
    QString allFilterName;
    QString allPatterns;
    int32_t cropX = 0, cropY = 0, cropWidth = 0, cropHeight = 0;
    bool headerOnly = false;
    bool optsDirty = false;
    bool colOptsDirty = false;
    bool previewMode = false;
    bool keepPhotoshop = false;
    bool keepXmp = false;
    bool keepExif = false;
    bool keepComment = false;
    TDib *readTarget = nullptr;
    // What the current read may spend, and its stop; ReadImageFile starts
    // it afresh for every read.
    TReadBudget budget;
    TImgOpts imgOpts;
    QString saveDir;
    QString savePrefix;
    QString scriptDir;
    TColOpts colOpts;
    QString selProf;
    QString spareText[7]; // kept empty

    const TRegStore &Store() const { return store; }

private:
    TRegStore store;
};

// Reduction toward a box, shared by the readers.
struct TReduction {
    int32_t width = 0, height = 0; // size to create
    bool reduced = false;
    float stepX = 1.0f, stepY = 1.0f;

    // Decides the size of a width x height picture in a maxWidth x maxHeight
    // box (0 in either: no reduction). Never gives a size below 1.
    static TReduction For(int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight);

    // Source positions (0..count-1) of count' destination positions taken
    // with a running float sum of step, the last one repeated past the end.
    // A step of 1 takes every position in turn.
    static std::vector<int32_t> Sample(int64_t srcCount, int32_t dstCount, float step);

    // The positions of Sample one at a time, for counts too large for a
    // table: the k-th Next() gives Sample's k-th position.
    class Walk {
    public:
        Walk(int64_t srcCount, float step);
        int32_t Next();

    private:
        int64_t last;
        float step;
        float sum = 0.0f;
        int64_t k = 0;
    };
};

// Readers: fill ctx.readTarget from path, reduced toward maxWidth x maxHeight.
bool ReadBmp(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
bool ReadJpeg(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
bool ReadPng(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
bool ReadTiff(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight); // TIFF and DNG
// ".ppm", ".j2k", ".jp2", ".jpc", ".ras" by reader code: 7 reads a JP2 file;
// 5, 8 and 9 go by the content (portable anymap, BMP, Sun raster, JP2, a
// JPEG 2000 code stream or JPEG; MIF and anything else are refused).
bool ReadJasper(TImgUt &ctx, const QString &path, int code, int32_t maxWidth, int32_t maxHeight);
bool ReadPnm(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
// The PGX reader (one component of 1 to 16 bits, either byte order), for
// the content of a ".jpc", ".ppm" or ".ras" file; in PnmReader.cpp.
bool ReadPgx(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
bool ReadSunRaster(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
bool ReadTga(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
bool ReadPsd(TImgUt &ctx, const QString &path, int32_t maxWidth, int32_t maxHeight);
// Decodes one PackBits row of count bytes from src; false when the data
// runs out or a run would pass the end of the row.
bool UnpackBits(const uint8_t *src, size_t srcSize, uint8_t *dst, int32_t count);

// One PNG text chunk: keyword, text and the text's length in bytes.
struct TPngText {
    const char *key;
    const char *text;
    size_t length;
};
// Sorts PNG text chunks into the kept blocks of ctx.readTarget: a hex dump
// of EXIF data becomes exif, other texts (keepComment) lines of comment.
void ReadPngProfiles(TImgUt &ctx, uint32_t count, const TPngText *entries);
// Replaces ctx.readTarget's exif by a self-contained EXIF block built from
// the TIFF file at path: its first directory's descriptive entries, its EXIF
// and interoperability directories, values copied behind each directory.
void ReadTiffExif(TImgUt &ctx, const QString &path);
// One frame of a video file (any extension outside the image table), the
// frame 1.5 seconds into its first video stream, never reduced.
bool ReadVideoFrame(TImgUt &ctx, const QString &path);

} // namespace VlmImgUt
