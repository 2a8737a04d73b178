#pragma once
// The scanner device object: one per session, with the 23 device operations
// and the register layer over the transport of the scanner's interface (the
// parallel-port transport unless another is given).
#include <memory>

#include "driver/device/epp_port.h"
#include "driver/device/i2c_master.h"
#include "driver/device/scanner_registers.h"

namespace tarvel {

class ScannerDevice : public ScannerRegisters {
 public:
  ScannerDevice() : ScannerRegisters(std::make_unique<EppPort>()) {}
  explicit ScannerDevice(std::unique_ptr<ScannerTransport> transport) : ScannerRegisters(std::move(transport)) {}

  int InterfaceKind() const { return Transport().InterfaceKind(); }
};

}  // namespace tarvel
