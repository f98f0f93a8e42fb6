#pragma once
// The operation log: one time-stamped line per event, written to the daily log file and handed to the
// windows that show it (the main window's log box and the communication monitor).
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "log/DailyLogFile.h"
#include "platform/Clock.h"

namespace oplog {

// Receives texts on the calling thread (UI or management thread). A sink that needs the UI thread runs its
// work there and waits; no lock of the log is held while it is called.
using Sink = std::function<void(const std::string&)>;

// The 68-hyphen line that sets off one run's entries from the previous run's, CR LF included.
extern const char kRunSeparatorLine[];

class OperationLog {
  public:
    struct Options {
        const platform::Clock* clock = nullptr;    // nullptr: platform::CurrentClock() at each reading
        std::optional<std::string> programFolder;  // empty: platform::ProgramFolder() at each write
        FileAppender* appender = nullptr;          // nullptr: LockedFileAppender()
    };

    OperationLog();
    explicit OperationLog(Options options);
    OperationLog(const OperationLog&) = delete;
    OperationLog& operator=(const OperationLog&) = delete;

    // Hands the raw text to the monitor sink, stamps it "hh:mm:ss -> text\r\n", appends that entry to the
    // daily file and hands it to the log-box sink. The log box receives the entries in the order of the file:
    // while another thread is handing entries to it, this entry is left to that thread, which delivers it
    // after the ones before it. Never fails towards the caller.
    void LogOperation(std::string text);

    // Appends a complete text to today's file, preceded by the run separator on the first successful write
    // of this object's life. A text that cannot reach the file is dropped; the next call tries again.
    void AppendDailyLogFile(const std::string& text);

    // Attach, replace or (with an empty function) detach a sink; safe against concurrent LogOperation calls.
    // A call already under way may still finish with the previous sink.
    void SetLogBoxSink(Sink sink);
    void SetMonitorSink(Sink sink);

  private:
    platform::LocalTime Now() const;
    // Requires fileMutex_.
    bool WriteToTodaysFile(const std::string& text);
    void AppendLocked(const std::string& text);
    void DeliverToLogBox();
    std::shared_ptr<const Sink> Load(const std::shared_ptr<const Sink>& slot) const;
    void Store(std::shared_ptr<const Sink>& slot, Sink sink);

    Options options_;

    std::mutex fileMutex_;        // clock reading and file write of one entry, so file order == time order
    int separatorPartsDone_ = 0;  // pieces of the run separator already in a file (0..2)

    std::mutex boxMutex_;  // the queue below and the flag; never held during a call
    std::deque<std::string> boxQueue_;
    bool delivering_ = false;

    mutable std::mutex sinkMutex_;  // only for swapping the sink pointers, never held during a call
    std::shared_ptr<const Sink> logBoxSink_;
    std::shared_ptr<const Sink> monitorSink_;
};

// The process-wide log used by the whole program.
OperationLog& ProcessLog();

void LogOperation(std::string text);
void AppendDailyLogFile(const std::string& text);
void SetLogBoxSink(Sink sink);
void SetMonitorSink(Sink sink);

}  // namespace oplog
