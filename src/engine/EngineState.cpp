#include "engine/EngineState.h"

#include <algorithm>

namespace engine {

void HardwareInfoRecord::Fill(std::uint8_t value) {
    std::lock_guard lock(mutex_);
    bytes_.fill(value);
}

void HardwareInfoRecord::Set(const std::uint8_t* bytes) {
    std::lock_guard lock(mutex_);
    std::copy_n(bytes, bytes_.size(), bytes_.begin());
}

HardwareInfoRecord::Bytes HardwareInfoRecord::Get() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

bool EngineState::SetDeviceAddress(int address) {
    if (address < modbus::kMinDeviceAddress || address > modbus::kMaxDeviceAddress) return false;
    deviceAddress_.store(static_cast<std::uint8_t>(address));
    return true;
}

void EngineState::ApplyLegacyControlModeRule() {
    if (deviceVersion.load() <= modbus::kLegacyVersionMax) forcedMode0_.store(true);
}

void EngineState::RequestClose() {
    {
        std::lock_guard lock(sleepMutex_);
        appClosing_.store(true);
    }
    sleepCv_.notify_all();
}

bool EngineState::SleepMs(int ms) {
    if (sleepOverride) {
        sleepOverride(ms);
        return !appClosing_.load();
    }
    std::unique_lock lock(sleepMutex_);
    return !sleepCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return appClosing_.load(); });
}

}  // namespace engine
