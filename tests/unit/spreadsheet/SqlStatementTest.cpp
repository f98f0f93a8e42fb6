#include <gtest/gtest.h>

#include "spreadsheet/SqlStatement.h"

namespace spreadsheet {
namespace {

using K = SqlStatement::Kind;

SqlStatement Parse(const std::string& sql) {
    std::string error;
    auto s = ParseSql(sql, error);
    EXPECT_TRUE(s) << sql << ": " << error;
    return s.value_or(SqlStatement{});
}

TEST(SqlStatementTest, ParsesEveryStatementTheWriterIssues) {
    auto create = Parse("CREATE TABLE [定值] ([序号] double, [名称] text, [设定值] text)");
    EXPECT_EQ(create.kind, K::CreateTable);
    EXPECT_EQ(create.sheet, "定值");
    EXPECT_FALSE(create.hasRange);
    ASSERT_EQ(create.columns.size(), 3u);
    EXPECT_EQ(create.columns[0], (std::pair<std::string, bool>{"序号", true}));
    EXPECT_EQ(create.columns[2], (std::pair<std::string, bool>{"设定值", false}));

    auto recreate = Parse("CREATE TABLE [s$A1:IV65536] ([a] text)");
    EXPECT_EQ(recreate.sheet, "s");
    EXPECT_TRUE(recreate.hasRange);
    EXPECT_EQ(recreate.rangeLastRow, 65536);

    auto drop = Parse("DROP TABLE [s$A1:IV65536]");
    EXPECT_EQ(drop.kind, K::DropTable);
    EXPECT_EQ(drop.sheet, "s");

    auto insert = Parse("INSERT INTO [s$A1:IV7] ([a], [b]) VALUES ('1.0000000', ' ')");
    EXPECT_EQ(insert.kind, K::Insert);
    EXPECT_EQ(insert.rangeLastRow, 7);
    EXPECT_EQ(insert.fields, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(insert.values, (std::vector<std::string>{"1.0000000", " "}));

    auto update = Parse("UPDATE [s] SET [a]='x', [b]='y' WHERE ([a]='1' AND [b]='2' )");
    EXPECT_EQ(update.kind, K::Update);
    ASSERT_EQ(update.assignments.size(), 2u);
    ASSERT_EQ(update.conditions.size(), 2u);
    EXPECT_EQ(update.conditions[1], (std::pair<std::string, std::string>{"b", "2"}));

    auto select = Parse("select * from [Sheet$a1:iv65536]");
    EXPECT_EQ(select.kind, K::Select);
    EXPECT_EQ(select.sheet, "Sheet");
}

TEST(SqlStatementTest, QuotedTextsRoundTripThroughTheirEscapes) {
    const std::string value = "it's 'quoted' ''";
    const std::string name = "a]b[c";
    auto insert = Parse("INSERT INTO " + QuoteSqlName("s$A1:IV1") + " (" + QuoteSqlName(name) + ") VALUES (" +
                        QuoteSqlValue(value) + ")");
    EXPECT_EQ(insert.fields.front(), name);
    EXPECT_EQ(insert.values.front(), value);
    EXPECT_EQ(QuoteSqlValue("O'Neil"), "'O''Neil'");
    EXPECT_EQ(QuoteSqlName("x]"), "[x]]]");
}

TEST(SqlStatementTest, RefusesStatementsTheWriterNeverIssues) {
    for (const char* sql : {
             "DELETE FROM [s$A1:IV65536]",
             "SELECT [a] FROM [s$A1:IV65536]",
             "SELECT * FROM [s]",                          // reads name the whole range
             "DROP TABLE [s]",                             // so does DROP
             "INSERT INTO [s] ([a]) VALUES ('1')",         // inserts name a row range
             "INSERT INTO [s$A1:IV0] ([a]) VALUES ('1')",  // row out of the sheet
             "INSERT INTO [s$A1:IV65537] ([a]) VALUES ('1')",
             "INSERT INTO [s$A1:IV1] ([a]) VALUES (1)",       // values are always quoted
             "INSERT INTO [s$A1:IV1] ([a]) VALUES ('it's')",  // an unescaped quote
             "UPDATE [s$A1:IV65536] SET [a]='1' WHERE ([a]='2')",
             "CREATE TABLE [s] ([a] integer)",
             "CREATE TABLE [s$B2:C3] ([a] text)",
             "CREATE TABLE [s] ([a] text",
             "CREATE TABLE [s] ([a] text) extra",
             "DROP TABLE [s$A1:IV65536",
             "",
         }) {
        std::string error;
        EXPECT_FALSE(ParseSql(sql, error)) << sql;
        EXPECT_FALSE(error.empty()) << sql;
    }
}

}  // namespace
}  // namespace spreadsheet
