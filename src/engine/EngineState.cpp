#include "engine/EngineState.h"

#include <algorithm>

#include "platform/Clock.h"

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
    if (ms == 1) {
        // The pause between passes is part of every poll cycle: a timer of its own keeps it at 1 ms where the
        // system's waits would end on its scheduler tick.
        if (appClosing_.load()) return false;
        platform::SleepPrecisely(std::chrono::milliseconds(1));
        return !appClosing_.load();
    }
    std::unique_lock lock(sleepMutex_);
    return !sleepCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return appClosing_.load(); });
}

bool EngineState::WaitUntil(int ms, const std::function<bool()>& ready) {
    if (sleepOverride) {
        // Tests without a thread: whatever is not there at once only comes after the whole wait.
        if (ready()) return true;
        sleepOverride(ms);
        return ready();
    }
    std::unique_lock lock(sleepMutex_);
    sleepCv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return appClosing_.load() || ready(); });
    return ready();
}

void EngineState::WakeWaiters() {
    // Taking the lock orders the wake after any waiter's look at its condition: none can miss it.
    { std::lock_guard lock(sleepMutex_); }
    sleepCv_.notify_all();
}

}  // namespace engine
