#include "fennic/names.h"

#include "fennic/fennic_api.h"

namespace fennic {

const char* default_extension(uint32_t type) {
  switch (type) {
    case kFileRaw: return ".raw";
    case kFileBitmap:
    case kFileBreadboard: return ".bmp";
    case kFileTiff8:
    case kFileTiff16v0:
    case kFileTiff16v1:
    case kFileTiff16: return ".tif";
    default: return ".qew";
  }
}

// Position of the extension's dot in the last component, or npos. Both
// separators count, as in the names the system writes.
static size_t extension_dot(const std::string& name) {
  size_t base = name.find_last_of("/\\:");
  base = base == std::string::npos ? 0 : base + 1;
  size_t dot = name.rfind('.');
  return dot != std::string::npos && dot >= base ? dot : std::string::npos;
}

bool has_extension(const std::string& name) { return extension_dot(name) != std::string::npos; }

std::string with_default_extension(const std::string& name, uint32_t type) {
  return has_extension(name) ? name : name + default_extension(type);
}

std::string with_replaced_extension(const std::string& name, uint32_t type) {
  size_t dot = extension_dot(name);
  return (dot == std::string::npos ? name : name.substr(0, dot)) + default_extension(type);
}

}  // namespace fennic
