// Image numbers of a folder and the listing of images left there.
#include "driver/acquisition/image_names.h"

#include <algorithm>
#include <climits>

#include "driver/config/c_buffer.h"
#include "platform/files.h"

namespace tarvel {

int ImageNumberOf(const std::string& file_name) {
  int64_t v = 0;
  for (size_t i = 2; i < file_name.size() && file_name[i] >= '0' && file_name[i] <= '9'; ++i) {
    v = v * 10 + (file_name[i] - '0');
    if (v > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(v);
}

std::string WithSeparator(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + "/";
}

int HighestImageNumber(const std::string& folder) {
  int best = 0;
  for (const std::string& name : platform::FindFiles(WithSeparator(folder) + "KP*.QEW"))
    best = std::max(best, ImageNumberOf(name));
  return best;
}

bool OldImageSearch::First(const std::string& folder, std::string* path) {
  Close();
  folder_ = WithSeparator(folder);
  names_ = platform::FindFiles(folder_ + "KP*.QEW");
  open_ = true;
  return Next(path);
}

bool OldImageSearch::Next(std::string* path) {
  while (open_ && next_ < names_.size()) {
    std::string full = folder_ + names_[next_++];
    // Only names that fit the caller's buffer.
    if (full.size() < kUnsizedBufferChars) {
      *path = full;
      return true;
    }
  }
  Close();
  path->clear();
  return false;
}

void OldImageSearch::Close() {
  open_ = false;
  names_.clear();
  next_ = 0;
}

}  // namespace tarvel
