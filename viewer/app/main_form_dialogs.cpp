// The commands that open the settings, resolution and about dialogs. Each
// dialog is created when its command runs, shown modally and freed.
#include <QDialog>

#include "viewer/app/main_form.h"
#include "viewer/forms/about_bitmap_form.h"
#include "viewer/forms/about_image_form.h"
#include "viewer/forms/about_program_form.h"
#include "viewer/forms/image_settings_form.h"
#include "viewer/forms/program_settings_form.h"
#include "viewer/forms/resolution_form.h"

namespace viewer {

int TMainForm::ShowModal(QDialog& dialog) { return modalRunner_ ? modalRunner_(dialog) : dialog.exec(); }

RefusalNotice TMainForm::RefusalBox() {
  return [this](QWidget* form, const QString& text) { prompts_->Box(form, BoxKind::Error, text.toStdString()); };
}

void TMainForm::ImageSettingsExecute() {
  const ScanInfo before = image_.GetScanInfo();
  {
    TImageSettingsForm dialog(*settings_, this);
    dialog.SetRefusalNotice(RefusalBox());
    dialog.SetImage(&image_);
    dialog.SetViewer(imageViewer_);
    ShowModal(dialog);
  }
  FollowOrigin(before);
  UpdateControls();
}

void TMainForm::ProgramSettingsExecute() {
  ProgramSettingsTargets targets;
  targets.viewer = imageViewer_;
  targets.histogram = histogram_;
  targets.memoryInUse = uint64_t{settings_->startupMemory} + memoryBaseline_;
  targets.updateControls = [this] { UpdateControls(); };
  TProgramSettingsForm dialog(*settings_, std::move(targets), dialogs_, this);
  dialog.SetRefusalNotice(RefusalBox());
  ShowModal(dialog);
}

void TMainForm::ResolutionExecute() {
  const uint32_t oldX = image_.GetScanInfo().resolutionX;
  const uint32_t oldY = image_.GetScanInfo().resolutionY;
  {
    TSetResolutionForm dialog(*settings_, this);
    dialog.SetRefusalNotice(RefusalBox());
    dialog.SetImage(&image_);
    const Rect roi = Roi();
    dialog.SetRegion(roi.left, roi.top, roi.right, roi.bottom);
    ShowModal(dialog);
  }
  if (image_.GetScanInfo().resolutionX != oldX || image_.GetScanInfo().resolutionY != oldY) SetModified(true);
  UpdateControls();
}

void TMainForm::AboutProgramExecute() {
  TAboutProgramForm dialog(*settings_, this);
  ShowModal(dialog);
}

void TMainForm::AboutBitmapExecute() {
  TAboutBitmapForm dialog(this);
  dialog.Fill(*imageViewer_);
  ShowModal(dialog);
}

void TMainForm::AboutImageExecute() {
  TAboutImageForm dialog(this);
  dialog.Fill(image_);
  ShowModal(dialog);
}

}  // namespace viewer
