#pragma once
// Running the Python oracles of the toolkit's tests (VORNIX_PYTHON).
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/temp_folder.h"

namespace mwtest {

inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// Skips a test whose oracle is missing; under CI that is a failure.
#define MW_REQUIRE_ORACLE(available, what)                             \
  do {                                                                 \
    if (!(available)) {                                                \
      if (::mwtest::UnderCi()) FAIL() << "oracle missing: " << (what); \
      GTEST_SKIP() << "oracle missing: " << (what);                    \
    }                                                                  \
  } while (0)

// True when the Python of the oracles imports every module named.
inline bool PythonHas(const std::string& modules) {
  std::string cmd = std::string(VORNIX_PYTHON) + " -c 'import " + modules + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs `script` with `input` on standard input; the standard output, or
// "" with ok false when the script fails.
inline std::string RunPython(const std::string& script, const std::string& input, bool* ok) {
  *ok = false;
  const testsupport::TempFolder dir("mwtest");
  const std::string script_path = dir / "oracle.py", in_path = dir / "in.txt";
  std::ofstream(script_path) << script;
  std::ofstream(in_path) << input;
  std::string cmd = std::string(VORNIX_PYTHON) + " " + script_path + " < " + in_path;
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    *ok = pclose(p) == 0;
  }
  return out;
}

}  // namespace mwtest
