#pragma once
// The 版本信息 sequence without windows: reset the record, read the parameter block, wait, show the ID,
// check the operator's entry and queue the parameter-block write that carries the new ID.
#include <functional>
#include <optional>
#include <string>

#include "engine/EngineContext.h"
#include "ui/hardware_id/HardwareIdRules.h"

namespace ui {

inline constexpr char kHardwareIdLinkError[] = "通讯错误，暂时不能上装ID！";
inline constexpr char kHardwareIdReadFailed[] = "读取设备硬件信息失败！";
inline constexpr char kHardwareIdCancelled[] = "您已经取消了本次设置，设置失败！";
inline constexpr char kHardwareIdAbandoned[] = "您已经放弃了本次设置，设置失败！";
inline constexpr char kHardwareIdDiffer[] = "两次输入的ID不一样，设置失败！";
inline constexpr char kHardwareIdProtectedLog[] = "原硬件信息ID为有效ID，不能更改！";
inline constexpr char kHardwareIdLengthError[] = "硬件信息ID长度错误，请输入正确的ID！";
inline constexpr char kHardwareIdFormatError[] = "ID格式错误，请输入正确的ID！";
inline constexpr char kHardwareIdWriting[] = "正在下载设备硬件信息...";
inline constexpr char kHardwareIdBlockSize[] = "参数个数不符，无法下载设备硬件信息!";
inline constexpr char kHardwareIdQuestion[] = "请确认是否将 %s 设置为设备唯一硬件ID？";

// The UI parts of the sequence, on the UI thread.
class HardwareIdOperator {
  public:
    virtual ~HardwareIdOperator() = default;
    virtual void Inform(const std::string& text) = 0;
    // The wait screen and the further wait, processing events so the reply gets through, but not the
    // operator's input.
    virtual void WaitForParameterReply() = 0;
    // The hardware information window for `info`; the ID text when it closes with OK.
    virtual std::optional<std::string> RunInfoWindow(const HardwareInfoBytes& info) = 0;
};

// A call while a pass is already under way (from within its wait) returns at once and does nothing.
void RunHardwareIdSequence(engine::EngineContext& ctx, HardwareIdOperator& op);

// Queues the parameter-block write with registers 21..27 replaced by `info`. The block must hold 28 to 123
// entries; otherwise it logs kHardwareIdBlockSize and queues nothing.
bool QueueHardwareIdWrite(engine::EngineContext& ctx, const HardwareInfoBytes& info);

// "请确认是否将 <id> 设置为设备唯一硬件ID？".
std::string HardwareIdQuestion(const std::string& id);

// What the hardware information window shows when it opens.
struct InfoWindowSetup {
    std::string firstText;
    std::string firstLabel;
    bool editable = true;  // 更新 enabled and the serial box shown
};
InfoWindowSetup SetUpInfoWindow(const HardwareInfoBytes& info, const platform::LocalTime& now);

// The 更新 action of the hardware information window.
struct InfoWindowPrompts {
    // The confirmation window with the time sequence; the serial typed again, nothing when cancelled.
    std::function<std::optional<std::string>(const std::string& timeSequence)> askSerialAgain;
    std::function<void(const std::string& text)> showFirstText;
    std::function<bool(const std::string& question)> askYesNo;
    std::function<void(const std::string& text)> inform;
};
// The ID text to write when the operator confirmed it, nothing when the window closes as cancelled.
std::optional<std::string> UpdateInfoWindow(const std::string& firstText, const std::string& serial,
                                            const InfoWindowPrompts& prompts);

}  // namespace ui
