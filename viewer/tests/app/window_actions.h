#pragma once
// The main window's actions as a user finds them: by their object names
// (the captions without the access-key marks).
#include <QAction>
#include <QWidget>
#include <utility>

#include "viewer/app/actions.h"

namespace viewer::test {

// Every command action of the window (the check groups stay null); an
// action not found stays null too.
inline MainActions FindActions(const QWidget& window) {
  static const std::pair<QAction* MainActions::*, const char*> kNames[] = {
      {&MainActions::ExitProgram, "Exit"},
      {&MainActions::Open, "Open..."},
      {&MainActions::OpenPicture, "Open Picture..."},
      {&MainActions::Save, "Save"},
      {&MainActions::SaveAs, "Save As..."},
      {&MainActions::SaveROIAs, "Save Region As..."},
      {&MainActions::Close, "Close"},
      {&MainActions::CropToRegion, "Crop to Region of Interest"},
      {&MainActions::ImageSettings, "Image Settings..."},
      {&MainActions::AboutImage, "About the Image..."},
      {&MainActions::CreateTestPattern, "Create Test Pattern"},
      {&MainActions::AboutProgram, "About the Program..."},
      {&MainActions::AboutBitmap, "About the Bitmap..."},
      {&MainActions::ProgramSettings, "Program Settings..."},
      {&MainActions::ZoomImage, "Fit Whole Image"},
      {&MainActions::ZoomROI, "Fit Region of Interest"},
      {&MainActions::ZoomIn, "Zoom In"},
      {&MainActions::ZoomOut, "Zoom Out"},
      {&MainActions::Center, "Center"},
      {&MainActions::Negative, "Negative"},
      {&MainActions::Positive, "Positive"},
      {&MainActions::Psuedocolor, "Psuedocolor"},
      {&MainActions::AllTones, "Show All Tones"},
      {&MainActions::ImageTones, "Show Image Tones"},
      {&MainActions::ROITones, "Show Region Tones"},
      {&MainActions::LowTone, "Lowest Tone"},
      {&MainActions::HighTone, "Highest Tone"},
      {&MainActions::CAndB, "Contrast and Brightness"},
      {&MainActions::Histogram, "Histogram"},
      {&MainActions::Region, "Region of Interest"},
      {&MainActions::Profile, "Profile"},
      {&MainActions::Measurement, "Measurement"},
      {&MainActions::MeanValue, "Mean Value"},
      {&MainActions::Resolution, "Resolution"},
      {&MainActions::DisplayAll, "Display All"},
      {&MainActions::DisplayImage, "Display Image"},
      {&MainActions::DisplayCurrent, "Display Current"},
      {&MainActions::DisplayLow, "Loest Tone Displayed"},
      {&MainActions::DisplayHigh, "Highest Tone Displayed"},
  };
  MainActions found;
  for (const auto& [member, name] : kNames) found.*member = window.findChild<QAction*>(QString::fromLatin1(name));
  return found;
}

}  // namespace viewer::test
