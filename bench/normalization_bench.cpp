// Make_CalibFile on a 4775 x 4040 flat field in a tmpfs folder (env
// VORNIX_BENCH_DIR, default /dev/shm), against the natural limit in the
// same iterations: a plain pread() of the measured rows of the image file
// and a plain pass that sums them by column. The counter "ratio" is calibration
// time / plain time; the goal is <= 2. "kernel_ratio" compares the
// measurement alone with the column sums alone on pixels in memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "driver/normalization/calib_file.h"
#include "driver/tarvel_api.h"
#include "platform/files.h"
#include "testing/temp_folder.h"

namespace {

constexpr int kWidth = 4775, kHeight = 4040;
const tarvel::ScannerLine kLine{"VX0000001", 14583, 5000, 100e-6};

using benchtiming::Seconds;

std::vector<uint16_t> FlatField() {
  std::vector<uint16_t> px(static_cast<size_t>(kWidth) * kHeight);
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> noise(0, 600);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      px[static_cast<size_t>(y) * kWidth + x] = static_cast<uint16_t>(18000 + x / 2 + noise(rng));
  return px;
}

void WriteImage(const std::string& name, const std::vector<uint16_t>& px) {
  std::string disk = {char(kWidth & 0xFF), char(kWidth >> 8), char(kHeight & 0xFF), char(kHeight >> 8)};
  disk.append(reinterpret_cast<const char*>(px.data()), px.size() * 2);
  platform::WriteFileAtomically(name, disk);
  ImageInfoFile info{};
  info.size = 108;
  info.width = kWidth;
  info.height = kHeight;
  info.pitch_x = info.pitch_y = 100000;
  info.bits_per_pixel = 16;
  std::memcpy(info.serial_number, "VX0000001", 9);
  platform::WriteFileAtomically(name.substr(0, name.size() - 3) + "txt",
                                std::string(reinterpret_cast<const char*>(&info), sizeof info));
}

// The plain pass: column sums of the measured area.
void ColumnSums(const uint16_t* px, const tarvel::MeasuredArea& a, std::vector<uint64_t>& sums) {
  std::fill(sums.begin(), sums.end(), 0);
  for (int r = 0; r < a.rows; ++r) {
    const uint16_t* row = px + static_cast<size_t>(a.first_row + r) * kWidth + a.first_column;
    for (int c = 0; c < a.columns; ++c) sums[static_cast<size_t>(c)] += row[c];
  }
}

void BM_MakeCalibFile(benchmark::State& state) {
  const testsupport::TempFolder folder("normalization-bench", benchtiming::BenchParent("/dev/shm"));
  const std::string image = folder / "KP000001.QEW";
  const std::vector<uint16_t> field = FlatField();
  WriteImage(image, field);
  const tarvel::MeasuredArea area = tarvel::MeasuredAreaOf(kWidth, kHeight);
  std::vector<uint16_t> buffer(field.size());
  std::vector<uint64_t> sums(static_cast<size_t>(area.columns));

  if (tarvel::Make_CalibFile(image, kLine) != 0) state.SkipWithError("Make_CalibFile failed");
  double calib_s = 0, plain_s = 0, measure_s = 0, sums_s = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    // The plain job reads the measured rows and sums them by column.
    const int fd = ::open(image.c_str(), O_RDONLY);
    const size_t row_bytes = size_t{2} * kWidth;
    const ssize_t got = ::pread(fd, buffer.data() + size_t(area.first_row) * kWidth, row_bytes * size_t(area.rows),
                                off_t(4 + row_bytes * size_t(area.first_row)));
    ::close(fd);
    ColumnSums(buffer.data(), area, sums);
    auto t1 = std::chrono::steady_clock::now();
    const int r = tarvel::Make_CalibFile(image, kLine);
    auto t2 = std::chrono::steady_clock::now();
    ColumnSums(field.data(), area, sums);
    auto t3 = std::chrono::steady_clock::now();
    const tarvel::FlatFieldMeasure m = tarvel::MeasureFlatField(field.data(), kWidth, area);
    auto t4 = std::chrono::steady_clock::now();
    if (r != 0 || got <= 0) state.SkipWithError("calibration or read failed");
    benchmark::DoNotOptimize(sums.data());
    benchmark::DoNotOptimize(m.total);
    plain_s += Seconds(t1 - t0);
    calib_s += Seconds(t2 - t1);
    sums_s += Seconds(t3 - t2);
    measure_s += Seconds(t4 - t3);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  state.counters["ratio"] = calib_s / plain_s;
  state.counters["kernel_ratio"] = measure_s / sums_s;
  state.counters["plain_ms"] = 1000 * plain_s / state.iterations();
}
BENCHMARK(BM_MakeCalibFile)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
