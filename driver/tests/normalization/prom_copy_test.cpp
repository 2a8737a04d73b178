// The normalization copy in the data PROM over USB: written with its
// checksum and read back, cleared, refused when damaged, and applied at
// open; over the parallel port and without a session the exports refuse.
#include <cmath>

#include "driver/tests/normalization/normalization_fixture.h"

using namespace normtest;

namespace {

double CosineShape(int k) { return 1.0 + 0.125 * std::cos(k * 0.02); }

// The copy as the data PROM must hold it: 16 LE words, then the doubles;
// word 1 makes the 32-bit sum of all words 0.
std::vector<uint8_t> PromImage(const tarvel::NormalizationFile& f, int32_t version = 1) {
  std::vector<uint32_t> words = {uint32_t(version),
                                 0,
                                 uint32_t(f.scan_start),
                                 uint32_t(f.value_count),
                                 uint32_t(f.value_pitch),
                                 uint32_t(f.year),
                                 uint32_t(f.month),
                                 uint32_t(f.day),
                                 uint32_t(f.hour),
                                 uint32_t(f.minute),
                                 uint32_t(f.second),
                                 uint32_t(f.mean),
                                 0,
                                 0,
                                 0,
                                 0};
  for (double d : f.factors) {
    uint64_t raw;
    std::memcpy(&raw, &d, 8);
    words.push_back(uint32_t(raw));
    words.push_back(uint32_t(raw >> 32));
  }
  uint32_t sum = 0;
  for (uint32_t w : words) sum += w;
  words[1] = 0u - sum;
  std::vector<uint8_t> bytes;
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(w >> (8 * i)));
  return bytes;
}

class PromCopy : public NormalizationTest {
 protected:
  // Opens mode 1 over USB with the data PROM type and copy given.
  void OpenUsb(uint8_t type, std::optional<std::vector<uint8_t>> copy = std::nullopt) {
    WriteIni(kIni100);
    scenario.interface = "USB";
    scenario.guid = usbtest::kGuidType6;
    scenario.data_prom_type = type;
    if (copy) scenario.data_proms[0xAA] = *copy;
    AttachUsb();
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
  }
  uint8_t PromType() const { return scanner->IdProm()[31]; }
  std::vector<uint8_t> DataProm(size_t bytes) const {
    std::vector<uint8_t> all = scanner->PromBytes(0xAA);
    all.resize(std::min(all.size(), bytes));
    return all;
  }
  std::string Kor(const std::string& name, const tarvel::NormalizationFile& f) {
    platform::CreateDirectories(Calib());
    const std::string path = Calib() + "/" + name;
    EXPECT_TRUE(platform::WriteFileAtomically(path, tarvel::FormatNormalizationFile(f)));
    return path;
  }
  bool Logged(const std::string& line) const { return Log().find(line) != std::string::npos; }
};

TEST_F(PromCopy, WrittenWithItsChecksumReadBackAndCleared) {
  OpenUsb(0);
  const tarvel::NormalizationFile f = Factors(Covering(100000), 100000, CosineShape);
  const std::string in = Kor("in.kor", f);
  ASSERT_EQ(Write_NormalizationData(in.c_str()), 0) << Log();
  EXPECT_TRUE(Logged("Normalization File: " + in + "\n  Data loaded\n"));
  const std::vector<uint8_t> want = PromImage(f);
  EXPECT_TRUE(DataProm(want.size()) == want);
  EXPECT_EQ(PromType(), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(scanner->IdProm().data())), kSerial);

  const std::string out = Calib() + "/out.kor";
  ASSERT_EQ(Read_NormalizationData(out.c_str()), 0) << Log();
  EXPECT_EQ(Read(out), Read(in));

  EXPECT_EQ(Clear_NormalizationData(), 0);
  EXPECT_TRUE(DataProm(64) == std::vector<uint8_t>(64, 0));
  EXPECT_EQ(PromType(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(scanner->IdProm().data())), kSerial);
  EXPECT_EQ(Read_NormalizationData((Calib() + "/again.kor").c_str()), -1007);
  EXPECT_TRUE(Logged("ERROR: No normalization data present in the PROM\n"));
  EXPECT_FALSE(platform::FileExists(Calib() + "/again.kor"));
}

TEST_F(PromCopy, LargestCopyThatFitsIsWrittenAndOneMoreValueIsRefused) {
  OpenUsb(0);
  // 8183 x 8 + 64 = 65528 bytes; 8184 values reach 65536.
  const std::string fits = Kor("fits.kor", Factors(8183, 40000, CosineShape));
  const std::string too_many = Kor("too_many.kor", Factors(8184, 40000, CosineShape));
  EXPECT_EQ(Write_NormalizationData(too_many.c_str()), -1);
  EXPECT_TRUE(Logged("ERROR: 8184 values do not fit the data PROM\n"));
  EXPECT_EQ(PromType(), 0);
  EXPECT_EQ(Write_NormalizationData(fits.c_str()), 0) << Log();
  EXPECT_TRUE(DataProm(65528) == PromImage(Factors(8183, 40000, CosineShape)));
}

TEST_F(PromCopy, WriteRefusesFilesThatDoNotFit) {
  OpenUsb(0);
  tarvel::NormalizationFile other = Factors(Covering(100000), 100000, CosineShape);
  other.serial = "VX0000002";
  tarvel::NormalizationFile short_line = Factors(Covering(100000) - 1, 100000, CosineShape);
  struct Row {
    std::string path;
    int code;
    std::string line;
  } rows[] = {
      {"", -1, "ERROR: Normalization file not specified\n"},
      {Calib() + "/none.kor", -1, "ERROR: Normalization file '" + Calib() + "/none.kor' not found\n"},
      {Kor("other.kor", other), -1013, "ERROR: Normalization file does not belong to this device\n"},
      {Kor("short.kor", short_line), -1019, "ERROR: Scan settings have changed since the last normalization\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(Write_NormalizationData(row.path.c_str()), row.code);
    EXPECT_TRUE(Logged(row.line)) << Log();
  }
  EXPECT_TRUE(DataProm(64) == std::vector<uint8_t>(64, 0xFF));  // untouched
}

TEST_F(PromCopy, AFailedWriteLeavesNoCopyAnnounced) {
  OpenUsb(1, PromImage(Factors(Covering(100000), 100000, CosineShape)));
  scanner->SetI2cAbsent(0xAA, true);  // the data PROM stops answering
  const std::string in = Kor("in.kor", Factors(Covering(100000), 100000, CosineShape));
  const int r = Write_NormalizationData(in.c_str());
  EXPECT_LT(r, 0);
  EXPECT_TRUE(Logged("ERROR " + std::to_string(r) + ": Unable to write header to data PROM\n")) << Log();
  EXPECT_EQ(PromType(), 0);
}

TEST_F(PromCopy, DamagedCopiesAreRefusedAtOpenAndOnRead) {
  const tarvel::NormalizationFile f = Factors(Covering(100000), 100000, CosineShape);
  std::vector<uint8_t> bad_sum = PromImage(f);
  bad_sum[68] ^= 1;  // one data bit: the word sum is off by one
  const std::string off_by = (bad_sum[68] & 1) ? "1" : "-1";
  std::vector<uint8_t> too_long = PromImage(f);
  too_long[12] = 0x20;  // ValueCount 0x0C20 + ... beyond the PROM
  too_long[13] = 0x20;
  struct Row {
    const char* what;
    std::vector<uint8_t> copy;
    std::string line;
  } rows[] = {
      {"bad checksum", bad_sum, "ERROR: Bad checksum in readback " + off_by + "\n"},
      {"version 2", PromImage(f, 2), "ERROR: Unrecognized type of normalization data (2)\n"},
      {"header that does not add up", too_long,
       "ERROR: Invalid normalization header in the data PROM (ValueCount 8224, ValuePitch 100000)\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    StartAfresh();
    OpenUsb(1, row.copy);
    EXPECT_TRUE(Logged(row.line)) << Log();  // at open; the table stays neutral
    EXPECT_EQ(Read_NormalizationData((Calib() + "/out.kor").c_str()), -1007);
    EXPECT_FALSE(platform::FileExists(Calib() + "/out.kor"));
    EXPECT_EQ(Close_Scanner(), 0);
  }
}

TEST_F(PromCopy, CopyAppliedAtOpenAndItsLastFactorPastItsEnd) {
  // 2000 factors 100 um apart cover less than the line: pixels beyond them
  // take the last one.
  const tarvel::NormalizationFile f = Factors(2000, 100000, CosineShape);
  const sim::PlateImage plate = sim::GradientPlate(600, 300, 3000, 48000);
  const int x0 = 1700;
  scenario.plates = {sessiontest::PlateAt(0, 100, x0, plate)};
  OpenUsb(1, PromImage(f));
  EXPECT_EQ(Log().find("Normalization File"), std::string::npos);
  ASSERT_EQ(Aktivate_Scanner(), 0) << Log();
  std::vector<std::string> names = PollPlatesThrough();
  ASSERT_EQ(names.size(), 1u) << Log();
  const testsupport::StoredImage got = testsupport::ReadStoredImage(names[0]);
  EXPECT_TRUE(got.pixels == Corrected(plate, x0, &f));
}

// A parallel-port scanner whose identification PROM announces a copy: the
// open looks for none, and each export refuses before it touches a PROM.
TEST_F(PromCopy, ParallelPortAndClosedSessionRefuse) {
  EXPECT_EQ(Write_NormalizationData("x.kor"), -4);
  EXPECT_EQ(Read_NormalizationData("x.kor"), -4);
  EXPECT_EQ(Clear_NormalizationData(), -4);
  scenario.data_prom_type = 1;
  OpenSession();
  EXPECT_EQ(Log().find("data PROM"), std::string::npos) << Log();
  scanner->ClearI2cTransactions();
  for (int r : {Write_NormalizationData("x.kor"), Read_NormalizationData("x.kor"), Clear_NormalizationData()})
    EXPECT_EQ(r, -1007);
  EXPECT_TRUE(scanner->I2cTransactions().empty());
  EXPECT_EQ(PromType(), 1);
  std::string log = Log();
  size_t n = 0;
  for (size_t at = 0;
       (at = log.find("ERROR: Normalization data PROM requires USB interface\n", at)) != std::string::npos; ++at)
    ++n;
  EXPECT_EQ(n, 3u);
}

}  // namespace

namespace {

TEST_F(PromCopy, ClearNeverWritesBackAnIdentificationBlockThatWasNotRead) {
  scenario.faults.i2c_absent = {0xA8};
  OpenUsb(1, PromImage(Factors(Covering(100000), 100000, CosineShape)));
  ASSERT_TRUE(Logged("Can not read serial number\n")) << Log();
  scanner->SetI2cAbsent(0xA8, false);
  EXPECT_EQ(Clear_NormalizationData(), -1007);
  EXPECT_TRUE(Logged("ERROR: Serial Number PROM was not read; not updated\n"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(scanner->IdProm().data())), kSerial);
  EXPECT_EQ(PromType(), 1);
  // The header is gone, so the stale announcement is refused when read.
  EXPECT_EQ(Read_NormalizationData((Calib() + "/out.kor").c_str()), -1007);
}

}  // namespace

namespace {

TEST_F(PromCopy, UnreadableDataPromIsReportedWithItsCode) {
  scenario.faults.i2c_absent = {0xAA};
  OpenUsb(1, PromImage(Factors(Covering(100000), 100000, CosineShape)));
  EXPECT_TRUE(Logged("Unable to read header from data PROM\n")) << Log();
  const int r = Read_NormalizationData((Calib() + "/out.kor").c_str());
  EXPECT_LT(r, 0);
  EXPECT_NE(r, -1007);
  EXPECT_TRUE(Logged("ERROR " + std::to_string(r) + ": Unable to read header from data PROM\n")) << Log();
}

}  // namespace
