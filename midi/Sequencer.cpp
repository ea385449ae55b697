#include "midi/Sequencer.h"

#include "midi/MidiReader.h"
#include "midi/SongImage.h"
#include "synth/Instrument.h"
#include "synth/Synth.h"

#include <algorithm>

namespace {

struct Binding {
    int channel;
    const char* instrument;
};

// The drums bound to channels 9 to 12, in that order.
constexpr const char* SampledDrums[] = {
    "sample:drum:bass:mud",
    "sample:drum:snare:retro",
    "sample:drum:snare:snap",
    "sample:drum:hat:hiss:closed",
};

// The fixed channel table; channels not listed keep the bank's first instrument.
constexpr Binding Bindings[] = {
    {0, "bass:detroit"},   {2, "pad:lush"},       {3, "lead:fifth"},     {4, "pad:oceans"},
    {5, "lead:squeak"},    {6, "lead:neurotic"},  {7, "lead:buzzer"},    {9, SampledDrums[0]},
    {10, SampledDrums[1]}, {11, SampledDrums[2]}, {12, SampledDrums[3]},
};

const Instrument* firstMatch(const Synth& synth, const char* pattern) {
    const std::vector<const Instrument*> found = synth.findInstruments(pattern);
    return found.empty() ? nullptr : found.front();
}

} // namespace

void Track::addEvent(const Instrument* instrument, const Channel* channel, float velocity,
                     std::int32_t note, float time, float duration) {
    SongEvent event;
    event.time = time;
    event.duration = duration;
    event.instrument = instrument;
    event.channel = channel;
    event.note = note;
    event.velocity = velocity;
    events.push_back(event);
    if (time > endTime) {
        endTime = time;
    }
}

void Track::play(float from, float window) const {
    if (events.empty()) {
        return;
    }
    auto event = events.begin();
    while (event != events.end() && event->time < from) {
        ++event;
    }
    const float until = from + window;
    for (; event != events.end() && event->time < until; ++event) {
        synth->playNote(event->instrument, event->channel, event->velocity, event->note,
                        event->time, event->duration);
    }
}

Sequencer::Sequencer(Synth& target) : synth(target) {}

std::span<const char* const> Sequencer::sampledInstruments() {
    return SampledDrums;
}

void Sequencer::loadSong() {
    loadSong(SongImage, SongImageLength);
}

void Sequencer::loadSong(const unsigned char* image, int length) {
    Track work;
    work.synth = &synth;

    channelInstruments.fill(firstMatch(synth, "*"));
    for (int c = 0; c < ChannelCount; ++c) {
        channelRecords[c] = Channel{};
        channelRecords[c].gain = 0.1f;
    }
    for (const Binding& binding : Bindings) {
        channelInstruments[binding.channel] = firstMatch(synth, binding.instrument);
    }

    loading = &work;
    readSong(image, length, &Sequencer::onNote, this);
    loading = nullptr;

    // Equal times keep the reader's order: a release and a restart of the same
    // key at one instant stay in file order.
    std::stable_sort(work.events.begin(), work.events.end(),
                     [](const SongEvent& a, const SongEvent& b) { return a.time < b.time; });
    tracks.push_back(std::move(work));
}

void Sequencer::onNote(void* context, const NoteReport& report) {
    auto* self = static_cast<Sequencer*>(context);
    const Instrument* instrument = self->channelInstruments[report.channel & 0x0F];
    if (instrument == nullptr) {
        return;
    }
    const Channel* channel = &self->channelRecords[report.channel & 0x0F];
    const std::int32_t note = static_cast<std::int32_t>(report.key) - 57;
    if (report.kind == NoteKind::NoteOn) {
        const float duration =
            instrument->defaultDuration == -1.0f ? 0.0f : instrument->defaultDuration;
        const float velocity = static_cast<float>(report.velocity) / 255.0f;
        self->loading->addEvent(instrument, channel, velocity, note, report.time, duration);
    } else {
        self->loading->addEvent(instrument, channel, 0.0f, note, report.time, 0.0f);
    }
}

void Sequencer::advance(float t) {
    if (!isDue(t)) {
        return;
    }
    for (const Track& track : tracks) {
        track.play(t, 1.0f);
    }
    lastAdvanceTime = t;
}
