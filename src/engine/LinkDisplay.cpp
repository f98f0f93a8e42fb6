#include "engine/LinkDisplay.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "trend/TrendStore.h"

namespace engine {

std::string FormatPcTime(const platform::LocalTime& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%02d-%02d-%02d %02d:%02d:%02d", t.year - 2000, t.month, t.day, t.hour,
                  t.minute, t.second);
    return text;
}

void LinkDisplay::ShowPcTime() {
    std::string text = FormatPcTime(ctx_.Now());
    if (text == lastPcTime_) return;
    lastPcTime_ = text;
    if (ctx_.mainView) ctx_.mainView->ShowPcTime(text);
}

void LinkDisplay::ShowLinkFault(const std::string& text) {
    if (text != lastDeviceTime_) {
        lastDeviceTime_ = text;
        if (ctx_.mainView) ctx_.mainView->ShowDeviceTime(text);
    }
    // Only the poll decoding changes the runtime fields; until it runs again there is nothing to blank.
    if (tablesBlank_) return;
    std::vector<int> blankYc;
    std::vector<int> blankYx;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        config::YcTable& yc = *ctx_.yc;
        const int ycNumber = std::min<int>(yc.Number, config::kPointCount);
        for (int i = 0; i < ycNumber; ++i) {
            yc.Value[i] = config::kValueNone;
            // 65535.0 is also a reading a 32-bit point can show, so only the start-up marker (a NaN, which
            // is unequal to every reading) says a field is already blank. The field keeps that marker, so
            // the next answer redraws every value, 65535.0 included.
            if (!std::isnan(yc.ShownValue[i])) blankYc.push_back(i);
            yc.ShownValue[i] = config::kShownValueNone;
        }
        config::YxTable& yx = *ctx_.yx;
        const int yxNumber = std::min<int>(yx.Number, config::kPointCount);
        for (int i = 0; i < yxNumber; ++i) {
            yx.State[i] = config::kStateLinkFault;
            if (yx.PrevState[i] != config::kStateLinkFault) blankYx.push_back(i);
            yx.PrevState[i] = config::kStateLinkFault;
        }
    }
    tablesBlank_ = true;
    if (ctx_.trend) ctx_.trend->Append(trend::PollSnapshot::Gaps(trend::ToMs(ctx_.Now())));
    if (!ctx_.mainView) return;
    for (int i : blankYc) ctx_.mainView->ShowYcValue(i, std::string());
    for (int i : blankYx) {
        ctx_.mainView->ShowYxState(i, std::string());
        ctx_.mainView->StateChanged(i);
    }
}

}  // namespace engine
