// Cost of an idle Get_Status on the simulated scanner beside the cost of one
// simulated register read in the same run: an idle poll should cost no more
// than the register reads it makes (the status record's eight reads).
//
// A whole session of a full-width ceph plate at 50 um (6316 x 2400 pixels)
// beside the acquisition pipeline over the same stream: the simulator scans
// the plate into its memory first, untimed; then the session's polls, until
// the image is handed out, are timed against the pipeline run on a copy of
// that memory. The driver's own time is the session's time less the
// simulator's cost of delivering the same words from its memory. The counter
// "ratio" is its median / the pipeline's median (goal <= 1.5); "ratio_wall"
// counts the simulator's delivery in.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/pipeline_timing.h"

#include "driver/api/library.h"
#include "driver/session/interface_probe.h"
#include "driver/tarvel_api.h"
#include "driver/tests/config/library_folder.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/scanner_register_map.h"
#include "simulator/parallel_port.h"
#include "testing/temp_folder.h"

namespace {

constexpr const char* kIntraIni = "[Param_#1]\nParamName=Intra\nImgTypes=Intra\n";

struct OpenSession {
  explicit OpenSession(const char* ini = kIntraIni, const std::function<void(sim::Scenario&)>& arrange = {}) {
    platform::SetFreeDiskSpaceOverride(uint64_t{8} << 30);
    platform::UseVirtualClock(1000);
    std::ofstream(dir / "bin" / "Tarvel.ini") << ini;
    sim::Scenario scenario;
    scenario.fpga_configured = true;
    if (arrange) arrange(scenario);
    scanner = std::make_shared<sim::Scanner>(scenario);
    scanner->SetTracing(false);
    sim::AttachParallelPort(scanner);
    tarvel::ResetInterfaceProbe(tarvel::Library().session);
    ok = Open_Scanner(1) == 0;
  }
  ~OpenSession() {
    Close_Scanner();
    sim::DetachParallelPort();
    platform::UseRealClock();
    platform::SetFreeDiskSpaceOverride(std::nullopt);
  }
  testsupport::TempFolder folder{"vornix-session-bench", benchtiming::BenchParent()};
  std::filesystem::path dir{folder.path()};
  configtest::LibraryFolder library{folder.path()};
  std::shared_ptr<sim::Scanner> scanner;
  bool ok = false;
};

void BM_IdleGetStatus(benchmark::State& state) {
  OpenSession s;
  if (!s.ok) {
    state.SkipWithError("Open_Scanner failed");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Get_Status());
}
BENCHMARK(BM_IdleGetStatus)->Unit(benchmark::kMicrosecond);

void BM_SimulatedRegisterRead(benchmark::State& state) {
  OpenSession s;
  if (!s.ok) {
    state.SkipWithError("Open_Scanner failed");
    return;
  }
  tarvel::ScannerRegisters& d = tarvel::Library().session.Device();
  for (auto _ : state) benchmark::DoNotOptimize(d.Transport().Reg_Read8(platform::reg::kStatus));
}
BENCHMARK(BM_SimulatedRegisterRead)->Unit(benchmark::kMicrosecond);

// All but the last pair of the 6319-pixel line: the scanner runs wholly lit
// lines on without line ends, which would make the plate one long line.
constexpr int kLitPixels = 6316;
constexpr int kLines = 2400;
constexpr int kStart = 14583;  // scan-line position of pixel 0

sim::PlateImage FullWidthPlate() {
  sim::PlateImage p;
  p.width = kLitPixels;
  p.height = kLines;
  p.pixels.resize(static_cast<size_t>(kLitPixels) * kLines);
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> value(200, 40000);
  for (uint16_t& v : p.pixels) v = static_cast<uint16_t>(value(rng));
  return p;
}

void BM_WholeCephSession(benchmark::State& state) {
  using benchtiming::Median;
  using benchtiming::Seconds;
  OpenSession s("[Param_#1]\nParamName=Ceph 50\nImgTypes=Ceph\nThreshold=100\n", [](sim::Scenario& sc) {
    sc.memory.rows = 12;  // room for the whole plate's stream
  });
  if (!s.ok) {
    state.SkipWithError("Open_Scanner failed");
    return;
  }
  const sim::PlateImage plate = FullWidthPlate();
  tarvel::Acquisition pipeline;
  pipeline.SetSettings(tarvel::Library().session.Acq().Settings(), tarvel::Library().session.Acq().SettingsScannerType());
  const std::filesystem::path pipeline_dir = s.dir / "pipeline";
  std::filesystem::create_directories(pipeline_dir);
  if (!pipeline.OpenTempFile((pipeline_dir / "Tarvel.tmp").string()) ||
      !pipeline.SetImageFolder(pipeline_dir.string())) {
    state.SkipWithError("cannot open the pipeline's temporary file");
    return;
  }
  std::vector<double> session_s, wall_s, pipeline_s;
  for (auto _ : state) {
    // Untimed: the plate scanned into the scanner memory.
    if (Aktivate_Scanner() != 0) {
      state.SkipWithError("Aktivate_Scanner failed");
      break;
    }
    sim::Plate p;
    p.slot = 0;
    p.at_ms = 0;
    p.position = kStart;
    p.image = plate;
    s.scanner->AddPlate(std::move(p));
    for (int i = 0; i < 40 && (i < 2 || s.scanner->TransportRunning()); ++i) {
      platform::Sleep(250);
      s.scanner->Update();
    }
    platform::Sleep(20);  // dark lines after the plate end it
    s.scanner->Update();
    const uint32_t from = s.scanner->ReadPointer();
    std::vector<uint32_t> words(s.scanner->WordsWaiting());
    // The simulator's own cost of delivering the stream, in pieces as the
    // session reads it.
    const auto c0 = std::chrono::steady_clock::now();
    size_t got = 0;
    while (got < words.size()) {
      const size_t n = s.scanner->ReadMemory(words.data() + got, std::min(words.size() - got, tarvel::kPieceBytes / 4));
      if (n == 0) break;
      got += n;
    }
    const double delivery = Seconds(std::chrono::steady_clock::now() - c0);
    words.resize(got);
    s.scanner->WriteRegister(platform::reg::kReadPointer, 32, from);
    std::vector<uint8_t> stream(words.size() * 4);
    std::memcpy(stream.data(), words.data(), stream.size());

    const auto t0 = std::chrono::steady_clock::now();
    int images = 0;
    for (int polls = 0; images == 0 && polls < 1000000; ++polls) {
      const int status = Get_Status();
      if (status < 0) break;
      char name[256];
      if ((status & 0xFF) && Get_ImageName(name) > 0) ++images;
    }
    const double session = Seconds(std::chrono::steady_clock::now() - t0);
    Deaktivate_Scanner();
    const int before = pipeline.WrittenNumber();
    const double alone = benchtiming::TimePipeline(pipeline, stream);
    if (images != 1 || pipeline.WrittenNumber() != before + 1) {
      const std::string why = "no image was made: session " + std::to_string(images) + ", pipeline " +
                              std::to_string(pipeline.WrittenNumber() - before);
      state.SkipWithError(why.c_str());
      break;
    }
    session_s.push_back(session - delivery);
    wall_s.push_back(session);
    pipeline_s.push_back(alone);
    state.SetIterationTime(session - delivery);
    for (const auto& dir : {s.dir / "bin" / "Images", pipeline_dir})
      for (const auto& e : std::filesystem::directory_iterator(dir))
        if (e.path().extension() != ".tmp") std::filesystem::remove(e.path());
  }
  pipeline.CloseTempFile();
  state.counters["ratio"] = Median(session_s) / Median(pipeline_s);
  state.counters["ratio_wall"] = Median(wall_s) / Median(pipeline_s);
  state.counters["pipeline_s"] = Median(pipeline_s);
}
BENCHMARK(BM_WholeCephSession)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
