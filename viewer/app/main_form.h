#pragma once
// TMainForm: the viewer's only long-lived window. It owns the one image,
// shows it in the display control and the histogram, offers every command
// as an action (menu, tool bar, pop-ups), runs the file flows, keeps the
// "modified" state, the status bar, the sliders, the histogram and the
// display's tone window in step, and routes the display's mouse to the
// region, profile and measurement tools. Its controls carry object names
// (the field names of the form) so that they can be found by name.
#include <QMainWindow>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "viewer/app/actions.h"
#include "viewer/app/appearance.h"
#include "viewer/app/image_tools.h"
#include "viewer/app/prompts.h"
#include "viewer/app/tool_geometry.h"
#include "viewer/core/image.h"
#include "viewer/core/settings.h"
#include "viewer/forms/dialog_providers.h"
#include "viewer/forms/entry_check.h"
#include "viewer/widgets/histogram.h"
#include "viewer/widgets/image_viewer.h"
#include "viewer/widgets/scale_edit.h"

class QDialog;
class QLabel;
class QMenu;
class QSlider;
class QSplitter;
class QToolBar;

namespace viewer {

class TMainForm : public QMainWindow {
 public:
  // Creation: controls with their layout values, the image, the captured
  // appearance defaults and the stored appearance (FormCreate). The
  // settings record and the prompts outlive the window.
  TMainForm(ViewerSettings& settings, Prompts& prompts, QWidget* parent = nullptr);
  // Destruction stores the appearance (FormDestroy).
  ~TMainForm() override;

  // The rest of the start: the command-line file when given, else an empty
  // view; then the first render and the memory baseline.
  void Start(const std::optional<std::string>& fileName);

  // How the dialogs are shown modally (default: exec) and the colour and
  // font dialogs of the program settings; tests answer them without a loop.
  using ModalRunner = std::function<int(QDialog&)>;
  void SetModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
  void SetDialogProviders(DialogProviders dialogs) { dialogs_ = std::move(dialogs); }

 protected:
  bool event(QEvent* event) override;

 private:
  // ---- Commands (the actions run these) ----
  void OpenExecute();
  void OpenAccept(const std::string& fileName);
  void OpenPictureExecute();
  void OpenPictureAccept(const std::string& fileName);
  void SaveExecute();
  void SaveAsExecute();
  void SaveAsAccept(const SaveChoice& choice);
  void SaveROIAsExecute();
  void CloseExecute();
  void CropToRegionExecute();
  void CreateTestPatternExecute();
  void ZoomImageExecute();
  void ZoomROIExecute();
  void ZoomInExecute();
  void ZoomOutExecute();
  void CenterExecute();
  void NegativeExecute();
  void PositiveExecute();
  void PsuedocolorExecute();
  void AllTonesExecute();
  void ImageTonesExecute();
  void ROITonesExecute();
  void LowToneExecute();
  void HighToneExecute();
  void DisplayAllExecute();
  void DisplayImageExecute();
  void DisplayCurrentExecute();
  void DisplayLowExecute();
  void DisplayHighExecute();
  void PanelToolExecute();  // CAndB, Histogram
  void NewToolExecute();  // Region, Profile, Measurement
  void MeanValueExecute();

  // ---- The forms' commands (main_form_dialogs.cpp) ----
  // Each creates its dialog, shows it modally and frees it.
  void ImageSettingsExecute();
  void ProgramSettingsExecute();
  void ResolutionExecute();
  void AboutProgramExecute();
  void AboutBitmapExecute();
  void AboutImageExecute();

  void UpdateControls();
  void UpdateStatusBar();
  void ResetView();

  // ---- Appearance (main_form_appearance.cpp) ----
  void CaptureDefaults();
  void LoadSettings();
  void SaveSettings();
  // The 15 values as the controls show them now.
  Appearance CurrentAppearance() const;
  void ApplyAppearance(const Appearance& appearance);

  void SetModified(bool modified);
  // The region of interest shared by its users.
  Rect Roi() const { return regionTool_.Region(); }

  // The save dialog's filters with their extensions and file types.
  static const std::vector<FileFilter>& SaveFilters();
  static QString SaveExtension(int filterIndex);
  static uint32_t SaveFileType(int filterIndex);
  // The name with ext appended when it has no extension of its own.
  static std::string AddDefaultExt(const std::string& name, const QString& ext);

  void CreateControls();
  void CreateMenus();
  void CreateToolBar();
  void ConnectActions();
  void ConnectControls();
  void CAndBPanelResize();
  // Shows or hides the slider and histogram panels at their kept heights.
  void ShowPanels(bool candb, bool lut);

  // Busy work: hourglass and a text in panel 2.
  void BeginBusy(const QString& text);
  void EndBusy();
  void OpenFile(const std::string& fileName, bool picture);
  // Before a modified image goes: asks whether to save its changes and
  // saves them on Yes. False when the user cancels or the save does not
  // happen; the command then leaves everything as it was.
  bool SaveOrDropChanges();
  // Frees the pixels of the image shown, in the image and the controls.
  void ReleaseImage();
  // Before the image is written as fileType: when the format cannot hold
  // some of its facts, asks whether to write it without them.
  bool AcceptLostFacts(uint32_t fileType, const std::string& name);
  // The save dialog, the extension added, the guard asked (true: refused)
  // and an existing file confirmed.
  using SaveGuard = std::function<bool(const SaveChoice& choice, const std::string& name)>;
  std::optional<SaveChoice> ChooseSaveName(std::string& name, const SaveGuard& refuse = nullptr);
  // The folder of the image's file (empty without one): the file dialogs
  // start there.
  std::string ImageFolder() const;
  // The image's origin moved from before's (a save into a format without
  // one, the image settings): the tools' points follow it.
  void FollowOrigin(const ScanInfo& before);

  void ImageChanged();
  void ImageViewerDataChange();
  void ImageViewerLUTChanged();
  void ImageViewerViewChange();
  void ContrastValueChange();
  void BrightnessValueChange();
  void LUTHistogramLUTChange();
  void LUTHistogramMouseDown(QMouseEvent* event);
  void LUTHistogramMouseMove(QMouseEvent* event);
  void LUTHistogramMouseUp(QMouseEvent* event);
  void ScaleEditChange();
  void SetMapping();

  // Tools (main_form_tools.cpp).
  std::array<ImageTool*, 3> Tools();
  // The tool of the checked action; none when no tool is checked.
  ImageTool* CurrentTool();
  // The tool whose drag is in progress.
  ImageTool* DraggingTool();
  Point FullPointAt(const QMouseEvent* event) const;
  void ImageViewerMouseDown(QMouseEvent* event);
  void ImageViewerMouseMove(QMouseEvent* event);
  void ImageViewerMouseUp(QMouseEvent* event);
  void ImageViewerPaint();
  // The image's origin moved: the tools' points follow it.
  void ShiftTools(int32_t dx, int32_t dy);
  // After a crop: the region is cut to the image, lines off it are dropped.
  void KeepToolsInImage();

  int ShowModal(QDialog& dialog);
  // A form's refused entry is said in an error box of the prompts.
  RefusalNotice RefusalBox();

  ViewerSettings* settings_;
  Prompts* prompts_;
  ModalRunner modalRunner_;
  DialogProviders dialogs_ = StandardDialogs();
  MainActions actions_;
  CImage image_;
  Appearance defaults_;

  TImageViewer* imageViewer_ = nullptr;
  THistogram* histogram_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* candbPanel_ = nullptr;
  QWidget* lutPanel_ = nullptr;
  QSlider* contrastValue_ = nullptr;
  QSlider* brightnessValue_ = nullptr;
  QLabel* contrastLabel_ = nullptr;
  QLabel* brightnessLabel_ = nullptr;
  QLabel* panels_[3] = {nullptr, nullptr, nullptr};
  QToolBar* toolBar_ = nullptr;
  QLabel* scaleLabel_ = nullptr;
  ScaleEdit* scaleEdit_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QMenu* colorMenu_ = nullptr;
  QMenu* imageMenu_ = nullptr;
  QMenu* candbMenu_ = nullptr;
  QMenu* lutMenu_ = nullptr;

  bool modified_ = false;
  bool lutGuard_ = false;
  // Full-resolution image point of the last mouse move over the image.
  Point cursorPoint_;
  RegionTool regionTool_;
  ProfileTool profileTool_;
  MeasurementTool measurementTool_;
  uint16_t cursorTone_ = 0;
  uint16_t toneLow_ = 0, toneHigh_ = 0;
  bool histogramDragging_ = false;
  size_t memoryBaseline_ = 0;
  // Heights of the slider and the histogram panel, kept while hidden.
  int panelHeights_[2] = {57, 81};
};

}  // namespace viewer
