// Help topics and sounds, and the help viewer's session.
#include "HelpSound.h"

#include "TSettings.h"

#include "HtmlHelp.h"
#include "Sound.h"

#include <QWidget>

namespace {

// A window the player closed is gone already; a live one is closed.
void CloseHelpWindow(TSettings &st)
{
    if (st.helpWindow) {
        st.helpWindow->close();
        st.helpWindow = nullptr;
    }
}

} // namespace

void TSettings::ShowHelpTopic(const QString &topic)
{
    CloseHelpWindow(*this);
    // The owner (helpOwner, else the desktop) has no part in our viewer:
    // help windows are top-level windows of their own.
    helpWindow = HtmlHelp::DisplayTopic(helpFile + QStringLiteral("::/html/") + topic);
}

void TSettings::PlayWave(const QString &name)
{
    Snd::PlayResource(name);
}

void HelpSound::StartHelp(TSettings &st)
{
    st.helpWindow = nullptr;
    st.helpOwner = nullptr;
    st.helpCookie = HtmlHelp::Initialize();
}

void HelpSound::EndHelp(TSettings &st)
{
    if (st.helpCookie == 0)
        return;
    CloseHelpWindow(st);
    HtmlHelp::Uninitialize(st.helpCookie);
    st.helpCookie = 0;
}
