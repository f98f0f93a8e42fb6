#pragma once
// A COM port as the host knows it ("COM%d", "\\.\COM%d" from 10 on), on a POSIX terminal device in raw mode.
//
// COM n resolves to the link `<program folder>/dosdevices/comN` when that link exists (it may point to a USB
// adapter or a pseudo-terminal), else to /dev/ttyS(N-1). The device is opened without becoming the
// controlling terminal, non-blocking and exclusive. Linux has no driver queue sizes to set; the kernel's
// buffers are used as they are.
//
// On Windows (win32/SerialPort.cpp) the system resolves the COM name; the port is opened without sharing for
// overlapped I/O with a read and a write event, and a wait for input ends on the pending read or a received
// character (WaitCommEvent, EV_RXCHAR), on the wake event or on a high-resolution waitable timer.
//
// Not thread-safe: the owner serialises all calls (ComSer guards its port with a mutex).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Windows codes for stop bits and parity, as the callers pass them.
inline constexpr int kOneStopBit = 0;
inline constexpr int kOne5StopBits = 1;
inline constexpr int kTwoStopBits = 2;
inline constexpr int kNoParity = 0;
inline constexpr int kOddParity = 1;
inline constexpr int kEvenParity = 2;
inline constexpr int kMarkParity = 3;
inline constexpr int kSpaceParity = 4;

// "COM9" for ports up to 9, "\\.\COM10" from 10 on. Ports below 1 give an empty name.
std::string ComPortName(int port);

// The port number in a name made by ComPortName (either form, case-insensitive); nothing for other names.
std::optional<int> ComPortNumber(std::string_view name);

// The device path a COM name stands for, looked up in `programFolder`; nothing when the name is not a COM
// name.
std::optional<std::string> ResolveComPort(std::string_view name, const std::string& programFolder);

// Wakes a thread that waits for input on a port (an event other threads can raise).
class WakeEvent {
  public:
    WakeEvent();
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    void Raise();
    void Clear();
    int Descriptor() const { return fd_; }

  private:
    int fd_ = -1;
};

class SerialPort {
  public:
    enum class Wait { Readable, TimedOut, Woken, Failed };

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Opens a COM port by its name; fails when the name is not a COM name or the device cannot be opened.
    bool Open(std::string_view name, const std::string& programFolder);
    // Opens a terminal device by path (the comm server and tests use it).
    bool OpenDevice(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    // The last Open or OpenDevice failed because the user may not open the device (on Linux a serial
    // adapter is normally reached through the dialout group).
    bool AccessDenied() const { return accessDenied_; }
    const std::string& DevicePath() const { return path_; }
    // Identifies the open device instance (tests check that a reconfigure did not reopen it).
    int Descriptor() const { return fd_; }
    void Close();

    // Raw binary line: cfmakeraw, CLOCAL|CREAD, no hardware or software flow control (0x11 and 0x13 are
    // data), reads return at once with what has arrived. Stop bits and parity use the Windows codes above.
    bool Configure(int baud, int dataBits, int stopBits, int parity);

    // Waits up to timeoutMs for input (or for `wake` to be raised). Failed: the device hung up or vanished.
    Wait WaitReadable(int timeoutMs, const WakeEvent* wake = nullptr);
    // The same to the microsecond, for waits that end a frame at an exact silence. The time-out runs on a
    // timer of its own: a poll time-out may end up to 0.1 % late (200 us on a 200 ms gap).
    Wait WaitReadable(std::chrono::microseconds timeout, const WakeEvent* wake = nullptr);
    // Reads what has arrived without blocking: the number of bytes read, 0 when nothing has arrived, -1 on
    // error.
    long ReadAvailable(std::uint8_t* buffer, std::size_t capacity);
    // Writes all bytes within timeoutMs. On a time-out or error the unsent rest is given up and the output
    // queue discarded, so that no tail of this frame can run into the next one. True only when every byte
    // went out.
    bool Write(const std::uint8_t* data, std::size_t length, int timeoutMs);

    // Reads the line settings: false when the device no longer answers (unplugged adapter, hung-up terminal).
    bool QueryLineSettings() const;
    bool Purge(bool input, bool output);
    // Windows keeps a sticky error state that must be cleared after a line error; a terminal device has none.
#ifdef _WIN32
    void ClearErrors();
#else
    void ClearErrors() {}
#endif

  private:
    bool accessDenied_ = false;
    int fd_ = -1;
    int timer_ = -1;  // the precise wait's timer, open while the device is
    std::string path_;
#ifdef _WIN32
    struct Overlapped;                // the events, records and read buffer of overlapped I/O
    std::shared_ptr<Overlapped> io_;  // shared_ptr: the type stays incomplete here
#endif
};

}  // namespace platform
