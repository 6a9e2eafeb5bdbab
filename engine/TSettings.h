// The one settings-and-state record of the game, shared by pointer: the
// persisted options, the Hall of Fame, colour and image sets, the drawing
// geometry, the bitmaps the painter draws into, a working box for turning
// and painting, the picture rotation table and the supersampler's state.
#pragma once

#include "Color.h"
#include "Environment.h"
#include "OptionsKeeper.h"
#include "TBoxRec.h"

#include <QPointer>
#include <QString>
#include <QVector>

#include <cstdint>
#include <memory>

class QFile;
class QIODevice;
class QSaveFile;
class QWidget;
struct TGameFileHeader;
struct TPainterState;

namespace VlmImgUt {
class TDib;
class TImgUt;
} // namespace VlmImgUt

// Look, scale and button style: 28 bytes stored whole as one registry
// value.
struct TInterfaceBlock {
    static constexpr int Size = 28;

    int16_t programVersion = 170;
    uint8_t buttonStyle = 0;    // 0 or 1
    uint8_t reserved3 = 0;
    char look = 'W';            // "W", "S" or "C"
    char scale = 'n';           // n l j h e g c s
    uint8_t reserved6[22] = {};

    // The 28 bytes, the version little-endian.
    void ToBytes(uint8_t out[Size]) const;
    void FromBytes(const uint8_t in[Size]);
};

// One sub-sample of the supersampler.
struct TSample {
    int channel[3] = {0, 0, 0}; // colour channels in the picture's order
    bool valid = false;         // the sub-sample lay inside the picture
    bool unused = false;        // cleared, never used
    float dx = 0.0f;            // fixed sub-pixel offset
    float dy = 0.0f;
};

class TSettings {
public:
    // The bare record: every default of the table below, no bitmaps, no
    // image-library context, no files, no registry. The full start-up
    // construction is separate.
    TSettings();
    // Releases the painter's state, whatever bitmaps and context are set,
    // and ends help when it was started.
    ~TSettings();

    TSettings(const TSettings &) = delete;
    TSettings &operator=(const TSettings &) = delete;

    // Fields in declaration order.
    char versionText[14] = {'q', 'u', 'i', 'b', 'o', 'V', 'e', 'r', '0', '1', '.', '7', '0', 0};
    int clientWidth = 0;
    int clientHeight = 0;
    int programVersion = 170;
    int fileVersion = 170;
    int bufferWidth = -1;
    int bufferHeight = 0;
    int gameType = 1;           // 1 Jigsaw, 2 Jumbled Cube, 3 Jumbled Pyramid, 4 Rebukes
    int gameTypeAtLoad = 1;
    int levels = 4;             // 2..8
    int levelsAtLoad = 4;
    // Widths of the fields of the game's files.
    int boxRecSize = 24;
    int intSize = 4;
    int flagSize = 1;
    int floatSize = 4;
    int colorSize = 4;
    VlmImgUt::TImgUt *imgUt = nullptr;       // owned
    QString commonFolder;
    QString userFolder;
    QString optionsFile;
    QString installOptionsFile;
    QString gameFolder;
    QString patternFile;
    QString helpFile;
    bool inputEnabled = true;
    bool saveAfterLoad = false;
    bool optionsLoaded = false;
    bool bonusBoxes = true;
    bool bonusBoxesAtLoad = true;
    bool badBoxes = true;
    bool badBoxesAtLoad = true;
    bool usePattern = false;
    bool tilePattern = true;
    Color backgroundColor = 0x242424;
    VlmImgUt::TDib *renderBuffer = nullptr;  // owned
    VlmImgUt::TDib *patternImage = nullptr;  // owned
    int hofScore[THofTables::Tables][THofTables::Entries] = {};
    int hofLevels[THofTables::Tables][THofTables::Entries] = {};
    QVector<QString> hofNames[THofTables::Tables];
    uint32_t helpCookie = 0;
    QPointer<QWidget> helpWindow;            // the open help window
    QWidget *helpOwner = nullptr;
    int boxSize = 44;
    int sideDepth = 11;
    int topDepth = 11;
    int colorSet = 0;                        // 1-based, 0 none
    int colorSetCount = 0;
    int imageSet = 0;                        // 1-based, 0 none
    int imageSetCount = 0;
    float sideRatio = 0.25f;
    float topRatio = 0.25f;
    bool useBoxColors = true;
    bool useBoxImages = false;
    bool spanImages = false;
    bool tileImages = false;
    bool borderImages = true;
    bool rotateImages = false;
    Color faceColor[6] = {ColorNull, ColorNull, ColorNull, ColorNull, ColorNull, ColorNull};
    Color infoColor = 0x000000;
    Color dragColor = 0x00FFFF;
    Color infoEdgeColor = 0x800000;
    Color infoTextColor = 0xC0C0C0;
    Color dropColor = 0x00FF00;
    Color selectColor = 0x00FFFF;
    TInterfaceBlock interfaceBlock;
    QVector<QString> colorSetNames;
    QVector<int> colorSetColors;             // six per set, face order
    QString faceImageFile[6];
    VlmImgUt::TDib *faceImage[6] = {};       // owned
    VlmImgUt::TDib *faceImageFit[6] = {};    // owned
    QVector<QString> imageSetNames;
    QVector<QString> imageSetFiles;          // six per set
    QVector<QString> infoLines;
    TBoxRec scratchBox;                      // id 0, x 0, y 0, faces 0, 1, 2
    // Rotation in degrees of a face picture by [front face][left face].
    int imageRotation[6][6] = {
        {0, 0, 270, 90, 180, 0},
        {180, 0, 270, 90, 0, 0},
        {90, 0, 0, 0, 180, 270},
        {270, 0, 0, 0, 180, 90},
        {0, 0, 270, 90, 0, 180},
        {0, 180, 270, 90, 0, 0},
    };
    TSample currentSample;
    TSample sampleOffset[9];                 // set by the constructor
    float sampleWeight[10] = {1.0f, 1.0f, 1.0f / 2, 1.0f / 3, 1.0f / 4,
                              1.0f / 5, 1.0f / 6, 1.0f / 7, 1.0f / 8, 1.0f / 9};
    bool antiAlias = true;
    int maxSamples = 9;
    int testAfter = 4;
    int sampleIndex = 0;
    int sampleSlot = 0;
    int validSamples = 0;
    int sampleThreshold = 30;
    float sampleBaseX = 0.0f;
    float sampleBaseY = 0.0f;
    float sampleX = 0.0f;
    float sampleY = 0.0f;
    int sampleSum[3] = {0, 0, 0};
    // The box painter's own state: the face pictures' lifetime, the shape
    // being recorded, drawing box by box (BoxPainter.h). Made with the
    // record, owned.
    std::unique_ptr<TPainterState> painter;

    // ---- Boxes --------------------------------------------------------
    // Turns scratchBox in place in direction dir (1 left, 2 right, 3 up,
    // 4 down; any other changes nothing); id, x and y are untouched.
    void TurnScratchBox(int dir);

    // ---- Saved games --------------------------------------------------
    // Opens `path` for writing through a temporary file beside it and
    // writes the header (versionText, gameType, levels). Null when the file
    // cannot be opened or the header cannot be written. Nothing reaches
    // `path` until the caller commits the file; dropping it uncommitted
    // leaves any existing file untouched.
    std::unique_ptr<QSaveFile> CreateGameFile(const QString &path);
    // Opens `path` for reading and reads its header into `header`
    // (GameFile.h). Null when the file cannot be opened, is shorter than
    // the header, or names a game type outside 1..4 or levels outside
    // 2..8. The version text is not compared. The record itself is not
    // changed.
    std::unique_ptr<QFile> OpenGameFile(const QString &path, TGameFileHeader &header);
    // The local date and time as yyyymmdd followed by hhmmss (14 digits).
    QString TimestampText() const;

    // ---- Options file and loading -------------------------------------
    using Environment = TEnvironment;

    // The full start-up construction: image-library context with the subkey
    // "Vellamor\\quibo", data folders, help, the render bitmap, the
    // defaults, LoadOptions and the values at load. Shows nothing; a failed
    // save of merged options leaves its message in the keeper's saveFailure.
    explicit TSettings(const Environment &env);

    Environment environment;   // as given to the full construction; empty for the bare record
    // Failures and notices of the saves, files kept before they are
    // written over, and the Hall of Fame the file last held.
    TOptionsKeeper optionsKeeper;

    // Options file "boxOpts.pcg" / "boxOptn.pcg", field by field,
    // little-endian, with the field widths above.
    // Writes every field from the device's current start; false at the first
    // write that does not complete. Sets colorSetCount and imageSetCount.
    bool WriteOptionsFile(QIODevice &file);
    bool WriteCountedString(const QString &text, QIODevice &file);
    // Reads and merges one options file; false when it cannot be opened, its
    // version text is short or the body ends early (what was read stays).
    bool ReadOptionsFile(const QString &path);
    bool ReadOptionsBody(QIODevice &file);
    // A 32-bit length and that many bytes, read in pieces of 259 bytes, each
    // cut at its first NUL; UTF-8.
    bool ReadCountedString(QString &text, QIODevice &file);

    // Fills commonFolder and userFolder (each ending in "quibo/").
    void FindDataFolders();
    // The start-up load from the settings store and the options files.
    void LoadOptions();
    // Writes the options file (through a temporary file renamed over it),
    // then "BoxOpts" and "BoxSet". Falls back from the common to the user
    // folder; the Hall of Fame keeps the entries another game saved to
    // the file meanwhile (TOptionsKeeper::Save). False when the file was
    // not written, also when the save was put off because another game
    // held its lock, with the message in the keeper's saveFailure; shows
    // nothing and never waits for a lock.
    bool SaveOptions();
    // The save at shut-down, for the main window's close: SaveOptions when
    // the game type, the levels or either switch differ from their values
    // at load (which then take the current values), or a save or settings
    // were put off. True when nothing had to be written or the write
    // succeeded.
    bool SaveChangedGameSettings();
    bool GameSettingsChanged() const;
    // Stores interfaceBlock (28 bytes) as "boxOps"; false when it could
    // not be stored (kept for the next save while another game holds the
    // store's lock).
    bool SaveInterfaceBlock();
    // Re-finds a picture whose stored path does not exist: its file name in
    // userFolder, commonFolder, then the program folder, each followed by
    // subfolder ("Patterns/" or "Images/"). An empty or existing name gives
    // true unchanged; false (name unchanged) when none exists.
    bool FindPictureFile(QString &file, const QString &subfolder) const;
    // Replaces all colour sets by "Primary Colors" and selects it.
    void MakeDefaultColorSet();
    // The name and the six face colours of that set.
    static constexpr const char *DefaultColorSetName = "Primary Colors";
    static constexpr Color DefaultFaceColors[6] = {0x800000, 0x000080, 0x800080, 0x008000, 0x00FFFF, 0x1166EE};

    // ---- Help and sounds ----------------------------------------------
    // Opens helpFile + "::/html/" + topic in the help window, closing the
    // one open first; the new window (null when it failed) is helpWindow.
    void ShowHelpTopic(const QString &topic);
    // Starts the sound resource of that name; it cuts the one playing.
    void PlayWave(const QString &name);

    // ---- Box painter --------------------------------------------------
    // Rectangles are left, top, right, bottom with right and bottom
    // exclusive: width() and height() are the sizes.

    // Draws the faces of scratchBox named by the mask (4 front, 2 left,
    // 1 top) into renderBuffer: fill in the face colour, then the face
    // picture when useBoxImages is on. n is the shape's number of levels,
    // level the box's level + 1, fx and fy its place on a spanned side.
    // Ends with a black brush.
    void PaintBox(int mask, int n, int level, float fx, float fy);
    // Outlines the faces of scratchBox named by the mask in selectColor,
    // pen width 2 x VlLineFactor; the render bitmap's pen is put back.
    void OutlineBox(int mask);
    // Draws src into r of dst: scaled down to fit, centred or tiled, with
    // border r is first shrunk in place by the margin. Draws nothing for
    // an empty rectangle.
    void PutImage(VlmImgUt::TDib *dst, VlmImgUt::TDib *src, class QRect &r, bool tile, bool border);
    // The size x size block of src at (sx, sy), turned by rotation (0, 90,
    // 180, 270), onto the front square at (x, y) of renderBuffer.
    void BlitFrontImage(VlmImgUt::TDib *src, int x, int y, int sx, int sy, int size, int rotation);
    // The block resampled onto the slanted left or top face. corners are
    // the face's four corners in drawing order; the first is the front
    // square's top-left corner.
    void BlitLeftImage(VlmImgUt::TDib *src, const class QPoint *corners, int sx, int sy, int size, int rotation);
    void BlitTopImage(VlmImgUt::TDib *src, const class QPoint *corners, int sx, int sy, int size, int rotation);
    // One step of the adaptive supersampler: stores the sub-sample just
    // taken and, when another is needed, sets it up and returns true.
    bool SuperSampleStep();

    // ---- Info card ----------------------------------------------------
    // Draws the opened box of scratchBox (back, right and bottom faces)
    // on the window, with infoLines in its middle when withText is set.
    void PaintInfoCard(class QPainter &draw, int selectedId, bool withText);

private:
    // "BoxOpts", "BoxSet" and a waiting interface block into the settings
    // store; put off (optionsKeeper.storePending) while another game holds
    // the store's lock. False when they are not all written.
    bool WriteStoreValues();
};
