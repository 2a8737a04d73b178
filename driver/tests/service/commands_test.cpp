// Every service command as one row over the simulated scanner on the
// parallel port: its blocks, its out count and what the scanner saw; blocks
// too short, a closed session and unknown commands.
#include <functional>

#include "driver/tests/service/service_fixture.h"

using namespace servicetest;

namespace {

using Writes = std::vector<devtest::Write>;

// The motor pulses per revolution of the open mode, as the session logged them.
int LoggedPpr(const std::string& log) {
  const size_t at = log.find("PPR=");
  return at == std::string::npos ? -1 : std::atoi(log.c_str() + at + 4);
}

struct Row {
  const char* what;
  int32_t command;
  std::vector<uint8_t> in;
  size_t out_length;
  int result;
  std::vector<uint8_t> written;  // the first out-count bytes of the output
  Writes writes;  // register writes, without the I2C bus and clock shift
  std::function<void()> arrange = nullptr;
  std::function<void()> check = nullptr;
};

class Commands : public ServiceTest {};

TEST_F(Commands, EveryCommandAsOneRow) {
  Open();
  const std::vector<uint8_t> id = scanner->IdProm();
  const uint16_t pixels = uint16_t(scanner->RegisterByte(194) | (scanner->RegisterByte(195) << 8));
  const int ppr = LoggedPpr(Log());
  ASSERT_GT(ppr, 0);
  const uint32_t latches = uint32_t(scanner->ClockWordLatches());
  // The one register access a read command makes: the register at its width.
  auto one_read = [&](int reg, int width) {
    return [this, reg, width] {
      const std::vector<sim::RegisterAccess> trace = scanner->Trace();
      ASSERT_EQ(trace.size(), 1u);
      EXPECT_EQ(trace[0].reg, reg);
      EXPECT_EQ(trace[0].width, width);
      EXPECT_FALSE(trace[0].write);
    };
  };
  auto clock_word = [&](uint32_t speed) { return uint32_t(4223 - int(600000000.0 / (speed * ppr))); };

  const Row rows[] = {
      {"8-bit read", 0x1002, {208}, 1, 0, {11}, {}, nullptr, one_read(208, 8)},
      {"16-bit read", 0x1003, {194}, 2, 0, U16(pixels), {}, nullptr, one_read(194, 16)},
      {"32-bit read",
       0x1004,
       {51},
       4,
       0,
       U32(3),
       {},
       [&] {
         scanner->AppendMemory({1, 2, 3});
       },
       one_read(51, 32)},
      {"8-bit write", 0x1005, {144, 0x55}, 0, 0, {}, {{144, 0x55}}},
      {"16-bit write; byte 1 ignored", 0x1006, {210, 0xFF, 0x34, 0x12}, 0, 0, {}, {{210, 0x1234}}},
      {"32-bit write; bytes 1-3 ignored",
       0x1007,
       {8, 1, 2, 3, 0x10, 0, 0, 0},
       0,
       0,
       {},
       {{8, 16}},
       nullptr,
       [&] { EXPECT_EQ(scanner->ReadPointer(), 16u); }},
      {"high voltage 1200 V", 0x1008, U16(1200), 0, 0, {}, {}, nullptr, [&] { EXPECT_EQ(scanner->DacCode(), 245); }},
      {"high voltage 1201 V",
       0x1008,
       U16(1201),
       0,
       -102,
       {},
       {},
       nullptr,
       [&] {
         EXPECT_EQ(scanner->DacCode(), 245) << "as the row before left it";
         EXPECT_TRUE(scanner->I2cTransactions().empty());
       }},
      {"high voltage in mV", 0x1009, {0}, 4, 0, U32(0), {}},
      {"+5 V in mV (channel 2)", 0x1009, {1}, 4, 0, U32(5008), {}},
      {"+3.3 V in mV (channel 1)", 0x1009, {2}, 4, 0, U32(3300), {}},
      {"+24 V in mV (channel 3)", 0x1009, {3}, 4, 0, U32(24050), {}},
      {"laser in tenths of a degree", 0x1009, {16}, 4, 0, U32(250), {}},
      {"no such reading", 0x1009, {4}, 4, -102, {}, {}},
      {"I2C bytes 0..31", 0x1001, {0xA8}, 32, 0, std::vector<uint8_t>(id.begin(), id.begin() + 32), {}},
      {"I2C read of out length 1000 reads 256 bytes", 0x1001, {0xA8}, 1000, 0, id, {}},
      {"I2C page write of bytes 40..42",
       0x100C,
       {0xA8, 40, 42, 7, 8, 9},
       0,
       0,
       {},
       {{129, 10}, {129, 0}},
       nullptr,
       [&] {
         const std::vector<uint8_t> now = scanner->IdProm();
         EXPECT_EQ(std::vector<uint8_t>(now.begin() + 40, now.begin() + 43), (std::vector<uint8_t>{7, 8, 9}));
       }},
      {"motor at 4000",
       0x100D,
       U16(4000),
       0,
       0,
       {},
       {},
       nullptr,
       [&] {
         EXPECT_EQ(scanner->ClockWord(), clock_word(4000));
         EXPECT_EQ(uint32_t(scanner->ClockWordLatches()), latches + 2);
       }},
      {"motor stopped",
       0x100D,
       U16(0),
       0,
       0,
       {},
       {},
       nullptr,
       [&] { EXPECT_EQ(scanner->ClockWord() & 0x1000, 0x1000u); }},
      {"motor below 3000", 0x100D, U16(2999), 0, -102, {}, {}},
      {"motor above 6000", 0x100D, U16(6001), 0, -102, {}, {}},
      {"fixed answer", 0x100E, {}, 2, 0, U16(1234), {}},
      {"vendor request in over the parallel port", 0x1011, {12, 0, 0, 5, 0}, 5, -1007, {}, {}},
      {"vendor request out over the parallel port", 0x1012, {10, 0, 0, 0, 0}, 0, -1007, {}, {}},
      // The interface is checked before the blocks.
      {"vendor request in over the parallel port, header short", 0x1011, {12, 0, 0, 5}, 5, -1007, {}, {}},
      {"vendor request in over the parallel port, output short", 0x1011, {12, 0, 0, 5, 0}, 4, -1007, {}, {}},
      {"vendor request out over the parallel port, data short", 0x1012, {2, 0xA8, 6, 3, 0, 1, 2}, 0, -1007, {}, {}},
      {"unknown command", 0x1013, {0, 0, 0, 0}, 4, -5, {}, {}},
      {"unknown command below the range", 0x0FFF, {0, 0, 0, 0}, 4, -5, {}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    if (row.arrange) row.arrange();
    scanner->ClearTrace();
    scanner->ClearI2cTransactions();
    const int latches_before = scanner->ClockWordLatches();
    const Answer a = Ctrl(row.command, row.in, row.out_length);
    EXPECT_EQ(a.result, row.result);
    EXPECT_EQ(a.Written(), row.written);
    EXPECT_EQ(a.count, int32_t(row.written.size()));
    for (size_t i = row.written.size(); i < a.out.size(); ++i) ASSERT_EQ(a.out[i], kUntouched) << i;
    EXPECT_EQ(devtest::RegisterWrites(*scanner), row.writes);
    if (row.result != 0) {
      EXPECT_EQ(scanner->ClockWordLatches(), latches_before);
    }
    if (row.check) row.check();
  }
}

// Over USB the same commands go through the scanner's firmware; the raw
// vendor requests reach it as asked.
TEST_F(Commands, OverUsbTheVendorRequestsReachTheScanner) {
  Open(sessiontest::kIni, true);
  struct UsbRow {
    const char* what;
    int32_t command;
    std::vector<uint8_t> in;
    size_t out_length;
    int result;
    std::vector<uint8_t> written;
    int32_t count;  // out count: bytes written, or sent for 0x1012
    std::function<void()> check = nullptr;
  };
  const std::vector<uint8_t> id = scanner->IdProm();
  const UsbRow rows[] = {
      {"8-bit read", 0x1002, {208}, 1, 0, {11}, 1},
      {"+5 V in mV", 0x1009, {1}, 4, 0, U32(5008), 4},
      {"I2C bytes 0..255", 0x1001, {0xA8}, 300, 0, id, 256},
      {"I2C write of bytes 40..41",
       0x100C,
       {0xA8, 40, 41, 5, 6},
       0,
       0,
       {},
       0,
       [&] { EXPECT_EQ(scanner->IdProm()[41], 6); }},
      {"version (request 12)", 0x1011, {12, 0, 0, 5, 0}, 8, 0, {14, 0, 2, 0, 0}, 5},
      {"a shorter answer than asked", 0x1011, {12, 0, 0, 8, 0}, 8, -326, {14, 0, 2, 0, 0}, 5},
      {"no such request", 0x1011, {15, 0, 0, 4, 0}, 4, -323, {}, 0},
      {"polygon set-up (request 10)",
       0x1012,
       {10, 0x34, 0x12, 0, 0},
       0,
       0,
       {},
       0,
       [&] { EXPECT_EQ(usb->PolygonValue(), 0x1234); }},
      {"ID PROM write (request 2)",
       0x1012,
       {2, 0xA8, 6, 3, 0, 0x41, 0x42, 0x43},
       0,
       0,
       {},
       3,
       [&] {
         const std::vector<uint8_t> now = scanner->IdProm();
         EXPECT_EQ(std::vector<uint8_t>(now.begin(), now.begin() + 3), (std::vector<uint8_t>{0x41, 0x42, 0x43}));
       }},
  };
  for (const UsbRow& row : rows) {
    SCOPED_TRACE(row.what);
    const Answer a = Ctrl(row.command, row.in, row.out_length);
    EXPECT_EQ(a.result, row.result);
    EXPECT_EQ(a.count, row.count);
    EXPECT_EQ(std::vector<uint8_t>(a.out.begin(), a.out.begin() + int(row.written.size())), row.written);
    if (row.check) row.check();
  }
}

// Each command with one byte too few of input or output: -102, out count 0,
// the output untouched and no scanner access at all.
TEST_F(Commands, BlocksTooShortAreRefusedBeforeAnythingMoves) {
  Open();
  struct Short {
    const char* what;
    int32_t command;
    std::vector<uint8_t> in;
    size_t out_length;
  };
  const Short cases[] = {
      {"service scan: input", 0x1000, {0x50, 0xC3, 0}, 4},
      {"service scan: output", 0x1000, U32(50000), 3},
      {"I2C read: output length 0", 0x1001, {0xA8}, 0},
      {"I2C read: input", 0x1001, {}, 8},
      {"8-bit read: output", 0x1002, {208}, 0},
      {"16-bit read: output", 0x1003, {194}, 1},
      {"32-bit read: output", 0x1004, {51}, 3},
      {"32-bit read: input", 0x1004, {}, 4},
      {"8-bit write", 0x1005, {144}, 0},
      {"16-bit write", 0x1006, {210, 0, 0x34}, 0},
      {"32-bit write", 0x1007, {8, 0, 0, 0, 1, 0, 0}, 0},
      {"high voltage", 0x1008, {0xB0}, 0},
      {"reading: output", 0x1009, {1}, 3},
      {"test line: input", 0x100A, {0x58}, 100},
      {"transfer test: input", 0x100B, {0, 4, 1, 0, 5}, 8},
      {"transfer test: output", 0x100B, {0, 4, 1, 0, 5, 0}, 7},
      {"I2C write: header", 0x100C, {0xA8, 40}, 0},
      {"I2C write: one data byte short", 0x100C, {0xA8, 40, 42, 7, 8}, 0},
      {"motor speed", 0x100D, {0xA0}, 0},
      {"fixed answer: output", 0x100E, {}, 1},
      {"report: no name", 0x100F, {}, 0},
      {"normalization file: no name", 0x1010, {}, 0},
  };
  for (const Short& c : cases) {
    SCOPED_TRACE(c.what);
    scanner->ClearTrace();
    scanner->ClearI2cTransactions();
    const Answer a = Ctrl(c.command, c.in, c.out_length);
    EXPECT_EQ(a.result, -102);
    EXPECT_EQ(a.count, 0);
    for (uint8_t b : a.out) ASSERT_EQ(b, kUntouched);
    EXPECT_TRUE(scanner->Trace().empty());
    EXPECT_TRUE(scanner->I2cTransactions().empty());
  }
}

// Over USB the vendor requests' blocks are checked before anything is sent.
TEST_F(Commands, OverUsbShortVendorBlocksAreRefusedBeforeAnythingIsSent) {
  Open(sessiontest::kIni, true);
  const struct {
    const char* what;
    int32_t command;
    std::vector<uint8_t> in;
    size_t out_length;
  } cases[] = {
      {"vendor in: header", 0x1011, {12, 0, 0, 5}, 5},
      {"vendor in: output shorter than asked", 0x1011, {12, 0, 0, 5, 0}, 4},
      {"vendor out: data shorter than its length", 0x1012, {2, 0xA8, 6, 3, 0, 1, 2}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    usb->ClearRequests();
    const Answer a = Ctrl(c.command, c.in, c.out_length);
    EXPECT_EQ(a.result, -102);
    EXPECT_EQ(a.count, 0);
    for (uint8_t b : a.out) ASSERT_EQ(b, kUntouched);
    EXPECT_TRUE(usb->Requests().empty());
  }
}

TEST_F(Commands, ClosedSessionAnswersNotOpenWithOutCountZero) {
  WriteIni();
  Attach();
  for (int32_t command : {0x1000, 0x1002, 0x100E, 0x100F, 0x1012, 0x2000}) {
    SCOPED_TRACE(command);
    const Answer a = Ctrl(command, {1, 2, 3, 4, 5, 6, 7, 8}, 8);
    EXPECT_EQ(a.result, -4);
    EXPECT_EQ(a.count, 0);
  }
  EXPECT_TRUE(scanner->Trace().empty());
  // A null out count is allowed.
  EXPECT_EQ(Ext_ScannerCTRL(0x100E, nullptr, 0, nullptr, 0, nullptr), -4);
}

}  // namespace
