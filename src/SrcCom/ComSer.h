#pragma once
// ComSer: the transport to the relay. It owns the serial port and a read thread that cuts the incoming bytes
// into frames for the management thread, or, in network mode, hands every frame to the communication server
// and receives the replies through DeliverRelayReply.
//
// Threads: the read thread (started by the constructor), the management thread (SendFrame, TransportReady,
// FrameReady, TakeFrame) and the UI thread (OpenPort, ClosePort, RegisterWithCommServer, DeliverRelayReply)
// may all call in at once. The port is used only under one mutex, so no thread ever touches a descriptor that
// another one closed or that the system has handed out again.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "SrcCom/RxMailbox.h"
#include "platform/SerialPort.h"
#include "platform/WindowLink.h"

namespace com {

// The communication server's window title, exactly as the server shows it.
inline constexpr char kCommServerTitle[] = "Tessel - 通讯正常 - 通讯服务器以正常模式运行";
// The port number that tells the communication server this client is closing.
inline constexpr int kClosingPort = 200;
// The largest relay reply kept; longer replies are cut.
inline constexpr std::size_t kRelayBufferSize = 2048;
// How long SendFrame waits for a write to the serial port.
inline constexpr int kWriteTimeoutMs = 1000;
// The line settings the system uses: 9600 baud, 8 data bits, one stop bit, no parity.
inline constexpr int kBaudRate = 9600;
inline constexpr int kDataBits = 8;

class ComSer {
  public:
    ComSer();   // starts the read thread
    ~ComSer();  // stops and joins the read thread, then closes the port
    ComSer(const ComSer&) = delete;
    ComSer& operator=(const ComSer&) = delete;

    // Leaves network mode. Opens the port and configures it; a port that is already open under this number is
    // only reconfigured. A different open port is closed first.
    bool OpenPort(int port, int baud, int dataBits, int stopBits, int parity);
    // Applies the line settings to the open port `port`. On failure the port is closed.
    bool ConfigurePort(int port, int baud, int dataBits, int stopBits, int parity);
    bool ClosePort();
    // The last OpenPort failed because the user may not open the device.
    bool PortAccessDenied() const { return accessDenied_.load(); }

    // Sends one complete frame on the serial port, or to the communication server in network mode. False when
    // nothing or not all of it could be sent (the unsent rest of a timed-out write is discarded).
    bool SendFrame(const std::uint8_t* frame, int length);
    // Network mode: the communication server is running. Serial mode: the port is open and still answers its
    // line-settings query; a port that does not is closed here, so a reconnect can reopen it.
    bool TransportReady();
    // Enters network mode for `port` (an open serial port stays open) and announces the port to the server.
    // The mode is entered even when the server is not running.
    bool RegisterWithCommServer(int port);

    bool FrameReady() const { return mailbox_.Ready(); }
    // Called on the delivering thread (the read thread or the relay reply entry) after every frame that
    // reaches the mailbox; empty: nobody. Returns once no call of the previous listener is running.
    void SetFrameListener(std::function<void()> listener) { mailbox_.SetListener(std::move(listener)); }
    // Copies the waiting frame, cut to `capacity`, and returns its length; 0 when no frame is waiting.
    std::size_t TakeFrame(std::uint8_t* destination, std::size_t capacity);
    // The relay reply entry: a reply the communication server sent back. Ignored in serial mode; cut to
    // kRelayBufferSize bytes.
    void DeliverRelayReply(const std::uint8_t* bytes, std::size_t length);

    bool NetworkMode() const { return networkMode_.load(); }
    // The port in use (serial mode) or announced to the server (network mode); 0 when none.
    int CurrentPort() const { return currentPort_.load(); }

    // Where "dosdevices/comN" links are looked up; empty (the default) means the program folder.
    void SetProgramFolder(const std::string& folder);
    // The title the communication server is found by (tests run their own server under another title).
    void SetCommServerTitle(const std::string& title);
    // The handle the server sends replies to: the main window's receiver.
    void SetLinkHandle(platform::WindowHandle handle) { linkHandle_.store(handle); }

    // The descriptor of the open port, -1 when none (tests check that a reconfigure does not reopen).
    int PortDescriptor();

  private:
    class PortLock;

    bool ConfigureLocked(int port, int baud, int dataBits, int stopBits, int parity);
    void CloseLocked();
    std::string CommServerTitle();
    void ReadThread();

    // Guards port_ and portOpen_. The read thread holds it while it waits for input; every other user raises
    // wake_ and is let in first (see PortLock).
    std::mutex portMutex_;
    std::condition_variable portFree_;
    std::atomic<int> portWaiters_{0};
    platform::WakeEvent wake_;
    platform::SerialPort port_;
    // Written under portMutex_; also read without it where a closed port needs no lock (TransportReady is
    // asked on every pass of the management thread, about a thousand times a second while no port is open).
    std::atomic<bool> portOpen_{false};

    std::atomic<int> currentPort_{0};
    std::atomic<bool> networkMode_{false};
    std::atomic<bool> accessDenied_{false};
    std::atomic<platform::WindowHandle> linkHandle_{0};
    std::mutex settingsMutex_;
    std::string programFolder_;
    std::string commServerTitle_ = kCommServerTitle;

    RxMailbox mailbox_;
    std::atomic<bool> stop_{false};
    std::thread readThread_;
};

}  // namespace com
