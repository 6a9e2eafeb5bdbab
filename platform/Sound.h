// The sound player: plays one named WAVE
// resource asynchronously; a new sound cuts the one playing. Silent and
// harmless where no audio device exists.
#pragma once

#include <QString>
#include <functional>

namespace Snd {

// Starts playing ":/sounds/<name>.wav". An unknown name plays nothing.
void PlayResource(const QString &name);

// Test seam: when set, every request goes to the recorder and nothing plays.
void SetRecorder(std::function<void(const QString &)> recorder);

} // namespace Snd
