#include "platform/kernel_device.h"
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/scanner_register_map.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

using testsupport::ScopedEnv;
using testsupport::TempFolder;

namespace {

using namespace platform;

// Echoes its input, fails code 13 with error 31, counts open instances.
class EchoDriver : public DeviceDriver {
 public:
  int opened = 0, closed = 0;
  uint32_t refuse = 0;

  class File : public DeviceFile {
   public:
    explicit File(EchoDriver* d) : d_(d) {}
    ~File() override { ++d_->closed; }
    uint32_t Control(uint32_t code, const void* in, uint32_t in_len, void* out, uint32_t out_len,
                     uint32_t* returned) override {
      if (code == 13) return kErrorGenFailure;
      uint32_t n = in_len < out_len ? in_len : out_len;
      if (n) std::memcpy(out, in, n);
      *returned = code == 99 ? out_len + 10 : n;  // 99: a driver claiming too much
      return 0;
    }

   private:
    EchoDriver* d_;
  };

  std::unique_ptr<DeviceFile> Open(std::string_view, uint32_t* error) override {
    if (refuse) {
      *error = refuse;
      return nullptr;
    }
    ++opened;
    return std::make_unique<File>(this);
  }
};

class KernelDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSimulatorActivation();
    driver = std::make_shared<EchoDriver>();
    RegisterDeviceDriver("\\\\.\\ECHO", driver);
  }
  void TearDown() override { UnregisterDeviceDriver("\\\\.\\ECHO"); }
  ScopedEnv no_scenario_{"VORNIX_SCANNER_SIM", std::nullopt};
  std::shared_ptr<EchoDriver> driver;
};

TEST_F(KernelDeviceTest, NamesRouteToTheirDriverWithoutCase) {
  DeviceHandle h = OpenDevice("\\\\.\\echo");
  ASSERT_NE(h, kInvalidDeviceHandle);
  EXPECT_EQ(driver->opened, 1);
  const char in[] = "abc";
  char out[8] = {};
  uint32_t got = 0;
  SetLastError(1234);
  ASSERT_TRUE(DeviceIoControl(h, 1, in, 3, out, sizeof out, &got));
  EXPECT_EQ(got, 3u);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(GetLastError(), 1234u) << "a success leaves the last error alone";
  EXPECT_TRUE(CloseDevice(h));
  EXPECT_EQ(driver->closed, 1);
}

TEST_F(KernelDeviceTest, FailuresSetTheLastError) {
  // Unknown device name.
  EXPECT_EQ(OpenDevice("\\\\.\\NOSUCH"), kInvalidDeviceHandle);
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  // A driver that refuses to open.
  driver->refuse = kErrorNotReady;
  EXPECT_EQ(OpenDevice("\\\\.\\ECHO"), kInvalidDeviceHandle);
  EXPECT_EQ(GetLastError(), kErrorNotReady);
  driver->refuse = 0;
  // A failing request reports 0 bytes and the driver's error.
  DeviceHandle h = OpenDevice("\\\\.\\ECHO");
  uint32_t got = 77;
  char out[4];
  EXPECT_FALSE(DeviceIoControl(h, 13, nullptr, 0, out, 4, &got));
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(GetLastError(), kErrorGenFailure);
  // A driver claiming more than the buffer holds is cut to the buffer.
  EXPECT_TRUE(DeviceIoControl(h, 99, "x", 1, out, 4, &got));
  EXPECT_EQ(got, 4u);
  // A null buffer with a length is refused before the driver sees it.
  EXPECT_FALSE(DeviceIoControl(h, 1, nullptr, 4, out, 4, &got));
  EXPECT_EQ(GetLastError(), kErrorInvalidParameter);
  // Closed and never-opened handles.
  EXPECT_TRUE(CloseDevice(h));
  EXPECT_FALSE(CloseDevice(h));
  EXPECT_EQ(GetLastError(), kErrorInvalidHandle);
  EXPECT_FALSE(DeviceIoControl(h, 1, nullptr, 0, nullptr, 0, &got));
  EXPECT_EQ(GetLastError(), kErrorInvalidHandle);
}

TEST_F(KernelDeviceTest, UnregisteredNameNoLongerOpens) {
  DeviceHandle h = OpenDevice("\\\\.\\ECHO");
  UnregisterDeviceDriver("\\\\.\\ECHO");
  EXPECT_EQ(OpenDevice("\\\\.\\ECHO"), kInvalidDeviceHandle);
  uint32_t got = 0;
  char out[2];
  EXPECT_TRUE(DeviceIoControl(h, 1, "ab", 2, out, 2, &got)) << "an open instance outlives its registration";
  EXPECT_TRUE(CloseDevice(h));
}

TEST_F(KernelDeviceTest, ScenarioAttachesTheSimulatorFromBesideThePlatform) {
  // This program does not link the simulator: it is loaded on first use.
  TempFolder tmp;
  std::string path = tmp / "scenario.ini";
  std::FILE* f = std::fopen(path.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("[Scanner]\nFpgaConfigured=1\n", f);
  std::fclose(f);
  DeviceHandle h;
  {
    ScopedEnv scenario("VORNIX_SCANNER_SIM", path);
    ResetSimulatorActivation();
    h = OpenDevice("\\\\.\\TARVEL");
  }
  ASSERT_NE(h, kInvalidDeviceHandle);
  uint8_t info[4] = {};
  uint32_t got = 0;
  EXPECT_TRUE(DeviceIoControl(h, parport::kIoPortInfo, nullptr, 0, info, 4, &got));
  EXPECT_EQ(got, 4u);
  EXPECT_TRUE(CloseDevice(h));
  UnregisterDeviceDriver("\\\\.\\TARVEL");
}

TEST_F(KernelDeviceTest, UnreadableScenarioAttachesNothing) {
  // The simulator (loaded from beside the platform library when it was
  // built) refuses a scenario it cannot read: the device stays absent.
  ScopedEnv scenario("VORNIX_SCANNER_SIM", "/nonexistent/scenario.ini");
  ResetSimulatorActivation();
  EXPECT_EQ(OpenDevice("\\\\.\\NOTHERE"), kInvalidDeviceHandle);
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

}  // namespace

namespace {

// A completion on another thread against a waiter that frees the record and
// its event as soon as the result shows: the completion must be done with
// both by then (under the address sanitizer a late Set is a use after free;
// otherwise it sets whatever event takes the freed place).
TEST(Overlapped, ACompletionIsDoneWithTheRecordOnceItsResultShows) {
  constexpr int kRounds = 5000;
  std::atomic<Overlapped*> handed{nullptr};
  std::thread completer([&] {
    for (int k = 0; k < kRounds; ++k) {
      Overlapped* o = nullptr;
      while ((o = handed.exchange(nullptr)) == nullptr) std::this_thread::yield();
      CompleteOverlapped(o, 0, static_cast<uint32_t>(k));
    }
  });
  int wrong = 0;
  for (int k = 0; k < kRounds; ++k) {
    auto event = std::make_unique<Event>(false, false);
    auto o = std::make_unique<Overlapped>();
    o->event = event.get();
    o->status = kErrorIoPending;
    handed = o.get();
    uint32_t got = 0;
    while (!GetOverlappedResult(kInvalidDeviceHandle, o.get(), &got, false)) ASSERT_EQ(GetLastError(), kErrorIoIncomplete);
    if (got != static_cast<uint32_t>(k)) ++wrong;
    o.reset();
    event.reset();  // freed at once, as a caller's stack record would be
  }
  completer.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
