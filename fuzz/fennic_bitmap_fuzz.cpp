// Bitmap readers (grey and 16-bit values) and copier on arbitrary bytes.
#include "fennic/tests/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fennic_fuzz;
  const Input in = parse(data, size);
  files().set(in);
  exercise(kFileBitmap, in);
  exercise(kFileBreadboard, in);
  return 0;
}
