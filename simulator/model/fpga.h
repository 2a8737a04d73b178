#pragma once
#include <cstddef>
#include <cstdint>

#include "simulator/scenario.h"

// The FPGA's configuration: status, clearing and downloading a design. While
// it is not configured the register file and the data port refuse every
// access.
namespace sim {

// FPGA status word bits (the answers of kIoStatus, kIoFpgaBegin, kIoFpgaDownload).
constexpr uint32_t kFpgaConfiguredBit = 0x10;

// Our design format, checked by the FPGA: "VXFPGA01", u32 payload length,
// u32 sum of the payload bytes, the payload; anything after it must be zero.
bool IsAcceptableDesign(const uint8_t* bytes, size_t size);

class Fpga {
 public:
  Fpga(const Faults& faults, bool configured) : faults_(faults), configured_(configured) {}

  uint32_t Status() const;
  // Clears the configuration (unless the status is stuck); the status after.
  uint32_t BeginConfiguration();
  // Configures it when the bytes are an acceptable design and no rejection
  // is injected; the status after.
  uint32_t Download(const uint8_t* bytes, size_t size);

  bool Configured() const { return configured_; }
  int Downloads() const { return downloads_; }

 private:
  const Faults& faults_;
  bool configured_;
  int downloads_ = 0;
};

}  // namespace sim
