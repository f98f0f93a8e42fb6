#include "relay_sim/Options.h"

#include <cerrno>
#include <cstdlib>

namespace relaysim {
namespace {

bool ParseUnsigned(const std::string& text, unsigned long max, unsigned long& out) {
    if (text.empty() || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v > max) return false;
    out = v;
    return true;
}

}  // namespace

const char* HelpText() {
    return R"(Usage: relay_sim [options]
A VARN relay answering Modbus RTU on a pseudo-terminal. The first line on stdout is "PTY <slave path>".

Options:
  --address N             slave address 1..247 (default 1)
  --ini PATH              point tables to follow (default: <program folder>/配置文件/VARN.ini)
  --program-folder DIR    program folder (default: the folder of this executable; when installed, the
                          user's own program folder, as for the host program)
  --com N                 create DIR/dosdevices/comN -> the slave path; removed at exit
  --hwinfo MODE           hardware information record: valid (default), blank (all 0xFF), invalid (bad CRC)
  --events N              event records held at start, 0..500 (default 120)
  --still                 telemetry holds its nominal values instead of moving
  --keep-running          keep running when stdin closes (default: end)
  --terminal-defaults     leave the pseudo-terminal as the system makes it (XON/XOFF flow control on,
                          canonical input, echo), as another program or a driver may leave a port
  --frame-log PATH        append every request received to PATH, one line of hex bytes each
  --frame-log-times       begin each frame-log line with "@<ms> ", the milliseconds since the start at
                          which the request ended
Faults:
  --drop-every N          send no reply to every N-th answered request
  --corrupt-crc-every N   send every N-th reply with a wrong CRC
  --wrong-address         reply from the next slave address
  --delay MS              answer MS milliseconds after the request ended
  --split-pause MS        pause MS milliseconds in the middle of every reply
  --exception CODE        answer every request with Modbus exception CODE (1..255)
  --pace-baud B           send replies at the wire time of B baud, 8N1 (9600: about 1.04 ms a byte)
  --hold-event-reply N    hold back the reply to the first event-record request (function 17) for
                          record N until the control command "release"
  --fault-percent P       fault P % of the replies, picked at random, each with one fault picked at
                          random: dropped, wrong CRC, another sender address, split by a pause of 20 to
                          500 ms, or replaced by 1 to 40 random bytes
  --seed N                seed of the random choices (default 1)
  --help                  this text

Control commands on stdin, one per line; each answers one line (OK, ERR <reason> or the value):
  set reg N V             write holding register N (telemetry registers then keep V)
  get reg N               -> REG N V
  set yx POST 0|1         set telesignal bit POST (a change writes an SOE record)
  get yx POST             -> YX POST 0|1
  soe CODE                write an SOE record with event code CODE
  event CODE              add an event record (function 17) with the relay's time
  event raw B0 .. B7      add an event record of eight given bytes (invalid dates allowed)
  still on|off            stop or restart the telemetry's movement
  release                 send the reply held by --hold-event-reply (ERR when none is held)
  flush                   drop bytes waiting in the pseudo-terminal
  counters                -> COUNTERS received=.. answered=.. other_address=.. crc_errors=.. exceptions=..
                             dropped=.. corrupted=.. soe_write=.. soe_read=.. events=.. control_mode=..
                             mix_dropped=.. mix_crc=.. mix_address=.. mix_split=.. mix_garbage=..
  clock                   -> CLOCK MS, the milliseconds since the start (the frame log's "@<ms>")
  help                    list the commands
  quit                    end the simulator
Numbers may be decimal or 0x-prefixed hexadecimal.
)";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](unsigned long min, unsigned long max, unsigned long& out) {
            std::string text;
            if (!value(text)) return false;
            if (!ParseUnsigned(text, max, out) || out < min) {
                error = a + ": " + text + " is not a number from " + std::to_string(min) + " to " +
                        std::to_string(max);
                return false;
            }
            return true;
        };
        unsigned long n = 0;
        std::string text;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--address") {
            if (!number(1, 247, n)) return std::nullopt;
            o.relay.address = static_cast<std::uint8_t>(n);
        } else if (a == "--ini") {
            if (!value(o.iniPath)) return std::nullopt;
        } else if (a == "--program-folder") {
            if (!value(o.programFolder)) return std::nullopt;
        } else if (a == "--com") {
            if (!number(1, 255, n)) return std::nullopt;
            o.com = static_cast<int>(n);
        } else if (a == "--hwinfo") {
            if (!value(text)) return std::nullopt;
            if (text == "valid")
                o.relay.hwinfo = HwInfoMode::Valid;
            else if (text == "blank")
                o.relay.hwinfo = HwInfoMode::Blank;
            else if (text == "invalid")
                o.relay.hwinfo = HwInfoMode::Invalid;
            else {
                error = "--hwinfo: expected valid, blank or invalid";
                return std::nullopt;
            }
        } else if (a == "--events") {
            if (!number(0, Relay::kMaxEvents, n)) return std::nullopt;
            o.relay.initialEvents = static_cast<unsigned>(n);
        } else if (a == "--still") {
            o.relay.still = true;
        } else if (a == "--frame-log") {
            if (!value(o.frameLog)) return std::nullopt;
        } else if (a == "--frame-log-times") {
            o.frameLogTimes = true;
        } else if (a == "--keep-running") {
            o.keepRunning = true;
        } else if (a == "--terminal-defaults") {
            o.terminalDefaults = true;
        } else if (a == "--drop-every") {
            if (!number(1, 1000000, n)) return std::nullopt;
            o.faults.dropEvery = static_cast<unsigned>(n);
        } else if (a == "--corrupt-crc-every") {
            if (!number(1, 1000000, n)) return std::nullopt;
            o.faults.corruptEvery = static_cast<unsigned>(n);
        } else if (a == "--wrong-address") {
            o.faults.wrongAddress = true;
        } else if (a == "--delay") {
            if (!number(0, 600000, n)) return std::nullopt;
            o.faults.delayMs = static_cast<unsigned>(n);
        } else if (a == "--split-pause") {
            if (!number(0, 600000, n)) return std::nullopt;
            o.faults.splitPauseMs = static_cast<unsigned>(n);
        } else if (a == "--exception") {
            if (!number(1, 255, n)) return std::nullopt;
            o.relay.exceptionCode = static_cast<std::uint8_t>(n);
        } else if (a == "--pace-baud") {
            if (!number(50, 4000000, n)) return std::nullopt;
            o.faults.paceBaud = static_cast<unsigned>(n);
        } else if (a == "--hold-event-reply") {
            if (!number(0, 65535, n)) return std::nullopt;
            o.holdEventReply = static_cast<unsigned>(n);
        } else if (a == "--fault-percent") {
            if (!number(0, 100, n)) return std::nullopt;
            o.faults.faultPercent = static_cast<unsigned>(n);
        } else if (a == "--seed") {
            if (!number(0, 0xFFFFFFFFul, n)) return std::nullopt;
            o.faults.seed = static_cast<std::uint32_t>(n);
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    return o;
}

}  // namespace relaysim
