// The fixed bank of 16 named instruments: leads, pads, a bass, four synthesized
// drums and four drums sampled from them. The bank is data; the synth core
// knows none of it.
#pragma once

#include <cstdint>
#include <span>

class Synth;

// Registers every instrument of the bank with a new synth, in order. Then
// seeds the shared random generator and renders the buffers of the sampled
// instruments named in `sampled`, in that order: the noise in them follows
// from the seed and the order. A sampled instrument not named stays silent.
// The instruments are read-only from then on.
void BuildInstrumentBank(Synth& synth, std::uint32_t seed, std::span<const char* const> sampled);
