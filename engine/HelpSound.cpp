// Help topics and sounds.
#include "TSettings.h"

#include "HtmlHelp.h"
#include "Sound.h"

#include <QWidget>

void TSettings::ShowHelpTopic(const QString &topic)
{
    // A window the player closed is gone already; a live one is closed.
    if (helpWindow) {
        helpWindow->close();
        helpWindow = nullptr;
    }
    // The owner (helpOwner, else the desktop) has no part in our viewer:
    // help windows are top-level windows of their own.
    helpWindow = HtmlHelp::DisplayTopic(helpFile + QStringLiteral("::/html/") + topic);
}

void TSettings::PlayWave(const QString &name)
{
    Snd::PlayResource(name);
}
