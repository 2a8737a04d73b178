// ptydrive: runs a console program under a pseudo-terminal and answers it
// from a script, printing its output as a terminal would show it.
//   ptydrive [--timeout s] {--expect text | --expect-re regex | --send keys}... -- program [args]
// Steps run in order; each --expect waits (up to the timeout) for its text
// after the previous one's; keys take "\r", "\e", "\b", "\xNN". At the end it
// waits for the program and exits with its status (1 when a step failed).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "tools/ptydrive/pty_session.h"

namespace {

struct Step {
  enum Kind { kExpect, kExpectRegex, kSend } kind;
  std::string text;
};

int Usage() {
  std::fprintf(stderr,
               "usage: ptydrive [--timeout s] {--expect text | --expect-re regex | --send keys}... -- program "
               "[args]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Step> steps;
  std::vector<std::string> command;
  int timeout_ms = 60000;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      command.assign(argv + i + 1, argv + argc);
      break;
    }
    if (i + 1 >= argc) return Usage();
    const std::string v = argv[++i];
    if (a == "--expect")
      steps.push_back({Step::kExpect, v});
    else if (a == "--expect-re")
      steps.push_back({Step::kExpectRegex, v});
    else if (a == "--send")
      steps.push_back({Step::kSend, ptydrive::UnescapeKeys(v)});
    else if (a == "--timeout")
      timeout_ms = std::atoi(v.c_str()) * 1000;
    else
      return Usage();
  }
  if (command.empty()) return Usage();

  std::mutex print_mutex;
  ptydrive::ScreenLines screen;
  ptydrive::PtySession session(command, {}, [&](std::string_view piece) {
    std::lock_guard<std::mutex> lock(print_mutex);
    const std::string lines = screen.Feed(piece);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    std::fflush(stdout);
  });
  if (!session.Started()) {
    std::fprintf(stderr, "ptydrive: cannot start %s\n", command[0].c_str());
    return 1;
  }
  bool failed = false;
  for (const Step& step : steps) {
    if (step.kind == Step::kSend) {
      session.Send(step.text);
      continue;
    }
    const bool seen =
        step.kind == Step::kExpect ? session.Expect(step.text, timeout_ms) : session.ExpectRegex(step.text, timeout_ms);
    if (!seen) {
      std::fprintf(stderr, "\nptydrive: '%s' not seen within %d s\n", step.text.c_str(), timeout_ms / 1000);
      failed = true;
      break;
    }
  }
  if (failed) session.Signal(SIGKILL);
  const int status = session.Wait(timeout_ms);
  {
    std::lock_guard<std::mutex> lock(print_mutex);
    const std::string rest = screen.Rest();
    if (!rest.empty()) std::printf("%s\n", rest.c_str());
  }
  if (failed) return 1;
  if (status < 0) {
    std::fprintf(stderr, "ptydrive: %s did not end within %d s\n", command[0].c_str(), timeout_ms / 1000);
    return 1;
  }
  return status;
}
