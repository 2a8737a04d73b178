// lintra: acquires test images and prints what the driver knows about them.
// No arguments; keys are read unechoed from the console.
#include "platform/console.h"
#include "tools/lintra/lintra.h"

int main() {
  platform::OpenConsole();
  return lintra::Run(console::ProcessTerminal());
}
