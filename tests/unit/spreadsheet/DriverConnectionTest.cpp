#include <gtest/gtest.h>

#include "spreadsheet/DriverConnection.h"
#include "spreadsheet/WorkbookFile.h"
#include "unit/spreadsheet/TempFolder.h"

namespace spreadsheet {
namespace {

using testing::TempFolder;

std::string ConnectionFor(const std::string& path) {
    return "DRIVER={" + std::string(kBuiltInDriverName) +
           "};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;CREATE_DB=\"" + path + "\";DBQ=" + path;
}

std::vector<std::vector<std::string>> SelectAll(DriverConnection& c, const std::string& sheet,
                                                std::vector<std::string>* names = nullptr) {
    auto rs = c.Query("SELECT * FROM [" + sheet + "$A1:IV65536]");
    EXPECT_TRUE(rs) << c.Error();
    std::vector<std::vector<std::string>> out;
    if (!rs) return out;
    if (names) *names = rs->ColumnNames();
    std::vector<std::string> fields;
    while (rs->Fetch(fields)) out.push_back(fields);
    return out;
}

TEST(DriverConnectionTest, DriverLookupTakesTheFirstExcelDriverOfTheListing) {
    EXPECT_EQ(FindSpreadsheetDriver(InstalledDrivers()), kBuiltInDriverName);
    EXPECT_EQ(FindSpreadsheetDriver({"SQL Server", "Excel A", "Excel B"}), "Excel A");
    EXPECT_EQ(FindSpreadsheetDriver({"SQL Server", "excel lower case"}), "");
    // Names past the 2000-byte listing are not seen.
    EXPECT_EQ(FindSpreadsheetDriver({std::string(1995, 'x'), "Excel"}), "");
    EXPECT_EQ(FindSpreadsheetDriver({std::string(1990, 'x'), "Excel"}), "Excel");

    DriverConnection c;
    EXPECT_FALSE(c.Open("DRIVER={};DSN='';DBQ=/tmp/x.xls"));
    EXPECT_NE(c.Error().find("no default driver"), std::string::npos);
}

TEST(DriverConnectionTest, TablesAreWrittenToTheFileWhenTheConnectionCloses) {
    TempFolder dir;
    const std::string path = dir.File("a;b.xls");  // a ';' in the name does not cut the file name
    DriverConnection c;
    ASSERT_TRUE(c.Open(ConnectionFor(path))) << c.Error();
    ASSERT_TRUE(c.Execute("CREATE TABLE [T] ([n] double, [s] text)")) << c.Error();
    ASSERT_TRUE(c.Execute("INSERT INTO [T$A1:IV1] ([n], [s]) VALUES ('2.5000000', 'x')")) << c.Error();
    ASSERT_TRUE(c.Execute("INSERT INTO [T$A1:IV2] ([n], [s]) VALUES (' ', '3')")) << c.Error();
    ASSERT_TRUE(c.Execute("INSERT INTO [T$A1:IV3] ([n], [s]) VALUES ('', '')")) << c.Error();
    ASSERT_TRUE(c.Execute("INSERT INTO [T$A1:IV4] ([s], [n]) VALUES ('it''s', '7')")) << c.Error();
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_TRUE(c.Close()) << c.Error();

    Workbook wb;
    std::string error;
    ASSERT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded) << error;
    ASSERT_EQ(wb.sheets.size(), 1u);
    const Sheet& t = wb.sheets[0];
    EXPECT_EQ(t.At(0, 0), Cell::Str("n"));
    EXPECT_EQ(t.At(1, 0), Cell::Num(2.5));  // quoted number into a number column
    EXPECT_EQ(t.At(1, 1), Cell::Str("x"));
    EXPECT_EQ(t.At(2, 0), Cell::Str(" "));  // the blank of an empty cell stays text
    EXPECT_EQ(t.At(2, 1), Cell::Str("3"));  // a text column keeps digits as text
    EXPECT_EQ(t.At(3, 0).kind, Cell::Kind::Empty);
    EXPECT_EQ(t.At(4, 0), Cell::Num(7));  // the empty row 3 kept its place
    EXPECT_EQ(t.At(4, 1), Cell::Str("it's"));

    ASSERT_TRUE(c.Open(ConnectionFor(path)));
    std::vector<std::string> names;
    const auto rows = SelectAll(c, "t", &names);  // sheet names ignore letter case
    EXPECT_EQ(names, (std::vector<std::string>{"n", "s"}));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"2.5", "x"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"", ""}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"7", "it's"}));
    c.Close();
}

TEST(DriverConnectionTest, RewritingOneSheetKeepsTheOthersInPlace) {
    TempFolder dir;
    const std::string path = dir.File("book.xls");
    DriverConnection c;
    ASSERT_TRUE(c.Open(ConnectionFor(path)));
    for (const char* sheet : {"A", "B", "C"}) {
        ASSERT_TRUE(c.Execute(std::string("CREATE TABLE [") + sheet + "] ([f] text)"));
        ASSERT_TRUE(
            c.Execute(std::string("INSERT INTO [") + sheet + "$A1:IV1] ([f]) VALUES ('" + sheet + "')"));
    }
    ASSERT_TRUE(c.Close());

    ASSERT_TRUE(c.Open(ConnectionFor(path)));
    EXPECT_FALSE(c.Execute("CREATE TABLE [B] ([g] text)"));  // still holds a table
    EXPECT_NE(c.Error().find("already exists"), std::string::npos);
    ASSERT_TRUE(c.Execute("DROP TABLE [B$A1:IV65536]"));
    EXPECT_FALSE(c.Query("SELECT * FROM [B$A1:IV65536]"));
    ASSERT_TRUE(c.Execute("CREATE TABLE [B$A1:IV65536] ([g] double)"));
    ASSERT_TRUE(c.Execute("INSERT INTO [B$A1:IV1] ([g]) VALUES ('5')"));
    ASSERT_TRUE(c.Close());

    Workbook wb;
    std::string error;
    ASSERT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded);
    ASSERT_EQ(wb.sheets.size(), 3u);
    EXPECT_EQ(wb.sheets[0].name, "A");
    EXPECT_EQ(wb.sheets[1].name, "B");
    EXPECT_EQ(wb.sheets[1].At(1, 0), Cell::Num(5));
    EXPECT_EQ(wb.sheets[2].At(1, 0), Cell::Str("C"));

    // A sheet dropped and not created again is gone from the file.
    ASSERT_TRUE(c.Open(ConnectionFor(path)));
    ASSERT_TRUE(c.Execute("DROP TABLE [A$A1:IV65536]"));
    ASSERT_TRUE(c.Close());
    ASSERT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded);
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[0].name, "B");
}

TEST(DriverConnectionTest, UpdateSetsMatchingRowsOnly) {
    TempFolder dir;
    const std::string path = dir.File("u.xls");
    DriverConnection c;
    ASSERT_TRUE(c.Open(ConnectionFor(path)));
    ASSERT_TRUE(c.Execute("CREATE TABLE [T] ([k] double, [v] text)"));
    ASSERT_TRUE(c.Execute("INSERT INTO [T$A1:IV1] ([k], [v]) VALUES ('1', 'a')"));
    ASSERT_TRUE(c.Execute("INSERT INTO [T$A1:IV2] ([k], [v]) VALUES ('2', 'a')"));
    ASSERT_TRUE(c.Execute("UPDATE [T] SET [v]='b' WHERE ([k]='2.0000000' AND [v]='a' )"));
    const auto rows = SelectAll(c, "T");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][1], "a");
    EXPECT_EQ(rows[1][1], "b");
    EXPECT_FALSE(c.Execute("UPDATE [T] SET [missing]='b' WHERE ([k]='1')"));
    c.Close();
}

TEST(DriverConnectionTest, FailuresAreReportedAndLeaveTheFileAlone) {
    TempFolder dir;
    const std::string path = dir.File("f.xls");
    DriverConnection c;
    ASSERT_TRUE(c.Open(ConnectionFor(path)));
    ASSERT_TRUE(c.Execute("CREATE TABLE [T] ([a] text, [b] text)"));
    EXPECT_FALSE(c.Execute("INSERT INTO [T$A1:IV1] ([a], [b]) VALUES ('1')"));
    EXPECT_NE(c.Error().find("not the same"), std::string::npos);
    EXPECT_FALSE(c.Execute("INSERT INTO [T$A1:IV1] ([zz]) VALUES ('1')"));
    EXPECT_FALSE(c.Execute("INSERT INTO [Nope$A1:IV1] ([a]) VALUES ('1')"));
    EXPECT_FALSE(c.Execute("DELETE FROM [T]"));
    EXPECT_EQ(c.Error().rfind("[VARN][Workbook Driver] ", 0), 0u);
    EXPECT_FALSE(c.Execute("CREATE TABLE [a:b] ([a] text)"));
    EXPECT_FALSE(c.Execute("CREATE TABLE [" + std::string(32, 'x') + "] ([a] text)"));
    EXPECT_FALSE(c.Execute("CREATE TABLE [D] ([a] text, [a] text)"));
    ASSERT_TRUE(c.Close(false));  // not committed: nothing written
    EXPECT_FALSE(std::filesystem::exists(path));

    // Writing into a folder that does not exist fails at the close, with the driver's message.
    const std::string lost = dir.File("missing/x.xls");
    ASSERT_TRUE(c.Open(ConnectionFor(lost)));
    ASSERT_TRUE(c.Execute("CREATE TABLE [T] ([a] text)"));
    EXPECT_FALSE(c.Close());
    EXPECT_NE(c.Error().find("Cannot save"), std::string::npos);

    // A file that is no workbook is refused at the open and kept.
    const std::string junk = dir.File("junk.xls");
    testing::WriteBytes(junk, "not a workbook");
    EXPECT_FALSE(c.Open(ConnectionFor(junk)));
    EXPECT_NE(c.Error().find("expected format"), std::string::npos);
    EXPECT_EQ(testing::ReadBytes(junk), "not a workbook");
}

}  // namespace
}  // namespace spreadsheet
