#include "log/OperationLog.h"

#include <cstdio>
#include <utility>

#include "platform/Gbk.h"
#include "platform/ProgramFolder.h"

namespace oplog {

const char kRunSeparatorLine[] = "--------------------------------------------------------------------\r\n";
static_assert(sizeof kRunSeparatorLine - 1 == 68 + 2);

OperationLog::OperationLog() : OperationLog(Options{}) {}

OperationLog::OperationLog(Options options) : options_(std::move(options)) {}

platform::LocalTime OperationLog::Now() const {
    return options_.clock ? options_.clock->Now() : platform::CurrentClock().Now();
}

void OperationLog::LogOperation(std::string text) {
    if (auto monitor = Load(monitorSink_)) {
        (*monitor)(text);
    }

    {
        std::string entry;
        std::lock_guard lock(fileMutex_);
        platform::LocalTime now = Now();
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "%02d:%02d:%02d -> ", now.hour, now.minute, now.second);
        entry.reserve(std::char_traits<char>::length(prefix) + text.size() + 2);
        entry.append(prefix).append(text).append("\r\n");
        AppendLocked(entry);
        // Queued in file order while the file lock is still held.
        std::lock_guard boxLock(boxMutex_);
        boxQueue_.push_back(std::move(entry));
    }
    DeliverToLogBox();
}

void OperationLog::DeliverToLogBox() {
    // One caller at a time hands the queued entries to the log box, in queue order. A caller that finds
    // another one delivering leaves its entry to it and returns: it never waits, so the UI thread cannot
    // block on a management thread that is itself waiting for the UI thread inside the sink.
    {
        std::lock_guard boxLock(boxMutex_);
        if (delivering_) return;
        delivering_ = true;
    }
    for (;;) {
        std::string entry;
        {
            std::lock_guard boxLock(boxMutex_);
            if (boxQueue_.empty()) {
                delivering_ = false;
                return;
            }
            entry = std::move(boxQueue_.front());
            boxQueue_.pop_front();
        }
        if (auto box = Load(logBoxSink_)) {
            (*box)(entry);
        }
    }
}

void OperationLog::AppendDailyLogFile(const std::string& text) {
    std::lock_guard lock(fileMutex_);
    AppendLocked(text);
}

void OperationLog::AppendLocked(const std::string& text) {
    // The separator is an empty line and the hyphen line, each written on its own. It counts as written only
    // once it is in a file, so a run whose first entries find no folder gets it before its first stored
    // entry.
    static const char* const kSeparatorParts[] = {"\r\n", kRunSeparatorLine};
    while (separatorPartsDone_ < 2) {
        if (!WriteToTodaysFile(kSeparatorParts[separatorPartsDone_])) {
            return;  // the entry would land before its separator; it is dropped like the separator
        }
        ++separatorPartsDone_;
    }
    WriteToTodaysFile(text);
}

bool OperationLog::WriteToTodaysFile(const std::string& text) {
    const std::string& folder = options_.programFolder ? *options_.programFolder : platform::ProgramFolder();
    std::string path = DailyLogPath(folder, Now());
    FileAppender& appender = options_.appender ? *options_.appender : LockedFileAppender();
    return appender.Append(path, platform::Utf8ToGbk(text));
}

std::shared_ptr<const Sink> OperationLog::Load(const std::shared_ptr<const Sink>& slot) const {
    std::lock_guard lock(sinkMutex_);
    return slot;
}

void OperationLog::Store(std::shared_ptr<const Sink>& slot, Sink sink) {
    auto next = sink ? std::make_shared<const Sink>(std::move(sink)) : nullptr;
    std::lock_guard lock(sinkMutex_);
    slot.swap(next);
    // `next` now holds the previous sink and is released after the lock, should its destruction do more
    // than free memory.
}

void OperationLog::SetLogBoxSink(Sink sink) {
    Store(logBoxSink_, std::move(sink));
}

void OperationLog::SetMonitorSink(Sink sink) {
    Store(monitorSink_, std::move(sink));
}

OperationLog& ProcessLog() {
    static OperationLog log;
    return log;
}

void LogOperation(std::string text) {
    ProcessLog().LogOperation(std::move(text));
}

void AppendDailyLogFile(const std::string& text) {
    ProcessLog().AppendDailyLogFile(text);
}

void SetLogBoxSink(Sink sink) {
    ProcessLog().SetLogBoxSink(std::move(sink));
}

void SetMonitorSink(Sink sink) {
    ProcessLog().SetMonitorSink(std::move(sink));
}

}  // namespace oplog
