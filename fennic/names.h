#pragma once
// File names: default extensions by file type.
#include <cstdint>
#include <string>

namespace fennic {

// ".raw", ".bmp", ".tif" or ".qew" by type.
const char* default_extension(uint32_t type);
// True when the last component of the name has an extension.
bool has_extension(const std::string& name);
// The name as it is when it has an extension, else with the default one.
std::string with_default_extension(const std::string& name, uint32_t type);
// The name with its extension replaced by (or extended with) the default one.
std::string with_replaced_extension(const std::string& name, uint32_t type);

}  // namespace fennic
