#include "viewer/app/actions.h"

#include <QKeySequence>

namespace viewer {
namespace {

struct ActionSpec {
  QAction* MainActions::*member;
  const char* category;
  const char* caption;
  const char* shortcut;
  const char* shortHint;
  const char* longHint;
};

// "&" marks the access key.
const ActionSpec kActions[] = {
    {&MainActions::ExitProgram, "Program", "E&xit", "Ctrl+X", "Exit", "Quits the application"},
    {&MainActions::Open, "Image", "&Open...", "Ctrl+O", "Open", "Opens an existing image file"},
    {&MainActions::OpenPicture, "Image", "Open &Picture...", "", "Open Picture",
     "Open an RGB picture and convert it to a grayscale image"},
    {&MainActions::Save, "Image", "&Save", "Ctrl+S", "Save", "Save the changes made to the image"},
    {&MainActions::SaveAs, "Image", "Save &As...", "", "Save As", "Saves the image with a new file name"},
    {&MainActions::SaveROIAs, "Image", "Save &Region As...", "", "Save Region As",
     "Save just the Region of Interest to a new image file"},
    {&MainActions::Close, "Image", "&Close", "Ctrl+C", "Close", "Close the image"},
    {&MainActions::CropToRegion, "Image", "&Crop to Region of Interest", "", "Crop to Region of Interest",
     "Crop the image to only include pixels in the region of interest"},
    {&MainActions::ImageSettings, "Image", "&Image Settings...", "", "Image Settings",
     "Adjust the information relating to the image and its aquisition"},
    {&MainActions::AboutImage, "Image", "About the &Image...", "", "About the Image",
     "Display information about the image"},
    {&MainActions::CreateTestPattern, "Image", "&Create Test Pattern", "", "Create Test Pattern",
     "Create a test pattern that includes all possible tones"},
    {&MainActions::AboutProgram, "Program", "About the &Program...", "", "About the Program",
     "Display information about the program"},
    {&MainActions::AboutBitmap, "Program", "About the &Bitmap...", "", "About Bitmap",
     "Provide information about the rendering of the image"},
    {&MainActions::ProgramSettings, "Program", "&Program Settings...", "", "", ""},
    {&MainActions::ZoomImage, "View", "Fit &Whole Image", "", "Fit Image",
     "Adjust the zoom to whow the whole image with as much detail as possible"},
    {&MainActions::ZoomROI, "View", "Fit &Region of Interest", "", "Fit Region of Interest",
     "Adjust the zoom to show the region of interest with as much detail as possible"},
    {&MainActions::ZoomIn, "View", "Zoom &In", "", "", ""},
    {&MainActions::ZoomOut, "View", "Zoom &Out", "", "", ""},
    {&MainActions::Center, "View", "&Center", "", "Center",
     "Move the pixel under the cursor to the center of the screen"},
    {&MainActions::Negative, "Color", "Negative", "", "Negative",
     "Display the image as a negative: Lower tones are brighter"},
    {&MainActions::Positive, "Color", "Positive", "", "Positive", "Display the image normally: lower tones are darker"},
    {&MainActions::Psuedocolor, "Color", "Psuedocolor", "", "Psuedocolor",
     "Apply certain colors to certain image tones"},
    {&MainActions::AllTones, "Color", "Show &All Tones", "", "Show All Tones",
     "Map all posible tones to the screen colors"},
    {&MainActions::ImageTones, "Color", "Show &Image Tones", "", "Show Image Tones",
     "Map the range of tones in the image to the screen colors"},
    {&MainActions::ROITones, "Color", "Show &Region Tones", "", "Show Region Tones",
     "Map the tones appearing in the region of interest to the screen colors"},
    {&MainActions::LowTone, "Color", "&Lowest Tone", "", "Lowest Tone",
     "Set this value as the lowest value displayed before saturation"},
    {&MainActions::HighTone, "Color", "&Highest Tone", "", "Highest Tone",
     "Set this value as the highest value displayed before saturation"},
    {&MainActions::CAndB, "Tool", "&Contrast and Brightness", "", "Contrast and Brightness",
     "Adjust the displayed image in terms of contrast and brighnes"},
    {&MainActions::Histogram, "Tool", "&Histogram", "", "Histogram", "Adjust the displayed image using a histogram"},
    {&MainActions::Region, "Tool", "&Region of Interest", "", "Region of interest",
     "Outline a rectangular region of interest in the image"},
    {&MainActions::Profile, "Tool", "&Profile", "", "Profile", "Get a profile of tone values through a line"},
    {&MainActions::Measurement, "Tool", "&Measurement", "", "Measurement", "Measure angles and distances"},
    {&MainActions::MeanValue, "Tool", "Mean &Value", "", "", ""},
    {&MainActions::Resolution, "Tool", "Resolution", "", "", ""},
    {&MainActions::DisplayAll, "Histogram", "Display &All", "", "Display All",
     "Display all posible image tones in the histogram"},
    {&MainActions::DisplayImage, "Histogram", "Display &Image", "", "Display Image",
     "Display all image values in the histogram"},
    {&MainActions::DisplayCurrent, "Histogram", "Display &Current", "", "Display Current",
     "Display just the nonsaturated tones in the histogram"},
    {&MainActions::DisplayLow, "Histogram", "&Loest Tone Displayed", "", "Lowest Tone Displayed",
     "Set this value as the lowest value that is displayed in the histogram"},
    {&MainActions::DisplayHigh, "Histogram", "&Highest Tone Displayed", "", "Highest Tone Displayed",
     "Set this value as the highest value that is displayed in the histogram"},
};

QActionGroup* Group(QObject* owner, QActionGroup::ExclusionPolicy policy, std::initializer_list<QAction*> actions) {
  auto* group = new QActionGroup(owner);
  group->setExclusionPolicy(policy);
  for (QAction* a : actions) {
    a->setCheckable(true);
    group->addAction(a);
  }
  return group;
}

}  // namespace

void MainActions::Create(QObject* owner) {
  for (const ActionSpec& spec : kActions) {
    auto* action = new QAction(QString::fromLatin1(spec.caption), owner);
    action->setObjectName(QString::fromLatin1(spec.caption).remove('&'));
    action->setProperty("category", QString::fromLatin1(spec.category));
    if (*spec.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(spec.shortcut)));
    // Without a short hint the caption is the tool tip, as Qt shows it.
    if (*spec.shortHint) action->setToolTip(QString::fromLatin1(spec.shortHint));
    action->setStatusTip(QString::fromLatin1(spec.longHint));
    this->*spec.member = action;
  }
  ColorGroup = Group(owner, QActionGroup::ExclusionPolicy::Exclusive, {Negative, Positive});
  PanelGroup = Group(owner, QActionGroup::ExclusionPolicy::ExclusiveOptional, {CAndB, Histogram});
  ToolGroup = Group(owner, QActionGroup::ExclusionPolicy::ExclusiveOptional, {Region, Profile, Measurement});
  Psuedocolor->setCheckable(true);
  Negative->setChecked(true);
}

}  // namespace viewer
