#pragma once
// Service commands over an open session on the simulated scanner, on the
// parallel port or over USB: one call of the export with its blocks.
#include <cstring>
#include <string>
#include <vector>

#include "driver/tests/device/sim_fixture.h"
#include "driver/tests/session/session_fixture.h"

namespace servicetest {

// The scanner's answer to one command.
struct Answer {
  int result = 0;
  std::vector<uint8_t> out;  // the whole output block after the call
  int32_t count = -1;  // out count
  // The first `count` bytes of the output block.
  std::vector<uint8_t> Written() const {
    return std::vector<uint8_t>(out.begin(), out.begin() + std::max(0, std::min<int32_t>(count, int32_t(out.size()))));
  }
};

constexpr uint8_t kUntouched = 0xEE;  // the output block's bytes before a call

inline std::vector<uint8_t> U16(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }
inline std::vector<uint8_t> U32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
inline uint32_t GetU32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}
inline std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// One call of Ext_ScannerCTRL with an output block of `out_length` bytes
// set to kUntouched and an out count of 77.
inline Answer Call(int32_t command, const std::vector<uint8_t>& in, size_t out_length) {
  Answer a;
  a.out.assign(out_length, kUntouched);
  a.count = 77;
  a.result = Ext_ScannerCTRL(command, in.empty() ? nullptr : in.data(), int32_t(in.size()),
                             out_length ? a.out.data() : nullptr, int32_t(out_length), &a.count);
  return a;
}

class ServiceTest : public sessiontest::SessionTest {
 protected:
  // Opens mode 1 on the parallel port (or over USB) with `ini`.
  void Open(const std::string& ini = sessiontest::kIni, bool usb = false) {
    WriteIni(ini);
    AttachOver(usb);
    ASSERT_EQ(Open_Scanner(1), 0) << Log();
    scanner->ClearTrace();
    scanner->ClearI2cTransactions();
  }

  Answer Ctrl(int32_t command, const std::vector<uint8_t>& in, size_t out_length) {
    return Call(command, in, out_length);
  }
};

}  // namespace servicetest
