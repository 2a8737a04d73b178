#pragma once
#include <string>
#include <string_view>

#include "driver/config/c_buffer.h"

// The driver's ini file. It is located anew for every operation: the
// registry value `IniFile` under HKEY_LOCAL_MACHINE "Software\Kessmar\Tarvel"
// (used as given), else the file beside the library named like the library
// with a leading "lib" dropped and ".so" replaced by ".INI", matched without
// case ("Tarvel.ini" beside "libTarvel.so").
namespace tarvel {

constexpr const char* kTarvelRegistryKey = "Software\\Kessmar\\Tarvel";
constexpr const char* kIniFileValue = "IniFile";
// The longest ini path that `Set_IniFileName` stores and `Get_IniFileName`
// hands back whole into a buffer without a length.
constexpr size_t kMaxIniPath = kUnsizedBufferChars - 1;
// The registry value is read up to this length.
constexpr size_t kMaxIniFileValue = 260;

// Where the ini file was located (`Ini_Open`): the path (the last one tried
// when none could be opened) and whether a file could be opened there. The
// reads below open the file at the path anew.
struct IniPath {
  bool found = false;
  std::string path;
};

IniPath Ini_Open();

// The fallback path beside the library (found or not).
IniPath Ini_ModuleFallback();

// Reads. Results: 0 success; -1 no ini file found; -2 key missing or empty.
// `out` is "" / 0 / 0.0 on failure. Strings are cut to 255 bytes. Integers
// parse like strtol with base 0 ("0x10" 16, "010" 8, "-3"), numbers like
// strtod in the C locale.
int Ini_ReadString(const IniPath& ini, std::string_view section, std::string_view key, std::string& out);
int Ini_ReadInt(const IniPath& ini, std::string_view section, std::string_view key, int& out);
int Ini_ReadDouble(const IniPath& ini, std::string_view section, std::string_view key, double& out);

// The value, or `fallback` when the read fails (missing file, key or value).
std::string Ini_StringOr(const IniPath& ini, std::string_view section, std::string_view key, std::string_view fallback);
int Ini_IntOr(const IniPath& ini, std::string_view section, std::string_view key, int fallback);
double Ini_DoubleOr(const IniPath& ini, std::string_view section, std::string_view key, double fallback);

// The FPGA design file: `Scanner` key `Firmware` for the scanner types whose
// geometry the ini may change (scanner_type.h); empty (the built-in design)
// for every other type and without the key.
std::string FpgaDesignFileName(const IniPath& ini, int scanner_type);

// Section of scan mode n: "Param_#<n>".
std::string ModeSection(int mode);

// `Set_IniFileName`: a non-empty path is stored as the `IniFile` value
// (string type, without the terminating NUL; the key is created when
// missing); null or empty deletes the value. 1 when done, else 0 (also
// for a path longer than kMaxIniPath bytes, which could not be read back).
int StoreIniFileName(const char* path);

}  // namespace tarvel
