// The parallel-port transport: connection, readiness, block reads and FPGA
// configuration through the simulated driver.
#include <cstdio>
#include <fstream>

#include "driver/config/session_log.h"
#include "driver/device/fpga_file.h"
#include "driver/tests/config/library_folder.h"
#include "driver/tests/device/sim_fixture.h"
#include "platform/files.h"
#include "platform/scanner_register_map.h"
#include "testing/temp_folder.h"

using devtest::SimDeviceTest;
using devtest::Write;
using testsupport::TempFolder;
using namespace platform::parport;

namespace {

constexpr uint32_t kGenFailure = 31;

// Intel HEX text of `bytes`, 16 data bytes a record, with an end record.
std::string IntelHex(const std::vector<uint8_t>& bytes, bool corrupt_last_data_record = false) {
  std::string out;
  char line[64];
  for (size_t at = 0; at < bytes.size(); at += 16) {
    size_t n = std::min<size_t>(16, bytes.size() - at);
    unsigned sum = static_cast<unsigned>(n + (at >> 8) + (at & 0xFF));
    std::snprintf(line, sizeof line, ":%02X%04X00", static_cast<unsigned>(n), static_cast<unsigned>(at & 0xFFFF));
    out += line;
    for (size_t i = 0; i < n; ++i) {
      std::snprintf(line, sizeof line, "%02X", bytes[at + i]);
      out += line;
      sum += bytes[at + i];
    }
    unsigned checksum = (0x100 - (sum & 0xFF)) & 0xFF;
    if (corrupt_last_data_record && at + 16 >= bytes.size()) checksum ^= 1;
    std::snprintf(line, sizeof line, "%02X\r\n", checksum);
    out += line;
  }
  return out + ":00000001FF\r\n";
}

class Epp : public SimDeviceTest {};

TEST_F(Epp, ConnectAndDisconnect) {
  Start(false);
  EXPECT_FALSE(port->Connected());
  ASSERT_EQ(device->Transport().Dev_Connect(), 0);
  EXPECT_TRUE(port->Connected());
  EXPECT_EQ(port->Requests(kIoPortInfo), 1);
  EXPECT_EQ(port->Requests(kIoPortConfig), 1);
  EXPECT_EQ(port->Requests(kIoConnect), 1);
  scanner->ClearTrace();
  EXPECT_EQ(device->Transport().Dev_Disconnect(), 0);
  EXPECT_EQ(Writes(), (std::vector<Write>{{255, 0x40}, {255, 0x40}}));
  EXPECT_FALSE(port->Connected());
  EXPECT_EQ(port->Requests(kIoDisconnect), 1);
  // Not connected: register requests fail, reads give 0 and leave the error.
  platform::SetLastError(0);
  EXPECT_EQ(device->Transport().Reg_Read8(176), 0);
  EXPECT_NE(platform::GetLastError(), 0u);
  EXPECT_NE(device->Transport().Reg_Write8(176, 1), 0);
  // A second disconnect sends no register writes.
  scanner->ClearTrace();
  EXPECT_EQ(device->Transport().Dev_Disconnect(), 0);
  EXPECT_TRUE(scanner->Trace().empty());
}

// What only the USB interface offers the parallel port answers "not on this
// interface": nothing moved, no driver request, no register access.
TEST_F(Epp, AnswersTheUsbOnlyOperationsNotOnThisInterface) {
  Start();
  tarvel::ScannerTransport& t = device->Transport();
  EXPECT_FALSE(t.Dev_OffersUsbRequests());
  EXPECT_FALSE(t.Dev_ReadsAhead());
  const int requests = port->TotalRequests();
  uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint32_t length = 5;
  EXPECT_EQ(t.Dev_VendorIn(12, 0, bytes, &length), tarvel::kNotOnInterface);
  EXPECT_EQ(length, 0u);
  length = 3;
  EXPECT_EQ(t.Dev_VendorOut(10, 0, bytes, &length), tarvel::kNotOnInterface);
  EXPECT_EQ(length, 0u);
  uint16_t prom_length = 8;
  EXPECT_EQ(t.Dev_LargePromRead(0xAA, 0, bytes, &prom_length), tarvel::kNotOnInterface);
  EXPECT_EQ(prom_length, 0);
  prom_length = 8;
  EXPECT_EQ(t.Dev_LargePromWrite(0xAA, 0, bytes, &prom_length), tarvel::kNotOnInterface);
  EXPECT_EQ(prom_length, 0);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(port->TotalRequests(), requests);
  EXPECT_TRUE(scanner->Trace().empty());
}

TEST_F(Epp, OpenKeepsItsHandleAndTheDestructorClosesIt) {
  Start();
  device->Transport().SetRetryCount(100);
  device->Transport().SetTransferErrors(5);
  device->Transport().Dev_Open();
  EXPECT_EQ(port->OpenFiles(), 1);
  EXPECT_EQ(device->Transport().RetryCount(), 10);
  EXPECT_EQ(device->Transport().TransferErrors(), 0);
  EXPECT_TRUE(port->Connected()) << "the connection stays with the handle";
  device.reset();
  EXPECT_EQ(port->OpenFiles(), 0);
}

TEST_F(Epp, ConnectFailures) {
  struct Case {
    uint32_t failing_code;
    bool short_answer;  // the request succeeds but answers too few bytes (no error of its own)
  } cases[] = {
      {kIoPortInfo, false}, {kIoPortConfig, false}, {kIoConnect, false}, {kIoPortInfo, true}, {kIoPortConfig, true}};
  for (const Case& c : cases) {
    device.reset();
    sim::DetachParallelPort();
    scenario.faults.fail_requests.clear();
    scenario.faults.short_requests.clear();
    (c.short_answer ? scenario.faults.short_requests : scenario.faults.fail_requests) = {{c.failing_code, 1}};
    Start(false);
    platform::SetLastError(0);
    EXPECT_EQ(device->Transport().Dev_Connect(), static_cast<int>(kGenFailure))
        << std::hex << c.failing_code << c.short_answer;
    EXPECT_EQ(port->Requests(kIoConnect), c.failing_code == kIoConnect ? 1 : 0) << "connect only after both answers";
    EXPECT_EQ(device->Transport().Dev_Connect(), 0) << "the second attempt succeeds";
  }
  // No scanner at all: the open fails, so does every request.
  device.reset();
  sim::DetachParallelPort();
  devtest::OwnedRegisters absent;
  absent.Transport().Dev_Open();
  EXPECT_FALSE(absent.Transport().HandleValid());
  EXPECT_EQ(absent.Transport().Dev_Connect(), static_cast<int>(platform::kErrorInvalidHandle));
  EXPECT_FALSE(absent.Transport().Dev_IsReady());
}

TEST_F(Epp, ReadyMeansConfiguredAndAnswering) {
  struct Case {
    bool configured, stuck, ready;
  } cases[] = {{true, false, true}, {false, false, false}, {false, true, false}};
  for (const Case& c : cases) {
    device.reset();
    sim::DetachParallelPort();
    scenario.fpga_configured = c.configured;
    scenario.faults.fpga_status_stuck = c.stuck;
    Start();
    platform::SetLastError(99);
    EXPECT_EQ(device->Transport().Dev_IsReady(), c.ready) << c.configured << c.stuck;
  }
}

class ReadBlock : public SimDeviceTest {
 protected:
  void SetUp() override {
    SimDeviceTest::SetUp();
    Start();
    for (uint32_t i = 0; i < 10; ++i) words.push_back(0x00020001u * (i + 1) + 0xFFF00000u * (i % 2));
    scanner->AppendMemory(words);
  }
  std::vector<uint32_t> words;
  uint32_t buffer[64] = {};
  uint32_t count = 99;
};

TEST_F(ReadBlock, CapacityLimitsTheBlock) {
  ASSERT_EQ(device->Transport().Dev_ReadBlock(buffer, 20, &count), 0);
  EXPECT_EQ(count, 20u);
  EXPECT_EQ(std::vector<uint32_t>(buffer, buffer + 5), std::vector<uint32_t>(words.begin(), words.begin() + 5));
  EXPECT_EQ(scanner->WordsWaiting(), 5u);
  ASSERT_EQ(device->Transport().Dev_ReadBlock(buffer, sizeof buffer, &count), 0);
  EXPECT_EQ(count, 20u);
  EXPECT_EQ(buffer[0], words[5]);
  ASSERT_EQ(device->Transport().Dev_ReadBlock(buffer, sizeof buffer, &count), 0);
  EXPECT_EQ(count, 0u) << "nothing waiting";
  EXPECT_EQ(device->Transport().TransferErrors(), 0);
}

TEST_F(ReadBlock, CorruptedReadsAreRepeatedFromTheSamePosition) {
  device->Transport().SetRetryCount(10);
  scanner->SetBadChecksumReads(3);
  scanner->ClearTrace();
  ASSERT_EQ(device->Transport().Dev_ReadBlock(buffer, sizeof buffer, &count), 0);
  EXPECT_EQ(count, 40u);
  EXPECT_EQ(std::vector<uint32_t>(buffer, buffer + 10), words);
  EXPECT_EQ(device->Transport().TransferErrors(), 3);
  EXPECT_EQ(WritesTo(8), (std::vector<uint32_t>{0, 0, 0})) << "the read pointer went back before each retry";
  EXPECT_EQ(WritesTo(32).size(), 4u) << "the checksum was cleared before each attempt";
  EXPECT_EQ(scanner->WordsWaiting(), 0u);
}

TEST_F(ReadBlock, AlwaysCorruptedLeavesTheDataWaiting) {
  struct Case {
    int retry_count, attempts;
  } cases[] = {{10, 10}, {1, 1}, {0, 1}};
  for (const Case& c : cases) {
    device->Transport().SetRetryCount(c.retry_count);
    device->Transport().SetTransferErrors(0);
    scanner->SetBadChecksumReads(-1);
    count = 99;
    EXPECT_EQ(device->Transport().Dev_ReadBlock(buffer, sizeof buffer, &count), -200) << c.retry_count;
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(device->Transport().TransferErrors(), c.attempts) << c.retry_count;
    EXPECT_EQ(scanner->WordsWaiting(), 10u);
    EXPECT_EQ(scanner->ReadPointer(), 0u);
  }
  scanner->SetBadChecksumReads(0);
  ASSERT_EQ(device->Transport().Dev_ReadBlock(buffer, sizeof buffer, &count), 0);
  EXPECT_EQ(std::vector<uint32_t>(buffer, buffer + 10), words);
}

// The block read's own request fails once, or succeeds once with half its
// bytes: either way the block is read again from the same position.
TEST_F(ReadBlock, FaultyTransferIsRetried) {
  for (bool short_answer : {false, true}) {
    SCOPED_TRACE(short_answer ? "short answer" : "failed request");
    device.reset();
    sim::DetachParallelPort();
    scenario.faults.fail_requests.clear();
    scenario.faults.short_requests.clear();
    (short_answer ? scenario.faults.short_requests : scenario.faults.fail_requests) = {{kIoRead16, 1}};
    Start();
    scanner->AppendMemory(words);
    ASSERT_EQ(device->Transport().Dev_ReadBlock(buffer, sizeof buffer, &count), 0);
    EXPECT_EQ(count, 40u);
    EXPECT_EQ(device->Transport().TransferErrors(), 1);
    EXPECT_EQ(std::vector<uint32_t>(buffer, buffer + 10), words);
  }
}

// ---- FPGA configuration ----

enum class FileKind { None, Good, Bad, Missing, Foreign, Empty };

struct FpgaCase {
  const char* name;
  FileKind file;
  int keep;
  bool configured_before, stuck, reject;
  std::map<uint32_t, int> fail;
  int result;
  int downloads;  // designs the FPGA received
  bool configured_after;
  const char* log;  // the line written, with %s for the file name
};

class ConfigureFpga : public SimDeviceTest {
 protected:
  void SetUp() override {
    SimDeviceTest::SetUp();
    std::ofstream(tmp_ / "bin/Tarvel.ini") << "[Scanner]\nLogfile=" << (tmp_ / "Tarvel") << "\n";
    const std::vector<uint8_t>& design = tarvel::BuiltInFpgaDesign();
    std::ofstream(tmp_ / "good.hex") << IntelHex(design);
    std::ofstream(tmp_ / "bad.hex") << IntelHex(design, true);
    std::ofstream(tmp_ / "foreign.hex") << IntelHex(std::vector<uint8_t>(300, 0x5A));
    std::ofstream(tmp_ / "empty.hex") << "";
  }
  void TearDown() override {
    log.Close();
    SimDeviceTest::TearDown();
  }
  std::string FileName(FileKind k) {
    switch (k) {
      case FileKind::None: return "";
      case FileKind::Good: return tmp_ / "good.hex";
      case FileKind::Bad: return tmp_ / "bad.hex";
      case FileKind::Missing: return tmp_ / "missing.hex";
      case FileKind::Foreign: return tmp_ / "foreign.hex";
      case FileKind::Empty: return tmp_ / "empty.hex";
    }
    return "";
  }
  TempFolder tmp_;
  configtest::LibraryFolder library_{tmp_.path()};
};

TEST_F(ConfigureFpga, Table) {
  const char* ok = "Xilinx reconfigured using file: %s\n";
  const char* failed = "FAILURE: Unable to configure Xilinx using file: %s\n";
  const std::map<uint32_t, int> download_once = {{kIoFpgaDownload, 1}}, download_always = {{kIoFpgaDownload, -1}};
  const std::map<uint32_t, int> status_always = {{kIoFpgaBegin, -1}};
  const FpgaCase cases[] = {
      {"built-in kept", FileKind::None, 1, true, false, false, {}, 0, 0, true, nullptr},
      {"built-in, not ready", FileKind::None, 1, false, false, false, {}, 0, 1, true, nullptr},
      {"built-in, keep 0", FileKind::None, 0, true, false, false, {}, 0, 1, true, nullptr},
      {"file wins over keep", FileKind::Good, 1, true, false, false, {}, 0, 1, true, ok},
      {"file, not ready", FileKind::Good, 0, false, false, false, {}, 0, 1, true, ok},
      {"bad file, kept", FileKind::Bad, 1, true, false, false, {}, 0, 0, true, nullptr},
      {"bad file, keep 0", FileKind::Bad, 0, true, false, false, {}, 0, 1, true, nullptr},
      {"missing file, kept", FileKind::Missing, 1, true, false, false, {}, 0, 0, true, nullptr},
      {"missing file, keep 0", FileKind::Missing, 0, true, false, false, {}, 0, 1, true, nullptr},
      {"missing file, not ready", FileKind::Missing, 1, false, false, false, {}, 0, 1, true, nullptr},
      {"status stuck", FileKind::None, 0, true, true, false, {}, -1005, 0, true, nullptr},
      {"status stuck with file", FileKind::Good, 1, true, true, false, {}, -1005, 0, true, nullptr},
      {"built-in rejected", FileKind::None, 0, false, false, true, {}, -1004, 1, false, nullptr},
      {"file rejected", FileKind::Good, 0, false, false, true, {}, -1004, 1, false, ok},
      {"foreign design", FileKind::Foreign, 0, true, false, false, {}, -1004, 1, false, ok},
      {"empty file: 20 zero bytes", FileKind::Empty, 1, true, false, false, {}, -1004, 1, false, ok},
      {"file download fails once", FileKind::Good, 0, false, false, false, download_once, 0, 1, true, failed},
      {"every download fails", FileKind::Good, 0, false, false, false, download_always, 31, 0, false, failed},
      {"built-in download fails", FileKind::None, 0, false, false, false, download_always, 31, 0, false, nullptr},
      {"status request fails", FileKind::None, 0, true, false, false, status_always, 31, 0, true, nullptr},
  };
  ASSERT_TRUE(log.OpenDaily());
  std::string log_path = tmp_ / "Tarvel.log";
  for (const FpgaCase& c : cases) {
    SCOPED_TRACE(c.name);
    device.reset();
    sim::DetachParallelPort();
    scenario.fpga_configured = c.configured_before;
    scenario.faults.fpga_status_stuck = c.stuck;
    scenario.faults.fpga_reject = c.reject;
    scenario.faults.fail_requests = c.fail;
    Start();
    device->Transport().SetFpgaFileName(FileName(c.file));
    log.Flush();
    size_t before = platform::ReadWholeFile(log_path).value_or("").size();
    EXPECT_EQ(device->Transport().Dev_ConfigureFpga(c.keep), c.result);
    EXPECT_EQ(scanner->FpgaDownloads(), c.downloads);
    EXPECT_EQ(scanner->FpgaConfigured(), c.configured_after);
    log.Flush();
    std::string written = platform::ReadWholeFile(log_path).value_or("").substr(before);
    std::string expected;
    if (c.log) {
      char line[512];
      std::snprintf(line, sizeof line, c.log, device->Transport().FpgaFileName().c_str());
      expected = line;
    }
    EXPECT_EQ(written, expected);
  }
}

TEST_F(ConfigureFpga, ConfiguredStateOutlivesTheSession) {
  scenario.fpga_configured = false;
  Start();
  ASSERT_EQ(device->Transport().Dev_ConfigureFpga(1), 0);
  device->Transport().Dev_Disconnect();
  device.reset();
  // A new session on the same scanner finds it configured and keeps it.
  device = std::make_unique<devtest::OwnedRegisters>();
  device->Transport().Dev_Open();
  ASSERT_EQ(device->Transport().Dev_Connect(), 0);
  EXPECT_TRUE(device->Transport().Dev_IsReady());
  EXPECT_EQ(device->Transport().Dev_ConfigureFpga(1), 0);
  EXPECT_EQ(scanner->FpgaDownloads(), 1);
}

}  // namespace
