// Our workbooks read by xlrd, and workbooks written by xlwt read by us: both are independent of our code.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "spreadsheet/DriverConnection.h"
#include "spreadsheet/WorkbookFile.h"
#include "ui/settings/InformationExport.h"
#include "unit/spreadsheet/ExportFixture.h"
#include "unit/spreadsheet/TempFolder.h"

namespace spreadsheet {
namespace {

using testing::TempFolder;

// Runs a Python script with /usr/bin/python3 and returns what it prints; `ok` tells whether it exited 0.
std::string RunPython(const TempFolder& dir, const std::string& script, const std::string& argument,
                      bool& ok) {
    const std::string file = dir.File("peer.py");
    testing::WriteBytes(file, script);
    const std::string command =
        "PYTHONIOENCODING=utf-8 /usr/bin/python3 '" + file + "' '" + argument + "' 2>&1";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        ok = false;
        return "popen failed";
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ok = ::pclose(pipe) == 0;
    return output;
}

// One line per cell: sheet, row, column, xlrd's cell type and value (numbers in repr()).
const char* kDumpWithXlrd = R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
for sheet in book.sheets():
    print("sheet|%s|%d|%d" % (sheet.name, sheet.nrows, sheet.ncols))
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            value = repr(cell.value) if cell.ctype == xlrd.XL_CELL_NUMBER else str(cell.value)
            print("%s|%d|%d|%d|%s" % (sheet.name, r, c, cell.ctype, value))
)";

TEST(XlrdXlwtPeerTest, XlrdReadsEveryCellOfAnExport) {
    TempFolder dir;
    testing::ExportTables t;
    std::string error;
    const std::string path = dir.File("export.xls");
    ASSERT_TRUE(ui::WriteInformationWorkbook(path,
                                             ui::SettingRows(t.settings, testing::ExportTables::IsChoice),
                                             ui::ParameterRows(t.params), error))
        << error;
    bool ok = false;
    const std::string out = RunPython(dir, kDumpWithXlrd, path, ok);
    ASSERT_TRUE(ok) << out;
    // Type 1 is text, 2 a number: 序号 and the parameters' 设定值 are number columns.
    const std::string expected =
        "sheet|定值|4|3\n"
        "定值|0|0|1|序号\n定值|0|1|1|名称\n定值|0|2|1|设定值\n"
        "定值|1|0|2|1.0\n定值|1|1|1|过流定值\n定值|1|2|1|1.23\n"
        "定值|2|0|2|2.0\n定值|2|1|1|保护投退\n定值|2|2|1|投入\n"
        "定值|3|0|2|3.0\n定值|3|1|1|延时\n定值|3|2|0|\n"
        "sheet|参数|3|3\n"
        "参数|0|0|1|序号\n参数|0|1|1|名称\n参数|0|2|1|设定值\n"
        "参数|1|0|2|1.0\n参数|1|1|1|装置地址\n参数|1|2|2|7.0\n"
        "参数|2|0|2|2.0\n参数|2|1|1|波特率\n参数|2|2|2|65535.0\n";
    EXPECT_EQ(out, expected);
}

TEST(XlrdXlwtPeerTest, XlrdReadsLongStringsAcrossContinueRecords) {
    TempFolder dir;
    Workbook wb;
    Sheet s{"长文本", {}, {}};
    std::string wide, narrow;
    for (int i = 0; i < 9000; ++i) wide += "字";
    for (int i = 0; i < 30000; ++i) narrow += static_cast<char>('a' + i % 26);
    s.Set(0, 0, Cell::Str(wide));
    s.Set(0, 1, Cell::Str(narrow));
    for (int r = 1; r < 2000; ++r) s.Set(r, r % 3, Cell::Str("值" + std::to_string(r)));
    s.Set(2000, 2, Cell::Num(-0.125));
    wb.sheets = {s, Sheet{"Empty", {}, {}}};
    std::string error;
    const std::string path = dir.File("long.xls");
    ASSERT_TRUE(SaveWorkbookFile(path, wb, error)) << error;
    bool ok = false;
    const std::string script = R"(
import sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
s = book.sheet_by_index(0)
print(book.nsheets, s.name, s.nrows, s.ncols, book.sheet_by_index(1).nrows)
print(s.cell_value(0, 0) == "\u5b57" * 9000, s.cell_value(0, 1) == "".join(chr(97 + i % 26) for i in range(30000)))
print(all(s.cell_value(r, r % 3) == "\u503c%d" % r for r in range(1, 2000)), s.cell(2000, 2).ctype, s.cell_value(2000, 2))
)";
    const std::string out = RunPython(dir, script, path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out, "2 长文本 2001 3 0\nTrue True\nTrue 2 -0.125\n");
}

TEST(XlrdXlwtPeerTest, WeReadWhatXlwtWrites) {
    TempFolder dir;
    const std::string path = dir.File("xlwt.xls");
    const std::string script = R"(
import sys, xlwt
book = xlwt.Workbook(encoding="utf-8")
s = book.add_sheet("数据")
for c, name in enumerate(["编号", "名称", "数值", "备注"]):
    s.write(0, c, name)
for r in range(1, 40):
    s.write(r, 0, r)                # small integers: RK records
    s.write(r, 1, "名称%d" % r)
    s.write(r, 2, r * 1.5 - 100)     # non-integers
    if r % 2:
        s.write(r, 3, "")           # blank
s.write(40, 0, 123456789012)        # too large for an integer RK
s.write(40, 1, True)
s.write(40, 2, 0.01)
s.write(41, 1, "x" * 9000)          # a string across CONTINUE records
for c in range(8):
    s.write(42, c, c * 100)         # a row of numbers
other = book.add_sheet("Second")
other.write(2, 3, "only")
book.save(sys.argv[1])
)";
    bool ok = false;
    const std::string out = RunPython(dir, script, path, ok);
    ASSERT_TRUE(ok) << out;

    Workbook wb;
    std::string error;
    ASSERT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded) << error;
    ASSERT_EQ(wb.sheets.size(), 2u);
    const Sheet& s = wb.sheets[0];
    EXPECT_EQ(s.name, "数据");
    EXPECT_EQ(s.At(0, 1), Cell::Str("名称"));
    for (int r = 1; r < 40; ++r) {
        EXPECT_EQ(s.At(r, 0), Cell::Num(r)) << r;
        EXPECT_EQ(s.At(r, 1), Cell::Str("名称" + std::to_string(r))) << r;
        EXPECT_EQ(s.At(r, 2), Cell::Num(r * 1.5 - 100)) << r;
        EXPECT_EQ(s.At(r, 3).kind, Cell::Kind::Empty) << r;
    }
    EXPECT_EQ(s.At(40, 0), Cell::Num(123456789012.0));
    EXPECT_EQ(s.At(40, 1), Cell::Num(1));
    EXPECT_EQ(s.At(40, 2), Cell::Num(0.01));
    EXPECT_EQ(s.At(41, 1), Cell::Str(std::string(9000, 'x')));
    for (int c = 0; c < 8; ++c) EXPECT_EQ(s.At(42, c), Cell::Num(c * 100)) << c;
    EXPECT_EQ(wb.sheets[1].At(2, 3), Cell::Str("only"));

    // Through the driver, as the writer loads a sheet: names from the first row, values as text.
    DriverConnection c;
    ASSERT_TRUE(c.Open("DRIVER={" + std::string(kBuiltInDriverName) + "};DBQ=" + path)) << c.Error();
    auto rs = c.Query("SELECT * FROM [数据$A1:IV65536]");
    ASSERT_TRUE(rs) << c.Error();
    EXPECT_EQ(rs->ColumnNames(),
              (std::vector<std::string>{"编号", "名称", "数值", "备注", "F5", "F6", "F7", "F8"}));
    std::vector<std::string> fields;
    ASSERT_TRUE(rs->Fetch(fields));
    EXPECT_EQ(fields[0], "1");
    EXPECT_EQ(fields[2], "-98.5");
    c.Close(false);
}

TEST(XlrdXlwtPeerTest, XlrdReadsNumbersTextsAndSharedStrings) {
    TempFolder dir;
    Workbook wb;
    Sheet a{"定值", {}, {}};
    a.Set(0, 0, Cell::Str("序号"));
    a.Set(1, 0, Cell::Num(-2.5));
    a.Set(1, 1, Cell::Str("过流Ⅰ段"));
    a.Set(2, 1, Cell::Str("latin é"));
    a.Set(2, 2, Cell::Str("序号"));  // shared with the first cell
    Sheet b{"参数", {}, {}};
    b.Set(0, 0, Cell::Num(1e300));
    wb.sheets = {a, b};
    std::string error;
    const std::string path = dir.File("sample.xls");
    ASSERT_TRUE(SaveWorkbookFile(path, wb, error)) << error;
    bool ok = false;
    const std::string out = RunPython(dir, kDumpWithXlrd, path, ok);
    ASSERT_TRUE(ok) << out;
    EXPECT_EQ(out,
              "sheet|定值|3|3\n"
              "定值|0|0|1|序号\n定值|0|1|0|\n定值|0|2|0|\n"
              "定值|1|0|2|-2.5\n定值|1|1|1|过流Ⅰ段\n定值|1|2|0|\n"
              "定值|2|0|0|\n定值|2|1|1|latin é\n定值|2|2|1|序号\n"
              "sheet|参数|1|1\n"
              "参数|0|0|2|1e+300\n");
}

// Over 109 FAT sectors (about 7 MB) the header's list of them continues in DIFAT sectors: xlrd reads such a
// file of ours, and we read one of xlwt's.
TEST(XlrdXlwtPeerTest, LargeFilesUseTheDifatChainBothWays) {
    TempFolder dir;
    Workbook wb;
    Sheet s{"大表", {}, {}};
    for (int r = 0; r < 450; ++r) s.Set(r, 0, Cell::Str(std::to_string(r) + std::string(9000, 'z') + "表"));
    wb.sheets = {s};
    std::string error;
    const std::string ours = dir.File("ours.xls");
    ASSERT_TRUE(SaveWorkbookFile(ours, wb, error)) << error;
    bool ok = false;
    const std::string read = RunPython(dir, R"(
import struct, sys, xlrd
head = open(sys.argv[1], "rb").read(76)
fat, difat_first, difat_count = struct.unpack_from("<I", head, 44)[0], *struct.unpack_from("<iI", head, 68)
s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
print(fat > 109, difat_first >= 0, difat_count, s.name, s.nrows)
print(all(s.cell_value(r, 0) == str(r) + "z" * 9000 + "\u8868" for r in range(450)))
)",
                                       ours, ok);
    ASSERT_TRUE(ok) << read;
    EXPECT_EQ(read, "True True 1 大表 450\nTrue\n");

    const std::string theirs = dir.File("xlwt.xls");
    const std::string wrote = RunPython(dir, R"(
import struct, sys, xlwt
book = xlwt.Workbook(encoding="utf-8")
s = book.add_sheet("Large")
for r in range(450):
    s.write(r, 0, "%d" % r + "y" * 9000 + "\u8868")
book.save(sys.argv[1])
print(struct.unpack_from("<I", open(sys.argv[1], "rb").read(76), 72)[0])
)",
                                        theirs, ok);
    ASSERT_TRUE(ok) << wrote;
    EXPECT_EQ(wrote, "1\n");  // one DIFAT sector
    Workbook loaded;
    ASSERT_EQ(LoadWorkbookFile(theirs, loaded, error), LoadStatus::Loaded) << error;
    ASSERT_EQ(loaded.sheets.size(), 1u);
    ASSERT_EQ(loaded.sheets[0].RowCount(), 450u);
    for (int r = 0; r < 450; ++r)
        EXPECT_EQ(loaded.sheets[0].At(r, 0), Cell::Str(std::to_string(r) + std::string(9000, 'y') + "表"))
            << r;
}

}  // namespace
}  // namespace spreadsheet
