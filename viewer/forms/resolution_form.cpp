#include "viewer/forms/resolution_form.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "viewer/core/image.h"
#include "viewer/core/settings.h"
#include "viewer/forms/named.h"
#include "viewer/forms/number_text.h"

namespace viewer {
namespace {

using forms::GeneralText;
using forms::RealNumber;
using forms::RoundEven;

constexpr double kMetresPerInch = 0.0254;
constexpr double kLargestResolution = 2147483647.0;
constexpr double kLargestExactWhole = 9007199254740992.0;  // 2^53

QLabel* Sunken(const char* stem, const char* suffix) {
  auto* panel = Named(new QLabel(QStringLiteral("0")), stem, suffix);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setMinimumWidth(100);
  return panel;
}

}  // namespace

SizeEdit::SizeEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setWrapping(false);
  setAccelerated(false);
  lineEdit()->setText(QStringLiteral("0"));
}

QString SizeEdit::Text() const { return lineEdit()->text(); }

void SizeEdit::SetText(const QString& text) { lineEdit()->setText(text); }

void SizeEdit::stepBy(int steps) {
  const std::optional<double> s = RealNumber(Text());
  if (!s || steps == 0) return;  // an unreadable text is left alone
  const double next = steps > 0 ? std::floor(*s) + steps : std::ceil(*s) + steps;
  if (std::fabs(next) >= kLargestExactWhole) return;
  SetText(QString::number(static_cast<int64_t>(next)));
}

TSetResolutionForm::TSetResolutionForm(const ViewerSettings& settings, QWidget* parent)
    : QDialog(parent), units_(settings.units) {
  setWindowTitle(QStringLiteral("Scan Resolution"));
  setFixedSize(272, 296);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(BuildPanel(x_, "pX", "X", "ROI Width"));
  layout->addWidget(BuildPanel(y_, "pY", "Y", "ROI Height"));
  layout->addStretch();
  bOK_ = Named(new QPushButton(QStringLiteral("&OK")), "bOK");
  bCancel_ = Named(new QPushButton(QStringLiteral("&Cancel")), "bCancel");
  bOK_->setDefault(true);
  connect(bOK_, &QPushButton::clicked, this, [this] {
    if (!CheckEntries()) return;
    StoreResolution();
    accept();
  });
  connect(bCancel_, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(bOK_);
  buttons->addWidget(bCancel_);
  layout->addLayout(buttons);

  // Creation: the unit texts.
  const QString sizeText = units_ == 1   ? QStringLiteral("Size (inch)")
                           : units_ == 4 ? QStringLiteral("Size (cm)")
                                         : QStringLiteral("Size (mm)");
  for (Axis* axis : {&x_, &y_}) {
    axis->sizeLabel->setText(sizeText);
    if (units_ == 1) axis->resLabel->setText(QStringLiteral("Pixels/Inch"));
  }
}

QWidget* TSetResolutionForm::BuildPanel(Axis& axis, const char* panel, const char* suffix, const char* caption) {
  auto* box = Named(new QFrame, panel);
  box->setFixedHeight(121);
  axis.caption = Named(new QLabel(QString::fromLatin1(caption)), "st", suffix);
  axis.pixels = Sunken("pPixels", suffix);
  axis.sizeLabel = Named(new QLabel(QStringLiteral("Size")), "stSize", suffix);
  axis.size = Named(new SizeEdit, "eSize", suffix);
  axis.resLabel = Named(new QLabel(QStringLiteral("Pixels/Meter")), "stRes", suffix);
  axis.res = Sunken("pRes", suffix);
  axis.pitch = Sunken("pPitch", suffix);
  connect(axis.size->Editor(), &QLineEdit::textChanged, this, [this, &axis] { SizeChange(axis); });

  auto* grid = new QGridLayout(box);
  grid->addWidget(axis.caption, 0, 0, 1, 2);
  grid->addWidget(Named(new QLabel(QStringLiteral("Pixels")), "stPixels", suffix), 1, 0);
  grid->addWidget(axis.pixels, 1, 1);
  grid->addWidget(axis.sizeLabel, 2, 0);
  grid->addWidget(axis.size, 2, 1);
  grid->addWidget(axis.resLabel, 3, 0);
  grid->addWidget(axis.res, 3, 1);
  grid->addWidget(Named(new QLabel(QStringLiteral("Pixel Pitch")), "stPitch", suffix), 4, 0);
  grid->addWidget(axis.pitch, 4, 1);
  return box;
}

void TSetResolutionForm::SetImage(CImage* image) {
  image_ = image;
  UpdateLabels();
  ShowSizes();
}

void TSetResolutionForm::SetRegion(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  x_.roiPixels = int64_t{x2} - x1 + 1;
  y_.roiPixels = int64_t{y2} - y1 + 1;
  UpdateLabels();
  ShowSizes();
}

void TSetResolutionForm::UpdateLabels() {
  const int32_t orientation = image_ ? image_->GetScanInfo().orientation : 0;
  const bool quarterTurn = image_ && orientation != 0 && orientation != 2;
  x_.caption->setText(quarterTurn ? QStringLiteral("ROI Height") : QStringLiteral("ROI Width"));
  y_.caption->setText(quarterTurn ? QStringLiteral("ROI Width") : QStringLiteral("ROI Height"));
  x_.pixels->setText(QString::number(x_.roiPixels));
  y_.pixels->setText(QString::number(y_.roiPixels));
}

void TSetResolutionForm::ShowSizes() {
  if (!image_) return;
  x_.resolution = image_->GetScanInfo().resolutionX;
  y_.resolution = image_->GetScanInfo().resolutionY;
  for (Axis* axis : {&x_, &y_}) {
    QString text = QStringLiteral("0");
    if (axis->resolution != 0) {
      const double p = static_cast<double>(axis->roiPixels);
      const double r = axis->resolution;
      const double size = units_ == 1 ? p / r / kMetresPerInch : units_ == 4 ? p * 100 / r : p * 1000 / r;
      text = GeneralText(size, 5);
    }
    // Setting the same text again must still recompute, like every change.
    {
      const QSignalBlocker block(axis->size->Editor());
      axis->size->SetText(text);
    }
    SizeChange(*axis);
  }
}

void TSetResolutionForm::SizeChange(Axis& axis) {
  // A size that is not a positive number, or a result outside
  // 1 .. 2^31 - 1 pixels per metre, keeps the working resolution.
  const std::optional<double> s = RealNumber(axis.size->Text());
  if (s)
    if (const std::optional<uint32_t> r = ResolutionFrom(axis, *s)) axis.resolution = *r;
  ShowResolution();
}

std::optional<uint32_t> TSetResolutionForm::ResolutionFrom(const Axis& axis, double s) const {
  if (!(s > 0)) return std::nullopt;
  const double p = static_cast<double>(axis.roiPixels);
  const double r = RoundEven(units_ == 1 ? p / s / kMetresPerInch : units_ == 4 ? p * 100 / s : p * 1000 / s);
  if (!std::isfinite(r) || r < 1 || r > kLargestResolution) return std::nullopt;
  return static_cast<uint32_t>(r);
}

bool TSetResolutionForm::CheckEntries() {
  for (const Axis* axis : {&x_, &y_}) {
    const std::optional<double> s = RealNumber(axis->size->Text());
    if (s && (*s == 0 || ResolutionFrom(*axis, *s))) continue;
    return RefuseEntry(this, axis->size, axis->caption->text() + " " + axis->sizeLabel->text(), axis->size->Text(),
                       QStringLiteral("a size giving 1 to 2147483647 pixels per meter (or 0, which keeps the "
                                      "resolution)"),
                       notice_);
  }
  return true;
}

void TSetResolutionForm::ShowResolution() {
  ShowAxis(x_);
  ShowAxis(y_);
}

void TSetResolutionForm::ShowAxis(const Axis& axis) {
  const uint32_t r = axis.resolution;
  if (r == 0) {
    axis.res->setText(QStringLiteral("0"));
    axis.pitch->setText(QStringLiteral("(undefined)"));
    return;
  }
  switch (units_) {
    case 1:
      axis.res->setText(GeneralText(r * kMetresPerInch, 5));
      axis.pitch->setText(GeneralText(39.370078740157480313 / r, 5) + QLatin1Char('"'));
      break;
    case 3:
      axis.res->setText(QString::number(r));
      axis.pitch->setText(GeneralText(1000.0 / r, 5) + QStringLiteral(" mm"));
      break;
    case 4:
      axis.res->setText(QString::number(r));
      axis.pitch->setText(GeneralText(100.0 / r, 5) + QStringLiteral(" cm"));
      break;
    default:
      axis.res->setText(QString::number(r));
      axis.pitch->setText(GeneralText(1000000.0 / r, 5) + QStringLiteral(" um"));
      break;
  }
}

void TSetResolutionForm::StoreResolution() {
  if (!image_) return;
  ScanInfo info = image_->GetScanInfo();
  info.resolutionX = x_.resolution;
  info.resolutionY = y_.resolution;
  image_->SetScanFacts(info);
}

}  // namespace viewer
