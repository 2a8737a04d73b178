#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Stand-in for the Windows registry, shared by the driver and the viewer.
//
// Two hives, each a tree of keys; a key holds typed values and subkeys and
// may exist without either. Key paths are names joined by "\" (empty or
// repeated separators are ignored; "" is the hive's root). Key and value
// names are compared without case (ASCII) and keep the spelling they were
// created with. Subkeys enumerate in a defined order: sorted without case.
//
// Each hive is one file under the folder named by VORNIX_REGISTRY_DIR
// (default: "vornix/registry" under $XDG_DATA_HOME, else ~/.local/share).
// Every operation reads the file afresh; a change is written under an
// exclusive lock to a temporary file that replaces the store by rename.
// A store that cannot be read or parsed reads as empty (every key and value
// missing), and changes to it fail rather than overwrite it.
namespace platform::registry {

enum class Hive { LocalMachine, CurrentUser };

// The Windows type numbers.
enum class ValueType : uint32_t { String = 1, Binary = 3, Dword = 4 };

struct Value {
  ValueType type = ValueType::Binary;
  std::vector<uint8_t> data;  // a string's bytes as stored (the caller decides on a NUL)
};

struct KeyInfo {
  uint32_t subkeys = 0;
  uint32_t values = 0;
};

// The folder of the store files (VORNIX_REGISTRY_DIR or its default).
std::string StoreFolder();

bool KeyExists(Hive hive, std::string_view path);
// Creates the key and every missing key above it; true when it exists after.
// A key more than 512 levels deep is refused (and a store holding one reads
// as a store that cannot be parsed).
bool CreateKey(Hive hive, std::string_view path);
// Deletes a key that has no subkeys (its values go with it); false when the
// key is missing, has subkeys, or is the hive's root.
bool DeleteKey(Hive hive, std::string_view path);
std::optional<KeyInfo> QueryKeyInfo(Hive hive, std::string_view path);
// Name of the subkey at `index` in the defined order; nullopt past the end
// or when the key is missing.
std::optional<std::string> EnumSubkey(Hive hive, std::string_view path, uint32_t index);

// nullopt when the key or the value is missing.
std::optional<Value> QueryValue(Hive hive, std::string_view path, std::string_view name);
// Stores the value in an existing key (false when the key is missing).
bool SetValue(Hive hive, std::string_view path, std::string_view name, const Value& value);
bool DeleteValue(Hive hive, std::string_view path, std::string_view name);

// Typed conveniences over QueryValue/SetValue.
std::optional<uint32_t> QueryDword(Hive hive, std::string_view path, std::string_view name);
// A string value's text up to its first NUL; nullopt for a missing value or
// one of another type.
std::optional<std::string> QueryString(Hive hive, std::string_view path, std::string_view name);
bool SetDword(Hive hive, std::string_view path, std::string_view name, uint32_t value);
// Stores the text's bytes; with `with_nul` a terminating NUL is stored too.
bool SetString(Hive hive, std::string_view path, std::string_view name, std::string_view text, bool with_nul = true);

}  // namespace platform::registry
