// Polling, parsing, plate detection and image assembly of a fully lit stream (one
// plate across the whole 50 um scan line, 6318 x 2400 pixels) against a plain
// write() of the same bytes to the same folder, both timed in every
// iteration. The counter "ratio" is the speed of the pipeline relative to
// the write: median write time / median pipeline time, so that a moment of
// load on a shared machine does not decide it; "ratio_total" is the same
// from the sums. The goal is >= 0.25.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/pipeline_timing.h"
#include "testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using benchtiming::BenchParent;
using benchtiming::Median;
using benchtiming::Seconds;
using benchtiming::TimePipeline;

constexpr int kAnzPix = 6319;
constexpr int kLitPixels = 6318;  // whole pairs on the line
constexpr int kLines = 2400;

std::vector<uint8_t> LitStream() {
  std::vector<uint8_t> s;
  s.reserve(static_cast<size_t>(kLines) * (kLitPixels * 2 + 4) + 8);
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> value(200, 40000);
  auto put = [&](uint16_t w) {
    s.push_back(static_cast<uint8_t>(w));
    s.push_back(static_cast<uint8_t>(w >> 8));
  };
  for (int y = 0; y < kLines; ++y) {
    for (int x = 0; x < kLitPixels; ++x) put(static_cast<uint16_t>(value(rng)));
    put(0xFFFE);
    put(0);
  }
  put(0xFFFE);  // a dark line ends the plate
  put(kAnzPix - 1);
  return s;
}

bool PlainWrite(const std::string& path, const std::vector<uint8_t>& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, std::min<size_t>(bytes.size() - done, 1 << 20));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

void BM_StreamToImage(benchmark::State& state) {
  const testsupport::TempFolder folder("acquisition-bench", BenchParent());
  const fs::path dir = folder.path();
  const std::vector<uint8_t> stream = LitStream();

  tarvel::ScanMode mode;
  mode.ADC_Ovs = 12;
  mode.pitch_x = mode.pitch_y = 50e-6;
  mode.plate_type = tarvel::kPlateIntraoral;
  mode.mwindow_x = mode.mwindow_y = 80;
  mode.Anz_Pix = kAnzPix;
  mode.ADC_SW = 100;
  mode.MaxPixVal = 49140;
  mode.deflash = 5000;
  mode.min_image_pixels = 159999;  // 400 mm2 at 50 um
  for (int k = 0; k < 7; ++k) mode.slot_boundaries[k] = (k * 45 * kAnzPix + 91) / 182;
  tarvel::Acquisition acq;
  acq.SetSettings(mode, 0);
  if (!acq.OpenTempFile((dir / "Tarvel.tmp").string()) || !acq.SetImageFolder(dir.string())) {
    state.SkipWithError("cannot open the temporary file");
    return;
  }
  std::vector<double> pipeline_s, write_s;
  for (auto _ : state) {
    acq.LastNumber();
    auto t0 = std::chrono::steady_clock::now();
    bool wrote = PlainWrite((dir / "plain.bin").string(), stream);
    auto t1 = std::chrono::steady_clock::now();
    const double pipeline = TimePipeline(acq, stream);
    if (!wrote || acq.WrittenNumber() != 1) state.SkipWithError("no image was made");
    write_s.push_back(Seconds(t1 - t0));
    pipeline_s.push_back(pipeline);
    state.SetIterationTime(pipeline);
    for (const char* n : {"KP000001.QEW", "KP000001.txt", "plain.bin"}) fs::remove(dir / n);
  }
  double write_total = 0, pipeline_total = 0;
  for (double t : write_s) write_total += t;
  for (double t : pipeline_s) pipeline_total += t;
  state.counters["ratio"] = Median(write_s) / Median(pipeline_s);
  state.counters["ratio_total"] = write_total / pipeline_total;
  state.counters["write_s"] = Median(write_s);
  state.SetBytesProcessed(static_cast<int64_t>(stream.size()) * state.iterations());
  acq.CloseTempFile();
}
BENCHMARK(BM_StreamToImage)->UseManualTime()->Iterations(21)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
