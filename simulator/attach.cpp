#include "simulator/attach.h"

#include <cstdio>

namespace sim {

std::optional<Attachment> AttachScenario(const Scenario& scenario, std::string* error) {
  std::string kinds;
  for (char c : scenario.interface)
    if (c != ' ') kinds += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  bool epp = false, usb = false, other = kinds.empty();
  size_t from = 0;
  while (from <= kinds.size()) {
    size_t comma = kinds.find_first_of(",+", from);
    std::string kind = kinds.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    if (kind == "EPP")
      epp = true;
    else if (kind == "USB")
      usb = true;
    else
      other = true;
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  if (other) {
    if (error) *error = "interface " + scenario.interface + " is not offered by this simulator build";
    return std::nullopt;
  }
  Attachment attached;
  attached.scanner = std::make_shared<Scanner>(scenario);
  if (epp) attached.port = AttachParallelPort(attached.scanner);
  if (usb) attached.usb = AttachUsb(attached.scanner);
  return attached;
}

}  // namespace sim

// The platform's driver table and USB stand-in keep what is attached here:
// the simulator library itself holds no scanner.
extern "C" int vornix_sim_attach(const char* scenario_path) {
  std::string error;
  std::optional<sim::Scenario> scenario = sim::LoadScenarioFile(scenario_path ? scenario_path : "", &error);
  if (!scenario) {
    std::fprintf(stderr, "vornixsim: %s\n", error.c_str());
    return -1;
  }
  if (!sim::AttachScenario(*scenario, &error)) {
    std::fprintf(stderr, "vornixsim: %s\n", error.c_str());
    return -2;
  }
  return 0;
}
