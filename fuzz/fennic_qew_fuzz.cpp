// QEW readers, copier and line streaming on arbitrary bytes.
#include "fennic/tests/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fennic_fuzz;
  const Input in = parse(data, size);
  files().set(in);
  exercise(kFileQew, in);
  FileInfo f{kFileQewV0, files().source.c_str()};
  FennicHandle h;
  ScanInfo s{};
  if (_StartRead(&h, &f, &s) == 0 && s.width <= (1u << 20)) {
    std::vector<uint16_t> line(s.width + 1);
    for (uint32_t y = 0; y < s.height && y < 4096; ++y)
      if (_ReadLine(&h, &s, line.data())) break;
  }
  if (h != FENNIC_INVALID_HANDLE) _EndRead(&h);
  return 0;
}
