#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "toolkit/outside/file/mwfile.h"
#include "toolkit/outside/system/standin_control.h"

namespace {

bool Call(int ordinal) { return mwsys::OrdinalCallPasses("mwfile", ordinal); }

constexpr size_t kFileHeader = 14;

// The DIB of a bitmap file, checked to hold every row; empty when not readable.
std::vector<uint8_t> ReadDib(const char* name, mwsys::DibLayout* layout) {
  if (!name) return {};
  std::ifstream in(name, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < kFileHeader || bytes[0] != 'B' || bytes[1] != 'M') return {};
  bytes.erase(bytes.begin(), bytes.begin() + kFileHeader);
  auto l = mwsys::CheckDib(bytes.data(), bytes.size());
  if (!l) return {};
  *layout = *l;
  return bytes;
}

}  // namespace

MW_EXPORT int MF_GetFileInfo(const char* name, void* info, int32_t, int32_t) {
  if (!Call(100) || !info) return 0;
  mwsys::DibLayout layout;
  std::vector<uint8_t> dib = ReadDib(name, &layout);
  if (dib.empty()) return 0;
  mwsys::BitmapInfoHeader h;
  std::memcpy(&h, dib.data(), sizeof h);
  int32_t fields[4] = {h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, h.biBitCount,
                       static_cast<int32_t>(dib.size() + kFileHeader)};
  std::memset(info, 0, kMwFileInfoSize);
  std::memcpy(info, fields, sizeof fields);
  return 1;
}

MW_EXPORT int MF_LoadFile(const char* name, MwBitmapHandle* handle, int32_t, int32_t, int32_t, int32_t) {
  if (!Call(101) || !handle) return 0;
  mwsys::DibLayout layout;
  std::vector<uint8_t> dib = ReadDib(name, &layout);
  if (dib.empty()) return 0;
  return MK_CreateFromDib(handle, reinterpret_cast<const mwsys::BitmapInfoHeader*>(dib.data()),
                          dib.data() + layout.pixel_offset);
}
