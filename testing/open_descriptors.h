#pragma once
// Counts of what the process holds, read from /proc/self.
#include <filesystem>

namespace testsupport {

// The entries of a folder, without "." and "..".
inline int CountEntries(const char* folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// The process's open file descriptors (the one reading them included).
inline int OpenDescriptors() { return CountEntries("/proc/self/fd"); }

}  // namespace testsupport
