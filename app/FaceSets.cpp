#include "FaceSets.h"

#include "TDib.h"
#include "TImgUt.h"
#include "TSettings.h"
#include "BoxPainter.h"

using VlmImgUt::TDib;

namespace {

const QString SelectImageTitle = QStringLiteral("Select Image File");

// The two kinds of set differ only in their words.
struct SetWords {
    const char *noSet;
    const char *noName;
    const char *nameTaken;
    const char *kind;   // "Delete the " + name + kind
};

const SetWords ColorWords = {"Please Select or Add a Color Set!", "Please enter a Name for the new Color Set",
                             "That Color Set Name already exists!", " Color Set?"};
const SetWords ImageWords = {"Please Select or Add an Image Set!", "Please enter a Name for the new Image Set",
                             "That Image Set Name already exists!", " Image Set?"};

QString Text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

bool ValidFace(int target)
{
    return target >= 0 && target < TFaceSets::Faces;
}

// Appends a set under a new name (non-empty, not yet in the list, compared
// exactly) with its six entries and selects it; false after a message.
template <class T, class Six>
bool AppendSet(const QString &name, const Six &entries, QVector<QString> &names, QVector<T> &setEntries,
               int &selected, const SetWords &words, TSetChooser &chooser)
{
    if (name.isEmpty()) {
        chooser.Message(Text(words.noName));
        return false;
    }
    if (names.contains(name)) {
        chooser.Message(Text(words.nameTaken));
        return false;
    }
    names.append(name);
    selected = int(names.size());
    for (const auto &entry : entries)
        setEntries.append(T(entry));
    return true;
}

// Removes the selected set with the entries of it that the list holds,
// after asking; false after a message or a Cancel.
template <class T>
bool RemoveSelectedSet(QVector<QString> &names, QVector<T> &setEntries, int selected, const SetWords &words,
                       TSetChooser &chooser)
{
    if (selected < 1 || selected > names.size()) {
        chooser.Message(Text(words.noSet));
        return false;
    }
    if (!chooser.Confirm(QStringLiteral("Delete the ") + names[selected - 1] + Text(words.kind)))
        return false;
    const int at = 6 * (selected - 1);
    for (int n = 0; n < 6 && at < setEntries.size(); ++n)
        setEntries.removeAt(at);
    names.removeAt(selected - 1);
    return true;
}

TDib *CopyOf(const TDib *src)
{
    if (!src)
        return nullptr;
    auto *copy = new TDib;
    if (!copy->CopyFrom(src)) {
        delete copy;
        return nullptr;
    }
    return copy;
}

// The settings record's picture becomes a copy of src, or is released.
void StoreCopy(TDib *&dst, const TDib *src)
{
    if (!src) {
        VlmImgUt::ReleaseDib(dst);
        return;
    }
    if (!dst)
        dst = new TDib;
    if (!dst->CopyFrom(src))
        VlmImgUt::ReleaseDib(dst);
}

} // namespace

TFaceSets::TFaceSets(VlmImgUt::TImgUt *imgUt_) : imgUt(imgUt_)
{
}

TFaceSets::~TFaceSets()
{
    delete patternPreview;
    for (TDib *&dib : faceImage) {
        delete dib;
        dib = nullptr;
    }
}

int TFaceSets::SetValueOf(Color color)
{
    return color == ColorNull ? 0 : int(uint32_t(color) & 0xFFFFFFu);
}

QString TFaceSets::FileDirectory(const QString &path)
{
    for (int i = int(path.size()) - 1; i >= 0; --i)
        if (path[i] == u'/' || path[i] == u'\\' || path[i] == u':')
            return path.left(i + 1);
    return QString();
}

TDib *TFaceSets::ReadPicture(const QString &path) const
{
    if (!imgUt || path.isEmpty())
        return nullptr;
    TDib *picture = nullptr;
    // A reader that fails may leave a half-filled record: drop it.
    if (!imgUt->ReadImageFile(path, &picture, 0, 0, false)) {
        delete picture;
        return nullptr;
    }
    return picture;
}

void TFaceSets::SetFaceImage(int face, const QString &path)
{
    faceImageFile[face] = path;
    delete faceImage[face];
    faceImage[face] = nullptr;
    faceImage[face] = ReadPicture(path);
}

// ---- Settings ------------------------------------------------------------------

void TFaceSets::Load(const TSettings &s)
{
    backgroundColor = s.backgroundColor;
    patternFile = s.patternFile;
    delete patternPreview;
    patternPreview = nullptr;
    if (s.patternImage)
        patternPreview = CopyOf(s.patternImage);
    else if (!patternFile.isEmpty())
        patternPreview = ReadPicture(patternFile);
    for (int i = 0; i < Faces; ++i) {
        faceColor[i] = s.faceColor[i];
        faceImageFile[i] = s.faceImageFile[i];
        delete faceImage[i];
        faceImage[i] = CopyOf(s.faceImage[i]);
        // A picture the board has shown but no longer keeps at full size
        // is read again.
        const bool dropped = s.painter->pictures.dropped[i] == faceImageFile[i];
        if (!faceImage[i] && !faceImageFile[i].isEmpty() && dropped)
            faceImage[i] = ReadPicture(faceImageFile[i]);
    }
    colorSet = s.colorSet;
    colorSetNames = s.colorSetNames;
    colorSetColors = s.colorSetColors;
    imageSet = s.imageSet;
    imageSetNames = s.imageSetNames;
    imageSetFiles = s.imageSetFiles;
}

void TFaceSets::Store(TSettings &s) const
{
    s.backgroundColor = backgroundColor;
    s.patternFile = patternFile;
    StoreCopy(s.patternImage, patternPreview);
    for (int i = 0; i < Faces; ++i) {
        s.faceColor[i] = faceColor[i];
        s.faceImageFile[i] = faceImageFile[i];
        StoreCopy(s.faceImage[i], faceImageFile[i].isEmpty() ? nullptr : faceImage[i]);
    }
    s.colorSet = colorSet;
    s.colorSetNames = colorSetNames;
    s.colorSetColors = colorSetColors;
    s.imageSet = imageSet;
    s.imageSetNames = imageSetNames;
    s.imageSetFiles = imageSetFiles;
}

// ---- Choosing ------------------------------------------------------------------

TSetsChange TFaceSets::PickColor(int target, TSetChooser &chooser)
{
    TSetsChange change;
    Color start;
    if (target == Background) {
        start = backgroundColor;
    } else if (ValidFace(target)) {
        if (!ColorSetSelected()) {
            chooser.Message(Text(ColorWords.noSet));
            return change;
        }
        start = faceColor[target];
    } else {
        return change;
    }

    Color chosen = start;
    if (!chooser.ChooseColor(start, chosen))
        return change;

    if (target == Background) {
        backgroundColor = chosen;
        change.background = true;
    } else {
        // Face and set hold the same value: a null colour is stored as 0.
        const int value = SetValueOf(chosen);
        faceColor[target] = value;
        const int p = 6 * (colorSet - 1) + target;
        if (p < colorSetColors.size())
            colorSetColors[p] = value;
        change.faceColors = uint8_t(1u << target);
    }
    change.modified = true;
    return change;
}

TSetsChange TFaceSets::PickImage(int target, TSetChooser &chooser)
{
    TSetsChange change;
    QString path;
    if (target == Background) {
        path = patternFile;
    } else if (ValidFace(target)) {
        if (!ImageSetSelected()) {
            chooser.Message(Text(ImageWords.noSet));
            return change;
        }
        path = faceImageFile[target];
    } else {
        return change;
    }

    const QString folder = path.isEmpty() ? QString() : FileDirectory(path);
    if (!chooser.ChooseImageFile(path, SelectImageTitle, folder))
        return change;

    if (target == Background) {
        patternFile = path;
        delete patternPreview;
        patternPreview = nullptr;
        patternPreview = ReadPicture(path);
        change.pattern = true;
    } else {
        SetFaceImage(target, path);
        const int p = 6 * (imageSet - 1) + target;
        if (p < imageSetFiles.size())
            imageSetFiles[p] = path;
        change.faceImages = uint8_t(1u << target);
    }
    change.modified = true;
    return change;
}

// ---- Colour sets ---------------------------------------------------------------

TSetsChange TFaceSets::AddColorSet(const QString &name, TSetChooser &chooser)
{
    TSetsChange change;
    int values[Faces];
    for (int i = 0; i < Faces; ++i)
        values[i] = SetValueOf(faceColor[i]);
    if (!AppendSet(name, values, colorSetNames, colorSetColors, colorSet, ColorWords, chooser)) {
        change.focusColorSetName = name.isEmpty();
        return change;
    }
    change.colorSetList = true;
    change.clearColorSetName = true;
    change.modified = true;
    return change;
}

TSetsChange TFaceSets::RemoveColorSet(TSetChooser &chooser)
{
    TSetsChange change;
    if (!RemoveSelectedSet(colorSetNames, colorSetColors, colorSet, ColorWords, chooser))
        return change;
    if (colorSetNames.isEmpty()) {
        colorSetColors.clear();
        colorSetNames.append(Text(TSettings::DefaultColorSetName));
        for (int i = 0; i < Faces; ++i) {
            faceColor[i] = TSettings::DefaultFaceColors[i];
            colorSetColors.append(SetValueOf(faceColor[i]));
        }
        change.faceColors = 0x3F;
    }
    colorSet = 1;
    for (int i = 0; i < Faces && i < colorSetColors.size(); ++i) {
        faceColor[i] = colorSetColors[i];
        change.faceColors |= uint8_t(1u << i);
    }
    change.colorSetList = true;
    change.modified = true;
    return change;
}

TSetsChange TFaceSets::SelectColorSet(int key)
{
    TSetsChange change;
    if (key < 0 || key >= colorSetNames.size())
        return change;
    colorSet = key + 1;
    for (int k = 0; k < Faces; ++k) {
        const int p = 6 * key + k;
        if (p < colorSetColors.size()) {
            faceColor[k] = colorSetColors[p];
            change.faceColors |= uint8_t(1u << k);
        }
    }
    change.modified = true;
    return change;
}

// ---- Image sets ----------------------------------------------------------------

TSetsChange TFaceSets::AddImageSet(const QString &name, TSetChooser &chooser)
{
    TSetsChange change;
    if (!AppendSet(name, faceImageFile, imageSetNames, imageSetFiles, imageSet, ImageWords, chooser)) {
        change.focusImageSetName = name.isEmpty();
        return change;
    }
    change.imageSetList = true;
    change.clearImageSetName = true;
    change.modified = true;
    return change;
}

TSetsChange TFaceSets::RemoveImageSet(TSetChooser &chooser)
{
    TSetsChange change;
    if (!RemoveSelectedSet(imageSetNames, imageSetFiles, imageSet, ImageWords, chooser))
        return change;
    change.imageSetList = true;
    change.modified = true;
    if (imageSetNames.isEmpty()) {
        // imageSet keeps its number, which now selects nothing.
        for (int i = 0; i < Faces; ++i) {
            delete faceImage[i];
            faceImage[i] = nullptr;
            faceImageFile[i].clear();
        }
        change.faceImages = 0x3F;
        return change;
    }
    imageSet = 1;
    for (int i = 0; i < Faces && i < imageSetFiles.size(); ++i) {
        SetFaceImage(i, imageSetFiles[i]);
        change.faceImages |= uint8_t(1u << i);
    }
    return change;
}

TSetsChange TFaceSets::SelectImageSet(int key)
{
    TSetsChange change;
    if (key < 0 || key >= imageSetNames.size())
        return change;
    imageSet = key + 1;
    for (int k = 0; k < Faces; ++k) {
        const int p = 6 * key + k;
        if (p < imageSetFiles.size()) {
            SetFaceImage(k, imageSetFiles[p]);
            change.faceImages |= uint8_t(1u << k);
        }
    }
    change.modified = true;
    return change;
}
