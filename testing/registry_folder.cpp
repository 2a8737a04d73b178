#include "testing/registry_folder.h"

#include <stdlib.h>

namespace testsupport {

RegistryFolder::RegistryFolder() : own_(std::make_unique<TempFolder>("vornix-registry")) {
  path_ = own_->path();
  if (const char* old = std::getenv("VORNIX_REGISTRY_DIR")) previous_ = old;
  setenv("VORNIX_REGISTRY_DIR", path_.c_str(), 1);
}

RegistryFolder::RegistryFolder(std::string path) : path_(std::move(path)) {
  if (const char* old = std::getenv("VORNIX_REGISTRY_DIR")) previous_ = old;
  setenv("VORNIX_REGISTRY_DIR", path_.c_str(), 1);
}

RegistryFolder::~RegistryFolder() {
  if (previous_)
    setenv("VORNIX_REGISTRY_DIR", previous_->c_str(), 1);
  else
    unsetenv("VORNIX_REGISTRY_DIR");
}

}  // namespace testsupport
