#pragma once
// Every command of the main window as an action, with its caption, access
// key, shortcut and hints (short: tool tip; long: status panel 2), and the
// three check groups.
#include <QAction>
#include <QActionGroup>
#include <QObject>

namespace viewer {

struct MainActions {
  // Program
  QAction* ExitProgram = nullptr;
  QAction* AboutProgram = nullptr;
  QAction* AboutBitmap = nullptr;
  QAction* ProgramSettings = nullptr;
  // Image
  QAction* Open = nullptr;
  QAction* OpenPicture = nullptr;
  QAction* Save = nullptr;
  QAction* SaveAs = nullptr;
  QAction* SaveROIAs = nullptr;
  QAction* Close = nullptr;
  QAction* CropToRegion = nullptr;
  QAction* ImageSettings = nullptr;
  QAction* AboutImage = nullptr;
  QAction* CreateTestPattern = nullptr;
  // View
  QAction* ZoomImage = nullptr;
  QAction* ZoomROI = nullptr;
  QAction* ZoomIn = nullptr;
  QAction* ZoomOut = nullptr;
  QAction* Center = nullptr;
  // Color
  QAction* Negative = nullptr;
  QAction* Positive = nullptr;
  QAction* Psuedocolor = nullptr;
  QAction* AllTones = nullptr;
  QAction* ImageTones = nullptr;
  QAction* ROITones = nullptr;
  QAction* LowTone = nullptr;
  QAction* HighTone = nullptr;
  // Tool
  QAction* CAndB = nullptr;
  QAction* Histogram = nullptr;
  QAction* Region = nullptr;
  QAction* Profile = nullptr;
  QAction* Measurement = nullptr;
  QAction* MeanValue = nullptr;
  QAction* Resolution = nullptr;
  // Histogram
  QAction* DisplayAll = nullptr;
  QAction* DisplayImage = nullptr;
  QAction* DisplayCurrent = nullptr;
  QAction* DisplayLow = nullptr;
  QAction* DisplayHigh = nullptr;

  // Group 1 (Negative, Positive): exactly one checked. Groups 3 (CAndB,
  // Histogram) and 4 (Region, Profile, Measurement): at most one.
  QActionGroup* ColorGroup = nullptr;
  QActionGroup* PanelGroup = nullptr;
  QActionGroup* ToolGroup = nullptr;

  // Creates them all, owned by owner, in their start state.
  void Create(QObject* owner);
};

}  // namespace viewer
