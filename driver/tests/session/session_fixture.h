#pragma once
// A session test: a library folder of its own (module path, ini file, image
// folder, log), the registry in the test's folder, the virtual clock, a
// recording user interface, a fixed free-space answer, and the simulated
// scanner attached to the parallel port or USB from a scenario built in code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "driver/api/library.h"
#include "driver/config/session_log.h"
#include "driver/session/interface_probe.h"
#include "driver/tarvel_api.h"
#include "driver/tests/config/library_folder.h"
#include "driver/tests/usb/guid.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "simulator/parallel_port.h"
#include "simulator/usb_port.h"
#include "testing/stored_image.h"
#include "testing/temp_folder.h"

namespace sessiontest {

// A mode of 50 um on the parallel-port scanner whose images equal the
// plates: no DeFlash, small plates accepted.
constexpr const char* kIni =
    "[Scanner]\n"
    "MinImageSize=1\n"
    "[Param_#1]\n"
    "ParamName=Intra 50\n"
    "ImgTypes=Intra\n"
    "Threshold=100\n"
    "DeFlash=0\n"
    "[Param_#2]\n"
    "ParamName=Ceph 50\n"
    "ImgTypes=Ceph\n"
    "[Param_#3]\n"
    "ParamName=Erase\n"
    "ImgTypes=Erase\n";

// Scan-line position of pixel index 0 in the mode above (its Strt_Pix).
constexpr int kStart = 14583;

// The plate image a generator makes, as the image file must hold it.
inline sim::Plate PlateAt(int slot, uint32_t at_ms, int x, sim::PlateImage image) {
  sim::Plate p;
  p.slot = slot;
  p.at_ms = at_ms;
  p.position = kStart + x;
  p.image = std::move(image);
  return p;
}

class SessionTest : public ::testing::Test {
 public:
  std::string bin() const { return library_.bin(); }
  std::string Images() const { return bin() + "/Images"; }
  std::string TempFile() const { return Images() + "/Tarvel.tmp"; }
  std::string LogFile() const { return bin() + "/Tarvel.log"; }

 protected:
  void SetUp() override {
    platform::SetFreeDiskSpaceOverride(uint64_t{8} << 30);
    platform::UseVirtualClock(1000);
    tarvel::ResetInterfaceProbe(tarvel::Library().session);
    scenario = sim::Scenario{};
  }
  void TearDown() override {
    Close_Scanner();
    sim::DetachUsb();
    sim::DetachParallelPort();
    scanner.reset();
    tarvel::ResetInterfaceProbe(tarvel::Library().session);
    platform::UseRealClock();
    platform::SetFreeDiskSpaceOverride(std::nullopt);
  }

  // A table row's own start: a fresh library folder and a configured scanner.
  void StartAfresh() {
    TearDown();
    library_.Renew();
    SetUp();
    scenario.fpga_configured = true;
  }

  void WriteIni(const std::string& text = kIni) {
    std::ofstream(bin() + "/Tarvel.ini", std::ios::binary | std::ios::trunc) << text;
  }
  void Attach() {
    scanner = std::make_shared<sim::Scanner>(scenario);
    port = sim::AttachParallelPort(scanner);
  }
  void AttachUsb() {
    scanner = std::make_shared<sim::Scanner>(scenario);
    usb = sim::AttachUsb(scanner);
  }
  // The scanner over USB (a type 6 scanner) or over the parallel port.
  void AttachOver(bool over_usb) {
    if (!over_usb) return Attach();
    scenario.interface = "USB";
    scenario.guid = usbtest::kGuidType6;
    AttachUsb();
  }
  std::string Log() const {
    tarvel::Library().session.log.Flush();
    auto text = platform::ReadWholeFile(LogFile());
    return text ? *text : "";
  }
  // The log with time stamps and the test's folder masked.
  std::string MaskedLog() const {
    std::string text = Log();
    const std::string form = "00/00/00 00:00:00";
    for (size_t at = 0; at + form.size() <= text.size(); ++at) {
      bool stamp = true;
      for (size_t i = 0; i < form.size() && stamp; ++i)
        stamp = form[i] == '0' ? (text[at + i] >= '0' && text[at + i] <= '9') : text[at + i] == form[i];
      if (stamp) text.replace(at, form.size(), "<time>");
    }
    return MaskFolder(text);
  }
  // `text` with the test's folder written <dir>.
  std::string MaskFolder(std::string text) const {
    const std::string dir = tmp_.path();
    for (size_t at; (at = text.find(dir)) != std::string::npos;) text.replace(at, dir.size(), "<dir>");
    return text;
  }
  // Compares `text` with the golden file `path` under driver/tests/; with
  // VORNIX_WRITE_GOLDEN set, writes the file first.
  void ExpectGolden(const std::string& text, const std::string& path) const {
    const std::string file = std::string(VORNIX_SOURCE_DIR) + "/driver/tests/" + path;
    if (getenv("VORNIX_WRITE_GOLDEN")) std::ofstream(file, std::ios::binary) << text;
    const auto golden = platform::ReadWholeFile(file);
    ASSERT_TRUE(golden.has_value()) << file;
    EXPECT_EQ(text, *golden);
  }

  // Polls until `done` holds or `limit_ms` of virtual time pass, fetching
  // every image; the names in the order they were handed out.
  std::vector<std::string> PollUntil(const std::function<bool(int status)>& done, uint32_t limit_ms = 60000,
                                     bool fetch = true) {
    std::vector<std::string> names;
    const uint64_t until = platform::NowMs() + limit_ms;
    while (platform::NowMs() < until) {
      const int status = Get_Status();
      EXPECT_GE(status, 0);
      if (status < 0) break;
      for (int pending = fetch ? status & 0xFF : 0; pending > 0; --pending) {
        char name[256];
        if (Get_ImageName(name) > 0) names.push_back(name);
      }
      if (done(status)) break;
      platform::Sleep(5);
    }
    return names;
  }
  // Until the transport has run and stopped again and nothing is pending
  // (with `fetch` false: nothing is being collected, images left pending).
  std::vector<std::string> PollPlatesThrough(uint32_t limit_ms = 60000, bool fetch = true) {
    bool ran = false;
    return PollUntil(
        [&](int status) {
          const bool running = status & (1 << 25);
          ran = ran || running;
          return ran && !running && (status & ((1 << 27) | (fetch ? 0xFF : 0))) == 0 && scanner->WordsWaiting() == 0;
        },
        limit_ms, fetch);
  }

  // The simulator after a close or a failed open.
  void ExpectAtRest(bool configured = true) {
    SCOPED_TRACE("at rest");
    if (configured) {
      EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0x72);  // transport mode 4
    }
    EXPECT_EQ(scanner->RegisterByte(176) & 0xF0, 0);
    EXPECT_EQ(scanner->RegisterByte(240) & 0x08, 0);
    EXPECT_EQ(scanner->RegisterByte(144), 0);
    EXPECT_FALSE(port->Connected());
    EXPECT_EQ(port->OpenFiles(), 0);
    EXPECT_FALSE(platform::FileExists(TempFile()));
  }

  testsupport::TempFolder tmp_;
  configtest::LibraryFolder library_{tmp_.path()};
  platform::RecordingUi ui;
  sim::Scenario scenario;
  std::shared_ptr<sim::Scanner> scanner;
  std::shared_ptr<sim::ParallelPortDriver> port;
  std::shared_ptr<sim::UsbScannerBackend> usb;
};

using testsupport::ReadStoredImage;
using testsupport::StoredImage;

}  // namespace sessiontest
