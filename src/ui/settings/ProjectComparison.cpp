#include "ui/settings/ProjectComparison.h"

#include <algorithm>

#include "ui/settings/ListTexts.h"

namespace ui {

namespace {

// One block's rows, told apart from the table only by how their texts are made.
struct Side {
    int rows;
    std::function<std::uint16_t(int)> raw;
    std::function<std::string(int)> name;
    std::function<std::string(int)> value;
};

void Compare(const char* block, const Side& window, const Side& file, std::vector<ValueDifference>& out) {
    for (int i = 0; i < std::max(window.rows, file.rows); ++i) {
        const bool inWindow = i < window.rows;
        const bool inFile = i < file.rows;
        if (inWindow && inFile && window.raw(i) == file.raw(i)) continue;
        ValueDifference d{block, i + 1, inWindow ? window.name(i) : file.name(i), kCompareMissing,
                          kCompareMissing};
        if (inWindow && inFile && file.name(i) != d.name) d.name += "（文件中：" + file.name(i) + "）";
        const auto text = [](const Side& side, int row) {
            const std::string value = side.value(row);
            return side.raw(row) == config::kRawNone ? std::string(kCompareUnread) : value;
        };
        if (inWindow) d.windowValue = text(window, i);
        if (inFile) d.fileValue = text(file, i);
        if (inWindow && inFile && d.windowValue == d.fileValue) {
            d.windowValue += "（原始值 " + std::to_string(window.raw(i)) + "）";
            d.fileValue += "（原始值 " + std::to_string(file.raw(i)) + "）";
        }
        out.push_back(std::move(d));
    }
}

Side SettingSide(const config::SettingTable& t, const std::function<bool(int)>& isChoiceCell) {
    return Side{
        SettingRowCount(t), [&t](int i) { return t.RawValue[i]; },
        [&t](int i) { return SettingNameText(t, i); },
        [&t, isChoiceCell](int i) { return SettingValueText(t, i, isChoiceCell && isChoiceCell(i)); }};
}

Side ParamSide(const config::ParamTable& t) {
    return Side{ParamRowCount(t), [&t](int i) { return t.RawValue[i]; },
                [&t](int i) { return ParamNameText(t, i); }, [&t](int i) { return ParamValueText(t, i); }};
}

}  // namespace

std::vector<ValueDifference> CompareWithProject(const config::SettingTable& windowSettings,
                                                const config::ParamTable& windowParams,
                                                const config::SettingTable& fileSettings,
                                                const config::ParamTable& fileParams,
                                                const std::function<bool(int)>& isChoiceCell) {
    std::vector<ValueDifference> out;
    // The file's rows beyond the window's are no cells of the window's list: never choice cells.
    const int windowRows = SettingRowCount(windowSettings);
    const auto choice = [&](int i) { return i < windowRows && isChoiceCell && isChoiceCell(i); };
    Compare("定值", SettingSide(windowSettings, choice), SettingSide(fileSettings, choice), out);
    Compare("参数", ParamSide(windowParams), ParamSide(fileParams), out);
    return out;
}

}  // namespace ui
