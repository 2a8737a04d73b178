#pragma once
// The session state that the image utilities consult.

namespace tarvel {

// True while a scan session is open.
bool SessionIsOpen();

} // namespace tarvel
