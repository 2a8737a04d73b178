// Storage failing under a session, through the exports, with the fault put
// into the platform's file layer: a plate that cannot be stored whole is
// never handed out, leaves no file, is logged by name and cause, and the next
// Get_Status answers -1 once; the session goes on, the plates after the fault
// come out exact and the images before it stay.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>

#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

class StorageFaults : public SessionTest {
 protected:
  // A failed assertion leaves no fault behind for the next test.
  void TearDown() override {
    platform::SetFileFaultPlan(std::nullopt);
    SessionTest::TearDown();
  }
  std::string Temp() const { return bin() + "/Temp"; }
  std::string TempPath() const { return Temp() + "/Tarvel.tmp"; }
  // The session's ini with the temporary file in a folder of its own.
  std::string Ini() const {
    std::string ini = kIni;
    ini.insert(ini.find("[Scanner]\n") + 10, "TempFile=.\\Temp\\Tarvel.tmp\n");
    return ini;
  }
};

constexpr int kPlates = 5;
constexpr int kFaultyPlate = 2;  // zero-based: the third plate is lost
// Apart far enough that a piece of the stream never holds two plates: each
// plate is out before the next one comes in.
constexpr uint32_t kPlateSpacingMs = 12000;

std::vector<sim::PlateImage> Plates() {
  std::vector<sim::PlateImage> plates;
  // Each larger than a piece of the stream (40960 bytes): a plate is stored
  // over several writes.
  for (int i = 0; i < kPlates; ++i) plates.push_back(sim::NoisePlate(160 + 4 * i, 300, 1000, 40000, 11 + i));
  return plates;
}

struct FaultCase {
  const char* what;
  bool in_temp;  // the temporary file's folder, else the image folder
  struct {
    int64_t read, write, create;  // the k-th call from which each fails, or -1
    int error;
  } plan;
  std::string cause;  // <n> the name the lost plate would have had
  const char* writer_line;  // the writer's own line, when it has one
};

// The file names in `folder`.
std::set<std::string> FilesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

TEST_F(StorageFaults, LostPlateIsReportedOnceAndTheSessionGoesOnExact) {
  const FaultCase cases[] = {
      {"temporary file's file system read-only",
       true,
       {-1, 0, -1, EROFS},
       "temporary data file not written (Read-only file system)",
       nullptr},
      {"disk under the temporary file full after a piece",
       true,
       {-1, 1, -1, ENOSPC},
       "temporary data file not written (No space left on device)",
       nullptr},
      {"temporary file unreadable",
       true,
       {0, -1, -1, EIO},
       "temporary data file not read back (Input/output error)",
       nullptr},
      {"image folder read-only",
       false,
       {-1, -1, 0, EROFS},
       "image file <n> not written (Read-only file system)",
       "ERROR: Cannot create image file <n>\n"},
      {"image folder full",
       false,
       {-1, 1, -1, ENOSPC},
       "image file <n> not written (No space left on device)",
       "ERROR: Cannot write image file <n>\n"},
      {"image folder full at the information file",
       false,
       {-1, 2, -1, ENOSPC},
       "information file <t> not written (No space left on device)",
       "ERROR: Cannot write information file <t>\n"},
  };
  const std::vector<sim::PlateImage> plates = Plates();
  // Each case over the parallel port, then over USB.
  const size_t n = std::size(cases);
  for (size_t run = 0; run < 2 * n; ++run) {
    const FaultCase& c = cases[run % n];
    const bool usb = run >= n;
    SCOPED_TRACE(testing::Message() << c.what << (usb ? " over USB" : " over the parallel port"));
    StartAfresh();
    WriteIni(Ini());
    for (int i = 0; i < kPlates; ++i) scenario.plates.push_back(PlateAt(0, 100 + kPlateSpacingMs * i, 600, plates[i]));
    AttachOver(usb);
    scanner->SetTracing(false);
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    ASSERT_EQ(Set_Prescanmode(100), 0);
    ASSERT_EQ(Aktivate_Scanner(), 0);

    platform::FileFaultPlan plan;
    plan.read = c.plan.read;
    plan.write = c.plan.write;
    plan.create = c.plan.create;
    plan.error = c.plan.error;
    plan.folder = c.in_temp ? Temp() : Images();
    std::vector<std::string> names;
    int failures = 0;
    bool faulty = false;
    std::vector<uint8_t> line(1024);
    bool lit_under_fault = false;  // a prescan line taken under the fault shows samples
    const uint64_t until = platform::NowMs() + kPlateSpacingMs * kPlates + 20000;
    while (names.size() < kPlates - 1 && platform::NowMs() < until) {
      const int status = Get_Status();
      if (status == -1) {
        ++failures;
        // Space or write access returns.
        platform::SetFileFaultPlan(std::nullopt);
        faulty = false;
        continue;
      }
      ASSERT_GE(status, 0) << Log();
      if (status & (1 << 24)) {
        ASSERT_EQ(Get_Prescanline(line.data()), 0);
        if (faulty) lit_under_fault |= std::any_of(line.begin(), line.begin() + 100, [](uint8_t b) { return b != 0; });
      }
      for (int pending = status & 0xFF; pending > 0; --pending) {
        char name[256];
        ASSERT_GT(Get_ImageName(name), 0);
        names.push_back(name);
        if (names.size() == kFaultyPlate) {
          platform::SetFileFaultPlan(plan);
          faulty = true;
          ASSERT_EQ(Set_Prescanmode(100), 0);  // only lines taken from now on
        }
      }
      platform::Sleep(20);
    }
    platform::SetFileFaultPlan(std::nullopt);
    ASSERT_EQ(names.size(), size_t{kPlates - 1}) << Log();
    EXPECT_EQ(failures, 1);
    // Runs that never reached the file (or cannot be read from it) are not
    // shown as another plate's samples.
    if (c.in_temp && (c.plan.write == 0 || c.plan.read == 0)) {
      EXPECT_FALSE(lit_under_fault);
    }

    // Contiguous numbers; the lost plate's number went to the next plate.
    std::set<std::string> want_files;
    for (size_t i = 0; i < names.size(); ++i) {
      SCOPED_TRACE(names[i]);
      const std::string file = "KP00000" + std::to_string(i + 1);
      EXPECT_EQ(names[i], Images() + "/" + file + ".QEW");
      want_files.insert(file + ".QEW");
      want_files.insert(file + ".txt");
      const sim::PlateImage& want = plates[i < kFaultyPlate ? i : i + 1];
      ImageInfo info{};
      ASSERT_EQ(Get_ImageInfo(&info, names[i].c_str()), 0);
      ASSERT_EQ(info.width, want.width);
      ASSERT_EQ(info.height, want.height);
      std::vector<uint16_t> pixels(static_cast<size_t>(want.width) * want.height);
      ASSERT_EQ(Read_DiskImage(pixels.data(), names[i].c_str()), 0);
      EXPECT_TRUE(pixels == want.pixels);
    }
    // Neither image nor information file of the lost plate stayed.
    EXPECT_EQ(FilesIn(Images()), want_files);

    std::string cause = c.cause, writer = c.writer_line ? c.writer_line : "";
    const std::string lost_name = Images() + "/KP000003.QEW";
    const std::pair<std::string, std::string> marks[] = {{"<n>", lost_name}, {"<t>", Images() + "/KP000003.txt"}};
    for (std::string* text : {&cause, &writer}) {
      for (const auto& [mark, name] : marks) {
        for (size_t at; (at = text->find(mark)) != std::string::npos;) text->replace(at, mark.size(), name);
      }
    }
    const std::string log = Log();
    const std::string lost = "ERROR: Plate from (";
    ASSERT_NE(log.find(lost), std::string::npos) << log;
    const size_t at = log.find(lost);
    const std::string plate_line = log.substr(at, log.find('\n', at) + 1 - at);
    EXPECT_EQ(plate_line.substr(plate_line.find(" lost: ")), " lost: " + cause + "\n");
    EXPECT_EQ(log.find(lost, at + 1), std::string::npos);
    if (!writer.empty()) {
      EXPECT_NE(log.find(writer + plate_line), std::string::npos) << log;
    }
    auto count = [&](const std::string& what) {
      int n = 0;
      for (size_t from = log.find(what); from != std::string::npos; from = log.find(what, from + 1)) ++n;
      return n;
    };
    EXPECT_EQ(count("ERROR: File write error for Block["), c.in_temp && c.plan.write >= 0 ? 1 : 0);
    EXPECT_EQ(count("ERROR: File read error for Block["), c.in_temp && c.plan.read >= 0 ? 1 : 0);
    EXPECT_EQ(Deaktivate_Scanner(), 0);
    EXPECT_EQ(Close_Scanner(), 0);
    EXPECT_FALSE(platform::FileExists(TempPath()));
  }
}

}  // namespace
