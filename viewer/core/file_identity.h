#pragma once
// Whether two names reach the same existing file (device and inode).
#include <string>

namespace viewer {

bool SameFile(const std::string& a, const std::string& b);

}  // namespace viewer
