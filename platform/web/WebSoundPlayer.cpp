// PlaySoundA of the Win32 subset on Web Audio, the rest of the player's
// interface (SoundPlayer.h), and the heard song position the page's picture
// clock follows.
//
// An AudioWorklet plays the image on the audio thread, in the image's own rate
// (the browser resamples for the device). The main thread posts the image to
// it in chunks as they are published, well ahead of playback; there is no
// shared memory, so the page needs no special headers and works from a file.
// As on the desktop, frames the worklet reaches before their chunk has arrived
// play as silence and count as underruns while the position keeps the
// device's pace. The worklet's code goes to the browser in a data URL, so the
// page stays one file and works opened as a file too. Browsers start audio
// only after a user gesture; the page calls the show's start-up, and so
// PlaySoundA, from its click.
#include "platform/SoundPlayer.h"
#include "platform/WaveImage.h"
#include "platform/Win32.h"
#include "platform/web/WebSound.h"

#include <emscripten.h>

#include <cmath>

namespace {

// The image whose progress was published before it was handed over.
const void* announcedImage = nullptr;
std::size_t announcedBytes = 0;
const void* playingImage = nullptr;

// Plays chunks of interleaved float frames, those it is made with and then
// those posted to it, in order, frame
// `frames` being the end. Every 2048 frames, and at the end, it reports the
// frames played and missed, with the context time of the block where the
// count stands: that pair maps context time onto the song.
EM_JS(void, defineWebSoundProcessor, (), {
    Module.soundProcessorSource = "(" + function() {
        class HallatorvoSound extends AudioWorkletProcessor {
            constructor(options) {
                super();
                Object.assign(this, options.processorOptions);
                Object.assign(this, {base : 0, played : 0, underruns : 0});
                const chunks = this.chunks;
                this.port.onmessage = function(event) {
                    chunks.push(event.data);
                };
            }
            report() { this.port.postMessage([ this.played, this.underruns, currentTime ]); }
            process(inputs, outputs) {
                const out = outputs[0];
                const channels = out.length;
                if (this.played % 2048 == 0) {
                    this.report();
                }
                for (let i = 0; i < out[0].length && this.played < this.frames; ++i) {
                    let chunk = this.chunks[0];
                    while (chunk && this.base + chunk.length / channels <= this.played) {
                        this.base += chunk.length / channels;
                        this.chunks.shift();
                        chunk = this.chunks[0];
                    }
                    if (chunk) {
                        const at = (this.played - this.base) * channels;
                        for (let c = 0; c < channels; ++c) {
                            out[c][i] = chunk[at + c];
                        }
                    } else {
                        this.underruns++;
                    }
                    this.played++;
                }
                if (this.played >= this.frames) {
                    this.report();
                    return false;
                }
                return true;
            }
        } registerProcessor("hallatorvo-sound", HallatorvoSound);
    }
    .toString() + ")()";
});

// Posts [data, limit) as floats, whole frames only; held back while the
// worklet is loading. Without an audio context there is no run to post to.
EM_JS(void, postWebSound, (const void* limit), {
    const sound = Module.sound;
    if (!sound || !sound.run) {
        return;
    }
    const blockAlign = sound.channels * sound.bits / 8;
    const end = sound.sent + Math.floor((limit - sound.sent) / blockAlign) * blockAlign;
    if (end <= sound.sent) {
        return;
    }
    const values = new Float32Array((end - sound.sent) / (sound.bits / 8));
    for (let i = 0; i < values.length; ++i) {
        values[i] = sound.bits == 16 ? HEAP16[(sound.sent >> 1) + i] / 32768
                                     : (HEAPU8[sound.sent + i] - 128) / 128;
    }
    sound.sent = end;
    if (sound.node) {
        sound.node.port.postMessage(values, [values.buffer]);
    } else {
        sound.waiting.push(values);
    }
});

// An audio context of the rate with the worklet's code loading into it;
// suspended until a gesture lets it play. A browser without Web Audio or its
// worklets gets none, and the show runs silent on the page's clock.
EM_JS(void, prepareWebSound, (int rate), {
    if (!Module.sound) {
        Module.sound = {
            context : null,
            loaded : null,
            node : null,
            gecko : navigator.userAgent.includes("Firefox/"),
            webkit : navigator.userAgent.includes("AppleWebKit/") &&
                !navigator.userAgent.includes("Chrome/")
        };
        defineWebSoundProcessor();
    }
    const sound = Module.sound;
    if (typeof AudioContext == "undefined" || typeof AudioWorkletNode == "undefined") {
        return;
    }
    if (!sound.context || sound.context.sampleRate != rate) {
        try {
            sound.context = new AudioContext({sampleRate : rate});
        } catch (error) {
            console.error("hallatorvo: no sound: " + error);
            sound.context = null;
            return;
        }
        // A data URL: a page opened as a file may load no Blob URL into a worklet.
        const source =
            "data:text/javascript;charset=utf-8," + encodeURIComponent(Module.soundProcessorSource);
        sound.ready = false;
        sound.loaded = sound.context.audioWorklet.addModule(source);
        sound.loaded.then(function() { sound.ready = true; });
    }
});

EM_JS(void, startWebSound,
      (const void* data, double frames, int channels, int bits, int rate, const void* limit), {
          prepareWebSound(rate);
          const sound = Module.sound;
          if (!sound.context) {
              return;
          }
          sound.context.resume();
          const run = {};
          Object.assign(sound, {
              run,
              data,
              sent : data,
              frames,
              channels,
              bits,
              waiting : [],
              report : null,
              offset : null,
              played : 0,
              underruns : 0,
              started : performance.now()
          });
          postWebSound(limit);
          const begin = function() {
              if (sound.run != run) {
                  return;
              }
              sound.node = new AudioWorkletNode(sound.context, "hallatorvo-sound", {
                  numberOfInputs : 0,
                  outputChannelCount : [channels],
                  processorOptions : {frames, chunks : sound.waiting}
              });
              sound.node.port.onmessage = function(event) {
                  if (sound.run == run) {
                      [ sound.played, sound.underruns ] = event.data;
                      sound.report = event.data;
                  }
              };
              sound.waiting = [];
              sound.node.connect(sound.context.destination);
          };
          if (sound.ready) {
              begin();
          } else {
              sound.loaded.then(begin);
          }
      });

EM_JS(void, stopWebSound, (), {
    const sound = Module.sound;
    if (sound && sound.run) {
        sound.run = null;
        if (sound.node) {
            sound.node.disconnect();
            sound.node.port.onmessage = null;
            sound.node = null;
        }
    }
});

EM_JS(double, webSoundCount, (int which), {
    const sound = Module.sound;
    if (!sound || !sound.context) {
        return 0;
    }
    return [
        sound.played, sound.underruns, sound.context.sampleRate,
        sound.run && sound.played < sound.frames ? 1 : 0
    ][which];
});

// The song position heard at the page's time `at` (milliseconds), from the
// context time the device outputs then and the worklet's last report; NaN
// when no sound plays there or the context cannot tell.
EM_JS(double, webHeardSeconds, (double at), {
    const sound = Module.sound;
    if (!sound || !sound.run || sound.context.state != "running") {
        return NaN;
    }
    if (!sound.report) {
        // Started, not yet playing; a worklet that never plays is given up.
        return performance.now() - sound.started < 1000 ? -1 : NaN;
    }
    // Firefox answers getOutputTimestamp (and outputLatency) by asking its
    // audio server while it holds the graph's lock, until it has a latency
    // figure; through PulseAudio that can deadlock the page as the stream
    // starts. Its stamp moves both times back by that latency, which maps
    // page time onto context time as currentTime does, so there the context's
    // own time stands in, which its main thread keeps. WebKit's stamp has the
    // context time heard, with a page time ahead of the moment of asking by
    // about that context time; there it goes with the moment of asking.
    let stamp = sound.gecko
                    ? {contextTime : sound.context.currentTime, performanceTime : performance.now()}
                    : sound.context.getOutputTimestamp();
    if (sound.webkit) {
        stamp = {contextTime : stamp.contextTime, performanceTime : performance.now()};
    }
    if (!(stamp.performanceTime > 0)) {
        return NaN;
    }
    // Some browsers stamp the context time of their last audio callback with
    // the moment of asking, which lags by up to a callback: the offset of
    // the context clock from the page clock is taken at its highest, sinking
    // by 1% to follow a slower device and dropped at once on a stall.
    const offset = stamp.contextTime - stamp.performanceTime / 1000;
    if (sound.offset == null) {
        [ sound.offset, sound.offsetAt ] = [ offset, stamp.performanceTime ];
    }
    const sinking = (stamp.performanceTime - sound.offsetAt) / 100000;
    if (offset < sound.offset - sinking - 0.1) {
        sound.offset = offset;
    }
    sound.offset = Math.max(offset, sound.offset - sinking);
    sound.offsetAt = stamp.performanceTime;
    const heard = sound.offset + at / 1000;
    const rate = sound.context.sampleRate;
    const[played, , time] = sound.report;
    return Math.min(played / rate + heard - time, sound.frames / rate);
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
        postWebSound(static_cast<const std::uint8_t*>(image) + bytesWritten);
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

void PrepareWebSound(int sampleRate) {
    prepareWebSound(sampleRate);
}

double HeardSongSeconds(double at) {
    return playingImage != nullptr ? webHeardSeconds(at) : std::nan("");
}
