#include "viewer/forms/image_settings_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

#include "viewer/core/image.h"
#include "viewer/core/names.h"
#include "viewer/core/settings.h"
#include "viewer/forms/named.h"
#include "viewer/forms/number_text.h"
#include "viewer/widgets/image_viewer.h"

namespace viewer {
namespace {

using forms::FixedText;
using forms::GeneralText;
using forms::RoundEven;
using forms::WholeNumber;

constexpr int kSourceCount = 9;
constexpr double kMetresPerInch = 0.0254;
constexpr int64_t kLargestCoordinate = 0x7FFFFFFF;
const QString kNone = QStringLiteral("(none)");
const QString kUndefined = QStringLiteral("(undefined)");

// The edit as a whole number, 0 when it is not one.
int64_t EditValue(const QLineEdit* edit) { return WholeNumber(edit->text()).value_or(0); }

// A stored resolution: 0 .. 2^31 - 1 pixels per metre; anything else keeps
// the current one.
uint32_t StoredResolution(const QLineEdit* edit, uint8_t units, uint32_t current) {
  double value = static_cast<double>(EditValue(edit));
  if (units == 1) value = RoundEven(value / kMetresPerInch);
  if (value < 0 || value > kLargestCoordinate) return current;
  return static_cast<uint32_t>(value);
}

// A stored origin keeps every coordinate of the region within 2^31 - 1;
// anything else keeps the current one.
uint32_t StoredOrigin(const QLineEdit* edit, uint32_t size, uint32_t current) {
  const int64_t value = EditValue(edit);
  if (value < 0 || value + int64_t{size} > kLargestCoordinate + 1) return current;
  return static_cast<uint32_t>(value);
}

}  // namespace

TImageSettingsForm::TImageSettingsForm(const ViewerSettings& settings, QWidget* parent)
    : SettingsDialog(QStringLiteral("Image Settings"), 274, 293, parent), units_(settings.units) {
  auto* orientationPage = new QWidget;
  auto* acquisitionPage = new QWidget;
  Pages()->addTab(orientationPage, QStringLiteral("&Orientation"));
  Pages()->addTab(acquisitionPage, QStringLiteral("&Acquisition"));
  BuildOrientationPage(orientationPage);
  BuildAcquisitionPage(acquisitionPage);

  // Creation: the source names, and the resolution heading in the units.
  cbSource_->clear();
  for (int i = 0; i < kSourceCount; ++i) cbSource_->addItem(QString::fromLatin1(SourceName(i)));
  if (units_ == 1) stResolution_->setText(QStringLiteral("Pixels per inch"));
}

void TImageSettingsForm::BuildOrientationPage(QWidget* page) {
  auto makeButton = [this](const char* name, const char* caption) {
    auto* button = Named(new QToolButton, name);
    button->setText(QString::fromLatin1(caption));
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setAutoRaise(true);
    connect(button, &QToolButton::clicked, this, [this] { SomethingChanged(); });
    return button;
  };
  sbNorth_ = makeButton("sbNorth", "&North");
  sbEast_ = makeButton("sbEast", "&East");
  sbSouth_ = makeButton("sbSouth", "&South");
  sbWest_ = makeButton("sbWest", "&West");
  orientation_ = new QButtonGroup(this);
  orientation_->setExclusive(true);
  orientation_->addButton(sbNorth_, 0);
  orientation_->addButton(sbEast_, 1);
  orientation_->addButton(sbSouth_, 2);
  orientation_->addButton(sbWest_, 3);
  sbNorth_->setChecked(true);

  // The plate between the four buttons, placed as a compass.
  auto* plate = Named(new QLabel(QStringLiteral("Plate")), "Plate");
  plate->setFrameStyle(QFrame::Box | QFrame::Plain);
  plate->setAlignment(Qt::AlignCenter);
  plate->setFixedSize(60, 80);
  auto* compass = new QGridLayout;
  compass->addWidget(sbNorth_, 0, 1, Qt::AlignCenter);
  compass->addWidget(sbWest_, 1, 0, Qt::AlignCenter);
  compass->addWidget(plate, 1, 1, Qt::AlignCenter);
  compass->addWidget(sbEast_, 1, 2, Qt::AlignCenter);
  compass->addWidget(sbSouth_, 2, 1, Qt::AlignCenter);

  cbFlipHorizontal_ = Named(new QCheckBox(QStringLiteral("Flip &Horizontally")), "cbFlipHorizontal");
  cbFlipVertical_ = Named(new QCheckBox(QStringLiteral("Flip &Vertically")), "cbFlipVertical");
  connect(cbFlipHorizontal_, &QCheckBox::clicked, this, [this] { SomethingChanged(); });
  connect(cbFlipVertical_, &QCheckBox::clicked, this, [this] { SomethingChanged(); });

  auto* layout = new QVBoxLayout(page);
  layout->addLayout(compass);
  layout->addWidget(cbFlipHorizontal_);
  layout->addWidget(cbFlipVertical_);
  layout->addStretch();
}

void TImageSettingsForm::BuildAcquisitionPage(QWidget* page) {
  cbSource_ = Named(new QComboBox, "cbSource");
  cbSource_->setEditable(true);
  cbSource_->setInsertPolicy(QComboBox::NoInsert);
  auto* sourceLabel = new QLabel(QStringLiteral("&Source"));
  sourceLabel->setBuddy(cbSource_);
  connect(cbSource_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) listedSource_ = index;
    SomethingChanged();
  });
  connect(cbSource_, &QComboBox::editTextChanged, this, [this] { SomethingChanged(); });

  auto makeAxis = [this](const char* resLabel, const char* res, const char* size, const char* originLabel,
                         const char* origin, const char* margin) {
    Axis axis;
    axis.resLabel = Named(new QLabel, resLabel);
    axis.res = Named(new QLineEdit, res);
    axis.size = Named(new QLabel(kNone), size);
    axis.originLabel = Named(new QLabel, originLabel);
    axis.origin = Named(new QLineEdit, origin);
    axis.margin = Named(new QLabel(kNone), margin);
    connect(axis.res, &QLineEdit::textChanged, this, [this] { ResChanged(); });
    connect(axis.origin, &QLineEdit::textChanged, this, [this] { ResChanged(); });
    return axis;
  };
  x_ = makeAxis("stXRes", "eXRes", "stXSize", "stXOrigin", "eXOrigin", "stXMargin");
  y_ = makeAxis("stYRes", "eYRes", "stYSize", "stYOrigin", "eYOrigin", "stYMargin");
  x_.resLabel->setText(QStringLiteral("Horizontal"));
  x_.originLabel->setText(QStringLiteral("Horizontal"));
  y_.resLabel->setText(QStringLiteral("Vertical"));
  y_.originLabel->setText(QStringLiteral("Vertical"));

  stResolution_ = Named(new QLabel(QStringLiteral("Pixels per meter")), "stResolution");
  auto* resolution = new QGridLayout;
  resolution->addWidget(stResolution_, 0, 0, 1, 3);
  auto* origin = new QGridLayout;
  stOrigin_ = new QLabel(QStringLiteral("Scan Origin"));
  origin->addWidget(stOrigin_, 0, 0, 1, 3);
  int row = 1;
  for (const Axis* axis : {&x_, &y_}) {
    resolution->addWidget(axis->resLabel, row, 0);
    resolution->addWidget(axis->res, row, 1);
    resolution->addWidget(axis->size, row, 2);
    origin->addWidget(axis->originLabel, row, 0);
    origin->addWidget(axis->origin, row, 1);
    origin->addWidget(axis->margin, row, 2);
    ++row;
  }
  auto* resolutionPanel = new QGroupBox;
  resolutionPanel->setLayout(resolution);
  auto* originPanel = new QGroupBox;
  originPanel->setLayout(origin);

  auto* sourceRow = new QHBoxLayout;
  sourceRow->addWidget(sourceLabel);
  sourceRow->addWidget(cbSource_, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(sourceRow);
  layout->addWidget(resolutionPanel);
  layout->addWidget(originPanel);
  layout->addStretch();
}

void TImageSettingsForm::SetImage(CImage* image) {
  image_ = image;
  LoadControls();
}

void TImageSettingsForm::SetViewer(TImageViewer* viewer) { viewer_ = viewer; }

void TImageSettingsForm::LoadControls() {
  if (image_) {
    const ScanInfo& info = image_->GetScanInfo();
    const int orientation = info.orientation >= 0 && info.orientation <= 3 ? info.orientation : 0;
    orientation_->button(orientation)->setChecked(true);
    cbFlipHorizontal_->setChecked(info.flipHorizontal != 0);
    cbFlipVertical_->setChecked(info.flipVertical != 0);
    // A code beyond the table is shown (and kept) as "Unknown".
    listedSource_ = static_cast<int>(std::min<uint32_t>(info.source, kSourceCount - 1));
    cbSource_->setCurrentIndex(listedSource_);
    cbSource_->setEditText(cbSource_->itemText(listedSource_));

    const bool quarterTurn = info.orientation != 0 && info.orientation != 2;
    const QString across = quarterTurn ? QStringLiteral("Vertical") : QStringLiteral("Horizontal");
    const QString down = quarterTurn ? QStringLiteral("Horizontal") : QStringLiteral("Vertical");
    x_.resLabel->setText(across);
    x_.originLabel->setText(across);
    y_.resLabel->setText(down);
    y_.originLabel->setText(down);

    auto resolutionText = [this](uint32_t perMetre) {
      if (units_ == 1) return QString::number(static_cast<int64_t>(RoundEven(perMetre * kMetresPerInch)));
      return QString::number(perMetre);
    };
    x_.res->setText(resolutionText(info.resolutionX));
    y_.res->setText(resolutionText(info.resolutionY));
    x_.origin->setText(QString::number(info.originX));
    y_.origin->setText(QString::number(info.originY));
  }
  ChangesStored();
}

void TImageSettingsForm::ShowReadouts(const Axis& axis) {
  const int64_t r = EditValue(axis.res);
  if (r <= 0) {  // not recorded (a negative figure is never stored)
    axis.size->setText(kUndefined);
    axis.margin->setText(kUndefined);
    return;
  }
  const double p = 1.0 / static_cast<double>(r);
  const double o = static_cast<double>(EditValue(axis.origin));
  switch (units_) {
    case 1:
      axis.size->setText(GeneralText(p, 3) + QLatin1Char('"'));
      axis.margin->setText(GeneralText(o * p, 3) + QLatin1Char('"'));
      break;
    case 4:
      axis.size->setText(GeneralText(p * 100, 3) + QStringLiteral(" cm"));
      axis.margin->setText(GeneralText(o * p * 100, 3) + QStringLiteral(" cm"));
      break;
    case 3:
      axis.size->setText(GeneralText(p * 1000, 3) + QStringLiteral(" mm"));
      axis.margin->setText(GeneralText(o * p * 1000, 3) + QStringLiteral(" mm"));
      break;
    default:
      axis.size->setText(FixedText(p * 1000000, 2) + QStringLiteral(" um"));
      axis.margin->setText(FixedText(o * p * 1000, 2) + QStringLiteral(" mm"));
      break;
  }
}

void TImageSettingsForm::ResChanged() {
  ShowReadouts(x_);
  ShowReadouts(y_);
  SomethingChanged();
}

bool TImageSettingsForm::CheckEntries() {
  if (!image_) return true;
  const ScanInfo& info = image_->GetScanInfo();
  // The largest resolution typed: 2^31 - 1 pixels per metre, in the units.
  const int64_t largestResolution =
      units_ == 1 ? static_cast<int64_t>(RoundEven(kLargestCoordinate * kMetresPerInch)) : kLargestCoordinate;
  const struct {
    QLineEdit* edit;
    const QLabel* heading;
    const QLabel* axis;
    int64_t largest;
  } entries[] = {
      {x_.res, stResolution_, x_.resLabel, largestResolution},
      {y_.res, stResolution_, y_.resLabel, largestResolution},
      {x_.origin, stOrigin_, x_.originLabel, kLargestCoordinate + 1 - info.width},
      {y_.origin, stOrigin_, y_.originLabel, kLargestCoordinate + 1 - info.height},
  };
  for (const auto& e : entries) {
    const std::optional<int32_t> v = WholeNumber(e.edit->text());
    if (v && *v >= 0 && *v <= e.largest) continue;
    return Refuse(e.edit, e.heading->text() + " (" + e.axis->text() + ")", e.edit->text(),
                  QStringLiteral("a whole number from 0 to %1").arg(std::max<int64_t>(0, e.largest)));
  }
  return true;
}

uint32_t TImageSettingsForm::ChosenSource() const {
  const int named = cbSource_->findText(cbSource_->currentText().trimmed(), Qt::MatchFixedString);
  return static_cast<uint32_t>(named >= 0 ? named : listedSource_);
}

void TImageSettingsForm::StoreControls() {
  if (image_) {
    ScanInfo info = image_->GetScanInfo();
    info.orientation = sbNorth_->isChecked() ? 0 : sbEast_->isChecked() ? 1 : sbSouth_->isChecked() ? 2 : 3;
    info.flipHorizontal = cbFlipHorizontal_->isChecked() ? 1 : 0;
    info.flipVertical = cbFlipVertical_->isChecked() ? 1 : 0;
    info.source = ChosenSource();
    info.resolutionX = StoredResolution(x_.res, units_, info.resolutionX);
    info.resolutionY = StoredResolution(y_.res, units_, info.resolutionY);
    info.originX = StoredOrigin(x_.origin, info.width, info.originX);
    info.originY = StoredOrigin(y_.origin, info.height, info.originY);
    image_->SetScanFacts(info);
    if (viewer_) viewer_->SetOrientation(image_->GetScanInfo());
  }
  ChangesStored();
}

}  // namespace viewer
