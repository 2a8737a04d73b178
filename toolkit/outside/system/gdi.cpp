#include "toolkit/outside/system/gdi.h"

#include <list>

namespace mwsys {

struct DeviceContextRecord {};
struct PaletteRecord {
  std::vector<uint32_t> entries;
};

namespace {

std::list<DeviceContextRecord>& contexts() {
  static auto* c = new std::list<DeviceContextRecord>;
  return *c;
}
std::list<PaletteRecord>& palettes() {
  static auto* p = new std::list<PaletteRecord>;
  return *p;
}

template <class T>
bool Drop(std::list<T>& list, T* item) {
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (&*it == item) {
      list.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace

DeviceContext GetScreenDC() {
  contexts().emplace_back();
  return &contexts().back();
}
bool ReleaseDC(DeviceContext dc) { return Drop(contexts(), dc); }
int OpenDeviceContexts() { return static_cast<int>(contexts().size()); }

Palette CreatePalette(const std::vector<uint32_t>& entries) {
  if (entries.empty()) return nullptr;
  palettes().push_back({entries});
  return &palettes().back();
}
bool DeletePalette(Palette palette) { return Drop(palettes(), palette); }
bool PaletteEntries(Palette palette, std::vector<uint32_t>* entries) {
  for (auto& p : palettes()) {
    if (&p == palette) {
      if (entries) *entries = p.entries;
      return true;
    }
  }
  return false;
}
int LivePalettes() { return static_cast<int>(palettes().size()); }

}  // namespace mwsys
