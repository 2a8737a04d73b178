// calibrate: turns a flat-field scan into the scanner's normalization file.
// No arguments; keys are read unechoed from the console. An interrupted run
// puts back the ini values it removed for the scan.
#include "platform/console.h"
#include "tools/calibrate/calibrate.h"
#include "tools/calibrate/interrupt_guard.h"

int main() {
  static calibrate::IniSettings settings;
  calibrate::StartInterruptGuard([] { settings.Restore(); });
  platform::OpenConsole();
  return calibrate::Run(console::ProcessTerminal(), settings);
}
