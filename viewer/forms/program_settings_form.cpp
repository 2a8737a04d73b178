#include "viewer/forms/program_settings_form.h"

#include <unistd.h>

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "viewer/core/names.h"
#include "viewer/core/settings.h"
#include "viewer/forms/named.h"
#include "viewer/forms/number_text.h"
#include "viewer/forms/panels.h"
#include "viewer/widgets/histogram.h"
#include "viewer/widgets/image_viewer.h"

namespace viewer {
namespace {

// The largest "Maximum Image Size (KB)" whose byte count fits the setting.
constexpr int64_t kLargestImageSizeKB = 0xFFFFFFFFll / 1024;

const char* const kUnitsNote[] = {
    "   None: All measurements are displayed in terms of pixels.  Pixel pitch is given in "
    "micrometers.  Resolution is in pixels per meter.",
    "   Inches: All measurements and pixel dimensions are in inches.  Resolution is in pixels per "
    "inch.",
    "   Metric: The pixel pitch is given in micrometers.  Measurements are made in millimeters.  "
    "Resolution is in pixels per meter.",
    "   Millimeters: The pixel pitch and measuements are in millimeters.  Resolution is in pixels "
    "per meter.",
    "   Centimeters: The pixel pitch and measurements are in centimeters.  Resolution is in pixels "
    "per meter.",
};

const char* const kMemoryNote[] = {
    "   When the Maximum Image Size is set to zero, enough virtual memory is allocated to hold the "
    "full image and to create a bitmap.  This results in the truest image quality but when the "
    "total memory required exceeds the total physical memory available, thrashing will "
    "result--as evidenced by excessive disk activity and poor performance.",
    "   When the Maximum Image Size is smaller than the actual image size, a smaller, resampled "
    "image is created by averaging the values of several adjacent pixels to create each "
    "super-pixel.  This low-pass filters the image but can significantly improver performance.",
    "   The appropriate value for the Maximum Image Size must be determined emperically as it "
    "depends upon the system configuration, the images, and operator preferences.  Initially, set "
    "the Maximum Image Size so that the Total Memory Required is less than the Total Physical "
    "Memory.  Continue to decrese the Maximum Image Size until the best compromise between "
    "performance and image quality is achieved.",
};

template <size_t N>
QLabel* Note(const char* const (&paragraphs)[N], const char* name) {
  QStringList lines;
  for (const char* p : paragraphs) lines << QString::fromLatin1(p);
  auto* note = Named(new QLabel(lines.join(QLatin1Char('\n'))), name);
  note->setTextFormat(Qt::PlainText);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return note;
}

int64_t KBUp(uint64_t bytes) { return static_cast<int64_t>((bytes + 1023) / 1024); }

uint64_t PhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long size = sysconf(_SC_PAGESIZE);
  return pages > 0 && size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(size) : 0;
}

// A "Maximum Image Size (KB)" that the setting can hold, else nothing.
std::optional<int64_t> ImageSizeKB(const QString& text) {
  const std::optional<int32_t> v = forms::WholeNumber(text);
  if (!v || *v < 0 || *v > kLargestImageSizeKB) return std::nullopt;
  return *v;
}

}  // namespace

TProgramSettingsForm::TProgramSettingsForm(ViewerSettings& settings, ProgramSettingsTargets targets,
                                           DialogProviders dialogs, QWidget* parent)
    : SettingsDialog(QStringLiteral("Viewer Settings"), 319, 313, parent),
      settings_(settings),
      targets_(std::move(targets)),
      dialogs_(std::move(dialogs)) {
  Pages()->addTab(BuildMemoryPage(), QStringLiteral("&Memory"));
  Pages()->addTab(BuildUnitsPage(), QStringLiteral("&Units"));
  Pages()->addTab(BuildMainDisplayPage(), QStringLiteral("&Main Display"));
  Pages()->addTab(BuildHistogramPage(), QStringLiteral("&Histogram"));
  Pages()->addTab(BuildColorizePage(), QStringLiteral("Colorize"));

  // Creation: unit names, memory figures, the saved ramps, then the values.
  for (int i = 0; i < 5; ++i) cbUnits_->addItem(QString::fromLatin1(UnitName(i)));
  tTotalMem_->setText(
      QString::number(KBUp(targets_.memoryInUse) + KBUp(static_cast<uint32_t>(settings_.maxImageSize))));
  tPhysMem_->setText(QString::number(KBUp(PhysicalMemory())));
  saved_ = targets_.viewer ? targets_.viewer->Core().GetColorInfo() : kDefaultColorInfo;
  LoadControls();
  FitToContents();
}

QWidget* TProgramSettingsForm::BuildMemoryPage() {
  auto* page = new QWidget;
  eImageSize_ = Named(new QLineEdit(QStringLiteral("0")), "eImageSize");
  tTotalMem_ = Named(new QLabel, "tTotalMem");
  tPhysMem_ = Named(new QLabel, "tPhysMem");
  connect(eImageSize_, &QLineEdit::textChanged, this, [this] { ImageSizeChange(); });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Maximum Image Size (KB)"), eImageSize_);
  form->addRow(QStringLiteral("Total Memory Required"), tTotalMem_);
  form->addRow(QStringLiteral("Total Physical Memory"), tPhysMem_);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(form);
  layout->addWidget(Note(kMemoryNote, "MemoryNote"), 1);
  return page;
}

QWidget* TProgramSettingsForm::BuildUnitsPage() {
  auto* page = new QWidget;
  cbUnits_ = Named(new QComboBox, "cbUnits");
  connect(cbUnits_, &QComboBox::currentIndexChanged, this, [this] { SomethingChanged(); });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Unit of Measure"), cbUnits_);
  auto* layout = new QVBoxLayout(page);
  layout->addLayout(form);
  layout->addWidget(Note(kUnitsNote, "UnitsNote"), 1);
  return page;
}

ColorPanel* TProgramSettingsForm::MakeColorPanel(const char* name) {
  auto* panel = Named(new ColorPanel, name);
  connect(panel, &QPushButton::clicked, this, [this, panel] {
    if (!dialogs_.color) return;
    if (std::optional<uint32_t> chosen = dialogs_.color(panel->Value(), this)) {
      panel->SetValue(*chosen);
      SomethingChanged();
    }
  });
  return panel;
}

FontPanel* TProgramSettingsForm::MakeFontPanel(const char* name) {
  auto* panel = Named(new FontPanel, name);
  connect(panel, &QPushButton::clicked, this, [this, panel] {
    if (!dialogs_.font) return;
    if (std::optional<FontChoice> chosen = dialogs_.font(panel->Choice(), this)) {
      panel->SetChoice(*chosen);
      SomethingChanged();
    }
  });
  return panel;
}

QWidget* TProgramSettingsForm::BuildMainDisplayPage() {
  auto* page = new QWidget;
  udMaxScale_ = Named(new EntrySpinBox, "udMaxScale");
  udMaxScale_->setRange(1, kLargestMaxScale);
  connect(udMaxScale_, &QSpinBox::valueChanged, this, [this] { SomethingChanged(); });
  pMainColor_ = MakeColorPanel("pMainColor");
  pMainPen_ = MakeColorPanel("pMainPen");
  pMainFont_ = MakeFontPanel("pMainFont");
  // The sample text follows the background chosen beside it.
  connect(pMainColor_, &QPushButton::clicked, this, [this] { pMainFont_->SetBackground(pMainColor_->Value()); });
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("Maximum Scale Factor"), udMaxScale_);
  form->addRow(QStringLiteral("Background Color"), pMainColor_);
  form->addRow(QStringLiteral("Drawing Color"), pMainPen_);
  form->addRow(QStringLiteral("Text Font"), pMainFont_);
  return page;
}

QWidget* TProgramSettingsForm::BuildHistogramPage() {
  auto* page = new QWidget;
  pHistogramColor_ = MakeColorPanel("pHistogramColor");
  pHistogramPen_ = MakeColorPanel("pHistogramPen");
  pHistogramFont_ = MakeFontPanel("pHistogramFont");
  udLUTSize_ = Named(new EntrySpinBox, "udLUTSize");
  udLUTSize_->setRange(0, kLargestLUTWidth);
  connect(udLUTSize_, &QSpinBox::valueChanged, this, [this] { SomethingChanged(); });
  pHistogramLUT_ = MakeColorPanel("pHistogramLUT");
  pHistogramBackground_ = MakeColorPanel("pHistogramBackground");
  auto* bar = new QHBoxLayout;
  bar->addWidget(pHistogramLUT_);
  bar->addWidget(new QLabel(QStringLiteral("on")));
  bar->addWidget(pHistogramBackground_);
  auto* form = new QFormLayout(page);
  form->addRow(QStringLiteral("Background Color"), pHistogramColor_);
  form->addRow(QStringLiteral("Drawing Color"), pHistogramPen_);
  form->addRow(QStringLiteral("Text Font"), pHistogramFont_);
  form->addRow(QStringLiteral("Histogram LUT Size"), udLUTSize_);
  form->addRow(QStringLiteral("Histogram LUT"), bar);
  return page;
}

QWidget* TProgramSettingsForm::BuildColorizePage() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  const char* const panels[] = {"Red Intensity", "Green Intensity", "Blue Intensity"};
  const char* const names[3][3] = {{"sbRCenter", "sbRRange", "sbRIntensity"},
                                   {"sbGCenter", "sbGRange", "sbGIntensity"},
                                   {"sbBCenter", "sbBRange", "sbBIntensity"}};
  // The labels of all three panels share one width, so the nine bars start
  // and end in line.
  std::vector<QLabel*> labels;
  for (int colour = 0; colour < 3; ++colour) {
    auto* box = new QGroupBox;
    auto* form = new QFormLayout(box);
    // Shown intensity first; kept in the colour information order.
    const int shown[] = {2, 0, 1};
    for (int part : shown) {
      auto* bar = Named(new QScrollBar(Qt::Horizontal), names[colour][part]);
      bar->setRange(0, 255);
      bar->setPageStep(part == 2 ? 8 : 10);
      connect(bar, &QScrollBar::valueChanged, this, [this] { ColorChange(); });
      ramps_[colour * 3 + part] = bar;
      auto* label = new QLabel(QString::fromLatin1(part == 2 ? panels[colour] : part == 0 ? "Center" : "Range"));
      labels.push_back(label);
      form->addRow(label, bar);
    }
    layout->addWidget(box);
  }
  int widest = 0;
  for (QLabel* label : labels) widest = std::max(widest, label->sizeHint().width());
  for (QLabel* label : labels) label->setFixedWidth(widest);
  return page;
}

void TProgramSettingsForm::LoadControls() {
  imageSizeKB_ = KBUp(static_cast<uint32_t>(settings_.maxImageSize));
  eImageSize_->setText(QString::number(imageSizeKB_));
  cbUnits_->setCurrentIndex(settings_.units <= 4 ? settings_.units : 0);
  udMaxScale_->setValue(settings_.maxScale);

  if (const TImageViewer* viewer = targets_.viewer) {
    pMainColor_->SetValue(viewer->GetColorValue());
    pMainPen_->SetValue(viewer->GetPenColorValue());
    pMainFont_->SetChoice({viewer->font(), viewer->FontColor});
    pMainFont_->SetBackground(viewer->GetColorValue());
  }
  udLUTSize_->setValue(settings_.lutWidth);
  if (const THistogram* histogram = targets_.histogram) {
    pHistogramColor_->SetValue(histogram->Color);
    pHistogramPen_->SetValue(histogram->DataColor);
    pHistogramFont_->SetChoice({histogram->font(), histogram->FontColor});
    pHistogramLUT_->SetValue(histogram->LUTColor);
    pHistogramBackground_->SetValue(histogram->LUTBackground);
  }
  for (size_t i = 0; i < ramps_.size(); ++i) {
    const QSignalBlocker block(ramps_[i]);
    ramps_[i]->setValue(saved_[i]);
  }
  ChangesStored();
}

void TProgramSettingsForm::ImageSizeChange() {
  const int64_t v = ImageSizeKB(eImageSize_->text()).value_or(imageSizeKB_);
  imageSizeKB_ = v;
  if (v != KBUp(static_cast<uint32_t>(settings_.maxImageSize))) SomethingChanged();
  tTotalMem_->setText(QString::number(KBUp(targets_.memoryInUse) + v));
}

ColorInfo TProgramSettingsForm::ScrollPositions() const {
  ColorInfo info{};
  for (size_t i = 0; i < ramps_.size(); ++i) info[i] = static_cast<uint8_t>(ramps_[i]->value());
  return info;
}

void TProgramSettingsForm::ColorChange() {
  if (targets_.viewer) targets_.viewer->SetColorInfo(ScrollPositions());
  SomethingChanged();
}

bool TProgramSettingsForm::CheckEntries() {
  if (!ImageSizeKB(eImageSize_->text()))
    return Refuse(eImageSize_, QStringLiteral("Maximum Image Size (KB)"), eImageSize_->text(),
                  QStringLiteral("a whole number from 0 to %1").arg(kLargestImageSizeKB));
  const std::pair<EntrySpinBox*, const char*> spins[] = {{udMaxScale_, "Maximum Scale Factor"},
                                                         {udLUTSize_, "Histogram LUT Size"}};
  for (const auto& [spin, label] : spins)
    if (!spin->HoldsValue())
      return Refuse(spin, QString::fromLatin1(label), spin->text(),
                    QStringLiteral("a whole number from %1 to %2").arg(spin->minimum()).arg(spin->maximum()));
  return true;
}

void TProgramSettingsForm::StoreControls() {
  const int64_t kb = ImageSizeKB(eImageSize_->text()).value_or(imageSizeKB_);
  settings_.maxImageSize = static_cast<int32_t>(static_cast<uint32_t>(kb * 1024));
  settings_.units = static_cast<uint8_t>(std::max(0, cbUnits_->currentIndex()));
  // The display reads the limit at each zoom and grows its render buffer
  // for it at the next render.
  settings_.maxScale = udMaxScale_->value();

  if (TImageViewer* viewer = targets_.viewer) {
    viewer->SetColorValue(pMainColor_->Value());
    viewer->FontColor = pMainFont_->Choice().color;
    viewer->setFont(pMainFont_->Choice().font);
    viewer->SetPenColorValue(pMainPen_->Value());
    viewer->viewport()->update();
  }
  settings_.lutWidth = udLUTSize_->value();
  if (THistogram* histogram = targets_.histogram) {
    histogram->Color = pHistogramColor_->Value();
    histogram->DataColor = pHistogramPen_->Value();
    histogram->FontColor = pHistogramFont_->Choice().color;
    histogram->setFont(pHistogramFont_->Choice().font);
    histogram->LUTColor = pHistogramLUT_->Value();
    histogram->LUTBackground = pHistogramBackground_->Value();
    histogram->update();
  }
  saved_ = ScrollPositions();
  if (targets_.viewer) targets_.viewer->SetColorInfo(saved_);
  if (targets_.updateControls) targets_.updateControls();
  ChangesStored();
}

void TProgramSettingsForm::reject() {
  // Undo a preview of the ramps not yet applied.
  if (targets_.viewer) targets_.viewer->SetColorInfo(saved_);
  QDialog::reject();
}

}  // namespace viewer
