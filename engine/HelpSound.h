// Help and sounds of the settings record (ShowHelpTopic, PlayWave), and the
// help viewer's session: started by the record's full construction, ended
// when the record goes.
#pragma once

class TSettings;

namespace HelpSound {

// Starts the help viewer for the record: helpCookie from it, no help
// window or owner yet.
void StartHelp(TSettings &st);
// When the viewer gave a cookie (helpCookie not 0): closes a live help
// window, then shuts the viewer down. A record whose help never started
// does nothing.
void EndHelp(TSettings &st);

} // namespace HelpSound
