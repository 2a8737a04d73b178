// Orientation and flips of a file as the window shows them.
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

class OrientationTest : public test::FormTest {};

TEST_F(OrientationTest, EveryOrientationAndFlipOnScreen) {
  // Transform codes by orientation (rows) and flips (none, h, v, both).
  const int codes[4][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {3, 2, 1, 0}, {6, 7, 4, 5}};
  const int w = 3, h = 2;
  std::vector<uint16_t> tones = {100, 200, 300, 400, 500, 600};
  for (int orientation = 0; orientation < 4; ++orientation)
    for (int flips = 0; flips < 4; ++flips) {
      ScanInfo info = test::Facts(w, h);
      info.orientation = orientation;
      info.flipHorizontal = flips & 1;
      info.flipVertical = (flips >> 1) & 1;
      const std::string name = folder / "turned.qew";
      test::WriteImageFile(name, kFileQew, info, tones);
      Open(name);
      const int code = codes[orientation][flips];
      const DisplayCore& core = View()->Core();
      ASSERT_EQ(core.Transform(), code);
      const int W = code >= 4 ? h : w, H = code >= 4 ? w : h;
      ASSERT_EQ(core.OrientedWidth(), W);
      const int s = core.Scale();
      ASSERT_GE(s, 1);
      const QImage shot = Grab();
      for (int v = 0; v < H; ++v)
        for (int u = 0; u < W; ++u) {
          const Point px = test::Shown(code, w, h, u, v);
          const int x = (u - core.Centre().x) * s + s / 2 + core.ClientWidth() / 2 - core.CentreShift().x;
          const int y = (v - core.Centre().y) * s + s / 2 + core.ClientHeight() / 2 - core.CentreShift().y;
          const int t = tones[px.y * w + px.x];
          EXPECT_EQ(At(shot, {x, y}),
                    test::ExpectedColour(mNegative, test::ExpectedIndex(t, 100, 600), kDefaultColorInfo))
              << "orientation " << orientation << " flips " << flips << " at " << u << "," << v;
        }
    }
}

}  // namespace
}  // namespace viewer
