#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {
std::atomic<bool> g_virtual{false};
std::atomic<uint64_t> g_virtual_ms{0};
// Wall time at virtual millisecond 0, in milliseconds since the epoch.
std::atomic<int64_t> g_wall_base_ms{0};

uint64_t RealMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

uint64_t NowMs() { return g_virtual ? g_virtual_ms.load() : RealMs(); }
uint32_t GetTickCount() { return static_cast<uint32_t>(NowMs()); }

void Sleep(uint32_t ms) {
  if (g_virtual)
    g_virtual_ms += ms;
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void UseVirtualClock(uint64_t start_ms) {
  g_virtual_ms = start_ms;
  g_wall_base_ms = int64_t(std::time(nullptr)) * 1000 - int64_t(start_ms);
  g_virtual = true;
}
void UseRealClock() { g_virtual = false; }
bool IsVirtualClock() { return g_virtual; }
void AdvanceClock(uint64_t ms) {
  if (g_virtual) g_virtual_ms += ms;
}

std::time_t WallTime() {
  if (!g_virtual) return std::time(nullptr);
  return std::time_t((g_wall_base_ms.load() + int64_t(g_virtual_ms.load())) / 1000);
}

void SetVirtualWallTime(std::time_t now) { g_wall_base_ms = int64_t(now) * 1000 - int64_t(g_virtual_ms.load()); }

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace platform
