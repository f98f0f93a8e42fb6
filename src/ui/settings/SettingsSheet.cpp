#include "ui/settings/SettingsSheet.h"

#include <cstdio>
#include <optional>

#include "platform/ProgramFolder.h"
#include "ui/settings/ListTexts.h"

namespace ui {

namespace {

using Kind = SheetLine::Kind;

std::string Stamp(const char* format, const platform::LocalTime& t, int year) {
    char text[64];
    std::snprintf(text, sizeof text, format, year, t.month, t.day, t.hour, t.minute, t.second);
    return text;
}

}  // namespace

int SheetLineRows(Kind kind) {
    switch (kind) {
        case Kind::Title:
        case Kind::Heading:
            return 2;
        case Kind::Signature:
            return 4;
        default:
            return 1;
    }
}

std::vector<SheetLine> SettingsSheetLines(const config::SettingTable& settings,
                                          const config::ParamTable& params,
                                          const std::function<bool(int)>& isChoiceCell,
                                          const DeviceTexts& device, const platform::LocalTime& printed) {
    std::vector<SheetLine> lines;
    lines.push_back({Kind::Title, {kSheetTitle}});
    lines.push_back({Kind::Info, {"装置型号：" + device.model + "　　装置版本：" + device.version}});
    lines.push_back(
        {Kind::Info, {"打印时间：" + Stamp("%04d-%02d-%02d %02d:%02d:%02d", printed, printed.year)}});
    lines.push_back({Kind::Heading, {"定值"}});
    lines.push_back({Kind::TableHead, {"序号", "定值名称", "数值"}});
    for (int i = 0; i < SettingRowCount(settings); ++i) {
        const bool choice = isChoiceCell && isChoiceCell(i);
        lines.push_back(
            {Kind::Row,
             {std::to_string(i + 1), SettingNameText(settings, i), SettingValueText(settings, i, choice)}});
    }
    lines.push_back({Kind::Heading, {"参数"}});
    lines.push_back({Kind::TableHead, {"序号", "参数名称", "数值"}});
    for (int i = 0; i < ParamRowCount(params); ++i) {
        lines.push_back(
            {Kind::Row, {std::to_string(i + 1), ParamNameText(params, i), ParamValueText(params, i)}});
    }
    lines.push_back({Kind::Signature, {"整定人：", "审核人：", "执行人：", "日期："}});
    return lines;
}

std::vector<std::vector<SheetLine>> PaginateSheet(const std::vector<SheetLine>& lines, int rowsPerPage) {
    std::vector<std::vector<SheetLine>> pages(1);
    int used = 0;
    std::optional<SheetLine> heading;
    std::optional<SheetLine> head;
    const auto add = [&](const SheetLine& line) {
        pages.back().push_back(line);
        used += SheetLineRows(line.kind);
    };
    // A new page unless this one is still empty (a page too small for a line takes it all the same).
    const auto makeRoom = [&](int rows) {
        if (used == 0 || used + rows <= rowsPerPage) return false;
        pages.emplace_back();
        used = 0;
        return true;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const SheetLine& line = lines[i];
        switch (line.kind) {
            case Kind::Heading: {
                int rows = SheetLineRows(Kind::Heading);
                if (i + 1 < lines.size() && lines[i + 1].kind == Kind::TableHead) ++rows;
                if (i + 2 < lines.size() && lines[i + 2].kind == Kind::Row) ++rows;
                makeRoom(rows);
                add(line);
                heading = line;
                head.reset();
                break;
            }
            case Kind::TableHead:
                makeRoom(SheetLineRows(line.kind));
                add(line);
                head = line;
                break;
            case Kind::Row:
                if (makeRoom(1)) {
                    if (heading) add({Kind::Heading, {heading->cells.at(0) + "（续）"}});
                    if (head) add(*head);
                }
                add(line);
                break;
            default:
                makeRoom(SheetLineRows(line.kind));
                add(line);
                if (line.kind == Kind::Signature) {
                    heading.reset();
                    head.reset();
                }
                break;
        }
    }
    return pages;
}

std::string SheetPageNumber(int page, int pages) {
    return "第 " + std::to_string(page) + " 页，共 " + std::to_string(pages) + " 页";
}

std::string SheetFilePath(const std::string& programFolder, const platform::LocalTime& now) {
    return platform::NativeSeparators(programFolder + "/信息导出/" + kSheetTitle + " " +
                                      Stamp("%02d-%02d-%02d %02d.%02d.%02d", now, now.year - 2000) + ".pdf");
}

}  // namespace ui
