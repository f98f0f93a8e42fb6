#include <gtest/gtest.h>

#include "platform/Shell.h"

namespace platform {
namespace {

TEST(ShellTextTest, FileUrlEncodesAllButUnreservedCharactersAndSlashes) {
    EXPECT_EQ(FileUrl("/tmp/a-b_c.~d/help.pdf"), "file:///tmp/a-b_c.~d/help.pdf");
    EXPECT_EQ(FileUrl("/my docs/50%#?&+.txt"), "file:///my%20docs/50%25%23%3F%26%2B.txt");
    // UTF-8 bytes one by one, upper-case hex.
    EXPECT_EQ(FileUrl("/帮助"), "file:///%E5%B8%AE%E5%8A%A9");
}

// Each case: what the argument is, and how the C runtime's command-line split must read it back.
TEST(ShellTextTest, CommandLineArgumentsSurviveTheRuntimesSplit) {
    EXPECT_EQ(QuoteCommandLineArgument(R"(C:\VARN\报文存档\a.txt)"), R"(C:\VARN\报文存档\a.txt)");
    EXPECT_EQ(QuoteCommandLineArgument(R"(C:\Program Files\VARN\a b.txt)"),
              R"("C:\Program Files\VARN\a b.txt")");
    EXPECT_EQ(QuoteCommandLineArgument(""), R"("")");
    EXPECT_EQ(QuoteCommandLineArgument("tab\there"), "\"tab\there\"");
    // A quote inside, and backslashes before it or before the closing quote, are escaped.
    EXPECT_EQ(QuoteCommandLineArgument(R"(say "hi")"), R"("say \"hi\"")");
    EXPECT_EQ(QuoteCommandLineArgument(R"(a\"b)"), R"("a\\\"b")");
    EXPECT_EQ(QuoteCommandLineArgument(R"(C:\with space\)"), R"("C:\with space\\")");
    EXPECT_EQ(QuoteCommandLineArgument(R"(x\\y z)"), R"("x\\y z")");
}

}  // namespace
}  // namespace platform
