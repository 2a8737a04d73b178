// scenariocheck: reads each scenario file named as the simulated scanner
// does; prints "<file>:<line>: <what is wrong>" for one it cannot read
// whole and exits 1 then, else 0 without output.
//   scenariocheck <scenario file>...
#include <cstdio>
#include <string>

#include "simulator/scenario.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: scenariocheck <scenario file>...\n");
    return 2;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    std::string error;
    if (!sim::LoadScenarioFile(argv[i], &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      status = 1;
    }
  }
  return status;
}
