#include "ui/settings/ListTexts.h"

#include <algorithm>
#include <charconv>

#include "platform/Gbk.h"

namespace ui {

std::string FormatFixed(double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

int SettingRowCount(const config::SettingTable& table) {
    return std::min<int>(table.Number, config::kPointCount);
}

int ParamRowCount(const config::ParamTable& table) {
    return std::min<int>(table.Number, config::kPointCount);
}

std::string SettingValueText(const config::SettingTable& table, int row, bool choiceCell) {
    const std::uint16_t raw = table.RawValue[row];
    if (raw == config::kRawNone) return {};
    if (choiceCell) {
        const int described = std::min<int>(table.ValueNmuber[row], config::kDescriptionCount);
        if (raw < described) return platform::GbkToUtf8(config::TextView(table.ValueDescribe[row][raw]));
        return std::to_string(raw);
    }
    return FormatFixed(table.Value[row], table.CC2[row] >= 1000 ? 3 : 2);
}

std::string SettingNameText(const config::SettingTable& table, int row) {
    return platform::GbkToUtf8(config::TextView(table.Name[row]));
}

std::vector<std::string> SettingChoices(const config::SettingTable& table, int row) {
    std::vector<std::string> items;
    const int described = std::min<int>(table.ValueNmuber[row], config::kDescriptionCount);
    for (int k = 0; k < described; ++k) {
        items.push_back(platform::GbkToUtf8(config::TextView(table.ValueDescribe[row][k])));
    }
    return items;
}

std::string ParamNameText(const config::ParamTable& table, int row) {
    if (table.ShowName[row] == 0) return kHiddenParamName;
    return platform::GbkToUtf8(config::TextView(table.Name[row]));
}

std::string ParamValueText(const config::ParamTable& table, int row) {
    const std::uint16_t raw = table.RawValue[row];
    return raw == config::kRawNone ? std::string() : std::to_string(raw);
}

}  // namespace ui
