#pragma once
// lintra: acquires test images through libTarvel.so and prints what the
// driver knows about each of them.
#include "tools/console/terminal.h"

namespace lintra {

// The whole program; returns its exit status.
int Run(console::Terminal& terminal);

// The information record, extra header and pixel statistics (before and
// after the greyscale optimisation) of one stored image. An image whose
// information record cannot be read is reported as such and skipped.
void PrintImageInfo(console::Terminal& terminal, const char* name);

}  // namespace lintra
