#pragma once
// The first line of an image's report and its information record.
#include <optional>

#include "driver/tarvel_api.h"
#include "tools/console/terminal.h"

namespace console {

// Prints "Filename: <name>" and reads the image's information record; when
// it cannot be read, says so and gives none (the image is then skipped).
std::optional<ImageInfo> ImageHeading(Terminal& terminal, const char* name);

}  // namespace console
