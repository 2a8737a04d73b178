#include "platform/os_version.h"

#include <mutex>

namespace platform {
namespace {
std::mutex g_mutex;
OsVersion g_version;
}  // namespace

OsVersion GetOsVersion() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_version;
}

void SetOsVersion(const OsVersion& version) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_version = version;
}

void ResetOsVersion() { SetOsVersion(OsVersion{}); }

}  // namespace platform
