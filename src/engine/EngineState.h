#pragma once
// The state shared by the UI thread and the management thread: the request slots, the flags, the relay's
// address and version, the control-mode rule and the hardware information record. Flags are atomics; the
// slots and the record carry their own short locks.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>

#include "engine/Slots.h"
#include "modbus/RegisterMap.h"

namespace engine {

class HardwareInfoRecord {
  public:
    using Bytes = std::array<std::uint8_t, modbus::kHardwareInfoBytes>;
    HardwareInfoRecord() { bytes_.fill(0xFF); }
    void Fill(std::uint8_t value);
    void Set(const std::uint8_t* bytes);  // kHardwareInfoBytes bytes
    Bytes Get() const;

  private:
    mutable std::mutex mutex_;
    Bytes bytes_{};
};

// The CommandSlot tag of a mouse-wheel calibration write: its echo is not announced.
inline constexpr std::uint8_t kWheelWriteTag = 1;

class EngineState {
  public:
    CommandSlot commandSlot;
    SoeSlot soeSlot;
    AddressSearchSlot addressSearchSlot;
    DeferredCalibrationSlot deferredCalibration;

    std::atomic<bool> commOk{false};
    // Set by the management thread only while the transaction of a write queued with kWheelWriteTag is under
    // way, so the flag can never outlive its own write (a replaced or unanswered one included).
    std::atomic<bool> wheelAdjustPending{false};
    std::atomic<bool> networkMode{false};  // the main window's NetworkMode tick
    std::atomic<std::uint16_t> deviceVersion{0};
    HardwareInfoRecord hardwareInfo;

    // Relay address, 1..247. Returns false (and keeps the address) for anything outside.
    bool SetDeviceAddress(int address);
    std::uint8_t DeviceAddress() const { return deviceAddress_.load(); }

    // Relays up to version 110 know only control mode 0. Signal reset and remote control apply that rule
    // before they build their frame; the forced mode then holds until the next parameter upload. The
    // parameter table keeps the relay's own word, so downloads and saved files carry it unchanged.
    void ApplyLegacyControlModeRule();
    void ClearControlModeOverride() { forcedMode0_.store(false); }
    // The mode operations and echo dispatch use, given the parameter table's entry 50.
    std::uint16_t EffectiveControlMode(std::uint16_t tableWord) const {
        return forcedMode0_.load() ? std::uint16_t{0} : tableWord;
    }

    // Closing: sets the flag and wakes every interruptible sleep.
    void RequestClose();
    bool AppClosing() const { return appClosing_.load(); }
    // Sleeps `ms` unless closing is requested meanwhile; false when closing.
    bool SleepMs(int ms);
    // Waits up to `ms` until `ready` holds, ending early when closing is requested; true when `ready` holds.
    // `ready` is evaluated under the state's wait lock, so it must be short and must not wait itself; whoever
    // makes it true calls WakeWaiters afterwards.
    bool WaitUntil(int ms, const std::function<bool()>& ready);
    // Wakes WaitUntil to look at its condition again (from any thread).
    void WakeWaiters();
    // Tests that drive passes without a thread replace the real sleep (set before any thread starts).
    std::function<void(int ms)> sleepOverride;

  private:
    std::atomic<std::uint8_t> deviceAddress_{modbus::kDefaultDeviceAddress};
    std::atomic<bool> forcedMode0_{false};
    std::atomic<bool> appClosing_{false};
    std::mutex sleepMutex_;
    std::condition_variable sleepCv_;
};

}  // namespace engine
