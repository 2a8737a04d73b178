#include "viewer/core/file_identity.h"

#include <sys/stat.h>
#include <unistd.h>

namespace viewer {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (a.empty() || b.empty() || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void RemoveRegularFile(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(name.c_str());
}

}  // namespace viewer
