#include "engine/ManagementThread.h"

#include <cmath>

#include "engine/BlockTransfer.h"
#include "engine/ResponseDispatch.h"
#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "modbus/ResponseChecks.h"
#include "modbus/TableRequests.h"
#include "platform/Clock.h"
#include "platform/Gbk.h"

namespace engine {

ManagementThread::~ManagementThread() {
    if (thread_.joinable()) {
        RequestStop();
        Join();
    }
    // The transport may outlive this thread's state: it must stop calling into it.
    if (listenedTransport_) listenedTransport_->SetFrameListener({});
}

bool ManagementThread::Start() {
    if (thread_.joinable()) return true;
    try {
        thread_ = std::thread([this] {
            Run();
            finished_.store(true);
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void ManagementThread::RequestStop() {
    ctx_.state->RequestClose();
}

void ManagementThread::Join() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ManagementThread::Run() {
    // Its 1 ms pause between passes is part of every poll cycle.
    platform::UsePreciseTimersOnThisThread();
    if (!ctx_.state->SleepMs(100)) return;
    for (;;) {
        if (!ctx_.state->SleepMs(1)) return;
        if (!RunPass()) return;
    }
}

bool ManagementThread::RunPass() {
    if (ctx_.state->AppClosing()) return false;
    display_.ShowPcTime();
    if (!ctx_.transport->TransportReady()) {
        display_.ShowLinkFault("串口错误");
        return true;
    }
    if (!ctx_.state->commandSlot.Empty()) return CommandTransaction();
    if (!ctx_.state->soeSlot.Empty()) return SoeTransaction();
    if (!ctx_.state->addressSearchSlot.Empty()) return AddressSearchTransaction();
    return PollTransaction();
}

void ManagementThread::Send(const std::uint8_t* frame, std::size_t length) {
    ctx_.transport->SendFrame(frame, static_cast<int>(length));
    if (ctx_.monitor && ctx_.monitor->MonitorCreated()) ctx_.monitor->ShowMonitorFrame(frame, length, false);
}

void ManagementThread::ListenToTransport() {
    if (listenedTransport_ == ctx_.transport) return;
    if (listenedTransport_) listenedTransport_->SetFrameListener({});
    listenedTransport_ = ctx_.transport;
    EngineState* state = ctx_.state;
    listenedTransport_->SetFrameListener([state] { state->WakeWaiters(); });
}

ManagementThread::Wait ManagementThread::AwaitResponse(int rounds) {
    ListenToTransport();
    Transport* transport = ctx_.transport;
    bool ready = false;
    for (int round = 0; round < rounds && !ready && !ctx_.state->AppClosing(); ++round) {
        ready = ctx_.state->WaitUntil(kResponseWaitMs, [transport] { return transport->FrameReady(); });
    }
    if (ctx_.state->AppClosing()) return Wait::Closing;
    if (!ready) return Wait::Nothing;
    responseLength_ = ctx_.transport->TakeFrame(response_.data(), response_.size());
    if (ctx_.monitor && ctx_.monitor->MonitorCreated())
        ctx_.monitor->ShowMonitorFrame(response_.data(), responseLength_, true);
    missCount_ = 0;
    ctx_.state->commOk.store(true);
    return Wait::Answer;
}

void ManagementThread::CountMiss() {
    if (missCount_ <= kMissLimit) ++missCount_;
    if (missCount_ > kMissLimit) ctx_.state->commOk.store(false);
}

bool ManagementThread::CommandTransaction() {
    std::array<std::uint8_t, FrameSlot::kCapacity> frame{};
    std::uint8_t tag = 0;
    const std::size_t length = ctx_.state->commandSlot.Take(frame.data(), &tag);
    if (length == 0) return true;
    // Only the echo of this very wheel write is swallowed.
    ctx_.state->wheelAdjustPending.store(tag == kWheelWriteTag);
    Send(frame.data(), length);
    const Wait wait = AwaitResponse(1);
    if (wait == Wait::Closing) return false;
    if (wait == Wait::Answer) {
        // An answer nothing recognises (cut by a pause on the line, garbled, an exception) leaves the
        // operator as uninformed as no answer: the command gets its failure line all the same, named after
        // the frame that was sent.
        const CommandRow row =
            DispatchCommandResponse(ctx_, {frame.data(), length}, response_.data(), responseLength_);
        if (row == CommandRow::None) {
            ctx_.Log(UnansweredCommandText(ctx_, frame));
            // The table's copy of the coefficients already holds what the relay refused: read them again.
            if (tag == kWheelWriteTag) UploadParametersWhenFree(ctx_);
        }
    } else {
        // The text follows whatever the slot holds now, which may already be a newer request.
        ctx_.Log(UnansweredCommandText(ctx_, ctx_.state->commandSlot.Bytes()));
        CountMiss();
    }
    ctx_.state->wheelAdjustPending.store(false);
    // A calibration whose first step did not take effect must not send its second step, nor keep every
    // device operation waiting for a release that would never come; the operator learns that it ended.
    if (ctx_.state->deferredCalibration.DropIfFirstStepLost(ctx_.state->commandSlot))
        ctx_.Log(kCalibrationAbandonedText);
    return !ctx_.state->AppClosing();
}

bool ManagementThread::SoeTransaction() {
    std::array<std::uint8_t, FrameSlot::kCapacity> frame{};
    const std::size_t length = ctx_.state->soeSlot.Take(frame.data());
    if (length == 0) return true;
    Send(frame.data(), length);
    const Wait wait = AwaitResponse(1);
    if (wait == Wait::Closing) return false;
    if (wait == Wait::Answer) HandleSoeResponse(ctx_, response_.data(), responseLength_);
    return true;
}

bool ManagementThread::AddressSearchTransaction() {
    std::array<std::uint8_t, FrameSlot::kCapacity> frame{};
    const std::size_t length = ctx_.state->addressSearchSlot.Take(frame.data());
    if (length == 0) return true;
    Send(frame.data(), length);
    const Wait wait = AwaitResponse(1);
    if (wait == Wait::Closing) return false;
    if (wait == Wait::Answer) HandleAddressSearchResponse(ctx_, response_.data(), responseLength_);
    return true;
}

bool ManagementThread::PollTransaction() {
    std::uint16_t askNumber = 0;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        askNumber = ctx_.yc->AskNumber;
    }
    const modbus::Frame request = modbus::BuildPollRequest(ctx_.state->DeviceAddress(), askNumber);
    Send(request.data(), request.size());
    const Wait wait = AwaitResponse(ctx_.state->networkMode.load() ? 2 : 1);
    if (wait == Wait::Closing) return false;
    if (wait == Wait::Nothing) {
        display_.ShowLinkFault("通讯中断");
        ctx_.Log("轮循回复超时!");
        CountMiss();
        return true;
    }
    const modbus::PollFault fault =
        modbus::CheckPollResponse(response_.data(), responseLength_, ctx_.state->DeviceAddress());
    if (fault != modbus::PollFault::None) {
        ctx_.Log(std::string(modbus::PollFaultText(fault)));
        return true;
    }
    if (ctx_.decodePoll) ctx_.decodePoll(response_.data(), responseLength_);
    display_.DeviceTimeOverwritten();
    SoeCheck(ctx_, response_.data(), responseLength_);
    if (ctx_.state->commandSlot.Empty()) ReleaseDeferredCalibration();
    return !ctx_.state->AppClosing();
}

void ManagementThread::ReleaseDeferredCalibration() {
    const auto parked = ctx_.state->deferredCalibration.Snapshot();
    // Released only once the relay has echoed the first step, so the reading was taken at coefficient 1024.
    if (!parked || !parked->firstStepEchoed) return;
    if (!ctx_.state->SleepMs(500)) return;
    std::string name;
    const auto result = ctx_.state->deferredCalibration.ReleaseInto(
        ctx_.state->commandSlot, [&](DeferredCalibrationSlot::Content& step) {
            float value = config::kValueNone;
            {
                std::lock_guard lock(*ctx_.tablesMutex);
                if (step.point >= 0 && step.point < std::min<int>(ctx_.yc->Number, config::kPointCount)) {
                    value = ctx_.yc->Value[step.point];
                    name = platform::GbkToUtf8(config::TextView(ctx_.yc->Name[step.point]));
                }
            }
            if (value == config::kValueNone) return false;
            const float coefficient = step.reference * 1024.0f / value;
            // Only a coefficient of 1 to 65535 fits the register; anything else would be sent wrapped.
            if (!(coefficient >= 1.0f && coefficient < 65536.0f)) return false;
            const auto c = static_cast<std::uint16_t>(coefficient);
            step.frame[modbus::kCalibrationValueOffset] = static_cast<std::uint8_t>(c >> 8);
            step.frame[modbus::kCalibrationValueOffset + 1] = static_cast<std::uint8_t>(c & 0xFF);
            modbus::AppendCrc16(step.frame.data(), modbus::kCalibrationWrite1Body);
            return true;
        });
    if (result == DeferredCalibrationSlot::Release::Queued) {
        ctx_.Log("正在下载设定参数：" + name + " ...");
    } else if (result == DeferredCalibrationSlot::Release::Dropped) {
        ctx_.Log("下载参数失败：校正系数超出范围!");
    }
}

}  // namespace engine
