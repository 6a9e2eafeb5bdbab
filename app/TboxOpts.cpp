#include "TboxOpts.h"

#include "GameLook.h"
#include "Prompts.h"
#include "SetDialogs.h"
#include "TDib.h"
#include "TSettings.h"
#include "VlDialog.h"
#include "VlScale.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

using VlmImgUt::TDib;

namespace {

enum class Section { Appearance, Background, Colors, Images, Strip };

// The check boxes and the settings field each one starts from and saves to.
struct OptRow {
    VlOpt TboxOpts::*opt;
    Section section;
    int x, y, w, h;
    const char *caption;
    bool TSettings::*field;
};

const OptRow OptRows[] = {
    {&TboxOpts::useBoxColorsOpt, Section::Appearance, 18, 24, 110, 17, "Use Box Colors", &TSettings::useBoxColors},
    {&TboxOpts::useBoxImagesOpt, Section::Appearance, 18, 44, 110, 17, "Use Box Images", &TSettings::useBoxImages},
    {&TboxOpts::spanImagesOpt, Section::Appearance, 18, 64, 160, 17, "Span Images Over Boxes", &TSettings::spanImages},
    {&TboxOpts::tileImagesOpt, Section::Appearance, 18, 84, 110, 17, "Tile Images", &TSettings::tileImages},
    {&TboxOpts::rotateImagesOpt, Section::Appearance, 18, 104, 110, 17, "Rotate Images", &TSettings::rotateImages},
    {&TboxOpts::borderImagesOpt, Section::Appearance, 18, 124, 140, 17, "Border Around Images",
     &TSettings::borderImages},
    {&TboxOpts::usePatternOpt, Section::Background, 22, 143, 80, 17, "Use Pattern", &TSettings::usePattern},
    {&TboxOpts::tilePatternOpt, Section::Background, 119, 143, 50, 17, "Tile", &TSettings::tilePattern},
};
constexpr int AppearanceOpts = 6;

struct TextRow {
    VlText TboxOpts::*text;
    Section section;
    int x, y, w, h;
    const char *caption;   // empty: the value texts, set from the ratios
    Qt::Alignment align;
};

const TextRow TextRows[] = {
    {&TboxOpts::perspectiveLabel, Section::Appearance, 37, 147, 100, 14, "View Perspective", Qt::AlignHCenter},
    {&TboxOpts::sideLabel, Section::Appearance, 1, 164, 33, 15, "Side:", Qt::AlignRight},
    {&TboxOpts::sideValue, Section::Appearance, 139, 164, 26, 15, "", Qt::AlignRight},
    {&TboxOpts::topLabel, Section::Appearance, 1, 189, 33, 15, "Top:", Qt::AlignRight},
    {&TboxOpts::topValue, Section::Appearance, 139, 189, 26, 15, "", Qt::AlignRight},
    {&TboxOpts::scaleLabel, Section::Appearance, 0, 220, 86, 15, "Interface Scale", Qt::AlignRight},
    {&TboxOpts::colorLabel, Section::Background, 8, 23, 78, 14, "Color", Qt::AlignHCenter},
    {&TboxOpts::patternLabel, Section::Background, 91, 23, 78, 14, "Pattern", Qt::AlignHCenter},
    {&TboxOpts::colorSetLabel, Section::Colors, 10, 109, 114, 15, "Select Color Set", Qt::AlignHCenter},
    {&TboxOpts::imageSetLabel, Section::Images, 10, 109, 114, 15, "Select Image Set", Qt::AlignHCenter},
};

struct ButtonRow {
    VlButton TboxOpts::*button;
    Section section;
    int x, y, w, h;
    const char *caption;
    COLORREF ink;
};

constexpr COLORREF SelectInk = RGBColor(202, 181, 141);
constexpr COLORREF AddInk = RGBColor(88, 161, 202);
constexpr COLORREF RemoveInk = RGBColor(202, 121, 88);

const ButtonRow ButtonRows[] = {
    {&TboxOpts::backgroundButton, Section::Background, 20, 117, 54, 20, "Select", SelectInk},
    {&TboxOpts::patternButton, Section::Background, 103, 117, 54, 20, "Select", SelectInk},
    {&TboxOpts::addColorSetButton, Section::Colors, 134, 106, 100, 21, "Add Color Set ==>", AddInk},
    {&TboxOpts::removeColorSetButton, Section::Colors, 154, 134, 162, 20, "Remove Selected Color Set", RemoveInk},
    {&TboxOpts::addImageSetButton, Section::Images, 134, 106, 100, 21, "Add Image Set ==>", AddInk},
    {&TboxOpts::removeImageSetButton, Section::Images, 154, 134, 162, 20, "Remove Selected Image Set", RemoveInk},
    {&TboxOpts::saveButton, Section::Strip, 0, 0, 60, 22, "Save", RGBColor(101, 141, 221)},
    {&TboxOpts::cancelButton, Section::Strip, 90, 0, 60, 22, "Cancel", RGBColor(222, 101, 101)},
    {&TboxOpts::helpButton, Section::Strip, 180, 0, 60, 22, "Help", RGBColor(101, 222, 141)},
};

const char *const NoColorSetWarning =
    "WARNING!  No Color Set has been selected.\nDo you still wish to Save these Options?";
const char *const NoImageSetWarning =
    "WARNING!  No Image Set has been selected.\nDo you still wish to Save these Options?";

// While it lives, the kit's factors and font are those of a layout fitted
// to the screen, so that the panels rescale to it; the scale's own values
// come back at its end. A factor of 0 changes nothing.
class TFittedLayout {
public:
    explicit TFittedLayout(float s) : active(s > 0.0f)
    {
        if (!active)
            return;
        VlScaleX = VlScaleY = s;
        VlFontHeight = std::min(VlFontHeight, VlScaled(11, s));
        VlFont.setPixelSize(VlFontHeight);
    }
    ~TFittedLayout()
    {
        if (!active)
            return;
        VlScaleX = scaleX;
        VlScaleY = scaleY;
        VlFontHeight = fontHeight;
        VlFont = font;
    }
    TFittedLayout(const TFittedLayout &) = delete;
    TFittedLayout &operator=(const TFittedLayout &) = delete;

private:
    bool active;
    float scaleX = VlScaleX;
    float scaleY = VlScaleY;
    int fontHeight = VlFontHeight;
    QFont font = VlFont;
};

QString PercentText(int v)
{
    return QString::number(v) + QLatin1Char('%');
}

// A ratio as the slider shows it: percent, truncated in double precision.
// A slider at 29 is saved as the float nearest 0.29, just below it, and
// opens again as 28; options files written so read back the same way.
int PercentOf(float ratio)
{
    return int(double(ratio) * 100.0);
}

void StartPanel(VlPanel &panel, QWidget &parent, int x, int y, int w, int h, Color color)
{
    panel.setParent(&parent);
    panel.SetDesignRect(x, y, w, h, true);
    panel.color = panel.ownColor = color;
}

} // namespace

TboxOpts::TboxOpts(TSettings *settings_, QWidget *parent)
    : QDialog(parent), settings(settings_), sets(settings_->imgUt), openingScale(VlScale)
{
    // The working copies: background, pattern, faces and both kinds of set.
    sets.Load(*settings);
    previewBuffer = new TDib;
    previewBuffer->SetBrush(COLORREF(sets.backgroundColor));

    setWindowTitle(QStringLiteral("quibo Options"));
    resize(designWidth, designHeight);

    Build();
    modified = 0;

    for (const OptRow &r : OptRows)
        (this->*r.opt).Set(settings->*r.field);
    const int side = PercentOf(settings->sideRatio), top = PercentOf(settings->topRatio);
    sideSlider.Set(side);
    sideValue.SetText(PercentText(side));
    topSlider.Set(top);
    topValue.SetText(PercentText(top));
    scaleDrop.SetIndex(ScalePositionOf(VlScale));

    OnScale(true);
    // Nothing above runs an action: they are connected last.
    Connect();
}

TboxOpts::~TboxOpts()
{
    if (!saved && openingScale != VlScale)
        SetInterfaceScale(settings, VlLook, openingScale, VlAltButtonStyle);
    // The boxes show pictures that go with the working copies.
    patternBox.image = nullptr;
    for (VlImgBox &box : faceImageBox)
        box.image = nullptr;
    delete previewBuffer;
    previewBuffer = nullptr;
}

// ---- Building ----------------------------------------------------------------------

void TboxOpts::Build()
{
    BuildAppearance();
    BuildBackground();
    BuildColors();
    BuildImages();
    BuildButtons();
}

namespace {

VlPanel &PanelOf(TboxOpts &d, Section s)
{
    switch (s) {
    case Section::Appearance: return d.appearanceBox;
    case Section::Background: return d.backgroundBox;
    case Section::Colors: return d.colorsBox;
    case Section::Images: return d.imagesBox;
    case Section::Strip: break;
    }
    return d.buttonStrip;
}

// The texts, check boxes and captioned buttons of one section.
void PlaceRows(TboxOpts &d, Section s)
{
    VlPanel &parent = PanelOf(d, s);
    for (const TextRow &r : TextRows)
        if (r.section == s)
            PlaceText(parent, d.*r.text, r.x, r.y, r.w, r.h, r.caption, r.align);
    for (const OptRow &r : OptRows) {
        if (r.section != s)
            continue;
        VlOpt &o = d.*r.opt;
        o.setParent(&parent);
        VlSetDesignRect(o, r.x, r.y, r.w, r.h);
        o.setText(QString::fromLatin1(r.caption));
    }
    for (const ButtonRow &r : ButtonRows)
        if (r.section == s)
            PlaceTextButton(parent, d.*r.button, r.x, r.y, r.w, r.h, r.caption, Color(r.ink));
}

void StartTitleBox(VlTitleBox &box, QWidget &parent, int x, int y, int w, int h, const char *title, COLORREF ink)
{
    StartPanel(box, parent, x, y, w, h, 0x000000);
    box.SetFrame(VlFrame::ThinOutset);
    box.SetTitle(QString::fromLatin1(title), 0x000000, Color(ink), 2, 101);
}

void StartDrop(VlDrop &drop, QWidget &parent, int x, int y, int w, int h)
{
    drop.setParent(&parent);
    VlSetDesignRect(drop, x, y, w, h);
    drop.SetColors(0x000000, Color(RGBColor(171, 171, 171)), VlFont);
    drop.SetFrame(VlFrame::Inset);
}

void StartNameField(VlEditTx &edit, QWidget &parent)
{
    edit.setParent(&parent);
    VlSetDesignRect(edit, 236, 106, 100, 21);
    edit.SetColors(0x000000, false);
    edit.setFocusPolicy(Qt::ClickFocus);
}

} // namespace

void TboxOpts::BuildAppearance()
{
    StartTitleBox(appearanceBox, *this, 8, 8, 178, 248, " Appearance ", RGBColor(212, 141, 121));
    PlaceRows(*this, Section::Appearance);
    for (VlSlider *slider : {&sideSlider, &topSlider}) {
        slider->setParent(&appearanceBox);
        slider->MinMax(0, 50);
    }
    VlSetDesignRect(sideSlider, 38, 162, 100, 21);
    VlSetDesignRect(topSlider, 38, 187, 100, 21);
    StartDrop(scaleDrop, appearanceBox, 90, 217, 72, 21);
    for (int i = 0; i < VlScaleCount; ++i)
        scaleDrop.AddItem(i, QString::fromLatin1(VlScaleTable[i].name));
}

void TboxOpts::BuildBackground()
{
    StartTitleBox(backgroundBox, *this, 8, 265, 178, 167, " Background ", RGBColor(121, 212, 161));
    StartPanel(backgroundSwatch, backgroundBox, 8, 37, 78, 78, sets.backgroundColor);
    StartPanel(patternBox, backgroundBox, 91, 37, 78, 78, 0x000000);
    patternBox.context = settings->imgUt;
    patternBox.image = sets.patternPreview;
    PlaceRows(*this, Section::Background);
}

void TboxOpts::BuildColors()
{
    StartTitleBox(colorsBox, *this, 195, 8, 348, 162, " Box Colors ", RGBColor(121, 141, 222));
    for (int i = 0; i < Faces; ++i) {
        StartPanel(faceSwatch[i], colorsBox, 8 + 56 * i, 24, 50, 50, sets.faceColor[i]);
        PlaceTextButton(colorsBox, faceColorButton[i], 8 + 56 * i, 76, 50, 20, "Select", Color(SelectInk));
    }
    PlaceRows(*this, Section::Colors);
    StartDrop(colorSetDrop, colorsBox, 10, 124, 114, 21);
    FillSetList(colorSetDrop, sets.colorSetNames, sets.colorSet);
    StartNameField(colorSetName, colorsBox);
}

void TboxOpts::BuildImages()
{
    StartTitleBox(imagesBox, *this, 195, 179, 348, 162, " Box Images ", RGBColor(212, 212, 121));
    for (int i = 0; i < Faces; ++i) {
        StartPanel(faceImageBox[i], imagesBox, 8 + 56 * i, 24, 50, 50, 0x000000);
        faceImageBox[i].context = settings->imgUt;
        faceImageBox[i].image = sets.faceImage[i];
        PlaceTextButton(imagesBox, faceImageButton[i], 8 + 56 * i, 76, 50, 20, "Select", Color(SelectInk));
    }
    PlaceRows(*this, Section::Images);
    StartDrop(imageSetDrop, imagesBox, 10, 124, 114, 21);
    FillSetList(imageSetDrop, sets.imageSetNames, sets.imageSet);
    StartNameField(imageSetName, imagesBox);
}

void TboxOpts::BuildButtons()
{
    StartPanel(buttonStrip, *this, 249, 380, 240, 22, 0x000000);
    PlaceRows(*this, Section::Strip);
}

void TboxOpts::Connect()
{
    for (int k = 0; k < AppearanceOpts; ++k)
        connect(&(this->*OptRows[k].opt), &VlOpt::action, this, [this] { SetModified(); });
    connect(&sideSlider, &VlSlider::action, this, [this] { OnPerspective(sideSlider, sideValue); });
    connect(&topSlider, &VlSlider::action, this, [this] { OnPerspective(topSlider, topValue); });
    connect(&usePatternOpt, &VlOpt::action, this, [this] { OnChange(); });
    connect(&tilePatternOpt, &VlOpt::action, this, [this] { OnChange(); });
    connect(&scaleDrop, &VlDrop::action, this, [this] { OnScale(false); });
    connect(&backgroundButton, &QAbstractButton::clicked, this, [this] { PickColor(TFaceSets::Background); });
    connect(&patternButton, &QAbstractButton::clicked, this, [this] { PickImage(TFaceSets::Background); });
    for (int i = 0; i < Faces; ++i) {
        connect(&faceColorButton[i], &QAbstractButton::clicked, this, [this, i] { PickColor(i); });
        connect(&faceImageButton[i], &QAbstractButton::clicked, this, [this, i] { PickImage(i); });
    }
    connect(&colorSetDrop, &VlDrop::action, this, [this] { SelectColorSet(); });
    connect(&addColorSetButton, &QAbstractButton::clicked, this, [this] { AddColorSet(); });
    connect(&removeColorSetButton, &QAbstractButton::clicked, this, [this] { RemoveColorSet(); });
    connect(&imageSetDrop, &VlDrop::action, this, [this] { SelectImageSet(); });
    connect(&addImageSetButton, &QAbstractButton::clicked, this, [this] { AddImageSet(); });
    connect(&removeImageSetButton, &QAbstractButton::clicked, this, [this] { RemoveImageSet(); });
    connect(&saveButton, &QAbstractButton::clicked, this, [this] { SaveOptions(); });
    connect(&helpButton, &QAbstractButton::clicked, this, [this] { ShowHelp(); });
    connect(&cancelButton, &QAbstractButton::clicked, this, [this] { OnCancel(this); });
}

// ---- Scale ---------------------------------------------------------------------------

char TboxOpts::ScaleLetterAt(int position)
{
    return position >= 0 && position < VlScaleCount ? VlScaleTable[position].letter : 'n';
}

int TboxOpts::ScalePositionOf(char letter)
{
    for (int i = 0; i < VlScaleCount; ++i)
        if (VlScaleTable[i].letter == letter)
            return i;
    return 0;
}

QPoint TboxOpts::PlaceOverBuffer(int W, int H, int width, int height)
{
    const int dx = (W - width) / 2;
    const int x = dx + width <= W ? dx : W - width;
    const int y = std::max((H - height) / 2, 28);
    return QPoint(x, y);
}

void TboxOpts::OnScale(bool initial)
{
    const char letter = ScaleLetterAt(scaleDrop.GetIndex());
    if (!initial && letter == VlScale)
        return;
    SetInterfaceScale(settings, VlLook, letter, VlAltButtonStyle);
    scaledWidth = VlScaled(designWidth, VlScaleX);
    scaledHeight = VlScaled(designHeight, VlScaleY);

    // A scale too large for the screen ("c" and "s" on most) lays the
    // dialog out at a factor that fits, kept inside the available area.
    QWidget *buffer = parentWidget();
    const QRect area = AvailableArea(buffer ? buffer : this);
    fittedScale = 0.0f;
    if (!area.isEmpty() && (scaledWidth > area.width() || scaledHeight > area.height())) {
        fittedScale = FitLayoutScale(std::min(VlScaleX, VlScaleY), area.size(), [this](float s) {
            return QSize(VlScaled(designWidth, s), VlScaled(designHeight, s));
        });
        scaledWidth = VlScaled(designWidth, fittedScale);
        scaledHeight = VlScaled(designHeight, fittedScale);
    }

    QPoint at = PlaceOverBuffer(settings->bufferWidth, settings->bufferHeight, scaledWidth, scaledHeight);
    if (buffer)
        at += buffer->mapToGlobal(QPoint(0, 0));
    if (fittedScale > 0.0f) {
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.x() + area.width() - scaledWidth)));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.y() + area.height() - scaledHeight)));
    }
    setGeometry(QRect(at, QSize(scaledWidth, scaledHeight)));

    {
        const TFittedLayout fitted(fittedScale);
        RescalePanels();
    }
    if (!initial)
        SetModified();
    previewDirty = true;
    RefreshNow();
}

void TboxOpts::RescalePanels()
{
    appearanceBox.Rescale(true);
    sideValue.setFont(BoldFont());
    topValue.setFont(BoldFont());
    backgroundBox.Rescale(true);
    backgroundSwatch.Rescale(true);
    patternBox.ApplyScale();
    colorsBox.Rescale(true);
    imagesBox.Rescale(true);
    for (int i = 0; i < Faces; ++i) {
        faceSwatch[i].Rescale(true);
        faceImageBox[i].ApplyScale();
    }
    buttonStrip.Rescale(true);
    // The button that Enter triggers is bold and underlined.
    (modified ? cancelButton : saveButton).setFont(BoldFont());
    (modified ? saveButton : cancelButton).setFont(BoldUnderlinedFont());
}

// ---- Changes -------------------------------------------------------------------------

void TboxOpts::SetModified()
{
    if (modified)
        return;
    modified = 1;
    QFont cancel = cancelButton.font();
    cancel.setUnderline(false);
    cancel.setBold(true);
    cancelButton.setFont(cancel);
    QFont save = saveButton.font();
    save.setBold(true);
    save.setUnderline(true);
    saveButton.setFont(save);
}

void TboxOpts::OnPerspective(VlSlider &slider, VlText &label)
{
    label.SetText(PercentText(slider.Get()));
    SetModified();
}

void TboxOpts::OnChange()
{
    SetModified();
    previewDirty = true;
    RefreshNow();
}

void TboxOpts::RefreshNow()
{
    update();
    if (isVisible())
        repaint();
}

// ---- Background preview ----------------------------------------------------------------

void TboxOpts::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    if (!previewBuffer) {
        p.fillRect(rect(), ToQColor(uint32_t(sets.backgroundColor)));
        return;
    }
    if (previewBuffer->width != w || previewBuffer->height != h) {
        if (!previewBuffer->Create(w, h)) {
            // From now on the dialog shows the plain background colour.
            delete previewBuffer;
            previewBuffer = nullptr;
            return;
        }
        previewDirty = true;
    }
    if (previewDirty) {
        previewBuffer->SetBrush(COLORREF(sets.backgroundColor));
        Gdi::PatBlt(previewBuffer->dc, 0, 0, w, h, Gdi::PATCOPY);
        if (sets.patternPreview && usePatternOpt.Get()) {
            QRect whole(0, 0, w, h);
            settings->PutImage(previewBuffer, sets.patternPreview, whole, tilePatternOpt.Get(), false);
        }
        previewDirty = false;
    }
    Gdi::BlitToPainter(p, 0, 0, previewBuffer->dc, 0, 0, w, h);
}

// ---- Keys, help and Save ------------------------------------------------------------------

bool TboxOpts::Key(int key)
{
    if (key != 13)
        return false;
    if (modified) {
        SaveOptions();
    } else {
        done(2);
        close();
    }
    return true;
}

void TboxOpts::keyPressEvent(QKeyEvent *event)
{
    if (PlainEnter(*event) && Key(13)) {
        event->accept();
        return;
    }
    // Escape included: the dialog's own key handling is not used.
    event->ignore();
}

void TboxOpts::ShowHelp()
{
    settings->ShowHelpTopic(QStringLiteral("Opt000.htm"));
}

void TboxOpts::SaveOptions()
{
    if (!sets.ColorSetSelected() && !PromptOKCancel(this, QString::fromLatin1(NoColorSetWarning)))
        return;
    if (!sets.ImageSetSelected() && !PromptOKCancel(this, QString::fromLatin1(NoImageSetWarning)))
        return;

    TSettings &s = *settings;
    for (const OptRow &r : OptRows)
        s.*r.field = (this->*r.opt).Get();
    s.sideRatio = float(sideSlider.Get()) / 100.0f;
    s.topRatio = float(topSlider.Get()) / 100.0f;
    if (openingScale != VlScale) {
        saved = true;
        s.interfaceBlock.scale = VlScale;
        s.SaveInterfaceBlock();
    }
    sets.Store(s);
    if (!s.SaveOptions())
        PromptOK(this, s.optionsKeeper.saveFailure);
    done(1);
    close();
}

// ---- Colours, pictures and sets ---------------------------------------------------------------

template <class Operation>
void TboxOpts::RunSetOperation(Operation operation)
{
    TSetDialogs chooser(this, settings->imgUt);
    Show(operation(chooser));
}

void TboxOpts::PickColor(int target)
{
    RunSetOperation([&](TSetChooser &c) { return sets.PickColor(target, c); });
}

void TboxOpts::PickImage(int target)
{
    RunSetOperation([&](TSetChooser &c) { return sets.PickImage(target, c); });
}

void TboxOpts::AddColorSet()
{
    RunSetOperation([&](TSetChooser &c) { return sets.AddColorSet(colorSetName.text(), c); });
}

void TboxOpts::RemoveColorSet()
{
    RunSetOperation([&](TSetChooser &c) { return sets.RemoveColorSet(c); });
}

void TboxOpts::SelectColorSet()
{
    Show(sets.SelectColorSet(colorSetDrop.GetKey()));
}

void TboxOpts::AddImageSet()
{
    RunSetOperation([&](TSetChooser &c) { return sets.AddImageSet(imageSetName.text(), c); });
}

void TboxOpts::RemoveImageSet()
{
    RunSetOperation([&](TSetChooser &c) { return sets.RemoveImageSet(c); });
}

void TboxOpts::SelectImageSet()
{
    Show(sets.SelectImageSet(imageSetDrop.GetKey()));
}

void TboxOpts::FillSetList(VlDrop &drop, const QVector<QString> &names, int selected)
{
    drop.ClearList();
    for (int k = 0; k < names.size(); ++k)
        drop.AddItem(k, names[k]);
    drop.SetIndex(selected >= 1 && selected <= names.size() ? selected - 1 : -1);
}

void TboxOpts::ShowSwatch(VlPanel &swatch, Color color)
{
    swatch.color = swatch.ownColor = color;
    swatch.repaint();
}

void TboxOpts::Show(const TSetsChange &change)
{
    // The picture boxes always show the working pictures: an operation may
    // have replaced any of them.
    patternBox.image = sets.patternPreview;
    for (int i = 0; i < Faces; ++i)
        faceImageBox[i].image = sets.faceImage[i];

    if (change.background)
        ShowSwatch(backgroundSwatch, sets.backgroundColor);
    if (change.pattern)
        patternBox.repaint();
    for (int i = 0; i < Faces; ++i) {
        if (change.faceColors & (1u << i))
            ShowSwatch(faceSwatch[i], sets.faceColor[i]);
        if (change.faceImages & (1u << i))
            faceImageBox[i].repaint();
    }
    if (change.colorSetList)
        FillSetList(colorSetDrop, sets.colorSetNames, sets.colorSet);
    if (change.imageSetList)
        FillSetList(imageSetDrop, sets.imageSetNames, sets.imageSet);
    if (change.clearColorSetName)
        colorSetName.clear();
    if (change.clearImageSetName)
        imageSetName.clear();
    if (change.focusColorSetName)
        colorSetName.setFocus();
    if (change.focusImageSetName)
        imageSetName.setFocus();
    if (change.modified)
        SetModified();
    if (change.PreviewDirty()) {
        previewDirty = true;
        RefreshNow();
    }
}
