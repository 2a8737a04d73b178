#pragma once
// Helpers of the dialog library's tests: folders holding a chosen set of
// the outside libraries, and a clean colour engine around each test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "toolkit/outside/system/modules.h"
#include "toolkit/outside/system/standin_control.h"

namespace mwtest {

// A folder with links to the named files of the library folder
// ("mwcolor-without-free/libmwcolor.so" links under its file name).
class LibraryFolder {
 public:
  explicit LibraryFolder(const std::vector<std::string>& files) {
    const std::string from = mwsys::LibraryFolder();
    char tmpl[] = "/tmp/mwdialogs-libs-XXXXXX";
    path_ = mkdtemp(tmpl) ? tmpl : "";
    for (const std::string& f : files) {
      std::filesystem::create_symlink(from + "/" + f, path_ + "/" + std::filesystem::path(f).filename().string());
    }
    mwsys::SetLibraryFolder(path_);
  }
  ~LibraryFolder() {
    mwsys::SetLibraryFolder("");
    std::filesystem::remove_all(path_);
  }

 private:
  std::string path_;
};

}  // namespace mwtest
