// The tools at scales other than 1: drags that start or end outside the
// image take its edge pixel, the outline is drawn where the region reads,
// and the region's users (crop, mean value, save region, resolution, fit
// region) get that region.
#include <QLabel>

#include "viewer/forms/resolution_form.h"
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;
using test::SendMouse;

constexpr uint16_t kFlat = 30000;

class ZoomToolsTest : public FormTest {
 protected:
  // A w x h image of a flat tone (and tone(x, y) where given), shown at scale.
  void OpenAt(uint32_t w, uint32_t h, int32_t scale, uint16_t (*tone)(uint32_t, uint32_t) = nullptr,
              int32_t orientation = 0) {
    std::vector<uint16_t> p(size_t{w} * h, kFlat);
    if (tone)
      for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) p[y * w + x] = tone(x, y);
    name_ = folder / "zoom.qew";
    ScanInfo info = test::Facts(w, h);
    info.orientation = orientation;
    test::WriteImageFile(name_, kFileQew, info, p);
    Open(name_);
    ASSERT_FALSE(Empty());
    // All tones: the flat tone is a mid grey, so the pen's outline shows.
    Actions().Positive->trigger();
    Actions().AllTones->trigger();
    Child<ScaleEdit>()->SetText(QString::number(scale));
    ASSERT_EQ(View()->Core().Scale(), scale);
  }
  QPoint Centre() const { return {View()->Core().ClientWidth() / 2, View()->Core().ClientHeight() / 2}; }
  // A client point 12 pixels beyond the image's edge pixel at (x, y) in the
  // direction (dx, dy).
  QPoint Beyond(int32_t x, int32_t y, int dx, int dy) const {
    const Point p = ScreenOf(x, y);
    return {p.x + 12 * dx, p.y + 12 * dy};
  }
  Point ImageAt(QPoint client) const {
    Point p{client.x(), client.y()};
    View()->ScreenPointToImage(p);
    return p;
  }
  void DragClient(QPoint from, QPoint to) {
    SendMouse(Viewport(), QEvent::MouseMove, from);
    SendMouse(Viewport(), QEvent::MouseButtonPress, from);
    SendMouse(Viewport(), QEvent::MouseMove, to);
    SendMouse(Viewport(), QEvent::MouseButtonRelease, to);
  }
  // True when the pen's outline ("screen and not pen" of yellow over the
  // flat grey) covers the client point of the pixel (the images it is asked
  // of are held whole).
  bool OutlineAt(const QImage& shot, Point pixel) const {
    const int g = test::ExpectedIndex(kFlat, 0, 65535);
    return At(shot, ScreenOf(pixel.x, pixel.y)) == test::Rgb(0, 0, g);
  }

  std::string name_;
};

TEST_F(ZoomToolsTest, RegionFromOutsideEveryEdgeTakesTheEdgePixel) {
  for (const int32_t scale : {-3, 3}) {
    // At -3 a 400 x 300 image is 134 x 100 on screen; at 3, 100 x 60 is 300 x 180.
    const uint32_t w = scale < 0 ? 400 : 100, h = scale < 0 ? 300 : 60;
    OpenAt(w, h, scale);
    Actions().Region->setChecked(false);
    Actions().Region->trigger();
    const int32_t r = int32_t(w) - 1, b = int32_t(h) - 1;
    const int32_t mx = int32_t(w) / 2, my = int32_t(h) / 2;
    const Point inside = ImageAt(Centre());
    const struct {
      const char* edge;
      QPoint from;
      Rect roi;
    } cases[] = {
        {"left", Beyond(0, my, -1, 0), {0, my, inside.x, inside.y}},
        {"right", Beyond(r, my, 1, 0), {inside.x, inside.y, r, my}},
        {"top", Beyond(mx, 0, 0, -1), {mx, 0, inside.x, inside.y}},
        {"bottom", Beyond(mx, b, 0, 1), {inside.x, inside.y, mx, b}},
        {"top-left", Beyond(0, 0, -1, -1), {0, 0, inside.x, inside.y}},
        {"bottom-right", Beyond(r, b, 1, 1), {inside.x, inside.y, r, b}},
        {"top-right", Beyond(r, 0, 1, -1), {inside.x, 0, r, inside.y}},
        {"bottom-left", Beyond(0, b, -1, 1), {0, inside.y, inside.x, b}},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.edge) + " at scale " + std::to_string(scale));
      // Press outside, release inside; then the other way round.
      DragClient(c.from, Centre());
      EXPECT_EQ(SavedRegion(), c.roi);
      const QImage shot = Grab();
      EXPECT_TRUE(OutlineAt(shot, {c.roi.left, c.roi.top}));
      EXPECT_TRUE(OutlineAt(shot, {c.roi.right, c.roi.bottom}));
      DragClient(Centre(), c.from);
      EXPECT_EQ(SavedRegion(), c.roi);
    }
    // The rubber band during a drag runs through the edge pixel too.
    const QPoint from = Beyond(0, 0, -1, -1);
    SendMouse(Viewport(), QEvent::MouseButtonPress, from);
    SendMouse(Viewport(), QEvent::MouseMove, Centre());
    EXPECT_TRUE(OutlineAt(Grab(), {0, 0}));
    SendMouse(Viewport(), QEvent::MouseButtonRelease, Centre());
    EXPECT_EQ(PanelText(0), QStringLiteral("(%1,%2)=%3").arg(inside.x).arg(inside.y).arg(kFlat));
  }
}

TEST_F(ZoomToolsTest, MeasurementAcrossTheWholeImage) {
  for (const int32_t scale : {-3, 3}) {
    const uint32_t w = scale < 0 ? 400 : 100, h = scale < 0 ? 300 : 60;
    OpenAt(w, h, scale);
    Actions().Measurement->setChecked(false);
    Actions().Measurement->trigger();
    const int32_t my = int32_t(h) / 2, r = int32_t(w) - 1, b = int32_t(h) - 1;
    DragClient(Beyond(0, my, -1, 0), Beyond(r, my, 1, 0));
    const QImage across = Grab();
    EXPECT_TRUE(OutlineAt(across, {0, my})) << scale;
    EXPECT_TRUE(OutlineAt(across, {r, my})) << scale;
    EXPECT_FALSE(OutlineAt(across, {r / 2, my - 9})) << scale;
    DragClient(Beyond(r, b, 1, 1), Beyond(0, 0, -1, -1));
    const QImage shot = Grab();
    EXPECT_TRUE(OutlineAt(shot, {0, 0}));
    EXPECT_TRUE(OutlineAt(shot, {r, b}));
    EXPECT_FALSE(OutlineAt(shot, {0, my})) << "the line across is gone";
  }
}

TEST_F(ZoomToolsTest, RegionUsersGetTheDraggedRegionWhenZoomedOut) {
  // Tone 1 + x + 163 y.
  OpenAt(400, 300, -3, [](uint32_t x, uint32_t y) { return uint16_t(1 + x + 163 * y); });
  Actions().Region->trigger();
  const QPoint topLeft = Beyond(0, 0, -1, -1);
  // A corner region: Fit Region centres on it.
  const QPoint near(ScreenOf(9, 9).x, ScreenOf(9, 9).y);
  const Point corner = ImageAt(near);
  DragClient(topLeft, near);
  ASSERT_EQ(SavedRegion(), (Rect{0, 0, corner.x, corner.y}));
  Actions().ZoomROI->trigger();
  // The middle of columns 0..x (rows 0..y): x + 1 pixels.
  EXPECT_EQ(View()->GetCentre(), (Point{(corner.x + 1) / 2, (corner.y + 1) / 2}));
  Actions().ZoomImage->trigger();
  Child<ScaleEdit>()->SetText("-3");

  // The whole image, dragged from beyond one corner to beyond the other.
  DragClient(topLeft, Beyond(399, 299, 1, 1));
  ASSERT_EQ(SavedRegion(), (Rect{0, 0, 399, 299}));
  int shown = 0;
  modal = [&](QDialog& d) {
    ++shown;
    EXPECT_EQ(Child<QLabel>(d, "pPixelsX")->text(), "400");
    EXPECT_EQ(Child<QLabel>(d, "pPixelsY")->text(), "300");
    return 0;
  };
  Actions().Resolution->trigger();
  EXPECT_EQ(shown, 1);

  // Save Region As writes that region.
  const std::string saved = folder / "region.qew";
  prompts.saves.push_back(SaveChoice{saved, 1});
  Actions().SaveROIAs->trigger();
  {
    CImage copy;
    copy.Open(saved);
    ASSERT_FALSE(copy.IsEmpty());
    EXPECT_EQ(copy.StoredWidth(), 400u);
    EXPECT_EQ(copy.StoredHeight(), 300u);
    EXPECT_EQ(copy.PixelAt(0, 0), 1u);
    EXPECT_EQ(copy.PixelAt(399, 299), 1u + 399 + 163 * 299);
  }

  // Mean value of the bottom-right quarter beyond the edge: the mean of
  // 1 + x + 163 y over x 200..399, y 150..299.
  DragClient(Beyond(399, 299, 1, 1), Centre());
  ASSERT_EQ(SavedRegion(), (Rect{200, 150, 399, 299}));
  Actions().MeanValue->trigger();
  ASSERT_EQ(prompts.boxes.size(), 1u);
  const double mean = 1 + (200 + 399) / 2.0 + 163 * (150 + 299) / 2.0;
  EXPECT_EQ(prompts.boxes[0].second.substr(0, 31), FormatC("The average value is %-10.3f", mean));

  // Crop keeps exactly that region.
  Actions().CropToRegion->trigger();
  ASSERT_EQ(About("IISize"), "200, 150");
  Child<ScaleEdit>()->SetText("1");  // every pixel under the mouse
  EXPECT_EQ(ToneAt(0, 0), 1 + 200 + 163 * 150);
  EXPECT_EQ(ToneAt(199, 149), 1 + 399 + 163 * 299);
}

TEST_F(ZoomToolsTest, CenterMovesThePixelUnderTheCursorToTheMiddle) {
  for (const int32_t scale : {-3, 3}) {
    OpenAt(400, 300, scale);
    const QPoint off = Centre() + QPoint(40, -25);
    const Point under = ImageAt(off);
    SendMouse(Viewport(), QEvent::MouseMove, off);
    Actions().Center->trigger();
    EXPECT_EQ(View()->GetCentre(), under) << scale;
    EXPECT_EQ(ImageAt(Centre()), under) << scale;
  }
}

TEST_F(ZoomToolsTest, SubsampledImageReachesItsLastFullPixel) {
  // 41 x 31 held as 2 x 2 in 20 x 15 stored pixels: the last starts at full
  // column 38 and row 28; beyond the edges the region ends at the image's
  // last pixel.
  settings.maxImageSize = 20 * 15 * 2;
  OpenAt(41, 31, 3);
  ASSERT_EQ(About("IISampling"), "2x2 merged to form each pixel");
  Actions().Region->trigger();
  DragClient(Beyond(0, 0, -1, -1), Beyond(19, 14, 1, 1));
  EXPECT_EQ(SavedRegion(), (Rect{0, 0, 40, 30}));
  DragClient(Beyond(0, 0, -1, -1), QPoint(ScreenOf(19, 14).x, ScreenOf(19, 14).y));
  EXPECT_EQ(SavedRegion(), (Rect{0, 0, 38, 28}));

  // Turned East, the screen shows stored (0, 14) at its top-left and
  // (19, 0) at its bottom-right: beyond the screen's left edge lies the
  // image's last row, beyond its bottom edge the image's last column.
  OpenAt(41, 31, 3, nullptr, 1);
  ASSERT_EQ(View()->Core().Transform(), 5);
  const Point centre = ImageAt(Centre());
  DragClient(QPoint(ScreenOf(0, 14).x - 12, Centre().y()), QPoint(Centre().x(), ScreenOf(19, 0).y + 12));
  const Point inside{2 * centre.x, 2 * centre.y};  // the full pixel of the stored one
  EXPECT_EQ(SavedRegion(), (Rect{inside.x, inside.y, 40, 30}));
}

}  // namespace
}  // namespace viewer
