#include "relay_sim/Telemetry.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace relaysim {
namespace {

bool Has(const std::string& name, std::string_view part) {
    return name.find(part) != std::string::npos;
}

struct Profile {
    double nominal;
    double swing;      // relative (fraction of nominal) or absolute when nominal is 0
    double periodS;    // period of the slow movement
    bool followsLoad;  // zero while the transformer carries no load
};

Profile ProfileOf(const YcPoint& p) {
    const std::string& n = p.name;
    if (Has(n, "零序电流")) return {0.05, 0.4, 23, true};
    if (Has(n, "负序电流")) return {0.12, 0.3, 29, true};
    if (Has(n, "差动电流")) return {0.04, 0.5, 17, true};
    if (Has(n, "制动电流")) return {4.6, 0.03, 41, true};
    if (Has(n, "高压侧") && Has(n, "电流")) return {4.8, 0.03, 37, true};
    if (Has(n, "电流")) return {4.2, 0.04, 31, true};
    if (Has(n, "零序电压")) return {0.6, 0.3, 19, false};
    if (Has(n, "线电压")) return {100.0, 0.01, 47, false};
    if (Has(n, "电压")) return {57.7, 0.01, 43, false};
    if (Has(n, "无功功率")) return {0.0, 180.0, 53, true};  // swings through zero: a signed point
    if (Has(n, "总有功功率")) return {350000.0, 1.4, 61, true};
    if (Has(n, "有功功率")) return {850.0, 0.05, 59, true};
    if (Has(n, "功率因数")) return {0.95, 0.02, 67, true};
    if (Has(n, "频率")) return {50.0, 0.001, 13, false};
    if (Has(n, "绕组温度")) return {68.0, 0.04, 97, false};
    if (Has(n, "温度") || Has(n, "油温")) return {55.0, 0.04, 89, false};
    if (p.max > 0.0f && p.max < 65535.0f) return {p.max * 0.4, 0.03, 30, false};
    return {100.0, 0.02, 30, false};
}

bool LoadOn(const PlantState& plant) {
    return plant.highClosed && (plant.low1Closed || plant.low2Closed);
}

double Divisor(const YcPoint& p) {
    return p.cc2 == 0 ? 1.0 : static_cast<double>(p.cc2);
}

}  // namespace

double TelemetryValue(const YcPoint& point, double seconds, const PlantState& plant, bool still) {
    const std::string& n = point.name;
    // Counters: energy grows while the load flows, operations count breaker closings.
    if (Has(n, "次数")) return plant.closeCount;
    if (Has(n, "电度") || Has(n, "电能")) {
        const double start = Has(n, "无功") ? 345678.0 : 1234567.0;
        return still ? start : start + std::floor(seconds * (Has(n, "无功") ? 0.05 : 0.25));
    }
    const Profile pr = ProfileOf(point);
    if (pr.followsLoad && !LoadOn(plant)) return 0.0;
    if (still) return pr.nominal;
    // A slow swing plus a quick small ripple, so that consecutive polls differ like real readings.
    const double slow = std::sin(2.0 * M_PI * seconds / pr.periodS + point.post);
    const double ripple = std::sin(2.0 * M_PI * seconds / 1.3 + 3.0 * point.post);
    if (pr.nominal == 0.0) return pr.swing * (slow + 0.05 * ripple);
    return pr.nominal * (1.0 + pr.swing * (slow + 0.15 * ripple));
}

RawWords EncodeTelemetry(const YcPoint& p, double value) {
    const double scaled = std::round(value * Divisor(p));
    const bool lowSigned = p.type == 1 || p.type == 5;
    RawWords w;
    if (p.postH == 0) {
        const double lo = lowSigned ? -32768.0 : 0.0;
        // 0xFFFF (65535 unsigned, -1 signed) reads as "no value" on the host; step past it.
        const double hi = lowSigned ? 32767.0 : 65534.0;
        std::int32_t v = static_cast<std::int32_t>(std::clamp(scaled, lo, hi));
        if (lowSigned && v == -1) v = 0;
        w.low = static_cast<std::uint16_t>(v);
        return w;
    }
    // 32 bits: the host adds low (signed or not) and high x 65536, so the high word is what remains after
    // taking the low word the host's way.
    const bool highSigned = p.type == 1;
    const double lo = highSigned ? -2147483648.0 : (lowSigned ? -32768.0 : 0.0);
    const double hi = highSigned ? 2147450879.0 : 4294934527.0;
    std::int64_t v = static_cast<std::int64_t>(std::clamp(scaled, lo, hi));
    // The host blanks a point whose low word is 0xFFFF, whatever the high word says.
    if ((v & 0xFFFF) == 0xFFFF) v += v > lo ? -1 : 1;
    w.low = static_cast<std::uint16_t>(v & 0xFFFF);
    const std::int64_t lowValue = lowSigned ? static_cast<std::int16_t>(w.low) : w.low;
    w.high = static_cast<std::uint16_t>(((v - lowValue) / 65536) & 0xFFFF);
    return w;
}

double DecodeTelemetry(const YcPoint& p, RawWords w) {
    const double d = Divisor(p);
    const bool lowSigned = p.type == 1 || p.type == 5;
    double value = (lowSigned ? static_cast<std::int16_t>(w.low) : w.low) / d;
    if (p.postH != 0) {
        const double h = p.type == 1 ? static_cast<std::int16_t>(w.high) : w.high;
        value += h / d * 65536.0;
    }
    return value;
}

}  // namespace relaysim
