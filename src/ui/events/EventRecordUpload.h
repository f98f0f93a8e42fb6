#pragma once
// The event record upload without a window: the accumulated text and the batch counter that live for the
// whole run, the upload that starts a chain of batch requests through the command slot, and the decoding of
// each batch reply, which appends its lines and queues the next batch.
//
// A reply is taken only for the request the upload waits for: the one for its next batch, once that request
// has gone out. When 上装记录 is pressed while a reply is on its way, that reply answers a request of the
// upload given up; it adds nothing, and the new upload's request for record 0 goes out next.
//
// Threads: Upload, Text and SetText run on the UI thread. DecodeEventBatch runs on the management thread; it
// looks at the upload's state, appends a batch and refreshes the box in one call carried out on the UI
// thread, so the two threads never change the text at the same time.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/EngineContext.h"
#include "engine/EngineInterfaces.h"
#include "modbus/Frame.h"

namespace ui {

// The window's text box while the window is open. Called on the UI thread.
class EventRecordView {
  public:
    virtual ~EventRecordView() = default;
    // Replaces the box's text and shows its beginning.
    virtual void ShowEventText(const std::string& text) = 0;
};

class EventRecordUpload : public engine::EventRecords {
  public:
    EventRecordUpload();

    // The engine whose command slot, link state and relay address the upload uses.
    void Bind(engine::EngineContext* ctx) { ctx_.store(ctx); }
    void Attach(EventRecordView* view) { view_ = view; }

    // 上装记录: warns when the link is down, then restarts from record 0 in any case.
    void Upload();
    const std::string& Text() const { return text_; }
    // The operator's edits, taken over when the window closes with OK.
    void SetText(const std::string& text) { text_ = text; }

    engine::EventBatchResult DecodeEventBatch(unsigned firstRecord, const std::uint8_t* reply,
                                              std::size_t length) override;
    // Batches taken since the last 上装记录.
    unsigned BatchCounter() const { return counter_.load(); }

    // How the upload reaches the UI thread and the operator; replaced by tests.
    // Runs work on the UI thread while the caller waits.
    std::function<void(const std::function<void()>&)> runOnUi;
    // A message box with an OK button, on the UI thread.
    std::function<void(const std::string&)> inform;
    // A message box shown from the management thread: holds the caller until it is answered or the program
    // is closing.
    std::function<void(const std::string&)> informAndHold;

  private:
    void Queue(unsigned batch);
    void Show();

    std::atomic<engine::EngineContext*> ctx_{nullptr};
    EventRecordView* view_ = nullptr;
    std::string text_;
    std::atomic<std::uint8_t> counter_{0};
    modbus::Frame queued_;  // the last request this upload queued (UI thread only)
};

// The upload of this run; its text survives every closing of the window.
EventRecordUpload& TheEventRecords();

}  // namespace ui
