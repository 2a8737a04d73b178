#pragma once
// Whether two names reach the same existing file (device and inode), and
// removal of a half-written file.
#include <string>

namespace viewer {

bool SameFile(const std::string& a, const std::string& b);
// Removes the name when it is a regular file (never a device or a link).
void RemoveRegularFile(const std::string& name);

}  // namespace viewer
