// The Win32 layer's own behaviour: exclusive file access, the named mutex, the program folder under a
// Chinese name, the wake event and COM ports that do not exist.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "WinTestSupport.h"
#include "platform/FileAppend.h"
#include "platform/NamedMutex.h"
#include "platform/Profile.h"
#include "platform/ProgramFolder.h"
#include "platform/SerialPort.h"
#include "platform/Shell.h"

namespace {

using platform::win32::Narrow;
using platform::win32::Widen;
namespace fs = std::filesystem;

// A fresh folder under the temporary folder whose name has Chinese characters and a blank.
class ChineseFolder {
  public:
    ChineseFolder() {
        path_ = fs::temp_directory_path() / (L"程序 文件夹-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                             std::to_wstring(GetTickCount()));
        fs::create_directories(path_);
    }
    ~ChineseFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& Path() const { return path_; }
    std::string Utf8(const std::wstring& name = L"") const {
        return Narrow(name.empty() ? path_.wstring() : (path_ / name).wstring());
    }

  private:
    fs::path path_;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Holds a file open without sharing, as another process writing it would.
class ExclusiveHolder {
  public:
    explicit ExclusiveHolder(const fs::path& path)
        : file_(CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ExclusiveHolder() {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    }
    bool Held() const { return file_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE file_;
};

TEST(Win32Files, AppendAndWholeWritesUnderAChineseFolderAndExclusiveAccess) {
    ChineseFolder folder;
    const std::string log = folder.Utf8(L"2026-12-09.log");
    ASSERT_TRUE(platform::AppendFileLocked(log, "line 1\r\n"));
    ASSERT_TRUE(platform::AppendFileLocked(log, "\xD2\xA3\xB2\xE2\r\n"));  // GBK bytes pass unchanged
    EXPECT_EQ(ReadAll(folder.Path() / L"2026-12-09.log"), "line 1\r\n\xD2\xA3\xB2\xE2\r\n");

    {
        // A holder that keeps the file: the append gives up after about 100 ms and changes nothing.
        ExclusiveHolder holder(folder.Path() / L"2026-12-09.log");
        ASSERT_TRUE(holder.Held());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(platform::AppendFileLocked(log, "lost\r\n"));
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_GE(waited, std::chrono::milliseconds(50));
        EXPECT_LT(waited, std::chrono::milliseconds(1500));
        EXPECT_FALSE(platform::WriteWholeFile(log, "replaced"));
    }
    EXPECT_EQ(ReadAll(folder.Path() / L"2026-12-09.log"), "line 1\r\n\xD2\xA3\xB2\xE2\r\n");

    // A whole write replaces the contents once the file is free; a missing folder is a failure.
    EXPECT_TRUE(platform::WriteWholeFile(log, "new"));
    EXPECT_EQ(ReadAll(folder.Path() / L"2026-12-09.log"), "new");
    EXPECT_FALSE(platform::AppendFileLocked(folder.Utf8(L"缺少\\x.log"), "x"));
}

TEST(Win32Files, ProfileWritesAndReadsUnderAChineseFolder) {
    ChineseFolder folder;
    const std::string ini = folder.Utf8(L"基本配置.ini");
    EXPECT_EQ(platform::ProfileGetInt(ini, "Settings", "Port", 2), 2);
    ASSERT_TRUE(platform::ProfileWriteString(ini, "Settings", "Port", "7"));
    EXPECT_EQ(platform::ProfileGetInt(ini, "Settings", "Port", 2), 7);
    ASSERT_TRUE(platform::ProfileWriteString(ini, "Settings", "Port", "12"));
    EXPECT_EQ(ReadAll(folder.Path() / L"基本配置.ini"), "[Settings]\r\nPort=12\r\n");
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

TEST(Win32NamedMutex, SecondHolderSeesTheFirst) {
    const std::string name = "Tessel-test-" + std::to_string(GetCurrentProcessId());
    platform::NamedMutex first;
    ASSERT_TRUE(first.Create(name));
    EXPECT_FALSE(first.AlreadyExisted());
    platform::NamedMutex second;
    ASSERT_TRUE(second.Create(name));
    EXPECT_TRUE(second.AlreadyExisted());
    second.Release();
    first.Release();
    platform::NamedMutex third;
    ASSERT_TRUE(third.Create(name));
    EXPECT_FALSE(third.AlreadyExisted());
}

TEST(Win32ProgramFolder, AnExecutableUnderAChineseFolderFindsItAndMakesItCurrent) {
    ChineseFolder folder;
    std::vector<wchar_t> self(32768);
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    const fs::path copy = folder.Path() / L"探测.exe";
    ASSERT_TRUE(CopyFileW(std::wstring(self.begin(), self.end()).c_str(), copy.wstring().c_str(), FALSE));
    const fs::path result = folder.Path() / L"结果.txt";
    wintest::Child child(L"\"" + copy.wstring() + L"\" --probe-program-folder \"" + result.wstring() + L"\"");
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Wait(30000), std::optional<DWORD>(0));
    const std::string expected = folder.Utf8();
    EXPECT_EQ(ReadAll(result), expected + "\n" + expected + "\n" + expected + "\\配置文件\\VARN.ini\n");
}

TEST(Win32SerialPort, MissingPortsFailAndTheWakeEventWakes) {
    platform::SerialPort port;
    EXPECT_FALSE(port.Open("COM250", ""));
    EXPECT_FALSE(port.Open("LPT1", ""));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.QueryLineSettings());
    EXPECT_EQ(port.ReadAvailable(nullptr, 0), -1);
    EXPECT_EQ(platform::ResolveComPort("\\\\.\\COM12", "ignored"),
              std::optional<std::string>("\\\\.\\COM12"));
    EXPECT_EQ(platform::ResolveComPort("PRN", "ignored"), std::nullopt);

    platform::WakeEvent wake;
    ASSERT_NE(wake.Descriptor(), -1);
    HANDLE event = platform::win32::IntToHandle(wake.Descriptor());
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    wake.Raise();
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_OBJECT_0));  // stays raised
    wake.Clear();
    EXPECT_EQ(WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

// The copy started by the program-folder test: writes what the layer found, then the current directory.
int ProbeProgramFolder(const wchar_t* resultPath) {
    const std::string folder = platform::ProgramFolder();
    std::vector<wchar_t> current(32768);
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
    std::string text = folder + "\n" + Narrow(std::wstring(current.begin(), current.end())) + "\n" +
                       platform::InProgramFolder("配置文件/VARN.ini") + "\n";
    std::ofstream(fs::path(resultPath), std::ios::binary) << text;
    return 0;
}

}  // namespace

static std::wstring Wide(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    return wide;
}

// An argument quoted for notepad's command line comes back whole through the system's own split.
TEST(Win32Shell, QuotedArgumentsSurviveCommandLineToArgv) {
    const std::string arguments[] = {R"(C:\VARN\报文存档\a.txt)",
                                     R"(C:\Program Files\VARN\报文 存档\a b.txt)", R"(C:\with space\)",
                                     R"(say "hi" \"x\")", ""};
    for (const std::string& argument : arguments) {
        const std::wstring line = L"notepad.exe " + Wide(platform::QuoteCommandLineArgument(argument));
        int count = 0;
        wchar_t** split = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_NE(split, nullptr);
        EXPECT_EQ(count, 2) << argument;
        if (count == 2) {
            EXPECT_EQ(std::wstring(split[1]), Wide(argument)) << argument;
        }
        LocalFree(split);
    }
}

// The system's fade hides a real top-level window; a handle without a window is left to the caller.
TEST(Win32Shell, AnimateHideWindowHidesARealWindow) {
    HWND window = CreateWindowExW(0, L"STATIC", L"fade", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    ASSERT_TRUE(IsWindowVisible(window));
    const auto handle = reinterpret_cast<std::uintptr_t>(window);
    EXPECT_TRUE(platform::AnimateHideWindow(handle, std::chrono::milliseconds(50)));
    EXPECT_FALSE(IsWindowVisible(window));
    DestroyWindow(window);
    EXPECT_FALSE(platform::AnimateHideWindow(handle, std::chrono::milliseconds(50)));
}

int main(int argc, char** argv) {
    int wideCount = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
    if (wide != nullptr && wideCount == 3 && std::wstring(wide[1]) == L"--probe-program-folder") {
        return ProbeProgramFolder(wide[2]);
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
