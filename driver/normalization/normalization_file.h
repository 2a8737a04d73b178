#pragma once
// The normalization file (text, ".kor"): the scanner's serial number on the
// first line, then whitespace-separated tokens: ScanStart, ValueCount,
// ValuePitch (nm), "day:month:year", "hour:minute:second", Mean, a row of
// asterisks and ValueCount factors, one for each position of the scan line
// in steps of ValuePitch. One reader and one writer serve every path.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

struct NormalizationFile {
  std::string serial;
  int32_t scan_start = 0;  // Strt_Pix of the mode the image was taken in
  int32_t value_count = 0;
  int32_t value_pitch = 0;  // nm between factors
  int32_t day = 0, month = 0, year = 0;
  int32_t hour = 0, minute = 0, second = 0;
  int32_t mean = 0;
  std::vector<double> factors;
};

// The first line is taken whole (up to 64 characters, a CR before the line
// end dropped); the rest is read as tokens of at most 16 characters. Missing
// header tokens read as 0. At most value_count factors are read; reading
// stops at the first token that is not a finite number, so a file with too
// few usable factors has factors.size() < value_count.
NormalizationFile ParseNormalizationFile(std::string_view text);

// The text of the file: "%s\n", "%i\n" x 3, "%i:%i:%i\n" x 2, "%i\n", 16
// asterisks, then every factor as "%f\n" (independent of the locale).
std::string FormatNormalizationFile(const NormalizationFile& file);

// Tokens of the text after its first line, as the reader cuts them; the
// summary of the scanner report reads the date token this way.
class NormalizationTokens {
 public:
  explicit NormalizationTokens(std::string_view text);
  const std::string& SerialLine() const { return serial_; }
  // The next token; empty at the end of the text.
  std::string_view Next();

 private:
  std::string serial_;
  std::string_view rest_;
};

}  // namespace tarvel
