#pragma once
// The texts the settings and parameters lists show for the tables. Texts are UTF-8; the tables' GBK names
// and descriptions are converted here, tolerating a double-byte character cut at the field's end.
#include <string>
#include <vector>

#include "config/PointTables.h"

namespace ui {

inline constexpr char kHiddenParamName[] = "--------------------";  // twenty hyphens

// `value` with `decimals` digits after the point, '.' whatever the locale.
std::string FormatFixed(double value, int decimals);

// Rows in use: Number, at most the table's capacity.
int SettingRowCount(const config::SettingTable& table);
int ParamRowCount(const config::ParamTable& table);

// Empty while not read; a choice cell shows the description of its raw value (the number when there is no
// such description); other settings show Value with two decimals, three when CC2 is 1000 or more.
std::string SettingValueText(const config::SettingTable& table, int row, bool choiceCell);
std::string SettingNameText(const config::SettingTable& table, int row);
// The choice cell's items: descriptions 0 .. ValueNmuber - 1.
std::vector<std::string> SettingChoices(const config::SettingTable& table, int row);

// The name, or twenty hyphens when ShowName is 0.
std::string ParamNameText(const config::ParamTable& table, int row);
// Empty while not read, else the raw value as an unsigned decimal.
std::string ParamValueText(const config::ParamTable& table, int row);

}  // namespace ui
