// The FPGA design file reader and the built-in design.
#include "driver/device/fpga_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "simulator/scanner_model.h"
#include "testing/temp_folder.h"

using testsupport::TempFolder;

namespace {

class FpgaFile : public ::testing::Test {
 protected:
  std::vector<uint8_t> Load(const std::string& text) {
    std::string path = tmp_ / "design.hex";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return tarvel::Load_File(path);
  }
  static std::vector<uint8_t> Padded(std::vector<uint8_t> data) {
    data.insert(data.end(), 20, 0);
    return data;
  }
  TempFolder tmp_;
};

TEST_F(FpgaFile, Records) {
  struct Case {
    const char* name;
    const char* text;
    std::vector<uint8_t> data;  // before the 20 zero bytes; empty with `none`
    bool none;
  } cases[] = {
      {"two data records", ":03000000010203F7\n:020003000405F2\n:00000001FF\n", {1, 2, 3, 4, 5}, false},
      {"no end record", ":03000000010203F7\n:020003000405F2", {1, 2, 3, 4, 5}, false},
      {"addresses out of order are concatenated in file order",
       ":020010000A0BD9\n:020000000C0DE5\n:00000001FF\n",
       {0x0A, 0x0B, 0x0C, 0x0D},
       false},
      {"other record types give no bytes",
       ":020000040000FA\n:0100000011EE\n:04000005000000F007\n:00000001FF\n",
       {0x11},
       false},
      {"nothing after the end record counts", ":0100000011EE\n:00000001FF\n:0100000022DD\n", {0x11}, false},
      {"characters that are not hex digits are passed over", "::01 00-00 00 11\tEE\r\n:00000001FF", {0x11}, false},
      {"a record cut short by the end of the file is dropped", ":0100000011EE\n:0300000001", {0x11}, false},
      {"empty file", "", {}, false},
      {"wrong checksum in the last record", ":03000000010203F7\n:020003000405F3\n:00000001FF\n", {}, true},
      {"wrong checksum in the first record", ":0300000001020300\n:00000001FF\n", {}, true},
      {"wrong checksum in the end record", ":0100000011EE\n:00000001FE\n", {}, true},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> got = Load(c.text);
    if (c.none)
      EXPECT_TRUE(got.empty()) << c.name;
    else
      EXPECT_EQ(got, Padded(c.data)) << c.name;
  }
  EXPECT_TRUE(tarvel::Load_File((tmp_ / "missing.hex")).empty());
}

TEST_F(FpgaFile, BuiltInDesignIsOursAndAccepted) {
  const std::vector<uint8_t>& design = tarvel::BuiltInFpgaDesign();
  ASSERT_EQ(design.size(), 41357u);
  EXPECT_EQ(&design, &tarvel::BuiltInFpgaDesign());
  EXPECT_TRUE(sim::IsAcceptableDesign(design.data(), design.size()));
  // Read back from a file it carries the 20 padding bytes, still accepted.
  std::vector<uint8_t> padded = design;
  padded.insert(padded.end(), 20, 0);
  EXPECT_TRUE(sim::IsAcceptableDesign(padded.data(), padded.size()));
  std::vector<uint8_t> damaged = design;
  damaged[20000] ^= 0x40;
  EXPECT_FALSE(sim::IsAcceptableDesign(damaged.data(), damaged.size()));
  std::vector<uint8_t> zeros(20, 0);
  EXPECT_FALSE(sim::IsAcceptableDesign(zeros.data(), zeros.size()));
}

}  // namespace
