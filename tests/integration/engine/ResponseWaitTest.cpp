// The management thread's response wait with real threads: it ends when the transport announces a frame,
// when the time is up, or when closing is requested, and it never misses an announcement.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "modbus/Requests.h"
#include "unit/engine/EngineHarness.h"

namespace engine_test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

TEST(ResponseWait, EndsOnTheAnnouncementOnClosingOrAtTheTimeOut) {
    engine::EngineState state;
    std::atomic<bool> ready{false};
    auto isReady = [&] { return ready.load(); };

    // Announced from another thread long before the time is up.
    std::thread producer([&] {
        std::this_thread::sleep_for(30ms);
        ready.store(true);
        state.WakeWaiters();
    });
    auto t0 = Clock::now();
    EXPECT_TRUE(state.WaitUntil(10'000, isReady));
    EXPECT_LT(MsSince(t0), 5'000);
    producer.join();

    // Nothing comes: the whole wait, then false.
    ready.store(false);
    t0 = Clock::now();
    EXPECT_FALSE(state.WaitUntil(50, isReady));
    EXPECT_GE(MsSince(t0), 50);

    // Closing ends the wait at once.
    std::thread closer([&] {
        std::this_thread::sleep_for(30ms);
        state.RequestClose();
    });
    t0 = Clock::now();
    EXPECT_FALSE(state.WaitUntil(10'000, isReady));
    EXPECT_LT(MsSince(t0), 5'000);
    closer.join();
}

// A relay on its own thread: answers every frame after a few milliseconds, announcing it the way the read
// thread does (flag first, then the listener).
class ThreadedTransport : public engine::Transport {
  public:
    ThreadedTransport() : relay_([this] { Relay(); }) {}
    ~ThreadedTransport() override {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        relay_.join();
    }

    bool TransportReady() override { return true; }
    bool SendFrame(const std::uint8_t* frame, int length) override {
        std::lock_guard lock(mutex_);
        requests_.emplace_back(frame, frame + length);
        cv_.notify_all();
        return true;
    }
    bool FrameReady() override { return ready_.load(); }
    void SetFrameListener(std::function<void()> listener) override {
        std::lock_guard lock(listenerMutex_);
        listener_ = std::move(listener);
    }
    std::size_t TakeFrame(std::uint8_t* destination, std::size_t capacity) override {
        std::lock_guard lock(mutex_);
        if (!ready_.exchange(false)) return 0;
        const std::size_t n = std::min(capacity, reply_.size());
        std::copy_n(reply_.begin(), n, destination);
        return n;
    }
    bool OpenPort(int, int, int, int, int) override { return true; }
    bool ClosePort() override { return true; }
    bool RegisterWithCommServer(int) override { return true; }

    bool HasListener() {
        std::lock_guard lock(listenerMutex_);
        return static_cast<bool>(listener_);
    }

  private:
    void Relay() {
        std::unique_lock lock(mutex_);
        for (;;) {
            cv_.wait(lock, [&] { return stop_ || !requests_.empty(); });
            if (stop_) return;
            Bytes request = std::move(requests_.front());
            requests_.pop_front();
            lock.unlock();
            std::this_thread::sleep_for(3ms);
            lock.lock();
            // A poll is answered with 60 registers, a write with its echo.
            reply_ = request[1] == 3 ? Harness::PollAnswer(request[0], std::vector<std::uint16_t>(60, 0))
                                     : WithCrc(Bytes(request.begin(), request.begin() + 6));
            ready_.store(true);
            lock.unlock();
            {
                std::lock_guard listening(listenerMutex_);
                if (listener_) listener_();
            }
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Bytes> requests_;
    Bytes reply_;
    std::atomic<bool> ready_{false};
    bool stop_ = false;
    std::mutex listenerMutex_;
    std::function<void()> listener_;
    std::thread relay_;
};

TEST(ResponseWait, TheThreadTakesEveryAnswerWhenItIsAnnouncedAndLetsGoOfTheTransport) {
    ThreadedTransport transport;
    std::mutex logMutex;
    std::vector<std::string> logs;
    int decoded = 0;
    {
        Harness h;
        h.state.sleepOverride = nullptr;  // real waits
        h.ctx.transport = &transport;
        h.ctx.log = [&](const std::string& t) {
            std::lock_guard lock(logMutex);
            logs.push_back(t);
        };
        h.ctx.decodePoll = [&](const std::uint8_t*, std::size_t) {
            std::lock_guard lock(logMutex);
            ++decoded;
        };
        h.state.commandSlot.Put(modbus::BuildSignalResetRequest(1));
        const auto t0 = Clock::now();
        ASSERT_TRUE(h.thread.Start());
        // Forty answered polls; a missed announcement would cost a whole 2 s wait each.
        for (;;) {
            {
                std::lock_guard lock(logMutex);
                if (decoded >= 40) break;
            }
            ASSERT_LT(MsSince(t0), 20'000);
            std::this_thread::sleep_for(5ms);
        }
        EXPECT_TRUE(transport.HasListener());
        h.thread.RequestStop();
        h.thread.Join();
        EXPECT_TRUE(h.state.commOk);
    }
    EXPECT_FALSE(transport.HasListener());  // the thread is gone: the transport must not call into it
    std::lock_guard lock(logMutex);
    ASSERT_FALSE(logs.empty());
    EXPECT_EQ(logs.front(), "复归成功!");
    EXPECT_EQ(std::count(logs.begin(), logs.end(), "轮循回复超时!"), 0);
}

}  // namespace
}  // namespace engine_test
