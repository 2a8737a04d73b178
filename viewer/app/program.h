#pragma once
// The program vornixview: settings, the library check, the main window with
// the optional command-line file, the message loop, then the settings saved.

namespace viewer {

int RunProgram(int argc, char** argv);

}  // namespace viewer
