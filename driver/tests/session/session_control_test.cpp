// Open's high-voltage wait, ambient light, the session's edge cases, the
// interface probe and the small exports of an open session.
#include <climits>
#include <cstring>
#include <filesystem>

#include "driver/api/library.h"
#include "driver/config/scanner_type.h"
#include "driver/tests/session/process_resources.h"
#include "driver/tests/session/session_fixture.h"
#include "platform/scanner_register_map.h"

using namespace sessiontest;
using namespace platform::parport;

namespace {

class SessionControl : public SessionTest {
 protected:
  int AdcReadings() const {
    int n = 0;
    for (const sim::I2cTransaction& t : scanner->I2cTransactions()) n += t.address == 0x91;
    return n;
  }
  // The next `high` converter samples see bright ambient light, later ones none.
  void BrightForSamples(int high) {
    scanner->SetAmbient(2000);
    auto samples = std::make_shared<int>(0);
    port->SetRequestHook([this, samples, high](uint32_t code) {
      if (code == kIoRead16 && ++*samples == high) scanner->SetAmbient(0);
    });
  }
};

TEST_F(SessionControl, HighVoltageThatNeverFallsIsReadOncePlusTenThousandTimes) {
  WriteIni();
  scenario.hv_initial = 1000;
  scenario.hv_decay_volts_per_s = 0;
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  EXPECT_EQ(AdcReadings(), 1 + 10000);
  EXPECT_NE(Log().find("   ADC Offset = 0 HV>100V !!!\n"), std::string::npos);
  ASSERT_EQ(Close_Scanner(), 0);

  // A voltage that falls is followed by the measured offset.
  scenario.hv_decay_volts_per_s = 2000;
  scenario.dark = 100;
  sim::DetachParallelPort();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  EXPECT_LT(AdcReadings(), 10001);
  EXPECT_NE(Log().find("   ADC Offset = 100\n"), std::string::npos) << Log();
}

TEST_F(SessionControl, AmbientLightAtActivation) {
  std::string ini = kIni;
  ini.insert(ini.find("[Scanner]\n") + 10, "CheckLightlevel=1\n");
  WriteIni(ini);
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  struct Case {
    int bright;
    int result;
  };
  for (const Case c : {Case{16, 0}, Case{17, -10000}}) {
    SCOPED_TRACE(c.bright);
    BrightForSamples(c.bright);
    EXPECT_EQ(Aktivate_Scanner(), c.result);
    port->SetRequestHook(nullptr);
    EXPECT_NE(Get_Status() & (1 << 26), 0);  // active all the same
    EXPECT_EQ((Log().find("WARNING: Ambient light level too high\n") != std::string::npos), c.result != 0);
    ASSERT_EQ(Deaktivate_Scanner(), 0);
  }
  EXPECT_NE(Log().find("Ambient light level = "), std::string::npos);

  // Get_LightStatus measures with the lamp on and leaves it off; an active
  // session is refused before the lamp is touched.
  BrightForSamples(17);
  EXPECT_EQ(Get_LightStatus(), -10000);
  port->SetRequestHook(nullptr);
  EXPECT_EQ(Get_LightStatus(), 0);
  EXPECT_EQ(scanner->RegisterByte(240) & 0x08, 0);
  ASSERT_EQ(Aktivate_Scanner(), 0);
  EXPECT_EQ(Get_LightStatus(), -4);
  EXPECT_EQ(scanner->RegisterByte(240) & 0x08, 0x08);
}

TEST_F(SessionControl, EdgeCasesOfTheSession) {
  WriteIni();
  EXPECT_EQ(Close_Scanner(), 0);  // closed: nothing to do
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  EXPECT_EQ(Open_Scanner(1), -7);
  EXPECT_NE(Log().find("Open_Scanner(1), was allready open\n"), std::string::npos);
  EXPECT_GE(Get_Status(), 0);  // still running
  EXPECT_EQ(Aktivate_Scanner(), 0);
  EXPECT_EQ(Aktivate_Scanner(), -6);
  EXPECT_EQ(Run_Beltdrive(0), -6);
  EXPECT_EQ(Close_Scanner(), 0);  // from active
  EXPECT_EQ(Get_Status(), -4);
  for (int (*op)() : {Aktivate_Scanner, Deaktivate_Scanner, Get_Status, Get_LightStatus}) EXPECT_EQ(op(), -4);
  char text[256];
  EXPECT_EQ(Get_ImageName(text), -4);
  EXPECT_EQ(Get_Serialnumber(text), -4);
  EXPECT_STREQ(text, "Scanner not open");
  EXPECT_EQ(Get_Serialnumber(nullptr), -102);
  EXPECT_EQ(Run_Beltdrive(1), -4);
  EXPECT_EQ(Set_ImageFilterMode(0), -4);
  EXPECT_EQ(Set_ImageExtraHeader(4, "abcd"), 0);
  EXPECT_EQ(HALTIC_Mode(1), 0);

  // Modes 0 and -3 open on the null log: nothing reaches the log file.
  std::filesystem::remove(LogFile());
  ASSERT_EQ(Open_Scanner(0), 0);
  EXPECT_EQ(Get_Serialnumber(text), 0);
  EXPECT_STREQ(text, "VX0000001");
  EXPECT_EQ(Get_Serialnumber(nullptr), -102);
  ASSERT_EQ(Close_Scanner(), 0);
  ASSERT_EQ(Open_Scanner(-2), 0);
  EXPECT_EQ(Get_ImageType(2, text, sizeof text), 4);  // the utilities work in every state
  ASSERT_EQ(Close_Scanner(), 0);
  // The most negative mode is the largest mode number, on the null log.
  const int largest = Open_Scanner(-INT_MAX);
  Close_Scanner();
  EXPECT_EQ(Open_Scanner(INT_MIN), largest);
  Close_Scanner();
  EXPECT_FALSE(platform::FileExists(LogFile()));
}

TEST_F(SessionControl, SerialNumberEndsWithinItsThirtyOneBytes) {
  WriteIni();
  scenario.id_prom = std::vector<uint8_t>(256, 'A');
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  char serial[32];
  std::memset(serial, 'x', sizeof serial);
  EXPECT_EQ(Get_Serialnumber(serial), 0);
  EXPECT_EQ(std::string(serial), std::string(31, 'A'));
  // The old-image listing refuses an open session.
  char name[256];
  EXPECT_EQ(Get_FirstOldImageName(name), -7);
  ASSERT_EQ(Close_Scanner(), 0);
  EXPECT_NE(Get_FirstOldImageName(name), -7);
}

TEST_F(SessionControl, ASessionClosedMidPlateLeavesNothingForTheNext) {
  WriteIni();
  scenario.plates = {PlateAt(0, 50, 800, sim::FlatPlate(200, 600, 9000))};
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  ASSERT_EQ(Aktivate_Scanner(), 0);
  PollUntil([](int s) { return (s & (1 << 27)) != 0; }, 2000);
  PollUntil([](int) { return false; }, 100);
  ASSERT_NE(Log().find("   Image data are being collected\n"), std::string::npos);
  EXPECT_EQ(Close_Scanner(), 0);
  platform::Sleep(3000);  // the plate runs out meanwhile
  const size_t second = Log().size();
  ASSERT_EQ(Open_Scanner(1), 0);
  ASSERT_EQ(Aktivate_Scanner(), 0);
  PollUntil([](int) { return false; }, 200);
  EXPECT_EQ(Log().find("Parsing data after", second), std::string::npos) << Log().substr(second);
}

TEST_F(SessionControl, CephModesMoveToTheFollowingEraseModeOnIntraoralScanners) {
  WriteIni();
  Attach();
  tarvel::Library().session.scanner_type = 13;
  ASSERT_EQ(Open_Scanner(2), 0) << Log();
  EXPECT_NE(Log().find("Erase Mode remapped to mode 3\nScan mode: 'Erase'\n"), std::string::npos) << Log();
  ASSERT_EQ(Close_Scanner(), 0);
  ASSERT_EQ(Open_Scanner(-0), 0);  // mode 0 keeps its default parameters
  ASSERT_EQ(Close_Scanner(), 0);
  ASSERT_EQ(Open_Scanner(1), 0);
  EXPECT_EQ(Log().find("Erase Mode remapped to mode 1"), std::string::npos);
}

TEST_F(SessionControl, FilterModeRestoresWhatTheLastZeroSaved) {
  WriteIni();
  Attach();
  tarvel::Library().session.filter_saved = false;  // as after loading the library
  ASSERT_EQ(Open_Scanner(1), 0);
  const size_t before = Log().size();
  EXPECT_EQ(Set_ImageFilterMode(1), 0);  // before any 0: filtering off, silently
  EXPECT_EQ(Log().size(), before);
  EXPECT_FALSE(tarvel::Library().session.filter_enabled);
  EXPECT_EQ(Close_Scanner(), 0);
  ASSERT_EQ(Open_Scanner(1), 0);
  EXPECT_EQ(Set_ImageFilterMode(0), 0);
  EXPECT_EQ(Set_ImageFilterMode(7), 0);  // other values change nothing
  EXPECT_EQ(Set_ImageFilterMode(1), 0);
  EXPECT_TRUE(tarvel::Library().session.filter_enabled);
  const std::string log = Log();
  EXPECT_NE(log.find("Imagefilter disabled by application\nImagefilter enabled by application\n"), std::string::npos);
  EXPECT_EQ(HALTIC_Mode(1), 0);
  EXPECT_EQ(HALTIC_Mode(2), 0);
  const std::string after = Log();
  const size_t first = after.find("HALTIC_Mode active\n");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(after.rfind("HALTIC_Mode active\n"), first);  // value 2 logs nothing
}

TEST_F(SessionControl, BeltDriveProgramsTheStepper) {
  WriteIni();
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  scanner->ClearTrace();
  EXPECT_EQ(Run_Beltdrive(0x105), 0);  // low byte 5: period 148, belt
  EXPECT_EQ(scanner->RegisterByte(160), 147);
  EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0x71);
  EXPECT_EQ(Run_Beltdrive(0), 0);  // the mode's stepper, motor stopped
  EXPECT_EQ(scanner->RegisterByte(160) | (scanner->RegisterByte(161) << 8), 349 - 1);
  EXPECT_EQ(scanner->RegisterByte(163) & 0x73, 0);
}

TEST_F(SessionControl, ProbeFindsTheParallelPortOrNothing) {
  EXPECT_EQ(tarvel::Get_InterfaceType(tarvel::Library().session), 2);
  EXPECT_EQ(tarvel::Get_ScannerType(tarvel::Library().session), 18);
  Attach();  // found at the next call
  EXPECT_EQ(tarvel::Get_InterfaceType(tarvel::Library().session), 0);
  EXPECT_EQ(tarvel::Get_ScannerType(tarvel::Library().session), 6);
  sim::DetachParallelPort();
  EXPECT_EQ(tarvel::Get_InterfaceType(tarvel::Library().session), 0);  // cached
  WriteIni();
  tarvel::ResetInterfaceProbe(tarvel::Library().session);
  Attach();
  ASSERT_EQ(Open_Scanner(1), 0);
  EXPECT_NE(Log().find("Scanner Type = 6\n"), std::string::npos);
  EXPECT_EQ(port->OpenFiles(), 1);  // the probe's handle was closed again
}

}  // namespace

namespace {

TEST_F(SessionControl, OpenAndCloseAThousandTimesLeavesNoDescriptorThreadOrMemoryBehind) {
  WriteIni();
  Attach();
  scanner->SetTracing(false);
  scanner->SetTraceLimits(2, 2);  // the simulator's own logs stay out of the count
  ASSERT_EQ(Open_Scanner(-1), 0);
  ASSERT_EQ(Close_Scanner(), 0);
  const ProcessResources before;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(Open_Scanner(-1), 0) << i;
    ASSERT_EQ(Close_Scanner(), 0) << i;
  }
  const ProcessResources after;
  EXPECT_EQ(after.descriptors, before.descriptors);
  EXPECT_EQ(after.threads, before.threads);
  // A leak of one block per session would pass 1000 blocks.
  EXPECT_LT(after.heap, before.heap + 64 * 1024) << before.heap << " -> " << after.heap;
  EXPECT_EQ(port->OpenFiles(), 0);
  EXPECT_FALSE(platform::FileExists(TempFile()));
}

}  // namespace
