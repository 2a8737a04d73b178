#pragma once
// The interface GUID the simulated USB scanner shows in the tests.

namespace usbtest {

// Probe 5 of the GUID table (scanner type 6, as on the parallel port).
constexpr const char* kGuidType6 = "{1A6B8D02-DF2E-4A05-86DD-AA12B90E7A44}";

}  // namespace usbtest
