// The USB path against its natural limits, measured in the same run:
//
// - BM_UsbThroughput: a fully lit stream read through the USB path (reader
//   thread, overlapped completions, takes) as the session polls it (the
//   status, then one block of up to 40960 bytes). "over_scanner_rate" is the
//   median rate / the scanner's highest data rate (6319 pixels x 2 bytes x
//   1000 lines a second). Goal: >= 10.
// - BM_CpuPerMegabyte: the process's CPU seconds per delivered MB, the USB
//   path (every thread it keeps busy counts) against the parallel-port path
//   over the same stream. "usb_over_epp" is the ratio of the medians.
//   Goal: <= 1.5.
// - BM_IdleUsbSession: an open USB session, no plate, polled with Get_Status
//   without pause as the consoles poll. "others_cpu_percent" is the CPU of
//   every thread but the polling one, in percent of the wall time. Goal: <= 1.
//
// Each path has a simulated scanner of its own: the USB reader keeps its
// transfers in flight between runs, and on a shared scanner they would take
// the words meant for the other path.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <vector>

#include "bench/timing.h"
#include "driver/api/library.h"
#include "driver/device/usb/setup_api.h"
#include "driver/device/usb/usb_discovery.h"
#include "driver/device/usb/usb_scanner_transport.h"
#include "driver/session/interface_probe.h"
#include "driver/tarvel_api.h"
#include "driver/tests/config/library_folder.h"
#include "driver/tests/device/owned_registers.h"
#include "driver/tests/usb/guid.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "simulator/parallel_port.h"
#include "simulator/usb_port.h"
#include "testing/temp_folder.h"

namespace {

constexpr size_t kWords = 1 << 20;  // 4 MiB of sample pairs
constexpr uint32_t kBlock = 40960;
constexpr double kScannerBytesPerSecond = 6319.0 * 2 * 1000;

double CpuSeconds(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::vector<uint32_t> LitStream() {
  std::vector<uint32_t> words(kWords);
  for (size_t i = 0; i < words.size(); ++i) words[i] = 0x40004000u + static_cast<uint32_t>(i % 4096);
  return words;
}

struct Run {
  double wall_s = 0;
  double cpu_s = 0;  // the whole process
  bool complete = false;  // every byte came within the limit
};

constexpr auto kRunLimit = std::chrono::seconds(20);

Run ReadAll(tarvel::ScannerRegisters& device, sim::Scanner& scanner, const std::vector<uint32_t>& words) {
  scanner.AppendMemory(words);
  std::vector<uint8_t> block(kBlock);
  size_t total = 0;
  const double cpu0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
  const auto start = std::chrono::steady_clock::now();
  while (total < words.size() * 4 && std::chrono::steady_clock::now() - start < kRunLimit) {
    ScanStatus status{};
    device.Dev_GetScanStatus(&status);
    uint32_t got = 0;
    device.Transport().Dev_ReadBlock(block.data(), kBlock, &got);
    total += got;
    benchmark::DoNotOptimize(block.data());
  }
  Run r;
  r.wall_s = benchtiming::Seconds(std::chrono::steady_clock::now() - start);
  r.cpu_s = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
  r.complete = total == words.size() * 4;
  return r;
}

sim::Scenario Configured(const char* interface) {
  sim::Scenario scenario;
  scenario.fpga_configured = true;
  scenario.interface = interface;
  return scenario;
}

// A device of each path on its scanner of its own, connected.
struct Paths {
  Paths() {
    epp_scanner->SetTracing(false);
    usb_scanner->SetTracing(false);
    sim::AttachParallelPort(epp_scanner);
    sim::AttachUsb(usb_scanner);
    epp.Transport().Dev_Open();
    epp.Transport().Dev_Connect();
    usb.Transport().Dev_Open();
    usb.Transport().Dev_Connect();
    // One untimed run of each first: starting the reader thread and placing
    // it on a core are not part of the steady cost.
    ReadAll(epp, *epp_scanner, words);
    ReadAll(usb, *usb_scanner, words);
  }
  ~Paths() {
    usb.Transport().Dev_Disconnect();
    epp.Transport().Dev_Disconnect();
    sim::DetachUsb();
    sim::DetachParallelPort();
  }
  std::shared_ptr<sim::Scanner> epp_scanner = std::make_shared<sim::Scanner>(Configured("USB,EPP"));
  std::shared_ptr<sim::Scanner> usb_scanner = std::make_shared<sim::Scanner>(Configured("USB,EPP"));
  const std::vector<uint32_t> words = LitStream();
  devtest::OwnedRegisters epp;
  tarvel::usb::SetupApiLibrary setup_api;
  tarvel::usb::UsbDevices devices{setup_api};  // the USB path's own state
  devtest::OwnedRegisters usb{std::make_unique<tarvel::UsbScannerTransport>(devices)};
};

// Medians throughout: a run that the scheduler happens to hold up (both
// threads put on one core for a while) says nothing about either path.
void BM_UsbThroughput(benchmark::State& state) {
  Paths p;
  std::vector<double> rate;
  for (auto _ : state) {
    const Run r = ReadAll(p.usb, *p.usb_scanner, p.words);
    if (!r.complete) {
      state.SkipWithError("the USB path lost data");
      return;
    }
    rate.push_back(static_cast<double>(p.words.size() * 4) / r.wall_s);
    state.SetIterationTime(r.wall_s);
  }
  state.counters["over_scanner_rate"] = benchtiming::Median(rate) / kScannerBytesPerSecond;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * p.words.size() * 4));
}

void BM_CpuPerMegabyte(benchmark::State& state) {
  Paths p;
  const double megabytes = static_cast<double>(p.words.size() * 4) / 1e6;
  std::vector<double> epp_cpu, usb_cpu;
  for (auto _ : state) {
    const Run epp = ReadAll(p.epp, *p.epp_scanner, p.words);
    const Run usb = ReadAll(p.usb, *p.usb_scanner, p.words);
    if (!epp.complete || !usb.complete) {
      state.SkipWithError("a path lost data");
      return;
    }
    epp_cpu.push_back(epp.cpu_s / megabytes);
    usb_cpu.push_back(usb.cpu_s / megabytes);
    state.SetIterationTime(usb.wall_s);
  }
  state.counters["usb_cpu_ms_per_mb"] = 1000 * benchtiming::Median(usb_cpu);
  state.counters["epp_cpu_ms_per_mb"] = 1000 * benchtiming::Median(epp_cpu);
  state.counters["usb_over_epp"] = benchtiming::Median(usb_cpu) / benchtiming::Median(epp_cpu);
}

void BM_IdleUsbSession(benchmark::State& state) {
  platform::SetFreeDiskSpaceOverride(uint64_t{8} << 30);
  platform::UseVirtualClock(1000);
  testsupport::TempFolder folder{"vornix-usb-bench", benchtiming::BenchParent()};
  configtest::LibraryFolder library{folder.path()};
  std::ofstream(library.bin() + "/Tarvel.ini") << "[Param_#1]\nParamName=Intra\nImgTypes=Intra\n";
  sim::Scenario scenario = Configured("USB");
  scenario.guid = usbtest::kGuidType6;
  auto scanner = std::make_shared<sim::Scanner>(scenario);
  scanner->SetTracing(false);
  sim::AttachUsb(scanner);
  tarvel::ResetInterfaceProbe(tarvel::Library().session);
  if (Open_Scanner(1) != 0) {
    state.SkipWithError("Open_Scanner failed over USB");
  } else {
    std::vector<double> share, rate;
    for (auto _ : state) {
      const double process0 = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
      const double own0 = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
      const auto start = std::chrono::steady_clock::now();
      const auto until = start + std::chrono::milliseconds(500);
      int polls = 0;
      while (std::chrono::steady_clock::now() < until) {
        benchmark::DoNotOptimize(Get_Status());
        ++polls;
      }
      const double wall = benchtiming::Seconds(std::chrono::steady_clock::now() - start);
      const double own = CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - own0;
      const double others = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process0 - own;
      share.push_back(others / wall);
      state.SetIterationTime(wall);
      rate.push_back(polls / wall);
    }
    state.counters["others_cpu_percent"] = 100 * benchtiming::Median(share);
    state.counters["polls_per_s"] = benchtiming::Median(rate);
  }
  Close_Scanner();
  sim::DetachUsb();
  tarvel::ResetInterfaceProbe(tarvel::Library().session);
  platform::UseRealClock();
  platform::SetFreeDiskSpaceOverride(std::nullopt);
}

}  // namespace

BENCHMARK(BM_UsbThroughput)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuPerMegabyte)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleUsbSession)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
