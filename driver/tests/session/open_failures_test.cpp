// Every failing step of Open_Scanner: its code and log line, and afterwards
// the scanner at rest, no temporary file and no log left open.
#include <filesystem>
#include <functional>

#include "driver/config/scanner_type.h"
#include "driver/config/session_log.h"
#include "driver/tests/session/session_fixture.h"
#include "platform/scanner_register_map.h"

using namespace sessiontest;
using namespace platform::parport;

namespace {

class OpenFailures : public SessionTest {};

struct FailureCase {
  const char* what;
  std::function<void(SessionTest&, sim::Scenario&, std::string& ini)> arrange;
  int mode;
  int code;
  const char* log_line;
  bool connected;  // the device reached the scanner (its registers were written)
  bool attached = true;
};

void AddScannerKey(std::string& ini, const std::string& line) { ini.insert(ini.find("[Scanner]\n") + 10, line + "\n"); }

TEST_F(OpenFailures, EveryFailingStepCleansUp) {
  const FailureCase cases[] = {
      {"no ini file", [](SessionTest&, sim::Scenario&, std::string& ini) { ini.clear(); }, 1, -1008,
       "ERROR: INI file not found\n", false},
      {"mode beyond the count", nullptr, 4, -2, "ERROR: Scan mode not found\n", false},
      {"no interface", nullptr, 1, -1001, "ERROR: Interface not supported\n", false, false},
      {"connect failing twice",
       [](SessionTest&, sim::Scenario& s, std::string&) { s.faults.fail_requests[kIoConnect] = 2; }, 1, -1001,
       "Can not open interface\n", false},
      {"FPGA rejected twice",
       [](SessionTest&, sim::Scenario& s, std::string&) {
         s.fpga_configured = false;
         s.faults.fpga_reject = true;
       },
       1, -3, "ERROR -1004: Can not initialize firmware\n", false},
      {"too little disk for the type",
       [](SessionTest&, sim::Scenario&, std::string&) {
         tarvel::Library().session.scanner_type = 16;
         platform::SetFreeDiskSpaceOverride(uint64_t{1} << 29);
       },
       1, -1, "ERROR: Insufficient disk space: 1073741824 bytes required, only 536870912 bytes available\n", true},
      {"image numbers used up",
       [](SessionTest& t, sim::Scenario&, std::string&) {
         platform::CreateDirectories(t.bin() + "/Images");
         std::ofstream(t.bin() + "/Images/KP999001.QEW") << "x";
       },
       1, -1, "ERROR: No available names for image files\n", true},
      {"SPD read error", [](SessionTest&, sim::Scenario& s, std::string&) { s.faults.i2c_absent = {0xA0}; }, 1, -100,
       "ERROR -100: Can not find buffer RAM\n", true},
      {"unknown memory", [](SessionTest&, sim::Scenario& s, std::string&) { s.memory.type = 7; }, 1, -101,
       "ERROR -101: Can not find buffer RAM\n", true},
      {"serial number differs",
       [](SessionTest&, sim::Scenario&, std::string& ini) { AddScannerKey(ini, "SerialNumber=VX0000002"); }, 1, -1013,
       "ERROR: Wrong serial number; Expected SN: VX0000002\n", true},
      {"temporary file not openable",
       [](SessionTest& t, sim::Scenario&, std::string& ini) {
         platform::CreateDirectories(t.bin() + "/Images/Tarvel.tmp");
         (void)ini;
       },
       1, -1, "ERROR: Can not open temporary file: ", true},
      {"laser too hot", [](SessionTest&, sim::Scenario& s, std::string&) { s.laser_temp = 50.5; }, 1, -1010,
       "ERROR: Laser temperature too high\n", true},
      {"laser power out of range",
       [](SessionTest&, sim::Scenario&, std::string& ini) {
         ini.insert(ini.find("DeFlash=0\n") + 10, "Laser=99\n");
       },
       1, -102, "ERROR -102: Can not initialize scanner registers\n", true},
      {"image folder name too long",
       [](SessionTest&, sim::Scenario&, std::string& ini) { AddScannerKey(ini, "ImagePath=" + std::string(250, 'i')); },
       1, -1, "ERROR: Image file directory name too long: ", true},
      {"image folder not creatable",
       [](SessionTest& t, sim::Scenario&, std::string& ini) {
         std::ofstream(t.bin() + "/plain-file") << "x";
         AddScannerKey(ini, "ImagePath=.\\plain-file\\Images");
       },
       1, -1, "ERROR: Can not create image file directory: ", true},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    std::string ini = kIni;
    if (c.arrange) c.arrange(*this, scenario, ini);
    if (!ini.empty()) WriteIni(ini);
    if (c.attached) Attach();
    EXPECT_EQ(Open_Scanner(c.mode), c.code);
    const std::string log = Log();
    EXPECT_NE(log.find(c.log_line), std::string::npos) << log;
    EXPECT_FALSE(tarvel::Library().session.log.IsOpen());
    EXPECT_EQ(Get_Status(), -4);
    EXPECT_FALSE(platform::FileExists(TempFile()) && !platform::FolderExists(TempFile()));
    if (c.attached) {
      EXPECT_FALSE(port->Connected());
      EXPECT_EQ(port->OpenFiles(), 0);
      EXPECT_EQ(scanner->RegisterByte(176) & 0xF0, 0);
      EXPECT_EQ(scanner->RegisterByte(240) & 0x08, 0);
      EXPECT_EQ(scanner->RegisterByte(144), 0);
      if (c.connected) {
        EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0x72);
      }
    }
  }
}

TEST_F(OpenFailures, DiskFullBoxNamesTheTypesMinimum) {
  WriteIni();
  scenario.fpga_configured = true;
  Attach();
  tarvel::Library().session.scanner_type = 12;
  platform::SetFreeDiskSpaceOverride(1000);
  EXPECT_EQ(Open_Scanner(1), -1);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].caption, "Error - Disk Full");
  EXPECT_EQ(ui.boxes[0].text,
            "Your disk is too full.  Operation of this Vornix requires a minimum of 200 MB of free disk space.");
  EXPECT_EQ(ui.boxes[0].style, platform::kMbOk | platform::kMbIconError | platform::kMbTaskModal);
}

TEST_F(OpenFailures, OldDataInMemoryIsStoredAsImagesAndFailsTheOpen) {
  std::string ini = kIni;
  AddScannerKey(ini, "CheckFIFO=1");
  WriteIni(ini);
  sim::OldData old;
  old.start = kStart;
  old.pixels = 6320;
  old.threshold = 100;
  const sim::PlateImage a = sim::GradientPlate(100, 120, 3000, 20000);
  const sim::PlateImage b = sim::TestPatternPlate(80, 90, 5000, 25000);
  old.plates = {PlateAt(0, 5, 300, a), PlateAt(1, 200, 2000, b)};
  scenario.old_data = old;
  Attach();
  EXPECT_EQ(Open_Scanner(1), -1012);
  const std::string log = Log();
  EXPECT_NE(log.find("Bytes of old data found in scanner memory\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Trying to recover images from scanner memory\n"), std::string::npos);
  EXPECT_NE(log.find("2 Images succesfully recoverd from scanner memory\n"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: Open_Scanner terminated because scanner memory was not empty\n"), std::string::npos);
  // Recovered with the pitches at 0 and still whole.
  const sim::PlateImage* want[] = {&a, &b};
  for (int n = 1; n <= 2; ++n) {
    StoredImage got = ReadStoredImage(Images() + "/KP00000" + std::to_string(n) + ".QEW");
    EXPECT_EQ(got.width, want[n - 1]->width) << n;
    EXPECT_TRUE(got.pixels == want[n - 1]->pixels) << n;
  }
  ExpectAtRest();
  EXPECT_EQ(scanner->WordsWaiting(), 0u);
  // The memory is empty now: the next open succeeds.
  EXPECT_EQ(Open_Scanner(1), 0) << Log();
}

TEST_F(OpenFailures, IntraoralScannersChooseAMissingModeInTheDialog) {
  std::string ini;
  for (int m = 1; m <= 12; ++m)
    ini += "[Param_#" + std::to_string(m) + "]\nParamName=Intra " + std::to_string(m) + "\nImgTypes=Intra\nDeFlash=0\n";
  WriteIni("[Scanner]\nMinImageSize=1\n" + ini);
  scenario.fpga_configured = true;
  Attach();
  tarvel::Library().session.scanner_type = 13;
  ui.dialog_answers = {3};
  EXPECT_EQ(Open_Scanner(20), 0) << Log();
  ASSERT_EQ(ui.dialogs.size(), 1u);
  EXPECT_EQ(ui.dialogs[0].caption, "Select Intraoral Scan Mode");
  ASSERT_EQ(ui.dialogs[0].entries.size(), 9u);
  EXPECT_EQ(ui.dialogs[0].entries[0], "&1: Intra 1");
  EXPECT_EQ(ui.dialogs[0].entries[8], "&9: Intra 9");
  EXPECT_NE(Log().find("Scan mode: 'Intra 3'\n"), std::string::npos);
  EXPECT_EQ(Close_Scanner(), 0);

  // Type 6 asks nobody; a dialog with nothing to offer fails the same way.
  for (int type : {6, 5}) {
    SCOPED_TRACE(type);
    tarvel::Library().session.scanner_type = type;
    WriteIni(type == 6 ? "[Scanner]\n" + ini : "[Scanner]\n[Param_#1]\nParamName=Ceph\nImgTypes=Ceph\n");
    EXPECT_EQ(Open_Scanner(20), -2);
    EXPECT_NE(Log().find("ERROR: Scan mode not found\n"), std::string::npos);
    EXPECT_EQ(ui.dialogs.size(), 1u);
  }
}

}  // namespace
