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
    engine::EngineContext* ctx = ctx_.load();
    if (!ctx) return;
    if (const auto frame = modbus::BuildEventBatchRequest(ctx->state->DeviceAddress(), batch)) {
        ctx->state->commandSlot.Put(*frame);
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

void EventRecordUpload::DecodeEventBatch(const std::uint8_t* reply, std::size_t length) {
    if (length < kEventBatchReplyBytes) return;
    engine::EngineContext* ctx = ctx_.load();
    unsigned next = 0;
    bool warn = false;
    runOnUi([&] {
        const unsigned batch = counter_.load();
        std::string lines;
        for (unsigned i = 0; i < kEventRecordsPerBatch && kEventRecordBytes * i + 10 < length; ++i) {
            lines += EventRecordLine(kEventRecordsPerBatch * batch + i + 1,
                                     reply + kEventRecordOffset + kEventRecordBytes * i);
            lines += "\r\n";
        }
        text_ += lines;
        counter_.store(static_cast<std::uint8_t>(batch + 1));
        next = counter_.load();
        if (next < kEventBatchesPerUpload) {
            warn = ctx && !ctx->state->commOk.load();
            if (!warn) Queue(next);
        }
        Show();
    });
    if (!warn) return;
    // The warning holds this thread (and so all polling) until the operator answers it.
    informAndHold(kEventBatchLinkError);
    if (ctx->state->AppClosing()) return;
    runOnUi([&] {
        // 上装记录 pressed meanwhile has started over; its request stays.
        if (counter_.load() == next) Queue(next);
    });
}

EventRecordUpload& TheEventRecords() {
    static EventRecordUpload upload;
    return upload;
}

}  // namespace ui
