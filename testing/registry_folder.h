#pragma once
// Points VORNIX_REGISTRY_DIR at a folder while the object lives and puts the
// earlier value (or its absence) back afterwards.
#include <memory>
#include <string>

#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace testsupport {

class RegistryFolder {
 public:
  // A fresh folder of its own, removed afterwards.
  RegistryFolder();
  // The given folder; it need not exist yet.
  explicit RegistryFolder(std::string path);
  RegistryFolder(const RegistryFolder&) = delete;
  RegistryFolder& operator=(const RegistryFolder&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::unique_ptr<TempFolder> own_;
  std::string path_;
  ScopedEnv variable_;
};

}  // namespace testsupport
