#pragma once
// `DriverVersionText`: version, build date and build time of the library.
namespace tarvel {
constexpr const char* kDriverVersionText = "1.004.048 Mar 10 2007 14:59:21";
}  // namespace tarvel
