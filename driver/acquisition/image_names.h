#pragma once
// Image numbers of a folder and the listing of the images left there.
#include <string>
#include <vector>

namespace tarvel {

// Number that a name "KP<digits>..." carries (0 without digits), saturated.
int ImageNumberOf(const std::string& file_name);
// Highest image number of the "KP*.QEW" files in a folder.
int HighestImageNumber(const std::string& folder);
// The folder with a separator added when it ends without one.
std::string WithSeparator(const std::string& folder);

// Enumeration of images in a folder ("KP*.QEW"), in name order.
class OldImageSearch {
 public:
  // Starts at `folder`; false when nothing was found.
  bool First(const std::string& folder, std::string* path);
  bool Next(std::string* path);
  void Close();

 private:
  std::string folder_;
  std::vector<std::string> names_;
  size_t next_ = 0;
  bool open_ = false;
};

}  // namespace tarvel
