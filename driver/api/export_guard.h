#pragma once
// Nothing escapes a C export: the body's exception (no memory) becomes the
// export's failure result. An export that works on the library's session
// runs as its one call under way (SessionEntry).
#include <utility>

#include "driver/api/library.h"
#include "driver/result_codes.h"

namespace tarvel {

template <class Result, class Body>
Result Guarded(Result on_failure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return on_failure;
  }
}

// Guarded, and the session's one call: a call from another thread waits
// for the one under way; a call from within it returns `on_nested`.
template <class Result, class Body>
Result SessionGuarded(Result on_failure, Body&& body, Result on_nested = Result(kErrBusy)) noexcept {
  return Guarded(on_failure, [&]() -> Result {
    SessionEntry entry(Library().session);
    if (!entry) return on_nested;
    return std::forward<Body>(body)();
  });
}

}  // namespace tarvel
