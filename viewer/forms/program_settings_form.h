#pragma once
// TProgramSettingsForm ("Viewer Settings"): the program-wide settings (the
// maximum image size, units, scale limit, LUT bar size), the colours and
// fonts of the display control and the histogram, and the pseudocolour
// ramps, which act on the display control at once and are undone by Cancel.
#include <array>
#include <cstdint>
#include <functional>

#include "viewer/core/display_core.h"
#include "viewer/core/settings.h"
#include "viewer/forms/dialog_providers.h"
#include "viewer/forms/settings_dialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QSpinBox;

namespace viewer {

class TImageViewer;
class THistogram;
class ColorPanel;
class FontPanel;

// The controls the form changes (not owned): colours, fonts, pseudocolour
// ramps of the display control; colours and font of the histogram.
struct ProgramSettingsTargets {
  TImageViewer* viewer = nullptr;
  THistogram* histogram = nullptr;
  // Bytes in use when the main window was made (start-up memory + heap).
  uint64_t memoryInUse = 0;
  // The main window's UpdateControls, run after every store.
  std::function<void()> updateControls;
};

class TProgramSettingsForm : public SettingsDialog {
 public:
  // The settings record outlives the form; it changes on OK and Apply.
  TProgramSettingsForm(ViewerSettings& settings, ProgramSettingsTargets targets, DialogProviders dialogs,
                       QWidget* parent = nullptr);

  void LoadControls() override;
  void StoreControls() override;
  // The image size, scale limit and LUT size are whole numbers in range.
  bool CheckEntries() override;

  void reject() override;  // Cancel, Escape and the close box

 private:
  QWidget* BuildMemoryPage();
  QWidget* BuildUnitsPage();
  QWidget* BuildMainDisplayPage();
  QWidget* BuildHistogramPage();
  QWidget* BuildColorizePage();
  ColorPanel* MakeColorPanel(const char* name);
  FontPanel* MakeFontPanel(const char* name);
  void ImageSizeChange();
  void ColorChange();
  ColorInfo ScrollPositions() const;

  ViewerSettings& settings_;
  ProgramSettingsTargets targets_;
  DialogProviders dialogs_;
  ColorInfo saved_{};  // the pseudocolour bytes last stored
  int64_t imageSizeKB_ = 0;  // the last valid "Maximum Image Size (KB)"

  QLineEdit* eImageSize_;
  QLabel* tTotalMem_;
  QLabel* tPhysMem_;
  QComboBox* cbUnits_;
  EntrySpinBox* udMaxScale_;
  ColorPanel* pMainColor_;
  ColorPanel* pMainPen_;
  FontPanel* pMainFont_;
  ColorPanel* pHistogramColor_;
  ColorPanel* pHistogramPen_;
  FontPanel* pHistogramFont_;
  EntrySpinBox* udLUTSize_;
  ColorPanel* pHistogramLUT_;
  ColorPanel* pHistogramBackground_;
  // Centre, range, intensity of red, green, blue: the colour information order.
  std::array<QScrollBar*, 9> ramps_{};
};

}  // namespace viewer
