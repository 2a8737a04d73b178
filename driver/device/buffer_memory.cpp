#include "driver/device/buffer_memory.h"

#include <limits>

#include "driver/device/i2c_master.h"
#include "driver/result_codes.h"

namespace tarvel {
namespace {

uint8_t ConfigurationCode(int64_t key) {
  switch (key) {
    case 220911: return 8;
    case 410812: return 2;
    case 410911: return 4;
    case 410912:
    case 410913:
    case 411012: return 6;
    case 411013: return 7;
    case 420912: return 22;
    case 421012: return 30;
    default: return 255;
  }
}

}  // namespace

int DecodeSpd(const uint8_t* spd, MemoryDescription* memory) {
  MemoryDescription& m = *memory;
  m.rows = spd[3];
  m.columns = spd[4];
  m.module_banks = spd[5];
  m.width = spd[6];
  m.device_banks = spd[17];
  // 2^R x 2^C x width x S x B / 8 in 64 bits; beyond that the size saturates.
  unsigned __int128 size = 0;
  if (m.rows + m.columns < 100) {
    size = static_cast<unsigned __int128>(1) << (m.rows + m.columns);
    size = size * m.width * m.module_banks * m.device_banks / 8;
  } else {
    size = std::numeric_limits<int64_t>::max();
  }
  constexpr auto kMax = static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max());
  m.size = static_cast<int64_t>(size > kMax ? kMax : size);
  int64_t key = m.rows + 100 * int64_t{m.columns} + 10000 * int64_t{m.module_banks} + 100000 * int64_t{m.device_banks};
  m.config_code = ConfigurationCode(key);
  bool ok = spd[2] == 4 && (m.width == 64 || m.width == 72) && m.config_code != 255;
  return ok ? 0 : kErrUnknownBuffer;
}

int Mem_DetectBuffer(ScannerRegisters& device, MemoryDescription* memory) {
  memory->size = 0;
  uint8_t spd[128] = {};
  device.Transport().I2c_Read(spd, kI2cSpd, 0, 127);
  if (device.Transport().I2c_Read(spd, kI2cSpd, 0, 127) != 0) return kErrBufferUnreadable;
  return DecodeSpd(spd, memory);
}

}  // namespace tarvel
