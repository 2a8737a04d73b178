#include "driver/config/session_log.h"

#include "driver/api/library.h"
#include "driver/config/log_channel.h"
#include "driver/tests/config/config_fixture.h"
#include "platform/clock.h"
#include "platform/debug_output.h"

#include <ctime>
#include <filesystem>

using namespace tarvel;

namespace {
std::time_t LocalNoon(int year, int month, int day) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}
}  // namespace

class SessionLog : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    platform::UseVirtualClock(0);
    today_ = LocalNoon(2026, 12, 10);
    platform::SetVirtualWallTime(today_);
    base_ = tmp_ / "logs/Tarvel";
    platform::CreateDirectories(tmp_ / "logs");
  }
  void TearDown() override {
    log_.Close();
    platform::UseRealClock();
    ConfigTest::TearDown();
  }
  void Ini(std::optional<int> count) {
    WriteIni("[Scanner]\nLogfile=" + base_ + "\n" + (count ? "AnzLogfile=" + std::to_string(*count) + "\n" : ""));
  }
  // A log file with `text`, last modified on the given day.
  void Put(const std::string& suffix, const std::string& text, std::time_t when) {
    std::ofstream(base_ + suffix, std::ios::binary) << text;
    platform::SetFileModifiedTime(base_ + suffix, when);
  }
  // Removes every file named <base>.<anything>.
  void RemoveLogFiles() {
    const std::filesystem::path base(base_);
    const std::string prefix = base.filename().string() + ".";
    for (const auto& entry : std::filesystem::directory_iterator(base.parent_path()))
      if (entry.path().filename().string().starts_with(prefix)) std::filesystem::remove(entry.path());
  }
  std::string Get(const std::string& suffix) { return platform::ReadWholeFile(base_ + suffix).value_or("<none>"); }
  std::time_t yesterday() const { return LocalNoon(2026, 12, 9); }

  std::time_t today_;
  std::string base_;
  SessionLogSink log_;  // a session log as the driver writes it
};

TEST_F(SessionLog, FirstOpenOfTheDayRotatesEveryCopy) {
  Ini(std::nullopt);  // default count 10
  Put(".log", "current", yesterday());
  for (int k = 1; k <= 10; ++k) Put(".L" + std::to_string(k), "copy " + std::to_string(k), yesterday());
  ASSERT_TRUE(log_.OpenDaily());
  Logf(log_, "new %d\n", 1);
  log_.Close();
  EXPECT_EQ(Get(".log"), "new 1\n");
  EXPECT_EQ(Get(".L1"), "current");
  for (int k = 2; k <= 10; ++k) EXPECT_EQ(Get(".L" + std::to_string(k)), "copy " + std::to_string(k - 1));
  EXPECT_EQ(platform::FindFiles(tmp_ / "logs/*").size(), 11u);
}

TEST_F(SessionLog, CasesOfRotation) {
  struct Case {
    const char* what;
    int count;
    std::vector<std::pair<std::string, std::string>> before;  // suffix, text (all yesterday)
    bool today;  // the .log is from today
    std::vector<std::pair<std::string, std::string>> after;
  } cases[] = {
      {"same day appends",
       10,
       {{".log", "a\n"}, {".L1", "old"}},
       true,
       {{".log", "a\nline\n"}, {".L1", "old"}, {".L2", "<none>"}}},
      {"count 0 appends on a new day", 0, {{".log", "a\n"}}, false, {{".log", "a\nline\n"}, {".L1", "<none>"}}},
      {"negative count", -5, {{".log", "a\n"}}, false, {{".log", "a\nline\n"}, {".L1", "<none>"}}},
      {"no log yet", 10, {}, false, {{".log", "line\n"}, {".L1", "<none>"}}},
      {"count 3 of 5 copies",
       3,
       {{".log", "c"}, {".L1", "1"}, {".L2", "2"}, {".L3", "3"}, {".L4", "4"}, {".L5", "5"}},
       false,
       {{".log", "line\n"}, {".L1", "c"}, {".L2", "1"}, {".L3", "2"}, {".L4", "4"}, {".L5", "5"}}},
      // Copies in the other case are the same copies: none may be lost.
      {"copies named in lower case",
       3,
       {{".log", "c"}, {".l1", "1"}, {".l2", "2"}, {".l3", "3"}},
       false,
       {{".log", "line\n"},
        {".L1", "c"},
        {".L2", "1"},
        {".L3", "2"},
        {".l1", "<none>"},
        {".l2", "<none>"},
        {".l3", "<none>"}}},
      {"a gap in the copies",
       4,
       {{".log", "c"}, {".L2", "2"}},
       false,
       {{".log", "line\n"}, {".L1", "c"}, {".L2", "<none>"}, {".L3", "2"}}},
      // Only the copies there are move; names that are no copy number stay.
      {"a huge count",
       1000000000,
       {{".log", "c"}, {".L1", "1"}, {".l2", "2"}, {".L01", "x"}, {".L2x", "y"}},
       false,
       {{".log", "line\n"}, {".L1", "c"}, {".L2", "1"}, {".L3", "2"}, {".L01", "x"}, {".L2x", "y"}}},
      {"the exact name wins",
       3,
       {{".log", "c"}, {".L1", "1"}, {".l1", "other"}},
       false,
       {{".log", "line\n"}, {".L1", "c"}, {".L2", "1"}, {".l1", "other"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveLogFiles();
    Ini(c.count);
    for (const auto& [suffix, text] : c.before) Put(suffix, text, c.today && suffix == ".log" ? today_ : yesterday());
    ASSERT_TRUE(log_.OpenDaily());
    Logf(log_, "line\n");
    log_.Close();
    for (const auto& [suffix, text] : c.after) EXPECT_EQ(Get(suffix), text) << suffix;
  }
}

TEST_F(SessionLog, DefaultPathBesideTheLibraryAndMissingFolders) {
  WriteIni("[Scanner]\nAnzLogfile=2\n");
  ASSERT_TRUE(log_.OpenDaily());
  Logf(log_, "x");
  log_.Close();
  EXPECT_EQ(platform::ReadWholeFile(bin() + "/Tarvel.log").value_or(""), "x");
  WriteIni("[Scanner]\nLogfile=.\\deep\\er\\Tarvel\n");
  ASSERT_TRUE(log_.OpenDaily());
  EXPECT_TRUE(log_.OpenDaily());  // already open: kept
  log_.Close();
  EXPECT_TRUE(platform::FileExists(bin() + "/deep/er/Tarvel.log"));
}

TEST_F(SessionLog, NullDeviceAndNoLog) {
  Ini(10);
  Logf(log_, "dropped without a log\n");
  EXPECT_FALSE(log_.IsOpen());
  ASSERT_TRUE(log_.OpenNull());
  EXPECT_TRUE(log_.IsOpen());
  Logf(log_, "to the null device\n");
  log_.Flush();
  log_.Close();
  EXPECT_FALSE(log_.IsOpen());
  EXPECT_TRUE(platform::FindFiles(tmp_ / "logs/*").empty());
  EXPECT_FALSE(std::filesystem::exists("NUL"));  // no file of that name
  // A log that cannot be opened: the session goes on without one.
  WriteIni("[Scanner]\nLogfile=/proc/no/such/Tarvel\n");
  EXPECT_FALSE(log_.OpenDaily());
  Logf(log_, "dropped\n");
}

// Each sink writes its own stream: opening, closing and ending one leaves
// the others (and the library session's log) as they are.
TEST_F(SessionLog, EachSinkOwnsItsStream) {
  SessionLogSink other;
  ASSERT_TRUE(log_.OpenAt(tmp_ / "a.log"));
  ASSERT_TRUE(other.OpenAt(tmp_ / "b.log"));
  EXPECT_TRUE(log_.OpenAt(tmp_ / "c.log"));  // already open: kept
  Logf(log_, "one\n");
  Logf(other, "two\n");
  other.Close();
  EXPECT_FALSE(other.IsOpen());
  EXPECT_TRUE(log_.IsOpen());
  Logf(log_, "three\n");
  Logf(other, "dropped\n");
  log_.Flush();
  EXPECT_EQ(platform::ReadWholeFile(tmp_ / "a.log").value_or("<none>"), "one\nthree\n");
  EXPECT_EQ(platform::ReadWholeFile(tmp_ / "b.log").value_or("<none>"), "two\n");
  EXPECT_FALSE(platform::FileExists(tmp_ / "c.log"));
  EXPECT_FALSE(Library().session.log.IsOpen());
  {
    SessionLogSink scoped;
    ASSERT_TRUE(scoped.OpenAt(tmp_ / "d.log"));
    Logf(scoped, "unflushed at the end\n");
  }
  EXPECT_EQ(platform::ReadWholeFile(tmp_ / "d.log").value_or("<none>"), "unflushed at the end\n");
  ASSERT_TRUE(other.OpenAt(tmp_ / "b.log"));  // a closed sink opens again, appending
  Logf(other, "four\n");
  other.Close();
  EXPECT_EQ(platform::ReadWholeFile(tmp_ / "b.log").value_or("<none>"), "two\nfour\n");
}

TEST_F(SessionLog, TimeStampOfTheLocalTime) {
  std::tm tm{};
  tm.tm_year = 2007 - 1900;
  tm.tm_mon = 2;
  tm.tm_mday = 10;
  tm.tm_hour = 14;
  tm.tm_min = 59;
  tm.tm_sec = 21;
  tm.tm_isdst = -1;
  platform::SetVirtualWallTime(std::mktime(&tm));
  EXPECT_EQ(TimeStamp(), "03/10/07 14:59:21");
  platform::Sleep(1000);
  EXPECT_EQ(TimeStamp(), "03/10/07 14:59:22");
}

TEST(LogChannel, LibraryChannelWritesNothing) {
  platform::DebugOutputCapture capture;
  LogChannel& kpu = Library().kpudll_log;
  EXPECT_EQ(kpu.Outputs(), 0u);
  EXPECT_EQ(kpu.Format(), 0x100u);
  EXPECT_EQ(kpu.Level(), 3u);
  kpu.Write("nothing %d\n", 1);
  kpu.HexDump("abc", 3);
  EXPECT_EQ(capture.text(), "");
  TraceStart(1, 256, 6, "_tarveldll.log");
  TraceMask(0xFF);
  TraceEnd();
  EXPECT_FALSE(platform::FileExists("_tarveldll.log"));
}

TEST(LogChannel, PrefixesOutputsAndLineLimit) {
  platform::UseVirtualClock(1234);
  platform::DebugOutputCapture capture;
  LogChannel ch("TEST");
  std::FILE* file = std::tmpfile();
  ch.SetOutputs(LogChannel::kDebugger | LogChannel::kFile, file);
  ch.SetFormat(LogChannel::kTickPrefix | LogChannel::kDeltaPrefix | LogChannel::kNamePrefix);
  ch.Write("a %s\n", "b");
  platform::Sleep(5);
  ch.Write("c\n");
  ch.SetFormat(LogChannel::kTickPrefix);
  ch.Write("d\n");
  ch.SetFormat(LogChannel::kDeltaPrefix);  // without the tick: no prefix
  ch.Write("e\n");
  const std::string want = "00001234(1234) TEST: a b\n00001239(0005) TEST: c\n00001239 d\ne\n";
  EXPECT_EQ(capture.text(), want);
  std::rewind(file);
  char buf[256] = {};
  size_t n = std::fread(buf, 1, sizeof buf - 1, file);
  EXPECT_EQ(std::string(buf, n), want);  // flushed after every line
  std::fclose(file);

  platform::DebugOutputCapture cut;
  ch.SetOutputs(LogChannel::kDebugger, nullptr);
  ch.SetFormat(LogChannel::kNamePrefix);
  ch.Write("%s", std::string(9000, 'z').c_str());
  EXPECT_EQ(cut.text().size(), 8191u);
  EXPECT_EQ(cut.text().substr(0, 7), "TEST: z");
  platform::UseRealClock();
}

TEST(LogChannel, HexDumpColumns) {
  platform::DebugOutputCapture capture;
  LogChannel ch("KPUDLL");
  ch.SetOutputs(LogChannel::kDebugger, nullptr);
  ch.HexDump("", 0);
  EXPECT_EQ(capture.text(), "");
  std::string bytes = "ABCDEFGHIJKLMNOP" + std::string("\x01\x7F\x80 ", 4);
  ch.HexDump(bytes.data(), bytes.size());
  const std::string line1 = "0000: 41 42 43 44  45 46 47 48  49 4A 4B 4C  4D 4E 4F 50   ABCDEFGHIJKLMNOP\n";
  std::string line2(59, ' ');
  line2.replace(0, 17, "0010: 01 7F 80 20");
  line2 += ".\x7F. \n";
  EXPECT_EQ(line1.find("ABCD"), 59u);
  EXPECT_EQ(capture.text(), "KPUDLL: " + line1 + "KPUDLL: " + line2);
}
