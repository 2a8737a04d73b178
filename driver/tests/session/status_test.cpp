// Get_Status: the status word bit by bit, re-entry, transmission errors.
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

constexpr int kTransport = 1 << 25;
constexpr int kActive = 1 << 26;
constexpr int kCollecting = 1 << 27;

class Status : public SessionTest {
 protected:
  void OpenActive(const std::string& ini = kIni) {
    WriteIni(ini);
    Attach();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
  }
};

TEST_F(Status, WordBitByBit) {
  scenario.plates = {PlateAt(2, 50, 800, sim::FlatPlate(40, 60, 9000))};
  OpenActive();
  struct Step {
    const char* what;
    std::function<void()> act;
    int mask;
    int want;
  };
  const Step steps[] = {
      {"active, idle: slot outputs 0xFF", [] {}, 0x7FFFFFFF, kActive | (0xFF << 16)},
      {"further status bits 3 and 4 reach bits 29 and 30", [&] { scanner->SetStatus52(0x18 | 0x07); },
       (3 << 29) | (1 << 28) | (1 << 31), 3 << 29},
      {"bit 3 alone", [&] { scanner->SetStatus52(0x08); }, 3 << 29, 1 << 29},
      {"data words waiting while stopped", [&] { scanner->AppendMemory({0xFFF10005u}); }, kCollecting, kCollecting},
      {"plate in slot 2 with the transport running",
       [&] {
         scanner->SetStatus52(0);
         PollUntil([](int s) { return (s & kTransport) && (s & 0x0400); }, 2000);
       },
       kTransport | kActive | 0xFF00, kTransport | kActive | 0x0400},
      {"its image pending", [&] { PollPlatesThrough(5000, false); }, 0xFF, 1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(Get_Status() & step.mask, step.want) << std::hex << Get_Status();
  }
  ASSERT_EQ(Deaktivate_Scanner(), 0);
  EXPECT_EQ(Get_Status() & (kActive | 0xFF0000), 0xAA << 16);
}

TEST_F(Status, PendingImagesAreCappedAt255) {
  std::vector<sim::Plate> plates;
  for (int band = 0; band < 2; ++band)
    for (int i = 0; i < 130; ++i)
      plates.push_back(PlateAt(i % 4, 100 + band * 150, 10 + 44 * i, sim::FlatPlate(20, 20, uint16_t(2000 + i))));
  scenario.plates = plates;
  OpenActive();
  PollPlatesThrough(10000, false);
  // The names still come one by one: the count before each call.
  char name[256];
  int pending = Get_ImageName(name);
  EXPECT_EQ(pending, 260);
  EXPECT_EQ(Get_Status() & 0xFF, 255);
  for (int left = pending - 1; left > 0; --left) ASSERT_EQ(Get_ImageName(name), left);
  EXPECT_EQ(Get_Status() & 0xFF, 0);
}

// A run of refused calls is logged once, with its count when the next poll
// gets in; a later run is logged again.
TEST_F(Status, SecondEntryFromTheDeviceIsRefused) {
  OpenActive();
  auto count = [](const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  const std::string refused = "ERROR: Overlapping calls to Get_Status\n";
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    std::vector<int> inner;
    port->SetRequestHook([&](uint32_t) {
      port->SetRequestHook(nullptr);
      for (int i = 0; i < 1000; ++i) inner.push_back(Get_Status());
    });
    EXPECT_GE(Get_Status(), 0);
    EXPECT_EQ(inner, std::vector<int>(1000, -6));
    EXPECT_EQ(count(Log(), refused), run);
    EXPECT_GE(Get_Status(), 0);  // busy was cleared
    EXPECT_EQ(count(Log(), "   1000 calls to Get_Status were refused while one was under way\n"), run) << Log();
  }
}

TEST_F(Status, BadChecksumsAreRetriedAndTooManyFailThePollOnly) {
  std::string ini = kIni;
  ini.insert(0, "[Interface]\nRetry=4\n");
  scenario.plates = {PlateAt(0, 50, 800, sim::FlatPlate(40, 60, 9000))};
  OpenActive(ini);
  scanner->SetBadChecksumReads(3);
  std::vector<std::string> names = PollPlatesThrough();
  EXPECT_EQ(names.size(), 1u) << Log();

  scanner->AddPlate(PlateAt(0, 10, 800, sim::FlatPlate(40, 60, 9000)));
  scanner->SetBadChecksumReads(-1);
  int failed = 0;
  for (int i = 0; i < 2000 && failed == 0; ++i) {
    const int s = Get_Status();
    if (s < 0) failed = s;
    platform::Sleep(5);
  }
  EXPECT_EQ(failed, -200);
  EXPECT_NE(Log().find("ERROR -200: Checksum error or too many retrys\n"), std::string::npos);
  scanner->SetBadChecksumReads(0);
  EXPECT_GE(Get_Status(), 0);  // still open, not busy
}

TEST_F(Status, DeactivatedWhileThePlateIsInTheTransportStillGivesItsImage) {
  const sim::PlateImage plate = sim::GradientPlate(200, 400, 3000, 30000);
  scenario.plates = {PlateAt(1, 50, 1200, plate)};
  OpenActive();
  PollUntil([](int s) { return (s & kTransport) != 0; }, 2000);
  ASSERT_EQ(Deaktivate_Scanner(), 0);
  std::vector<std::string> names = PollPlatesThrough();
  ASSERT_EQ(names.size(), 1u) << Log();
  StoredImage got = ReadStoredImage(names[0]);
  EXPECT_EQ(got.height, plate.height);
  EXPECT_TRUE(got.pixels == plate.pixels);

  // A plate inserted after the deactivation waits at the inlet.
  scanner->AddPlate(PlateAt(1, 0, 1200, plate));
  PollUntil([](int) { return false; }, 2000);
  EXPECT_FALSE(scanner->TransportRunning());
  EXPECT_EQ(Get_Status() & 0x0200, 0x0200);
}

}  // namespace
