#include "driver/config/scanner_type.h"

#include <atomic>

namespace tarvel {
namespace {
std::atomic<int> g_scanner_type{kScannerTypeUndefined};
}

int ScannerType() { return g_scanner_type; }
void SetScannerType(int type) { g_scanner_type = type; }

}  // namespace tarvel
