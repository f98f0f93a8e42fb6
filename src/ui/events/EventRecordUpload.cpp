#include "ui/events/EventRecordUpload.h"

#include "modbus/Requests.h"
#include "ui/events/EventRecordFormat.h"
#include "ui/monitor/UiThreadCall.h"

namespace ui {

EventRecordUpload::EventRecordUpload() {
    runOnUi = RunOnUiThread;
    inform = [](const std::string&) {};
    informAndHold = [](const std::string&) {};
}

void EventRecordUpload::Queue(unsigned batch) {
    queued_.clear();
    engine::EngineContext* ctx = ctx_.load();
    if (!ctx) return;
    if (const auto frame = modbus::BuildEventBatchRequest(ctx->state->DeviceAddress(), batch)) {
        if (ctx->state->commandSlot.Put(*frame)) queued_ = *frame;
    }
}

void EventRecordUpload::Show() {
    if (view_) view_->ShowEventText(text_);
}

void EventRecordUpload::Upload() {
    engine::EngineContext* ctx = ctx_.load();
    if (ctx && !ctx->state->commOk.load()) inform(kEventUploadLinkError);
    counter_.store(0);
    Queue(0);
    text_ = kEventHeader;
    Show();
}

engine::EventBatchResult EventRecordUpload::DecodeEventBatch(unsigned firstRecord, const std::uint8_t* reply,
                                                             std::size_t length) {
    engine::EngineContext* ctx = ctx_.load();
    engine::EventBatchResult result;
    unsigned next = 0;
    bool warn = false;
    runOnUi([&] {
        const unsigned batch = counter_.load();
        // While this upload's own request still waits to go out, any reply answers an earlier one.
        const bool ownRequestWaiting =
            ctx && !queued_.empty() && ctx->state->commandSlot.Holds(queued_.data(), queued_.size());
        if (ownRequestWaiting || batch >= kEventBatchesPerUpload ||
            firstRecord != kEventRecordsPerBatch * batch)
            return;
        if (length < kEventBatchReplyBytes) {
            result.outcome = engine::EventBatchOutcome::TooShort;
            return;
        }
        std::string lines;
        for (unsigned i = 0; i < kEventRecordsPerBatch && kEventRecordBytes * i + 10 < length; ++i) {
            lines += EventRecordLine(kEventRecordsPerBatch * batch + i + 1,
                                     reply + kEventRecordOffset + kEventRecordBytes * i);
            lines += "\r\n";
        }
        text_ += lines;
        counter_.store(static_cast<std::uint8_t>(batch + 1));
        next = counter_.load();
        result = {engine::EventBatchOutcome::Taken, next};
        if (next < kEventBatchesPerUpload) {
            warn = ctx && !ctx->state->commOk.load();
            if (!warn) Queue(next);
        }
        Show();
    });
    if (!warn) return result;
    // The warning holds this thread (and so all polling) until the operator answers it.
    informAndHold(kEventBatchLinkError);
    if (ctx->state->AppClosing()) return result;
    runOnUi([&] {
        // 上装记录 pressed meanwhile has started over; its request stays.
        if (counter_.load() == next) Queue(next);
    });
    return result;
}

EventRecordUpload& TheEventRecords() {
    static EventRecordUpload upload;
    return upload;
}

}  // namespace ui
