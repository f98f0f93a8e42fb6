// The settings sheet's content and pages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SmallTables.h"
#include "ui/settings/SettingsSheet.h"

namespace ui {
namespace {

using Kind = SheetLine::Kind;

using settings_test::At;
using settings_test::ChoiceRow2;
using settings_test::Tables;

TEST(SettingsSheet, EverySettingAndParameterAsTheListsShowThem) {
    Tables t;
    const auto lines =
        SettingsSheetLines(*t.setting, *t.param, ChoiceRow2, {"VARN", "V1.63"}, At(2026, 12, 7, 9, 5, 3));
    const std::vector<SheetLine> expected = {
        {Kind::Title, {"定值单"}},
        {Kind::Info, {"装置型号：VARN　　装置版本：V1.63"}},
        {Kind::Info, {"打印时间：2026-12-07 09:05:03"}},
        {Kind::Heading, {"定值"}},
        {Kind::TableHead, {"序号", "定值名称", "数值"}},
        {Kind::Row, {"1", "电流定值", "5.00"}},
        {Kind::Row, {"2", "Time", "1.234"}},
        {Kind::Row, {"3", "Switch", "投入"}},
        {Kind::Heading, {"参数"}},
        {Kind::TableHead, {"序号", "参数名称", "数值"}},
        {Kind::Row, {"1", "P1", "10"}},
        {Kind::Row, {"2", "--------------------", "20"}},
        {Kind::Row, {"3", "P3", ""}},
        {Kind::Signature, {"整定人：", "审核人：", "执行人：", "日期："}},
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(SheetFilePath("/p", At(2026, 12, 7, 9, 5, 3)), "/p/信息导出/定值单 26-12-07 09.05.03.pdf");
    EXPECT_EQ(SheetPageNumber(2, 3), "第 2 页，共 3 页");
}

// Each page as letters: T title, I info, H heading, C continued heading, h table head, r row, S signatures.
std::vector<std::string> Shape(const std::vector<std::vector<SheetLine>>& pages) {
    std::vector<std::string> out;
    for (const auto& page : pages) {
        std::string s;
        for (const SheetLine& line : page) {
            switch (line.kind) {
                case Kind::Title:
                    s += 'T';
                    break;
                case Kind::Info:
                    s += 'I';
                    break;
                case Kind::Heading:
                    s += line.cells.at(0).ends_with("（续）") ? 'C' : 'H';
                    break;
                case Kind::TableHead:
                    s += 'h';
                    break;
                case Kind::Row:
                    s += 'r';
                    break;
                case Kind::Signature:
                    s += 'S';
                    break;
            }
        }
        out.push_back(s);
    }
    return out;
}

TEST(SettingsSheet, PagesKeepHeadingsWithTheirRowsAndTheSignaturesWhole) {
    struct Case {
        const char* name;
        int settings;
        int params;
        int rowsPerPage;
        std::vector<std::string> pages;
    };
    // Rows: title 2, info 1, heading 2, head 1, row 1, signatures 4.
    const Case cases[] = {
        {"everything on one page", 3, 3, 40, {"TIIHhrrrHhrrrS"}},
        {"signatures that do not fit go over whole", 3, 3, 17, {"TIIHhrrrHhrrr", "S"}},
        {"a table carried over repeats its heading and head", 3, 3, 14, {"TIIHhrrrHhr", "ChrrS"}},
        {"a heading never ends a page", 3, 3, 12, {"TIIHhrrr", "HhrrrS"}},
        {"empty tables still show their heads", 0, 0, 40, {"TIIHhHhS"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tables t;
        t.setting->Number = static_cast<std::uint16_t>(c.settings);
        t.param->Number = static_cast<std::uint16_t>(c.params);
        const auto lines = SettingsSheetLines(*t.setting, *t.param, ChoiceRow2, {}, At(2026, 1, 1, 0, 0, 0));
        const auto pages = PaginateSheet(lines, c.rowsPerPage);
        EXPECT_EQ(Shape(pages), c.pages);
        for (const auto& page : pages) {
            int rows = 0;
            for (const SheetLine& line : page) rows += SheetLineRows(line.kind);
            EXPECT_LE(rows, c.rowsPerPage);
        }
    }
}

}  // namespace
}  // namespace ui
