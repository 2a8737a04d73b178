#pragma once
// A limit on the size of the files the process writes, for a while: a write
// beyond it fails as on a full disk or an exhausted quota (EFBIG; the signal
// the system raises for it is ignored meanwhile).
#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace testsupport {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(uint64_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace testsupport
