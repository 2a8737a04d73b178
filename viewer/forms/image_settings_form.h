#pragma once
// TImageSettingsForm ("Image Settings"): edits the acquisition facts an
// image carries: orientation and flips, source, resolutions and origin.
// OK and Apply store them into the image and re-orient the display control.
#include <cstdint>

#include "viewer/core/settings.h"
#include "viewer/forms/settings_dialog.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace viewer {

class CImage;
class TImageViewer;

class TImageSettingsForm : public SettingsDialog {
 public:
  // The units of the settings at creation are the form's units.
  explicit TImageSettingsForm(const ViewerSettings& settings, QWidget* parent = nullptr);

  // Binds the image (not owned) and shows its facts.
  void SetImage(CImage* image);
  // Binds the display control (not owned) that OK and Apply re-orient.
  void SetViewer(TImageViewer* viewer);

  void LoadControls() override;
  void StoreControls() override;
  // Resolutions and origins are whole numbers the image can hold.
  bool CheckEntries() override;

 private:
  struct Axis {
    QLabel* resLabel;
    QLineEdit* res;
    QLabel* size;
    QLabel* originLabel;
    QLineEdit* origin;
    QLabel* margin;
  };

  void BuildOrientationPage(QWidget* page);
  void BuildAcquisitionPage(QWidget* page);
  void ResChanged();
  void ShowReadouts(const Axis& axis);
  uint32_t ChosenSource() const;

  CImage* image_ = nullptr;
  TImageViewer* viewer_ = nullptr;
  uint8_t units_;
  // The source shown by the combo box's list (typed text that names no
  // source keeps it).
  int listedSource_ = 0;

  QToolButton* sbNorth_;
  QToolButton* sbEast_;
  QToolButton* sbSouth_;
  QToolButton* sbWest_;
  QButtonGroup* orientation_;
  QCheckBox* cbFlipHorizontal_;
  QCheckBox* cbFlipVertical_;
  QComboBox* cbSource_;
  QLabel* stResolution_;
  QLabel* stOrigin_;
  Axis x_{};
  Axis y_{};
};

}  // namespace viewer
