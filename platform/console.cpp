#include "platform/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

constexpr int kInterruptSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

std::once_flag g_setup;
bool g_terminal = false;
termios g_saved{};
volatile sig_atomic_t g_changed = 0;

void RestoreAndReraise(int sig) {
  RestoreConsole();
  std::signal(sig, SIG_DFL);
  raise(sig);
}

// Single keys without echo; the handlers are installed only for signals the
// program left at their default.
void SetUp() {
  if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &g_saved) != 0) return;
  g_terminal = true;
  termios raw = g_saved;
  raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
  raw.c_iflag &= ~tcflag_t(ICRNL | INLCR | IGNCR);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  g_changed = 1;
  std::atexit(RestoreConsole);
  for (int sig : kInterruptSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) std::signal(sig, RestoreAndReraise);
  }
}

void Prepare() { std::call_once(g_setup, SetUp); }

}  // namespace

void OpenConsole() { Prepare(); }

int GetKey() {
  Prepare();
  unsigned char c;
  for (;;) {
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n == 1) break;
    if (n == 0 || errno != EINTR) return kEndOfInput;
  }
  if (g_terminal && c == 127) return 8;
  // A key typed before the switch (during a build or a slow start) was
  // taken by the terminal's line rules, which turned its Enter into a line
  // feed.
  if (g_terminal && c == '\n') return 13;
  return c;
}

bool KeyWaiting() {
  Prepare();
  pollfd p{STDIN_FILENO, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void RestoreConsole() {
  if (g_changed) {
    tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
    g_changed = 0;
  }
}

}  // namespace platform
