#pragma once
// TAboutProgramForm ("About the Program"): program and library versions and
// the memory in use.
#include <QDialog>
#include <cstdint>

#include "viewer/core/settings.h"

namespace viewer {

// The program's own version: major 4, minor 2, build 3.
inline constexpr uint32_t kProgramVersion = 0x04020003;

class TAboutProgramForm : public QDialog {
 public:
  // The memory text counts the settings' start-up memory.
  explicit TAboutProgramForm(const ViewerSettings& settings, QWidget* parent = nullptr);
};

}  // namespace viewer
