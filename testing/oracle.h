#pragma once
// The tests' outside oracles: a test whose oracle is missing is skipped, or
// fails under CI (CI=true); shell commands and Python scripts run with the
// oracles' interpreter (VORNIX_PYTHON).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "testing/temp_folder.h"

namespace testsupport {

inline bool UnderCi() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

// Skips a test whose oracle is missing; under CI that is a failure.
#define REQUIRE_ORACLE(available, what)                                     \
  do {                                                                      \
    if (!(available)) {                                                     \
      if (::testsupport::UnderCi()) FAIL() << "oracle missing: " << (what); \
      GTEST_SKIP() << "oracle missing: " << (what);                         \
    }                                                                       \
  } while (0)

// Runs a shell command; its exit status (-1 when it did not run or exit)
// and its standard output in `out`.
inline int RunCommand(const std::string& cmd, std::string* out = nullptr) {
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
  const int rc = pclose(p);
  if (out) *out = text;
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Runs `script` with the oracles' Python and `input` on its standard input:
// its exit status, and its standard output (with standard error when
// `with_stderr`) in `out`.
inline int RunPython(const std::string& script, const std::string& input, std::string* out, bool with_stderr = false) {
  const TempFolder dir("vornix-oracle");
  const std::string script_path = dir / "oracle.py", in_path = dir / "in.txt";
  std::ofstream(script_path) << script;
  std::ofstream(in_path) << input;
  return RunCommand(std::string(VORNIX_PYTHON) + " " + script_path + " < " + in_path + (with_stderr ? " 2>&1" : ""),
                    out);
}

// True when the oracles' Python imports every module named ("a, b").
inline bool PythonHas(const std::string& modules) {
  const std::string cmd = std::string(VORNIX_PYTHON) + " -c 'import " + modules + "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

}  // namespace testsupport
