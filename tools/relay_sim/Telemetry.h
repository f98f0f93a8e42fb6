#pragma once
// Measured values that move the way a loaded transformer's do, turned into the raw register words the host
// decodes with the point's CC2 divisor and Type.
#include <cstdint>

#include "relay_sim/Layout.h"

namespace relaysim {

struct PlantState {
    bool highClosed = true;  // high-voltage breaker
    bool low1Closed = true;
    bool low2Closed = false;
    unsigned closeCount = 0;  // breaker close operations since start
};

// Engineering value of a point `seconds` after start. `still` gives the nominal value without movement.
double TelemetryValue(const YcPoint& point, double seconds, const PlantState& plant, bool still);

struct RawWords {
    std::uint16_t low = 0;
    std::uint16_t high = 0;  // only for points with a high word
};

// Raw words that decode back to `value` on the host: low word / CC2 (+ high word / CC2 x 65536), each word
// signed or unsigned as Type says. Values outside what the words can carry are clamped, and the word 0xFFFF
// (shown as "no value" by the host) is never produced for a 16-bit point.
RawWords EncodeTelemetry(const YcPoint& point, double value);

// The host's decoding of the same words, for checks: the inverse of EncodeTelemetry.
double DecodeTelemetry(const YcPoint& point, RawWords words);

}  // namespace relaysim
