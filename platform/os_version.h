#pragma once
#include <string>

// The operating-system version the driver reads for its transfer sizing:
// major and minor version and the service-pack text. Fixed by default
// (5.1, "Service Pack 3"); tests set it.
namespace platform {

struct OsVersion {
  unsigned major = 5;
  unsigned minor = 1;
  std::string service_pack = "Service Pack 3";
};

OsVersion GetOsVersion();
void SetOsVersion(const OsVersion& version);
void ResetOsVersion();

}  // namespace platform
