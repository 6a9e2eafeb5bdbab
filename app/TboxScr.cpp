#include "TboxScr.h"

#include "DialogRun.h"
#include "HtmlHelp.h"
#include "Prompts.h"
#include "TboxAbout.h"
#include "THighScrs.h"
#include "TboxOpts.h"
#include "TGame.h"
#include "TSettings.h"
#include "VlMenu.h"
#include "VlScale.h"
#include "VlLook.h"
#include "VlmPix.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>

#include <algorithm>

TboxScr *pBoxScr = nullptr;

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

// ---- Construction ----------------------------------------------------------

TboxScr::TboxScr()
    : TboxScr(nullptr)
{
}

TboxScr::TboxScr(TSettings *ownSettings)
    : settings(ownSettings ? ownSettings : new TSettings(TSettings::Environment::System())),
      flow(settings, panel, arrows),
      input(settings, flow, this),
      board(new TBoardView(settings, flow, input, this))
{
    Build();
}

void TboxScr::Build()
{
    StartupSkin();

    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setWindowState(Qt::WindowMaximized);
    setWindowTitle(QStringLiteral("quibo"));
    const int icon = VlmPix::Find(QStringLiteral("boxIcon"));
    if (icon >= 0)
        setWindowIcon(QIcon(QPixmap::fromImage(VlmPix::Get(icon))));

    pBoxScr = this;
    if (const QString notice = settings->optionsKeeper.TakeNotice(); !notice.isEmpty())
        PromptOK(this, notice);
    if (!settings->optionsKeeper.saveFailure.isEmpty())
        PromptOK(this, settings->optionsKeeper.saveFailure);
    // Stored values come from the options file unchecked: keep them in range
    // before the lists and the games use them.
    settings->gameType = std::clamp(settings->gameType, 1, 4);
    settings->levels = std::clamp(settings->levels, 2, 8);

    menuBar.setParent(this);
    {
        VlQtBar bar(&menuBar);
        MainMenu(bar);
    }
    menuBar.setFont(VlFont);
    menuBar.setNativeMenuBar(false);

    // The panel at the right edge over the full height.
    panel.setParent(board);
    panel.setGeometry(board->width() - panel.width, 0, panel.width, board->height());

    Wire();

    // Lists and lamps from the options.
    flow.ShowStoredSelection();
    if (!settings->bonusBoxes)
        panel.bonusLamp.SetSkinImage(QStringLiteral("off"), 'W');
    if (!settings->badBoxes)
        panel.badLamp.SetSkinImage(QStringLiteral("off"), 'W');

    // Full screen, menu bar hidden.
    menuShown = true;
    ToggleFullScreen();

    arrows.Build(board);
    flow.StartIntro();
    board->reRender = true;
    board->KillIntroTimer();

    ApplyInterface(settings->interfaceBlock.scale != 'n');
    board->setFocus();
}

void TboxScr::Wire()
{
    // The panel.
    connect(&panel.menuButton, &VlButton::clicked, this, [this] { ToggleFullScreen(); });
    connect(&panel.helpButton, &VlButton::clicked, this, [this] { ShowHelp(); });
    connect(&panel.minButton, &VlButton::clicked, this, [this] { MinimizeWindow(); });
    connect(&panel.exitButton, &VlButton::clicked, this, [this] { close(); });
    connect(&panel.newGameButton, &VlButton::clicked, &flow, &TGameFlow::NewGame);
    connect(&panel.gameTypeDrop, &VlDrop::action, &flow, &TGameFlow::OnGameType);
    connect(&panel.levelsDrop, &VlDrop::action, &flow, &TGameFlow::OnLevels);
    connect(&panel.soundsButton, &VlButton::clicked, &flow, &TGameFlow::ToggleSounds);
    connect(&panel.soundsLamp, &VlButton::clicked, &flow, &TGameFlow::ToggleSounds);
    connect(&panel.cheatButton, &VlButton::clicked, &flow, &TGameFlow::Cheat);
    connect(&panel.bonusLamp, &VlButton::clicked, &flow, &TGameFlow::ToggleBonusBoxes);
    connect(&panel.bonusButton, &VlButton::clicked, &flow, &TGameFlow::ToggleBonusBoxes);
    connect(&panel.badLamp, &VlButton::clicked, &flow, &TGameFlow::ToggleBadBoxes);
    connect(&panel.badButton, &VlButton::clicked, &flow, &TGameFlow::ToggleBadBoxes);
    connect(&panel.highScoresButton, &VlButton::clicked, this, [this] { ShowHighScores(); });
    connect(&panel.aboutButton, &VlButton::clicked, this, [this] { ShowAbout(); });
    connect(&panel.loadButton, &VlButton::clicked, this, [this] { LoadGame(); });
    connect(&panel.saveButton, &VlButton::clicked, this, [this] { SaveGame(); });
    connect(&panel.optionsButton, &VlButton::clicked, this, [this] { ShowOptions(); });
    static const int shapeDir[4] = {1, 3, 2, 4};   // arrays hold left, up, right, down
    for (int i = 0; i < 4; ++i) {
        const int d = shapeDir[i];
        connect(&panel.shapeArrow[i], &VlButton::clicked, &flow, [this, d] { flow.RotateShape(d); });
        connect(&panel.boxArrow[i], &VlButton::clicked, &flow, [this, d] { flow.TurnBox(d); });
    }

    // The level arrows: the i-th turns level or slice i + 1.
    for (int i = 0; i < 8; ++i) {
        const int k = i + 1;
        connect(&arrows.levelLeft[i], &VlButton::clicked, &flow, [this, k] { flow.RotateLevel(k, 1); });
        connect(&arrows.levelRight[i], &VlButton::clicked, &flow, [this, k] { flow.RotateLevel(k, 2); });
        connect(&arrows.levelUp[i], &VlButton::clicked, &flow, [this, k] { flow.RotateLevel(k, 3); });
        connect(&arrows.levelDown[i], &VlButton::clicked, &flow, [this, k] { flow.RotateLevel(k, 4); });
    }

    // The parts among themselves.
    connect(&flow, &TGameFlow::rerender, board, &TBoardView::Rerender);
    connect(&flow, &TGameFlow::introEnded, board, &TBoardView::KillIntroTimer);
    connect(&flow, &TGameFlow::laidOut, this, &TboxScr::Layout);
    connect(&flow, &TGameFlow::scoreQualifies, this, &TboxScr::ShowNewScore);
    connect(&input, &TBoardInput::rerender, board, [this] { board->Rerender(true); });
    connect(&input, &TBoardInput::repaint, board, &TBoardView::RefreshSync);
    connect(&input, &TBoardInput::cursorChosen, board, [this](const QImage &image, bool moving) {
        board->cursorImage = image;
        board->SetBoardCursor(moving);
    });
    connect(&input, &TBoardInput::contextMenuWanted, this, &TboxScr::ExecuteContextMenu);
    connect(&input, &TBoardInput::command, this, [this](TKeyCommand c) {
        switch (c) {
        case TKeyCommand::Quit: close(); break;
        case TKeyCommand::FullScreen: ToggleFullScreen(); break;
        case TKeyCommand::Help: ShowHelp(); break;
        case TKeyCommand::Minimize: MinimizeWindow(); break;
        case TKeyCommand::Options: ShowOptions(); break;
        }
    });
    connect(board, &TBoardView::solved, &flow, &TGameFlow::OnSolved);
    connect(board, &TBoardView::sizeChanged, this, &TboxScr::SyncWindowSize);
}

TboxScr::~TboxScr()
{
    board->KillIntroTimer();
    delete flow.game;
    flow.game = nullptr;
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
    board->setGeometry(0, top, w, std::max(h - top, 0));
}

void TboxScr::Layout()
{
    PlaceFrames();
    if (!settings)
        return;
    settings->clientWidth = board->width();
    settings->clientHeight = board->height();
    panel.setGeometry(board->width() - panel.width, 0, panel.width, board->height());
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
    board->introTitleHeight = 55;
    board->reRender = true;
    settings->inputEnabled = was;
}

void TboxScr::FitToScreen(Qt::WindowStates state)
{
    QScreen *s = screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    // Without a window manager the states alone leave the window small.
    setGeometry((state & Qt::WindowFullScreen) ? s->geometry() : s->availableGeometry());
}

void TboxScr::ToggleFullScreen()
{
    menuShown = !menuShown;
    if (menuShown) {
        setWindowState((windowState() & ~(Qt::WindowFullScreen | Qt::WindowMinimized)) | Qt::WindowMaximized);
        FitToScreen(windowState());
        menuBar.show();
    } else {
        menuBar.hide();
        const Qt::WindowStates state = (windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen;
        FitToScreen(state);
        setWindowState(state);
    }
    SyncWindowSize();
    board->RefreshSync();
}

void TboxScr::MinimizeWindow()
{
    board->setFocus(Qt::OtherFocusReason);
    showMinimized();
}

void TboxScr::ApplyInterface(bool relayout)
{
    const TInterfaceBlock &ib = settings->interfaceBlock;
    SetInterfaceScale(settings, ib.look, ib.scale, ib.buttonStyle != 0);
    if (!relayout)
        return;
    panel.ApplyScale();
    arrows.ApplyScale();
    flow.UpdateLamps();
    board->cursorWidth = board->cursorHeight = TBoardView::CursorSizeOf(VlScale);
    Layout();
}

// ---- Shut-down -------------------------------------------------------------

void TboxScr::closeEvent(QCloseEvent *event)
{
    if (!closing) {
        closing = true;
        board->KillIntroTimer();
        if (settings) {
            TOptionsKeeper &keeper = settings->optionsKeeper;
            bool saved = settings->SaveChangedGameSettings();
            // Another game holds the lock: the player says whether to try
            // again; the window answers meanwhile.
            while (keeper.Pending() && PromptOKCancel(this, keeper.CloseQuestion()))
                saved = settings->SaveChangedGameSettings();
            if (const QString notice = keeper.TakeNotice(); !notice.isEmpty())
                PromptOK(this, notice);
            if (!saved && !keeper.PutOff())
                PromptOK(this, keeper.saveFailure);
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
    if (board->hasFocus() || !input.Key(event->key(), event->modifiers()))
        event->ignore();
}

// ---- Menus -------------------------------------------------------------------

void TboxScr::MainMenu(VlBar &bar)
{
    bar.Sub(QStringLiteral("Game"), [this](VlBar &b) { GameMenu(b); });
    bar.Sub(QStringLiteral("Help"), [this](VlBar &b) { HelpMenu(b); });
}

void TboxScr::GameMenu(VlBar &bar)
{
    bar.Add(QStringLiteral("New Game  [N]"), [this] { flow.NewGame(); });
    bar.Add(QStringLiteral("Load Game..."), [this] { LoadGame(); });
    bar.Add(QStringLiteral("Save Game..."), [this] { SaveGame(); });
    bar.Separator();
    bar.Add(QStringLiteral("Options...  [O]"), [this] { ShowOptions(); });
    bar.Separator();
    bar.Add(QStringLiteral("Quit  [X]"), [this] { close(); });
}

void TboxScr::HelpMenu(VlBar &bar)
{
    bar.Add(QStringLiteral("quibo Help  [H]"), [this] { ShowHelp(); });
    bar.Separator();
    bar.Add(QStringLiteral("About quibo"), [this] { ShowAbout(); });
}

void TboxScr::ContextMenu(VlBar &bar)
{
    GameMenu(bar);
    bar.Break();
    HelpMenu(bar);
}

void TboxScr::ExecuteContextMenu(const QPoint &globalPos)
{
    VlPopupMenu menu;
    ContextMenu(menu);
    menu.Execute(globalPos);
}

// ---- Dialog openers ------------------------------------------------------------
// Each game dialog runs through DialogRun.h: the board's input is off while
// it runs, and the board has the focus again afterwards.

void TboxScr::ShowHelp()
{
    if (!settings)
        return;
    if (settings->helpWindow) {
        settings->helpWindow->close();
        settings->helpWindow = nullptr;
    }
    // The help window is a top-level window of its own beside the game.
    settings->helpWindow = HtmlHelp::DisplayToc(settings->helpFile);
}

void TboxScr::ShowAbout()
{
    OpenDialog(settings, board, [this] { return new TboxAbout(settings, this); }, TDialogPlace::CentredOnOwner);
}

// The file dialogs pause the board's input themselves (the game flow's).
void TboxScr::LoadGame()
{
    flow.LoadGame(DialogOwner(), board);
}

void TboxScr::SaveGame()
{
    flow.SaveGame(DialogOwner(), board);
}

QWidget *TboxScr::DialogOwner()
{
    return isVisible() ? this : nullptr;
}

void TboxScr::ShowOptions()
{
    if (!settings)
        return;
    // Input stays off until the board is laid out and rendered again.
    TInputPause pause(settings, board);
    const char scale = settings->interfaceBlock.scale;
    bool ok;
    {
        // The dialog places itself over the board; its destructor puts back
        // a scale that was tried and not saved.
        TboxOpts dialog(settings, board);
        ok = RunDialog(dialog, TDialogPlace::AsPlaced) == 1;
    }
    if (!ok)
        return;
    if (settings->interfaceBlock.scale != scale)
        ApplyInterface(true);
    if (TGame *game = flow.game) {
        game->selectedId = 0;
        game->infoId = 0;
        flow.keepMessage = false;
        flow.LayoutBoard();
    }
    board->Rerender(true);
}

void TboxScr::ShowHighScores()
{
    OpenDialog(settings, board, [this] { return new THighScrs(settings, 0, this); });
}

void TboxScr::ShowNewScore(int score)
{
    // No modal run inside a paint: the dialog runs right after it, and the
    // rest of the end of the game after the dialog.
    const QPointer<TboxScr> self(this);
    const TGame *solved = flow.game;
    QTimer::singleShot(0, this, [self, score, solved] {
        if (!self)
            return;
        OpenDialog(self->settings, self->board, [&] { return new THighScrs(self->settings, score, self); });
        if (!self)
            return;
        self->flow.HallOfFameDone(solved);
        self->board->update();   // the uncovered board
    });
}
