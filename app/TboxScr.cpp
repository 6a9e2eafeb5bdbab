// The main window: construction, layout, full screen and maximised, the
// interface, shut-down, and the mapping of Qt's events onto the handlers.
#include "TboxScr.h"

#include "TGame.h"
#include "TSettings.h"
#include "TSplash.h"
#include "VlScale.h"
#include "VlmPix.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <algorithm>

TboxScr *pBoxScr = nullptr;

namespace {

std::function<bool(const QString &)> &Answerer()
{
    static std::function<bool(const QString &)> answerer;
    return answerer;
}

unsigned FlagsOf(const QMouseEvent *event)
{
    return (event->buttons() & Qt::LeftButton) ? TboxScr::KeyFlagLeft : 0u;
}

// The answerer when one is set, else a message box; true for OK.
bool Prompt(QWidget *parent, const QString &text, bool withCancel)
{
    if (Answerer())
        return Answerer()(text);
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(withCancel ? QMessageBox::Question : QMessageBox::Information, QStringLiteral("quibo"), text,
                    buttons, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void SetLines(VlText (&lines)[3], const char *line0, const char *line1, const char *line2)
{
    lines[0].SetText(QString::fromLatin1(line0));
    lines[1].SetText(QString::fromLatin1(line1));
    lines[2].SetText(QString::fromLatin1(line2));
}

} // namespace

// ---- Message boxes ---------------------------------------------------------

bool TboxScr::PromptOKCancel(QWidget *parent, const QString &text)
{
    return Prompt(parent, text, true);
}

void TboxScr::PromptOK(QWidget *parent, const QString &text)
{
    Prompt(parent, text, false);
}

void TboxScr::SetPromptAnswerer(std::function<bool(const QString &)> answerer)
{
    Answerer() = std::move(answerer);
}

// ---- Start-up helpers ------------------------------------------------------

void TboxScr::StartupSkin()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::setFont(VlSansFont(11));
    VlSkinReset();
    VlSetSystemColors(VlLookColors{0xABABAB, 0xABABAB, 0xABABAB, 0x83654D});
    VlSkinFinish();
}

bool TboxScr::EndSwitch(const QString &arguments)
{
    const int n = std::min<int>(int(arguments.size()), 1000);
    for (int i = 0; i < n; ++i) {
        const QChar c = arguments.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('-')) {
            if (i + 1 >= arguments.size())
                return false;
            const QChar next = arguments.at(i + 1);
            return next == QLatin1Char('D') || next == QLatin1Char('d');
        }
    }
    return false;
}

uint32_t TboxScr::KeyCodeOf(const QKeyEvent *event)
{
    const int k = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    uint32_t vk = 0;
    if (k >= Qt::Key_A && k <= Qt::Key_Z)
        vk = uint32_t(k - Qt::Key_A + 0x41);
    else if (k >= Qt::Key_0 && k <= Qt::Key_9)
        vk = (mods & Qt::KeypadModifier) ? uint32_t(k - Qt::Key_0 + 0x60) : uint32_t(k - Qt::Key_0 + 0x30);
    else if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        vk = uint32_t(k - Qt::Key_F1 + 0x70);
    else {
        switch (k) {
        case Qt::Key_Left: vk = 0x25; break;
        case Qt::Key_Up: vk = 0x26; break;
        case Qt::Key_Right: vk = 0x27; break;
        case Qt::Key_Down: vk = 0x28; break;
        case Qt::Key_Minus: vk = (mods & Qt::KeypadModifier) ? 0x6D : 0xBD; break;
        case Qt::Key_Plus: vk = (mods & Qt::KeypadModifier) ? 0x6B : 0xBB; break;
        case Qt::Key_Space: vk = 0x20; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: vk = 0x0D; break;
        case Qt::Key_Escape: vk = 0x1B; break;
        case Qt::Key_Tab: vk = 0x09; break;
        case Qt::Key_Backspace: vk = 0x08; break;
        case Qt::Key_Delete: vk = 0x2E; break;
        case Qt::Key_Insert: vk = 0x2D; break;
        case Qt::Key_Home: vk = 0x24; break;
        case Qt::Key_End: vk = 0x23; break;
        case Qt::Key_PageUp: vk = 0x21; break;
        case Qt::Key_PageDown: vk = 0x22; break;
        default: return 0;
        }
    }
    uint32_t code = KeyDelta + vk;
    if (mods & Qt::ShiftModifier)
        code |= KeyShift;
    if (mods & Qt::ControlModifier)
        code |= KeyCtrl;
    if (mods & Qt::AltModifier)
        code |= KeyAlt;
    if (mods & Qt::MetaModifier)
        code |= KeyMeta;
    return code;
}

// ---- The board view --------------------------------------------------------

TBoardView::TBoardView(TboxScr *owner)
    : QWidget(owner), owner(owner)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
}

void TBoardView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const bool was = owner->painting;
    owner->painting = true;
    owner->Paint(painter);
    owner->painting = was;
}

void TBoardView::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        owner->LeftDown(p, FlagsOf(event));
    else if (event->button() == Qt::RightButton)
        owner->RightDown(p, FlagsOf(event));
}

// The second press of a double click is a press like the first.
void TBoardView::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void TBoardView::mouseMoveEvent(QMouseEvent *event)
{
    owner->MouseMove(event->position().toPoint(), FlagsOf(event));
}

void TBoardView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        owner->LeftUp(event->position().toPoint(), FlagsOf(event));
}

void TBoardView::keyPressEvent(QKeyEvent *event)
{
    const uint32_t code = TboxScr::KeyCodeOf(event);
    if (!owner->Key(code, 1))
        event->ignore();
}

bool TBoardView::focusNextPrevChild(bool)
{
    return false;
}

// ---- Construction ----------------------------------------------------------

TboxScr::TboxScr()
    : TboxScr(nullptr)
{
}

TboxScr::TboxScr(TSettings *ownSettings)
{
    settings = ownSettings;
    Build();
}

void TboxScr::Build()
{
    // 2: members exist; the colours start null, the strips have no colour.
    view = new TBoardView(this);
    sideStrip.opaque = false;
    sideStrip.color = sideStrip.ownColor = ColorNull;
    bottomStrip.opaque = false;
    bottomStrip.color = bottomStrip.ownColor = ColorNull;

    // 3: the skin again.
    StartupSkin();

    // 4, 5: maximised, title, icon.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setWindowState(Qt::WindowMaximized);
    setWindowTitle(QStringLiteral("quibo"));
    const int icon = VlmPix::Find(QStringLiteral("boxIcon"));
    if (icon >= 0)
        setWindowIcon(QIcon(QPixmap::fromImage(VlmPix::Get(icon))));

    // 6, 7.
    pBoxScr = this;
    if (!settings) {
        settings = new TSettings(TSettings::Environment::System());
        if (const QString notice = settings->TakeOptionsNotice(); !notice.isEmpty())
            PromptOK(this, notice);
        if (!settings->saveFailure.isEmpty())
            PromptOK(this, settings->saveFailure);
    }
    game = nullptr;
    // Stored values come from the options file unchecked: keep them in range
    // before the lists and the games use them.
    settings->gameType = std::clamp(settings->gameType, 1, 4);
    settings->levels = std::clamp(settings->levels, 2, 8);

    // 8: the menu bar.
    menuBar.setParent(this);
    {
        TQtBar bar(&menuBar);
        MainMenu(bar);
    }
    menuBar.setFont(VlFont);
    menuBar.setNativeMenuBar(false);

    // 9: the panel at the right edge over the full height.
    panel.setParent(view);
    panel.setGeometry(view->width() - panel.width, 0, panel.width, view->height());

    // 10: the actions.
    connect(&panel.menuButton, &VlButton::clicked, this, [this] { ToggleFullScreen(); });
    connect(&panel.helpButton, &VlButton::clicked, this, [this] { ShowHelp(); });
    connect(&panel.minButton, &VlButton::clicked, this, [this] { MinimizeWindow(); });
    connect(&panel.exitButton, &VlButton::clicked, this, [this] { close(); });
    connect(&panel.newGameButton, &VlButton::clicked, this, [this] { NewGame(); });
    connect(&panel.gameTypeDrop, &VlDrop::action, this, [this] { OnGameType(); });
    connect(&panel.levelsDrop, &VlDrop::action, this, [this] { OnLevels(); });
    connect(&panel.soundsButton, &VlButton::clicked, this, [this] { ToggleSounds(); });
    connect(&panel.soundsLamp, &VlButton::clicked, this, [this] { ToggleSounds(); });
    connect(&panel.cheatButton, &VlButton::clicked, this, [this] { Cheat(); });
    connect(&panel.bonusLamp, &VlButton::clicked, this, [this] { ToggleBonusBoxes(); });
    connect(&panel.bonusButton, &VlButton::clicked, this, [this] { ToggleBonusBoxes(); });
    connect(&panel.badLamp, &VlButton::clicked, this, [this] { ToggleBadBoxes(); });
    connect(&panel.badButton, &VlButton::clicked, this, [this] { ToggleBadBoxes(); });
    connect(&panel.highScoresButton, &VlButton::clicked, this, [this] { ShowHighScores(); });
    static const int shapeDir[4] = {1, 3, 2, 4};   // arrays hold left, up, right, down
    for (int i = 0; i < 4; ++i) {
        const int d = shapeDir[i];
        connect(&panel.shapeArrow[i], &VlButton::clicked, this, [this, d] { RotateShape(d); });
    }
    for (int i = 0; i < 4; ++i) {
        const int d = shapeDir[i];
        connect(&panel.boxArrow[i], &VlButton::clicked, this, [this, d] { TurnBox(d); });
    }
    // The About box, the options and loading and saving come with their
    // dialogs; until then their buttons are off.
    panel.aboutButton.setEnabled(false);
    panel.optionsButton.setEnabled(false);
    panel.loadButton.setEnabled(false);
    panel.saveButton.setEnabled(false);

    // 11: lists and lamps from the options.
    reRender = true;
    cursorWidth = cursorHeight = 32;
    ShowStoredSelection();
    if (!settings->bonusBoxes)
        panel.bonusLamp.SetSkinImage(QStringLiteral("off"), 'W');
    if (!settings->badBoxes)
        panel.badLamp.SetSkinImage(QStringLiteral("off"), 'W');
    soundsOn = true;

    // 12: full screen, menu bar hidden.
    menuShown = true;
    ToggleFullScreen();
    sideStripShown = bottomStripShown = false;

    // 13: the level-arrow strips.
    sideStrip.setParent(view);
    sideStrip.SetDesignRect(0, 0, 39, 222, true);
    sideStrip.hide();
    bottomStrip.setParent(view);
    bottomStrip.SetDesignRect(0, 0, 222, 39, true);
    bottomStrip.hide();
    const QImage lf = VlmPix::lflev(), rt = VlmPix::rtlev(), up = VlmPix::uplev(), dn = VlmPix::dnlev();
    for (int i = 0; i < 8; ++i) {
        levelLeft[i].setParent(&sideStrip);
        levelLeft[i].SetDesignRect(1, 1 + 20 * i, 18, 18);
        levelLeft[i].SetImage(lf);
        levelRight[i].setParent(&sideStrip);
        levelRight[i].SetDesignRect(20, 1 + 20 * i, 18, 18);
        levelRight[i].SetImage(rt);
        levelUp[i].setParent(&bottomStrip);
        levelUp[i].SetDesignRect(1 + 20 * i, 1, 18, 18);
        levelUp[i].SetImage(up);
        levelDown[i].setParent(&bottomStrip);
        levelDown[i].SetDesignRect(1 + 20 * i, 20, 18, 18);
        levelDown[i].SetImage(dn);
        const int k = i + 1;
        connect(&levelLeft[i], &VlButton::clicked, this, [this, k] { RotateLevel(k, 1); });
        connect(&levelRight[i], &VlButton::clicked, this, [this, k] { RotateLevel(k, 2); });
        connect(&levelUp[i], &VlButton::clicked, this, [this, k] { RotateLevel(k, 3); });
        connect(&levelDown[i], &VlButton::clicked, this, [this, k] { RotateLevel(k, 4); });
    }
    messageStartColor = 0x8DABCA;
    messageSolvedColor = 0xCAB542;
    messageBonusColor = 0xABCA42;
    messageBadColor = 0x798DDE;
    messageCheatColor = 0xAB6FBF;
    keepMessage = true;
    soundsOn = true;
    dragging = false;
    introRunning = true;

    // 14: the intro scene.
    game = new TSplash(settings);
    sideStripShown = bottomStripShown = false;
    panel.specialShown = false;
    panel.boxPanelShown = true;
    dragGame = false;
    game->Setup();
    LayoutBoard();

    // 15.
    reRender = true;
    introTitleColor = 0xFF6800;
    introTitleHeight = 55;
    KillIntroTimer();

    // 16: the intro messages.
    SetHints("Right-click boxes", "for info. Click to", "select and practice.");
    ShowMessage(messageStartColor, "Please Choose a", "Game Type & Levels.", "Then click New Game.");

    // 17: the stored interface.
    ApplyInterface(settings->interfaceBlock.scale != 'n');
    view->setFocus();
}

TboxScr::~TboxScr()
{
    KillIntroTimer();
    delete game;
    game = nullptr;
    delete settings;
    settings = nullptr;
    if (pBoxScr == this)
        pBoxScr = nullptr;
}

// ---- Layout ----------------------------------------------------------------

void TboxScr::PlaceFrames()
{
    const int w = QWidget::width(), h = QWidget::height();
    int top = 0;
    if (menuShown && !menuBar.isHidden()) {
        top = menuBar.sizeHint().height();
        menuBar.setGeometry(0, 0, w, top);
    }
    view->setGeometry(0, top, w, std::max(h - top, 0));
}

void TboxScr::Layout()
{
    PlaceFrames();
    if (!settings)
        return;
    settings->clientWidth = view->width();
    settings->clientHeight = view->height();
    panel.setGeometry(view->width() - panel.width, 0, panel.width, view->height());
    panel.Layout();
}

void TboxScr::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Layout();
}

void TboxScr::SyncWindowSize()
{
    if (!settings)
        return;
    const bool was = settings->inputEnabled;
    settings->inputEnabled = false;
    Layout();
    settings->bufferWidth = settings->clientWidth;
    settings->bufferHeight = settings->clientHeight;
    introTitleHeight = 55;
    reRender = true;
    settings->inputEnabled = was;
}

void TboxScr::FitToScreen()
{
    QScreen *s = screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    // Without a window manager the states alone leave the window small.
    setGeometry((windowState() & Qt::WindowFullScreen) ? s->geometry() : s->availableGeometry());
}

void TboxScr::ToggleFullScreen()
{
    menuShown = !menuShown;
    if (menuShown) {
        setWindowState((windowState() & ~(Qt::WindowFullScreen | Qt::WindowMinimized)) | Qt::WindowMaximized);
        FitToScreen();
        menuBar.show();
    } else {
        menuBar.hide();
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
        FitToScreen();
    }
    SyncWindowSize();
    RefreshSync();
}

void TboxScr::MinimizeWindow()
{
    FocusBoard();
    showMinimized();
}

void TboxScr::ApplyInterface(bool relayout)
{
    const TInterfaceBlock &ib = settings->interfaceBlock;
    SetInterfaceScale(settings, ib.look, ib.scale, ib.buttonStyle != 0);
    if (!relayout)
        return;
    panel.ApplyScale();
    sideStrip.Rescale(true);
    bottomStrip.Rescale(true);
    UpdateLamps();
    for (int i = 0; i < 8; ++i) {
        levelLeft[i].SetSkinImage(QStringLiteral("lflev"), 'W');
        levelRight[i].SetSkinImage(QStringLiteral("rtlev"), 'W');
        levelUp[i].SetSkinImage(QStringLiteral("uplev"), 'W');
        levelDown[i].SetSkinImage(QStringLiteral("dnlev"), 'W');
    }
    switch (VlScale) {
    case 'j':
    case 'h': cursorWidth = 48; break;
    case 'e':
    case 'g': cursorWidth = 64; break;
    case 'c':
    case 's': cursorWidth = 96; break;
    default: cursorWidth = 32; break;
    }
    cursorHeight = cursorWidth;
    Layout();
}

// ---- Shut-down -------------------------------------------------------------

void TboxScr::closeEvent(QCloseEvent *event)
{
    if (!closing) {
        closing = true;
        KillIntroTimer();
        if (settings) {
            const bool saved = settings->SaveChangedGameSettings();
            if (const QString notice = settings->TakeOptionsNotice(); !notice.isEmpty())
                PromptOK(this, notice);
            if (!saved)
                PromptOK(this, settings->saveFailure);
            if (settings->helpWindow) {
                settings->helpWindow->close();
                settings->helpWindow = nullptr;
            }
        }
    }
    event->accept();
    emit closed();
}

void TboxScr::keyPressEvent(QKeyEvent *event)
{
    // Keys reach the window itself only while the board has no focus.
    if (view->hasFocus() || !Key(KeyCodeOf(event), 1))
        event->ignore();
}

// ---- Helpers ---------------------------------------------------------------

void TboxScr::RefreshSync()
{
    if (painting || !view->isVisible())
        view->update();
    else
        view->repaint();
}

void TboxScr::PlaySound(const char *name)
{
    if (soundsOn && settings)
        settings->PlayWave(QString::fromLatin1(name));
}

void TboxScr::StartIntroTimer()
{
    if (introTimer)
        return;
    introTimer = new QTimer(this);
    introTimer->setInterval(100);
    connect(introTimer, &QTimer::timeout, this, [this] { SplashTimerProc(); });
    introTimer->start();
}

void TboxScr::KillIntroTimer()
{
    if (!introTimer)
        return;
    introTimer->stop();
    delete introTimer;
    introTimer = nullptr;
}

void TboxScr::ShowMessage(Color background, const char *line0, const char *line1, const char *line2)
{
    panel.messagePanel.color = background;
    SetLines(panel.messageText, line0, line1, line2);
    panel.hintPanel.hide();
    panel.messagePanel.show();
    panel.messagePanel.update();
}

void TboxScr::SetHints(const char *line0, const char *line1, const char *line2)
{
    SetLines(panel.hintText, line0, line1, line2);
}

void TboxScr::UpdateLamps()
{
    panel.bonusLamp.SetSkinImage(settings && settings->bonusBoxes ? QStringLiteral("onyel") : QStringLiteral("off"), 'W');
    panel.badLamp.SetSkinImage(settings && settings->badBoxes ? QStringLiteral("onyel") : QStringLiteral("off"), 'W');
    panel.soundsLamp.SetSkinImage(soundsOn ? QStringLiteral("onred") : QStringLiteral("off"), 'W');
}

void TboxScr::ShowStoredSelection()
{
    panel.gameTypeDrop.SetIndex(std::clamp(settings->gameType, 1, 4) - 1);
    panel.levelsDrop.SetIndex(std::clamp(settings->levels, 2, 8) - 2);
}

void TboxScr::FocusBoard()
{
    view->setFocus(Qt::OtherFocusReason);
}
