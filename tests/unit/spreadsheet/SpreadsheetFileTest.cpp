#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Gbk.h"
#include "platform/RegularFile.h"
#include "spreadsheet/SpreadsheetFile.h"
#include "spreadsheet/WorkbookFile.h"
#include "unit/spreadsheet/TempFolder.h"

namespace spreadsheet {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;
using Values = std::vector<std::string>;

const char* kSep = ",;.?";

Workbook LoadBook(const std::string& path) {
    Workbook wb;
    std::string error;
    EXPECT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded) << error;
    return wb;
}

TEST(SpreadsheetFileTest, RowTextsFollowTheNumericRule) {
    TempFolder dir;
    SpreadsheetFile f(dir.File("a.xls"), "S", false);
    f.StartBatch();
    f.SetColumnNumeric(0, true);
    f.SetColumnNumeric(1, true);
    f.SetColumnNumeric(2, true);
    ASSERT_TRUE(f.AppendHeaderFields({"n", "m", "last"}));
    ASSERT_TRUE(f.PutRow({"2.5", "abc", "2.5"}));
    ASSERT_TRUE(f.PutRow({" 1e2x", "0.1", "x"}));
    const std::string q = "\"";
    // The header keeps its names; numbers as "%.7f" of single precision; the last value as given.
    EXPECT_EQ(f.RowTexts()[0], q + "n" + q + kSep + q + "m" + q + kSep + q + "last" + q);
    EXPECT_EQ(f.RowTexts()[1], q + "2.5000000" + q + kSep + q + "0.0000000" + q + kSep + q + "2.5" + q);
    EXPECT_EQ(f.RowTexts()[2], q + "100.0000000" + q + kSep + q + "0.1000000" + q + kSep + q + "x" + q);
    Values header;
    ASSERT_TRUE(f.GetRow(header, 1));
    EXPECT_EQ(header, (Values{"n", "m", "last"}));
}

TEST(SpreadsheetFileTest, PlacingRows) {
    TempFolder dir;
    SpreadsheetFile f(dir.File("p.xls"), "S", false);
    f.StartBatch();
    EXPECT_FALSE(f.PutRow({"x"}, 2));
    EXPECT_EQ(f.LastError(), "No header row. Add header row first\n");
    ASSERT_TRUE(f.AppendHeaderFields({"a", "b"}));
    ASSERT_TRUE(f.PutRow({"r2", "x"}));
    ASSERT_TRUE(f.PutRow({"r5", "y"}, 5));  // pads rows 3 and 4
    EXPECT_EQ(f.RowCount(), 5);
    EXPECT_EQ(f.RowTexts()[2], std::string("\" \"") + kSep + "\" \"");
    Values v;
    ASSERT_TRUE(f.GetRow(v, 3));
    EXPECT_EQ(v, (Values{" ", " "}));
    ASSERT_TRUE(f.PutRow({"r3"}, 3, true));     // replace
    ASSERT_TRUE(f.PutRow({"new2"}, 2, false));  // insert before row 2
    EXPECT_EQ(f.RowCount(), 6);
    ASSERT_TRUE(f.GetRow(v, 2));
    EXPECT_EQ(v, Values{"new2"});
    ASSERT_TRUE(f.GetRow(v));  // the current row follows the last read
    EXPECT_EQ(v, (Values{"r2", "x"}));
    EXPECT_FALSE(f.PutRow({"1", "2", "3"}));
    EXPECT_EQ(f.LastError(), "Number of columns to be added cannot be greater than the number of fields\n");
    EXPECT_FALSE(f.PutRow({"a"}, 1, true));
    EXPECT_EQ(f.LastError(),
              "Number of columns in new header row cannot be less than the number of columns in previous "
              "header row");
    EXPECT_FALSE(f.GetRow(v, 7));
    EXPECT_EQ(f.LastError(), "Desired row is greater than total number of rows in spreadsheet\n");
}

TEST(SpreadsheetFileTest, DuplicateHeadersAreRefusedAndNothingIsWritten) {
    TempFolder dir;
    const std::string path = dir.File("d.xls");
    SpreadsheetFile f(path, "S", false);
    EXPECT_FALSE(f.AppendHeaderFields({"a", "b", "a"}));
    EXPECT_EQ(f.LastError(), "Duplicate header row field:a\n");
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(f.AppendHeaderFields({"a", "b"}));
    EXPECT_FALSE(f.AppendHeaderFields({"c", "b"}));
    EXPECT_EQ(f.LastError(), "Duplicate header row field:b\n");
    ASSERT_TRUE(f.AppendHeaderFields({"c"}));
    EXPECT_EQ(f.HeaderFields(), (Values{"a", "b", "c"}));
    EXPECT_EQ(f.ColumnCount(), 3);
}

TEST(SpreadsheetFileTest, FirstFlushCreatesTheSheetLaterFlushesRecreateIt) {
    TempFolder dir;
    const std::string path = dir.File("s.xls");
    std::vector<std::string> sql;
    SpreadsheetFile f(path, "表", false);
    f.SetStatementObserver([&](const std::string& s) { sql.push_back(s); });
    f.StartBatch();
    f.SetColumnNumeric(0, true);
    ASSERT_TRUE(f.AppendHeaderFields({"序号", "名称"}));
    ASSERT_TRUE(f.PutRow({"1", "O'Neil"}, 2, true));
    ASSERT_TRUE(f.Flush()) << f.LastError();
    EXPECT_EQ(sql, (Values{"CREATE TABLE [表] ([序号] double, [名称] text)",
                           "INSERT INTO [表$A1:IV1] ([序号], [名称]) VALUES ('1.0000000', 'O''Neil')"}));
    sql.clear();
    ASSERT_TRUE(f.PutRow({"2", "b"}));  // outside a batch: flushed at once
    EXPECT_EQ(sql.front(), "DROP TABLE [表$A1:IV65536]");
    EXPECT_EQ(sql[1], "CREATE TABLE [表$A1:IV65536] ([序号] double, [名称] text)");
    EXPECT_EQ(sql.back(), "INSERT INTO [表$A1:IV2] ([序号], [名称]) VALUES ('2.0000000', 'b')");

    // Reopened: the quote survived, the number reads back as a number.
    SpreadsheetFile g(path, "表", false);
    EXPECT_EQ(g.HeaderFields(), (Values{"序号", "名称"}));
    Values v;
    ASSERT_TRUE(g.GetRow(v, 2));
    EXPECT_EQ(v, (Values{"1", "O'Neil"}));
    EXPECT_EQ(LoadBook(path).sheets[0].At(1, 0), Cell::Num(1));
}

TEST(SpreadsheetFileTest, BatchDestroyedWithoutFlushWritesNothing) {
    TempFolder dir;
    const std::string path = dir.File("b.xls");
    {
        SpreadsheetFile f(path, "S");
        f.StartBatch();
        ASSERT_TRUE(f.AppendHeaderFields({"a"}));
        ASSERT_TRUE(f.PutRow({"1"}));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SpreadsheetFileTest, LoadingMakesBackups) {
    TempFolder dir;
    const std::string book = dir.File("k.xls");
    {
        SpreadsheetFile f(book, "Data", false);
        ASSERT_TRUE(f.AppendHeaderFields({"a", "b"}));
        ASSERT_TRUE(f.PutRow({"1", "x"}));
    }
    SpreadsheetFile f(book, "Data");
    EXPECT_TRUE(f.KeepBackup()) << f.LastError();
    EXPECT_EQ(f.RowCount(), 2);
    const Workbook wb = LoadBook(book);
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[1].name, "CSpreadSheetBackup");
    EXPECT_EQ(wb.sheets[1].At(1, 1), Cell::Str("x"));
    // A second load finds the backup sheet taken and gives up the backup.
    SpreadsheetFile again(book, "Data");
    EXPECT_FALSE(again.KeepBackup());
    EXPECT_EQ(again.RowCount(), 2);

    const std::string text = dir.File("a.csv");
    WriteBytes(text, "\"h1\";\"h2\"\r\n\"1\";\"2\"\r\n");
    SpreadsheetFile t(text, ";");
    EXPECT_TRUE(t.KeepBackup());
    EXPECT_EQ(ReadBytes(text + ".bak"), ReadBytes(text));
    EXPECT_EQ(t.HeaderFields(), (Values{"h1", "h2"}));
}

TEST(SpreadsheetFileTest, TextFilesAreGbkWithCrLf) {
    TempFolder dir;
    const std::string path = dir.File("t.txt");
    SpreadsheetFile f(path, ",", false);
    EXPECT_EQ(f.LastError(), "Error in opening file\n");
    f.StartBatch();
    ASSERT_TRUE(f.AppendHeaderFields({"名称", "值"}));
    ASSERT_TRUE(f.PutRow({"a\"b", "1,5"}));
    ASSERT_TRUE(f.PutCell("z", 3, 4));  // a new row past the end: padded with empty rows, "" cells
    ASSERT_TRUE(f.Flush());
    const std::string expected =
        platform::Utf8ToGbk("\"名称\",\"值\"\r\n\"a\"b\",\"1,5\"\r\n\"\",\"\",\"\"\r\n") +
        "\"\",\"\",\"z\"\r\n";
    EXPECT_EQ(ReadBytes(path), expected);

    SpreadsheetFile g(path, ",", false);
    EXPECT_EQ(g.RowCount(), 4);
    EXPECT_EQ(g.ColumnCount(), 3);
    EXPECT_EQ(g.HeaderFields(), (Values{"名称", "值"}));
    Values v;
    ASSERT_TRUE(g.GetRow(v, 2));
    EXPECT_EQ(v, (Values{"a\"b", "1,5"}));   // split at the quoted separator only
    WriteBytes(path, "a;b\nsingle\n\"q\"");  // bare separators, LF only, no final line end
    SpreadsheetFile h(path, ";", false);
    ASSERT_EQ(h.RowCount(), 3);
    ASSERT_TRUE(h.GetRow(v, 1));
    EXPECT_EQ(v, (Values{"a", "b"}));
    ASSERT_TRUE(h.GetRow(v));
    EXPECT_EQ(v, Values{"single"});
    ASSERT_TRUE(h.GetRow(v));
    EXPECT_EQ(v, Values{"q"});
    EXPECT_FALSE(h.GetRow(v));  // past the last row
    EXPECT_FALSE(h.UpdateMatchingRows({"x"}, {"a"}));
    EXPECT_EQ(h.LastError(), "Function not available for text delimited file\n");
    h.StartBatch();
    ASSERT_TRUE(h.DropSheet());
    EXPECT_EQ(h.RowCount(), 0);
    EXPECT_EQ(ReadBytes(path), "a;b\nsingle\n\"q\"");  // batch: not yet written
    ASSERT_TRUE(h.Flush());
    EXPECT_EQ(ReadBytes(path), "");
}

// The name is UTF-8 on every system: a folder with a Chinese name, as the export's own, is the one written.
TEST(SpreadsheetFileTest, TextFileUnderAChineseFolder) {
    TempFolder dir;
    const std::string folder = dir.File("信息导出");
    ASSERT_TRUE(std::filesystem::create_directory(
        std::filesystem::path(std::u8string(folder.begin(), folder.end()))));
    const std::string path = folder + "/定值.txt";
    SpreadsheetFile f(path, ",", false);
    f.StartBatch();
    ASSERT_TRUE(f.AppendHeaderFields({"名称"}));
    ASSERT_TRUE(f.PutRow({"值"}));
    ASSERT_TRUE(f.Flush()) << f.LastError();
    std::string bytes;
    ASSERT_EQ(platform::ReadRegularFile(path, 1024, bytes), platform::FileRead::Ok);
    EXPECT_EQ(bytes, platform::Utf8ToGbk("\"名称\"\r\n\"值\"\r\n"));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
        1);
}

TEST(SpreadsheetFileTest, CellsAndColumns) {
    TempFolder dir;
    SpreadsheetFile f(dir.File("c.xls"), "S", false);
    f.StartBatch();
    ASSERT_TRUE(f.AppendHeaderFields({"Name", "ID", "v"}));
    ASSERT_TRUE(f.PutRow({"a", "1", "x"}));
    ASSERT_TRUE(f.PutRow({"b"}));
    EXPECT_EQ(f.ColumnIndex("v", false), 3);
    EXPECT_EQ(f.ColumnIndex("c", true), 3);
    EXPECT_EQ(f.ColumnIndex("iv", true), 256);
    EXPECT_EQ(f.ColumnIndex("AA", true), 27);
    EXPECT_EQ(f.ColumnIndex("ID", false), 2);
    EXPECT_EQ(f.ColumnIndex("Name", true), 1);  // longer texts are field names
    EXPECT_EQ(f.ColumnIndex("1", true), 0);     // not letters, and no such field
    EXPECT_EQ(f.LastError(), "Invalid field name or column alphabet\n");

    ASSERT_TRUE(f.PutCell("y", "v", 3));
    ASSERT_TRUE(f.PutCell("c", 1, 0));  // a new row
    EXPECT_FALSE(f.PutCell("z", 0, 1));
    EXPECT_EQ(f.LastError(), "Column cannot be zero\n");
    EXPECT_FALSE(f.PutCell("z", 5, 2));
    EXPECT_EQ(f.LastError(), "Cell column to be added cannot be greater than the number of fields\n");
    EXPECT_FALSE(f.PutCell("Name", 2, 1));
    EXPECT_EQ(f.LastError(), "Duplicate header row field:Name\n");

    Values column;
    ASSERT_TRUE(f.GetRow(column, 2));
    ASSERT_TRUE(f.GetColumn("B", column, true));
    EXPECT_EQ(column, (Values{"ID", "1", " ", " "}));
    Values next;
    ASSERT_TRUE(f.GetRow(next));  // GetColumn left the current row alone
    EXPECT_EQ(next, (Values{"b", " ", "y"}));
    std::string cell;
    ASSERT_TRUE(f.GetCell("v", 3, cell));
    EXPECT_EQ(cell, "y");
    ASSERT_TRUE(f.GetCell(9, 2, cell));  // past the row's end: an empty cell
    EXPECT_EQ(cell, "");
    EXPECT_FALSE(f.GetCell("nope", 2, cell));
    EXPECT_EQ(f.LastError(), "Column cannot be zero\n");

    // One past the last field is within PutCell's limit, on an existing row as on a new one: the header
    // gains a field for it.
    ASSERT_TRUE(f.PutCell("w", 4, 2));
    ASSERT_TRUE(f.GetRow(next, 1));
    EXPECT_EQ(next, (Values{"Name", "ID", "v", "F4"}));
    ASSERT_TRUE(f.GetCell(4, 2, cell));
    EXPECT_EQ(cell, "w");
    ASSERT_TRUE(f.PutCell("u", 5, 0));
    ASSERT_TRUE(f.GetRow(next, 1));
    EXPECT_EQ(next, (Values{"Name", "ID", "v", "F4", "F5"}));
    EXPECT_TRUE(f.Flush()) << f.LastError();
}

TEST(SpreadsheetFileTest, UpdateDropDiscard) {
    TempFolder dir;
    const std::string path = dir.File("u.xls");
    SpreadsheetFile keep(path, "Other", false);
    ASSERT_TRUE(keep.AppendHeaderFields({"k"}));
    SpreadsheetFile f(path, "S", false);
    f.StartBatch();
    ASSERT_TRUE(f.AppendHeaderFields({"a", "b"}));
    ASSERT_TRUE(f.PutRow({"1", "it's"}));
    ASSERT_TRUE(f.PutRow({"2", "y"}));
    ASSERT_TRUE(f.Flush());
    ASSERT_TRUE(f.UpdateMatchingRows({"3", "z"}, {"1", "it's"})) << f.LastError();
    Values v;
    ASSERT_TRUE(f.GetRow(v, 2));
    EXPECT_EQ(v, (Values{"3", "z"}));

    f.StartBatch();
    ASSERT_TRUE(f.PutRow({"9", "9"}));
    ASSERT_TRUE(f.DiscardChanges());
    EXPECT_EQ(f.RowCount(), 3);

    ASSERT_TRUE(f.DropSheet()) << f.LastError();
    EXPECT_EQ(f.RowCount(), 0);
    ASSERT_EQ(LoadBook(path).sheets.size(), 1u);
    EXPECT_FALSE(f.DiscardChanges());
    EXPECT_EQ(f.LastError(), "Error in returning to previous state\n");
    EXPECT_FALSE(f.DropSheet());
    EXPECT_EQ(f.LastError(), "Error deleting sheet\n");
    // The sheet can be written again after it was dropped.
    ASSERT_TRUE(f.AppendHeaderFields({"again"})) << f.LastError();
    EXPECT_EQ(LoadBook(path).sheets.size(), 2u);
}

TEST(SpreadsheetFileTest, FailedFlushesAreReported) {
    TempFolder dir;
    const std::string path = dir.File("missing/f.xls");
    SpreadsheetFile f(path, "S", false);
    ASSERT_TRUE(f.AppendHeaderFields({"a"}) == false);
    EXPECT_NE(f.LastError().find("Cannot save"), std::string::npos);
    EXPECT_EQ(f.RowCount(), 1);  // kept in memory
    EXPECT_FALSE(f.PutRow({"1"}));
    EXPECT_EQ(f.RowCount(), 2);

    SpreadsheetFile t(dir.File("missing/f.csv"), ";", false);
    EXPECT_FALSE(t.PutRow({"1"}));
    EXPECT_EQ(t.LastError(), "Error writing file\n");
}

TEST(SpreadsheetFileTest, ConvertBetweenWorkbookAndText) {
    TempFolder dir;
    const std::string book = dir.File("conv.xls");
    {
        SpreadsheetFile f(book, "S", false);
        f.StartBatch();
        ASSERT_TRUE(f.AppendHeaderFields({"a", "b"}));
        ASSERT_TRUE(f.PutRow({"1", "x"}));
        ASSERT_TRUE(f.Flush());
        ASSERT_TRUE(f.ConvertFormat(";")) << f.LastError();
        EXPECT_FALSE(f.ConvertFormat(";"));  // the text file now has columns
    }
    EXPECT_EQ(ReadBytes(dir.File("conv.csv")), "\"a\";\"b\"\r\n\"1\";\"x\"\r\n");

    const std::string text = dir.File("dup.txt");
    WriteBytes(text, "\"h\";\"h\"\r\n\"1\";\"2\"\r\n");
    SpreadsheetFile t(text, ";", false);
    ASSERT_TRUE(t.ConvertFormat("T")) << t.LastError();
    EXPECT_EQ(t.LastError(), "Duplicate header row field:h\n");
    const Workbook wb = LoadBook(dir.File("dup.xls"));
    ASSERT_EQ(wb.sheets.size(), 1u);
    EXPECT_EQ(wb.sheets[0].At(0, 0), Cell::Str("1"));
    EXPECT_EQ(wb.sheets[0].At(1, 0), Cell::Str("h"));
    EXPECT_EQ(wb.sheets[0].At(2, 1), Cell::Str("2"));
}

}  // namespace
}  // namespace spreadsheet
