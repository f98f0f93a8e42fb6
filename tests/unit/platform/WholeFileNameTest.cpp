// A whole-file write to a target whose name is near the file-name limit (255) still goes through a sibling
// file and replaces the target, on both systems.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "platform/FileAppend.h"
#include "platform/Profile.h"

namespace platform {
namespace {

TEST(WholeFileWrite, ATargetNamedNearTheLimitIsReplacedNotOverwritten) {
    test::TempDir dir;
    const std::string text = dir.File(std::string(246, 't') + ".txt");
    const std::string ini = dir.File(std::string(246, 'i') + ".ini");
    test::WriteBytes(text, "old text");
    test::WriteBytes(ini, "[Settings]\r\nPort=2\r\n");
    // A second name of the same file shows whether the target was replaced (the other name keeps the old
    // content) or written over in place, which a failure part-way would leave cut.
    std::filesystem::create_hard_link(text, dir.File("other"));
    ASSERT_TRUE(WriteWholeFile(text, "new text"));
    EXPECT_EQ(test::ReadBytes(text), "new text");
    EXPECT_EQ(test::ReadBytes(dir.File("other")), "old text");
    ASSERT_TRUE(ProfileWriteString(ini, "Settings", "Port", "7"));
    EXPECT_EQ(ProfileGetInt(ini, "Settings", "Port", 2), 7);
    // No temporary file is left beside them.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 3);
}

}  // namespace
}  // namespace platform
