#pragma once
// TAboutBitmapForm ("About the Bitmap"): how the display control renders now.
#include <QDialog>

namespace viewer {

class TImageViewer;

class TAboutBitmapForm : public QDialog {
 public:
  explicit TAboutBitmapForm(QWidget* parent = nullptr);
  void Fill(const TImageViewer& viewer);
};

}  // namespace viewer
