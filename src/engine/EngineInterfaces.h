#pragma once
// What the engine reaches outside itself: the transport and the windows besides the main window. Windows
// implement these and carry each call out on the UI thread while the caller waits. Texts are UTF-8.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace engine {

// The link to the relay (the serial port or the communication server).
class Transport {
  public:
    virtual ~Transport() = default;
    virtual bool TransportReady() = 0;
    virtual bool SendFrame(const std::uint8_t* frame, int length) = 0;
    virtual bool FrameReady() = 0;
    // `listener` is called, on any thread, whenever a frame has become ready; empty: nobody. Returns once no
    // call of the previous listener is running.
    virtual void SetFrameListener(std::function<void()> listener) = 0;
    // Copies the waiting frame, cut to `capacity`; its length, 0 when none.
    virtual std::size_t TakeFrame(std::uint8_t* destination, std::size_t capacity) = 0;
    virtual bool OpenPort(int port, int baud, int dataBits, int stopBits, int parity) = 0;
    virtual bool ClosePort() = 0;
    virtual bool RegisterWithCommServer(int port) = 0;
    // The last OpenPort failed because the user may not open the device.
    virtual bool PortAccessDenied() { return false; }
};

// The settings and parameters window, while it exists.
class SettingsView {
  public:
    virtual ~SettingsView() = default;
    virtual void RefreshParamList() = 0;
    virtual void RefreshSettingList() = 0;
};

// What became of one function-17 reply.
enum class EventBatchOutcome {
    Taken,     // its records were appended; `batches` is the upload's batch count after it
    TooShort,  // fewer than 25 records: nothing was taken and the upload ends where it stands
    NotAwaited,  // it answers a request the upload no longer waits for (上装记录 was pressed again): ignored
};

struct EventBatchResult {
    EventBatchOutcome outcome = EventBatchOutcome::NotAwaited;
    unsigned batches = 0;
};

// The event record window's decoding of the function-17 replies.
class EventRecords {
  public:
    virtual ~EventRecords() = default;
    // Decodes the reply to the batch request that was sent for the records from `firstRecord` on.
    virtual EventBatchResult DecodeEventBatch(unsigned firstRecord, const std::uint8_t* reply,
                                              std::size_t length) = 0;
};

// The communication monitor.
class Monitor {
  public:
    virtual ~Monitor() = default;
    virtual bool MonitorCreated() const = 0;
    virtual void ShowMonitorFrame(const std::uint8_t* bytes, std::size_t length, bool received) = 0;
};

// Message boxes with the application's title.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual bool AskOkCancel(const std::string& text) = 0;  // true for OK
    virtual bool AskYesNo(const std::string& text) = 0;     // true for Yes
    virtual void Inform(const std::string& text) = 0;
};

}  // namespace engine
