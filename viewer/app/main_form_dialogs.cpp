// The commands that open the settings, resolution and about dialogs. Each
// dialog is created when its command runs, shown modally and freed.
#include "viewer/app/main_form.h"

namespace viewer {

// The dialogs are not part of this build yet: their commands stay disabled.
bool TMainForm::FormsAvailable() { return false; }

void TMainForm::ImageSettingsExecute() {
  // Image settings form bound to the image and the display; then:
  UpdateControls();
}

void TMainForm::ProgramSettingsExecute() {}

void TMainForm::ResolutionExecute() {
  // Resolution form bound to the image and the ROI; a changed resolution
  // marks the image modified; then:
  UpdateControls();
}

void TMainForm::AboutProgramExecute() {}
void TMainForm::AboutBitmapExecute() {}
void TMainForm::AboutImageExecute() {}

}  // namespace viewer
