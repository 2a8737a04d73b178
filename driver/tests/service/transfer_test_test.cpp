// The transfer test (0x100B) over both interfaces: bytes read and
// transmission errors, with bad checksums injected over the parallel port,
// and a USB test that runs out of data.
#include "driver/tests/service/service_fixture.h"

using namespace servicetest;

namespace {

class TransferTest : public ServiceTest {
 protected:
  Answer Run(uint16_t block, uint16_t count, uint16_t retries) {
    return Ctrl(0x100B, Join({U16(block), U16(count), U16(retries)}), 8);
  }
};

TEST_F(TransferTest, ParallelPortRereadsOneBlockCountingTransmissionErrors) {
  Open();
  scanner->SetBadChecksumReads(3);
  const Answer a = Run(4096, 10, 5);
  EXPECT_EQ(a.result, 0);
  EXPECT_EQ(a.count, 8);
  EXPECT_EQ(GetU32(a.out, 0), 40960u);
  EXPECT_EQ(GetU32(a.out, 4), 3u);
  // Moved back before each block (10), and once more after each bad read (3).
  const std::vector<sim::RegisterAccess> moves = scanner->TraceOf(8, true);
  ASSERT_EQ(moves.size(), 13u);
  // Each time back by the block just read: the same block again and again
  // (positions in the ring of the 32 MiB memory).
  constexpr uint32_t kRingWords = 1u << 23;
  for (const sim::RegisterAccess& m : moves) EXPECT_EQ(m.value % kRingWords, moves[0].value % kRingWords);
  const std::vector<sim::RegisterAccess> run = scanner->TraceOf(4, true);
  ASSERT_EQ(run.size(), 2u);
  EXPECT_EQ(run[0].value, 1u);
  EXPECT_EQ(run[1].value, 0u);
  EXPECT_TRUE(scanner->TraceOf(5, true).empty());
}

TEST_F(TransferTest, ParallelPortStopsAtABlockThatNeverArrivesWhole) {
  Open();
  scanner->SetBadChecksumReads(-1);
  const Answer a = Run(1024, 10, 2);
  scanner->SetBadChecksumReads(0);
  EXPECT_EQ(a.result, -200);
  EXPECT_EQ(a.count, 8);
  EXPECT_EQ(GetU32(a.out, 0), 0u);
  EXPECT_EQ(GetU32(a.out, 4), 2u) << "both attempts of the first block";
  EXPECT_EQ(scanner->TraceOf(0).size(), 2u) << "no further block after the failure";
  EXPECT_EQ(scanner->RegisterByte(4), 0);
}

TEST_F(TransferTest, UsbReadsTheTestDataWhileRegister5IsSet) {
  Open(sessiontest::kIni, true);
  scanner->SetBadChecksumReads(3);  // the parallel port's fault: nothing over USB
  const Answer a = Run(4096, 16, 5);
  EXPECT_EQ(a.result, 0);
  EXPECT_EQ(GetU32(a.out, 0), 65536u);
  EXPECT_EQ(GetU32(a.out, 4), 0u);
  const std::vector<sim::RegisterAccess> test = scanner->TraceOf(5, true);
  ASSERT_EQ(test.size(), 2u);
  EXPECT_EQ(test[0].value, 1u);
  EXPECT_EQ(test[1].value, 0u);
  EXPECT_EQ(Log().find("Transfer test ended"), std::string::npos);
}

TEST_F(TransferTest, UsbEndsWhenNoMoreDataComes) {
  scenario.transfer_test_words = 1024;
  Open(sessiontest::kIni, true);
  const Answer a = Run(4096, 10, 5);
  EXPECT_EQ(a.result, 0);
  EXPECT_EQ(GetU32(a.out, 0), 4096u);
  EXPECT_NE(Log().find("Transfer test ended: no data after 100 reads, 4096 of 40960 bytes read\n"), std::string::npos)
      << Log();
  EXPECT_EQ(scanner->RegisterByte(5), 0);
}

TEST_F(TransferTest, ParallelPortBlocksOfNoWholeWord) {
  Open();
  scanner->AppendMemory({1, 2, 3});
  const Answer none = Run(0, 3, 5);
  EXPECT_EQ(none.result, 0);
  EXPECT_EQ(GetU32(none.out, 0), 0u);
  EXPECT_EQ(GetU32(none.out, 4), 0u);
  const Answer odd = Run(6, 2, 5);  // one whole word a block
  EXPECT_EQ(odd.result, 0);
  EXPECT_EQ(GetU32(odd.out, 0), 8u);
}

}  // namespace
