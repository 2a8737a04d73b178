#pragma once
// Steps of the scan-data stream that the poll and the recovery at open share.
#include "driver/session/session.h"

namespace tarvel {

enum class StreamRead {
  kNone,        // the device returned no bytes
  kLit,         // the piece ended in lit data
  kEmptyLines,  // the piece reported empty lines
};

// Reads one piece of stream data (at most 40960 bytes) from the session's
// device and parses it: 0 with *what, or the read's error code.
int ReadStreamPiece(Session& s, StreamRead* what, int* empty_lines);
// Flushes the finished plates (flush without end).
void FlushFinishedPlates(Session& s);
// Flushes every plate (flush with end), resets the stream tables and the
// memory mark (register 55).
void FlushAllPlates(Session& s);

} // namespace tarvel
