#pragma once
// A fresh folder under TMPDIR (or /tmp, or a given parent folder), removed
// with all it holds when the object goes.
#include <string>

namespace testsupport {

class TempFolder {
 public:
  // Throws std::runtime_error when no folder can be made. An empty `parent`
  // means TMPDIR, else /tmp.
  explicit TempFolder(const std::string& prefix = "vornix", const std::string& parent = "");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace testsupport
