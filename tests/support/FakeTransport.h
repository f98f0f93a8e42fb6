#pragma once
// A transport that records what the engine does with it and answers each sent frame with what `responder`
// returns (nothing, or no responder: the relay stays silent). Sends fail while it is not ready.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/EngineInterfaces.h"

namespace test {

class FakeTransport : public engine::Transport {
  public:
    using Bytes = std::vector<std::uint8_t>;
    std::function<std::optional<Bytes>(const Bytes&)> responder;
    bool ready = true;
    bool openResult = true;
    bool accessDenied = false;
    std::mutex mutex;  // guards `sent` for tests that read it while the engine runs on its thread
    std::vector<Bytes> sent;
    std::vector<std::string> calls;  // "open 12", "close", "register 5"
    std::vector<int> opened;
    std::vector<int> registered;

    bool TransportReady() override { return ready; }
    bool SendFrame(const std::uint8_t* frame, int length) override {
        std::lock_guard lock(mutex);
        sent.emplace_back(frame, frame + length);
        if (responder) pending_ = responder(sent.back());
        return ready;
    }
    bool FrameReady() override { return pending_.has_value(); }
    void SetFrameListener(std::function<void()>) override {}
    std::size_t TakeFrame(std::uint8_t* destination, std::size_t capacity) override {
        if (!pending_) return 0;
        const std::size_t n = std::min(capacity, pending_->size());
        std::copy_n(pending_->begin(), n, destination);
        pending_.reset();
        return n;
    }
    bool OpenPort(int port, int, int, int, int) override {
        calls.push_back("open " + std::to_string(port));
        opened.push_back(port);
        return openResult;
    }
    bool ClosePort() override {
        calls.push_back("close");
        return true;
    }
    bool RegisterWithCommServer(int port) override {
        calls.push_back("register " + std::to_string(port));
        registered.push_back(port);
        return openResult;
    }
    bool PortAccessDenied() override { return accessDenied; }

  private:
    std::optional<Bytes> pending_;
};

}  // namespace test
