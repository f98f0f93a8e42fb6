#pragma once
// Everything the management thread, the block transfer and the device operations work with. The program
// builds one over the process-wide tables, ComSer and its windows; tests build one over their own tables and
// fakes. Pointers that may be null are optional collaborators (no window, no sound).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "config/PointTables.h"
#include "engine/EngineInterfaces.h"
#include "engine/EngineState.h"
#include "engine/MainView.h"
#include "platform/Clock.h"

namespace trend {
class TrendStore;
}

namespace engine {

struct EngineContext {
    EngineState* state = nullptr;
    Transport* transport = nullptr;
    MainView* mainView = nullptr;

    config::YcTable* yc = nullptr;
    config::YxTable* yx = nullptr;
    config::ParamTable* param = nullptr;
    config::SettingTable* setting = nullptr;
    std::mutex* tablesMutex = nullptr;  // held only for short copies

    std::atomic<SettingsView*> settingsView{nullptr};  // set while the settings window exists
    EventRecords* eventRecords = nullptr;
    Monitor* monitor = nullptr;
    MessageBoxes* messageBoxes = nullptr;
    const platform::Clock* clock = nullptr;  // nullptr: platform::CurrentClock()
    // The trend's recording: a link fault is a gap in it, an SOE record a mark. Null: not recorded.
    trend::TrendStore* trend = nullptr;

    std::function<void(const std::string&)> log;   // default oplog::LogOperation
    std::function<void(const std::string&)> play;  // a WAVE resource by name; empty: silent
    // The live decoding of a poll answer that passed its checks (frame, length).
    std::function<void(const std::uint8_t*, std::size_t)> decodePoll;
    // Where reconnect writes the port back; default 配置文件/基本配置.ini in the program folder.
    std::string basicSettingsPath;

    // Fills the table pointers with the process-wide tables, the log with oplog::LogOperation and the
    // settings path with the program folder's file, where they are still unset.
    void UseProcessDefaults();

    void Log(const std::string& text) const;
    void Play(const std::string& name) const;
    platform::LocalTime Now() const;
};

// Sound names.
inline constexpr char kWaveYk[] = "IDR_WAVE_YK";
inline constexpr char kWaveHover[] = "IDR_WAVE_HOVER";

}  // namespace engine
