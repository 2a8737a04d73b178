// The driver-access wrappers beside the scanner's own flows: descriptors,
// status and features, configuration and interface queries, the driver's
// queries answered by the stand-in, pipe parameters, statistics and control
// transfers, the synchronous write, and the reader's small helpers; each
// against the simulated scanner, and each failure ending in a status.
#include <chrono>
#include <functional>
#include <thread>

#include "usb_fixture.h"

#include "driver/device/usb/usb_bulk_reader.h"
#include "driver/device/usb/usbio_device.h"

namespace {

using namespace usbtest;
namespace tu = tarvel::usb;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kStall = 0xE0000004;
constexpr uint32_t kShort = 0xE0000900;
constexpr uint32_t kGone = 0xE0007000;
constexpr uint32_t kNotOpen = 0xE0001102;
constexpr uint32_t kNullArgument = 0xE0001105;

const Bytes kDeviceDescriptor = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, 0x58, 0x4B, 0x50, 0x00, 0x00, 0x01, 1, 2, 3, 1};
const Bytes kConfigDescriptor = {9, 2,    25, 0, 1, 1, 0, 0x80, 250, 9,  4, 0, 0,
                                 1, 0xFF, 0,  0, 0, 7, 5, 0x82, 2,   64, 0, 0};

Bytes Utf16(const std::string& text) {
  Bytes d{static_cast<uint8_t>(2 + 2 * text.size()), 3};
  for (char c : text) d.insert(d.end(), {static_cast<uint8_t>(c), 0});
  return d;
}

class DriverAccess : public UsbTest {
 protected:
  tu::UsbBulkReader& R() { return device->Reader(); }
  // A pipe of its own on the scanner, found through discovery.
  uint32_t BindPipe(tu::UsbIoPipe& pipe, uint8_t endpoint) {
    platform::Guid guid = *platform::ParseGuid(kGuidType6);
    platform::DeviceInfoHandle set = setup_api.ClassDevices(guid);
    uint32_t status = pipe.Bind(setup_api, 0, endpoint, set, &guid);
    setup_api.Destroy(set);
    return status;
  }
  // Words into the scanner memory; a control request lets the simulator
  // complete the transfers pending.
  void Feed(const std::vector<uint32_t>& words) {
    scanner->AppendMemory(words);
    uint8_t value;
    device->GetConfiguration(&value);
  }
  Bytes Descriptor(uint8_t type, uint8_t index, uint16_t language, uint32_t room, uint32_t* status) {
    Bytes d(room);
    uint32_t length = room;
    *status = device->GetDescriptor(d.data(), &length, tu::kToDevice, type, index, language);
    d.resize(length);
    return d;
  }
};

TEST_F(DriverAccess, DescriptorsOfTheScanner) {
  Open();
  Bytes manufacturer = Utf16("Vornix"), product = Utf16("Vornix Scanner"), serial = Utf16(scenario.serial);
  struct Case {
    uint8_t type, index;
    uint16_t language;
    uint32_t room;
    uint32_t status;
    Bytes expected;
  } cases[] = {
      {1, 0, 0, 18, 0, kDeviceDescriptor},
      {2, 0, 0, 9, 0, Bytes(kConfigDescriptor.begin(), kConfigDescriptor.begin() + 9)},  // the header first
      {2, 0, 0, 256, 0, kConfigDescriptor},
      {3, 0, 0, 255, 0, {4, 3, 0x09, 0x04}},
      {3, 1, 0x0409, 255, 0, manufacturer},
      {3, 2, 0x0409, 255, 0, product},
      {3, 3, 0x0409, 255, 0, serial},
      {3, 4, 0x0409, 255, kStall, {}},
      {2, 1, 0, 255, kStall, {}},
      {6, 0, 0, 255, kStall, {}},
  };
  for (const Case& c : cases) {
    uint32_t status = 1;
    EXPECT_EQ(Descriptor(c.type, c.index, c.language, c.room, &status), c.expected)
        << int(c.type) << "/" << int(c.index);
    EXPECT_EQ(status, c.status) << int(c.type) << "/" << int(c.index);
  }
  uint8_t device_descriptor[18] = {};
  EXPECT_EQ(device->GetDeviceDescriptor(device_descriptor), 0u);
  EXPECT_EQ(Bytes(device_descriptor, device_descriptor + 18), kDeviceDescriptor);
  Bytes d(255);
  uint32_t length = 255;
  EXPECT_EQ(device->GetStringDescriptor(d.data(), &length, 3, 0x0409), 0u);
  EXPECT_EQ(Bytes(d.begin(), d.begin() + length), serial);
  length = 255;
  EXPECT_EQ(device->GetConfigurationDescriptor(d.data(), &length, 0), 0u);
  EXPECT_EQ(length, 25u);
  EXPECT_EQ(device->SetDescriptor(kDeviceDescriptor.data(), 18, tu::kToDevice, 1, 0, 0), kStall);
  EXPECT_TRUE(usb->Requests().empty()) << "standard requests are not vendor requests";
}

TEST_F(DriverAccess, StatusFeaturesAndTheSelection) {
  Open();
  uint16_t bits = 9;
  uint8_t value = 9;
  EXPECT_EQ(device->GetStatus(tu::kToDevice, 0, &bits), 0u);
  EXPECT_EQ(bits, 0);
  EXPECT_EQ(device->SetFeature(tu::kToDevice, 1, 0), 0u);  // remote wake-up
  EXPECT_EQ(device->GetStatus(tu::kToDevice, 0, &bits), 0u);
  EXPECT_EQ(bits, 2);
  EXPECT_EQ(device->ClearFeature(tu::kToDevice, 1, 0), 0u);
  EXPECT_EQ(device->GetStatus(tu::kToDevice, 0, &bits), 0u);
  EXPECT_EQ(bits, 0);

  EXPECT_EQ(device->SetFeature(tu::kToEndpoint, 0, tu::kScanDataEndpoint), 0u);  // halt
  EXPECT_TRUE(usb->EndpointHalted());
  EXPECT_EQ(device->GetStatus(tu::kToEndpoint, tu::kScanDataEndpoint, &bits), 0u);
  EXPECT_EQ(bits, 1);
  EXPECT_EQ(R().ResetPipe(), 0u);
  EXPECT_FALSE(usb->EndpointHalted());
  EXPECT_EQ(device->GetStatus(tu::kToEndpoint, 0x81, &bits), kStall);
  EXPECT_EQ(device->SetFeature(tu::kToInterface, 0, 0), kStall);
  EXPECT_EQ(device->GetStatus(7, 0, &bits), 0xE000100Du);  // no such recipient

  EXPECT_EQ(device->GetConfiguration(&value), 0u);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(device->GetInterface(0, &value), 0u);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(device->GetInterface(1, &value), kStall);
  EXPECT_EQ(device->SetInterface(0, 0, 32768), 0u);
  EXPECT_EQ(device->SetInterface(0, 1, 32768), kStall);
}

TEST_F(DriverAccess, ConfigurationInfoDescribesTheConfiguredInterface) {
  Open();
  tu::UsbConfigurationInfo info{};
  ASSERT_EQ(device->GetConfigurationInfo(&info), 0u);
  ASSERT_EQ(info.interface_count, 1u);
  ASSERT_EQ(info.pipe_count, 1u);
  const tu::UsbInterfaceInfo& i = info.interfaces[0];
  EXPECT_EQ(std::vector<int>({i.number, i.alternate, i.interface_class, i.subclass, i.protocol, i.endpoints}),
            std::vector<int>({0, 0, 0xFF, 0, 0, 1}));
  const tu::UsbPipeInfo& p = info.pipes[0];
  EXPECT_EQ(p.endpoint, tu::kScanDataEndpoint);
  EXPECT_EQ(p.type, 2);  // bulk
  EXPECT_EQ(p.max_packet, 64);
  EXPECT_EQ(p.max_transfer, 32768u);  // of the transport's configuration record

  // A stored descriptor is described in place of the device's: alternate 0 only.
  const Bytes stored = {9,    2, 39, 0, 1, 1, 0, 0x80, 50, 9, 4, 0, 0, 2, 0xFF, 1, 2, 0,    7, 5,
                        0x82, 2, 0,  2, 0, 7, 5, 0x01, 3,  8, 0, 4, 9, 4, 0,    1, 0, 0xFF, 0};
  EXPECT_EQ(device->StoreConfigurationDescriptor(stored.data()), 0u);
  ASSERT_EQ(device->GetConfigurationInfo(&info), 0u);
  EXPECT_EQ(info.interface_count, 1u);
  EXPECT_EQ(info.interfaces[0].subclass, 1);
  ASSERT_EQ(info.pipe_count, 2u);
  EXPECT_EQ(info.pipes[0].max_packet, 512);
  EXPECT_EQ(info.pipes[1].endpoint, 0x01);
  EXPECT_EQ(info.pipes[1].type, 3);
  EXPECT_EQ(info.pipes[1].interval, 4);

  Bytes wrong_type = stored;
  wrong_type[1] = 1;
  Bytes too_short = {9, 2, 5, 0, 1, 1, 0, 0x80, 50};
  EXPECT_EQ(device->StoreConfigurationDescriptor(wrong_type.data()), 0xE0000F00u);
  EXPECT_EQ(device->StoreConfigurationDescriptor(too_short.data()), 0xE0000F00u);
}

TEST_F(DriverAccess, QueriesTheDriverAnswersItself) {
  Open();
  uint32_t frame = 0, state = 9;
  uint64_t before = platform::NowMs();
  EXPECT_EQ(device->GetCurrentFrameNumber(&frame), 0u);
  EXPECT_GE(frame, static_cast<uint32_t>(before));  // one frame a millisecond
  EXPECT_LE(frame, static_cast<uint32_t>(platform::NowMs()));
  EXPECT_EQ(device->GetDevicePowerState(&state), 0u);
  EXPECT_EQ(state, 0u);
  EXPECT_EQ(device->SetDevicePowerState(3), 0u);
  EXPECT_EQ(device->GetDevicePowerState(&state), 0u);
  EXPECT_EQ(state, 3u);
  EXPECT_EQ(device->SetDevicePowerState(4), 0xE0001018u);
  tu::UsbBandwidthInfo bandwidth{};
  EXPECT_EQ(device->GetBandwidthInfo(&bandwidth), 0u);
  EXPECT_EQ(bandwidth.total_bits, 12000u);
  EXPECT_EQ(bandwidth.used_bits, 0u);
}

TEST_F(DriverAccess, ResetAndCyclePortLeaveTheScannerUnconfigured) {
  for (bool cycle : {false, true}) {
    Open();
    ASSERT_TRUE(usb->Configured());
    EXPECT_EQ(cycle ? device->CyclePort() : device->ResetDevice(), 0u);
    EXPECT_EQ(usb->DeviceResets(), 1);
    EXPECT_FALSE(usb->Configured());
    uint8_t value = 9;
    EXPECT_EQ(device->GetConfiguration(&value), 0u);
    EXPECT_EQ(value, 0);
    tu::UsbConfigurationInfo info{};
    EXPECT_EQ(device->GetConfigurationInfo(&info), 0xE0001006u);  // not configured
    EXPECT_EQ(device->GetInterface(0, &value), kStall);
    EXPECT_EQ(tu::Free_Interface(devices), 0);
  }
}

TEST_F(DriverAccess, PipeParametersStatisticsAndControlTransfers) {
  Open();
  ASSERT_TRUE(WaitUntil([&] { return usb->PendingTransfers() == static_cast<int>(R().BufferCount()); }));
  uint32_t flags = 0;
  EXPECT_EQ(R().GetPipeParameters(&flags), 0u);
  EXPECT_EQ(flags, 0x10000u);  // short reads are no error
  EXPECT_EQ(R().SetPipeParameters(0x10001), 0u);
  EXPECT_EQ(R().GetPipeParameters(&flags), 0u);
  EXPECT_EQ(flags, 0x10001u);

  const uint64_t set_up = platform::NowMs();
  EXPECT_EQ(R().SetupPipeStatistics(1000), 0u);
  Feed({1, 2, 3});
  ASSERT_TRUE(WaitUntil([&] { return R().CompletedBuffers() == 1; }));
  platform::AdvanceClock(set_up + 500 - platform::NowMs());
  tu::UsbPipeStatistics st{};
  EXPECT_EQ(R().QueryPipeStatistics(&st), 0u);
  EXPECT_EQ(st.bytes, 12u);
  EXPECT_EQ(st.succeeded, 1u);
  EXPECT_EQ(st.failed, 0u);
  EXPECT_EQ(st.average_rate, 24u);  // 12 bytes in half a second
  EXPECT_EQ(R().QueryPipeStatisticsAndReset(&st), 0u);
  EXPECT_EQ(st.bytes, 12u);
  EXPECT_EQ(R().QueryPipeStatistics(&st), 0u);
  EXPECT_EQ(st.bytes, 0u);
  EXPECT_EQ(st.succeeded, 0u);
  EXPECT_EQ(st.average_rate, 0u);

  // The scanner has no control endpoint but 0.
  tu::UsbPipeControl setup{0x10000, 0xC0, 12, 0, 0};
  uint8_t reply[8];
  uint32_t length = sizeof reply;
  EXPECT_EQ(R().PipeControlIn(setup, reply, &length), 0xE000100Eu);
  EXPECT_EQ(length, 0u);
  length = 0;
  EXPECT_EQ(R().PipeControlOut(setup, nullptr, &length), 0xE000100Eu);

  // A handle bound to no pipe.
  tu::UsbIoPipe unbound;
  platform::Guid guid = *platform::ParseGuid(kGuidType6);
  platform::DeviceInfoHandle set = setup_api.ClassDevices(guid);
  ASSERT_EQ(unbound.Open(setup_api, 0, set, &guid), 0u);
  setup_api.Destroy(set);
  EXPECT_EQ(unbound.GetPipeParameters(&flags), 0xE0001009u);
  EXPECT_EQ(unbound.SetupPipeStatistics(0), 0xE0001009u);
  EXPECT_EQ(unbound.QueryPipeStatistics(&st), 0xE0001009u);
  length = sizeof reply;
  EXPECT_EQ(unbound.PipeControlIn(setup, reply, &length), 0xE0001009u);
}

TEST_F(DriverAccess, SynchronousReadAndWrite) {
  Open();
  EXPECT_EQ(R().Stop(), 0);  // its transfers would take the data
  tu::UsbIoPipe in, out, wrong;
  ASSERT_EQ(BindPipe(in, tu::kScanDataEndpoint), 0u);
  uint32_t words[64] = {};
  uint32_t length = sizeof words;
  scanner->AppendMemory({5, 6, 7});
  EXPECT_EQ(in.ReadSync(words, &length, 100), 0u);
  EXPECT_EQ(length, 12u);
  EXPECT_EQ(words[2], 7u);

  // Words that arrive while the read is pending reach it with no request.
  // The thread that brings them takes part in the virtual time, so the
  // read's time-out cannot pass before they come.
  platform::Thread arrive;
  arrive.Start(
      [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        scanner->AppendMemory({9});
      },
      true);
  length = sizeof words;
  EXPECT_EQ(in.ReadSync(words, &length, 2000), 0u);
  arrive.Join();
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(words[0], 9u);

  EXPECT_EQ(in.SetPipeParameters(0), 0u);  // short reads fail from now on
  scanner->AppendMemory({8});
  length = sizeof words;
  EXPECT_EQ(in.ReadSync(words, &length, 100), kShort);

  length = sizeof words;  // nothing waiting: time-out, cancel, the cancelled status
  EXPECT_EQ(in.ReadSync(words, &length, 20), 0xE0010000u);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(usb->PendingTransfers(), 0);

  const uint8_t data[4] = {1, 2, 3, 4};
  length = sizeof data;
  EXPECT_EQ(in.WriteSync(data, &length, 100), 0xE0001010u);  // an IN pipe
  ASSERT_EQ(BindPipe(out, 0x02), 0u);
  length = sizeof data;
  EXPECT_EQ(out.WriteSync(data, &length, 100), 0xE0001013u);  // the scanner has no OUT endpoint
  EXPECT_EQ(length, 0u);
  length = sizeof data;
  EXPECT_EQ(wrong.WriteSync(data, &length, 100), platform::kErrorInvalidHandle);  // never opened
}

// Every wrapper on a device that is not open, and on one unplugged.
struct Wrapper {
  const char* name;
  std::function<uint32_t(tu::UsbIoPipe&)> call;
  bool reaches_scanner;
};

std::vector<Wrapper> Wrappers() {
  static uint8_t buffer[1024];
  static const Bytes stored = kConfigDescriptor;
  auto room = [](uint32_t n) {
    static uint32_t length;
    length = n;
    return &length;
  };
  static uint16_t bits;
  static uint8_t value;
  static uint32_t word;
  static tu::UsbConfigurationInfo info;
  static tu::UsbBandwidthInfo bandwidth;
  static tu::UsbPipeStatistics statistics;
  static const tu::UsbPipeControl setup{0, 0xC0, 1, 0, 0};
  return {
      {"GetDeviceDescriptor", [](tu::UsbIoPipe& p) { return p.GetDeviceDescriptor(buffer); }, true},
      {"GetConfigurationDescriptor",
       [room](tu::UsbIoPipe& p) { return p.GetConfigurationDescriptor(buffer, room(255), 0); }, true},
      {"GetStringDescriptor", [room](tu::UsbIoPipe& p) { return p.GetStringDescriptor(buffer, room(255), 1, 0x409); },
       true},
      {"SetDescriptor", [](tu::UsbIoPipe& p) { return p.SetDescriptor(buffer, 18, 0, 1, 0, 0); }, true},
      {"SetFeature", [](tu::UsbIoPipe& p) { return p.SetFeature(0, 1, 0); }, true},
      {"ClearFeature", [](tu::UsbIoPipe& p) { return p.ClearFeature(0, 1, 0); }, true},
      {"GetStatus", [](tu::UsbIoPipe& p) { return p.GetStatus(0, 0, &bits); }, true},
      {"GetConfiguration", [](tu::UsbIoPipe& p) { return p.GetConfiguration(&value); }, true},
      {"GetInterface", [](tu::UsbIoPipe& p) { return p.GetInterface(0, &value); }, true},
      {"StoreConfigurationDescriptor", [](tu::UsbIoPipe& p) { return p.StoreConfigurationDescriptor(stored.data()); },
       false},
      {"SetInterface", [](tu::UsbIoPipe& p) { return p.SetInterface(0, 0, 4096); }, true},
      {"GetConfigurationInfo", [](tu::UsbIoPipe& p) { return p.GetConfigurationInfo(&info); }, true},
      {"ResetDevice", [](tu::UsbIoPipe& p) { return p.ResetDevice(); }, true},
      {"CyclePort", [](tu::UsbIoPipe& p) { return p.CyclePort(); }, true},
      {"GetCurrentFrameNumber", [](tu::UsbIoPipe& p) { return p.GetCurrentFrameNumber(&word); }, false},
      {"SetDevicePowerState", [](tu::UsbIoPipe& p) { return p.SetDevicePowerState(0); }, false},
      {"GetDevicePowerState", [](tu::UsbIoPipe& p) { return p.GetDevicePowerState(&word); }, false},
      {"GetBandwidthInfo", [](tu::UsbIoPipe& p) { return p.GetBandwidthInfo(&bandwidth); }, false},
      {"GetPipeParameters", [](tu::UsbIoPipe& p) { return p.GetPipeParameters(&word); }, false},
      {"SetPipeParameters", [](tu::UsbIoPipe& p) { return p.SetPipeParameters(0x10000); }, false},
      {"SetupPipeStatistics", [](tu::UsbIoPipe& p) { return p.SetupPipeStatistics(0); }, false},
      {"QueryPipeStatistics", [](tu::UsbIoPipe& p) { return p.QueryPipeStatistics(&statistics); }, false},
      {"QueryPipeStatisticsAndReset", [](tu::UsbIoPipe& p) { return p.QueryPipeStatisticsAndReset(&statistics); },
       false},
      {"PipeControlIn", [room](tu::UsbIoPipe& p) { return p.PipeControlIn(setup, buffer, room(8)); }, false},
      {"PipeControlOut", [room](tu::UsbIoPipe& p) { return p.PipeControlOut(setup, buffer, room(8)); }, false},
  };
}

// Synchronous reads completed by another thread's control requests (each
// request lets the device complete the pending transfer): a read that sees
// its result returns, and the next read's record takes the same place. The
// completion must be done with the old record by then, or its late Set
// ends the next read's wait while that read is still pending.
TEST_F(DriverAccess, SynchronousReadsCompletedByAnotherThreadsRequests) {
  Open();
  EXPECT_EQ(R().Stop(), 0);  // its transfers would take the data
  tu::UsbIoPipe in;
  ASSERT_EQ(BindPipe(in, tu::kScanDataEndpoint), 0u);
  constexpr uint32_t kReads = 3000;
  std::thread completer([&] {
    for (uint32_t k = 0; k < kReads; ++k) {
      while (usb->PendingTransfers() == 0) std::this_thread::yield();
      scanner->AppendMemory({k});
      tarvel::usb::RegRead(devices, 248);
    }
  });
  uint32_t wrong = 0;
  for (uint32_t k = 0; k < kReads; ++k) {
    uint32_t word = ~0u;
    uint32_t length = sizeof word;
    const uint32_t status = in.ReadSync(&word, &length, platform::kInfinite);
    if (status != 0 || length != 4 || word != k) {
      ADD_FAILURE() << "read " << k << ": status 0x" << std::hex << status << std::dec << ", " << length
                    << " bytes, word " << word;
      if (++wrong == 5) break;  // the rest would hang on the completer
    }
  }
  completer.join();
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(usb->PendingTransfers(), 0);
}

TEST_F(DriverAccess, EveryWrapperOnADeviceNotOpenEndsInNotOpen) {
  tu::UsbIoPipe closed;
  for (const Wrapper& w : Wrappers()) EXPECT_EQ(w.call(closed), kNotOpen) << w.name;
}

TEST_F(DriverAccess, EveryWrapperThatReachesAnUnpluggedScannerEndsInDeviceGone) {
  Open();
  tu::UsbIoPipe pipe;
  ASSERT_EQ(BindPipe(pipe, tu::kScanDataEndpoint), 0u);
  usb->Unplug();
  int reached = 0;
  for (const Wrapper& w : Wrappers()) {
    if (!w.reaches_scanner) continue;
    EXPECT_EQ(w.call(pipe), kGone) << w.name;
    ++reached;
  }
  EXPECT_EQ(reached, 13);
}

TEST_F(DriverAccess, ShortRepliesOfFixedSizeEndInShortTransfer) {
  for (int request : {0, 6, 8, 10}) scenario.faults.short_standard_requests[request] = 1;
  Open();
  uint8_t d[18];
  uint16_t bits;
  uint8_t value;
  EXPECT_EQ(device->GetDeviceDescriptor(d), kShort);
  EXPECT_EQ(device->GetStatus(tu::kToDevice, 0, &bits), kShort);
  EXPECT_EQ(device->GetConfiguration(&value), kShort);
  EXPECT_EQ(device->GetInterface(0, &value), kShort);
  EXPECT_EQ(device->GetDeviceDescriptor(d), 0u);  // once each
  EXPECT_EQ(Bytes(d, d + 18), kDeviceDescriptor);
}

TEST_F(DriverAccess, NullArgumentsAreRefused) {
  Open();
  uint32_t length = 8;
  const tu::UsbPipeControl setup{};
  EXPECT_EQ(device->GetDescriptor(nullptr, &length, 0, 1, 0, 0), kNullArgument);
  EXPECT_EQ(device->GetDescriptor(&length, nullptr, 0, 1, 0, 0), kNullArgument);
  EXPECT_EQ(device->SetDescriptor(nullptr, 4, 0, 1, 0, 0), kNullArgument);
  EXPECT_EQ(device->GetStatus(0, 0, nullptr), kNullArgument);
  EXPECT_EQ(device->GetConfiguration(nullptr), kNullArgument);
  EXPECT_EQ(device->GetInterface(0, nullptr), kNullArgument);
  EXPECT_EQ(device->StoreConfigurationDescriptor(nullptr), kNullArgument);
  EXPECT_EQ(device->GetConfigurationInfo(nullptr), kNullArgument);
  EXPECT_EQ(device->GetCurrentFrameNumber(nullptr), kNullArgument);
  EXPECT_EQ(device->GetDevicePowerState(nullptr), kNullArgument);
  EXPECT_EQ(device->GetBandwidthInfo(nullptr), kNullArgument);
  EXPECT_EQ(R().GetPipeParameters(nullptr), kNullArgument);
  EXPECT_EQ(R().QueryPipeStatistics(nullptr), kNullArgument);
  EXPECT_EQ(R().PipeControlIn(setup, nullptr, &length), kNullArgument);
  EXPECT_EQ(R().PipeControlOut(setup, &length, nullptr), kNullArgument);
}

TEST(ReaderHelpers, FillAndWaitForAnyOfAList) {
  tu::ReaderBuffer buffer;
  uint8_t data[16] = {};
  buffer.io.data = data;
  buffer.io.size = 12;
  tu::UsbPipeReader::FillBuffer(buffer, 0xA5);
  EXPECT_EQ(data[11], 0xA5);
  EXPECT_EQ(data[12], 0);

  platform::UseVirtualClock(0);
  platform::Event a(false, false), b(true, false), c(false, false);
  platform::Event* list[3] = {&a, &b, &c};
  EXPECT_EQ(tu::UsbPipeReader::WaitForAny(nullptr, 3, 0), -301);
  EXPECT_EQ(tu::UsbPipeReader::WaitForAny(list, 0, 0), -301);
  EXPECT_EQ(tu::UsbPipeReader::WaitForAny(list, 3, 5), -309);
  c.Set();
  EXPECT_EQ(tu::UsbPipeReader::WaitForAny(list, 3, 0), 2);  // 0: no limit
  EXPECT_FALSE(c.IsSet());  // an auto-reset event is consumed

  tu::IoBuffer io;
  EXPECT_EQ(tu::UsbPipeReader::WaitForBufferOr(io, nullptr, 5), -309);
  b.Set();
  EXPECT_EQ(tu::UsbPipeReader::WaitForBufferOr(io, &b, 5), 1);
  io.event.Set();
  EXPECT_EQ(tu::UsbPipeReader::WaitForBufferOr(io, &b, 5), 0);
  platform::UseRealClock();
}

}  // namespace
