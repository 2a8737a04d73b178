#pragma once
// Which interface reaches the scanner and which model it is. Both answers
// are cached in the session object once found.
namespace tarvel {

struct Session;

constexpr int kInterfaceNone = 2;

// `Get_InterfaceType`: 0 parallel port, 1 USB, 2 none (not cached: the next
// call probes again). USB is tried first.
int Get_InterfaceType(Session& s);
// `Get_ScannerType`: the cached type, or, while it is undefined (18), the
// probe's answer (the parallel port gives type 6), logged to the session's
// log as "Scanner Type = %d\n".
int Get_ScannerType(Session& s);

// Forgets the cached interface and scanner type (library start-up state).
void ResetInterfaceProbe(Session& s);

}  // namespace tarvel
