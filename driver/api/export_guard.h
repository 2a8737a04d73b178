#pragma once
// Nothing escapes a C export: the body's exception (no memory) becomes the
// export's failure result.
#include <utility>

namespace tarvel {

template <class Body>
int Guarded(int on_failure, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return on_failure;
  }
}

}  // namespace tarvel
