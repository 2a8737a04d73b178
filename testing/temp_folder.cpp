#include "testing/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace testsupport {

TempFolder::TempFolder(const std::string& prefix, const std::string& parent) {
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string base = !parent.empty() ? parent : tmpdir && *tmpdir ? tmpdir : "/tmp";
  std::string pattern = base + "/" + prefix + ".XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a folder " + pattern + ": " + std::strerror(errno));
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
