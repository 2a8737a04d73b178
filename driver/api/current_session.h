#pragma once
// The library's one scan session, the state every session export works on.
// The layers below take it as a parameter.
#include "driver/session/session.h"

namespace tarvel {

Session& CurrentSession();

}  // namespace tarvel
