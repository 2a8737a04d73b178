// The normalization file reader and writer, and the summary the scanner
// report prints of a file.
#include <gtest/gtest.h>

#include <string>

#include "driver/normalization/normalization_file.h"
#include "driver/normalization/normalization_summary.h"
#include "driver/tests/normalization/normalization_fixture.h"
#include "platform/files.h"
#include "platform/tests/test_folder.h"

namespace {

constexpr const char* kText =
    "VX0000001\n14583\n3\n100000\n14:3:2026\n9:26:53\n20012\n****************\n1.000000\n0.987654\n1.250000\n";

TEST(NormalizationFileText, WrittenAndReadBackTheSameWithLfOrCrlf) {
  for (const std::string& text : {std::string(kText), normtest::Crlf(kText)}) {
    const tarvel::NormalizationFile f = tarvel::ParseNormalizationFile(text);
    EXPECT_EQ(f.serial, "VX0000001");
    EXPECT_EQ(f.scan_start, 14583);
    EXPECT_EQ(f.value_count, 3);
    EXPECT_EQ(f.value_pitch, 100000);
    EXPECT_EQ(f.day * 10000 + f.month * 100 + f.year - 2000, 140326);
    EXPECT_EQ(f.hour * 10000 + f.minute * 100 + f.second, 92653);
    EXPECT_EQ(f.mean, 20012);
    EXPECT_EQ(f.factors, (std::vector<double>{1.0, 0.987654, 1.25}));
    EXPECT_EQ(tarvel::FormatNormalizationFile(f), kText);
  }
}

TEST(NormalizationFileText, FactorsStopAtTheCountOrAtTheFirstUnusableToken) {
  struct Case {
    const char* factors;
    size_t read;
  } cases[] = {
      {"1 2 3 4 5", 3},  // only ValueCount are taken
      {"1 2", 2},  // the file ends early
      {"1 x 3", 1},
      {"1 inf 3", 1},
      {"1 nan 3", 1},
      {"1.5e0 -2 +3", 3},
      {"1.00000000000000009 2", 3},  // a token has at most 16 characters: "09" is the next
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factors);
    std::string text = "S\n1\n3\n100000\n1:1:2026\n0:0:0\n5000\n****************\n";
    EXPECT_EQ(tarvel::ParseNormalizationFile(text + c.factors).factors.size(), c.read);
  }
  // A header cut short reads as zeros.
  const tarvel::NormalizationFile cut = tarvel::ParseNormalizationFile("S\r\n14583\n");
  EXPECT_EQ(cut.serial, "S");
  EXPECT_EQ(cut.scan_start, 14583);
  EXPECT_EQ(cut.value_count, 0);
  EXPECT_TRUE(cut.factors.empty());
}

TEST(NormalizationSummary, SerialAndDateOfAFile) {
  TempFolder tmp;
  const std::string path = tmp / "a.kor";
  std::string serial, date;
  EXPECT_EQ(tarvel::NormalizationFile_Summary("", &serial, &date), -1);
  EXPECT_EQ(serial, "????????");
  EXPECT_EQ(date, "??:??:????");
  EXPECT_EQ(tarvel::NormalizationFile_Summary(path, &serial, &date), -1);
  EXPECT_EQ(date, "??:??:????");
  ASSERT_TRUE(platform::WriteFileAtomically(path, normtest::Crlf(kText)));
  EXPECT_EQ(tarvel::NormalizationFile_Summary(path, &serial, &date), 0);
  EXPECT_EQ(serial, "VX0000001");
  EXPECT_EQ(date, "14:3:2026");
}

TEST(NormalizationSummary, TextSlice) {
  const char id[] = "VX0000001\0\xff\xff";
  EXPECT_EQ(tarvel::Text_Slice(id, 0, 31), "VX0000001");
  EXPECT_EQ(tarvel::Text_Slice(id, 2, 3), "000");
  EXPECT_EQ(tarvel::Text_Slice(id, 0, 0), "");
  EXPECT_EQ(tarvel::Text_Slice(id, -1, 3), "");
  EXPECT_EQ(tarvel::Text_Slice(nullptr, 0, 3), "");
}

}  // namespace
