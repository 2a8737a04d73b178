#include "driver/config/registry_key.h"

#include <algorithm>
#include <cstring>

#include "driver/config/c_buffer.h"

namespace tarvel {
namespace reg = platform::registry;

namespace {
// Opens (or creates) `path`; the key's path when it exists afterwards.
std::optional<std::string> OpenPath(reg::Hive hive, const std::string& path, bool create) {
  if (reg::KeyExists(hive, path)) return path;
  if (create && reg::CreateKey(hive, path)) return path;
  return std::nullopt;
}
std::string Join(const std::string& a, const char* b) { return a.empty() ? std::string(b) : a + "\\" + b; }
}  // namespace

bool RegistryKey::Open(Hive root, const char* subkey, bool create) {
  Close();
  hive_ = root;
  path_ = OpenPath(root, subkey ? subkey : "", create);
  return IsOpen();
}

bool RegistryKey::OpenSub(const char* subkey, bool create) {
  if (!IsOpen() || !subkey) return false;
  std::optional<std::string> sub = OpenPath(hive_, Join(*path_, subkey), create);
  if (!sub) return false;
  path_ = std::move(sub);
  return true;
}

bool RegistryKey::EnumKey(uint32_t index, char* name, size_t size) {
  if (!IsOpen() || !name || size == 0) return false;
  std::optional<std::string> sub = reg::EnumSubkey(hive_, *path_, index);
  if (!sub || sub->size() >= size) return false;
  std::memcpy(name, sub->c_str(), sub->size() + 1);
  return true;
}

bool RegistryKey::DeleteKey(const char* subkey) {
  if (!IsOpen() || !subkey || !*subkey) return false;
  return reg::DeleteKey(hive_, Join(*path_, subkey));
}

void RegistryKey::Close() { path_.reset(); }

bool RegistryKey::ReadDword(const char* name, uint32_t& value, uint32_t fallback) {
  std::optional<uint32_t> v;
  if (IsOpen() && name) v = reg::QueryDword(hive_, *path_, name);
  value = v.value_or(fallback);
  return v.has_value();
}

bool RegistryKey::WriteDword(const char* name, uint32_t value) {
  return IsOpen() && name && reg::SetDword(hive_, *path_, name, value);
}

bool RegistryKey::ReadString(const char* name, char* buffer, size_t size, const char* fallback) {
  if (!buffer || size == 0) return false;
  std::optional<std::string> v;
  if (IsOpen() && name) v = reg::QueryString(hive_, *path_, name);
  CopyToBuffer(v ? std::string_view(*v) : std::string_view(fallback ? fallback : ""), buffer, size);
  return v.has_value();
}

bool RegistryKey::WriteString(const char* name, const char* text) {
  return IsOpen() && name && text && reg::SetString(hive_, *path_, name, text, true);
}

}  // namespace tarvel
