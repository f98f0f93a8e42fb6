// The event-record batch answers, decoded into the event window's text.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "FuzzEngine.h"
#include "ui/events/EventRecordUpload.h"
#include "ui/monitor/UiThreadCall.h"

// The target runs without windows: "the UI thread" is the caller.
namespace ui {
void RunOnUiThread(const std::function<void()>& work) {
    work();
}
bool OnUiThread() {
    return true;
}
}  // namespace ui

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Engine e;
    static ui::EventRecordUpload upload;
    static const bool bound = [] {
        e.state.commOk = true;
        upload.Bind(&e.ctx);
        return true;
    }();
    (void)bound;
    upload.Upload();  // starts over, so the text does not grow from input to input
    // The input may hold several answers, each as a length byte and that many bytes; each is taken for the
    // batch the upload waits for.
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = data[at++];
        const std::size_t take = length < size - at ? length : size - at;
        e.state.commandSlot.Clear();  // the request went out
        upload.DecodeEventBatch(25 * upload.BatchCounter(), data + at, take);
        at += take;
        if (take == 0) upload.DecodeEventBatch(25 * upload.BatchCounter(), data + at, size - at);
    }
    e.state.commandSlot.Clear();
    return 0;
}
