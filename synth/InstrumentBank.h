// The fixed bank of 16 named instruments: leads, pads, a bass, four synthesized
// drums and four drums sampled from them.
#pragma once

class Synth;

// Build every instrument of the bank into the synth's registry, in order.
void BuildInstrumentBank(Synth& synth);
