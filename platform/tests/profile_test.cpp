#include "platform/profile.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testing/temp_folder.h"

#include <fstream>

using testsupport::TempFolder;
using namespace platform;

namespace {
void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

const char* kIni =
    "; comment line\n"
    "[Scanner]\n"
    "ImagePath = .\\Images \n"
    "Quoted=\"  spaced  \"\n"
    "Single='x'\n"
    "OneQuote=\"open\n"
    "Empty=\n"
    "  Padded  =\t7\t\n"
    "Dup=first\n"
    "dup=second\n"
    ";Hidden=1\n"
    "NoEquals\n"
    "Eq=a=b\n"
    "Degree=\xB0"
    "C\n"
    "[ scanner ]\n"
    "Later=1\n"
    "[Param_#1]\r\n"
    "ParamName=Intra 50\r\n"
    "Neg=-12\r\n"
    "Hex=0x1F\r\n"
    "Trail=42abc\r\n"
    "Word=abc\r\n";
}  // namespace

TEST(Profile, ReadsWithTheWindowsRules) {
  TempFolder t;
  std::string ini = t / "Tarvel.ini";
  Write(ini, kIni);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } cases[] = {
      {"Scanner", "ImagePath", ".\\Images"},  // blanks trimmed
      {"SCANNER", "imagepath", ".\\Images"},  // names without case
      {"Scanner", "Quoted", "  spaced  "},  // one pair of quotes stripped
      {"Scanner", "Single", "x"},
      {"Scanner", "OneQuote", "\"open"},
      {"Scanner", "Empty", ""},  // empty is not missing
      {"Scanner", "Padded", "7"},
      {"Scanner", "Dup", "first"},  // first match wins
      {"Scanner", "Hidden", std::nullopt},
      {";Hidden", "1", std::nullopt},
      {"Scanner", "NoEquals", std::nullopt},
      {"Scanner", "Eq", "a=b"},
      {"Scanner", "Degree",
       "\xB0"
       "C"},  // bytes, not UTF-8
      {"Scanner", "Later", std::nullopt},  // only the first section named so
      {"Param_#1", "ParamName", "Intra 50"},  // CRLF line ends
      {"Param_#2", "ParamName", std::nullopt},
      {"Scanner", "Missing", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadProfileString(ini, c.section, c.key), c.value) << c.section << "/" << c.key;
  EXPECT_FALSE(ReadProfileString(t / "none.ini", "Scanner", "ImagePath").has_value());
}

TEST(Profile, IntegersSignedHexAndDefault) {
  TempFolder t;
  std::string ini = t / "a.ini";
  Write(ini, kIni);
  EXPECT_EQ(ReadProfileInt(ini, "Param_#1", "Neg", 5), -12);
  EXPECT_EQ(ReadProfileInt(ini, "Param_#1", "Hex", 5), 31);
  EXPECT_EQ(ReadProfileInt(ini, "Param_#1", "Trail", 5), 42);
  EXPECT_EQ(ReadProfileInt(ini, "Param_#1", "Word", 5), 0);
  EXPECT_EQ(ReadProfileInt(ini, "Scanner", "Empty", 5), 0);
  EXPECT_EQ(ReadProfileInt(ini, "Param_#1", "Missing", 5), 5);
}

TEST(Profile, WritesKeepEveryOtherByte) {
  TempFolder t;
  std::string ini = t / "w.ini";
  const std::string base = "; keep me\r\n[Scanner]\r\nA=1\r\n  b = 2 \r\n\r\n[Other]\r\nA=x\r\n[Scanner]\r\nC=3\r\n";
  struct Case {
    const char* what;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
  } cases[] = {
      {"replace", "scanner", "B", "20",
       "; keep me\r\n[Scanner]\r\nA=1\r\nB=20\r\n\r\n[Other]\r\nA=x\r\n[Scanner]\r\nC=3\r\n"},
      {"add to section", "Scanner", "New", "v",
       "; keep me\r\n[Scanner]\r\nA=1\r\n  b = 2 \r\nNew=v\r\n\r\n[Other]\r\nA=x\r\n[Scanner]\r\nC=3\r\n"},
      {"delete", "Scanner", "a", nullptr,
       "; keep me\r\n[Scanner]\r\n  b = 2 \r\n\r\n[Other]\r\nA=x\r\n[Scanner]\r\nC=3\r\n"},
      {"delete missing", "Scanner", "Z", nullptr, base},
      {"new section", "Filter_#2", "Name", "Soft", base + "[Filter_#2]\r\nName=Soft\r\n"},
      {"empty value", "Other", "A", "",
       "; keep me\r\n[Scanner]\r\nA=1\r\n  b = 2 \r\n\r\n[Other]\r\nA=\r\n[Scanner]\r\nC=3\r\n"},
  };
  for (const auto& c : cases) {
    Write(ini, base);
    EXPECT_TRUE(WriteProfileString(ini, c.section, c.key, c.value)) << c.what;
    EXPECT_EQ(ReadWholeFile(ini).value_or(""), c.after) << c.what;
  }
}

TEST(Profile, WriteEdgeCases) {
  TempFolder t;
  std::string ini = t / "e.ini";
  // A new file, and a last line without a line end.
  EXPECT_TRUE(WriteProfileString(ini, "Scanner", "Kalibrierdaten", "/x/a.kor"));
  EXPECT_EQ(ReadWholeFile(ini).value_or(""), "[Scanner]\nKalibrierdaten=/x/a.kor\n");
  Write(ini, "[Scanner]\nA=1");
  EXPECT_TRUE(WriteProfileString(ini, "Scanner", "B", "2"));
  EXPECT_EQ(ReadWholeFile(ini).value_or(""), "[Scanner]\nA=1\nB=2\n");
  Write(ini, "[Scanner]\nA=1");
  EXPECT_TRUE(WriteProfileString(ini, "Scanner", "A", "9"));
  EXPECT_EQ(ReadWholeFile(ini).value_or(""), "[Scanner]\nA=9");
  // Deleting from a missing file creates nothing; line breaks are refused.
  EXPECT_TRUE(WriteProfileString(t / "none.ini", "S", "K", nullptr));
  EXPECT_FALSE(FileExists(t / "none.ini"));
  EXPECT_FALSE(WriteProfileString(ini, "Scanner", "A", "1\n[Evil]"));
  EXPECT_FALSE(WriteProfileString(ini, "Scanner", "A=B", "1"));
  EXPECT_FALSE(WriteProfileString(t / "no/folder.ini", "S", "K", "v"));
  EXPECT_EQ(ReadWholeFile(ini).value_or(""), "[Scanner]\nA=9");
}
