#include "ui/monitor/ComLook.h"

#include "modbus/RegisterMap.h"
#include "ui/monitor/FrameExplainer.h"
#include "ui/monitor/MonitorFormat.h"

namespace ui {

void ComLook::Attach(MonitorView* view) {
    {
        std::lock_guard lock(mutex_);
        view_ = view;
    }
    if (view) created_.store(true, std::memory_order_release);
}

MonitorView* ComLook::View() const {
    std::lock_guard lock(mutex_);
    return view_;
}

void ComLook::AppendMonitorText(const std::string& text) {
    if (paused_.load()) return;
    MonitorView* view = View();
    if (!view) return;
    const platform::Clock& clock = clock_ ? *clock_ : platform::CurrentClock();
    view->AppendMonitorLine(MonitorLine(clock.Now(), text));
}

void ComLook::ShowMonitorFrame(const std::uint8_t* bytes, std::size_t length, bool received) {
    if (paused_.load()) return;
    if (!received) {
        // Only the management thread sends frames, so the phase has a single writer.
        const int phase = iconPhase_.load();
        iconPhase_.store(NextMonitorIconPhase(phase));
        if (MonitorView* view = View()) view->ShowMonitorIcon(MonitorSendIcon(phase));
    }
    AppendMonitorText(MonitorFrameText(bytes, length, received, showReceived_.load(), hint_.load()));
}

void ComLook::SetFlags(bool paused, bool showReceived, bool hint) {
    paused_.store(paused);
    showReceived_.store(showReceived);
    hint_.store(hint);
}

bool ComLook::TogglePause() {
    bool paused = paused_.load();
    while (!paused_.compare_exchange_weak(paused, !paused)) {
    }
    return !paused;
}

std::string ComLook::Title() const {
    return paused_.load() ? kMonitorTitlePaused : kMonitorTitleRunning;
}

std::string ComLook::ExplainFrame(std::span<const std::uint8_t> frame, bool received,
                                  std::span<const std::uint8_t> request) const {
    engine::EngineContext* ctx = engine_.load();
    if (!ctx || !ctx->tablesMutex) return {};
    std::lock_guard lock(*ctx->tablesMutex);
    ExplainTables tables{ctx->yc, ctx->yx, ctx->param, ctx->setting, modbus::kControlModeUnknown};
    if (ctx->param && ctx->state) {
        tables.controlMode =
            ctx->state->EffectiveControlMode(ctx->param->RawValue[modbus::kControlModeEntry]);
    }
    return ui::ExplainFrame(frame, received ? FrameDirection::Received : FrameDirection::Sent, tables,
                            request)
        .Text();
}

std::string ComLook::LastSavedMonitorFile() const {
    std::lock_guard lock(mutex_);
    return lastSaved_;
}

void ComLook::SetLastSavedMonitorFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    lastSaved_ = path;
}

ComLook& TheComLook() {
    static ComLook comLook;
    return comLook;
}

}  // namespace ui
