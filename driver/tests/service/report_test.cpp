// The scanner report (0x100F): one golden file per interface (the date line
// and the test's folder masked), the degree sign as the byte 0xB0, the
// normalization source it names, and how the file name is taken.
#include <cstdlib>
#include <fstream>

#include "driver/tests/service/service_fixture.h"

using namespace servicetest;

namespace {

// The session tests' ini with `scanner_keys` in section [Scanner] and
// `mode_keys` in mode 1.
std::string IniWith(const std::string& scanner_keys, const std::string& mode_keys = "") {
  std::string ini = sessiontest::kIni;
  ini.insert(ini.find("[Param_#2]"), mode_keys);
  ini.insert(ini.find('\n') + 1, scanner_keys);
  return ini;
}

const std::string kFilter =
    "Filter=1\n"
    "[Filter_#1]\n"
    "Name=Soft edges\n"
    "LowBlock=0.5\n"
    "LowGain=1.25\n"
    "LowSigma=0.2\n";

class Report : public ServiceTest {
 protected:
  std::string ReportPath() const { return bin() + "/report.txt"; }

  // Writes the report through the export; its text, or "" when none.
  std::string WriteReport() {
    const Answer a = Ctrl(0x100F, Name(ReportPath()), 0);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.count, 0);
    return platform::ReadWholeFile(ReportPath()).value_or("");
  }
  static std::vector<uint8_t> Name(const std::string& path) {
    std::vector<uint8_t> in(path.begin(), path.end());
    in.push_back(0);
    return in;
  }

  // The report with its date line and the test's folder masked.
  std::string Masked(std::string text) const {
    const std::string date = "Vornix report generated: ";
    if (text.compare(0, date.size(), date) == 0) text.replace(date.size(), text.find('\n') - date.size(), "<time>");
    return MaskFolder(text);
  }

  // A normalization file of the scanner (2 factors) beside the library.
  std::string WriteNormalizationFile() const {
    const std::string path = bin() + "/Tarvel.kor";
    std::ofstream(path, std::ios::binary) << "VX0000001\n14583\n2\n100000\n10:12:2026\n14:30:5\n20000\n"
                                             "****************\n1.000000\n1.100000\n";
    return path;
  }
};

// The data PROM's normalization header (16 i32 words) and two factors, the
// checksum making the word sum 0.
std::vector<uint8_t> DataPromCopy() {
  int32_t words[16] = {1, 0, 14583, 2, 100000, 2026, 12, 10, 14, 30, 5, 20000, 0, 0, 0, 0};
  const double factors[2] = {1.0, 1.1};
  std::vector<uint8_t> bytes(64 + sizeof factors);
  std::memcpy(bytes.data() + 64, factors, sizeof factors);
  uint32_t sum = 0;
  for (int32_t w : words) sum += uint32_t(w);
  for (size_t at = 64; at < bytes.size(); at += 4) sum += GetU32(bytes, at);
  words[1] = int32_t(0u - sum);
  std::memcpy(bytes.data(), words, sizeof words);
  return bytes;
}

TEST_F(Report, ParallelPortGolden) {
  const std::string kor = WriteNormalizationFile();
  Open(IniWith("Normalization=" + kor + "\n", kFilter));
  const std::string text = WriteReport();
  ExpectGolden(Masked(text), "service/golden/report_epp.txt");
  EXPECT_NE(text.find("   Temperature Laser    =  25.0\xB0"
                      "C\n"),
            std::string::npos);
  EXPECT_EQ(text.find("\xC2\xB0"), std::string::npos) << "the degree sign is one byte, not UTF-8";
}

TEST_F(Report, UsbGolden) {
  scenario.data_prom_type = 1;
  scenario.data_proms[0xAA] = DataPromCopy();
  scenario.laser_temp = 31.5;
  Open(sessiontest::kIni, true);
  ASSERT_EQ(Set_ImageFilterMode(0), 0);
  ExpectGolden(Masked(WriteReport()), "service/golden/report_usb.txt");
}

TEST_F(Report, NormalizationSourceItNames) {
  struct Case {
    const char* what;
    bool usb;
    uint8_t prom_type;
    std::string keys;  // lines of section [Scanner]
    std::string section;  // from the section's first line to the blank line after it
  };
  const std::string kor = bin() + "/Tarvel.kor";
  const Case cases[] = {
      {"no keys, no copy in the PROM", false, 0, "", "Not using normalization data\n"},
      {"no keys, a copy, parallel port", false, 1, "",
       "Data PROM Normalization information\nERROR: Normalization data PROM requires USB interface\n"},
      {"an empty Normalization falls back to Kalibrierdaten", false, 0, "Normalization=\nKalibrierdaten=" + kor + "\n",
       "Using normalization file:\n   " + kor + "\n   SN   : VX0000001\n   Date : 10:12:2026\n"},
      {"a file that is not there", true, 1, "Normalization=" + bin() + "/missing.kor\n",
       "Using normalization file:\n   " + bin() + "/missing.kor\nERROR: file not found!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StartAfresh();
    WriteNormalizationFile();
    scenario.data_prom_type = c.prom_type;
    Open(IniWith(c.keys), c.usb);
    const std::string text = WriteReport();
    const size_t from = text.find("\n\n", text.find("There are ")) + 2;
    EXPECT_EQ(text.substr(from, c.section.size() + 1), c.section + "\n");
    Close_Scanner();
  }
}

TEST_F(Report, TheNameEndsAtTheInputLengthWithOrWithoutNul) {
  Open();
  const std::string path = ReportPath();
  std::vector<uint8_t> in(path.begin(), path.end());
  for (char c : std::string("JUNK")) in.push_back(uint8_t(c));
  const int r = Ext_ScannerCTRL(0x100F, in.data(), int32_t(path.size()), nullptr, 0, nullptr);
  EXPECT_EQ(r, 0);
  EXPECT_TRUE(platform::FileExists(path));
  EXPECT_FALSE(platform::FileExists(path + "JUNK"));
}

TEST_F(Report, AFileThatCannotBeCreatedIsMinusOne) {
  Open();
  scanner->ClearTrace();
  const Answer a = Ctrl(0x100F, Name(bin()), 0);  // a folder
  EXPECT_EQ(a.result, -1);
  EXPECT_TRUE(scanner->Trace().empty()) << "nothing read for a report that cannot be written";
}

TEST_F(Report, NormalizationFileCommandPassesMakeCalibFilesResultOn) {
  Open();
  const Answer a = Ctrl(0x1010, Name(Images() + "/KP000001.QEW"), 0);
  EXPECT_EQ(a.result, -1) << "no such image";
  EXPECT_EQ(a.count, 0);
}

}  // namespace
