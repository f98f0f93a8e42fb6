#pragma once
// Test helper: a temporary folder holding INI files written from UTF-8 text as GBK with CR LF line ends.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/Gbk.h"
#include "support/TempDir.h"

namespace config_test {

class TempFolder : public ::test::TempDir {
  public:
    // Writes `utf8Lines` (lines separated by '\n') converted to GBK, each line ended by CR LF.
    std::string WriteIni(const std::string& relative, std::string_view utf8Lines) const {
        std::string bytes;
        for (char c : platform::Utf8ToGbk(utf8Lines)) {
            if (c == '\n') bytes += '\r';
            bytes += c;
        }
        return WriteBytes(relative, bytes);
    }

    std::string WriteBytes(const std::string& relative, const std::string& bytes) const {
        // Taken as UTF-8 on every system (a narrow path is the ANSI code page on Windows).
        const std::filesystem::path file =
            std::filesystem::path(Path()) /
            std::filesystem::path(std::u8string(relative.begin(), relative.end()));
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }
};

}  // namespace config_test
