#pragma once
// A throw-away program folder for log tests, with helpers to read the daily files back as bytes.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace oplog::test {

class LogTestFolder {
  public:
    explicit LogTestFolder(bool withLogFolder = true) {
        std::string pattern = (std::filesystem::temp_directory_path() / "varn-log-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            root_ = pattern;
        }
        if (withLogFolder) {
            CreateLogFolder();
        }
    }
    ~LogTestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    LogTestFolder(const LogTestFolder&) = delete;
    LogTestFolder& operator=(const LogTestFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::filesystem::path LogFolder() const { return std::filesystem::path(root_) / u8"运行记录"; }
    void CreateLogFolder() const { std::filesystem::create_directory(LogFolder()); }
    std::filesystem::path DayFile(const std::string& name) const { return LogFolder() / name; }

    std::string Read(const std::string& name) const {
        std::ifstream in(DayFile(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(DayFile(name), std::ios::binary) << bytes;
    }

  private:
    std::string root_;
};

inline const std::string kSeparator =
    "\r\n--------------------------------------------------------------------\r\n";

}  // namespace oplog::test
