#pragma once
#include <cstdint>
#include <ctime>

// One clock for the driver and the simulated scanner, real or virtual.
// Under the virtual clock Sleep advances time at once, so long waits in
// tests take no real time and repeat exactly.
namespace platform {

// Milliseconds since an arbitrary start (wraps like a 32-bit tick count).
uint32_t GetTickCount();
// Sleeps (real clock) or advances the virtual clock by ms.
void Sleep(uint32_t ms);

// Switches to the virtual clock, starting at start_ms; a test's own seam.
void UseVirtualClock(uint64_t start_ms = 0);
// Back to the real clock.
void UseRealClock();
bool IsVirtualClock();
// Advances the virtual clock (no effect on the real clock).
void AdvanceClock(uint64_t ms);
// Milliseconds on the active clock, without wrap.
uint64_t NowMs();

// Calendar time in seconds since the epoch. Real clock: the system's. Virtual
// clock: the time set with SetVirtualWallTime (default: the system's time when
// the virtual clock was switched on) moving on with the virtual milliseconds.
std::time_t WallTime();
void SetVirtualWallTime(std::time_t now);
// Local broken-down time (thread-safe localtime).
std::tm LocalTime(std::time_t t);

}  // namespace platform
