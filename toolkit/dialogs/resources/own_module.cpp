#include "toolkit/dialogs/resources/own_module.h"

#include <vector>

#include "toolkit/outside/system/cursors.h"
#include "toolkit/outside/system/dib.h"

namespace mwdlg {
namespace {

mwsys::Module g_module = nullptr;

// Cursor 500: monochrome 32 x 32, hot spot (0, 19): a left-pointing arrow
// whose tip lies on row 19. The DIB's height counts the XOR and AND masks.
std::vector<uint8_t> DialogCursor() {
  constexpr int kSize = 32, kHotY = 19;
  auto inside = [&](int x, int y) {
    const int dy = y - kHotY < 0 ? kHotY - y : y - kHotY;
    return x >= dy && x < 20 && dy < 8;
  };
  const std::vector<uint8_t> dib = mwsys::BuildDib({kSize, 2 * kSize, 1, 0, {}}, [&](int32_t x, int32_t y) -> uint32_t {
    // top half in y: AND mask (0 where the arrow is drawn); bottom half: XOR mask.
    if (y < kSize) return inside(x, y) ? 0 : 1;
    return 0;
  });
  return mwsys::BuildCursorResource(0, kHotY, dib);
}

struct Table {
  std::vector<uint8_t> cursor = DialogCursor();
  mwsys::ResourceEntry entries[1] = {{mwsys::kResourceCursor, kDialogCursorId, cursor.data(), cursor.size()}};
};

const Table& table() {
  static const Table t;
  return t;
}

}  // namespace

mwsys::Module OwnResourceModule() { return g_module; }

DlgApplication::DlgApplication() { g_module = mwsys::RegisterModule("mwdialogs.dll", table().entries, 1); }

DlgApplication::~DlgApplication() {
  mwsys::UnregisterModule(g_module);
  g_module = nullptr;
}

}  // namespace mwdlg
