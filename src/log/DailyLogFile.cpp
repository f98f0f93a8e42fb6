#include "log/DailyLogFile.h"

#include <cstdio>

#include "platform/FileAppend.h"

namespace oplog {

std::string DailyLogPath(const std::string& programFolder, const platform::LocalTime& date) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d.log", date.year, date.month, date.day);
    return programFolder + "/运行记录/" + name;
}

namespace {

class PlatformLockedAppender : public FileAppender {
  public:
    bool Append(const std::string& path, std::string_view bytes) override {
        return platform::AppendFileLocked(path, bytes);
    }
};

}  // namespace

FileAppender& LockedFileAppender() {
    static PlatformLockedAppender appender;
    return appender;
}

}  // namespace oplog
