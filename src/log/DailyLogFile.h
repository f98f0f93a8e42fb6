#pragma once
// The daily log file: where today's file lies, and how bytes are appended to it.
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace oplog {

// "<program folder>/运行记录/YYYY-MM-DD.log" for the date of `date`.
std::string DailyLogPath(const std::string& programFolder, const platform::LocalTime& date);

// Appends bytes to a file as one whole piece. Implementations never truncate what is already there.
class FileAppender {
  public:
    virtual ~FileAppender() = default;
    // Opens the file for appending (creating it when missing, never its folder), writes all of `bytes` and
    // closes it. Returns false when nothing was written; the file then holds exactly what it held before.
    virtual bool Append(const std::string& path, std::string_view bytes) = 0;
};

// Appends under an exclusive advisory lock on the file, so that two processes writing the same day's file
// never interleave. A lock held elsewhere for too long makes the append fail instead of waiting forever.
FileAppender& LockedFileAppender();

}  // namespace oplog
