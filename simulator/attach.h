#pragma once
#include <memory>
#include <optional>
#include <string>

#include "simulator/parallel_port.h"
#include "simulator/scanner_model.h"
#include "simulator/scenario.h"
#include "simulator/usb_port.h"

// Attaching a scenario: its scanner behind the front ends its interface
// names. The caller keeps what was attached; the platform's driver table and
// USB stand-in hold the front ends until they are detached.
namespace sim {

struct Attachment {
  std::shared_ptr<Scanner> scanner;
  std::shared_ptr<ParallelPortDriver> port;  // null when the scenario shows no parallel port
  std::shared_ptr<UsbScannerBackend> usb;  // null when it shows no USB
};

// Builds the scanner of a scenario and attaches the front ends its interface
// names ("EPP", "USB", or both: "USB,EPP"); nothing (with *error) when an
// interface is not offered.
std::optional<Attachment> AttachScenario(const Scenario& scenario, std::string* error = nullptr);

}  // namespace sim

// Entry point the platform calls when VORNIX_SCANNER_SIM names a scenario
// file: 0 when the scanner was attached, negative when the file could not be
// read (-1) or names an interface not offered (-2).
extern "C" __attribute__((visibility("default"))) int vornix_sim_attach(const char* scenario_path);
