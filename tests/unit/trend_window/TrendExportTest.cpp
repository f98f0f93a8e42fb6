#include "ui/trend/TrendExport.h"

#include <gtest/gtest.h>

#include "spreadsheet/Workbook.h"
#include "ui/trend/TrendViewState.h"

namespace ui {
namespace {

using spreadsheet::Cell;

constexpr std::int64_t kStart = 1'780'000'000'000;

TEST(TrendExport, FileNamesCarryTheTimeInTheExportFolder) {
    EXPECT_EQ(TrendExportPath("/p", platform::LocalTime{2026, 12, 11, 9, 5, 7, 0, 0}, "xls"),
              "/p/信息导出/趋势 26-12-11 09.05.07.xls");
}

TEST(TrendExport, OneRowPerTimeWithAColumnPerPointAndGapsEmpty) {
    const std::vector<TrendColumn> columns{
        {"高压侧A相电流(A)", {{kStart, 1.25f}, {kStart + 400, trend::kGap}, {kStart + 800, 12.34f}}},
        {"频率(Hz)", {{kStart + 400, 50.0f}}},
    };
    const spreadsheet::Workbook workbook = TrendWorkbook(columns);
    ASSERT_EQ(workbook.sheets.size(), 1u);
    const spreadsheet::Sheet& sheet = workbook.sheets[0];
    EXPECT_EQ(sheet.name, "遥测趋势");
    EXPECT_EQ(sheet.At(0, 0), Cell::Str("时间"));
    EXPECT_EQ(sheet.At(0, 1), Cell::Str("高压侧A相电流(A)"));
    EXPECT_EQ(sheet.At(0, 2), Cell::Str("频率(Hz)"));
    EXPECT_EQ(sheet.RowCount(), 4u);
    EXPECT_EQ(sheet.At(1, 0), Cell::Str(ReadoutTimeText(kStart)));
    EXPECT_EQ(sheet.At(1, 1), Cell::Num(1.25));
    EXPECT_EQ(sheet.At(1, 2), Cell{});
    EXPECT_EQ(sheet.At(2, 1), Cell{});  // the gap: an empty cell, never a zero
    EXPECT_EQ(sheet.At(2, 2), Cell::Num(50));
    EXPECT_EQ(sheet.At(3, 1), Cell::Num(12.34));  // as the value reads, not as the float's binary
}

TEST(TrendExport, ASpanTooLongForASheetBecomesRowsOfWholeSeconds) {
    TrendColumn column{"Ua", {}};
    for (int i = 0; i < 100'000; ++i) column.samples.push_back({kStart + i * 400, static_cast<float>(i)});
    const spreadsheet::Sheet sheet = TrendWorkbook({column}).sheets[0];
    EXPECT_LE(sheet.RowCount(), spreadsheet::kMaxSheetRows);
    EXPECT_GT(sheet.RowCount(), 20'000u);
    // Each row holds the last value of its seconds.
    EXPECT_EQ(sheet.At(1, 1), Cell::Num(2));
}

}  // namespace
}  // namespace ui
