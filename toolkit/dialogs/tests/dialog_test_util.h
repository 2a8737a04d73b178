#pragma once
// Helpers of the dialog library's tests: folders holding a chosen set of
// the outside libraries, and a clean colour engine around each test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/temp_folder.h"
#include "toolkit/outside/system/modules.h"
#include "toolkit/outside/system/standin_control.h"

namespace mwtest {

// A folder with links to the named files of the library folder
// ("mwcolor-without-free/libmwcolor.so" links under its file name).
class LibraryFolder {
 public:
  explicit LibraryFolder(const std::vector<std::string>& files) {
    const std::string from = mwsys::LibraryFolder();
    for (const std::string& f : files) {
      std::filesystem::create_symlink(from + "/" + f, folder_ / std::filesystem::path(f).filename().string());
    }
    mwsys::SetLibraryFolder(folder_.path());
  }
  ~LibraryFolder() { mwsys::SetLibraryFolder(""); }

 private:
  testsupport::TempFolder folder_{"mwdialogs-libs"};
};

}  // namespace mwtest
