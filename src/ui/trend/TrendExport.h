#pragma once
// The trend window's export of the shown span: file names in 信息导出 and the workbook's one sheet (time,
// then one column per shown point). Qt-free; the window writes the picture.
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "spreadsheet/Workbook.h"
#include "trend/TrendSample.h"

namespace ui {

// "<folder>/信息导出/趋势 yy-mm-dd hh.mm.ss.<extension>" from the local time.
std::string TrendExportPath(const std::string& programFolder, const platform::LocalTime& now,
                            const std::string& extension);

struct TrendColumn {
    std::string name;  // UTF-8, as VARN.ini names the point
    std::vector<trend::Sample> samples;
};

inline constexpr char kTrendSheetName[] = "遥测趋势";

// One row per time at which a shown point has a value (gaps are empty cells), oldest first. When they would
// not fit a sheet, each row holds the last values of a whole number of seconds instead.
spreadsheet::Workbook TrendWorkbook(const std::vector<TrendColumn>& columns);

}  // namespace ui
