#pragma once
// Command line of the relay simulator.
#include <optional>
#include <string>
#include <vector>

#include "relay_sim/Relay.h"
#include "relay_sim/ReplyShaper.h"

namespace relaysim {

struct Options {
    RelayOptions relay;
    FaultOptions faults;
    std::string iniPath;         // empty: the program folder's 配置文件/VARN.ini
    std::string programFolder;   // for --com and the default INI
    int com = 0;                 // > 0: create dosdevices/comN in the program folder
    std::string frameLog;        // non-empty: every request received is appended here as a hex line
    bool frameLogTimes = false;  // each line begins with "@<ms> " since the start
    bool keepRunning = false;    // go on when stdin closes
    // The pseudo-terminal keeps the system's settings instead of raw mode.
    bool terminalDefaults = false;
    // The reply to the first event-record request for this record is held back until `release`.
    std::optional<unsigned> holdEventReply;
    bool help = false;
};

// Parses argv[1..]; on failure returns nothing and sets `error`.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);

// The --help text, control commands included.
const char* HelpText();

}  // namespace relaysim
