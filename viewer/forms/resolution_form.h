#pragma once
// TSetResolutionForm ("Scan Resolution"): the x and y resolution of an image
// from the physical length of the region of interest; OK stores them.
#include <optional>

#include "viewer/forms/entry_check.h"
#include <QAbstractSpinBox>
#include <QDialog>
#include <QLineEdit>
#include <cstdint>

#include "viewer/core/settings.h"

class QLabel;
class QPushButton;

namespace viewer {

class CImage;

// A free-text size with arrows that step to the next whole number up or down.
class SizeEdit : public QAbstractSpinBox {
 public:
  explicit SizeEdit(QWidget* parent = nullptr);
  QString Text() const;
  void SetText(const QString& text);
  QLineEdit* Editor() const { return lineEdit(); }
  void stepBy(int steps) override;

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

class TSetResolutionForm : public QDialog {
 public:
  // The units of the settings at creation are the form's units.
  explicit TSetResolutionForm(const ViewerSettings& settings, QWidget* parent = nullptr);

  // Binds the image (not owned) and shows the sizes its resolutions give.
  void SetImage(CImage* image);
  // The region of interest, full-resolution inclusive corners.
  void SetRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void StoreResolution();
  // Each size is a number giving 1 .. 2^31 - 1 pixels per metre, or 0
  // (the resolution left as it is); else the first other is refused.
  bool CheckEntries();
  // How a refused entry is said (default: a box that does not block).
  void SetRefusalNotice(RefusalNotice notice) { notice_ = std::move(notice); }

  // Working resolutions in pixels per metre (0 = undefined).
  uint32_t ResolutionX() const { return x_.resolution; }
  uint32_t ResolutionY() const { return y_.resolution; }

 private:
  struct Axis {
    QLabel* caption;
    QLabel* pixels;
    QLabel* sizeLabel;
    SizeEdit* size;
    QLabel* resLabel;
    QLabel* res;
    QLabel* pitch;
    int64_t roiPixels = 0;
    uint32_t resolution = 0;
  };

  QWidget* BuildPanel(Axis& axis, const char* panel, const char* suffix, const char* caption);
  void UpdateLabels();
  void ShowSizes();
  void ShowResolution();
  void SizeChange(Axis& axis);
  // The resolution a size s gives, when it is one that can be stored.
  std::optional<uint32_t> ResolutionFrom(const Axis& axis, double s) const;
  void ShowAxis(const Axis& axis);

  CImage* image_ = nullptr;
  uint8_t units_;
  RefusalNotice notice_;
  Axis x_{};
  Axis y_{};
  QPushButton* bOK_;
  QPushButton* bCancel_;
};

}  // namespace viewer
