// Arbitrary scan-data streams through the parser, plate detection and image
// assembly. The first bytes choose the scan geometry and how the stream is
// cut into pieces; the rest is the stream.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/acquisition/acquisition.h"
#include "driver/config/session_log.h"
#include "platform/ui.h"

namespace {

namespace fs = std::filesystem;

// Refused plates show a box; here nobody answers.
class SilentUi : public platform::UiHandler {
 public:
  int MessageBox(std::string_view, std::string_view, unsigned) override { return platform::kIdOk; }
  int ModeDialog(const platform::ModeDialogRequest&) override { return 0; }
};

struct Workspace {
  SilentUi ui;
  std::string folder;
  tarvel::Acquisition acq;
  Workspace() {
    folder = (fs::temp_directory_path() / ("stream-fuzz-" + std::to_string(::getpid()))).string();
    fs::create_directories(folder);
    acq.OpenTempFile(folder + "/Tarvel.tmp");
    acq.SetImageFolder(folder);
    // Log lines are formatted but reach no disk.
    tarvel::OpenNullSessionLog();
    platform::SetUiHandler(&ui);
  }
  ~Workspace() {
    platform::SetUiHandler(nullptr);
    acq.CloseTempFile();
    tarvel::CloseSessionLog();
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  void RemoveImages() {
    std::error_code ec;
    for (auto& e : fs::directory_iterator(folder, ec))
      if (e.path().filename() != "Tarvel.tmp") fs::remove(e.path(), ec);
  }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Workspace ws;
  if (size < 8) return 0;
  tarvel::AcquisitionSettings s;
  s.anz_pix = 8 + (data[0] | (data[1] & 3) << 8);  // 8 .. 1031 pixels a line
  s.binning = 1 + (data[2] & 1);
  s.sample_factor = 1 + ((data[2] >> 1) & 1);
  s.mirror = data[2] & 4;
  s.plate_type = (data[2] >> 3) & 3;
  s.rotation = (data[3] % 8) * 90 - 270;
  s.deflash = static_cast<int16_t>((data[4] - 128) * 64);
  s.threshold = static_cast<uint16_t>(data[5] * 200);
  s.max_pix_val = static_cast<uint16_t>(1 + data[6] * 257);
  s.pitch_x = (1 + (data[7] & 15)) * 25e-6;
  s.pitch_y = (1 + (data[7] >> 4)) * 25e-6;
  s.min_area = data[1] >> 2;
  s.mwindow_x = data[3];
  s.mwindow_y = data[4];
  s.scanner_type = (data[2] & 0x20) ? 5 : 0;
  for (int k = 0; k < 7; ++k) s.slot_bounds[k] = k * s.anz_pix / 6;
  const bool small_pieces = data[6] & 0x80;

  tarvel::Acquisition& acq = ws.acq;
  acq.SetSettings(s);
  acq.PrescanSetup(data[5] % 4 == 0 ? 1 + data[0] : 0);
  acq.Activate();
  int reads = 0;
  for (size_t at = 8; at < size;) {
    // Whole pieces, or small ones cut at any byte.
    size_t n = std::min<size_t>(small_pieces ? 1 + (at * 7919) % 97 : tarvel::kPieceBytes, size - at);
    int empty = 0;
    acq.ParsePiece(data + at, n, &empty);
    at += n;
    if (empty == 0 && reads++ > 50) {
      acq.FlushRanges(false);
      reads = 0;
    } else if (empty > 0 && acq.HasData()) {
      acq.FlushRanges(true);
      acq.Reset();
    }
    if (acq.PrescanWaiting()) {
      uint8_t line[1024];
      acq.PrescanTake(line);
    }
  }
  acq.FlushRanges(true);
  acq.Reset();
  ws.RemoveImages();
  return 0;
}
