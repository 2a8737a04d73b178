// Arbitrary captured test-line data: the sample words taken from it are
// never markers, never more than the words given, and every word is either
// taken or passed over.
#include <cstdint>
#include <cstdlib>

#include "driver/service/test_line_capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint16_t> samples = tarvel::TestLine_Samples(data, size);
  if (samples.size() > size / 2) std::abort();
  for (uint16_t v : samples)
    if (v > 65519) std::abort();
  return 0;
}
