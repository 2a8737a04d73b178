// ptydrive: runs a console program under a pseudo-terminal and answers it
// from a script, printing its output as a terminal would show it.
//   ptydrive [--timeout s] [--end-on text [--end-keys keys]]
//            {[--try s] --expect text | [--try s] --expect-re regex | --send keys}... -- program [args]
// Steps run in order; each --expect waits (up to the timeout) for its text
// after the previous one's; keys take "\r", "\e", "\b", "\xNN". An expect
// after --try s waits s seconds at most and the script goes on without it.
// The script stops when the program ends, and when the --end-on text
// appears: that text, now and later, is answered with the --end-keys
// (default "\r"). At the end it waits for the program and exits with its
// status (1 when a step failed).
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
  int try_ms = -1;  // >= 0: optional, waited for this long
};

int Usage() {
  std::fprintf(stderr,
               "usage: ptydrive [--timeout s] [--end-on text [--end-keys keys]] {[--try s] --expect text | "
               "[--try s] --expect-re regex | --send keys}... -- program [args]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<Step> steps;
  std::vector<std::string> command;
  int timeout_ms = 60000;
  int try_ms = -1;
  std::string end_text;
  std::string end_keys = "\r";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      command.assign(argv + i + 1, argv + argc);
      break;
    }
    if (i + 1 >= argc) return Usage();
    const std::string v = argv[++i];
    if (a == "--expect" || a == "--expect-re") {
      steps.push_back({a == "--expect" ? Step::kExpect : Step::kExpectRegex, v, try_ms});
      try_ms = -1;
    } else if (a == "--send") {
      steps.push_back({Step::kSend, ptydrive::UnescapeKeys(v)});
    } else if (a == "--try") {
      try_ms = std::atoi(v.c_str()) * 1000;
    } else if (a == "--timeout") {
      timeout_ms = std::atoi(v.c_str()) * 1000;
    } else if (a == "--end-on") {
      end_text = v;
    } else if (a == "--end-keys") {
      end_keys = ptydrive::UnescapeKeys(v);
    } else {
      return Usage();
    }
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
  session.SetStopText(end_text);
  bool failed = false;
  bool stopped = false;
  for (const Step& step : steps) {
    if (step.kind == Step::kSend) {
      session.Send(step.text);
      continue;
    }
    const int wait_ms = step.try_ms >= 0 ? step.try_ms : timeout_ms;
    const bool seen =
        step.kind == Step::kExpect ? session.Expect(step.text, wait_ms) : session.ExpectRegex(step.text, wait_ms);
    if (seen) continue;
    std::lock_guard<std::mutex> lock(print_mutex);
    if (session.Stopped()) {
      stopped = true;
      break;
    }
    if (session.Ended()) {
      std::fprintf(stderr, "\nptydrive: %s ended before '%s' was seen\n", command[0].c_str(), step.text.c_str());
      break;
    }
    if (step.try_ms >= 0) {
      std::fprintf(stderr, "\nptydrive: '%s' not seen within %d s; going on\n", step.text.c_str(), wait_ms / 1000);
      continue;
    }
    std::fprintf(stderr, "\nptydrive: '%s' not seen within %d s\n", step.text.c_str(), timeout_ms / 1000);
    failed = true;
    break;
  }
  // Past the script the program is only answered at its end prompt.
  if (!failed && !end_text.empty()) {
    session.SetStopText("");
    if (stopped) session.Send(end_keys);
    while (session.Expect(end_text, timeout_ms)) session.Send(end_keys);
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
