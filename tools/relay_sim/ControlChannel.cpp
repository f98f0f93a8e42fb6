#include "relay_sim/ControlChannel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace relaysim {
namespace {

bool Number(const std::string& text, unsigned long max, unsigned long& out) {
    if (text.empty() || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtoul(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0' && out <= max;
}

ControlResult Error(const std::string& why) {
    return {"ERR " + why, false, false};
}
ControlResult Ok() {
    return {"OK", false, false};
}

}  // namespace

ControlResult ExecuteControl(const std::string& line, Relay& relay, const ReplyShaper& shaper,
                             const Now& now) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string t; in >> t;) w.push_back(t);
    if (w.empty()) return Error("empty command");
    unsigned long a = 0, b = 0;
    const std::string& cmd = w[0];

    if (cmd == "set" && w.size() == 4 && w[1] == "reg") {
        if (!Number(w[2], 65535, a) || !Number(w[3], 65535, b)) return Error("usage: set reg N V");
        if (!relay.WriteRegister(static_cast<std::uint16_t>(a), static_cast<std::uint16_t>(b), now))
            return Error("value refused");
        return Ok();
    }
    if (cmd == "get" && w.size() == 3 && w[1] == "reg") {
        if (!Number(w[2], 65535, a)) return Error("usage: get reg N");
        return {"REG " + std::to_string(a) + " " +
                    std::to_string(relay.ReadRegister(static_cast<std::uint16_t>(a), now)),
                false, false};
    }
    if (cmd == "set" && w.size() == 4 && w[1] == "yx") {
        if (!Number(w[2], 65535, a) || !Number(w[3], 1, b)) return Error("usage: set yx POST 0|1");
        if (!relay.SetYx(static_cast<int>(a), b != 0, now)) return Error("no such telesignal bit");
        return Ok();
    }
    if (cmd == "get" && w.size() == 3 && w[1] == "yx") {
        const auto v = Number(w[2], 65535, a) ? relay.Yx(static_cast<int>(a)) : std::nullopt;
        if (!v) return Error("no such telesignal bit");
        return {"YX " + std::to_string(a) + " " + (*v ? "1" : "0"), false, false};
    }
    if (cmd == "soe" && w.size() == 2) {
        if (!Number(w[1], 255, a)) return Error("usage: soe CODE");
        relay.AddSoe(static_cast<std::uint8_t>(a), now);
        return Ok();
    }
    if (cmd == "event" && w.size() == 2) {
        if (!Number(w[1], 255, a)) return Error("usage: event CODE");
        relay.AddEvent(static_cast<std::uint8_t>(a), now);
        return Ok();
    }
    if (cmd == "event" && w.size() == 10 && w[1] == "raw") {
        EventRecord r{};
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (!Number(w[2 + i], 255, a)) return Error("usage: event raw B0 .. B7");
            r[i] = static_cast<std::uint8_t>(a);
        }
        relay.AddEventRecord(r);
        return Ok();
    }
    if (cmd == "still" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        relay.SetStill(w[1] == "on");
        return Ok();
    }
    if (cmd == "flush" && w.size() == 1) return {"OK", false, true};
    if (cmd == "release" && w.size() == 1) return {"OK", false, false, true};
    if (cmd == "counters" && w.size() == 1) {
        const Counters& c = relay.counters();
        std::ostringstream out;
        out << "COUNTERS received=" << c.received << " answered=" << c.answered
            << " other_address=" << c.otherAddress << " crc_errors=" << c.crcErrors
            << " exceptions=" << c.exceptions << " dropped=" << shaper.dropped()
            << " corrupted=" << shaper.corrupted() << " soe_write=" << unsigned{relay.SoeWriteIndex()}
            << " soe_read=" << unsigned{relay.SoeReadIndex()} << " events=" << relay.EventCount()
            << " control_mode=" << relay.ControlMode();
        const MixedFaultCounts& m = shaper.mixed();
        out << " mix_dropped=" << m.dropped << " mix_crc=" << m.corrupted << " mix_address=" << m.wrongAddress
            << " mix_split=" << m.split << " mix_garbage=" << m.garbage;
        return {out.str(), false, false};
    }
    if (cmd == "clock" && w.size() == 1) {
        // The frame log's time base ("@<ms>"): a test learns how long ago the last request came.
        char ms[32];
        std::snprintf(ms, sizeof ms, "CLOCK %.1f", now.seconds * 1000.0);
        return {ms, false, false};
    }
    if (cmd == "help" && w.size() == 1) {
        return {
            "COMMANDS set reg|get reg|set yx|get yx|soe|event|event raw|still|flush|release|counters|clock|"
            "help|quit",
            false, false};
    }
    if (cmd == "quit" && w.size() == 1) return {"OK", true, false};
    return Error("unknown command: " + line);
}

}  // namespace relaysim
