#include "driver/api/library.h"

namespace tarvel {

LibraryState& Library() {
  static LibraryState state;  // built at load (library_entry.cpp)
  return state;
}

}  // namespace tarvel
