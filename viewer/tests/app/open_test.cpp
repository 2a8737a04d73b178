// Start, open and the enabled commands, with the screen checked against the
// tone table and colour table worked out from their formulas.
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QSplitter>
#include <QToolBar>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::ExpectedColour;
using test::ExpectedIndex;
using test::FormTest;

constexpr uint32_t kNavy = 0x000080;

// 16 x 16 tones from 100 up to 4095.
std::vector<uint16_t> Ramp16() {
  std::vector<uint16_t> p(256);
  for (int i = 0; i < 256; ++i) p[i] = static_cast<uint16_t>(100 + i * (4095 - 100) / 255);
  return p;
}

class OpenTest : public FormTest {};

TEST_F(OpenTest, StartWithoutFileOffersOnlyTheAlwaysCommands) {
  EXPECT_EQ(form->windowTitle(), "Vornix Image Viewer");
  const MainActions& a = Actions();
  EXPECT_TRUE(a.Negative->isChecked());
  for (QAction* act : {a.CAndB, a.Histogram, a.Region, a.Profile, a.Measurement}) EXPECT_FALSE(act->isChecked());
  for (QAction* act : {a.ExitProgram, a.Open, a.OpenPicture, a.CreateTestPattern, a.Center, a.LowTone, a.HighTone,
                       a.DisplayAll, a.DisplayImage, a.DisplayCurrent, a.DisplayLow, a.DisplayHigh, a.ProgramSettings,
                       a.AboutProgram, a.AboutBitmap})
    EXPECT_TRUE(act->isEnabled()) << act->text().toStdString();
  for (QAction* act : {a.Save,     a.SaveAs,     a.SaveROIAs,   a.Close,         a.CropToRegion, a.ZoomImage,
                       a.ZoomROI,  a.ZoomIn,     a.ZoomOut,     a.Negative,      a.Positive,     a.Psuedocolor,
                       a.AllTones, a.ImageTones, a.ROITones,    a.MeanValue,     a.CAndB,        a.Histogram,
                       a.Region,   a.Profile,    a.Measurement, a.ImageSettings, a.AboutImage,   a.Resolution})
    EXPECT_FALSE(act->isEnabled()) << act->text().toStdString();
  EXPECT_EQ(PanelText(1), "");
  EXPECT_EQ(PanelText(2), "");
  EXPECT_FALSE(Child<ScaleEdit>()->isEnabled());
  const QImage shot = Grab();
  EXPECT_EQ(At(shot, {0, 0}), kNavy);
  EXPECT_EQ(At(shot, {shot.width() / 2, shot.height() / 2}), kNavy);
}

TEST_F(OpenTest, ActionsCarryTheirCaptionsShortcutsAndHints) {
  const MainActions& a = Actions();
  const struct {
    QAction* action;
    const char *caption, *shortcut, *tip, *status;
  } cases[] = {
      {a.ExitProgram, "E&xit", "Ctrl+X", "Exit", "Quits the application"},
      {a.Open, "&Open...", "Ctrl+O", "Open", "Opens an existing image file"},
      {a.Save, "&Save", "Ctrl+S", "Save", "Save the changes made to the image"},
      {a.Close, "&Close", "Ctrl+C", "Close", "Close the image"},
      {a.Psuedocolor, "Psuedocolor", "", "Psuedocolor", "Apply certain colors to certain image tones"},
      {a.DisplayLow, "&Loest Tone Displayed", "", "Lowest Tone Displayed",
       "Set this value as the lowest value that is displayed in the histogram"},
      {a.ZoomImage, "Fit &Whole Image", "", "Fit Image",
       "Adjust the zoom to whow the whole image with as much detail as possible"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.action->text(), c.caption);
    EXPECT_EQ(c.action->shortcut().toString(), c.shortcut);
    EXPECT_EQ(c.action->toolTip(), c.tip);
    EXPECT_EQ(c.action->statusTip(), c.status);
  }
  // A long hint shows in panel 2; an empty one restores the panel.
  QStatusTipEvent tip(a.Open->statusTip());
  QApplication::sendEvent(form.get(), &tip);
  EXPECT_EQ(PanelText(2), "Opens an existing image file");
  QStatusTipEvent none{QString()};
  QApplication::sendEvent(form.get(), &none);
  EXPECT_EQ(PanelText(2), "");
  // Pop-ups in their order.
  QStringList items;
  for (QAction* item : Child<QMenu>("CAndBMenu")->actions()) items << (item->isSeparator() ? "-" : item->text());
  EXPECT_EQ(items.join(","),
            "Negative,Positive,-,Psuedocolor,-,Show &All Tones,Show &Image Tones,"
            "Show &Region Tones,-,&Histogram");
}

TEST_F(OpenTest, OpenShowsTheImageAsANegativeOverTheToneRange) {
  const std::string name = folder / "ramp.qew";
  test::WriteImageFile(name, kFileQew, test::Facts(16, 16), Ramp16());
  Actions().Positive->trigger();
  Actions().Psuedocolor->trigger();
  Open(name);
  ASSERT_TRUE(libraryBoxes.boxes.empty());
  const MainActions& a = Actions();
  EXPECT_EQ(PanelText(2).toStdString(), name);
  EXPECT_EQ(PanelText(1), "");
  EXPECT_TRUE(a.Negative->isChecked());
  EXPECT_FALSE(a.Psuedocolor->isChecked());
  EXPECT_EQ(View()->Mapping(), mNegative);
  EXPECT_FALSE(Modified());
  EXPECT_EQ(View()->Core().WindowLow(), 100);
  EXPECT_EQ(View()->Core().WindowHigh(), 4095);
  EXPECT_EQ(Child<THistogram>("LUTHistogram")->LUTWindow(), PackTones(100, 4095));
  EXPECT_EQ(Child<QSlider>("ContrastValue")->value(), 0);
  EXPECT_EQ(Child<QLabel>("ContrastLabel")->text(), "Contrast 0%");
  EXPECT_EQ(Child<QSlider>("BrightnessValue")->value(), 49);
  EXPECT_EQ(Child<QLabel>("BrightnessLabel")->text(), "Brightness 49%");
  EXPECT_EQ(SavedRegion(), (Rect{0, 0, 15, 15}));
  EXPECT_FALSE(a.Save->isEnabled());  // not modified
  EXPECT_TRUE(a.SaveAs->isEnabled());
  EXPECT_FALSE(a.SaveROIAs->isEnabled());  // Region not checked
  for (QAction* act : {a.Close, a.ZoomImage, a.ZoomOut, a.Positive, a.AllTones, a.Region})
    EXPECT_TRUE(act->isEnabled());
  a.Region->trigger();
  for (QAction* act : {a.SaveROIAs, a.CropToRegion, a.ZoomROI, a.ROITones, a.MeanValue}) EXPECT_TRUE(act->isEnabled());
  EXPECT_EQ(Child<ScaleEdit>()->Text().toInt(), View()->Core().Scale());

  // Every tone where its block lands; margins navy.
  a.Region->trigger();  // no overlay
  const QImage shot = Grab();
  const std::vector<uint16_t> tones = Ramp16();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(At(shot, ScreenOf(x, y)),
                ExpectedColour(mNegative, ExpectedIndex(tones[y * 16 + x], 100, 4095), kDefaultColorInfo))
          << x << "," << y;
  EXPECT_EQ(At(shot, ScreenOf(0, 0)), 0xFFFFFFu);  // lowest tone white
  EXPECT_EQ(At(shot, ScreenOf(15, 15)), 0x000000u);  // highest black
  const auto& d = View()->Core().Destination();
  if (d.x > 0) {
    EXPECT_EQ(At(shot, {0, shot.height() / 2}), kNavy);
  }
  if (d.y > 0) {
    EXPECT_EQ(At(shot, {shot.width() / 2, 0}), kNavy);
  }
  EXPECT_TRUE(d.x > 0 || d.y > 0);
}

TEST_F(OpenTest, AFileThatCannotBeReadLeavesNoImage) {
  const std::string name = folder / "short.qew";
  test::WriteBytes(name, {'Q', 'E', 'W'});
  Open(name);
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u);
  EXPECT_EQ(libraryBoxes.boxes[0].button, MessageButton::Abort);
  EXPECT_EQ(libraryBoxes.boxes[0].text.rfind("Error ", 0), 0u);
  EXPECT_NE(libraryBoxes.boxes[0].text.find(" trying to get information about the"), std::string::npos);
  EXPECT_TRUE(Empty());
  EXPECT_FALSE(Actions().Close->isEnabled());
  EXPECT_EQ(PanelText(2), "");
}

TEST_F(OpenTest, ASampledImageOffersOnlySaveRegionAs) {
  const std::string name = folder / "large.qew";
  std::vector<uint16_t> pixels(size_t{2000} * 2500);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i % 5000);
  test::WriteImageFile(name, kFileQew, test::Facts(2000, 2500), pixels);
  settings.maxImageSize = 4000000;
  Open(name);
  ASSERT_EQ(About("IISampling"), "2x2 merged to form each pixel");
  const MainActions& a = Actions();
  CropToRegion();
  EXPECT_FALSE(a.Save->isEnabled());
  EXPECT_FALSE(a.SaveAs->isEnabled());
  a.Region->trigger();
  EXPECT_TRUE(a.SaveROIAs->isEnabled());
  EXPECT_EQ(PanelText(1), "(modified)");
}

TEST_F(OpenTest, TheImagePopUpOnlyWithAnImage) {
  auto rightClick = [this] {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20), Viewport()->mapToGlobal(QPoint(20, 20)));
    QApplication::sendEvent(Viewport(), &event);
    const bool shown = Child<QMenu>("ImageMenu")->isVisible();
    Child<QMenu>("ImageMenu")->hide();
    return shown;
  };
  EXPECT_FALSE(rightClick());
  Actions().CreateTestPattern->trigger();
  EXPECT_TRUE(rightClick());
  QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), Child<QWidget>("LUTPanel")->mapToGlobal(QPoint(5, 5)));
  Actions().Histogram->trigger();
  QApplication::sendEvent(Child<QWidget>("LUTPanel"), &event);
  EXPECT_TRUE(Child<QMenu>("LUTMenu")->isVisible());
  Child<QMenu>("LUTMenu")->hide();
}

TEST_F(OpenTest, PanelsFollowTheirToolsAndTheSplitter) {
  Actions().CreateTestPattern->trigger();
  const MainActions& a = Actions();
  EXPECT_FALSE(Child<QWidget>("CAndBPanel")->isVisible());
  EXPECT_FALSE(Child<QWidget>("LUTPanel")->isVisible());
  a.CAndB->trigger();
  EXPECT_TRUE(Child<QWidget>("CAndBPanel")->isVisible());
  a.Histogram->trigger();  // one of group 3 at a time
  EXPECT_FALSE(a.CAndB->isChecked());
  EXPECT_FALSE(Child<QWidget>("CAndBPanel")->isVisible());
  EXPECT_TRUE(Child<QWidget>("LUTPanel")->isVisible());
  a.Histogram->trigger();  // and none at all
  EXPECT_FALSE(a.Histogram->isChecked());
  EXPECT_FALSE(Child<QWidget>("LUTPanel")->isVisible());
  a.CAndB->trigger();
  a.Close->trigger();
  EXPECT_FALSE(Child<QWidget>("CAndBPanel")->isVisible());  // no image, no panel
}

}  // namespace
}  // namespace viewer
