// The tone window through the histogram, the sliders and every tone command;
// palettes; the histogram bar in step with the display.
#include <QLabel>
#include <QSlider>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::ExpectedColour;
using test::ExpectedIndex;
using test::FormTest;
using test::SendMouse;

class TonesTest : public FormTest {
 protected:
  void OpenRamp() {
    const std::string name = folder / "ramp.qew";
    std::vector<uint16_t> p(256);
    for (int i = 0; i < 256; ++i) p[i] = static_cast<uint16_t>(1000 + i * 10);  // 1000..3550
    test::WriteImageFile(name, kFileQew, test::Facts(16, 16), p);
    Open(name);
    Actions().Histogram->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(Child<QWidget>("LUTPanel")->isVisible());
  }
  uint32_t Window() const { return View()->Core().Window(); }
};

TEST_F(TonesTest, HistogramDragSetsTheWindowBothWays) {
  OpenRamp();
  THistogram* h = Child<THistogram>("LUTHistogram");
  EXPECT_EQ(h->DisplayRange(), PackTones(1000, 3550));
  const int w = h->width();
  ASSERT_GT(w, 100);
  const uint16_t a = h->XToTone(w / 4), b = h->XToTone(w / 2);
  SendMouse(h, QEvent::MouseButtonPress, {w / 2, 10});
  EXPECT_EQ(h->LUTWindow(), PackTones(b, 3550));
  SendMouse(h, QEvent::MouseMove, {w / 4, 10});
  // Dragged below the start: the pair is ordered.
  EXPECT_EQ(h->LUTWindow(), PackTones(a, b));
  SendMouse(h, QEvent::MouseButtonRelease, {w / 4, 10});
  EXPECT_EQ(Window(), PackTones(a, b));
  EXPECT_EQ(PanelText(0), QStringLiteral("%1=%2").arg(a).arg(h->CountAt(a)));
  // The sliders show the new window.
  EXPECT_EQ(Child<QSlider>("ContrastValue")->value(), View()->Core().Contrast());
  // A move without a press only reads out.
  SendMouse(h, QEvent::MouseMove, {w - 1, 10});
  EXPECT_EQ(Window(), PackTones(a, b));
  // Right button: nothing.
  SendMouse(h, QEvent::MouseButtonPress, {0, 10}, Qt::RightButton);
  EXPECT_EQ(Window(), PackTones(a, b));
}

TEST_F(TonesTest, ToneCommandsMoveTheWindowAndTheBarFollows) {
  OpenRamp();
  const MainActions& a = Actions();
  THistogram* h = Child<THistogram>("LUTHistogram");
  a.AllTones->trigger();
  EXPECT_EQ(Window(), PackTones(0, 65535));
  EXPECT_EQ(h->LUTWindow(), Window());
  a.ImageTones->trigger();
  EXPECT_EQ(Window(), PackTones(1000, 3550));
  a.Region->trigger();
  Drag({2, 1}, {4, 1});  // tones 1000 + (16 + 2..4) * 10
  a.ROITones->trigger();
  EXPECT_EQ(Window(), PackTones(1180, 1200));
  EXPECT_EQ(h->LUTWindow(), Window());

  // Lowest / Highest Tone take the tone under the histogram cursor.
  SendMouse(h, QEvent::MouseMove, {h->width() / 3, 5});
  const uint16_t t = h->XToTone(h->width() / 3);
  a.HighTone->trigger();
  EXPECT_EQ(Window(), PackTones(1180, t));
  a.LowTone->trigger();
  EXPECT_EQ(Window(), PackTones(t, t));

  // A change of orientation recounts the histogram; its bar stays on the
  // display's window.
  ScanInfo turned{};  // the ramp's facts turned East, without flips
  turned.orientation = 1;
  View()->SetOrientation(turned);
  EXPECT_EQ(h->LUTWindow(), Window());
  EXPECT_TRUE(Modified());
}

TEST_F(TonesTest, HistogramRangeCommands) {
  OpenRamp();
  const MainActions& a = Actions();
  THistogram* h = Child<THistogram>("LUTHistogram");
  a.DisplayAll->trigger();
  EXPECT_EQ(h->DisplayRange(), PackTones(0, 65535));
  a.DisplayImage->trigger();
  EXPECT_EQ(h->DisplayRange(), PackTones(1000, 3550));
  View()->SetWindow(PackTones(1500, 2500));
  a.DisplayCurrent->trigger();
  EXPECT_EQ(h->DisplayRange(), PackTones(1500, 2500));
  SendMouse(h, QEvent::MouseMove, {h->width() / 2, 5});
  const uint16_t t = h->XToTone(h->width() / 2);
  a.DisplayHigh->trigger();
  EXPECT_EQ(h->DisplayRange(), PackTones(1500, t));
  a.DisplayLow->trigger();
  EXPECT_EQ(h->DisplayRange(), PackTones(t, t));
  EXPECT_EQ(Window(), PackTones(1500, 2500));  // the shown range is not the window
}

TEST_F(TonesTest, SlidersReadAsScreenBrightnessInBothMappings) {
  OpenRamp();
  Actions().CAndB->trigger();
  QApplication::processEvents();
  // Negative: slider 70 is brightness 30, and the label shows 70 again.
  Child<QSlider>("BrightnessValue")->setValue(70);
  EXPECT_EQ(View()->Core().Brightness(), 30);
  EXPECT_EQ(Child<QSlider>("BrightnessValue")->value(), 70);
  EXPECT_EQ(Child<QLabel>("BrightnessLabel")->text(), "Brightness 70%");
  Child<QSlider>("ContrastValue")->setValue(40);
  EXPECT_EQ(View()->Core().Contrast(), 40);
  EXPECT_EQ(Child<QLabel>("ContrastLabel")->text(), "Contrast 40%");
  EXPECT_EQ(Child<THistogram>("LUTHistogram")->LUTWindow(), Window());
  Actions().Positive->trigger();
  Child<QSlider>("BrightnessValue")->setValue(60);
  EXPECT_EQ(View()->Core().Brightness(), 60);
}

TEST_F(TonesTest, MappingsByNegativeAndPsuedocolor) {
  Actions().CreateTestPattern->trigger();
  const MainActions& a = Actions();
  EXPECT_EQ(View()->Mapping(), mNegative);
  a.Psuedocolor->trigger();
  EXPECT_EQ(View()->Mapping(), mNegativeColor);
  a.Positive->trigger();
  EXPECT_EQ(View()->Mapping(), mPositiveColor);
  EXPECT_FALSE(a.Negative->isChecked());
  a.Psuedocolor->trigger();
  EXPECT_EQ(View()->Mapping(), mPositive);
  a.Negative->trigger();
  EXPECT_EQ(View()->Mapping(), mNegative);

  // Test pattern, window 0..255, positive pseudocolour: the ramps' peaks.
  a.Positive->trigger();
  a.Psuedocolor->trigger();
  View()->SetWindow(PackTones(0, 255));
  View()->SetScale(2);
  for (int tone : {127, 63, 191, 0, 200}) {
    // Tone t lies at stored (t, 0); the view is centred on the pattern.
    View()->SetCentre({tone, 0});
    const QImage at = Grab();
    EXPECT_EQ(At(at, ScreenOf(tone, 0)), ExpectedColour(mPositiveColor, ExpectedIndex(tone, 0, 255), kDefaultColorInfo))
        << tone;
  }
  EXPECT_EQ(ExpectedColour(mPositiveColor, ExpectedIndex(127, 0, 255), kDefaultColorInfo), 0xFF0000u);
}

TEST_F(TonesTest, ZoomCommandsAndTheScaleEdit) {
  const std::string name = folder / "wide.qew";
  test::WriteImageFile(name, kFileQew, test::Facts(4, 4), std::vector<uint16_t>(16, 7));
  Open(name);
  const MainActions& a = Actions();
  const int fit = View()->Core().Scale();
  EXPECT_GT(fit, 25);  // fitting is not capped
  EXPECT_FALSE(a.ZoomIn->isEnabled());
  a.ZoomOut->trigger();
  EXPECT_EQ(View()->Core().Scale(), 25);  // lowered to the cap
  EXPECT_EQ(Child<ScaleEdit>()->Text(), "25");
  Child<ScaleEdit>()->SetText("1");
  EXPECT_EQ(View()->Core().Scale(), 1);
  EXPECT_TRUE(a.ZoomIn->isEnabled());
  a.ZoomOut->trigger();
  EXPECT_EQ(View()->Core().Scale(), -2);
  a.ZoomIn->trigger();
  EXPECT_EQ(View()->Core().Scale(), 1);
  Child<ScaleEdit>()->stepBy(-1);  // through 0 to -2
  EXPECT_EQ(View()->Core().Scale(), -2);
  EXPECT_EQ(Child<ScaleEdit>()->Text(), "-2");
  Child<ScaleEdit>()->stepBy(1);
  EXPECT_EQ(View()->Core().Scale(), 1);
  Child<ScaleEdit>()->SetText("x");  // not a number: the up-down's position
  EXPECT_EQ(View()->Core().Scale(), 1);
  settings.maxScale = 30;  // takes effect at once
  Child<ScaleEdit>()->SetText("40");
  EXPECT_EQ(View()->Core().Scale(), 30);
  a.ZoomImage->trigger();
  EXPECT_EQ(View()->Core().Scale(), fit);
}

}  // namespace
}  // namespace viewer
