#include "platform/WindowLink.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/WindowLinkMessage.h"

namespace platform {

namespace {

using link::kKindHandle;
using link::kKindTitle;
using link::kMaxMessageSize;
using link::kMaxTitleBytes;
// The receiver answers one byte: 0 handled, 1 refused.
constexpr std::uint8_t kAckHandled = 0;
constexpr std::uint8_t kAckRefused = 1;
// A sender writes its message right after connecting; a connection silent for this long is dropped.
constexpr int kReceiveWaitMs = 1000;
constexpr int kListenBacklog = 16;
// Connections accepted but not yet read; beyond this the oldest is dropped so idle ones cannot pile up.
constexpr std::size_t kMaxPendingConnections = 64;
// After accept failed for want of descriptors or memory, listening pauses this long instead of spinning.
constexpr int kAcceptPauseMs = 100;
// The longest wait for the folder lock; a holder that keeps it longer is stuck (stopped or hung).
constexpr int kFolderLockWaitMs = 500;
static_assert(link::kMaxDataBytes == kMaxCopyDataBytes);

std::mutex g_overrideMutex;
std::string g_folderOverride;

std::atomic<std::uint32_t> g_handleCounter{0};
std::atomic<std::uint32_t> g_tempCounter{0};

using SteadyClock = std::chrono::steady_clock;

class Fd {
  public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    int Release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_ = -1;
};

// Serialises registration and stale-file removal among all processes using the folder, so that a socket
// that is being set up is never taken for a stale one. The wait is bounded: a process stopped while holding
// the lock must not hang the caller (the UI or the management thread). Without the lock, callers do only what
// is safe on its own.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder) {
        std::string path = folder + "/.lock";
        fd_ = Fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd_.Valid()) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kFolderLockWaitMs);
        for (;;) {
            if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    bool Held() const { return held_; }
    // The lock is released when the descriptor closes.

  private:
    Fd fd_;
    bool held_ = false;
};

std::string Hex16(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::uint64_t Fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string TitleSocketPath(const std::string& folder, const std::string& title) {
    return folder + "/t-" + Hex16(Fnv1a64(title)) + ".sock";
}

std::string HandleSocketPath(const std::string& folder, WindowHandle handle) {
    return folder + "/h-" + Hex16(handle) + ".sock";
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

enum class Probe { None, Live, Stale };

// Asks whether a receiver listens on `path` without waiting for it.
Probe ProbeSocket(const std::string& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return Probe::None;
    Fd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd.Valid()) return Probe::None;
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return Probe::Live;
    if (errno == EAGAIN || errno == EINPROGRESS) return Probe::Live;  // backlog full: alive but busy
    if (errno == ECONNREFUSED) return Probe::Stale;
    return Probe::None;
}

// Removes `path` if it is a socket file nobody listens on. Called under the folder lock.
void RemoveIfStale(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return;
    if (ProbeSocket(path) == Probe::Stale) ::unlink(path.c_str());
}

int RemainingMs(SteadyClock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void SetSendTimeout(int fd, int ms) {
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    if (tv.tv_sec == 0 && tv.tv_usec == 0) tv.tv_usec = 1000;  // 0 would mean "wait forever"
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool PeerIsUs(int fd) {
    ucred cred{};
    socklen_t length = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) return false;
    return cred.uid == ::geteuid();
}

// Waits for `fd` to become readable; false on time-out or error. EINTR restarts with the remaining time.
bool WaitReadable(int fd, SteadyClock::time_point deadline) {
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool SendMessageTo(const std::string& path, const std::vector<std::uint8_t>& message, int timeoutMs) {
    if (timeoutMs < 1) timeoutMs = 1;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    sockaddr_un address;
    if (!FillAddress(path, address)) return false;
    Fd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) return false;
    // A connect to a receiver whose backlog is full blocks at most for the send time-out.
    SetSendTimeout(fd.Get(), timeoutMs);
    int rc;
    do {
        rc = ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (rc != 0 && errno == EINTR && RemainingMs(deadline) > 0);
    if (rc != 0) return false;
    if (!PeerIsUs(fd.Get())) return false;
    SetSendTimeout(fd.Get(), RemainingMs(deadline));
    ssize_t sent;
    do {
        sent = ::send(fd.Get(), message.data(), message.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR && RemainingMs(deadline) > 0);
    if (sent != static_cast<ssize_t>(message.size())) return false;
    if (!WaitReadable(fd.Get(), deadline)) return false;
    std::uint8_t ack = kAckRefused;
    return ::recv(fd.Get(), &ack, 1, MSG_DONTWAIT) == 1 && ack == kAckHandled;
}

bool DirectoryAcceptable(const std::string& path) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
}

// Without a runtime folder: a folder under the user's own cache folder ($XDG_CACHE_HOME or ~/.cache), where
// no other user can create the name first, as anyone can in /tmp.
std::string PrivateCacheFolder() {
    std::string cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && xdg[0] == '/') {
        cache = xdg;
    } else {
        const char* home = std::getenv("HOME");
        std::string base = home != nullptr && home[0] == '/' ? home : "";
        if (base.empty()) {
            if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir && user->pw_dir[0] == '/')
                base = user->pw_dir;
        }
        if (base.empty()) return {};
        cache = base + "/.cache";
    }
    ::mkdir(cache.c_str(), 0700);  // usually there already
    return cache + "/varn-link";
}

}  // namespace

std::optional<std::string> LinkFolder() {
    std::string folder;
    {
        std::lock_guard<std::mutex> lock(g_overrideMutex);
        folder = g_folderOverride;
    }
    if (folder.empty()) {
        const char* env = std::getenv("VARN_LINK_DIR");
        if (env != nullptr && *env != '\0') {
            folder = env;
        } else {
            const char* runtime = std::getenv("XDG_RUNTIME_DIR");
            if (runtime != nullptr && *runtime != '\0')
                folder = std::string(runtime) + "/varn";
            else
                folder = PrivateCacheFolder();
        }
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) return std::nullopt;
    if (::mkdir(folder.c_str(), 0700) == 0) {
        ::chmod(folder.c_str(), 0700);  // the umask may have taken bits away
    } else if (errno != EEXIST) {
        return std::nullopt;
    }
    if (!DirectoryAcceptable(folder)) return std::nullopt;
    return folder;
}

void SetLinkFolderOverride(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    g_folderOverride = folder;
}

// ---------------------------------------------------------------------------------------------------------

namespace {

// One listening socket of a receiver and the name it is reachable under.
struct Listener {
    Fd fd;
    std::uint8_t kind = kKindTitle;
    std::string title;  // kind title
    std::string path;
    dev_t dev = 0;  // identity of the socket file we linked, so we only ever remove our own
    ino_t ino = 0;
};

// Creates a listening socket and makes it reachable at `path` only if no live receiver holds that name.
std::optional<Listener> CreateListener(const std::string& folder, const std::string& path,
                                       WindowHandle owner) {
    Listener listener;
    listener.path = path;
    std::string temp =
        folder + "/n-" + Hex16(owner) + "-" + std::to_string(g_tempCounter.fetch_add(1)) + ".sock";
    sockaddr_un address;
    sockaddr_un check;
    if (!FillAddress(temp, address) || !FillAddress(path, check)) return std::nullopt;
    listener.fd = Fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener.fd.Valid()) return std::nullopt;
    ::unlink(temp.c_str());
    if (::bind(listener.fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return std::nullopt;
    bool linked = false;
    if (::listen(listener.fd.Get(), kListenBacklog) == 0) {
        // The name appears only once the socket listens, atomically, and never over a live receiver.
        FolderLock lock(folder);
        for (int attempt = 0; attempt < 2 && !linked; ++attempt) {
            if (::link(temp.c_str(), path.c_str()) == 0) {
                linked = true;
            } else if (errno == EEXIST && attempt == 0 && lock.Held()) {
                RemoveIfStale(path);
            } else {
                break;
            }
        }
        struct stat info;
        if (linked && ::lstat(path.c_str(), &info) == 0) {
            listener.dev = info.st_dev;
            listener.ino = info.st_ino;
        }
    }
    ::unlink(temp.c_str());
    if (!linked) return std::nullopt;
    return listener;
}

void RemoveListenerFile(const Listener& listener) {
    std::string folder = listener.path.substr(0, listener.path.rfind('/'));
    FolderLock lock(folder);
    struct stat info;
    if (::lstat(listener.path.c_str(), &info) == 0 && info.st_dev == listener.dev &&
        info.st_ino == listener.ino)
        ::unlink(listener.path.c_str());
}

}  // namespace

struct LinkReceiver::State {
    WindowHandle handle = 0;
    std::mutex control;  // Start, SetTitle, Stop

    std::mutex mutex;  // everything below
    std::string title;
    std::vector<std::shared_ptr<Listener>> listeners;
    std::vector<std::shared_ptr<Listener>> retired;  // closed by the receiver thread
    bool stopping = false;

    Handler handler;
    GaveUp gaveUp;
    Fd wake;
    std::thread thread;
    std::atomic<bool> running{false};

    void Run();
    void Serve(int connection, const Listener& listener);
    void Die();
};

LinkReceiver::LinkReceiver() : state_(std::make_unique<State>()) {
    state_->handle = (static_cast<std::uint64_t>(::getpid()) << 32) | (g_handleCounter.fetch_add(1) + 1);
}

LinkReceiver::~LinkReceiver() {
    Stop();
}

bool LinkReceiver::Start(const std::string& title, Handler handler, GaveUp gaveUp) {
    State& s = *state_;
    std::lock_guard<std::mutex> control(s.control);
    if (s.thread.joinable() || !handler || title.size() > kMaxTitleBytes) return false;
    auto folder = LinkFolder();
    if (!folder) return false;
    std::vector<std::shared_ptr<Listener>> listeners;
    auto byHandle = CreateListener(*folder, HandleSocketPath(*folder, s.handle), s.handle);
    if (!byHandle) return false;
    byHandle->kind = kKindHandle;
    listeners.push_back(std::make_shared<Listener>(std::move(*byHandle)));
    if (!title.empty()) {
        auto byTitle = CreateListener(*folder, TitleSocketPath(*folder, title), s.handle);
        if (!byTitle) {
            RemoveListenerFile(*listeners.front());
            return false;
        }
        byTitle->title = title;
        listeners.push_back(std::make_shared<Listener>(std::move(*byTitle)));
    }
    Fd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake.Valid()) {
        for (auto& l : listeners) RemoveListenerFile(*l);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.title = title;
        s.listeners = std::move(listeners);
        s.retired.clear();
        s.stopping = false;
    }
    s.handler = std::move(handler);
    s.gaveUp = std::move(gaveUp);
    s.wake = std::move(wake);
    s.running = true;
    s.thread = std::thread([&s] { s.Run(); });
    return true;
}

bool LinkReceiver::SetTitle(const std::string& title) {
    State& s = *state_;
    std::lock_guard<std::mutex> control(s.control);
    if (!s.thread.joinable() || title.size() > kMaxTitleBytes) return false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (s.title == title) return true;
    }
    std::shared_ptr<Listener> fresh;
    if (!title.empty()) {
        auto folder = LinkFolder();
        if (!folder) return false;
        auto created = CreateListener(*folder, TitleSocketPath(*folder, title), s.handle);
        if (!created) return false;
        created->title = title;
        fresh = std::make_shared<Listener>(std::move(*created));
    }
    std::shared_ptr<Listener> old;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        for (auto it = s.listeners.begin(); it != s.listeners.end(); ++it) {
            if ((*it)->kind == kKindTitle) {
                old = *it;
                s.retired.push_back(old);
                s.listeners.erase(it);
                break;
            }
        }
        if (fresh) s.listeners.push_back(fresh);
        s.title = title;
    }
    if (old) RemoveListenerFile(*old);
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(s.wake.Get(), &one, sizeof one);
    return true;
}

void LinkReceiver::Stop() {
    State& s = *state_;
    std::lock_guard<std::mutex> control(s.control);
    if (!s.thread.joinable()) return;
    std::vector<std::shared_ptr<Listener>> listeners;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.stopping = true;
        listeners = s.listeners;
    }
    // Names go first, so nobody connects to a receiver that is about to close.
    for (auto& l : listeners) RemoveListenerFile(*l);
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t w = ::write(s.wake.Get(), &one, sizeof one);
    s.thread.join();
    s.running = false;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.listeners.clear();
        s.retired.clear();
        s.title.clear();
    }
    s.wake.Reset();
    s.handler = nullptr;
    s.gaveUp = nullptr;
}

bool LinkReceiver::Running() const {
    return state_->running;
}

WindowHandle LinkReceiver::Handle() const {
    return state_->handle;
}

std::string LinkReceiver::Title() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->title;
}

void LinkReceiver::State::Run() {
    // Connections accepted and waiting for their message. Each is served as soon as its message is there, so
    // an idle connection delays no other; it is dropped at its deadline.
    struct Pending {
        Fd fd;
        std::shared_ptr<Listener> listener;
        SteadyClock::time_point deadline;
    };
    std::vector<Pending> pending;
    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<Listener>> current;
    SteadyClock::time_point acceptPausedUntil{};
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping) return;
            retired.clear();  // closes descriptors of titles given up
            current = listeners;
        }
        auto now = SteadyClock::now();
        std::erase_if(pending, [now](const Pending& p) { return p.deadline <= now; });
        const bool accepting = now >= acceptPausedUntil;
        fds.assign(1, pollfd{wake.Get(), POLLIN, 0});
        const std::size_t firstListener = fds.size();
        if (accepting) {
            for (auto& l : current) fds.push_back(pollfd{l->fd.Get(), POLLIN, 0});
        }
        const std::size_t firstPending = fds.size();
        for (auto& p : pending) fds.push_back(pollfd{p.fd.Get(), POLLIN, 0});
        auto until = SteadyClock::time_point::max();
        for (auto& p : pending) until = std::min(until, p.deadline);
        if (!accepting) until = std::min(until, acceptPausedUntil);
        const int timeout = until == SteadyClock::time_point::max() ? -1 : std::max(1, RemainingMs(until));
        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Die();
            return;
        }
        if (fds[0].revents != 0) {
            std::uint64_t count;
            [[maybe_unused]] ssize_t r = ::read(wake.Get(), &count, sizeof count);
        }
        // Messages first, in the order their connections came.
        std::vector<bool> done(pending.size(), false);
        for (std::size_t k = 0; k < pending.size(); ++k) {
            if (fds[firstPending + k].revents == 0) continue;
            Serve(pending[k].fd.Get(), *pending[k].listener);
            done[k] = true;
        }
        std::size_t k = 0;
        std::erase_if(pending, [&](const Pending&) { return done[k++]; });
        if (!accepting) continue;
        now = SteadyClock::now();
        for (std::size_t i = firstListener; i < firstPending; ++i) {
            if ((fds[i].revents & POLLIN) == 0) continue;
            // Take every waiting connection; the listening socket does not block.
            for (;;) {
                Fd connection(::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
                if (!connection.Valid()) {
                    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                        acceptPausedUntil = now + std::chrono::milliseconds(kAcceptPauseMs);
                    break;  // EAGAIN: none left; ECONNABORTED and the like: gone already
                }
                if (!PeerIsUs(connection.Get())) continue;
                if (pending.size() >= kMaxPendingConnections) pending.erase(pending.begin());
                pending.push_back(Pending{std::move(connection), current[i - firstListener],
                                          now + std::chrono::milliseconds(kReceiveWaitMs)});
            }
        }
    }
}

void LinkReceiver::State::Die() {
    // The receiver cannot wait any more. Its names go, so senders fail at once instead of timing out, and
    // Running() reports it.
    const int error = errno;
    std::vector<std::shared_ptr<Listener>> names;
    {
        std::lock_guard<std::mutex> lock(mutex);
        names = listeners;
    }
    for (auto& l : names) RemoveListenerFile(*l);
    running = false;
    std::fprintf(stderr, "window link: receiver stopped: poll failed (%s)\n", std::strerror(error));
    if (gaveUp) gaveUp();
}

void LinkReceiver::State::Serve(int connection, const Listener& listener) {
    std::vector<std::uint8_t> buffer(kMaxMessageSize + 1);
    iovec io{buffer.data(), buffer.size()};
    msghdr header{};
    header.msg_iov = &io;
    header.msg_iovlen = 1;
    ssize_t n = ::recvmsg(connection, &header, MSG_DONTWAIT);
    if (n <= 0) return;  // a probe that only checked the window exists

    auto refuse = [connection] {
        std::uint8_t ack = kAckRefused;
        [[maybe_unused]] ssize_t w = ::send(connection, &ack, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    };
    if ((header.msg_flags & MSG_TRUNC) != 0) return refuse();
    const auto decoded =
        link::Decode(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
    if (!decoded || decoded->kind != listener.kind) return refuse();
    // The socket name is only a hash: check the message really is for this receiver.
    if (decoded->kind == kKindTitle) {
        if (decoded->title != listener.title) return refuse();
    } else if (decoded->target != handle) {
        return refuse();
    }
    CopyDataMessage message;
    message.sender = decoded->sender;
    message.dwData = decoded->dwData;
    message.bytes = decoded->bytes;
    try {
        handler(message);
    } catch (...) {
        return refuse();
    }
    std::uint8_t ack = kAckHandled;
    [[maybe_unused]] ssize_t w = ::send(connection, &ack, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

// ---------------------------------------------------------------------------------------------------------

bool WindowExists(const std::string& title) {
    if (title.empty() || title.size() > kMaxTitleBytes) return false;
    auto folder = LinkFolder();
    if (!folder) return false;
    const std::string path = TitleSocketPath(*folder, title);
    switch (ProbeSocket(path)) {
        case Probe::Live:
            return true;
        case Probe::None:
            return false;
        case Probe::Stale: {
            FolderLock lock(*folder);
            if (lock.Held()) RemoveIfStale(path);
            return false;
        }
    }
    return false;
}

bool SendCopyData(const std::string& title, WindowHandle sender, std::uint64_t dwData,
                  std::span<const std::uint8_t> bytes, int timeoutMs) {
    if (title.empty() || title.size() > kMaxTitleBytes || bytes.size() > kMaxCopyDataBytes) return false;
    auto folder = LinkFolder();
    if (!folder) return false;
    return SendMessageTo(TitleSocketPath(*folder, title),
                         link::Encode(kKindTitle, 0, title, sender, dwData, bytes), timeoutMs);
}

bool SendCopyDataToHandle(WindowHandle target, WindowHandle sender, std::uint64_t dwData,
                          std::span<const std::uint8_t> bytes, int timeoutMs) {
    if (target == 0 || bytes.size() > kMaxCopyDataBytes) return false;
    auto folder = LinkFolder();
    if (!folder) return false;
    return SendMessageTo(HandleSocketPath(*folder, target),
                         link::Encode(kKindHandle, target, std::string_view(), sender, dwData, bytes),
                         timeoutMs);
}

}  // namespace platform
