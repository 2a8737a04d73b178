#pragma once
// The driver's library folder inside a scratch folder while the object
// lives: <folder>/bin is made and the module's file name points at
// <folder>/bin/libTarvel.so, the registry store lives in <folder>/reg.
// Afterwards the module's file name is the real one again.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/files.h"
#include "testing/registry_folder.h"

namespace configtest {

class LibraryFolder {
 public:
  explicit LibraryFolder(const std::string& folder) : bin_(folder + "/bin"), registry_(folder + "/reg") {
    platform::CreateDirectories(bin_);
    platform::SetModuleFileNameOverride(bin_ + "/libTarvel.so");
  }
  ~LibraryFolder() { platform::SetModuleFileNameOverride(std::nullopt); }
  LibraryFolder(const LibraryFolder&) = delete;
  LibraryFolder& operator=(const LibraryFolder&) = delete;

  const std::string& bin() const { return bin_; }
  // An empty bin/ again.
  void Renew() const {
    std::filesystem::remove_all(bin_);
    platform::CreateDirectories(bin_);
  }

 private:
  std::string bin_;
  testsupport::RegistryFolder registry_;
};

}  // namespace configtest
