#include "driver/config/scanner_type.h"

#include <atomic>

namespace tarvel {
namespace {
std::atomic<int> g_scanner_type{kScannerTypeUndefined};

constexpr uint64_t k200Mb = 209715200ull;

// name, small plates, intraoral modes, erase after intraoral, every mode, free space
constexpr ScannerTypeFacts kFacts[kScannerTypeUndefined + 1] = {
    {"Vornix Type 0", false, false, false, false, 0, nullptr},
    {"Vornix Type 1", false, false, false, false, 0, nullptr},
    {"Vornix Type 2", false, false, false, false, 0, nullptr},
    {"Vornix Type 3", false, false, false, true, 0, nullptr},
    {"Vornix Type 4", false, false, false, true, 0, nullptr},
    {"Vornix Intraoral", true, true, false, false, 0, nullptr},
    {"Vornix EPP", false, false, false, false, 0, nullptr},
    {"Vornix Type 7", false, false, false, false, 0, nullptr},
    {"Vornix Type 8", false, false, false, false, 0, nullptr},
    {"Vornix Type 9", false, false, false, false, 0, nullptr},
    {"Vornix Type 10", false, false, false, false, 2147483648ull, "2.0 GB"},
    {"Vornix Type 11", false, false, false, false, 2147483648ull, "2.0 GB"},
    {"Vornix Intraoral 12", false, true, true, false, k200Mb, "200 MB"},
    {"Vornix Intraoral 13", false, true, true, false, k200Mb, "200 MB"},
    {"Vornix Intraoral 14", true, true, true, false, k200Mb, "200 MB"},
    {"Vornix Type 15", false, false, false, true, k200Mb, "200 MB"},
    {"Vornix Type 16", false, false, false, true, 1073741824ull, "1.0 GB"},
    {"Vornix Type 17", false, false, false, true, 268435456ull, "256 MB"},
    {"Undefined", false, false, false, false, 0, nullptr},
};
}  // namespace

int ScannerType() { return g_scanner_type; }
void SetScannerType(int type) { g_scanner_type = type; }

const ScannerTypeFacts& ScannerTypeFactsOf(int type) {
  return kFacts[type >= 0 && type <= kScannerTypeUndefined ? type : kScannerTypeUndefined];
}

}  // namespace tarvel
