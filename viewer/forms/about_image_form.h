#pragma once
// TAboutImageForm ("About the Image"): the image model's file, acquisition
// facts and stored pixels.
#include <QDialog>
#include <QLocale>

#include "fennic/fennic_api.h"

namespace viewer {

class CImage;

class TAboutImageForm : public QDialog {
 public:
  explicit TAboutImageForm(QWidget* parent = nullptr);
  void Fill(const CImage& image);
};

// A file time (UTC) as a calendar date and time without any zone change:
// the locale's short date, then its long time format without a time-zone
// field; the time is left out at exactly midnight.
QString TimeStampText(const FileTime& time, const QLocale& locale = QLocale());

}  // namespace viewer
