#pragma once
// The engine's transport over the program's ComSer.
#include <utility>

#include "SrcCom/ComSer.h"
#include "engine/EngineInterfaces.h"

namespace engine {

class ComSerTransport : public Transport {
  public:
    explicit ComSerTransport(com::ComSer& comSer) : comSer_(comSer) {}
    bool TransportReady() override { return comSer_.TransportReady(); }
    bool SendFrame(const std::uint8_t* frame, int length) override {
        return comSer_.SendFrame(frame, length);
    }
    bool FrameReady() override { return comSer_.FrameReady(); }
    void SetFrameListener(std::function<void()> listener) override {
        comSer_.SetFrameListener(std::move(listener));
    }
    std::size_t TakeFrame(std::uint8_t* destination, std::size_t capacity) override {
        return comSer_.TakeFrame(destination, capacity);
    }
    bool OpenPort(int port, int baud, int dataBits, int stopBits, int parity) override {
        return comSer_.OpenPort(port, baud, dataBits, stopBits, parity);
    }
    bool ClosePort() override { return comSer_.ClosePort(); }
    bool RegisterWithCommServer(int port) override { return comSer_.RegisterWithCommServer(port); }
    bool PortAccessDenied() override { return comSer_.PortAccessDenied(); }

  private:
    com::ComSer& comSer_;
};

}  // namespace engine
