#pragma once
// The scanner report: a text file describing the configured system of the
// open session (library, scanner, board voltages, buffer memory, ID PROM,
// scan modes, normalization source, common and mode settings, filter).
#include <string>

#include "driver/session/session.h"

namespace tarvel {

// `Write_Report`: 0 when the file was written and closed; -1 when it could
// not be created, written or closed.
int Write_Report(Session& session, const std::string& path);

}  // namespace tarvel
