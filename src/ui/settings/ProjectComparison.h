#pragma once
// 比较项目文件: the settings and parameters whose raw value differs between the window's tables and a
// project file, each with the texts the lists show for the two values. Qt-free; texts UTF-8.
#include <functional>
#include <string>
#include <vector>

#include "config/PointTables.h"

namespace ui {

inline constexpr char kCompareTitle[] = "比较项目文件";
inline constexpr char kCompareNoDifference[] = "定值和参数均与项目文件相同。";
inline constexpr char kCompareUnread[] = "未读取";   // a raw value of 65535
inline constexpr char kCompareMissing[] = "无此项";  // a row beyond one side's Number

struct ValueDifference {
    std::string block;  // "定值" or "参数"
    int number = 0;     // 序号, from 1
    std::string name;   // as the window's list shows it; the file's name after it when that differs
    std::string windowValue;
    std::string fileValue;
    bool operator==(const ValueDifference&) const = default;
};

// Settings first, then parameters, each in row order. A row only one side has is listed with
// kCompareMissing on the other; two texts that read the same for different raw values carry the raw values.
// `isChoiceCell(i)` tells whether the window's setting row i is a choice cell; the file's values are shown
// with the same marks, as opening the file would show them.
std::vector<ValueDifference> CompareWithProject(const config::SettingTable& windowSettings,
                                                const config::ParamTable& windowParams,
                                                const config::SettingTable& fileSettings,
                                                const config::ParamTable& fileParams,
                                                const std::function<bool(int)>& isChoiceCell);

}  // namespace ui
