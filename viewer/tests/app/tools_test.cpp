// Region, profile and measurement tools: drags, the overlay drawn with the
// pen's raster operation, the measurement texts and the statistics box.
#include <algorithm>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;
using test::SendMouse;

class ToolsTest : public FormTest {
 protected:
  // A w x h image of tone(x, y), shown positive so a grey g is on screen.
  template <typename F>
  void OpenImage(uint32_t w, uint32_t h, F tone, ScanInfo info = {}) {
    if (info.width == 0) info = test::Facts(w, h);
    std::vector<uint16_t> p(size_t{w} * h);
    for (uint32_t y = 0; y < h; ++y)
      for (uint32_t x = 0; x < w; ++x) p[y * w + x] = static_cast<uint16_t>(tone(x, y));
    const std::string name = folder / "tools.qew";
    test::WriteImageFile(name, kFileQew, info, p);
    Open(name);
    ASSERT_FALSE(Empty());
  }
};

TEST_F(ToolsTest, RegionDragSetsTheROIAndDrawsScreenAndNotPen) {
  // Flat grey 10 with one brighter pixel so the window is 10..11.
  OpenImage(40, 30, [](uint32_t x, uint32_t y) { return x == 39 && y == 29 ? 11 : 10; });
  Actions().Positive->trigger();
  Actions().Region->trigger();
  Drag({30, 20}, {5, 4});
  EXPECT_EQ(SavedRegion(), (Rect{5, 4, 30, 20}));
  const QImage shot = Grab();
  // Yellow pen: (g, g, g) and not (255, 255, 0) gives (0, 0, g); on black
  // (grey 10 maps to index 0 under window 10..11) that would leave nothing,
  // so the outline takes the pen's yellow there.
  EXPECT_EQ(At(shot, ScreenOf(5, 10)), 0xFFFF00u);
  // On a mid grey the blue channel survives.
  View()->SetWindow(PackTones(0, 20));
  const QImage mid = Grab();
  const int g = test::ExpectedIndex(10, 0, 20);
  EXPECT_EQ(At(mid, ScreenOf(5, 10)), uint32_t(g));
  EXPECT_EQ(At(mid, ScreenOf(30, 4)), uint32_t(g));
  EXPECT_EQ(At(mid, ScreenOf(17, 12)), test::Rgb(g, g, g));  // inside: untouched
  // A press with another tool off does nothing.
  Actions().Region->trigger();
  Drag({1, 1}, {2, 2});
  EXPECT_EQ(SavedRegion(), (Rect{5, 4, 30, 20}));
}

TEST_F(ToolsTest, OverlaysShowOnBlackAndOnTheNavyMargin) {
  // Black on screen: a flat tone at the bottom of the window, positive.
  OpenImage(40, 30, [](uint32_t x, uint32_t y) { return x == 39 && y == 29 ? 11 : 10; });
  Actions().Positive->trigger();
  ASSERT_EQ(At(Grab(), ScreenOf(20, 15)), 0u);
  Actions().Region->trigger();
  Drag({5, 4}, {30, 20});
  QImage shot = Grab();
  for (const Point corner : {Point{5, 4}, Point{30, 4}, Point{30, 20}, Point{5, 20}, Point{17, 4}, Point{5, 12}})
    EXPECT_NE(At(shot, ScreenOf(corner.x, corner.y)), 0u) << "outline at " << corner.x << "," << corner.y;
  EXPECT_EQ(At(shot, ScreenOf(17, 12)), 0u);  // inside: untouched
  // The measured line, also while it is dragged.
  Actions().Measurement->trigger();
  const Point a = ScreenOf(5, 25), b = ScreenOf(35, 25);
  SendMouse(Viewport(), QEvent::MouseMove, {a.x, a.y});
  SendMouse(Viewport(), QEvent::MouseButtonPress, {a.x, a.y});
  SendMouse(Viewport(), QEvent::MouseMove, {b.x, b.y});
  EXPECT_NE(At(Grab(), ScreenOf(20, 25)), 0u) << "measured line while dragged";
  SendMouse(Viewport(), QEvent::MouseButtonRelease, {b.x, b.y});
  EXPECT_NE(At(Grab(), ScreenOf(20, 25)), 0u) << "measured line";

  // The profile graph runs across the whole width of the top fifth, also
  // over the navy margins beside a narrow picture.
  OpenImage(4, 4, [](uint32_t x, uint32_t y) { return 1000 * (x + 4 * y); });
  Actions().Profile->trigger();
  Drag({0, 1}, {3, 1});
  shot = Grab();
  const DisplayCore& core = View()->Core();
  const int right = core.Destination().x + core.Destination().width;
  ASSERT_LT(right, core.ClientWidth() - 10) << "a margin right of the picture";
  int graph = 0;
  for (int y = 0; y <= core.ClientHeight() / 5; ++y)
    for (int x = right; x < core.ClientWidth(); ++x)
      if (At(shot, {x, y}) != 0x000080u) ++graph;
  EXPECT_GT(graph, 0) << "graph pixels over the navy margin";
}

TEST_F(ToolsTest, CropKeepsTheRegionAndMarksModified) {
  Actions().CreateTestPattern->trigger();
  Actions().Region->trigger();
  Drag({10, 3}, {19, 3});
  Actions().CropToRegion->trigger();
  ASSERT_EQ(About("IISize"), "10, 1");
  for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(ToneAt(i, 0), 778 + i);
  EXPECT_TRUE(Modified());
  EXPECT_EQ(PanelText(1), "(modified)");
}

TEST_F(ToolsTest, ProfileDragCases) {
  OpenImage(40, 40, [](uint32_t x, uint32_t y) { return 100 + x + 50 * y; });
  Actions().Profile->trigger();
  const struct {
    Point from, to;
    uint8_t kind;
    Point start, end;
  } cases[] = {
      {{10, 10}, {30, 14}, 1, {10, 12}, {30, 12}}, {{10, 10}, {13, 30}, 3, {11, 10}, {11, 30}},
      {{10, 30}, {30, 16}, 0, {13, 30}, {27, 16}}, {{30, 16}, {10, 30}, 0, {13, 30}, {27, 16}},  // either direction
      {{10, 10}, {24, 30}, 2, {10, 13}, {24, 27}},
  };
  CImage image(settings);
  image.Open(folder / "tools.qew");
  for (const auto& c : cases) {
    ProfileLine p = ProfileOfDrag(c.from, c.to);
    EXPECT_EQ(p.kind, c.kind);
    EXPECT_EQ(p.start, c.start);
    EXPECT_EQ(p.end, c.end);
    ScanProfile(p, image);
    uint16_t lo = 65535, hi = 0;
    for (int i = 0; i <= p.Length(); ++i) {
      const Point s = p.Sample(i);
      const uint16_t v = static_cast<uint16_t>(100 + s.x + 50 * s.y);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    EXPECT_EQ(p.minTone, lo);
    EXPECT_EQ(p.maxTone, hi);
    // The window draws that line from the drag, and takes the drag as the ROI.
    Drag(c.from, c.to);
    const QImage shot = Grab(), bare = Bare();
    EXPECT_TRUE(Drawn(shot, bare, c.start) && Drawn(shot, bare, c.end)) << c.from.x << "," << c.from.y;
    const Point beyond{2 * c.end.x - p.Sample(p.Length() - 1).x, 2 * c.end.y - p.Sample(p.Length() - 1).y};
    EXPECT_FALSE(Drawn(shot, bare, beyond)) << "the line ends at " << c.end.x << "," << c.end.y;
    EXPECT_EQ(SavedRegion(), OrderedRect(c.from, c.to));
  }
  EXPECT_EQ(ProfileOfDrag(cases[4].from, cases[4].to).Length(), 14);
}

TEST_F(ToolsTest, AnotherImageDropsTheProfileTonesOfTheOneBefore) {
  // The graph's tone range shows as its labels and as where the staircase
  // of the reset line (0, 0) runs: at the low end of the range in a positive
  // display, the bottom of the top fifth.
  auto graphRow = [this](int row) {
    const QImage shot = Grab(), bare = Bare();
    const DisplayCore& core = View()->Core();
    int drawn = 0;
    for (int x = core.ClientWidth() / 2; x < core.ClientWidth(); ++x)
      if (At(shot, {x, row}) != At(bare, {x, row})) ++drawn;
    return drawn;
  };
  OpenImage(40, 40, [](uint32_t x, uint32_t y) { return 100 + x + 50 * y; });
  Actions().Positive->trigger();
  Actions().Profile->trigger();
  Drag({10, 10}, {30, 14});
  // The next image: the reset line (0, 0) reads its own tone (7000), so its
  // flat staircase lies on the graph's base.
  OpenImage(8, 8, [](uint32_t x, uint32_t y) { return 7000 + 3 * x + y; });
  Actions().Positive->trigger();
  const int base = View()->Core().ClientHeight() / 5;
  EXPECT_GT(graphRow(base), 0) << "the staircase at the tone of (0, 0)";
  // A test pattern alike.
  Actions().CreateTestPattern->trigger();
  Actions().Positive->trigger();
  EXPECT_GT(graphRow(View()->Core().ClientHeight() / 5), 0);
  // An image whose origin leaves (0, 0) outside it has no tones there: no graph.
  ScanInfo info = test::Facts(8, 8);
  info.originX = 100;
  OpenImage(8, 8, [](uint32_t, uint32_t) { return 9000; }, info);
  Actions().Positive->trigger();
  const QImage shot = Grab(), bare = Bare();
  EXPECT_EQ(shot, bare) << "no range, no graph";
}

TEST_F(ToolsTest, MeasurementTextsInPixelsAndUnits) {
  const struct {
    Point a, b;
    uint8_t units;
    uint32_t rx, ry;
    const char *line1, *line2;
  } cases[] = {
      {{5, 5}, {5, 25}, 0, 0, 0, "20 pixels at 90 deegrees", "dX = 0, dY = 20"},
      {{5, 25}, {5, 5}, 0, 0, 0, "20 pixels at -90 deegrees", "dX = 0, dY = -20"},
      {{5, 5}, {5, 5}, 0, 0, 0, "0 pixels at -90 deegrees", "dX = 0, dY = 0"},
      {{0, 0}, {100, 100}, 3, 10000, 20000, "11.18 mm at 45 deegrees", "dX = 10 mm, dY = 5 mm"},
      {{0, 0}, {100, 100}, 2, 10000, 20000, "11.18 mm at 45 deegrees", "dX = 10 mm, dY = 5 mm"},
      {{0, 0}, {100, 0}, 4, 10000, 10000, "1 cm at 0 deegrees", "dX = 1 cm, dY = 0 cm"},
      {{0, 0}, {254, 0}, 1, 10000, 10000, "1 inches at 0 deegrees", "dX = 1\", dY = 0\""},
      {{0, 0}, {3, 4}, 1, 0, 10000, "5 pixels at 53.13 deegrees", "dX = 3, dY = 4"},
  };
  for (const auto& c : cases) {
    const MeasurementTexts t = MeasureTexts(c.a, c.b, c.units, c.rx, c.ry);
    EXPECT_EQ(t.line1, c.line1);
    EXPECT_EQ(t.line2, c.line2);
  }
}

TEST_F(ToolsTest, MeasurementFollowsTheDragWithoutChangingInPaint) {
  ScanInfo info = test::Facts(40, 40);
  info.resolutionX = 10000;
  info.resolutionY = 20000;
  OpenImage(
      40, 40, [](uint32_t x, uint32_t) { return x; }, info);
  Actions().Measurement->trigger();
  const Point a = ScreenOf(5, 5), b = ScreenOf(5, 25);
  SendMouse(Viewport(), QEvent::MouseMove, {a.x, a.y});
  SendMouse(Viewport(), QEvent::MouseButtonPress, {a.x, a.y});
  SendMouse(Viewport(), QEvent::MouseMove, {b.x, b.y});
  // The line runs from (5, 5) to (5, 25) while dragged and after.
  auto expectLine = [this](const QImage& shot, const QImage& bare) {
    for (const int y : {5, 15, 25}) EXPECT_TRUE(Drawn(shot, bare, {5, y})) << y;
    for (const Point off : {Point{5, 26}, Point{5, 4}, Point{6, 15}}) EXPECT_FALSE(Drawn(shot, bare, off));
  };
  expectLine(Grab(), Bare());
  SendMouse(Viewport(), QEvent::MouseButtonRelease, {b.x, b.y});
  const QImage first = Grab();
  const QImage second = Grab();
  EXPECT_EQ(first, second) << "painting twice changes nothing";
  expectLine(second, Bare());
  EXPECT_EQ(PanelText(0), QStringLiteral("(5,25)=5"));
}

TEST_F(ToolsTest, MeanValueBoxAndItsText) {
  OpenImage(2, 1, [](uint32_t x, uint32_t) { return x ? 200 : 100; });
  Actions().Region->trigger();
  Actions().MeanValue->trigger();
  ASSERT_EQ(prompts.boxes.size(), 1u);
  EXPECT_EQ(prompts.boxes[0].first, BoxKind::Information);
  EXPECT_EQ(prompts.boxes[0].second,
            "The average value is 150.000   \nwith standard deviation of 70.710678 \nand SNR of 3.000000  ");
  Drag({1, 0}, {1, 0});
  Actions().MeanValue->trigger();
  EXPECT_EQ(prompts.boxes.size(), 1u);  // one pixel: no box
}

TEST(RegionStatistics, EveryCoordinateOnTheImageCountsAsPixelAtGivesIt) {
  test::TempFolder folder;
  const std::string name = folder / "s.qew";
  std::vector<uint16_t> p(16);
  for (int i = 0; i < 16; ++i) p[i] = static_cast<uint16_t>(i * 100);
  test::WriteImageFile(name, kFileQew, test::Facts(4, 4), p);
  // Held whole and as 2 x 2; regions inside and running past the pixels,
  // of which only the part on the image counts.
  for (int32_t limit : {0, 2 * 2 * 2})
    for (const Rect roi : {Rect{0, 0, 3, 3}, Rect{1, 0, 5, 3}, Rect{2, 1, 2, 2}, Rect{-2, 2, 2, 9}}) {
      ViewerSettings settings;
      settings.maxImageSize = limit;
      CImage image(settings);
      image.Open(name);
      ASSERT_EQ(image.Sampling(), limit ? 2u : 1u);
      const Rect on{std::max(roi.left, 0), std::max(roi.top, 0), std::min(roi.right, 3), std::min(roi.bottom, 3)};
      double sum = 0, n = 0;
      for (int y = on.top; y <= on.bottom; ++y)
        for (int x = on.left; x <= on.right; ++x, ++n) sum += image.PixelAt(x, y);
      const double mean = sum / n;
      double q = 0;
      for (int y = on.top; y <= on.bottom; ++y)
        for (int x = on.left; x <= on.right; ++x) q += (image.PixelAt(x, y) - mean) * (image.PixelAt(x, y) - mean);
      RegionStatistics s;
      ASSERT_TRUE(MeasureRegion(image, roi, s));
      EXPECT_DOUBLE_EQ(s.mean, mean);
      EXPECT_NEAR(s.deviation, std::sqrt(q / (n - 1)), 1e-9);
      EXPECT_NEAR(s.snr, mean / std::sqrt(q / n), 1e-9);
    }
}

}  // namespace
}  // namespace viewer
