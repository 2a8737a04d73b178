#include "driver/config/scanner_type.h"

namespace tarvel {
namespace {

constexpr uint64_t k200Mb = 209715200ull;
constexpr uint64_t k256Mb = 268435456ull;
constexpr uint64_t k1Gb = 1073741824ull;
constexpr uint64_t k2Gb = 2147483648ull;
constexpr double kCephPmt = 0.8714285714285714;

using enum UsbDesign;

// name, small plates, intraoral modes, erase after intraoral, every mode,
// free space, geometry {from ini, PPR, Abst_B, PMT scale, SOL position, scan
// range, slots}, USB design
constexpr ScannerTypeFacts kFacts[kScannerTypeUndefined + 1] = {
    {"Vornix Type 0", false, false, false, false, 0, nullptr, {true, 100, 0.095, 1.0, 35, 182, 15}, kStandard},
    {"Vornix Type 1", false, false, false, false, 0, nullptr, {true, 100, 0.095, 1.0, 21, 212, 6}, kStandard},
    {"Vornix Type 2", false, false, false, false, 0, nullptr, {true, 100, 0.1, 1.0, 21, 212, 6}, kEraser},
    {"Vornix Type 3", false, false, false, true, 0, nullptr, {true, 100, 0.105, 1.0, 35, 182, 15}, kWide},
    {"Vornix Type 4", false, false, false, true, 0, nullptr, {true, 100, 0.105, 1.0, 21, 212, 15}, kWide},
    {"Vornix Intraoral", true, true, false, false, 0, nullptr, {false, 100, 0.095, 1.0, 35, 182, 15}, kStandard},
    {"Vornix EPP", false, false, false, false, 0, nullptr, {false, 100, 0.095, 1.0, 35, 182, 15}, kStandard},
    {"Vornix Type 7", false, false, false, false, 0, nullptr, {false, 100, 0.095, 1.0, 35, 182, 6}, kStandard},
    {"Vornix Type 8", false, false, false, false, 0, nullptr, {false, 100, 0.095, 1.0, 21, 212, 15}, kStandard},
    {"Vornix Type 9", false, false, false, false, 0, nullptr, {false, 100, 0.095, 1.0, 21, 212, 6}, kStandard},
    {"Vornix Type 10", false, false, false, false, k2Gb, "2.0 GB", {false, 100, 0.1, 1.0, 21, 212, 15}, kEraser},
    {"Vornix Type 11", false, false, false, false, k2Gb, "2.0 GB", {false, 100, 0.1, 1.0, 21, 212, 6}, kEraser},
    {"Vornix Intraoral 12", false, true, true, false, k200Mb, "200 MB", {false, 1024, 0.105, kCephPmt, 7.75, 91.65, 3},
     kCompact},
    {"Vornix Intraoral 13", false, true, true, false, k200Mb, "200 MB", {false, 200, 0.105, kCephPmt, 7.75, 91.65, 3},
     kCompact},
    {"Vornix Intraoral 14", true, true, true, false, k200Mb, "200 MB", {false, 100, 0.105, 1.0, 35, 182, 15}, kWide},
    {"Vornix Type 15", false, false, false, true, k200Mb, "200 MB", {false, 100, 0.105, 1.0, 35, 182, 15}, kWide},
    {"Vornix Type 16", false, false, false, true, k1Gb, "1.0 GB", {false, 100, 0.105, 1.0, 35, 182, 15}, kWide},
    {"Vornix Type 17", false, false, false, true, k256Mb, "256 MB", {false, 100, 0.105, 1.0, 21, 212, 15}, kWide},
    {"Undefined", false, false, false, false, 0, nullptr, {false, 100, 0.095, 1.0, 35, 182, 15}, kStandard},
};
}  // namespace

const ScannerTypeFacts& ScannerTypeFactsOf(int type) {
  return kFacts[type >= 0 && type <= kScannerTypeUndefined ? type : kScannerTypeUndefined];
}

}  // namespace tarvel
