// The window link's receive path on any bytes another process sends: a live receiver takes each input as one
// message on its title socket or on its handle socket and answers with its acknowledgement byte. It hands on
// exactly the messages addressed to it, with the bytes sent, refuses every other message and keeps running.
// Input: a flags byte (1: to the handle socket; 2: put the receiver's handle into the message's target
// field), then the message.
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/WindowLink.h"
#include "platform/WindowLinkMessage.h"

namespace {

constexpr char kTitle[] = "fuzz-receiver";

struct Receiver {
    platform::LinkReceiver link;
    std::string titleSocket, handleSocket;
    std::mutex mutex;
    std::vector<std::uint8_t> lastBytes;
    std::uint64_t lastSender = 0, lastDwData = 0;
    int handled = 0;

    Receiver() {
        const std::string folder = fuzz::ScratchFolder() + "/link";
        if (::mkdir(folder.c_str(), 0700) != 0) __builtin_trap();
        platform::SetLinkFolderOverride(folder);
        const bool started = link.Start(kTitle, [this](const platform::CopyDataMessage& m) {
            std::lock_guard<std::mutex> lock(mutex);
            lastBytes.assign(m.bytes.begin(), m.bytes.end());
            lastSender = m.sender;
            lastDwData = m.dwData;
            ++handled;
        });
        if (!started) __builtin_trap();
        DIR* dir = ::opendir(folder.c_str());
        if (!dir) __builtin_trap();
        while (dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.rfind("t-", 0) == 0) titleSocket = folder + "/" + name;
            if (name.rfind("h-", 0) == 0) handleSocket = folder + "/" + name;
        }
        ::closedir(dir);
        if (titleSocket.empty() || handleSocket.empty()) __builtin_trap();
    }
};

// Sends `message` as one packet and returns the acknowledgement byte, or -1 when the receiver closed the
// connection without one. libFuzzer's alarm for slow inputs interrupts waits on this thread: they go on.
int SendRaw(const std::string& path, const std::vector<std::uint8_t>& message) {
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) __builtin_trap();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        pollfd p{fd, POLLOUT, 0};
        if (errno != EINTR) __builtin_trap();
        while (::poll(&p, 1, 5000) < 0 && errno == EINTR) {
        }
    }
    if (!message.empty()) {
        ssize_t sent;
        while ((sent = ::send(fd, message.data(), message.size(), MSG_NOSIGNAL)) < 0 && errno == EINTR) {
        }
        if (sent != static_cast<ssize_t>(message.size())) __builtin_trap();
    } else {
        ::shutdown(fd, SHUT_WR);
    }
    // The receiver answers at once; it drops a connection that sent nothing after a second.
    pollfd p{fd, POLLIN, 0};
    int ready;
    while ((ready = ::poll(&p, 1, 5000)) < 0 && errno == EINTR) {
    }
    if (ready != 1) __builtin_trap();
    std::uint8_t ack = 0;
    ssize_t n;
    while ((n = ::recv(fd, &ack, 1, 0)) < 0 && errno == EINTR) {
    }
    ::close(fd);
    return n == 1 ? ack : -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Receiver receiver;
    if (size == 0 || size - 1 > platform::link::kMaxMessageSize + 16) return 0;  // a little over: cut off
    const bool toHandle = data[0] & 1;
    std::vector<std::uint8_t> message(data + 1, data + size);
    if ((data[0] & 2) && message.size() >= 16) {
        const std::uint64_t handle = receiver.link.Handle();
        for (int i = 0; i < 8; ++i) message[8 + i] = static_cast<std::uint8_t>(handle >> (8 * i));
    }
    const auto decoded = platform::link::Decode(message);
    const bool forUs =
        decoded &&
        (toHandle ? decoded->kind == platform::link::kKindHandle && decoded->target == receiver.link.Handle()
                  : decoded->kind == platform::link::kKindTitle && decoded->title == kTitle);
    int before;
    {
        std::lock_guard<std::mutex> lock(receiver.mutex);
        before = receiver.handled;
    }
    const int ack = SendRaw(toHandle ? receiver.handleSocket : receiver.titleSocket, message);
    std::lock_guard<std::mutex> lock(receiver.mutex);
    if (message.empty()) {
        if (ack != -1 || receiver.handled != before) __builtin_trap();
    } else if (forUs) {
        if (ack != 0 || receiver.handled != before + 1) __builtin_trap();
        if (receiver.lastSender != decoded->sender || receiver.lastDwData != decoded->dwData ||
            !std::equal(receiver.lastBytes.begin(), receiver.lastBytes.end(), decoded->bytes.begin(),
                        decoded->bytes.end()))
            __builtin_trap();
    } else if (ack != 1 || receiver.handled != before) {
        __builtin_trap();
    }
    if (!receiver.link.Running()) __builtin_trap();
    return 0;
}
