#pragma once
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string tmpl = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/vornix.XXXXXX";
    path_ = mkdtemp(tmpl.data()) ? tmpl : "";
    EXPECT_FALSE(path_.empty());
  }
  ~TempFolder() {
    if (!path_.empty()) std::system(("rm -rf '" + path_ + "'").c_str());
  }
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
