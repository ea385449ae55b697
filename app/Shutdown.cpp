#include "app/Shutdown.h"

#include "common/DemoState.h"
#include "platform/SoundPlayer.h"
#include "scenes/SpriteLayers.h"

#include <cstdio>

namespace {

// With -fps the user also learns whether the music ever fell behind the player.
void reportUnderruns() {
    const SoundPlayerStats stats = GetSoundPlayerStats();
    if (demo.showFps && stats.underrunFrames > 0 && stats.sampleRate > 0) {
        std::fprintf(stderr, "Audio underrun: %llu samples (%.2f s) played as silence\n",
                     static_cast<unsigned long long>(stats.underrunFrames),
                     static_cast<double>(stats.underrunFrames) / stats.sampleRate);
    }
}

} // namespace

void Shutdown() {
    reportUnderruns();
    FreeSpriteLayers();
}
