#include "viewer/core/settings.h"

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/registry.h"

namespace viewer {
namespace {

namespace reg = platform::registry;
constexpr reg::Hive kHive = reg::Hive::CurrentUser;

std::string KeyPath(const std::string& subkey) {
  return subkey.empty() ? std::string(kProgramKey) : std::string(kProgramKey) + "\\" + subkey;
}

std::optional<reg::Value> Query(const std::string& subkey, const std::string& name, reg::ValueType type) {
  std::optional<reg::Value> v = reg::QueryValue(kHive, KeyPath(subkey), name);
  if (!v || v->type != type) return std::nullopt;
  return v;
}

void Store(const std::string& subkey, const std::string& name, const reg::Value& value) {
  const std::string path = KeyPath(subkey);
  if (reg::CreateKey(kHive, path)) reg::SetValue(kHive, path, name, value);
}

uint32_t AddressSpaceInUse() {
  long pages = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  return static_cast<uint32_t>(static_cast<uint64_t>(pages) * sysconf(_SC_PAGESIZE));
}

}  // namespace

int32_t ReadRegInteger(const std::string& subkey, const std::string& name, int32_t fallback) {
  std::optional<reg::Value> v = Query(subkey, name, reg::ValueType::Dword);
  if (!v || v->data.size() != 4) return fallback;
  uint32_t value;
  std::memcpy(&value, v->data.data(), 4);
  return static_cast<int32_t>(value);
}

int32_t ReadRegInteger(const std::string& subkey, const std::string& name, int32_t fallback, int32_t lo, int32_t hi) {
  const int32_t v = ReadRegInteger(subkey, name, fallback);
  return v >= lo && v <= hi ? v : fallback;
}

std::string ReadRegString(const std::string& subkey, const std::string& name, const std::string& fallback) {
  std::optional<reg::Value> v = Query(subkey, name, reg::ValueType::String);
  if (!v) return fallback;
  std::string text(v->data.begin(), v->data.end());
  return text.substr(0, text.find('\0'));
}

void ReadRegBinary(void* dest, const std::string& subkey, const std::string& name, size_t size, const void* fallback) {
  std::memcpy(dest, fallback, size);
  std::optional<reg::Value> v = Query(subkey, name, reg::ValueType::Binary);
  if (!v || v->data.empty() || v->data.size() > size) return;
  std::memcpy(dest, v->data.data(), v->data.size());
}

void WriteRegInteger(const std::string& subkey, const std::string& name, int32_t value, int32_t fallback) {
  if (value == fallback) return DeleteRegValue(subkey, name);
  const uint32_t u = static_cast<uint32_t>(value);
  Store(subkey, name, {reg::ValueType::Dword, {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)}});
}

void WriteRegString(const std::string& subkey, const std::string& name, const std::string& value,
                    const std::string& fallback) {
  if (value == fallback) return DeleteRegValue(subkey, name);
  reg::Value v{reg::ValueType::String, std::vector<uint8_t>(value.begin(), value.end())};
  v.data.push_back(0);
  Store(subkey, name, v);
}

void WriteRegBinary(const std::string& subkey, const std::string& name, const void* block, size_t size,
                    const void* fallback) {
  if (std::memcmp(block, fallback, size) == 0) return DeleteRegValue(subkey, name);
  const auto* bytes = static_cast<const uint8_t*>(block);
  Store(subkey, name, {reg::ValueType::Binary, std::vector<uint8_t>(bytes, bytes + size)});
}

void DeleteRegValue(const std::string& subkey, const std::string& name) {
  const std::string path = KeyPath(subkey);
  if (!reg::KeyExists(kHive, path)) return;
  reg::DeleteValue(kHive, path, name);
  DeleteEmptyKeys(path);
}

void DeleteEmptyKeys(std::string path) {
  for (;;) {
    std::optional<reg::KeyInfo> info = reg::QueryKeyInfo(kHive, path);
    if (!info || info->subkeys > 0 || info->values > 0) return;
    // A key that cannot be deleted ends the walk as well.
    if (!reg::DeleteKey(kHive, path)) return;
    const size_t cut = path.rfind('\\');
    if (cut != std::string::npos) path.erase(cut);
  }
}

const ViewerSettings& DefaultSettings() {
  static const ViewerSettings defaults;
  return defaults;
}

uint64_t HeapInUse() { return mallinfo2().uordblks; }

void StartGlobalSettings(ViewerSettings& settings) {
  const uint64_t heap = HeapInUse();
  const uint64_t space = AddressSpaceInUse();
  settings.startupMemory = static_cast<uint32_t>(space > heap ? space - heap : 0);
  settings.units = static_cast<uint8_t>(ReadRegInteger("", "Units", kDefaultUnits, 0, kLargestUnits));
  settings.lutWidth = ReadRegInteger(kHistogramKey, "LUT Width", kDefaultLUTWidth, 0, kLargestLUTWidth);
  settings.maxScale = ReadRegInteger(kImageViewerKey, "Maximum Scale Factor", kDefaultMaxScale, 1, kLargestMaxScale);
}

void StartImageSettings(ViewerSettings& settings) {
  settings.maxImageSize = ReadRegInteger("", "Maximum Image Size", kDefaultMaxImageSize);
}

void EndImageSettings(const ViewerSettings& settings) {
  WriteRegInteger("", "Maximum Image Size", settings.maxImageSize, kDefaultMaxImageSize);
}

void EndGlobalSettings(const ViewerSettings& settings) {
  WriteRegInteger(kImageViewerKey, "Maximum Scale Factor", settings.maxScale, kDefaultMaxScale);
  WriteRegInteger(kHistogramKey, "LUT Width", settings.lutWidth, kDefaultLUTWidth);
  WriteRegInteger("", "Units", settings.units, kDefaultUnits);
}

}  // namespace viewer
