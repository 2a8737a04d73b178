#pragma once
// What the scanner report shows of a normalization file, and the slice of a
// text it prints the identification PROM's serial number with.
#include <string>

namespace tarvel {

// *serial starts as "????????" and *date as "??:??:????". -1 when the path
// is empty or the file cannot be read; else the first line goes to *serial,
// the date token ("day:month:year", when present) to *date, and the result
// is 0.
int NormalizationFile_Summary(const std::string& path, std::string* serial, std::string* date);

// At most `count` characters of `text` from position `first`, ending at a
// NUL. The caller guarantees that `text` holds them or a NUL before their
// end; a negative position or count gives "".
std::string Text_Slice(const char* text, int first, int count);

}  // namespace tarvel
