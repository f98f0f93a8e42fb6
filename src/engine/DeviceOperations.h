#pragma once
// The operations behind the main window's relay buttons. Each runs on the UI thread, checks its
// preconditions, queues one request in the command slot and logs that it is under way; the management
// thread reports the relay's acknowledgement.
#include <string>

#include "engine/EngineContext.h"
#include "modbus/RemoteControl.h"

namespace engine {

// True (and logged) while a request still waits in the command slot or a calibration step is parked.
bool IsBusy(EngineContext& ctx);

// True when remote control may go on. With the accident signal ("事故总") set, asks whether to reset
// first, runs the signal reset on OK, and returns false either way.
bool AccidentInterlock(EngineContext& ctx);

void ClockSet(EngineContext& ctx);
void SignalReset(EngineContext& ctx);
void RemoteControlOperation(EngineContext& ctx, modbus::RemoteControl op);

inline void CloseHighSide(EngineContext& ctx) {
    RemoteControlOperation(ctx, modbus::RemoteControl::CloseHigh);
}
inline void OpenHighSide(EngineContext& ctx) {
    RemoteControlOperation(ctx, modbus::RemoteControl::OpenHigh);
}
inline void CloseLowSide1(EngineContext& ctx) {
    RemoteControlOperation(ctx, modbus::RemoteControl::CloseLow1);
}
inline void OpenLowSide1(EngineContext& ctx) {
    RemoteControlOperation(ctx, modbus::RemoteControl::OpenLow1);
}
inline void CloseLowSide2(EngineContext& ctx) {
    RemoteControlOperation(ctx, modbus::RemoteControl::CloseLow2);
}
inline void OpenLowSide2(EngineContext& ctx) {
    RemoteControlOperation(ctx, modbus::RemoteControl::OpenLow2);
}

// Reconnect with the port box's text: stores it as Port in 基本配置.ini, reopens the port (or registers with
// the communication server in network mode) and offers the address search. True when the link opened.
bool Reconnect(EngineContext& ctx, const std::string& portBoxText);

// The port number of the box's text: its leading digits, 0 when there are none.
int PortNumberFromText(const std::string& text);

inline constexpr char kMainWindowTitle[] = "Orlin - VARN";
// Logged when the port box's text could not be stored in 基本配置.ini; the reconnect goes on all the same.
inline constexpr char kPortNotSavedText[] = "保存串口号到基本配置.ini失败!";

// Logged after a failed opening of the serial port when the user may not open the device.
inline constexpr char kPortAccessHint[] = "没有打开串口设备的权限，请将当前用户加入dialout组后重新登录!";
// Logs kPortAccessHint when the transport's last OpenPort failed for lack of permission.
void LogPortAccessHint(EngineContext& ctx);

}  // namespace engine
