#include "tools/ptydrive/pty_session.h"

#include <poll.h>
#include <pty.h>
#include <regex.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace ptydrive {
namespace {

std::vector<std::string> MergedEnvironment(const PtySession::Environment& changes) {
  std::vector<std::string> out;
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& [key, value] : changes) replaced = replaced || key == name;
    if (!replaced) out.push_back(entry);
  }
  for (const auto& [key, value] : changes)
    if (!value.empty()) out.push_back(key + "=" + value);
  return out;
}

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

PtySession::PtySession(const std::vector<std::string>& argv, const Environment& env,
                       std::function<void(std::string_view)> on_output)
    : on_output_(std::move(on_output)) {
  if (argv.empty()) return;
  // Everything the child needs is built before the fork.
  std::vector<std::string> env_strings = MergedEnvironment(env);
  std::vector<char*> envp, args;
  for (std::string& s : env_strings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> arg_strings = argv;
  for (std::string& s : arg_strings) args.push_back(s.data());
  args.push_back(nullptr);
  winsize size{};
  size.ws_row = 24;
  size.ws_col = 80;
  pid_ = forkpty(&master_, nullptr, nullptr, &size);
  if (pid_ == 0) {
    // The program's output arrives as written: no "\n" -> "\r\n".
    termios t;
    if (tcgetattr(STDIN_FILENO, &t) == 0) {
      t.c_oflag &= ~tcflag_t(ONLCR);
      tcsetattr(STDIN_FILENO, TCSANOW, &t);
    }
    environ = envp.data();
    execvp(args[0], args.data());
    _exit(127);
  }
  if (pid_ < 0) {
    master_ = -1;
    return;
  }
  reader_ = std::thread([this] { ReadLoop(); });
}

PtySession::~PtySession() {
  if (pid_ > 0 && status_ < 0) {
    kill(pid_, SIGKILL);
    Wait(10000);
  }
  if (reader_.joinable()) reader_.join();
  if (master_ >= 0) close(master_);
}

void PtySession::ReadLoop() {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // EIO once the program and its children closed the terminal
    if (on_output_) on_output_(std::string_view(buffer, size_t(n)));
    std::lock_guard<std::mutex> lock(mutex_);
    output_.append(buffer, size_t(n));
    changed_.notify_all();
  }
  std::lock_guard<std::mutex> lock(mutex_);
  closed_ = true;
  changed_.notify_all();
}

bool PtySession::WaitFor(const std::function<bool(const std::string& out, size_t& from, size_t& end)>& found,
                         int timeout_ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  std::unique_lock<std::mutex> lock(mutex_);
  size_t from = mark_;
  stopped_ = false;
  for (;;) {
    size_t end = 0;
    if (found(output_, from, end)) {
      mark_ = end;
      return true;
    }
    if (!stop_text_.empty()) {
      const size_t at = output_.find(stop_text_, mark_);
      if (at != std::string::npos) {
        mark_ = at + stop_text_.size();
        stopped_ = true;
        return false;
      }
    }
    if (closed_) return false;
    if (changed_.wait_until(lock, until) == std::cv_status::timeout) {
      size_t last_end = 0;
      if (found(output_, from, last_end)) {
        mark_ = last_end;
        return true;
      }
      return false;
    }
  }
}

bool PtySession::Expect(std::string_view text, int timeout_ms) {
  return WaitFor(
      [&](const std::string& out, size_t& from, size_t& end) {
        const size_t at = out.find(text, from);
        if (at != std::string::npos) {
          end = at + text.size();
          return true;
        }
        // Next time, search only what could still hold a match.
        if (out.size() >= text.size()) from = std::max(from, out.size() - text.size() + 1);
        return false;
      },
      timeout_ms);
}

bool PtySession::ExpectRegex(const std::string& pattern, int timeout_ms) {
  regex_t re;
  if (regcomp(&re, pattern.c_str(), REG_EXTENDED) != 0) return false;
  const bool seen = WaitFor(
      [&](const std::string& out, size_t& from, size_t& end) {
        // Line by line ("\r" or "\n" ends one); the unfinished last line is
        // looked at again next time.
        while (from < out.size()) {
          const size_t cut = out.find_first_of("\r\n", from);
          const size_t stop = cut == std::string::npos ? out.size() : cut;
          const std::string line = out.substr(from, stop - from);
          regmatch_t m;
          if (regexec(&re, line.c_str(), 1, &m, 0) == 0) {
            end = from + size_t(m.rm_eo);
            return true;
          }
          if (cut == std::string::npos) break;
          from = cut + 1;
        }
        return false;
      },
      timeout_ms);
  regfree(&re);
  return seen;
}

void PtySession::SetStopText(std::string text) {
  std::lock_guard<std::mutex> lock(mutex_);
  stop_text_ = std::move(text);
}

bool PtySession::Stopped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
}

bool PtySession::Ended() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return closed_;
}

void PtySession::Send(std::string_view keys) {
  while (!keys.empty() && master_ >= 0) {
    const ssize_t n = write(master_, keys.data(), keys.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    keys.remove_prefix(size_t(n));
  }
}

void PtySession::Signal(int sig) {
  if (pid_ > 0 && status_ < 0) kill(pid_, sig);
}

int PtySession::Wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  if (status_ >= 0) return status_;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    const pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      status_ = DecodeStatus(status);
      break;
    }
    if (r < 0 || std::chrono::steady_clock::now() >= until) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // The rest of the output: the terminal closes once the program is gone
  // (a grandchild still holding it is not waited for beyond the time left).
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_until(lock, until + std::chrono::seconds(2), [&] { return closed_; });
  return status_;
}

std::string PtySession::Output() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return output_;
}

std::string PtySession::Unread() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return output_.substr(mark_);
}

std::string ScreenLines::Feed(std::string_view piece) {
  std::string done;
  for (char c : piece) {
    if (c == '\n') {
      done += line_;
      done += '\n';
      line_.clear();
      column_ = 0;
    } else if (c == '\r') {
      column_ = 0;
    } else if (c == '\b') {
      if (column_ > 0) --column_;
    } else {
      if (column_ < line_.size())
        line_[column_] = c;
      else
        line_ += c;
      ++column_;
    }
  }
  return done;
}

std::string ScreenLines::Rest() const { return line_; }

std::string UnescapeKeys(std::string_view script) {
  std::string out;
  for (size_t i = 0; i < script.size(); ++i) {
    if (script[i] != '\\' || i + 1 == script.size()) {
      out += script[i];
      continue;
    }
    const char c = script[++i];
    switch (c) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 'e': out += '\x1b'; break;
      case 'b': out += '\b'; break;
      case 't': out += '\t'; break;
      case 'x': {
        const std::string hex(script.substr(i + 1, 2));
        char* end = nullptr;
        const long v = std::strtol(hex.c_str(), &end, 16);
        if (end != hex.c_str()) {
          out += char(v);
          i += size_t(end - hex.c_str());
        } else {
          out += 'x';
        }
        break;
      }
      default: out += c;
    }
  }
  return out;
}

}  // namespace ptydrive
