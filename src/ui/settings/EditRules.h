#pragma once
// What an ended edit of the settings or parameters list stores. The rules refuse text that is not a number
// and values outside their range rather than store something the next download would send to the relay.
// The caller holds the tables' lock around these calls and shows the message after releasing it.
#include <optional>
#include <string>

#include "config/PointTables.h"

namespace ui {

inline constexpr char kInvalidNumberMessage[] = "输入无效，请输入数字！";
inline constexpr char kParamRangeMessage[] = "参数越限，范围：0 ~ 65535";

struct EditOutcome {
    bool stored = false;
    std::string message;   // a refusal for a message box; empty when there is none
    std::string cellText;  // what the cell shows afterwards
};

// Blanks trimmed, then an optional sign and digits only. Empty for anything else.
std::optional<long long> ParseInteger(const std::string& text);
// Blanks trimmed, then [sign] digits [. digits] [e [sign] digits], at least one digit before the exponent.
std::optional<double> ParseDecimal(const std::string& text);

// `startText` is what the cell showed when the edit began; an unchanged text stores nothing.
EditOutcome EditParameter(config::ParamTable& table, int row, const std::string& startText,
                          const std::string& text);
EditOutcome EditSetting(config::SettingTable& table, int row, bool choiceCell, const std::string& startText,
                        const std::string& text);

// "定值越限，范围：%f ~ %f" for the setting's limits in shown units.
std::string SettingRangeMessage(const config::SettingTable& table, int row);

}  // namespace ui
