#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

// `RegistryKey`: owner of one open registry key with typed value access.
// Every operation reports success as a boolean and never throws.
namespace tarvel {

class RegistryKey {
 public:
  using Hive = platform::registry::Hive;

  RegistryKey() = default;
  ~RegistryKey() { Close(); }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Closes an open key, opens `subkey` under the root; when that fails and
  // `create` is set, creates it. True when a key is open afterwards.
  bool Open(Hive root, const char* subkey, bool create);
  // Opens `subkey` relative to the open key and makes it the object's key
  // (creating it when missing and `create` is set). False without a key.
  bool OpenSub(const char* subkey, bool create);
  // Name of the subkey at `index` into `name` (cut to size - 1); false when
  // there is none or it does not fit.
  bool EnumKey(uint32_t index, char* name, size_t size);
  // Deletes a subkey of the open key that has no subkeys of its own.
  bool DeleteKey(const char* subkey);
  void Close();
  bool IsOpen() const { return path_.has_value(); }

  // True when the value exists and is a 32-bit integer; otherwise `value`
  // becomes `fallback` and the result is false.
  bool ReadDword(const char* name, uint32_t& value, uint32_t fallback);
  bool WriteDword(const char* name, uint32_t value);
  // True when the value exists as a string: its text cut to size - 1 and
  // terminated. Otherwise `fallback` is copied (at most size characters, the
  // last one forced to NUL) and the result is false.
  bool ReadString(const char* name, char* buffer, size_t size, const char* fallback);
  // Stores the text with its terminator as a string value.
  bool WriteString(const char* name, const char* text);

 private:
  Hive hive_ = Hive::LocalMachine;
  std::optional<std::string> path_;  // none while no key is open
};

}  // namespace tarvel
