#pragma once
// A program run under a pseudo-terminal of its own, driven like a user at
// its keyboard: wait for a text, send keys. A reader thread drains the
// program's output all the time, so a program that prints on every pass of
// a polling loop never blocks on a full terminal.
#include <sys/types.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace ptydrive {

class PtySession {
 public:
  using Environment = std::vector<std::pair<std::string, std::string>>;

  // Starts argv (searched on PATH) with the environment changed by `env`
  // (an empty value removes the variable). `on_output`, when given, sees
  // every piece of output as it arrives, on the reader thread.
  explicit PtySession(const std::vector<std::string>& argv, const Environment& env = {},
                      std::function<void(std::string_view)> on_output = nullptr);
  ~PtySession();  // ends the program (SIGKILL) when it still runs
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // Waits until `text` appears after the read mark, then moves the mark past
  // it. False when the time runs out or the program's output ends first.
  bool Expect(std::string_view text, int timeout_ms = 30000);
  // The same for a POSIX extended regular expression, matched within lines.
  bool ExpectRegex(const std::string& pattern, int timeout_ms = 30000);
  // A text that ends every wait once it appears after the read mark (the
  // mark then moves past it and Stopped() is true); empty: none.
  void SetStopText(std::string text);
  bool Stopped() const;
  // True once the program and its children closed the terminal.
  bool Ended() const;
  void Send(std::string_view keys);
  void Signal(int sig);
  // Waits for the program's end and returns its exit status (128 + the
  // signal when a signal ended it); -1 when the time runs out.
  int Wait(int timeout_ms = 30000);

  // Everything the program printed so far, and the part after the mark.
  std::string Output() const;
  std::string Unread() const;

 private:
  bool WaitFor(const std::function<bool(const std::string& out, size_t& from, size_t& end)>& found, int timeout_ms);
  void ReadLoop();

  int master_ = -1;
  pid_t pid_ = -1;
  int status_ = -1;
  std::function<void(std::string_view)> on_output_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string output_;
  size_t mark_ = 0;
  bool closed_ = false;
  std::string stop_text_;
  bool stopped_ = false;
  std::thread reader_;
};

// Renders terminal output as its screen would show it, line by line: a
// carriage return starts the line over (later text overwrites), a backspace
// steps back one column. Feed it pieces; complete lines come out.
class ScreenLines {
 public:
  // Returns the lines completed by `piece`, each with its "\n".
  std::string Feed(std::string_view piece);
  // The unfinished line, if any.
  std::string Rest() const;

 private:
  std::string line_;
  size_t column_ = 0;
};

// "\r", "\n", "\e" (Esc), "\b", "\t", "\\" and "\xNN" in a key script.
std::string UnescapeKeys(std::string_view script);

}  // namespace ptydrive
