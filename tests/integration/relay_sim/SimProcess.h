#pragma once
// Runs relay_sim as a child process and talks to it: Modbus frames over its pseudo-terminal, control commands
// over its stdin and stdout.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace relaysim_test {

using Bytes = std::vector<std::uint8_t>;
using Ms = std::chrono::milliseconds;

class SimProcess {
  public:
    // Starts the simulator with `args` (the shipped sample INI unless args name an INI or a program folder)
    // and opens its line.
    explicit SimProcess(const std::vector<std::string>& args = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    // Sends a frame and collects the reply: bytes until `quiet` passes without another one, or until
    // `timeout` when nothing arrives at all.
    Bytes Transact(const Bytes& request, Ms timeout = Ms(1000), Ms quiet = Ms(60));
    void Send(const Bytes& bytes);
    // Reads what arrives within `window`, returning each read with its arrival time (ms from the call).
    std::vector<std::pair<double, Bytes>> Collect(Ms window);

    // One control command and its one-line answer.
    std::string Command(const std::string& line);
    // A number from the `counters` line, e.g. Counter("soe_write").
    long Counter(const std::string& name);

    // Closes the simulator's stdin and waits for it to end; its exit status.
    int Finish();

  private:
    std::optional<std::string> ReadLine(Ms timeout);

    pid_t pid_ = -1;
    int in_ = -1;   // simulator's stdin
    int out_ = -1;  // simulator's stdout
    int fd_ = -1;   // our end of the line
    std::string path_;
    std::string outBuffer_;
};

// The shipped sample configuration in the source tree.
std::string SampleIni();

// Frames helpers.
Bytes WithCrc(Bytes body);
std::uint16_t RegisterOf(const Bytes& reply, std::size_t index);  // 0-based register of a function-3 reply

}  // namespace relaysim_test
