// `Get_Status`: one poll of the scanner through the stream poll, which reads
// and parses scan data and writes the images of finished plates on the
// caller's thread; the session adds the plate log and the status word.
#include <cstdint>

#include "driver/config/session_log.h"
#include "driver/session/session.h"

namespace tarvel {
namespace {

// The status word of a poll (bits as the session exports them).
uint32_t StatusWord(Session& s, const ScanStatus& st, bool transport, uint8_t plates, int64_t lines_ahead) {
  const int pending = s.Acq().PendingCount();
  uint32_t word = static_cast<uint32_t>(pending > 255 ? 255 : pending < 0 ? 0 : pending);
  word |= uint32_t{plates} << 8;
  word |= uint32_t{st.slot_outputs} << 16;
  if (s.Acq().PrescanWaiting()) word |= 1u << 24;
  if (transport) word |= 1u << 25;
  if (s.IsActive()) word |= 1u << 26;
  if (st.words_waiting != 0 || (transport && lines_ahead > kLinesAheadForRead)) word |= 1u << 27;
  word |= (uint32_t{st.further} & 0x18) << 26;
  return word;
}

}  // namespace

int Session_Poll(Session& s) {
  if (s.status_busy.exchange(true)) {
    // A run of refused calls is logged once, at its first; its count when
    // the next poll gets in.
    if (s.overlaps++ == 0) Logf(s.log, "ERROR: Overlapping calls to Get_Status\n");
    return kErrBusy;
  }
  // Busy is cleared at every exit, also when an allocation fails mid-poll.
  struct ClearBusy {
    std::atomic<bool>& busy;
    ~ClearBusy() { busy = false; }
  } clear_busy{s.status_busy};
  if (const uint32_t refused = s.overlaps.exchange(0); refused > 1)
    Logf(s.log, "   %u calls to Get_Status were refused while one was under way\n", refused);
  // A close or another call from another thread finishes first.
  SessionEntry entry(s);
  if (!entry) return kErrBusy;
  if (!s.IsOpen()) return kErrNotOpen;
  ScanStatus st{};
  int r = s.parts->stream.ReadStatus(&st);
  if (r == 0) r = st.error;
  // A scanner gone (the parallel port's silence, USB's failed requests) is
  // logged once per outage.
  if (r != 0 && !s.no_answer_logged) {
    LogNoAnswer(s.log, r);
    s.no_answer_logged = true;
  }
  if (r != 0) return r;
  s.no_answer_logged = false;

  const bool transport = st.flags & 1;
  const uint8_t plates = st.plate_sensors & s.mode.slots;
  if (plates && !s.plates_latched) {
    Logf(s.log, "   Plate(s) detected (%08x)\n", plates);
    s.plates_latched = true;
  } else if (!plates && !transport) {
    s.plates_latched = false;
  }

  PollResult result;
  r = s.parts->poller.PollStatus(st, &result);
  if (r != 0) return r;
  const uint32_t word = StatusWord(s, st, transport, plates, result.lines_ahead);
  if (st.flags & 0x08) s.Device().Scan_AckEvent();
  // A plate lost on the way to its files is reported once; the session
  // goes on.
  if (s.Acq().TakeDiscardedPlates() > 0) return kErrFailed;
  return static_cast<int>(word);
}

}  // namespace tarvel
