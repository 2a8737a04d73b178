#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "driver/tarvel_api.h"
#include "tools/console/image_heading.h"
#include "tools/lintra/lintra.h"

namespace lintra {
namespace {

// `mark` is " " before the optimisation and "*" after it.
void PrintStats(console::Terminal& t, const std::vector<uint16_t>& pixels, int width, int height, const char* mark) {
  ImageStats stats{};
  stats.size = sizeof stats;
  Get_ImageValue(pixels.data(), width, height, &stats);
  t.Print("    Minimum%s  = %u\n", mark, unsigned(stats.minimum));
  t.Print("    Maximum%s  = %u\n", mark, unsigned(stats.maximum));
  t.Print("    Mean%s     = %f\n", mark, stats.mean);
  t.Print("    Std. Dev%s = %g\n", mark, stats.deviation);
}

// The extra header as text: no more than the bytes read, up to a NUL.
std::string_view HeaderText(const std::vector<uint8_t>& bytes, int read) {
  const size_t n = read > 0 ? std::min(size_t(read), bytes.size()) : 0;
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), n);
  return text.substr(0, text.find('\0'));
}

}  // namespace

void PrintImageInfo(console::Terminal& t, const char* name) {
  const std::optional<ImageInfo> record = console::ImageHeading(t, name);
  if (!record) return;
  const ImageInfo& info = *record;
  t.Print("    Size:             %i x %i\n", info.width, info.height);
  t.Print("    Resolution:       %i x %i\n", info.pitch_x, info.pitch_y);
  t.Print("    Slots:            %02X \n", unsigned(info.slot_bits));
  t.Print("    Start Position:   %i \n", info.start_position);
  t.Print("    Date:             %02i.%02i.%04i\n", int(info.day), int(info.month), int(info.year));
  t.Print("    Time:             %02i:%02i:%02i\n", int(info.hour), int(info.minute), int(info.second));
  t.Print("    Serial Number:    %.*s\n", int(strnlen(info.serial_number, sizeof info.serial_number)),
          info.serial_number);
  t.Print("    ExtraBytes:       %i\n", info.extra_length);

  if (info.extra_length > 0) {
    try {
      std::vector<uint8_t> header(size_t(info.extra_length));
      const int n = Get_ImageExtraHeader(name, header.data());
      const std::string_view text = HeaderText(header, n);
      t.Print("    Extra Header:     '%.*s'\n", int(text.size()), text.data());
      t.Print("    Extra Bytes read: %i\n", n);
    } catch (const std::bad_alloc&) {}
  }

  const int64_t count = int64_t{info.width} * int64_t{info.height};
  if (info.width <= 0 || info.height <= 0) return;
  std::vector<uint16_t> pixels;
  try {
    pixels.resize(size_t(count));
  } catch (const std::bad_alloc&) {
    return;
  } catch (const std::length_error&) {
    return;
  }
  if (const int rc = Read_DiskImage(pixels.data(), name); rc != 0) {
    t.Print("Error %d reading image from disk!\n", rc);
    t.GetKey();
    return;
  }
  PrintStats(t, pixels, info.width, info.height, " ");
  Opt_ImageGreyscale(pixels.data(), info.width, info.height, 10000, 10000, 0);
  PrintStats(t, pixels, info.width, info.height, "*");
}

}  // namespace lintra
