// Cost of an idle Get_Status on the simulated scanner beside the cost of one
// simulated register read in the same run: an idle poll should cost no more
// than the register reads it makes (the status record's eight reads).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "driver/device/register_map.h"
#include "driver/session/interface_probe.h"
#include "driver/session/session.h"
#include "driver/tarvel_api.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "simulator/parallel_port.h"

namespace {

struct OpenSession {
  OpenSession() {
    dir = std::filesystem::temp_directory_path() / ("vornix-session-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "bin");
    setenv("VORNIX_REGISTRY_DIR", (dir / "reg").c_str(), 1);
    platform::SetModuleFileNameOverride((dir / "bin" / "libTarvel.so").string());
    platform::SetFreeDiskSpaceOverride(uint64_t{8} << 30);
    platform::UseVirtualClock(1000);
    std::ofstream(dir / "bin" / "Tarvel.ini") << "[Param_#1]\nParamName=Intra\nImgTypes=Intra\n";
    sim::Scenario scenario;
    scenario.fpga_configured = true;
    scanner = std::make_shared<sim::Scanner>(scenario);
    scanner->SetTracing(false);
    sim::AttachParallelPort(scanner);
    tarvel::ResetInterfaceProbe();
    ok = Open_Scanner(1) == 0;
  }
  ~OpenSession() {
    Close_Scanner();
    sim::DetachParallelPort();
    platform::UseRealClock();
    platform::SetModuleFileNameOverride(std::nullopt);
    platform::SetFreeDiskSpaceOverride(std::nullopt);
    std::filesystem::remove_all(dir);
  }
  std::filesystem::path dir;
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
  tarvel::ScannerDevice& d = tarvel::CurrentSession().Device();
  for (auto _ : state) benchmark::DoNotOptimize(d.Reg_Read8(tarvel::reg::kStatus));
}
BENCHMARK(BM_SimulatedRegisterRead)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
