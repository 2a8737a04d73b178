#pragma once
#include <cstdint>
#include <ctime>

// One clock for the driver and the simulated scanner, real or virtual.
// Under the virtual clock Sleep advances time at once, so long waits in
// tests take no real time and repeat exactly.
//
// Virtual time and threads: the threads that take part (the driver's worker
// threads, the simulated device's bus) are counted. Time moves on by a
// Sleep or a timed wait (sync.h) of a thread that does not take part only
// once every thread taking part is blocked in a platform wait, so nothing is
// left to do at the present time: the clock then moves to the earliest
// deadline of all waits and wakes the waits it reaches. A timed wait of a
// thread taking part does not move time itself; it ends when the clock
// reaches its deadline. A thread that does not take part is never waited
// for, so one blocked elsewhere (a test's own thread) holds nothing up. So a
// run under the virtual clock does not depend on how the threads are
// scheduled. Under the real clock none of this applies.
namespace platform {

// Milliseconds since an arbitrary start (wraps like a 32-bit tick count).
uint32_t GetTickCount();
// Sleeps (real clock) or advances the virtual clock by ms (as above: once
// the threads taking part are blocked; a thread taking part waits for the
// clock to get there). Defined in sync.cpp: a wait on nothing.
void Sleep(uint32_t ms);

// Switches to the virtual clock, starting at start_ms; a test's own seam.
void UseVirtualClock(uint64_t start_ms = 0);
// Back to the real clock.
void UseRealClock();
bool IsVirtualClock();
// Advances the virtual clock at once (no effect on the real clock).
void AdvanceClock(uint64_t ms);

// A thread taking part in the virtual time: its starter adds it before it
// starts (so the clock waits for it from then on), the thread marks itself
// first thing, and it is removed when it ends (platform::Thread does all of
// this for a thread started taking part).
void AddClockParticipant();
void RemoveClockParticipant();
void SetClockParticipant(bool taking_part);
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
