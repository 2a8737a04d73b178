// The strict Intel-HEX record reader: what a well-formed file gives, and
// each malformed record with its code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/device/usb/firmware_hex.h"

namespace {

using tarvel::usb::ReadHexRecords;

// Two data records, an extended-address record (type 4) and the end record.
const std::string kGood = ":03001000010203E7\n:020000040001F9\n:02002000AABB79\n:00000001FF\n";

TEST(HexRecords, AWellFormedFileGivesTheDataOfTheAskedType) {
  std::vector<uint8_t> buffer(16, 0);
  uint32_t length = 16;
  EXPECT_EQ(ReadHexRecords(kGood, buffer.data(), &length, 0), 0);
  ASSERT_EQ(length, 5u);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 5), (std::vector<uint8_t>{1, 2, 3, 0xAA, 0xBB}));
  length = 16;
  EXPECT_EQ(ReadHexRecords(kGood, buffer.data(), &length, 4), 0);
  EXPECT_EQ(length, 2u);
  // Nothing after the end record is read.
  length = 16;
  EXPECT_EQ(ReadHexRecords(":00000001FF\nnot a record\n", buffer.data(), &length, 0), 0);
  EXPECT_EQ(length, 0u);
}

TEST(HexRecords, MalformedRecordsAreRefusedWithTheirCode) {
  const struct {
    const char* what;
    std::string text;
    uint32_t capacity;
    int result;
  } cases[] = {
      {"checksum off by one", ":03001000010203E8\n:00000001FF\n", 16, -407},
      {"count not hexadecimal", ":ZZ001000010203E7\n", 16, -406},
      {"address cut short", ":0300\n", 16, -406},
      {"type missing", ":030010\n", 16, -406},
      {"fewer data bytes than counted", ":030010000102E7\n", 16, -406},
      {"checksum missing", ":03001000010203\n", 16, -406},
      {"a data byte not hexadecimal", ":0300100001G203E7\n", 16, -406},
      {"more data than the buffer holds", kGood, 4, -301},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> buffer(16, 0);
    uint32_t length = c.capacity;
    EXPECT_EQ(ReadHexRecords(c.text, buffer.data(), &length, 0), c.result);
  }
}

}  // namespace
