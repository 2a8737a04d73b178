#include "viewer/core/fennic_binding.h"

#include <cstdio>

#include "fennic/fennic_api.h"
#include "viewer/core/messages.h"
#include "viewer/core/names.h"

namespace viewer {
namespace {

constexpr uint32_t kRequiredMajor = 4;
constexpr uint32_t kRequiredMinor = 1;

}  // namespace

std::string ErrorCodeText(int32_t result) { return std::to_string(static_cast<uint32_t>(result) & 0xFF); }

std::string LibraryErrorText(int32_t result, const std::string& context) {
  std::string text = "Error " + ErrorCodeText(result) + context;
  if (const char* sentence = _ErrorMessage(result)) text += sentence;
  return text;
}

void ShowLibraryError(int32_t result, const std::string& context) {
  ShowErrorMessage(LibraryErrorText(result, context), MessageButton::Abort);
}

std::string WrittenFileName(const std::string& name, uint32_t type) {
  switch (type) {
    case kFileRaw: return AddDefaultExtension(name, ".raw");
    case kFileBitmap:
    case kFileBreadboard: return AddDefaultExtension(name, ".bmp");
    case kFileTiff8:
    case kFileTiff16v0:
    case kFileTiff16v1:
    case kFileTiff16: return AddDefaultExtension(name, ".tif");
    default: return AddDefaultExtension(name, ".qew");
  }
}

std::optional<std::string> VersionMismatchText(uint32_t version) {
  if ((version >> 24) == kRequiredMajor && ((version >> 16) & 0xFF) >= kRequiredMinor) return std::nullopt;
  char required[16];
  std::snprintf(required, sizeof required, "%u.%02X", kRequiredMajor, kRequiredMinor);
  return "Wrong version of fennic.dll.  It reports version " + VersionText(version) + ", but version " + required +
         " or later is required.";
}

bool CheckLibraryVersion(uint32_t version) {
  std::optional<std::string> text = VersionMismatchText(version);
  if (!text) return true;
  ShowErrorMessage(*text, MessageButton::Cancel);
  return false;
}

bool CheckLibraryVersion() { return CheckLibraryVersion(_Version()); }

}  // namespace viewer
