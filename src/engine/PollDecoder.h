#pragma once
// Live decoding of the poll answer into the telemetry and telesignal tables and the main window, and the
// telesignal look-ups by code and by name.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "config/PointTables.h"
#include "engine/MainView.h"
#include "platform/Clock.h"
#include "trend/TrendStore.h"

namespace engine {

// The tables whose runtime fields are written and the mutex that guards them. Null members mean the
// process-wide ones (config::Yc(), config::Yx(), config::TablesMutex()).
struct LiveTables {
    config::YcTable* yc = nullptr;
    config::YxTable* yx = nullptr;
    std::mutex* mutex = nullptr;
};

struct DecodeContext {
    explicit DecodeContext(std::atomic<std::uint16_t>& deviceVersion) : DeviceVersion(deviceVersion) {}

    MainView* view = nullptr;  // nullptr: the tables are updated, nothing is shown
    LiveTables tables;
    std::atomic<std::uint16_t>& DeviceVersion;          // the version word of the last answer that held it
    std::function<void(const std::string&)> log;        // empty: oplog::LogOperation
    std::function<void(const std::string&)> playSound;  // wave resource name; empty: silent
    // Where every decoded answer's values go with the PC time, and the telesignal changes as marks; null: not
    // recorded. Its lock is short and never held across a call out.
    trend::TrendStore* trend = nullptr;
    const platform::Clock* clock = nullptr;  // nullptr: platform::CurrentClock()
    // Called last with the whole answer; it looks at the event ring indices in register 6.
    std::function<void(const std::uint8_t* frame, std::size_t length)> soeCheck;
};

// Decodes a poll answer (address, function 3, byte count, registers, CRC) that passed its checks; `length`
// is the number of bytes received. Registers missing from a short answer blank their values and signals.
// Runs on the management thread; the table mutex is held only while the tables are read and written, never
// during a call into the view, the log, the sound or the event check.
void DecodePollResponse(const std::uint8_t* frame, std::size_t length, DecodeContext& context);

// The first telesignal among points 0 .. Number - 1 whose Post equals `code`. Reads only load-time fields.
std::optional<int> FindYxByPost(unsigned code, const config::YxTable* yx = nullptr);

// The first telesignal among points 0 .. Number - 1 whose name contains "事故总" (compared on the GBK
// bytes, on character boundaries). Reads only load-time fields.
std::optional<int> FindAccidentSignal(const config::YxTable* yx = nullptr);

}  // namespace engine
