#include "viewer/core/file_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdlib>

namespace viewer {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  if (a.empty() || b.empty() || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

std::optional<uint64_t> RegularFileSize(const std::string& name) {
  struct stat st;
  if (stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

void RemoveRegularFile(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(name.c_str());
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
  if (char* real = realpath(target.c_str(), nullptr)) {
    target_ = real;
    std::free(real);
  }
  static std::atomic<unsigned> serial{0};
  const size_t slash = target_.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  written_ = target_.substr(0, start) + "." + target_.substr(start, 160) + "." + std::to_string(getpid()) + "-" +
             std::to_string(serial++) + ".part";
}

ReplacementFile::~ReplacementFile() {
  if (!committed_) RemoveRegularFile(written_);
}

bool ReplacementFile::Commit() {
  const int fd = open(written_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat old;
  if (stat(target_.c_str(), &old) == 0) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
    }
    if (fchmod(fd, old.st_mode & 07777) != 0) {
    }
  }
  const bool flushed = fsync(fd) == 0;
  close(fd);
  committed_ = flushed && rename(written_.c_str(), target_.c_str()) == 0;
  return committed_;
}

}  // namespace viewer
