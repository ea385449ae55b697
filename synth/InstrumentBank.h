// The fixed bank of 16 named instruments: leads, pads, a bass, four synthesized
// drums and four drums sampled from them. The bank is data; the synth core
// knows none of it.
#pragma once

class Synth;

// Register every instrument of the bank with an initialised synth, in order.
void BuildInstrumentBank(Synth& synth);
