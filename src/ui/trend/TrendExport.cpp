#include "ui/trend/TrendExport.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

#include "ui/trend/TrendViewState.h"

namespace ui {
namespace {

// The float as its seven significant digits say, so 12.34f is written as 12.34 and not 12.340000152.
double AsWritten(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 7);
    double back = value;
    std::from_chars(text, written.ptr, back);
    return back;
}

}  // namespace

std::string TrendExportPath(const std::string& programFolder, const platform::LocalTime& now,
                            const std::string& extension) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "趋势 %02d-%02d-%02d %02d.%02d.%02d.", now.year - 2000, now.month,
                  now.day, now.hour, now.minute, now.second);
    return programFolder + "/信息导出/" + stamp + extension;
}

spreadsheet::Workbook TrendWorkbook(const std::vector<TrendColumn>& columns) {
    // Time -> the value of each column (NaN: none).
    std::map<std::int64_t, std::vector<float>> rows;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (const trend::Sample& s : columns[c].samples) {
            if (trend::IsGap(s.value)) continue;
            auto [row, added] = rows.try_emplace(s.msSinceEpoch, columns.size(), trend::kGap);
            row->second[c] = s.value;
        }
    }
    const std::size_t maxRows = spreadsheet::kMaxSheetRows - 1;
    if (rows.size() > maxRows) {
        const std::int64_t span = rows.rbegin()->first - rows.begin()->first + 1;
        const std::int64_t bucket =
            (span / static_cast<std::int64_t>(maxRows) / trend::kMsPerSecond + 1) * trend::kMsPerSecond;
        std::map<std::int64_t, std::vector<float>> merged;
        for (const auto& [ms, values] : rows) {
            const std::int64_t start = ms - ((ms % bucket) + bucket) % bucket;
            auto [row, added] = merged.try_emplace(start, columns.size(), trend::kGap);
            for (std::size_t c = 0; c < values.size(); ++c)
                if (!trend::IsGap(values[c])) row->second[c] = values[c];
        }
        rows.swap(merged);
    }

    spreadsheet::Workbook workbook;
    spreadsheet::Sheet& sheet = workbook.sheets.emplace_back();
    sheet.name = kTrendSheetName;
    sheet.numericColumns.assign(columns.size() + 1, true);
    sheet.numericColumns[0] = false;
    sheet.Set(0, 0, spreadsheet::Cell::Str("时间"));
    for (std::size_t c = 0; c < columns.size(); ++c)
        sheet.Set(0, c + 1, spreadsheet::Cell::Str(columns[c].name));
    std::size_t r = 1;
    for (const auto& [ms, values] : rows) {
        sheet.Set(r, 0, spreadsheet::Cell::Str(ReadoutTimeText(ms)));
        for (std::size_t c = 0; c < values.size(); ++c) {
            if (!trend::IsGap(values[c])) sheet.Set(r, c + 1, spreadsheet::Cell::Num(AsWritten(values[c])));
        }
        ++r;
    }
    return workbook;
}

}  // namespace ui
