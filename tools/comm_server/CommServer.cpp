#include "CommServer.h"

#include <cstdio>

namespace comm_server {

namespace {

constexpr int kHighestPort = 255;

bool ValidPort(std::uint64_t port) {
    return port >= 1 && port <= kHighestPort && port != kFarewellPort;
}

unsigned long long Id(platform::WindowHandle handle) {
    return static_cast<unsigned long long>(handle);
}

}  // namespace

CommServer::CommServer(std::string title, std::string programFolder)
    : title_(std::move(title)), programFolder_(std::move(programFolder)) {}

CommServer::~CommServer() {
    Stop();
}

bool CommServer::Start() {
    if (platform::WindowExists(title_)) {
        std::fprintf(stderr, "comm_server: a server with this title is already running\n");
        return false;
    }
    if (!receiver_.Start(
            title_, [this](const platform::CopyDataMessage& m) { OnMessage(m.sender, m.dwData, m.bytes); })) {
        std::fprintf(stderr,
                     "comm_server: cannot register the window (link folder refused or title taken)\n");
        return false;
    }
    std::fprintf(stderr, "comm_server: running, program folder %s\n", programFolder_.c_str());
    return true;
}

void CommServer::Stop() {
    // The receiver first, so that no message arrives while the ports go.
    receiver_.Stop();
    std::map<int, std::unique_ptr<PortRelay>> ports;
    std::vector<std::unique_ptr<PortRelay>> retired;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ports.swap(ports_);
        retired.swap(retired_);
        clients_.clear();
        lastSender_.clear();
    }
    // Stopped outside the lock: a reader may be delivering a reply and need it.
    ports.clear();
    retired.clear();
}

void CommServer::Housekeeping() {
    std::vector<std::unique_ptr<PortRelay>> done;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // A device that hung up is let go at once, so that an adapter plugged in again can be reopened.
        std::vector<int> failed;
        for (const auto& [port, relay] : ports_)
            if (relay->Failed()) failed.push_back(port);
        for (int port : failed) RetireLocked(port);
        for (auto it = retired_.begin(); it != retired_.end();) {
            if ((*it)->Finished()) {
                done.push_back(std::move(*it));
                it = retired_.erase(it);
            } else {
                ++it;
            }
        }
    }
    done.clear();
}

void CommServer::OnMessage(platform::WindowHandle client, std::uint64_t dwData,
                           std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        if (dwData == kFarewellPort)
            Farewell(client);
        else if (ValidPort(dwData))
            Announce(client, static_cast<int>(dwData));
        else
            std::fprintf(stderr, "comm_server: client %016llx announced invalid port %llu\n", Id(client),
                         static_cast<unsigned long long>(dwData));
        return;
    }
    if (!ValidPort(dwData)) {
        std::fprintf(stderr, "comm_server: client %016llx sent a frame for invalid port %llu\n", Id(client),
                     static_cast<unsigned long long>(dwData));
        return;
    }
    Relay(client, static_cast<int>(dwData), bytes);
}

void CommServer::Announce(platform::WindowHandle client, int port) {
    FinishEndingReaders(port);
    std::lock_guard<std::mutex> lock(mutex_);
    clients_[client] = {port};
    ReleaseUnusedPortsLocked();
    const bool opened = EnsurePortLocked(port) != nullptr;
    std::fprintf(stderr, "comm_server: client %016llx uses COM%d%s\n", Id(client), port,
                 opened ? "" : " (cannot open it now)");
}

void CommServer::Farewell(platform::WindowHandle client) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (clients_.erase(client) == 0) return;
    for (auto it = lastSender_.begin(); it != lastSender_.end();) {
        it = it->second == client ? lastSender_.erase(it) : std::next(it);
    }
    ReleaseUnusedPortsLocked();
    std::fprintf(stderr, "comm_server: client %016llx closed\n", Id(client));
}

void CommServer::Relay(platform::WindowHandle client, int port, std::span<const std::uint8_t> frame) {
    FinishEndingReaders(port);
    std::lock_guard<std::mutex> lock(mutex_);
    if (clients_[client].insert(port).second)
        std::fprintf(stderr, "comm_server: client %016llx sends on COM%d without announcing it\n", Id(client),
                     port);
    PortRelay* relay = EnsurePortLocked(port);
    if (relay == nullptr) {
        std::fprintf(stderr, "comm_server: COM%d cannot be opened, frame of %zu bytes dropped\n", port,
                     frame.size());
        return;
    }
    lastSender_[port] = client;
    if (!relay->Send(frame))
        std::fprintf(stderr, "comm_server: COM%d write of %zu bytes failed\n", port, frame.size());
}

void CommServer::Deliver(int port, std::vector<std::uint8_t> reply) {
    std::vector<platform::WindowHandle> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto last = lastSender_.find(port);
        if (last != lastSender_.end()) {
            targets.push_back(last->second);
        } else {
            // Nobody asked: whoever uses the port gets it.
            for (const auto& [client, used] : clients_)
                if (used.count(port) != 0) targets.push_back(client);
        }
    }
    if (targets.empty())
        std::fprintf(stderr, "comm_server: COM%d reply of %zu bytes has no client\n", port, reply.size());
    for (auto target : targets) {
        // Sent without the lock: the client may be sending to us at the same moment.
        if (!platform::SendCopyDataToHandle(target, receiver_.Handle(), static_cast<std::uint64_t>(port),
                                            reply))
            std::fprintf(stderr, "comm_server: COM%d reply to client %016llx not delivered\n", port,
                         Id(target));
    }
}

void CommServer::FinishEndingReaders(int port) {
    std::vector<std::unique_ptr<PortRelay>> ending;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = ports_.find(port);
        if (it != ports_.end() && it->second->Failed()) RetireLocked(port);
        for (auto r = retired_.begin(); r != retired_.end();) {
            if ((*r)->Port() == port) {
                ending.push_back(std::move(*r));
                r = retired_.erase(r);
            } else {
                ++r;
            }
        }
    }
    // Joined without the lock: a reader may be waiting for it to deliver its last reply.
    ending.clear();
}

PortRelay* CommServer::EnsurePortLocked(int port) {
    auto it = ports_.find(port);
    if (it != ports_.end()) return it->second.get();
    auto relay = std::make_unique<PortRelay>(
        port, [this](int p, std::vector<std::uint8_t> reply) { Deliver(p, std::move(reply)); });
    if (!relay->Open(programFolder_)) return nullptr;
    std::fprintf(stderr, "comm_server: COM%d opened\n", port);
    return (ports_[port] = std::move(relay)).get();
}

bool CommServer::PortInUseLocked(int port) const {
    for (const auto& [client, used] : clients_)
        if (used.count(port) != 0) return true;
    return false;
}

void CommServer::ReleaseUnusedPortsLocked() {
    std::vector<int> unused;
    for (const auto& [port, relay] : ports_)
        if (!PortInUseLocked(port)) unused.push_back(port);
    for (int port : unused) {
        RetireLocked(port);
        std::fprintf(stderr, "comm_server: COM%d closed, no client uses it\n", port);
    }
}

void CommServer::RetireLocked(int port) {
    auto it = ports_.find(port);
    if (it == ports_.end()) return;
    // Not joined here: the reader may be blocked delivering a reply to the very client whose message this
    // thread is handling.
    it->second->RequestStop();
    retired_.push_back(std::move(it->second));
    ports_.erase(it);
    lastSender_.erase(port);
}

}  // namespace comm_server
