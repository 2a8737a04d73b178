#include "toolkit/outside/system/cursors.h"

#include <algorithm>
#include <cstring>
#include <list>
#include <vector>

#include "toolkit/outside/system/cursors_internal.h"
#include "toolkit/outside/system/dib.h"

namespace mwsys {

struct CursorRecord {
  Module owner = nullptr;  // null for a private copy
  int32_t id = 0;
  CursorInfo info{};
  std::vector<uint8_t> masks;  // XOR then AND rows
};

namespace {

std::list<CursorRecord>& cursors() {
  static auto* c = new std::list<CursorRecord>;
  return *c;
}

CursorRecord* Known(Cursor cursor) {
  for (auto& c : cursors()) {
    if (&c == cursor) return &c;
  }
  return nullptr;
}

}  // namespace

std::vector<uint8_t> BuildCursorResource(uint16_t hot_x, uint16_t hot_y, const std::vector<uint8_t>& dib) {
  std::vector<uint8_t> res(4 + dib.size());
  res[0] = uint8_t(hot_x);
  res[1] = uint8_t(hot_x >> 8);
  res[2] = uint8_t(hot_y);
  res[3] = uint8_t(hot_y >> 8);
  std::copy(dib.begin(), dib.end(), res.begin() + 4);
  return res;
}

Cursor LoadSharedCursor(Module module, int32_t id) {
  for (auto& c : cursors()) {
    if (c.owner && c.owner == module && c.id == id) return &c;
  }
  const ResourceEntry* res = FindResource(module, kResourceCursor, id);
  if (!res || res->size < 4) return nullptr;
  const auto* bytes = static_cast<const uint8_t*>(res->data);
  auto layout = CheckDib(bytes + 4, res->size - 4);
  if (!layout) return nullptr;
  BitmapInfoHeader h;
  std::memcpy(&h, bytes + 4, sizeof h);
  if (h.biHeight <= 0 || h.biHeight % 2 != 0) return nullptr;
  CursorRecord rec;
  rec.owner = module;
  rec.id = id;
  rec.info = {h.biWidth, h.biHeight / 2, bytes[0] | bytes[1] << 8, bytes[2] | bytes[3] << 8, h.biBitCount};
  const uint8_t* pixels = bytes + 4 + layout->pixel_offset;
  rec.masks.assign(pixels, pixels + layout->pixel_bytes);
  cursors().push_back(std::move(rec));
  return &cursors().back();
}

Cursor CopyCursor(Cursor cursor) {
  CursorRecord* c = Known(cursor);
  if (!c) return nullptr;
  CursorRecord copy = *c;
  copy.owner = nullptr;
  copy.id = 0;
  cursors().push_back(std::move(copy));
  return &cursors().back();
}

bool DestroyCursor(Cursor cursor) {
  CursorRecord* c = Known(cursor);
  if (!c || c->owner) return false;
  cursors().remove_if([&](const CursorRecord& r) { return &r == c; });
  return true;
}

bool GetCursorInfo(Cursor cursor, CursorInfo* info) {
  CursorRecord* c = Known(cursor);
  if (!c || !info) return false;
  *info = c->info;
  return true;
}

bool IsSharedCursor(Cursor cursor) {
  CursorRecord* c = Known(cursor);
  return c && c->owner;
}

int LiveCursorCopies() {
  int n = 0;
  for (auto& c : cursors()) n += c.owner == nullptr;
  return n;
}

void ForgetSharedCursorsOf(Module module) {
  cursors().remove_if([&](const CursorRecord& r) { return r.owner == module; });
}

}  // namespace mwsys
