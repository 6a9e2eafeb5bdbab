// The menus of the main window and the help opener.
#include "TboxScr.h"

#include "HtmlHelp.h"
#include "TSettings.h"

void TboxScr::MainMenu(TBar &bar)
{
    bar.Sub(QStringLiteral("Game"), [this](TBar &b) { GameMenu(b); });
    bar.Sub(QStringLiteral("Help"), [this](TBar &b) { HelpMenu(b); });
}

// "Load Game...", "Save Game...", "Options...  [O]" and "About quibo" join
// these menus with their dialogs.
void TboxScr::GameMenu(TBar &bar)
{
    bar.Add(QStringLiteral("New Game  [N]"), [this] { NewGame(); });
    bar.Separator();
    bar.Add(QStringLiteral("Quit  [X]"), [this] { close(); });
}

void TboxScr::HelpMenu(TBar &bar)
{
    bar.Add(QStringLiteral("quibo Help  [H]"), [this] { ShowHelp(); });
}

void TboxScr::ContextMenu(TBar &bar)
{
    GameMenu(bar);
    bar.Break();
    HelpMenu(bar);
}

void TboxScr::ExecuteContextMenu(const QPoint &globalPos)
{
    TContextMenu menu;
    ContextMenu(menu);
    menu.Execute(globalPos);
}

void TboxScr::ShowHelp()
{
    if (!settings)
        return;
    if (settings->helpWindow) {
        settings->helpWindow->close();
        settings->helpWindow = nullptr;
    }
    // The owner would be helpOwner or the desktop: our help windows are
    // top-level windows of their own either way.
    settings->helpWindow = HtmlHelp::DisplayToc(settings->helpFile);
}
