#pragma once
// Device contexts and palettes: the screen's device context, taken and
// released, and palette objects that count while they are alive.
#include <cstdint>
#include <vector>

namespace mwsys {

struct DeviceContextRecord;
using DeviceContext = DeviceContextRecord*;
struct PaletteRecord;
using Palette = PaletteRecord*;

DeviceContext GetScreenDC();
bool ReleaseDC(DeviceContext dc);
int OpenDeviceContexts();

// A palette of 0x00BBGGRR entries; null for no entries.
Palette CreatePalette(const std::vector<uint32_t>& entries);
bool DeletePalette(Palette palette);
bool PaletteEntries(Palette palette, std::vector<uint32_t>* entries);
int LivePalettes();

}  // namespace mwsys
