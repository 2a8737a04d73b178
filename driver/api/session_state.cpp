// No session API is built into the library yet: the session is always closed.
#include "driver/api/session_state.h"

namespace tarvel {

bool SessionIsOpen() { return false; }

} // namespace tarvel
