// What rendering shares between voices and blocks without being part of any
// patch or voice: the memos of filter designs and LFO sines, one per unit,
// which spare notes started together the same trigonometry. The synth owns
// one and hands it to every render; a patch only names its slots, so
// rendering never writes to a patch, and whatever renders concurrently needs
// a context of its own.
#pragma once

#include "synth/Filter.h"
#include "synth/Lfo.h"

#include <vector>

class RenderContext {
public:
    // Slot 0 of each kind is shared by the units given no slot of their own:
    // a memo only spares work, so sharing one costs speed, never a sample.
    RenderContext() : designs(1), sines(1) {}

    // A new memo, empty; returns its slot. Called while the bank is built.
    int addFilterDesigns();
    int addLfoSines();

    FilterDesigns& filterDesigns(int slot) { return designs[slot]; }
    LfoSines& lfoSines(int slot) { return sines[slot]; }

private:
    std::vector<FilterDesigns> designs;
    std::vector<LfoSines> sines;
};
