#include "driver/normalization/normalization_summary.h"

#include <cstring>

#include "driver/normalization/normalization_file.h"
#include "platform/files.h"

namespace tarvel {

int NormalizationFile_Summary(const std::string& path, std::string* serial, std::string* date) {
  *serial = "????????";
  *date = "??:??:????";
  if (path.empty()) return -1;
  const std::optional<std::string> text = platform::ReadWholeFile(path);
  if (!text) return -1;
  NormalizationTokens tokens(*text);
  *serial = tokens.SerialLine();
  for (int skip = 0; skip < 3; ++skip) tokens.Next();  // ScanStart, ValueCount, ValuePitch
  if (const std::string_view token = tokens.Next(); !token.empty()) *date = std::string(token);
  return 0;
}

std::string Text_Slice(const char* text, int first, int count) {
  if (!text || first < 0 || count <= 0) return "";
  const char* from = text + first;
  return std::string(from, strnlen(from, static_cast<size_t>(count)));
}

}  // namespace tarvel
