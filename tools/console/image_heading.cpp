#include "tools/console/image_heading.h"

namespace console {

std::optional<ImageInfo> ImageHeading(Terminal& t, const char* name) {
  ImageInfo info{};
  info.size = sizeof info;
  const int r = Get_ImageInfo(&info, name);
  t.Print("Filename: %s\n", name);
  if (r != 0) {
    t.Print("    Unable to read the image information (%d)\n", r);
    return std::nullopt;
  }
  return info;
}

}  // namespace console
