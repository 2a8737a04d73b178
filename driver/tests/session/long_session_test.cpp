// One long session of many plates: every image holds its own plate's pixels,
// nothing the process holds grows with the number of plates, and the
// temporary file is reused for every plate.
#include <sys/stat.h>

#include <algorithm>

#include "driver/tests/session/process_resources.h"
#include "driver/tests/session/session_fixture.h"

using namespace sessiontest;

namespace {

class LongSession : public SessionTest {};

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

TEST_F(LongSession, TwoHundredPlatesHoldNoMoreThanOne) {
  WriteIni();
  struct Size {
    int width, height;
  };
  const Size sizes[] = {{40, 60}, {64, 90}, {30, 40}, {52, 70}};
  constexpr int kPlates = 200;
  constexpr int kWarmUp = 20;  // plates before the first measurement
  int64_t largest_runs = 0;
  for (const Size s : sizes) largest_runs = std::max<int64_t>(largest_runs, int64_t{2} * s.width * s.height);
  for (int i = 0; i < kPlates; ++i) {
    const Size s = sizes[i % 4];
    scenario.plates.push_back(
        PlateAt(i % 3, 100 + 400 * i, 600 + 900 * (i % 3), sim::NoisePlate(s.width, s.height, 1000, 40000, i)));
  }
  Attach();
  scanner->SetTracing(false);
  scanner->SetTraceLimits(2, 2);  // the simulator's own logs stay out of the count

  ASSERT_EQ(Open_Scanner(1), 0) << Log();
  ASSERT_EQ(Aktivate_Scanner(), 0);
  std::optional<ProcessResources> warm;
  uint32_t warm_written = 0;  // words the simulated memory held at the warm measurement
  int images = 0;
  int64_t largest_file = 0;
  const uint64_t until = platform::NowMs() + 400 * kPlates + 20000;
  while (images < kPlates && platform::NowMs() < until) {
    const int status = Get_Status();
    ASSERT_GE(status, 0) << Log();
    for (int pending = status & 0xFF; pending > 0; --pending) {
      char name[256];
      ASSERT_GT(Get_ImageName(name), 0);
      const sim::PlateImage& want = scenario.plates[images].image;
      const StoredImage got = ReadStoredImage(name);
      ASSERT_EQ(got.width, want.width) << images;
      ASSERT_EQ(got.height, want.height) << images;
      ASSERT_TRUE(got.pixels == want.pixels) << images;
      ASSERT_TRUE(platform::DeleteFile(name));
      ++images;
      if (images == kWarmUp) {
        warm.emplace();
        warm_written = scanner->WritePointer();
      }
    }
    largest_file = std::max(largest_file, FileSize(TempFile()));
    platform::Sleep(5);
  }
  ASSERT_EQ(images, kPlates) << Log();
  const ProcessResources after;
  ASSERT_TRUE(warm.has_value());
  EXPECT_EQ(after.descriptors, warm->descriptors);
  EXPECT_EQ(after.threads, warm->threads);
  // The simulated memory is allocated as the scanner writes it (the ring
  // does not wrap here): that growth is the simulator's.
  ASSERT_LT(scanner->WritePointer(), scanner->MemoryWords());
  const size_t simulated = size_t{4} * (scanner->WritePointer() - warm_written);
  EXPECT_LT(after.heap, warm->heap + simulated + 256 * 1024)
      << warm->heap << " -> " << after.heap << ", simulated memory " << simulated;
  EXPECT_GT(largest_file, 0);
  EXPECT_LE(largest_file, largest_runs);
  EXPECT_EQ(Deaktivate_Scanner(), 0);
  EXPECT_EQ(Close_Scanner(), 0);
  ExpectAtRest();
}

}  // namespace
