#pragma once
// The management thread: the only sender to the relay. Each pass serves the first waiting slot (command,
// SOE read, address search) or polls the relay's register image, and handles the answer.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <thread>

#include "engine/EngineContext.h"
#include "engine/LinkDisplay.h"

namespace engine {

// Logged when a click calibration's parked second step is given up because its first step never took
// effect (unanswered, refused, or replaced before it went out).
inline constexpr char kCalibrationAbandonedText[] = "下载遥测检验设定参数失败!";

class ManagementThread {
  public:
    static constexpr int kResponseWaitMs = 2000;  // for one answer; a poll in network mode waits twice
    static constexpr int kMissLimit = 10;         // more unanswered transactions than this clear CommOk
    static constexpr std::size_t kResponseCapacity = 1024;

    explicit ManagementThread(EngineContext& ctx) : ctx_(ctx), display_(ctx) {}
    ~ManagementThread();  // requests the stop and joins
    ManagementThread(const ManagementThread&) = delete;
    ManagementThread& operator=(const ManagementThread&) = delete;

    // Starts the thread once; false when it could not be created.
    bool Start();
    // Sets AppClosing: the thread ends at its next observation step.
    void RequestStop();
    void Join();
    bool Running() const { return thread_.joinable(); }
    // The thread body has returned (Join will not block). The UI thread waits for this while it keeps
    // carrying out the thread's last calls into windows.
    bool Finished() const { return finished_.load(); }

    // One pass of the loop without its 1 ms pause; false when the thread must end. Public for tests that
    // drive the engine without a thread.
    bool RunPass();

    LinkDisplay& Display() { return display_; }

  private:
    enum class Wait { Answer, Nothing, Closing };

    void Run();
    // Sends the frame and shows it in the monitor.
    void Send(const std::uint8_t* frame, std::size_t length);
    // Waits for an answer and takes it into response_; `rounds` waits of 2 s. The wait ends as soon as the
    // transport reports a frame.
    Wait AwaitResponse(int rounds);
    // Makes the current transport wake the response wait on every frame it delivers.
    void ListenToTransport();
    void CountMiss();

    bool CommandTransaction();
    bool SoeTransaction();
    bool AddressSearchTransaction();
    bool PollTransaction();
    void ReleaseDeferredCalibration();

    EngineContext& ctx_;
    LinkDisplay display_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    Transport* listenedTransport_ = nullptr;  // management thread only, and the destructor after the join
    int missCount_ = 0;
    std::size_t responseLength_ = 0;
    std::array<std::uint8_t, kResponseCapacity> response_{};
};

}  // namespace engine
