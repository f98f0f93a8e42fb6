#pragma once
// Finding a window by its exact title and sending it a copy-data message (sender handle, dwData, bytes) that
// returns only after the receiver handled it. On POSIX each receiver listens on SOCK_SEQPACKET sockets in a
// private per-user folder: one socket named after a hash of its title, one named after its stable handle.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace platform {

// Stable per-process address of a receiver; replies go here because titles change during a run. 0 = none.
using WindowHandle = std::uint64_t;

// The largest byte count one message may carry; larger sends fail, larger incoming messages are refused.
inline constexpr std::size_t kMaxCopyDataBytes = 64 * 1024;
// How long a send waits for the receiver to acknowledge by default.
inline constexpr int kCopyDataTimeoutMs = 2000;

// One received message. `bytes` is valid only during the handler call.
struct CopyDataMessage {
    WindowHandle sender = 0;
    std::uint64_t dwData = 0;
    std::span<const std::uint8_t> bytes;
};

// The folder the sockets live in: VARN_LINK_DIR or the override if set, else $XDG_RUNTIME_DIR/varn, else
// varn-link in the user's own cache folder ($XDG_CACHE_HOME or ~/.cache). It is created with mode 0700 if
// missing and refused (nullopt) unless it is a real directory (not a symbolic link) owned by this user with
// mode exactly 0700.
std::optional<std::string> LinkFolder();

// Makes every later call use `folder` instead of the environment (empty: back to the environment).
void SetLinkFolderOverride(const std::string& folder);

class LinkReceiver {
  public:
    // Runs on the receiver's own thread, one message at a time; the sender waits until it returns.
    using Handler = std::function<void(const CopyDataMessage&)>;

    LinkReceiver();
    ~LinkReceiver();  // stops
    LinkReceiver(const LinkReceiver&) = delete;
    LinkReceiver& operator=(const LinkReceiver&) = delete;

    // Called once, on the receiver's thread, when the receiver has had to stop by itself (its wait failed);
    // never when Stop() ends it.
    using GaveUp = std::function<void()>;

    // Registers under the handle and, unless `title` is empty, under `title`, and starts the receiver thread.
    // Fails if the folder is refused, the title belongs to another live receiver, or it is already started.
    bool Start(const std::string& title, Handler handler, GaveUp gaveUp = {});

    // Moves the title registration; the handle stays. Empty title: reachable by handle only.
    // On failure the old title stays registered.
    bool SetTitle(const std::string& title);

    // Unregisters, stops and joins the thread. Must not be called from the handler. Safe to call twice.
    void Stop();

    // False once stopped, and also when the receiver thread had to give up (its wait failed); its names are
    // then gone, so senders fail at once.
    bool Running() const;
    WindowHandle Handle() const;  // valid from construction, unique within the process and across processes
    std::string Title() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// True only while a live receiver accepts connections under `title`. A socket file without a listener is
// removed and does not count.
bool WindowExists(const std::string& title);

// Sends one message to the receiver registered under `title` / `target` and waits until it was handled.
// False if there is no such receiver, the bytes exceed kMaxCopyDataBytes, the receiver belongs to another
// user, refuses the message, or does not acknowledge within `timeoutMs`.
bool SendCopyData(const std::string& title, WindowHandle sender, std::uint64_t dwData,
                  std::span<const std::uint8_t> bytes, int timeoutMs = kCopyDataTimeoutMs);
bool SendCopyDataToHandle(WindowHandle target, WindowHandle sender, std::uint64_t dwData,
                          std::span<const std::uint8_t> bytes, int timeoutMs = kCopyDataTimeoutMs);

}  // namespace platform
