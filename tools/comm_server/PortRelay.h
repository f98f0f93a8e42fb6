#pragma once
// One COM port the server owns on behalf of its clients: frames go out on it, and a reader thread cuts what
// comes back into replies and hands each to the sink.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/SerialPort.h"

namespace comm_server {

class PortRelay {
  public:
    // Called on the reader thread with each complete reply.
    using ReplySink = std::function<void(int port, std::vector<std::uint8_t> reply)>;

    PortRelay(int port, ReplySink sink);
    ~PortRelay();  // stops and closes
    PortRelay(const PortRelay&) = delete;
    PortRelay& operator=(const PortRelay&) = delete;

    // Opens "COM<port>" as resolved in `programFolder`, 9600 8N1 raw, and starts the reader.
    bool Open(const std::string& programFolder);
    // Writes one frame; false when not every byte went out.
    bool Send(std::span<const std::uint8_t> frame);
    // Asks the reader to end without waiting for it.
    void RequestStop();
    // Ends the reader, waits for it and closes the port.
    void Stop();

    int Port() const { return port_; }
    // True once the device hung up or vanished; the port must be opened anew.
    bool Failed() const { return failed_; }
    // True once the reader thread has ended (Stop then returns at once).
    bool Finished() const { return finished_; }

  private:
    void ReadLoop();

    const int port_;
    ReplySink sink_;
    platform::SerialPort serial_;
    platform::WakeEvent wake_;
    std::mutex ioMutex_;  // serialises reads and writes on the device
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::atomic<bool> finished_{false};
};

}  // namespace comm_server
