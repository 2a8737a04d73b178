// Arbitrary scan-data streams through the parser, plate detection and image
// assembly. The first bytes choose the scan geometry and how the stream is
// cut into pieces; the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver/acquisition/acquisition.h"
#include "driver/acquisition/stream_poll.h"
#include "driver/tests/acquisition/piece_device.h"
#include "testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// Log lines are formatted but kept nowhere; refused plates show no box.
tarvel::AcquisitionSeams Quiet() {
  tarvel::AcquisitionSeams seams;
  seams.error_box = [](const std::string&, const std::string&) {};
  return seams;
}

struct Workspace {
  testsupport::TempFolder folder{"stream-fuzz"};
  tarvel::Acquisition acq{Quiet()};
  Workspace() {
    acq.OpenTempFile(folder / "Tarvel.tmp");
    acq.SetImageFolder(folder.path());
  }
  ~Workspace() { acq.CloseTempFile(); }
  void RemoveImages() {
    std::error_code ec;
    for (auto& e : fs::directory_iterator(folder.path(), ec))
      if (e.path().filename() != "Tarvel.tmp") fs::remove(e.path(), ec);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Workspace ws;
  if (size < 8) return 0;
  tarvel::ScanMode s;
  s.ADC_Ovs = 12;
  s.Anz_Pix = 8 + (data[0] | (data[1] & 3) << 8);  // 8 .. 1031 pixels a line
  s.binning = 1 + (data[2] & 1);
  s.sample_factor = 1 + ((data[2] >> 1) & 1);
  s.mirror = data[2] & 4;
  s.plate_type = (data[2] >> 3) & 3;
  s.rotation = (data[3] % 8) * 90 - 270;
  s.deflash = static_cast<int16_t>((data[4] - 128) * 64);
  s.ADC_SW = static_cast<uint16_t>(data[5] * 200);
  s.MaxPixVal = static_cast<uint16_t>(1 + data[6] * 257);
  s.pitch_x = (1 + (data[7] & 15)) * 25e-6;
  s.pitch_y = (1 + (data[7] >> 4)) * 25e-6;
  s.min_image_pixels = data[1] >> 2;
  s.mwindow_x = data[3];
  s.mwindow_y = data[4];
  const int scanner_type = (data[2] & 0x20) ? 5 : 0;
  for (int k = 0; k < 7; ++k) s.slot_boundaries[k] = k * s.Anz_Pix / 6;
  const bool small_pieces = data[6] & 0x80;

  tarvel::Acquisition& acq = ws.acq;
  acq.SetSettings(s, scanner_type);
  acq.PrescanSetup(data[5] % 4 == 0 ? 1 + data[0] : 0);
  acq.Activate();
  // Polled as the session polls; whole pieces, or small ones cut at any byte.
  acqtest::PieceDevice device(
      data + 8, size - 8, [&](size_t at) { return small_pieces ? 1 + ((at + 8) * 7919) % 97 : tarvel::kPieceBytes; });
  tarvel::StreamPoller poller(acq, device);
  acqtest::PollToEnd(poller, device, [&] {
    if (acq.PrescanWaiting()) {
      uint8_t line[1024];
      acq.PrescanTake(line);
    }
  });
  ws.RemoveImages();
  return 0;
}
