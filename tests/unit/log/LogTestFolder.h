#pragma once
// A throw-away program folder for log tests, with helpers to read the daily files back as bytes.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/TempDir.h"

namespace oplog::test {

class LogTestFolder : public ::test::TempDir {
  public:
    explicit LogTestFolder(bool withLogFolder = true) {
        if (withLogFolder) CreateLogFolder();
    }

    const std::string& Root() const { return Path(); }
    std::filesystem::path LogFolder() const { return std::filesystem::path(Root()) / u8"运行记录"; }
    void CreateLogFolder() const { std::filesystem::create_directory(LogFolder()); }
    std::filesystem::path DayFile(const std::string& name) const { return LogFolder() / name; }

    std::string Read(const std::string& name) const {
        std::ifstream in(DayFile(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(DayFile(name), std::ios::binary) << bytes;
    }
};

inline const std::string kSeparator =
    "\r\n--------------------------------------------------------------------\r\n";

}  // namespace oplog::test
