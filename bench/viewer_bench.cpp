// The viewer on an 8000 x 10000 16-bit image, each figure a ratio against
// the natural limit measured in the same run:
// - ToneWindowRender: a tone-window change re-rendering a 1800 x 1000 view
//   against a plain table-lookup pass over the same pixels (goal <= 1.5).
// - LoadImage: opening the file into the image model against fennic reading
//   it into a fresh buffer (file info, scan info, pixels; goal <= 1.3).
// - OpenToFirstPaint: the main window's Open through the first paint of the
//   display against fennic's read plus one render of the same view
//   (goal <= 1.3).
// - HistogramCount: the histogram's count against a plain 65536-bin count
//   (goal <= 1.5).
// - MeanValue: the region statistics over the whole image against a plain
//   mean and deviation pass (goal <= 1.5).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <cmath>

#include "bench/timing.h"
#include "fennic/fennic_api.h"
#include "viewer/app/main_form.h"
#include "viewer/app/tool_geometry.h"
#include "viewer/core/display_core.h"
#include "viewer/core/image.h"
#include "viewer/core/settings.h"
#include "viewer/core/tone_counts.h"

namespace {

constexpr uint32_t kWidth = 8000, kHeight = 10000;
constexpr int kViewWidth = 1800, kViewHeight = 1000;

using benchtiming::Seconds;

// The ratio of our time to the limit's, and the limit's time per iteration.
void ReportRatio(benchmark::State& state, double ours_s, double limit_s, const char* limit_name) {
  state.counters["ratio"] = ours_s / limit_s;
  state.counters[limit_name] = 1000 * limit_s / state.iterations();
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
  const uint16_t* first =
      image.pixels.get() + static_cast<size_t>(core.Source().y) * kWidth + static_cast<size_t>(core.Source().x);

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
  ReportRatio(state, render_s, lookup_s, "lookup_ms");
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

// The file read by fennic alone into a fresh buffer (null pixels on failure).
viewer::ImageRecord ReadWithFennic(const std::string& name) {
  FileInfo file{kFileRaw, name.c_str()};
  ScanInfo info{};
  _GetFileInfo(&file);
  file.type = kFileRaw;
  _GetScanInfo(&file, &info);
  viewer::ImageRecord record;
  std::shared_ptr<uint16_t[]> pixels(new uint16_t[size_t{info.width} * info.height]);
  ImageData data{1, info.width, info.height, pixels.get()};
  if (_ReadImage(&file, &info, &data) != 0) return record;
  record.width = info.width;
  record.height = info.height;
  record.pixels = pixels;
  return record;
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
      const viewer::ImageRecord record = ReadWithFennic(name);
      if (!record.pixels) state.SkipWithError("fennic read failed");
      benchmark::DoNotOptimize(record.pixels.get());
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
  ReportRatio(state, load_s, read_s, "read_ms");
  std::remove(name.c_str());
}
BENCHMARK(BM_LoadImage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(8);

void BM_HistogramCount(benchmark::State& state) {
  const std::shared_ptr<uint16_t[]> pixels = MakePixels();
  const size_t n = size_t{kWidth} * kHeight;
  std::vector<uint32_t> plain(65536);
  auto counts = std::make_unique<viewer::ToneCounts>();
  double ours_s = 0, plain_s = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    std::fill(plain.begin(), plain.end(), 0);
    const uint16_t* p = pixels.get();
    for (size_t i = 0; i < n; ++i) ++plain[p[i]];
    benchmark::DoNotOptimize(plain.data());
    auto t1 = std::chrono::steady_clock::now();
    counts->fill(0);
    viewer::CountTones(pixels.get(), n, *counts);
    benchmark::DoNotOptimize(counts->data());
    auto t2 = std::chrono::steady_clock::now();
    plain_s += Seconds(t1 - t0);
    ours_s += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  ReportRatio(state, ours_s, plain_s, "plain_ms");
}
BENCHMARK(BM_HistogramCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_MeanValue(benchmark::State& state) {
  const std::string name = BenchFile();
  if (!WriteImage(name)) {
    state.SkipWithError("cannot write the image file");
    return;
  }
  viewer::CImage image;
  image.Open(name);
  const size_t n = size_t{kWidth} * kHeight;
  const viewer::Rect roi{0, 0, int32_t(kWidth) - 1, int32_t(kHeight) - 1};
  double ours_s = 0, plain_s = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    const uint16_t* p = image.Pixels();
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += p[i];
    const double mean = double(sum) / double(n);
    double q = 0;
    for (size_t i = 0; i < n; ++i) q += (p[i] - mean) * (p[i] - mean);
    benchmark::DoNotOptimize(&q);
    benchmark::ClobberMemory();
    auto t1 = std::chrono::steady_clock::now();
    viewer::RegionStatistics stats;
    if (!viewer::MeasureRegion(image, roi, stats)) state.SkipWithError("no statistics");
    // Through pointers: the register form of DoNotOptimize garbles doubles.
    benchmark::DoNotOptimize(&stats);
    benchmark::ClobberMemory();
    auto t2 = std::chrono::steady_clock::now();
    if (std::fabs(stats.deviation - std::sqrt(q / double(n - 1))) > 1e-6 * stats.deviation)
      state.SkipWithError("statistics differ");
    plain_s += Seconds(t1 - t0);
    ours_s += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  ReportRatio(state, ours_s, plain_s, "plain_ms");
  std::remove(name.c_str());
}
BENCHMARK(BM_MeanValue)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);

// Answers every open dialog with `open`; everything else is cancelled.
class SilentPrompts : public viewer::Prompts {
 public:
  std::optional<std::string> OpenFile(QWidget*, const std::vector<viewer::FileFilter>&) override { return open; }
  std::optional<viewer::SaveChoice> SaveFile(QWidget*, const std::vector<viewer::FileFilter>&,
                                             const std::vector<QString>&) override {
    return {};
  }
  void Box(QWidget*, viewer::BoxKind, const std::string&) override {}
  bool Ask(QWidget*, const std::string&) override { return false; }
  std::optional<std::string> open;
};

void BM_OpenToFirstPaint(benchmark::State& state) {
  const std::string name = BenchFile();
  if (!WriteImage(name)) {
    state.SkipWithError("cannot write the image file");
    return;
  }
  static int argc = 1;
  static char app_name[] = "viewer_bench";
  static char* argv[] = {app_name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  viewer::ViewerSettings settings;
  SilentPrompts prompts;
  prompts.open = name;
  viewer::TMainForm form(settings, prompts);
  form.resize(kViewWidth + 40, kViewHeight + 160);
  form.show();
  form.Start(std::nullopt);
  auto* viewer = form.findChild<viewer::TImageViewer*>(QStringLiteral("ImageViewer"));
  QWidget* viewport = viewer->viewport();
  QAction* open = form.findChild<QAction*>(QStringLiteral("Open..."));
  QAction* close = form.findChild<QAction*>(QStringLiteral("Close"));
  double open_s = 0, limit_s = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    {
      viewer::ImageRecord record = ReadWithFennic(name);
      if (!record.pixels) state.SkipWithError("fennic read failed");
      record.maxTone = 0x3FFF;
      viewer::DisplayCore core;
      core.SetClientSize(viewport->width(), viewport->height());
      core.SetData(record);
      core.Render(1920, 1080);
      benchmark::DoNotOptimize(core.Bitmap());
    }
    auto t1 = std::chrono::steady_clock::now();
    open->trigger();
    viewport->repaint();
    auto t2 = std::chrono::steady_clock::now();
    if (viewer->IsEmpty()) state.SkipWithError("open failed");
    close->trigger();
    limit_s += Seconds(t1 - t0);
    open_s += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  ReportRatio(state, open_s, limit_s, "limit_ms");
  std::remove(name.c_str());
}
BENCHMARK(BM_OpenToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
