#pragma once
// The settings sheet (定值单) of the settings and parameters window: the relay's model and version as the
// main window shows them, the time it was printed, every setting and every parameter as the lists show them
// (序号, name, value) and a place to sign, cut into A4 pages. Qt-free; SheetPdf draws the pages. Texts UTF-8.
#include <functional>
#include <string>
#include <vector>

#include "config/PointTables.h"
#include "platform/Clock.h"

namespace ui {

inline constexpr char kSheetTitle[] = "定值单";
inline constexpr char kSheetFailed[] = "无法保存定值单：";  // followed by the path

// The main window's 装置型号 and 装置版本 fields; empty before the first poll answer.
struct DeviceTexts {
    std::string model;
    std::string version;
};

struct SheetLine {
    enum class Kind { Title, Info, Heading, TableHead, Row, Signature };
    Kind kind;
    std::vector<std::string> cells;  // one for Title, Info and Heading; three for TableHead and Row
    bool operator==(const SheetLine&) const = default;
};

// Height of a line in table rows.
int SheetLineRows(SheetLine::Kind kind);

// The sheet from top to bottom. `isChoiceCell(i)` tells whether setting row i's value cell is a choice cell.
std::vector<SheetLine> SettingsSheetLines(const config::SettingTable& settings,
                                          const config::ParamTable& params,
                                          const std::function<bool(int)>& isChoiceCell,
                                          const DeviceTexts& device, const platform::LocalTime& printed);

// Pages of at most `rowsPerPage` rows each. A heading stays with its table's head and first row, a table
// carried over to the next page starts there with its heading marked "（续）" and its head again, and the
// signatures are never split.
std::vector<std::vector<SheetLine>> PaginateSheet(const std::vector<SheetLine>& lines, int rowsPerPage);

// "第 1 页，共 3 页".
std::string SheetPageNumber(int page, int pages);

// "<folder>/信息导出/定值单 yy-mm-dd hh.mm.ss.pdf" from the local time, in the system's form
// (NativeSeparators).
std::string SheetFilePath(const std::string& programFolder, const platform::LocalTime& now);

}  // namespace ui
