// The viewer on an 8000 x 10000 16-bit image, each figure a ratio against
// the natural limit measured in the same run:
// - ToneWindowRender: a tone-window change re-rendering a 1800 x 1000 view
//   against a plain table-lookup pass over the same pixels (goal <= 1.5).
// - LoadImage: opening the file into the image model against fennic reading
//   it into a fresh buffer (file info, scan info, pixels; goal <= 1.3).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fennic/fennic_api.h"
#include "viewer/core/display_core.h"
#include "viewer/core/image.h"
#include "viewer/core/settings.h"

namespace {

constexpr uint32_t kWidth = 8000, kHeight = 10000;
constexpr int kViewWidth = 1800, kViewHeight = 1000;

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

std::shared_ptr<uint16_t[]> MakePixels() {
  std::shared_ptr<uint16_t[]> pixels(new uint16_t[size_t{kWidth} * kHeight]);
  std::mt19937 rng(3);
  for (size_t i = 0; i < size_t{kWidth} * kHeight; ++i) pixels[i] = static_cast<uint16_t>(rng() & 0x3FFF);
  return pixels;
}

void BM_ToneWindowRender(benchmark::State& state) {
  viewer::ImageRecord image;
  image.width = kWidth;
  image.height = kHeight;
  image.pixels = MakePixels();
  image.minTone = 0;
  image.maxTone = 0x3FFF;
  viewer::DisplayCore core;
  core.SetClientSize(kViewWidth, kViewHeight);
  core.SetData(image);
  core.SetScale(1);
  core.Render(1920, 1080);

  // The limit: one look-up per shown pixel, rows of the same view.
  const viewer::ToneTable& lut = core.Tones();
  std::vector<uint8_t> out(size_t{kViewWidth} * kViewHeight);
  const uint16_t* first = image.pixels.get() + static_cast<size_t>(core.Source().y) * kWidth +
                         static_cast<size_t>(core.Source().x);

  double render_s = 0, lookup_s = 0;
  uint16_t low = 100;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    for (int y = 0; y < kViewHeight; ++y) {
      const uint16_t* in = first + size_t{static_cast<uint32_t>(y)} * kWidth;
      uint8_t* row = out.data() + size_t{static_cast<uint32_t>(y)} * kViewWidth;
      for (int x = 0; x < kViewWidth; ++x) row[x] = lut[in[x]];
    }
    benchmark::DoNotOptimize(out.data());
    auto t1 = std::chrono::steady_clock::now();
    low = static_cast<uint16_t>((low + 37) % 4000);
    core.SetWindow(viewer::PackTones(low, static_cast<uint16_t>(low + 9000)));
    core.Render(1920, 1080);
    benchmark::DoNotOptimize(core.Bitmap());
    auto t2 = std::chrono::steady_clock::now();
    if (core.Source().width != kViewWidth || core.Source().height != kViewHeight)
      state.SkipWithError("unexpected view size");
    lookup_s += Seconds(t1 - t0);
    render_s += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  state.counters["ratio"] = render_s / lookup_s;
  state.counters["lookup_ms"] = 1000 * lookup_s / state.iterations();
}
BENCHMARK(BM_ToneWindowRender)->UseManualTime()->Unit(benchmark::kMillisecond);

std::string BenchFile() {
  const char* dir = std::getenv("VORNIX_BENCH_DIR");
  return std::string(dir ? dir : "/tmp") + "/viewer_bench_8000x10000.raw";
}

bool WriteImage(const std::string& name) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return false;
  const uint16_t header[2] = {kWidth, kHeight};
  std::fwrite(header, 2, 2, f);
  std::shared_ptr<uint16_t[]> pixels = MakePixels();
  const bool ok = std::fwrite(pixels.get(), 2, size_t{kWidth} * kHeight, f) == size_t{kWidth} * kHeight;
  return std::fclose(f) == 0 && ok;
}

void BM_LoadImage(benchmark::State& state) {
  const std::string name = BenchFile();
  if (!WriteImage(name)) {
    state.SkipWithError("cannot write the image file");
    return;
  }
  viewer::CImage image;  // no size limit
  double load_s = 0, read_s = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    {
      FileInfo file{kFileRaw, name.c_str()};
      ScanInfo info{};
      _GetFileInfo(&file);
      file.type = kFileRaw;
      _GetScanInfo(&file, &info);
      std::unique_ptr<uint16_t[]> pixels(new uint16_t[size_t{info.width} * info.height]);
      ImageData data{1, info.width, info.height, pixels.get()};
      if (_ReadImage(&file, &info, &data) != 0) state.SkipWithError("fennic read failed");
      benchmark::DoNotOptimize(pixels.get());
    }
    auto t1 = std::chrono::steady_clock::now();
    image.Open(name);
    benchmark::DoNotOptimize(image.MaxTone());
    image.Close();
    auto t2 = std::chrono::steady_clock::now();
    if (image.Sampling() != 1) state.SkipWithError("unexpected sampling");
    read_s += Seconds(t1 - t0);
    load_s += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  state.counters["ratio"] = load_s / read_s;
  state.counters["read_ms"] = 1000 * read_s / state.iterations();
  std::remove(name.c_str());
}
BENCHMARK(BM_LoadImage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace

BENCHMARK_MAIN();
