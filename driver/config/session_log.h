#pragma once
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/config/log_sink.h"

// The session log: one daily text file, rotated into numbered copies when the
// day changes, written through the session's `SessionLogSink` while a
// session is open. One module-global stream, used by the one thread that
// calls the session API. Without an open log every line is dropped.
namespace tarvel {

// `Open_LogFile`: base = `Scanner` key `Logfile` (default ".\Tarvel") made
// absolute against the library's folder; the current file is base + ".log".
// When its modification day is not today (or it is missing) the copies are
// rotated (`AnzLogfile`, default 10: base.L<n> is deleted, every base.L<k>
// becomes base.L<k+1>, the current file becomes base.L1; nothing moves for a
// count of 0 or less). Then the file is opened for appending, creating
// missing folders. nullptr when it cannot be opened.
std::FILE* Open_LogFile();

// Opens the daily log (Open_LogFile) as the session log; true when a log is
// open afterwards. Does nothing when one is open already.
bool OpenSessionLog();
// Opens the null device "NUL" with mode "w+" as the session log (sessions
// opened with mode 0 or a negative mode); nothing reaches the disk.
bool OpenNullSessionLog();
// Opens `path` for appending (folders created) as the session log; true
// when a log is open afterwards. Does nothing when one is open already.
bool OpenSessionLogAt(const std::string& path);
bool SessionLogOpen();
void FlushSessionLog();
void CloseSessionLog();

// Writes text to the session log as it stands.
void WriteSessionLog(std::string_view text);

// The session log as a log sink; the session owns the one the driver's
// layers write through.
class SessionLogSink : public LogSink {
 public:
  void Write(std::string_view text) override { WriteSessionLog(text); }
  void Flush() override { FlushSessionLog(); }
};

// "MM/DD/YY HH:MM:SS" of the local time (17 characters); session exports
// begin their log lines with it.
std::string TimeStamp();

}  // namespace tarvel
