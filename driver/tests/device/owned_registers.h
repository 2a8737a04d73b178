#pragma once
// A register layer with the transport it works over, owned together as a
// session's device keeps them (the parallel-port transport unless another
// is given).
#include <memory>

#include "driver/device/epp_port.h"
#include "driver/device/scanner_registers.h"

namespace devtest {

class OwnedRegisters : public tarvel::ScannerRegisters {
 public:
  explicit OwnedRegisters(std::unique_ptr<tarvel::ScannerTransport> transport = std::make_unique<tarvel::EppPort>())
      : ScannerRegisters(*transport), transport_(std::move(transport)) {}

 private:
  std::unique_ptr<tarvel::ScannerTransport> transport_;
};

}  // namespace devtest
