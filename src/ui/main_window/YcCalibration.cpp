#include "ui/main_window/YcCalibration.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "engine/BlockTransfer.h"
#include "modbus/Requests.h"
#include "platform/Gbk.h"
#include "ui/main_window/MainLayout.h"

namespace ui {
namespace {

constexpr std::uint16_t kUnitCoefficient = 1024;
constexpr int kCoefficientUpperLimit = 8000;
constexpr int kCoefficientLowerLimit = 50;

std::string Fixed2(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    return std::string(buffer, result.ptr);
}

// Step for the cursor's column in the label: coarse near the left edge, fine towards the right.
int StepFor(int x, bool neighbour) {
    if (x < 20) return 30;
    if (x < 40) return neighbour ? 10 : 8;
    return 3;
}

struct PointCopy {
    float value = 0.0f;
    float max = 0.0f;
    float min = 0.0f;
    std::uint16_t reg = 0;
    std::string name;
};

}  // namespace

bool YcCalibration::IsClickable(int point) const {
    std::lock_guard lock(*ctx_.tablesMutex);
    const int used = std::min<int>({ctx_.yc->Number, main_layout::kYcCapacity, config::kPointCount});
    return point >= 0 && point < used && ctx_.yc->bCanBeClick[point] != 0;
}

bool YcCalibration::CoefficientSlot(std::uint16_t reg, int& slot) const {
    // Only slots the parameter read fills hold a copy of the relay's coefficient.
    const int used = std::min<int>(ctx_.param->Number, config::kPointCount);
    slot = static_cast<int>(reg) - kCoefficientBase;
    return slot >= 0 && slot < used;
}

void YcCalibration::Click(int point, const AskReference& askReference) {
    PointCopy p;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        p.value = ctx_.yc->Value[point];
        p.max = ctx_.yc->Max[point];
        p.min = ctx_.yc->Min[point];
        p.reg = ctx_.yc->bCheckMemery[point];
        p.name = platform::GbkToUtf8(config::TextView(ctx_.yc->Name[point]));
    }
    if (p.value == config::kValueNone) {
        ctx_.Log("下载参数失败：不能用缺省值来校正遥测参数!");
        return;
    }
    const std::optional<float> entered = askReference(p.value);
    if (!entered) return;
    const float reference = *entered;
    if (reference == 0.0f) {
        ctx_.Log("下载参数失败：不能用零值来校正遥测参数!");
        return;
    }
    if (reference > p.max || reference < p.min) {
        ctx_.Log("下载参数失败：参数范围：" + Fixed2(p.min) + "~" + Fixed2(p.max) + "!");
        return;
    }
    if (!ctx_.transport->TransportReady()) {
        ctx_.Log("串口错误，无法下载参数： " + p.name + " !");
        return;
    }
    const std::uint8_t address = ctx_.state->DeviceAddress();
    ctx_.state->commandSlot.Put(modbus::BuildCalibrationWrite1(address, p.reg, kUnitCoefficient));
    ctx_.Log("正在下载默认参数：" + p.name + " ...");
    if (p.value == 0.0f) return;  // nothing to scale against: the reset is all
    // The management thread recomputes this coefficient from the reading taken after the reset; the value
    // parked here only stands in until then.
    const double coefficient = std::trunc(static_cast<double>(reference) * kUnitCoefficient / p.value);
    const std::uint16_t parked =
        coefficient >= 0.0 && coefficient <= 65535.0 ? static_cast<std::uint16_t>(coefficient) : 0;
    ctx_.state->deferredCalibration.Park(modbus::BuildCalibrationWrite1(address, p.reg, parked), reference,
                                         point);
}

void YcCalibration::Wheel(int point, int delta, bool ctrl, int x) {
    if (point != wheelPoint_) {
        wheelPoint_ = point;
        wheelRest_ = 0;
    }
    wheelRest_ += delta;
    while (wheelRest_ >= kWheelNotch || wheelRest_ <= -kWheelNotch) {
        const int direction = wheelRest_ > 0 ? 1 : -1;
        wheelRest_ -= direction * kWheelNotch;
        if (Notch(point, direction, ctrl, x) == NotchResult::Stop) {
            wheelRest_ = 0;
            return;
        }
    }
}

YcCalibration::NotchResult YcCalibration::Notch(int point, int direction, bool ctrl, int x) {
    std::array<std::uint16_t, 3> coefficients{};
    std::uint16_t reg = 0;
    {
        std::unique_lock lock(*ctx_.tablesMutex);
        const float value = ctx_.yc->Value[point];
        if (value == config::kValueNone || value == 0.0f) return NotchResult::Stop;
        reg = ctx_.yc->bCheckMemery[point];
        int slot = 0;
        if (!CoefficientSlot(reg, slot)) return NotchResult::Stop;
        const int coefficient = ctx_.param->RawValue[slot];
        // A copy not read yet, or one at its limit: read the block again instead of stepping.
        const bool atLimit = coefficient == config::kRawNone ||
                             (direction > 0 && coefficient >= kCoefficientUpperLimit) ||
                             (direction < 0 && coefficient <= kCoefficientLowerLimit);
        if (atLimit) {
            lock.unlock();
            engine::UploadParameters(ctx_);
            return NotchResult::Stop;
        }

        std::array<int, 3> slots{slot, 0, 0};
        std::array<int, 3> next{coefficient + direction * StepFor(x, false), 0, 0};
        const int count = ctrl ? 3 : 1;
        const int used = std::min<int>({ctx_.yc->Number, config::kPointCount});
        for (int k = 1; k < count; ++k) {
            // The three-register write covers reg, reg + 1 and reg + 2; the neighbours' coefficients must be
            // exactly those registers, read from the relay, and the step must stay within 16 bits.
            if (point + k >= used) return NotchResult::Stop;
            const std::uint16_t neighbour = ctx_.yc->bCheckMemery[point + k];
            if (neighbour != reg + k || !CoefficientSlot(neighbour, slots[k])) return NotchResult::Stop;
            const int old = ctx_.param->RawValue[slots[k]];
            if (old == config::kRawNone) return NotchResult::Stop;
            next[k] = old + direction * StepFor(x, true);
        }
        for (int k = 0; k < count; ++k) {
            if (next[k] < 0 || next[k] > 0xFFFF) return NotchResult::Stop;
        }
        for (int k = 0; k < count; ++k) {
            coefficients[k] = static_cast<std::uint16_t>(next[k]);
            ctx_.param->RawValue[slots[k]] = coefficients[k];
        }
    }
    const std::uint8_t address = ctx_.state->DeviceAddress();
    ctx_.state->deferredCalibration.Clear();
    // The tag belongs to this frame alone: a request that replaces it before it goes out carries none.
    if (ctrl) {
        ctx_.state->commandSlot.Put(modbus::BuildCalibrationWrite3(address, reg, coefficients),
                                    engine::kWheelWriteTag);
    } else {
        ctx_.state->commandSlot.Put(modbus::BuildCalibrationWrite1(address, reg, coefficients[0]),
                                    engine::kWheelWriteTag);
    }
    return NotchResult::Written;
}

}  // namespace ui
