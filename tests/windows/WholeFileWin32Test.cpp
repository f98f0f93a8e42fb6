// A whole-file write that fails part-way on Windows leaves the old content. CTest runs this under a file-size
// limit of 64 kB (VARN_FILE_SIZE_LIMITED), which makes the writes of Wine's process fail as a full disk
// would.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/FileAppend.h"
#include "platform/win32/FileAccess.h"

namespace {

namespace fs = std::filesystem;

TEST(Win32WholeFile, AWriteThatFailsPartWayLeavesTheOldContent) {
    if (std::getenv("VARN_FILE_SIZE_LIMITED") == nullptr) GTEST_SKIP() << "not under a file-size limit";
    const fs::path folder = fs::temp_directory_path() / (L"满盘-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(folder);
    const fs::path file = folder / L"报文.txt";
    std::ofstream(file, std::ios::binary) << "old content that must survive";
    EXPECT_FALSE(
        platform::WriteWholeFile(platform::win32::Narrow(file.wstring()), std::string(1 << 20, 'n')));
    std::ifstream in(file, std::ios::binary);
    const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(content == "old content that must survive") << content.size() << " bytes";
    in.close();
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    fs::remove_all(folder);
}

}  // namespace
