#include "testing/registry_folder.h"

namespace testsupport {

namespace {
constexpr const char* kVariable = "VORNIX_REGISTRY_DIR";
}

RegistryFolder::RegistryFolder()
    : own_(std::make_unique<TempFolder>("vornix-registry")), path_(own_->path()), variable_(kVariable, path_) {}

RegistryFolder::RegistryFolder(std::string path) : path_(std::move(path)), variable_(kVariable, path_) {}

}  // namespace testsupport
