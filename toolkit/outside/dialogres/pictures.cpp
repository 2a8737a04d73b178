#include <vector>

#include "toolkit/outside/dialogres/mwdialogres.h"
#include "toolkit/outside/system/dib.h"

namespace {

struct Picture {
  int32_t id;
  mwsys::DibSpec spec;
};

// One picture per model and row; depths vary so that every colour-table rule is used.
const Picture kPictures[] = {
    {101, {32, 24, 8, 0, {}}},  {102, {32, 24, 4, 0, {}}},  {103, {32, 24, 1, 0, {}}}, {104, {33, 33, 24, 0, {}}},
    {105, {32, 24, 8, 64, {}}}, {106, {16, 16, 8, 0, {}}},  {107, {16, 16, 4, 0, {}}}, {108, {16, 16, 1, 0, {}}},
    {109, {17, 17, 24, 0, {}}}, {110, {16, 16, 8, 16, {}}},
};

struct Table {
  std::vector<std::vector<uint8_t>> data;
  std::vector<mwsys::ResourceEntry> entries;
  Table() {
    for (const Picture& p : kPictures) {
      const uint32_t levels =
          p.spec.bit_count > 8 ? 0x1000000u : mwsys::DibColorCount(p.spec.bit_count, p.spec.colors_used);
      data.push_back(mwsys::BuildDib(
          p.spec, [&](int32_t x, int32_t y) { return static_cast<uint32_t>((x * 7 + y * 13 + p.id) % levels); }));
    }
    for (size_t i = 0; i < data.size(); ++i) {
      entries.push_back({mwsys::kResourceBitmap, kPictures[i].id, data[i].data(), data[i].size()});
    }
  }
};

}  // namespace

MW_EXPORT const mwsys::ResourceEntry* MwResources(size_t* count) {
  static const Table table;
  if (count) *count = table.entries.size();
  return table.entries.data();
}
