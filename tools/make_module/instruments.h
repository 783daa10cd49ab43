#pragma once
// The module's instruments: synthesised samples with their envelopes,
// fadeout and automatic vibrato.
#include <vector>

#include "tools/make_module/xm_writer.h"

namespace zint::compose {

// Instrument numbers as pattern cells carry them.
enum Instrument : int {
    kKick = 1,
    kSnare,
    kHat,
    kCymbal,
    kBass,
    kPad,
    kLead,
    kPluck,
    kEcho,
};

std::vector<xm::XmInstrument> BuildInstruments();

}  // namespace zint::compose
