// The options dialog's working copies of the face colours, face pictures,
// background colour and pattern, with the named colour sets and image sets,
// and the operations that choose colours and pictures and keep the sets.
//
// Nothing here is a widget: the choosing steps (colour picker, picture
// dialog, message boxes) go through a TSetChooser, and each operation
// returns a TSetsChange that says what the dialog has to show again.
//
// Set k (1-based) owns the six entries 6(k - 1) .. 6(k - 1) + 5 of
// colorSetColors or imageSetFiles, face 0 first; colorSet and imageSet are
// 1-based, and any value outside 1 .. number of names selects no set. The
// selected set is edited in place: a face colour or picture chosen while a
// set is selected is written to the set too.
#pragma once

#include "Color.h"

#include <QString>
#include <QVector>

#include <cstdint>

class TSettings;

namespace VlmImgUt {
class TDib;
class TImgUt;
} // namespace VlmImgUt

// The dialogs and message boxes the operations open.
class TSetChooser {
public:
    virtual ~TSetChooser() = default;
    // The colour picker opened with a start colour; true with the choice
    // in `chosen` when the player selected one.
    virtual bool ChooseColor(Color start, Color &chosen) = 0;
    // The open-image dialog for one picture file: `path` is the initial
    // name and receives the choice; true when the player chose a file.
    virtual bool ChooseImageFile(QString &path, const QString &title, const QString &folder) = 0;
    // A message with OK.
    virtual void Message(const QString &text) = 0;
    // A question with OK and Cancel; true for OK.
    virtual bool Confirm(const QString &text) = 0;
};

// What an operation changed, for the dialog to show.
struct TSetsChange {
    bool modified = false;          // something changed: the dialog's SetModified
    bool background = false;        // the background swatch shows backgroundColor; preview dirty
    bool pattern = false;           // the pattern box shows patternPreview; preview dirty
    uint8_t faceColors = 0;         // bit i: faceSwatch i shows faceColor[i]
    uint8_t faceImages = 0;         // bit i: face picture box i shows faceImage[i]
    bool colorSetList = false;      // the colour-set drop list is filled again from
                                    // colorSetNames (keys 0, 1, ...) and shows colorSet
    bool imageSetList = false;      // the same for the image sets
    bool clearColorSetName = false; // the new-set name fields are emptied
    bool clearImageSetName = false;
    bool focusColorSetName = false; // the name field gets the keyboard focus
    bool focusImageSetName = false;

    bool PreviewDirty() const { return background || pattern; }
};

class TFaceSets {
public:
    static constexpr int Faces = 6;
    static constexpr int Background = 11;   // the choosing target of the background

    // The library context reads the pictures; without one none is read.
    explicit TFaceSets(VlmImgUt::TImgUt *imgUt = nullptr);
    ~TFaceSets();
    TFaceSets(const TFaceSets &) = delete;
    TFaceSets &operator=(const TFaceSets &) = delete;

    // ---- Working copies ----------------------------------------------------
    Color backgroundColor = 0;
    QString patternFile;
    VlmImgUt::TDib *patternPreview = nullptr;   // owned; null when none
    Color faceColor[Faces] = {ColorNull, ColorNull, ColorNull, ColorNull, ColorNull, ColorNull};
    int colorSet = 0;
    QVector<QString> colorSetNames;
    QVector<int> colorSetColors;                // six per set, as red-green-blue values
    QString faceImageFile[Faces];
    VlmImgUt::TDib *faceImage[Faces] = {};       // owned; null when none
    int imageSet = 0;
    QVector<QString> imageSetNames;
    QVector<QString> imageSetFiles;             // six per set

    // Copies the values from the settings record: the pattern and face
    // pictures as copies of the record's, a pattern the record has not
    // loaded read from its file; face pictures the record has not loaded
    // stay empty.
    void Load(const TSettings &settings);
    // Copies the values into the settings record: a picture goes only with
    // a file name (face) or when there is one (pattern); the record's
    // others are released.
    void Store(TSettings &settings) const;

    bool ColorSetSelected() const { return colorSet >= 1 && colorSet <= colorSetNames.size(); }
    bool ImageSetSelected() const { return imageSet >= 1 && imageSet <= imageSetNames.size(); }

    // ---- Operations ----------------------------------------------------------
    // A colour for face 0..5 (only while a colour set is selected) or for
    // the background (11); other targets do nothing.
    TSetsChange PickColor(int target, TSetChooser &chooser);
    // A picture for face 0..5 (only while an image set is selected) or the
    // pattern (11), chosen in the folder of the current one.
    TSetsChange PickImage(int target, TSetChooser &chooser);
    // A new set of the six faces under a name: non-empty, not yet in the
    // list (upper and lower case differ); it becomes the selected set.
    TSetsChange AddColorSet(const QString &name, TSetChooser &chooser);
    TSetsChange AddImageSet(const QString &name, TSetChooser &chooser);
    // Removes the selected set after asking; the first set left is
    // selected and loaded. Removing the last colour set makes "Primary
    // Colors" again; removing the last image set clears the faces.
    TSetsChange RemoveColorSet(TSetChooser &chooser);
    TSetsChange RemoveImageSet(TSetChooser &chooser);
    // Selects and loads the set at a drop-list key (0-based position);
    // a key that names no set does nothing.
    TSetsChange SelectColorSet(int key);
    TSetsChange SelectImageSet(int key);

    // The red-green-blue value a set stores for a colour; null gives 0.
    static int SetValueOf(Color color);
    // A path up to and including its last "/", "\\" or ":"; empty when it
    // has none.
    static QString FileDirectory(const QString &path);
    // The picture of a file read whole, or null when the file is missing
    // or cannot be read.
    VlmImgUt::TDib *ReadPicture(const QString &path) const;

private:
    void SetFaceImage(int face, const QString &path);
    VlmImgUt::TImgUt *imgUt;
};
