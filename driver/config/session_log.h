#pragma once
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/config/log_sink.h"

// The session log: one daily text file, rotated into numbered copies when the
// day changes, written through the session's `SessionLogSink` while a
// session is open (the session's calls take their turn, session.h).
namespace tarvel {

// `Open_LogFile`: base = `Scanner` key `Logfile` (default ".\Tarvel") made
// absolute against the library's folder; the current file is base + ".log".
// When its modification day is not today (or it is missing) the copies are
// rotated (`AnzLogfile`, default 10: base.L<n> is deleted, every base.L<k>
// becomes base.L<k+1>, the current file becomes base.L1; nothing moves for a
// count of 0 or less). Then the file is opened for appending, creating
// missing folders. nullptr when it cannot be opened.
std::FILE* Open_LogFile();

// The session log as a log sink: it owns its stream while open; without
// one every line is dropped. The library's session owns the one every layer
// writes the session log through; an Open* call does nothing while a stream
// is open and is true when one is open afterwards.
class SessionLogSink : public LogSink {
 public:
  SessionLogSink() = default;
  ~SessionLogSink() override;
  SessionLogSink(const SessionLogSink&) = delete;
  SessionLogSink& operator=(const SessionLogSink&) = delete;

  // The daily log (Open_LogFile).
  bool OpenDaily();
  // The null device "NUL" with mode "w+" (sessions opened with mode 0 or a
  // negative mode); nothing reaches the disk.
  bool OpenNull();
  // `path` for appending, missing folders created.
  bool OpenAt(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  void Close();

  // Writes text to the stream as it stands.
  void Write(std::string_view text) override;
  void Flush() override;

 private:
  std::FILE* file_ = nullptr;
};

// "MM/DD/YY HH:MM:SS" of the local time (17 characters); session exports
// begin their log lines with it.
std::string TimeStamp();

}  // namespace tarvel
