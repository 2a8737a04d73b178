#include "viewer/core/file_identity.h"

#include <sys/stat.h>

namespace viewer {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (a.empty() || b.empty() || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace viewer
