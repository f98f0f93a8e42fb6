#pragma once
// Line commands that let a test or an operator change the relay's values, signals and events and read its
// counters while it runs.
#include <string>

#include "relay_sim/Relay.h"
#include "relay_sim/ReplyShaper.h"

namespace relaysim {

struct ControlResult {
    std::string reply;  // one line, without line end
    bool quit = false;
    bool flush = false;    // the caller drops what waits in the pseudo-terminal
    bool release = false;  // the caller sends the held reply and answers in `reply` whether there was one
};

ControlResult ExecuteControl(const std::string& line, Relay& relay, const ReplyShaper& shaper,
                             const Now& now);

}  // namespace relaysim
