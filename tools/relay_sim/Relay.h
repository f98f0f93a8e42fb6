#pragma once
// The simulated VARN relay: its register image, clock, telesignals, SOE ring and event list, and its answers
// to Modbus RTU requests. No I/O here: the caller passes request frames and the time, and sends the replies.
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "relay_sim/Layout.h"
#include "relay_sim/RelayClock.h"
#include "relay_sim/RequestCutter.h"
#include "relay_sim/Telemetry.h"

namespace relaysim {

enum class HwInfoMode { Valid, Blank, Invalid };

struct RelayOptions {
    std::uint8_t address = 1;
    HwInfoMode hwinfo = HwInfoMode::Valid;
    std::uint8_t exceptionCode = 0;  // non-zero: every request is answered with this exception
    unsigned initialEvents = 120;    // event records present at start (at most 500)
    bool still = false;              // telemetry holds its nominal values
};

// The moment a request is handled: the host's local time and seconds since the relay started.
struct Now {
    platform::LocalTime local;
    double seconds = 0.0;
};

struct Counters {
    std::uint64_t received = 0;  // frames taken off the line
    std::uint64_t answered = 0;  // replies produced (before any injected fault)
    std::uint64_t otherAddress = 0;
    std::uint64_t crcErrors = 0;  // also frames too short to carry a CRC
    std::uint64_t exceptions = 0;
};

using EventRecord = std::array<std::uint8_t, 8>;

class Relay {
  public:
    static constexpr std::uint16_t kVersion = 163;
    static constexpr std::uint16_t kUnityCoefficient = 1024;
    static constexpr unsigned kMaxEvents = 500;

    Relay(Layout layout, RelayOptions options, const Now& start);

    // Answers one request frame (CRC included); nothing for frames that get no answer.
    std::optional<Frame> Handle(const Frame& request, const Now& now);

    // Control channel.
    std::uint16_t ReadRegister(std::uint16_t reg, const Now& now);
    // Writes like a function-16 request would; false when the relay refuses the value.
    bool WriteRegister(std::uint16_t reg, std::uint16_t value, const Now& now);
    // Sets telesignal bit `post`; a change is recorded in the SOE ring. False for a bit outside the image.
    bool SetYx(int post, bool on, const Now& now);
    std::optional<bool> Yx(int post) const;
    void AddEvent(std::uint8_t code, const Now& now);
    void AddEventRecord(const EventRecord& record);
    void AddSoe(std::uint8_t code, const Now& now);
    void SetStill(bool still) { options_.still = still; }

    const Counters& counters() const { return counters_; }
    const Layout& layout() const { return layout_; }
    std::uint8_t address() const { return options_.address; }
    std::uint8_t SoeWriteIndex() const { return soeWrite_; }
    std::uint8_t SoeReadIndex() const { return soeRead_; }
    std::size_t EventCount() const { return events_.size(); }
    // Control mode the coils follow: parameter entry 50, or 0 on relays of version 110 and below.
    std::uint16_t ControlMode() const;
    const PlantState& plant() const { return plant_; }

    // Event and SOE codes the relay writes for its own operations.
    static constexpr std::uint8_t kEventPowerUp = 1;
    static constexpr std::uint8_t kEventSignalReset = 2;
    static constexpr std::uint8_t kEventRemoteControl = 3;
    static constexpr std::uint8_t kEventSettingChanged = 4;
    static constexpr std::uint8_t kEventParamChanged = 6;

  private:
    std::optional<Frame> ReadRegisters(const Frame& req, const Now& now);
    std::optional<Frame> WriteRegisters(const Frame& req, const Now& now);
    std::optional<Frame> WriteSingleRegister(const Frame& req, const Now& now);
    std::optional<Frame> WriteCoil(const Frame& req, const Now& now);
    std::optional<Frame> ReadEvents(const Frame& req);
    Frame Exception(std::uint8_t function, std::uint8_t code);
    Frame Finish(Frame reply);

    // Applies a block of register writes; false (nothing changed) when a value is refused.
    bool ApplyWrites(std::uint16_t start, const std::vector<std::uint16_t>& values, const Now& now);
    std::uint16_t Value(std::uint16_t reg, const Now& now) const;
    void SignalReset(const Now& now);
    void SetBreaker(int post, bool closed, const Now& now);
    void UpdatePositionSignals(const Now& now);
    bool IsClock(std::uint16_t reg) const;
    int YxWordIndex(std::uint16_t reg) const;
    void InitParameters();
    void InitSettings();
    void InitEvents(const Now& start);
    int FindYx(const std::string& part) const;

    Layout layout_;
    RelayOptions options_;
    RelayClock clock_;
    PlantState plant_;
    Counters counters_;
    std::vector<std::uint16_t> regs_ = std::vector<std::uint16_t>(65536, 0);
    std::vector<bool> pinned_ = std::vector<bool>(65536, false);
    // Telemetry register -> (point index, high word?)
    std::vector<std::int16_t> ycPoint_ = std::vector<std::int16_t>(65536, -1);
    std::vector<bool> ycHigh_ = std::vector<bool>(65536, false);
    std::vector<bool> yx_;  // bit b = telesignal Post b + 1
    int yxWords_ = 0;
    std::uint8_t soeWrite_ = 0;
    std::uint8_t soeRead_ = 0;
    std::deque<EventRecord> events_;  // newest first
    int hvPost_ = 1, lv1Post_ = 2, lv2Post_ = 3;
    int closedPost_ = 0, trippedPost_ = 0;
    std::vector<int> latchedPosts_;
};

// The hardware information record the relay keeps in parameter block registers 21 .. 27.
std::array<std::uint8_t, 14> MakeHardwareInfo(HwInfoMode mode);

}  // namespace relaysim
