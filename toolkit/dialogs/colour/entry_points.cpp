#include "toolkit/dialogs/colour/entry_points.h"

namespace mwdlg {
namespace {
void* g_entries[kClrEntryCount] = {};
const char* g_names[kClrEntryCount] = {};
}  // namespace

void* ClrEntryPoint(uint32_t slot) { return slot < kClrEntryCount ? g_entries[slot] : nullptr; }

void SetClrEntryPoint(uint32_t slot, void* entry) {
  if (slot < kClrEntryCount) g_entries[slot] = entry;
}

void ClearClrEntryPoints() {
  for (auto& e : g_entries) e = nullptr;
}

const char* ClrEntryName(uint32_t slot) { return slot < kClrEntryCount ? g_names[slot] : nullptr; }

ClrEntryNames::ClrEntryNames() {
  g_names[0] = "M_ClrInit";
  g_names[1] = "M_ClrConvert";
  g_names[2] = "M_ClrFree";
}

ClrEntryNames::~ClrEntryNames() {
  for (auto& n : g_names) n = nullptr;
  ClearClrEntryPoints();
}

}  // namespace mwdlg
