#pragma once
// Small tables, poll frames and a recording main view for the decoding tests.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config/PointTables.h"
#include "engine/MainView.h"
#include "modbus/Crc16.h"
#include "platform/Gbk.h"

namespace engine::test {

// Records every call as one line, e.g. "yc 3 123.45", "yx 0 合", "time 26-04-10 09:05:07".
class RecordingView : public MainView {
  public:
    void ShowPcTime(const std::string& text) override { Add("pc " + text); }
    void ShowDeviceTime(const std::string& text) override { Add("time " + text); }
    void ShowDeviceModel(const std::string& text) override { Add("model " + text); }
    void ShowDeviceVersion(const std::string& text) override { Add("version " + text); }
    void ShowYcValue(int point, const std::string& text) override {
        Add("yc " + std::to_string(point) + " " + text);
    }
    void ShowYxState(int point, const std::string& text) override {
        Add("yx " + std::to_string(point) + " " + text);
    }
    void StateChanged(int point) override { Add("colour " + std::to_string(point)); }
    void ShowAddress(const std::string& text) override { Add("address " + text); }
    void SetTitle(const std::string& text) override { Add("title " + text); }

    // Lines starting with `prefix`.
    std::vector<std::string> With(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& line : lines) {
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        }
        return out;
    }

    std::vector<std::string> lines;
    std::mutex* mustBeFree = nullptr;  // when set, every call checks that this mutex is not held
    int lockedCalls = 0;

  private:
    void Add(std::string line) {
        if (mustBeFree) {
            if (mustBeFree->try_lock()) {
                mustBeFree->unlock();
            } else {
                ++lockedCalls;
            }
        }
        lines.push_back(std::move(line));
    }
};

// A function-3 answer from address 1 holding `registers`, CRC appended.
inline std::vector<std::uint8_t> PollFrame(const std::vector<std::uint16_t>& registers) {
    std::vector<std::uint8_t> frame{1, 3, static_cast<std::uint8_t>(2 * registers.size())};
    for (const std::uint16_t r : registers) {
        frame.push_back(static_cast<std::uint8_t>(r >> 8));
        frame.push_back(static_cast<std::uint8_t>(r & 0xFF));
    }
    const std::uint16_t crc = modbus::Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

// Tables as the loader leaves them before the first answer.
struct SmallTables {
    SmallTables() : yc(std::make_unique<config::YcTable>()), yx(std::make_unique<config::YxTable>()) {
        yc->RawValue.fill(config::kRawNone);
        yc->ShownValue.fill(config::kShownValueNone);
        yc->CC2.fill(1);
        yc->Type.fill(1);
        yx->PrevState.fill(config::kStateAbsent);
    }

    void AddYc(int point, std::uint8_t post, std::uint16_t cc2, std::uint8_t type, std::uint8_t postH = 0) {
        yc->Number = static_cast<std::uint16_t>(std::max<int>(yc->Number, point + 1));
        yc->Post[point] = post;
        yc->PostH[point] = postH;
        yc->CC2[point] = cc2;
        yc->Type[point] = type;
    }

    void AddYx(int point, std::uint8_t post, const std::string& utf8Name) {
        yx->Number = static_cast<std::uint16_t>(std::max<int>(yx->Number, point + 1));
        yx->Post[point] = post;
        config::SetText(yx->Name[point], platform::Utf8ToGbk(utf8Name));
    }

    std::unique_ptr<config::YcTable> yc;
    std::unique_ptr<config::YxTable> yx;
    std::mutex mutex;
};

}  // namespace engine::test
