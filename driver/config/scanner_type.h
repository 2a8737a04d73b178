#pragma once

// `ScannerType`: the scanner model, set by the USB device discovery or the
// interface probe; 18 ("Undefined") until then.
namespace tarvel {

constexpr int kScannerTypeUndefined = 18;

int ScannerType();
// Set by the probe and the discovery once they know the model; tests use it
// as their seam.
void SetScannerType(int type);

}  // namespace tarvel
