// PlaySoundA of the Win32 subset on Web Audio, and the progress handshake of
// SoundProgress.h.
//
// A script processor on the page's main thread reads the caller's image
// straight from the module's memory, one buffer at a time, in the image's own
// rate (the browser resamples for the device). As on the desktop, frames
// beyond the published bytes play as silence and count as underruns while the
// position keeps the device's pace. Browsers start audio only after a user
// gesture; the page calls the show's start-up, and so PlaySoundA, from its
// click.
#include "platform/SoundProgress.h"
#include "platform/WaveImage.h"
#include "platform/Win32.h"

#include <emscripten.h>

namespace {

// The image whose progress was published before it was handed over.
const void* announcedImage = nullptr;
std::size_t announcedBytes = 0;
const void* playingImage = nullptr;

// Fills each buffer from the image between data and data + frames x
// blockAlign, reading no byte at or past limit.
EM_JS(void, startWebSound,
      (const void* data, double frames, int channels, int bits, int rate, const void* limit), {
          if (!Module.sound) {
              Module.sound = {context : null, node : null};
          }
          const sound = Module.sound;
          if (sound.node) {
              sound.node.disconnect();
          }
          if (!sound.context || sound.context.sampleRate != rate) {
              sound.context = new AudioContext({sampleRate : rate});
          }
          sound.context.resume();
          Object.assign(sound, {data, frames, channels, bits, limit, played : 0, underruns : 0});
          const blockAlign = channels * bits / 8;
          sound.node = sound.context.createScriptProcessor(2048, 0, channels);
          sound.node.onaudioprocess = function(event) {
              const outputs = [];
              for (let c = 0; c < channels; ++c) {
                  outputs.push(event.outputBuffer.getChannelData(c));
              }
              for (let i = 0; i < outputs[0].length; ++i) {
                  const frame = sound.data + sound.played * blockAlign;
                  const inside = sound.played < sound.frames;
                  const ready = inside && frame + blockAlign <= sound.limit;
                  for (let c = 0; c < channels; ++c) {
                      let value = 0;
                      if (ready && bits == 16) {
                          value = HEAP16[(frame >> 1) + c] / 32768;
                      } else if (ready) {
                          value = (HEAPU8[frame + c] - 128) / 128;
                      }
                      outputs[c][i] = value;
                  }
                  if (inside) {
                      sound.played++;
                      if (!ready) {
                          sound.underruns++;
                      }
                  }
              }
          };
          sound.node.connect(sound.context.destination);
      });

EM_JS(void, publishWebSound, (const void* limit), {
    if (Module.sound) {
        Module.sound.limit = limit;
    }
});

EM_JS(void, stopWebSound, (), {
    if (Module.sound && Module.sound.node) {
        Module.sound.node.disconnect();
        Module.sound.node = null;
    }
});

EM_JS(double, webSoundCount, (int which), {
    const sound = Module.sound;
    if (!sound) {
        return 0;
    }
    return [
        sound.played, sound.underruns, sound.context.sampleRate,
        sound.node && sound.played < sound.frames ? 1 : 0
    ][which];
});

} // namespace

BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE, DWORD flags) {
    stopWebSound();
    const void* announced = announcedImage;
    announcedImage = nullptr;
    playingImage = nullptr;
    if (sound == nullptr) {
        return TRUE;
    }
    const auto* image = reinterpret_cast<const std::uint8_t*>(sound);
    WaveLayout layout;
    if (!(flags & SND_MEMORY) || !ParseWave(image, layout)) {
        return FALSE;
    }
    const std::uint8_t* data = image + layout.dataOffset;
    const std::uint8_t* end = data + layout.frameCount * layout.blockAlign;
    const std::uint8_t* limit = announced == sound ? image + announcedBytes : end;
    startWebSound(data, static_cast<double>(layout.frameCount), layout.channels,
                  layout.bitsPerSample, static_cast<int>(layout.sampleRate), limit);
    playingImage = sound;
    return TRUE;
}

void PublishSoundProgress(const void* image, std::size_t bytesWritten) {
    if (image == playingImage) {
        publishWebSound(static_cast<const std::uint8_t*>(image) + bytesWritten);
    } else {
        announcedImage = image;
        announcedBytes = bytesWritten;
    }
}

void WithdrawSoundImage(const void* image) {
    if (image == playingImage) {
        stopWebSound();
        playingImage = nullptr;
    }
    if (image == announcedImage) {
        announcedImage = nullptr;
    }
}

SoundPlayerStats GetSoundPlayerStats() {
    SoundPlayerStats stats;
    stats.framesPlayed = static_cast<std::uint64_t>(webSoundCount(0));
    stats.underrunFrames = static_cast<std::uint64_t>(webSoundCount(1));
    stats.sampleRate = static_cast<std::uint32_t>(webSoundCount(2));
    stats.playing = webSoundCount(3) != 0.0;
    return stats;
}
