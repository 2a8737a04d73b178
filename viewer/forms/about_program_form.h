#pragma once
// TAboutProgramForm ("About the Program"): program and library versions and
// the memory in use.
#include <QDialog>
#include <cstdint>

namespace viewer {

// The program's own version: major 4, minor 2, build 3.
inline constexpr uint32_t kProgramVersion = 0x04020003;

class TAboutProgramForm : public QDialog {
 public:
  explicit TAboutProgramForm(QWidget* parent = nullptr);
};

}  // namespace viewer
