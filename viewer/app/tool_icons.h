#pragma once
// The tool bar's icons: small drawings of this program's own, kept as SVG in
// the program's resources.
#include <QIcon>

namespace viewer {

// The icon of resource ":/icons/<name>.svg" drawn at 16 and 32 pixels; a
// null icon when there is no such resource.
QIcon ToolIcon(const char* name);

}  // namespace viewer
