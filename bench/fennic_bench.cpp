// fennic on a tmpfs folder (env VORNIX_BENCH_DIR, default /dev/shm) with
// 4096 x 4096 and 8192 x 8192 images. Each benchmark times the library and,
// in the same iterations, the natural limit: a plain read() of the whole
// file, or a plain write() of the same pixel bytes. The counter "speed" is
// the library's speed as a fraction of that limit; the goals are >= 0.5 for
// whole reads at N = 1 and whole writes, >= 0.33 for sampled reads.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/timing.h"
#include "fennic/fennic_api.h"

namespace {

using benchtiming::Seconds;

std::string Folder() { return benchtiming::BenchParent("/dev/shm"); }

const char* Extension(uint32_t type) {
  switch (type) {
    case kFileRaw: return ".raw";
    case kFileBitmap:
    case kFileBreadboard: return ".bmp";
    case kFileTiff16: return ".tif";
    default: return ".qew";
  }
}

std::vector<uint16_t> Pixels(uint32_t side) {
  std::vector<uint16_t> px(size_t(side) * side);
  uint32_t s = 1;
  for (auto& v : px) v = uint16_t((s = s * 1664525u + 1013904223u) >> 16);
  return px;
}

ScanInfo Info(uint32_t side) {
  ScanInfo s{};
  s.source = kSourceHpScanner;
  s.width = s.height = side;
  s.resolutionX = s.resolutionY = 11811;
  return s;
}

// A file of the type and size, written once per run; removed at exit.
struct Fixtures {
  std::map<std::pair<uint32_t, uint32_t>, std::string> files;
  ~Fixtures() {
    for (auto& [key, name] : files) unlink(name.c_str());
  }
  const std::string& get(uint32_t type, uint32_t side) {
    auto& name = files[{type, side}];
    if (name.empty()) {
      name = Folder() + "/fennic-bench-" + std::to_string(side) + Extension(type);
      std::vector<uint16_t> px = Pixels(side);
      ScanInfo s = Info(side);
      ImageData d{1, side, side, px.data()};
      FileInfo f{type, name.c_str()};
      if (_Write(&f, &s, &d) != 0) std::abort();
    }
    return name;
  }
};
Fixtures fixtures;

bool PlainRead(const std::string& name, std::vector<uint8_t>& buf) {
  int fd = open(name.c_str(), O_RDONLY);
  if (fd < 0) return false;
  size_t done = 0;
  for (ssize_t n; done < buf.size() && (n = read(fd, buf.data() + done, buf.size() - done)) > 0;) done += size_t(n);
  close(fd);
  return true;
}

bool PlainWrite(const std::string& name, const void* data, size_t len) {
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  for (ssize_t n; done < len && (n = write(fd, static_cast<const char*>(data) + done, len - done)) > 0;)
    done += size_t(n);
  close(fd);
  return done == len;
}

size_t FileSize(const std::string& name) {
  int fd = open(name.c_str(), O_RDONLY);
  off_t size = lseek(fd, 0, SEEK_END);
  close(fd);
  return size_t(size);
}

// Args: file type, side, sampling.
void BM_Read(benchmark::State& state) {
  const auto type = uint32_t(state.range(0)), side = uint32_t(state.range(1)), n = uint32_t(state.range(2));
  const std::string& name = fixtures.get(type == kFileBitmap ? kFileBreadboard : type, side);
  std::vector<uint8_t> plain(FileSize(name));
  std::vector<uint16_t> out(size_t(side / n) * (side / n));
  ScanInfo r = Info(side);
  ImageData d{n, side / n, side / n, out.data()};
  FileInfo f{type, name.c_str()};
  double ours = 0, limit = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (!PlainRead(name, plain)) state.SkipWithError("read failed");
    auto t1 = std::chrono::steady_clock::now();
    if (_ReadImage(&f, &r, &d) != 0) state.SkipWithError("_ReadImage failed");
    auto t2 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(out.data());
    limit += Seconds(t1 - t0);
    ours += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  state.counters["speed"] = limit / ours;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
}

// Args: file type, side.
void BM_Write(benchmark::State& state) {
  const auto type = uint32_t(state.range(0)), side = uint32_t(state.range(1));
  std::vector<uint16_t> px = Pixels(side);
  ScanInfo s = Info(side);
  ImageData d{1, side, side, px.data()};
  const std::string name = Folder() + "/fennic-bench-out" + Extension(type);
  const std::string plain = Folder() + "/fennic-bench-plain";
  // The limit writes as many bytes as the file holds.
  FileInfo first{type, name.c_str()};
  if (_Write(&first, &s, &d) != 0) state.SkipWithError("_Write failed");
  std::vector<uint8_t> bytes(FileSize(name));
  double ours = 0, limit = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (!PlainWrite(plain, bytes.data(), bytes.size())) state.SkipWithError("write failed");
    auto t1 = std::chrono::steady_clock::now();
    FileInfo f{type, name.c_str()};
    if (_Write(&f, &s, &d) != 0) state.SkipWithError("_Write failed");
    auto t2 = std::chrono::steady_clock::now();
    limit += Seconds(t1 - t0);
    ours += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  unlink(name.c_str());
  unlink(plain.c_str());
  state.counters["speed"] = limit / ours;
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

// Args: file type, side, copied width (0: the full width). The limit is a
// plain read and write of as many bytes as the copy holds.
void BM_Copy(benchmark::State& state) {
  const auto type = uint32_t(state.range(0)), side = uint32_t(state.range(1));
  const uint32_t w = state.range(2) ? uint32_t(state.range(2)) : side, h = side / 2;
  const std::string& name = fixtures.get(type, side);
  const std::string out = Folder() + "/fennic-bench-copy" + Extension(type);
  const std::string plain = Folder() + "/fennic-bench-plain";
  FileInfo first{type, name.c_str()};
  if (_CopyRegion(&first, out.c_str(), 0, side / 4, w - 1, side / 4 + h - 1) != 0) state.SkipWithError("_CopyRegion");
  std::vector<uint8_t> bytes(FileSize(out));
  double ours = 0, limit = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (!PlainRead(name, bytes) || !PlainWrite(plain, bytes.data(), bytes.size())) state.SkipWithError("plain");
    auto t1 = std::chrono::steady_clock::now();
    FileInfo f{type, name.c_str()};
    if (_CopyRegion(&f, out.c_str(), 0, side / 4, w - 1, side / 4 + h - 1) != 0) state.SkipWithError("_CopyRegion");
    auto t2 = std::chrono::steady_clock::now();
    limit += Seconds(t1 - t0);
    ours += Seconds(t2 - t1);
    state.SetIterationTime(Seconds(t2 - t1));
  }
  unlink(out.c_str());
  unlink(plain.c_str());
  state.counters["speed"] = limit / ours;
}

void ReadArgs(benchmark::internal::Benchmark* b) {
  for (int type : {kFileQew, kFileRaw, kFileTiff16, kFileBreadboard, kFileBitmap})
    for (int side : {4096, 8192})
      for (int n : {1, 2, 3, 4, 8, 16}) b->Args({type, side, n});
}
void WriteArgs(benchmark::internal::Benchmark* b) {
  for (int type : {kFileQew, kFileRaw, kFileTiff16, kFileBreadboard})
    for (int side : {4096, 8192}) b->Args({type, side});
}
void CopyArgs(benchmark::internal::Benchmark* b) {
  for (int type : {kFileQew, kFileRaw, kFileTiff16, kFileBreadboard})
    for (int side : {4096, 8192})
      for (int w : {0, 64}) b->Args({type, side, w});
}

BENCHMARK(BM_Read)->Apply(ReadArgs)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->Apply(WriteArgs)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Copy)->Apply(CopyArgs)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
