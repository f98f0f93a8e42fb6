#pragma once
// The communication server: owns COM ports for its clients and relays frames both ways.
//
// A client's message with no bytes announces the port it uses from now on (port 200: the client is closing);
// a message with bytes is a frame to send on port dwData, also on a port the client never announced (a client
// that registered with an earlier run of the server sends without registering again). Each reply the relay
// sends back goes to the client as one message.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "PortRelay.h"
#include "platform/WindowLink.h"

namespace comm_server {

inline constexpr char kDefaultTitle[] = "Tessel - 通讯正常 - 通讯服务器以正常模式运行";
inline constexpr std::uint64_t kFarewellPort = 200;

class CommServer {
  public:
    CommServer(std::string title, std::string programFolder);
    ~CommServer();  // stops
    CommServer(const CommServer&) = delete;
    CommServer& operator=(const CommServer&) = delete;

    // Takes the window title; fails when it cannot (another server runs, or the link folder is refused).
    bool Start();
    void Stop();
    // Joins port readers that have ended; called now and then by the owner's loop.
    void Housekeeping();

    // The handling of one client message (public so that it can be driven without the window link).
    void OnMessage(platform::WindowHandle client, std::uint64_t dwData, std::span<const std::uint8_t> bytes);

  private:
    void Announce(platform::WindowHandle client, int port);
    void Farewell(platform::WindowHandle client);
    void Relay(platform::WindowHandle client, int port, std::span<const std::uint8_t> frame);
    void Deliver(int port, std::vector<std::uint8_t> reply);
    // Waits for readers of `port` that are ending (or whose device failed), so that the port can reopen: the
    // device is exclusive. Only the message handler calls it, so the state cannot change behind its back.
    void FinishEndingReaders(int port);

    // The following run under mutex_.
    PortRelay* EnsurePortLocked(int port);
    void ReleaseUnusedPortsLocked();
    bool PortInUseLocked(int port) const;
    void RetireLocked(int port);

    const std::string title_;
    const std::string programFolder_;
    platform::LinkReceiver receiver_;

    std::mutex mutex_;
    std::map<platform::WindowHandle, std::set<int>> clients_;  // client -> the ports it uses
    std::map<int, std::unique_ptr<PortRelay>> ports_;
    std::map<int, platform::WindowHandle> lastSender_;  // who sent the last frame on a port
    std::vector<std::unique_ptr<PortRelay>> retired_;   // readers asked to end, joined by Housekeeping
};

}  // namespace comm_server
