#include "viewer/app/main_form.h"

#include <malloc.h>

#include <algorithm>
#include <cstdlib>

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QVBoxLayout>

#include "viewer/app/tool_icons.h"

namespace viewer {
namespace {

constexpr int kCAndBHeight = 57;
constexpr int kLUTHeight = 81;
constexpr int kSliderLeft = 8;
constexpr int kSliderTop = 4;
// The splitter shrinks a panel to this height at the least.
constexpr int kPanelMinimum = 8;
constexpr int kPanelPadding = 4;  // each side of a status panel's widest text

QFont DesignFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  return font;
}

// A panel below the splitter, sized by it; it reports its resizes.
class Panel : public QWidget {
 public:
  explicit Panel(QWidget* parent) : QWidget(parent) { setMinimumHeight(kPanelMinimum); }
  std::function<void()> OnResize;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (OnResize) OnResize();
  }
};

QSlider* TrackBar(QWidget* parent, int position, const char* hint) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setRange(0, 100);
  slider->setPageStep(5);
  slider->setTickInterval(5);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setValue(position);
  const QString text = QString::fromLatin1(hint);
  slider->setToolTip(text.section('|', 0, 0));
  slider->setStatusTip(text.section('|', 1));
  return slider;
}

}  // namespace

TMainForm::TMainForm(ViewerSettings& settings, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      settings_(&settings),
      prompts_(&prompts),
      image_(settings),
      profileTool_(image_),
      measurementTool_(settings) {
  setWindowTitle(QStringLiteral("Vornix Image Viewer"));
  setFont(DesignFont());
  actions_.Create(this);
  CreateControls();
  CreateMenus();
  CreateToolBar();
  ConnectActions();
  ConnectControls();
  resize(688, 438);

  // FormCreate: the hint handler is event(); then the image, the captured
  // defaults and the stored appearance.
  image_.OnChange = [this](CImage*) { ImageChanged(); };
  CaptureDefaults();
  LoadSettings();
}

TMainForm::~TMainForm() {
  SaveSettings();
  image_.OnChange = nullptr;
  // The controls let go of the pixels before the image frees them.
  imageViewer_->OnDataChange = nullptr;
  imageViewer_->SetData(ImageRecord{});
}

void TMainForm::Start(const std::optional<std::string>& fileName) {
  if (fileName) {
    OpenAccept(*fileName);
  } else {
    modified_ = false;
    ResetView();
    UpdateControls();
  }
  imageViewer_->viewport()->repaint();
  memoryBaseline_ = mallinfo2().uordblks;
}

void TMainForm::CreateControls() {
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  splitter_ = new QSplitter(Qt::Vertical, central);
  splitter_->setObjectName(QStringLiteral("Splitter"));
  splitter_->setHandleWidth(3);
  splitter_->setChildrenCollapsible(false);
  layout->addWidget(splitter_);

  imageViewer_ = new TImageViewer(splitter_, *settings_);
  imageViewer_->setObjectName(QStringLiteral("ImageViewer"));
  imageViewer_->SetColorValue(0x00800000);  // navy
  imageViewer_->FontColor = 0x00008080;  // olive
  imageViewer_->setFont(DesignFont());
  imageViewer_->SetPenColorValue(0x0000FFFF);  // yellow, drawn as screen and not pen
  imageViewer_->SetMapping(mPositive);
  imageViewer_->setContextMenuPolicy(Qt::CustomContextMenu);

  auto* candb = new Panel(splitter_);
  candb->setContextMenuPolicy(Qt::CustomContextMenu);
  candbPanel_ = candb;
  candbPanel_->setObjectName(QStringLiteral("CAndBPanel"));
  contrastValue_ = TrackBar(candb, 0, "Contrast|Drag the slider to adjust the contrast of the image");
  brightnessValue_ = TrackBar(candb, 50, "Brightness|Drag the slider to adjust the brightness of the image");
  contrastLabel_ = new QLabel(QStringLiteral("Contrast 0%"), candb);
  brightnessLabel_ = new QLabel(QStringLiteral("Brightness 50%"), candb);
  for (QLabel* label : {contrastLabel_, brightnessLabel_}) label->setAlignment(Qt::AlignCenter);
  contrastValue_->setObjectName(QStringLiteral("ContrastValue"));
  brightnessValue_->setObjectName(QStringLiteral("BrightnessValue"));
  contrastLabel_->setObjectName(QStringLiteral("ContrastLabel"));
  brightnessLabel_->setObjectName(QStringLiteral("BrightnessLabel"));
  candb->OnResize = [this] { CAndBPanelResize(); };

  lutPanel_ = new Panel(splitter_);
  lutPanel_->setObjectName(QStringLiteral("LUTPanel"));
  lutPanel_->setContextMenuPolicy(Qt::CustomContextMenu);
  auto* lutLayout = new QHBoxLayout(lutPanel_);
  lutLayout->setContentsMargins(0, 0, 0, 0);
  histogram_ = new THistogram(lutPanel_, *settings_);
  histogram_->setObjectName(QStringLiteral("LUTHistogram"));
  histogram_->DataColor = 0x00FF0000;  // blue
  histogram_->LUTColor = 0x0000FFFF;  // yellow
  histogram_->LUTBackground = kClBtnShadow;
  histogram_->Color = kClBtnFace;
  histogram_->FontColor = kClWindowText;
  lutLayout->addWidget(histogram_);

  splitter_->addWidget(imageViewer_);
  splitter_->addWidget(candbPanel_);
  splitter_->addWidget(lutPanel_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  splitter_->setStretchFactor(2, 0);
  // The panels start at their design heights; then the splitter keeps the
  // height the user gave each, also while it is hidden.
  splitter_->setSizes({kCAndBHeight + kLUTHeight, kCAndBHeight, kLUTHeight});
  // Heights the user drags the panels to are kept for their next showing.
  connect(splitter_, &QSplitter::splitterMoved, this, [this] {
    if (candbPanel_->isVisible()) panelHeights_[0] = candbPanel_->height();
    if (lutPanel_->isVisible()) panelHeights_[1] = lutPanel_->height();
  });
  candbPanel_->hide();
  lutPanel_->hide();
  setCentralWidget(central);

  // Panels 0 and 1 keep their design widths unless a text they show needs more.
  const int widths[3] = {150, 50, 0};
  const QString widest[3] = {QString(), QStringLiteral("(modified)"), QString()};
  for (int i = 0; i < 3; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    if (widths[i]) {
      panels_[i]->setText(widest[i]);
      panels_[i]->setFixedWidth(std::max(widths[i], panels_[i]->sizeHint().width() + 2 * kPanelPadding));
      panels_[i]->clear();
      panels_[i]->setAlignment(Qt::AlignCenter);
      statusBar()->addWidget(panels_[i]);
    } else {
      statusBar()->addWidget(panels_[i], 1);
    }
  }
}

void TMainForm::CreateMenus() {
  MainActions& a = actions_;
  QMenuBar* bar = menuBar();
  auto fill = [](QMenu* menu, std::initializer_list<QAction*> items) {
    for (QAction* item : items) {
      if (item)
        menu->addAction(item);
      else
        menu->addSeparator();
    }
  };
  fill(bar->addMenu(QStringLiteral("&File")),
       {a.Open, a.OpenPicture, a.Save, a.SaveAs, a.SaveROIAs, a.Close, nullptr, a.ExitProgram});
  fill(bar->addMenu(QStringLiteral("&Edit")), {a.CropToRegion, nullptr, a.ProgramSettings, a.ImageSettings});
  viewMenu_ = bar->addMenu(QStringLiteral("&View"));
  fill(viewMenu_, {a.ZoomImage, a.ZoomROI, a.ZoomIn, a.ZoomOut});
  colorMenu_ = bar->addMenu(QStringLiteral("&Color"));
  fill(colorMenu_, {a.Negative, a.Positive, nullptr, a.Psuedocolor, nullptr, a.AllTones, a.ImageTones, a.ROITones});
  fill(bar->addMenu(QStringLiteral("&Tools")), {a.CreateTestPattern, nullptr, a.CAndB, a.Histogram, nullptr, a.Region,
                                                a.Profile, a.Measurement, nullptr, a.MeanValue, a.Resolution});
  fill(bar->addMenu(QStringLiteral("&Help")), {a.AboutProgram, a.AboutBitmap, a.AboutImage});

  imageMenu_ = new QMenu(this);
  imageMenu_->setObjectName(QStringLiteral("ImageMenu"));
  fill(imageMenu_, {a.CropToRegion, nullptr, a.Center, nullptr, a.ZoomImage, a.ZoomROI, a.ZoomIn, a.ZoomOut, nullptr,
                    a.Region, a.Profile, a.Measurement, nullptr, a.MeanValue, a.Resolution});
  candbMenu_ = new QMenu(this);
  candbMenu_->setObjectName(QStringLiteral("CAndBMenu"));
  fill(candbMenu_, {a.Negative, a.Positive, nullptr, a.Psuedocolor, nullptr, a.AllTones, a.ImageTones, a.ROITones,
                    nullptr, a.Histogram});
  lutMenu_ = new QMenu(this);
  lutMenu_->setObjectName(QStringLiteral("LUTMenu"));
  fill(lutMenu_, {a.Negative, a.Positive, nullptr, a.Psuedocolor, nullptr, a.AllTones, a.ImageTones, a.ROITones,
                  a.LowTone, a.HighTone, nullptr, a.DisplayAll, a.DisplayImage, a.DisplayCurrent, a.DisplayLow,
                  a.DisplayHigh, nullptr, a.CAndB});
}

void TMainForm::CreateToolBar() {
  MainActions& a = actions_;
  toolBar_ = addToolBar(QStringLiteral("ToolBar"));
  toolBar_->setObjectName(QStringLiteral("ToolBar"));
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(16, 16));
  toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
  // Each button shows its icon and has its caption as tool tip; the menus
  // stay as they are.
  const std::pair<QAction*, const char*> icons[] = {
      {a.Open, "open"},
      {a.Save, "save"},
      {a.SaveAs, "save_as"},
      {a.ImageSettings, "image_settings"},
      {a.ZoomIn, "zoom_in"},
      {a.ZoomOut, "zoom_out"},
      {a.Negative, "negative"},
      {a.Positive, "positive"},
      {a.Psuedocolor, "psuedocolor"},
      {a.CAndB, "contrast_brightness"},
      {a.Histogram, "histogram"},
      {a.Region, "region"},
      {a.Profile, "profile"},
      {a.Measurement, "measurement"},
      {a.MeanValue, "mean_value"},
      {a.Resolution, "resolution"},
  };
  for (const auto& [action, name] : icons) {
    action->setIcon(ToolIcon(name));
    action->setIconVisibleInMenu(false);
  }
  toolBar_->addActions({a.Open, a.Save, a.SaveAs});
  toolBar_->addSeparator();
  toolBar_->addAction(a.ImageSettings);
  toolBar_->addSeparator();
  toolBar_->addActions({a.ZoomIn, a.ZoomOut});
  scaleLabel_ = new QLabel(QStringLiteral("Scale"), toolBar_);
  scaleLabel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  toolBar_->addWidget(scaleLabel_);
  scaleEdit_ = new ScaleEdit(toolBar_);
  scaleEdit_->setFixedWidth(56);
  toolBar_->addWidget(scaleEdit_);
  toolBar_->addSeparator();
  toolBar_->addActions({a.Negative, a.Positive, a.Psuedocolor});
  toolBar_->addSeparator();
  toolBar_->addActions({a.CAndB, a.Histogram});
  toolBar_->addSeparator();
  toolBar_->addActions({a.Region, a.Profile, a.Measurement});
  toolBar_->addSeparator();
  toolBar_->addActions({a.MeanValue, a.Resolution});
}

void TMainForm::ConnectActions() {
  MainActions& a = actions_;
  const std::pair<QAction*, void (TMainForm::*)()> commands[] = {
      {a.ExitProgram, nullptr},
      {a.Open, &TMainForm::OpenExecute},
      {a.OpenPicture, &TMainForm::OpenPictureExecute},
      {a.Save, &TMainForm::SaveExecute},
      {a.SaveAs, &TMainForm::SaveAsExecute},
      {a.SaveROIAs, &TMainForm::SaveROIAsExecute},
      {a.Close, &TMainForm::CloseExecute},
      {a.CropToRegion, &TMainForm::CropToRegionExecute},
      {a.ImageSettings, &TMainForm::ImageSettingsExecute},
      {a.AboutImage, &TMainForm::AboutImageExecute},
      {a.CreateTestPattern, &TMainForm::CreateTestPatternExecute},
      {a.AboutProgram, &TMainForm::AboutProgramExecute},
      {a.AboutBitmap, &TMainForm::AboutBitmapExecute},
      {a.ProgramSettings, &TMainForm::ProgramSettingsExecute},
      {a.ZoomImage, &TMainForm::ZoomImageExecute},
      {a.ZoomROI, &TMainForm::ZoomROIExecute},
      {a.ZoomIn, &TMainForm::ZoomInExecute},
      {a.ZoomOut, &TMainForm::ZoomOutExecute},
      {a.Center, &TMainForm::CenterExecute},
      {a.Negative, &TMainForm::NegativeExecute},
      {a.Positive, &TMainForm::PositiveExecute},
      {a.Psuedocolor, &TMainForm::PsuedocolorExecute},
      {a.AllTones, &TMainForm::AllTonesExecute},
      {a.ImageTones, &TMainForm::ImageTonesExecute},
      {a.ROITones, &TMainForm::ROITonesExecute},
      {a.LowTone, &TMainForm::LowToneExecute},
      {a.HighTone, &TMainForm::HighToneExecute},
      {a.CAndB, &TMainForm::PanelToolExecute},
      {a.Histogram, &TMainForm::PanelToolExecute},
      {a.Region, &TMainForm::NewToolExecute},
      {a.Profile, &TMainForm::NewToolExecute},
      {a.Measurement, &TMainForm::NewToolExecute},
      {a.MeanValue, &TMainForm::MeanValueExecute},
      {a.Resolution, &TMainForm::ResolutionExecute},
      {a.DisplayAll, &TMainForm::DisplayAllExecute},
      {a.DisplayImage, &TMainForm::DisplayImageExecute},
      {a.DisplayCurrent, &TMainForm::DisplayCurrentExecute},
      {a.DisplayLow, &TMainForm::DisplayLowExecute},
      {a.DisplayHigh, &TMainForm::DisplayHighExecute},
  };
  for (const auto& [action, command] : commands) {
    if (!command) continue;
    connect(action, &QAction::triggered, this, [this, command = command] { (this->*command)(); });
  }
  // Ends the program; the close asks about unsaved changes first.
  connect(a.ExitProgram, &QAction::triggered, this, &QWidget::close);
}

void TMainForm::ConnectControls() {
  imageViewer_->OnDataChange = [this](TImageViewer*) { ImageViewerDataChange(); };
  imageViewer_->OnLUTChanged = [this](TImageViewer*) { ImageViewerLUTChanged(); };
  imageViewer_->OnColorChange = [this](TImageViewer*) { ImageViewerLUTChanged(); };
  imageViewer_->OnViewChange = [this](TImageViewer*) { ImageViewerViewChange(); };
  imageViewer_->OnPaint = [this](TImageViewer*) { ImageViewerPaint(); };
  imageViewer_->OnMouseDown = [this](TImageViewer*, QMouseEvent* e) { ImageViewerMouseDown(e); };
  imageViewer_->OnMouseMove = [this](TImageViewer*, QMouseEvent* e) { ImageViewerMouseMove(e); };
  imageViewer_->OnMouseUp = [this](TImageViewer*, QMouseEvent* e) { ImageViewerMouseUp(e); };
  histogram_->OnLUTChange = [this](THistogram*) { LUTHistogramLUTChange(); };
  histogram_->OnMouseDown = [this](THistogram*, QMouseEvent* e) { LUTHistogramMouseDown(e); };
  histogram_->OnMouseMove = [this](THistogram*, QMouseEvent* e) { LUTHistogramMouseMove(e); };
  histogram_->OnMouseUp = [this](THistogram*, QMouseEvent* e) { LUTHistogramMouseUp(e); };
  connect(contrastValue_, &QSlider::valueChanged, this, [this](int) { ContrastValueChange(); });
  connect(brightnessValue_, &QSlider::valueChanged, this, [this](int) { BrightnessValueChange(); });
  scaleEdit_->OnChange = [this] { ScaleEditChange(); };
  // The arrows zoom as Zoom In and Zoom Out do, whatever the text says.
  scaleEdit_->OnStep = [this](int steps) {
    for (int i = 0; i < std::abs(steps); ++i) steps > 0 ? ZoomInExecute() : ZoomOutExecute();
  };

  // The scroll area hears its viewport's context-menu requests.
  connect(imageViewer_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (!image_.IsEmpty()) imageMenu_->popup(imageViewer_->viewport()->mapToGlobal(at));
  });
  connect(candbPanel_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { candbMenu_->popup(candbPanel_->mapToGlobal(at)); });
  connect(lutPanel_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { lutMenu_->popup(lutPanel_->mapToGlobal(at)); });
}

void TMainForm::CAndBPanelResize() {
  const int half = candbPanel_->width() / 2;
  const int labelHeight = contrastLabel_->sizeHint().height();
  const int width = half - kSliderLeft;
  const int panelHeight = candbPanel_->height();
  int barHeight;
  if (panelHeight < 3 * labelHeight) {
    barHeight = panelHeight - kSliderTop;
    contrastLabel_->hide();
    brightnessLabel_->hide();
  } else {
    barHeight = panelHeight - kSliderTop - labelHeight;
    contrastLabel_->setGeometry(kSliderLeft, barHeight + kSliderTop, width, labelHeight);
    brightnessLabel_->setGeometry(half, barHeight + kSliderTop, width, labelHeight);
    contrastLabel_->show();
    brightnessLabel_->show();
  }
  contrastValue_->setGeometry(kSliderLeft, kSliderTop, width, barHeight);
  brightnessValue_->setGeometry(half, kSliderTop, width, barHeight);
}

bool TMainForm::event(QEvent* e) {
  // The hint handler: long hints go to panel 2, an empty hint restores it.
  if (e->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
    if (tip.isEmpty())
      UpdateStatusBar();
    else
      panels_[2]->setText(tip.contains('|') ? tip.section('|', 1) : tip);
    return true;
  }
  // However the window is closed, a modified image is asked about first.
  if (e->type() == QEvent::Close && !SaveOrDropChanges()) {
    e->ignore();
    return true;
  }
  return QMainWindow::event(e);
}

void TMainForm::SetModified(bool modified) {
  modified_ = modified;
  UpdateControls();
}

void TMainForm::BeginBusy(const QString& text) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  if (text.isNull()) return;
  panels_[2]->setText(text);
  panels_[2]->repaint();
}

void TMainForm::EndBusy() { QApplication::restoreOverrideCursor(); }

void TMainForm::UpdateStatusBar() {
  if (image_.IsEmpty()) {
    panels_[1]->clear();
    panels_[2]->clear();
    return;
  }
  panels_[1]->setText(modified_ ? QStringLiteral("(modified)") : QString());
  panels_[2]->setText(QString::fromLocal8Bit(image_.FileName().c_str()));
}

void TMainForm::ResetView() {
  actions_.Negative->setChecked(true);
  actions_.Psuedocolor->setChecked(false);
  imageViewer_->SetMapping(mNegative);
  const ScanInfo& info = image_.GetScanInfo();
  regionTool_.SetRegion({static_cast<int32_t>(info.originX), static_cast<int32_t>(info.originY),
                         static_cast<int32_t>(int64_t{info.originX} + info.width - 1),
                         static_cast<int32_t>(int64_t{info.originY} + info.height - 1)});
  profileTool_.ClearLine();
  measurementTool_.ClearLine();
}

void TMainForm::UpdateControls() {
  const MainActions& a = actions_;
  const bool image = !image_.IsEmpty();
  const bool region = a.Region->isChecked();
  const bool full = image_.Sampling() == 1;
  const uint32_t type = image_.FileType();
  a.Save->setEnabled(image && modified_ && image_.HasFileName() && full);
  a.SaveAs->setEnabled(image && full);
  a.SaveROIAs->setEnabled(image && region &&
                          (type == kFileRaw || type == kFileBreadboard || (type >= kFileTiff16v0 && type <= kFileQew)));
  for (QAction* act : {a.CropToRegion, a.ZoomROI, a.ROITones, a.MeanValue}) act->setEnabled(image && region);
  a.Resolution->setEnabled(image && region);
  a.ZoomIn->setEnabled(image && imageViewer_->Core().Scale() < settings_->maxScale);
  for (QAction* act : {a.Close, a.ZoomImage, a.ZoomOut, a.Negative, a.Positive, a.Psuedocolor, a.AllTones, a.ImageTones,
                       a.CAndB, a.Histogram, a.Region, a.Profile, a.Measurement})
    act->setEnabled(image);
  a.ImageSettings->setEnabled(image);
  a.AboutImage->setEnabled(image);
  for (QAction* act : {a.ProgramSettings, a.AboutProgram, a.AboutBitmap}) act->setEnabled(true);
  viewMenu_->setEnabled(image);
  viewMenu_->menuAction()->setEnabled(image);
  colorMenu_->menuAction()->setEnabled(image);
  scaleEdit_->setEnabled(image);
  scaleEdit_->SetStepsEnabled(a.ZoomIn->isEnabled(),
                              image && imageViewer_->Core().Scale() > imageViewer_->Core().MinScale());

  QPalette labelPalette = scaleLabel_->palette();
  labelPalette.setColor(QPalette::WindowText,
                        image ? palette().color(QPalette::WindowText) : ResolveColor(kClGrayText));
  scaleLabel_->setPalette(labelPalette);
  QPalette editPalette = scaleEdit_->palette();
  editPalette.setColor(QPalette::Base, image ? ResolveColor(kClWindow) : palette().color(QPalette::Window));
  scaleEdit_->setPalette(editPalette);

  const bool candb = image && a.CAndB->isChecked();
  const bool lut = image && a.Histogram->isChecked();
  // Shown and hidden together, so the splitter re-aligns once.
  setUpdatesEnabled(false);
  ShowPanels(candb, lut);
  setUpdatesEnabled(true);
  UpdateStatusBar();
}

void TMainForm::ShowPanels(bool candb, bool lut) {
  if (candbPanel_->isHidden() != candb && lutPanel_->isHidden() != lut) return;
  // A panel that goes keeps its height for its return; each shown panel
  // gets the height it last had and the image the rest.
  if (candbPanel_->isVisible()) panelHeights_[0] = candbPanel_->height();
  if (lutPanel_->isVisible()) panelHeights_[1] = lutPanel_->height();
  const QList<int> before = splitter_->sizes();
  int total = 0;
  for (int size : before) total += size;
  candbPanel_->setVisible(candb);
  lutPanel_->setVisible(lut);
  const int c = candb ? panelHeights_[0] : 0, l = lut ? panelHeights_[1] : 0;
  if (total > 0) splitter_->setSizes({std::max(kPanelMinimum, total - c - l), c, l});
}

}  // namespace viewer
