// Detection and the scan-info reader of whatever type is detected, then the
// viewer's choices (a bitmap opened as 16-bit values, an unknown file as raw).
#include "fennic/tests/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fennic_fuzz;
  const Input in = parse(data, size);
  files().set(in);
  FileInfo f{0, files().source.c_str()};
  if (_GetFileInfo(&f) != 0) return 0;
  ScanInfo s{};
  _GetScanInfo(&f, &s);
  uint32_t type = f.type == kFileBitmap ? kFileBreadboard : f.type == kFileUnknown ? kFileRaw : f.type;
  f.type = type;
  if (_GetScanInfo(&f, &s) == 0) {
    f.type = type;
    read(&f, s, in.n);
  }
  return 0;
}
