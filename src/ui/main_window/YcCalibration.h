#pragma once
// Telemetry calibration from the main window's labels. A click writes the reference the operator types in
// two steps: the coefficient is reset to 1024 (1.0) at once, and the coefficient that makes the reading equal
// the reference is parked for the management thread, which recomputes it from the next reading. A wheel notch
// steps the coefficient directly; with Ctrl the next two points' coefficients move along.
#include <cstdint>
#include <functional>
#include <optional>

#include "engine/EngineContext.h"

namespace ui {

inline constexpr int kWheelNotch = 120;
// The coefficient copies are parameter slots from register 100 on.
inline constexpr int kCoefficientBase = 100;

class YcCalibration {
  public:
    // Shows the calibration dialog with `initial` and returns the reference entered, nothing when cancelled.
    using AskReference = std::function<std::optional<float>(float initial)>;

    // `ctx` needs its state, transport and tables.
    explicit YcCalibration(engine::EngineContext& ctx) : ctx_(ctx) {}

    // Points that take part: in use, within the window's 63 positions, with bCanBeClick set.
    bool IsClickable(int point) const;

    void Click(int point, const AskReference& askReference);

    // A wheel message over the label of `point`: `delta` in 1/120 notches (accumulated until a whole notch
    // is reached, so partial steps of a touchpad write nothing), `x` the cursor's pixel column in the label.
    void Wheel(int point, int delta, bool ctrl, int x);

  private:
    enum class NotchResult { Written, Stop };
    NotchResult Notch(int point, int direction, bool ctrl, int x);
    bool CoefficientSlot(std::uint16_t reg, int& slot) const;

    engine::EngineContext& ctx_;
    int wheelPoint_ = -1;
    int wheelRest_ = 0;
};

}  // namespace ui
