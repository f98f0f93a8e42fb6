#pragma once
// Three settings (numeric, three decimals, a choice) and three parameters (one name hidden, one not read),
// for the tests of the sheet and the comparison.
#include <memory>
#include <string>

#include "config/PointTables.h"
#include "platform/Clock.h"

namespace settings_test {

// 退出, 投入 and 电流定值 in GBK, as the INI file holds them.
inline constexpr char kOff[] = "\xCD\xCB\xB3\xF6";
inline constexpr char kOn[] = "\xCD\xB6\xC8\xEB";
inline constexpr char kCurrent[] = "\xB5\xE7\xC1\xF7\xB6\xA8\xD6\xB5";

struct Tables {
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
    Tables() {
        config::SettingTable& s = *setting;
        s.Number = 3;
        config::SetText(s.Name[0], kCurrent);
        config::SetText(s.Name[1], "Time");
        config::SetText(s.Name[2], "Switch");
        SetSetting(0, 500, 100);
        SetSetting(1, 1234, 1000);
        SetSetting(2, 1, 1);
        s.ValueNmuber[2] = 2;
        config::SetText(s.ValueDescribe[2][0], kOff);
        config::SetText(s.ValueDescribe[2][1], kOn);
        config::ParamTable& p = *param;
        p.Number = 3;
        for (int i = 0; i < 3; ++i) {
            config::SetText(p.Name[i], "P" + std::to_string(i + 1));
            p.ShowName[i] = 1;
            p.RawValue[i] = static_cast<std::uint16_t>(10 * (i + 1));
        }
        p.ShowName[1] = 0;
        p.RawValue[2] = config::kRawNone;
    }
    void SetSetting(int i, std::uint16_t raw, std::uint16_t cc2) {
        setting->RawValue[i] = raw;
        setting->CC2[i] = cc2;
        setting->Value[i] = static_cast<float>(raw) / cc2;
    }
};

inline bool ChoiceRow2(int row) {
    return row == 2;
}

inline platform::LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    platform::LocalTime t{year, month, day, hour, minute, second};
    return t;
}

}  // namespace settings_test
