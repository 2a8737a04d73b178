// `Get_Status`: one poll of the scanner, reading and parsing scan data and
// writing the images of finished plates on the caller's thread.
#include <cstdint>

#include "driver/config/session_log.h"
#include "driver/session/session.h"
#include "driver/session/session_internal.h"

namespace tarvel {
namespace {

constexpr int kLinesAheadToRead = 5;
constexpr int kLitReadsPerFlush = 50;

// The status word of a poll (bits as the session exports them).
uint32_t StatusWord(const Session& s, const ScanStatus& st, bool transport, uint8_t plates, int lines_ahead) {
  const int pending = s.acquisition->PendingCount();
  uint32_t word = static_cast<uint32_t>(pending > 255 ? 255 : pending < 0 ? 0 : pending);
  word |= uint32_t{plates} << 8;
  word |= uint32_t{st.slot_outputs} << 16;
  if (s.acquisition->PrescanWaiting()) word |= 1u << 24;
  if (transport) word |= 1u << 25;
  if (s.IsActive()) word |= 1u << 26;
  if (st.words_waiting != 0 || (transport && lines_ahead > kLinesAheadToRead)) word |= 1u << 27;
  word |= (uint32_t{st.further} & 0x18) << 26;
  return word;
}

void ClearCollecting(Session& s) {
  s.collecting_reads = 0;
  s.data_collected = false;
  s.collecting_logged = false;
}

} // namespace

int ReadStreamPiece(Session& s, StreamRead* what, int* empty_lines) {
  ScannerDevice& d = *s.device;
  const int r = s.acquisition->ReadAndParse(
      [&d](uint8_t* buffer, uint32_t capacity, uint32_t* got) { return d.Dev_ReadBlock(buffer, capacity, got); },
      empty_lines);
  if (r != 0) return r;
  *what = *empty_lines < 0 ? StreamRead::kNone : *empty_lines == 0 ? StreamRead::kLit : StreamRead::kEmptyLines;
  return 0;
}

void FlushFinishedPlates(Session& s) { s.acquisition->FlushRanges(false); }

void FlushAllPlates(Session& s) {
  s.acquisition->FlushRanges(true);
  s.acquisition->Reset();
  s.device->Mem_SetMark();
}

int Session_Poll() {
  Session& s = CurrentSession();
  if (!s.IsOpen()) return kErrNotOpen;
  if (s.status_busy) {
    LogPrintf("ERROR: Overlapping calls to Get_Status\n");
    return kErrBusy;
  }
  s.status_busy = true;
  ScannerDevice& d = *s.device;
  ScanStatus st{};
  d.Dev_GetScanStatus(&st);
  if (st.error != 0) {
    s.status_busy = false;
    return st.error;
  }

  const bool transport = (st.flags & 1) != 0;
  const uint8_t plates = st.plate_sensors & s.mode.slots;
  if (plates && !s.plates_latched) {
    LogPrintf("   Plate(s) detected (%08x)\n", plates);
    s.plates_latched = true;
  } else if (!plates && !transport) {
    s.plates_latched = false;
  }

  const int lines_ahead = st.line_counter - s.acquisition->LineCount();
  const bool read = (transport && lines_ahead > kLinesAheadToRead) || (!transport && st.words_waiting != 0);
  if (read) {
    StreamRead what = StreamRead::kNone;
    int empty_lines = 0;
    const int r = ReadStreamPiece(s, &what, &empty_lines);
    if (r != 0) {
      LogPrintf("ERROR %i: Checksum error or too many retrys\n", r);
      s.status_busy = false;
      return r;
    }
    if (what == StreamRead::kLit) {
      if (s.collecting_reads++ > kLitReadsPerFlush) {
        FlushFinishedPlates(s);
        s.collecting_reads = 0;
      }
      if (!s.collecting_logged) LogPrintf("   Image data are being collected\n");
      s.collecting_logged = true;
      s.data_collected = true;
    } else if (what == StreamRead::kEmptyLines && s.data_collected) {
      LogPrintf("   Parsing data after %i empty lines.\n", empty_lines);
      FlushAllPlates(s);
      ClearCollecting(s);
    }
  }

  if (transport) {
    s.transport_was_running = true;
  } else {
    if (!read && s.data_collected) {
      LogPrintf("   Parsing data after transport stopped.\n");
      FlushAllPlates(s);
      ClearCollecting(s);
    }
    if (s.transport_was_running) {
      if (s.data_collected)
        LogPrintf("   Transport stopped but still transmitting data (%u).\n", static_cast<unsigned>(st.words_waiting));
      s.transport_was_running = false;
    }
  }

  const uint32_t word = StatusWord(s, st, transport, plates, lines_ahead);
  if (st.flags & 0x08) d.Scan_AckEvent();
  s.status_busy = false;
  return static_cast<int>(word);
}

} // namespace tarvel
