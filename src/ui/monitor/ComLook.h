#pragma once
// The communication monitor's logic, without a window: the flags, the icon phase, the last saved file and
// the two entries the rest of the program calls (log texts and frames). It exists for the whole run; the
// window attaches itself as the view when it is first created. Callable from any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "engine/EngineContext.h"
#include "engine/EngineInterfaces.h"
#include "platform/Clock.h"

namespace ui {

// What the monitor shows. Each call is carried out on the UI thread while the caller waits.
class MonitorView {
  public:
    virtual ~MonitorView() = default;
    // Measures the text, cuts its front at capacity and appends the complete line, in one step.
    virtual void AppendMonitorLine(const std::string& line) = 0;
    virtual void ShowMonitorIcon(int iconId) = 0;
};

class ComLook : public engine::Monitor {
  public:
    explicit ComLook(const platform::Clock* clock = nullptr) : clock_(clock) {}

    // Attaches the window (nullptr detaches it). Attaching a view sets MonitorCreated for good.
    void Attach(MonitorView* view);
    bool MonitorCreated() const override { return created_.load(std::memory_order_acquire); }

    // One time-stamped line; nothing while paused.
    void AppendMonitorText(const std::string& text);
    // One frame as a line; nothing at all while paused (the icon stays as it is).
    void ShowMonitorFrame(const std::uint8_t* bytes, std::size_t length, bool received) override;

    bool Paused() const { return paused_.load(); }
    bool ShowReceived() const { return showReceived_.load(); }
    bool TelesignalHintOn() const { return hint_.load(); }
    void SetFlags(bool paused, bool showReceived, bool hint);
    // Flips the pause flag; the new value.
    bool TogglePause();
    // The window title for the pause state.
    std::string Title() const;

    // The engine whose tables and control mode explain the frames (nullptr: none are explained).
    void BindEngine(engine::EngineContext* ctx) { engine_.store(ctx); }
    // What a frame of the monitor means for the relay (ExplainFrame), read under the tables' lock; for a
    // received frame `request` is the frame sent before it. Empty while no engine is bound. UI thread.
    std::string ExplainFrame(std::span<const std::uint8_t> frame, bool received,
                             std::span<const std::uint8_t> request) const;

    std::string LastSavedMonitorFile() const;
    void SetLastSavedMonitorFile(const std::string& path);

  private:
    MonitorView* View() const;

    const platform::Clock* clock_;
    std::atomic<bool> created_{false};
    std::atomic<bool> paused_{false};
    std::atomic<bool> showReceived_{false};
    std::atomic<bool> hint_{true};
    std::atomic<int> iconPhase_{0};
    std::atomic<engine::EngineContext*> engine_{nullptr};

    mutable std::mutex mutex_;  // the view pointer and the saved path; never held during a view call
    MonitorView* view_ = nullptr;
    std::string lastSaved_;
};

// The monitor of this run.
ComLook& TheComLook();

}  // namespace ui
