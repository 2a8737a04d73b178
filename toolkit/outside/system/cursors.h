#pragma once
// Cursors: loaded from a module's cursor resources (shared: one object per
// module and number, owned by the module), copied into private cursors that
// their owner destroys, and queried for size and hot spot.
// A cursor resource is the hot spot (two little-endian u16) followed by a
// DIB whose height counts the XOR mask and the AND mask.
#include <cstdint>
#include <vector>

#include "toolkit/outside/system/modules.h"

namespace mwsys {

struct CursorRecord;
using Cursor = CursorRecord*;

struct CursorInfo {
  int32_t width, height;  // of the cursor, not of the two masks
  int32_t hot_x, hot_y;
  int32_t bit_count;
};

// The cursor resource of that hot spot and DIB.
std::vector<uint8_t> BuildCursorResource(uint16_t hot_x, uint16_t hot_y, const std::vector<uint8_t>& dib);
// Null when the module holds no valid cursor resource of that number.
Cursor LoadSharedCursor(Module module, int32_t id);
// A private copy at the cursor's own size; null for an unknown cursor.
Cursor CopyCursor(Cursor cursor);
// Destroys a private copy; false for a shared or unknown cursor.
bool DestroyCursor(Cursor cursor);
bool GetCursorInfo(Cursor cursor, CursorInfo* info);
bool IsSharedCursor(Cursor cursor);
// Private copies alive.
int LiveCursorCopies();

}  // namespace mwsys
