#include "viewer/core/display_core.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "viewer/core/settings.h"
#include "viewer/tests/oracle.h"

namespace viewer {
namespace {

using test::ExpectedIndex;
using test::ExpectedPseudo;
using test::Rgb;
using test::Shown;

using test::MakeImage;

TEST(ToneTable, MatchesTheWindowFormula) {
  const std::pair<int, int> windows[] = {{0, 0}, {1000, 1001},   {0, 65535}, {100, 4095},
                                         {5, 5}, {65535, 65535}, {0, 1},     {300, 811}};
  ToneTable table;
  for (auto [low, high] : windows) {
    BuildToneTable(low, high, table);
    for (int t = 0; t < 65536; ++t)
      ASSERT_EQ(table[t], ExpectedIndex(t, low, high)) << low << ".." << high << " tone " << t;
  }
  BuildToneTable(1000, 1001, table);
  EXPECT_EQ(table[1000], 0);
  EXPECT_EQ(table[1001], 128);  // 127.5 to even
  EXPECT_EQ(table[1002], 255);
}

TEST(ColorTables, EachMappingFromItsFormula) {
  ColorTable table;
  BuildColorTable(mPositive, kDefaultColorInfo, table);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], Rgb(i, i, i));
  BuildColorTable(mNegative, kDefaultColorInfo, table);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], Rgb(255 - i, 255 - i, 255 - i));

  const ColorInfo infos[] = {kDefaultColorInfo,
                             {10, 40, 200, 0, 0, 255, 250, 30, 100},  // c - w < 0, w = 0, c + w > 255
                             {255, 255, 255, 0, 255, 128, 128, 1, 255}};
  for (const ColorInfo& info : infos) {
    auto pseudo = [&](int i) { return ExpectedPseudo(i, info); };
    BuildColorTable(mPositiveColor, info, table);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], pseudo(i)) << i;
    BuildColorTable(mNegativeColor, info, table);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(table[255 - i], pseudo(i)) << i;
  }

  BuildColorTable(mPositiveColor, kDefaultColorInfo, table);
  EXPECT_EQ(table[127], Rgb(255, 0, 0));
  EXPECT_EQ(table[63], Rgb(0, 255, 0));
  EXPECT_EQ(table[191], Rgb(0, 0, 255));
  EXPECT_EQ(table[0], Rgb(0, 3, 0));
  const ColorTable before = table;
  BuildColorTable(mCustom, {}, table);
  EXPECT_EQ(table, before);
}

TEST(Orientation, TransformCodeTable) {
  const uint8_t expected[4][4] = {{0, 1, 2, 3}, {5, 4, 7, 6}, {3, 2, 1, 0}, {6, 7, 4, 5}};
  for (int o = 0; o < 4; ++o)
    for (int f = 0; f < 4; ++f) EXPECT_EQ(TransformCode(o, f & 1, f >> 1), expected[o][f]) << o << f;
  EXPECT_EQ(TransformCode(7, 0, 0), 0);  // any other orientation as North
  EXPECT_EQ(TransformCode(-1, 1, 1), 3);
  EXPECT_EQ(TransformCode(1, 5, 0), 4);  // any non-zero flip is set
}

TEST(OverlayColour, ScreenAndNotPenWhereItShowsElseAVisibleColour) {
  const uint32_t yellow = 0xFFFF00, olive = 0x808000, black = 0, white = 0xFFFFFF, navy = 0x000080;
  const struct {
    uint32_t pen, under, shown;
  } cases[] = {
      {yellow, 0x757575, 0x000075},  // mid grey: the blue channel survives
      {yellow, white, 0x0000FF},
      {yellow, black, yellow},  // nothing to mask: the pen's colour added
      {yellow, navy, 0xFFFF80},
      {yellow, 0x101010, 0xFFFF10},  // dark grey: masking changes too little
      {olive, navy, 0x808080},  // the profile graph over the margin
      {olive, 0xC8C8C8, 0x4848C8},
      {black, 0x646464, white},  // a black pen: black or white, the farther
      {black, 0xC8C8C8, black},
      {white, black, white},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OverlayColour(c.pen, c.under), c.shown) << std::hex << c.pen << " over " << c.under;
  // Every pen on every grey leaves a visible change.
  for (uint32_t pen : {yellow, olive, black, white, navy, 0x00FF00u})
    for (uint32_t g = 0; g < 256; ++g) {
      const uint32_t under = g * 0x010101u, shown = OverlayColour(pen, under);
      int most = 0;
      for (int shift : {0, 8, 16}) most = std::max(most, std::abs(int((shown >> shift) & 0xFF) - int(g)));
      ASSERT_GE(most, 64) << std::hex << pen << " over " << under;
    }
}

class DisplayCoreTest : public ::testing::Test {
 protected:
  ViewerSettings settings;
  DisplayCore core{settings};
};

TEST_F(DisplayCoreTest, CoordinateMapsFollowEachTransform) {
  const int w = 3, h = 2;
  core.SetClientSize(60, 40);
  for (int code = 0; code < 8; ++code) {
    const int o = (code < 4) ? 0 : 1;
    // the code reached from North or East with some flips
    int flips = 0;
    for (; flips < 4; ++flips)
      if (TransformCode(o, flips & 1, flips >> 1) == code) break;
    core.SetOrientation(o, flips & 1, flips >> 1);
    core.SetData(MakeImage(w, h));
    ASSERT_EQ(core.Transform(), code);
    const int W = core.OrientedWidth(), H = core.OrientedHeight();
    EXPECT_EQ(W, code >= 4 ? h : w);
    for (int v = 0; v < H; ++v)
      for (int u = 0; u < W; ++u) {
        const Point img = Shown(code, w, h, u, v);
        Point screen = img;
        core.ImageToScreen(screen);
        const int s = core.Scale();
        ASSERT_GE(s, 1);
        // middle of the block of display pixel (u, v); after the fit the
        // middle pixel of an odd count is centred on the client's middle
        EXPECT_EQ(screen.x, (u - core.Centre().x) * s + s / 2 + 30 - (W % 2 ? s / 2 : 0)) << code;
        EXPECT_EQ(screen.y, (v - core.Centre().y) * s + s / 2 + 20 - (H % 2 ? s / 2 : 0)) << code;
        Point back = screen;
        core.ScreenToImage(back);
        EXPECT_EQ(back, img) << code << " " << u << "," << v;
      }
  }
}

TEST_F(DisplayCoreTest, ScaleSteps) {
  EXPECT_EQ(core.SetScale(5), 0u);  // nothing without image
  core.SetClientSize(400, 300);
  core.SetData(MakeImage(100, 50));
  EXPECT_EQ(core.Scale(), 4);
  core.SetScale(1);
  EXPECT_EQ(core.SetScale(0), unsigned{kEventView});
  EXPECT_EQ(core.Scale(), -2);
  core.SetScale(-1);
  EXPECT_EQ(core.Scale(), 1);
  core.SetScale(-1);
  EXPECT_EQ(core.Scale(), -2);
  core.SetScale(40);
  EXPECT_EQ(core.Scale(), 25);
  settings.maxScale = 30;
  core.SetScale(40);
  EXPECT_EQ(core.Scale(), 30);
  // Zoom out ends at one pixel for the picture's longer side.
  core.SetScale(-1000000000);
  EXPECT_EQ(core.Scale(), -100);
  EXPECT_EQ(core.ScrollBar(ScrollAxis::Horizontal).page, 40000);
}

TEST_F(DisplayCoreTest, FitWhole) {
  core.SetClientSize(400, 300);
  const struct {
    uint32_t w, h;
    int scale;
  } cases[] = {{100, 50, 4}, {1000, 500, -3}, {400, 300, 1},   {401, 300, -2},
               {1, 1, 300},  {4000, 10, -10}, {10, 2999, -10}, {10, 3001, -11}};
  for (const auto& c : cases) {
    core.SetData(MakeImage(c.w, c.h));
    EXPECT_EQ(core.Scale(), c.scale) << c.w << "x" << c.h;
    EXPECT_EQ(core.Centre(), (Point{int(c.w / 2), int(c.h / 2)}));
  }
  // East: the oriented size is turned.
  core.SetOrientation(1, 0, 0);
  core.SetData(MakeImage(50, 100));
  EXPECT_EQ(core.OrientedWidth(), 100);
  EXPECT_EQ(core.Scale(), 4);
  Point topRight{core.OrientedWidth() - 1, 0};
  EXPECT_EQ(Shown(core.Transform(), 50, 100, topRight.x, topRight.y), (Point{0, 0}));
}

TEST_F(DisplayCoreTest, ZeroSizeClientKeepsTheScale) {
  core.SetClientSize(0, 300);
  core.SetData(MakeImage(1000, 500));
  EXPECT_EQ(core.Scale(), 1);
  core.SetClientSize(400, 0);
  core.FitWhole();
  core.FitRect({0, 0, 10, 10});
  EXPECT_EQ(core.Scale(), 1);
  core.Render(0, 0);
  EXPECT_EQ(core.Source().height, 0);
  Point p{5, 5};
  core.ScreenToImage(p);
  core.ImageToScreen(p);
}

TEST_F(DisplayCoreTest, FitRect) {
  core.SetClientSize(400, 300);
  core.SetData(MakeImage(1000, 500));
  core.FitRect({10, 20, 109, 69});  // 100 x 50 fits at 4
  EXPECT_EQ(core.Scale(), 4);
  // The pixel right of the middle starts at the client's middle, so the
  // rectangle fills the client from column 0 to 399.
  EXPECT_EQ(core.Centre(), (Point{60, 45}));
  core.FitRect({109, 69, 10, 20});  // corners in any order
  EXPECT_EQ(core.Centre(), (Point{60, 45}));
  core.FitRect({-500, -500, 5000, 5000});  // the part on the picture: all of it
  EXPECT_EQ(core.Scale(), -3);
  EXPECT_EQ(core.Centre(), (Point{500, 250}));
  core.FitRect({2000, 900, 2100, 1000});  // off the picture: a centre on it
  EXPECT_EQ(core.Centre(), (Point{999, 499}));
  core.Render(800, 600);  // a centre off the picture would read outside it
}

// After a fit, every stored pixel of what was fitted has its whole block
// inside the client, and the rendered bitmap covers exactly those blocks.
TEST_F(DisplayCoreTest, FitShowsEveryPixelOfOddAndEvenSizes) {
  auto expectOnScreen = [&](Rect r, const std::string& what) {
    const int s = core.Scale();
    for (int32_t y = r.top; y <= r.bottom; ++y)
      for (int32_t x = r.left; x <= r.right; ++x) {
        Point p{x, y};
        core.ImageToScreen(p);
        const Point mid = p;
        if (s < 1) {  // every k-th pixel shown: each is somewhere on screen
          ASSERT_TRUE(mid.x >= 0 && mid.x < core.ClientWidth() && mid.y >= 0 && mid.y < core.ClientHeight()) << what;
          continue;
        }
        core.ScreenToImage(p);
        ASSERT_EQ(p, (Point{x, y})) << what << " pixel " << x << "," << y << " at " << mid.x << "," << mid.y;
        const int left = mid.x - s / 2, top = mid.y - s / 2;
        ASSERT_TRUE(left >= 0 && left + s <= core.ClientWidth() && top >= 0 && top + s <= core.ClientHeight())
            << what << " pixel " << x << "," << y << " block at " << left << "," << top << " scale " << s;
      }
  };
  // The whole picture: the bitmap is all of it and inside the client.
  auto expectPictureInside = [&](const std::string& what) {
    core.Render(1024, 768);
    const auto& d = core.Destination();
    // Reduced by k: the pixels 0, k, 2k, ... of each axis, the last partial
    // step included.
    const int k = core.Scale() < 0 ? -core.Scale() : 1;
    ASSERT_EQ(core.Source().width, (core.OrientedWidth() + k - 1) / k) << what;
    ASSERT_EQ(core.Source().height, (core.OrientedHeight() + k - 1) / k) << what;
    ASSERT_TRUE(d.x >= 0 && d.y >= 0 && d.x + d.width <= core.ClientWidth() && d.y + d.height <= core.ClientHeight())
        << what;
  };
  const Point clients[] = {{352, 234}, {352, 300}, {117, 117}, {400, 300}, {7, 5}, {640, 479}};
  const Point sizes[] = {{3, 2}, {1, 1}, {3, 3}, {2, 2}, {5, 1}, {1, 7}, {117, 35}, {9, 4}};
  for (const Point client : clients)
    for (const Point size : sizes)
      for (int32_t orientation : {0, 1}) {
        core.SetClientSize(client.x, client.y);
        core.SetOrientation(orientation, 0, 0);
        core.SetData(MakeImage(size.x, size.y));
        const std::string what = std::to_string(size.x) + "x" + std::to_string(size.y) + " in " +
                                 std::to_string(client.x) + "x" + std::to_string(client.y) + " turned " +
                                 std::to_string(orientation);
        expectOnScreen({0, 0, size.x - 1, size.y - 1}, "whole " + what);
        expectPictureInside(what);
        // Regions of each parity inside the image.
        for (const Rect r : {Rect{0, 0, 0, 0}, Rect{0, 0, std::min(2, size.x - 1), std::min(2, size.y - 1)},
                             Rect{size.x / 2, size.y / 2, size.x - 1, size.y - 1}}) {
          core.FitRect(r);
          expectOnScreen(r, "region " + what);
        }
      }
}

TEST_F(DisplayCoreTest, OddFitKeepsTheLargestScaleAndCentresThePicture) {
  // 3 x 2 in 352 x 234: scale 117, the 351-pixel-wide picture from column
  // 0 or 1, the 234 rows from row 0.
  core.SetClientSize(352, 234);
  core.SetData(MakeImage(3, 2));
  EXPECT_EQ(core.Scale(), 117);
  core.Render(1024, 768);
  EXPECT_EQ(core.Destination().width, 351);
  EXPECT_LE(core.Destination().x, 1);
  EXPECT_EQ(core.Destination().y, 0);
  // Zooming keeps the middle pixel centred; moving the centre starts its
  // block at the client's middle again.
  core.SetScale(20);
  Point p{1, 0};
  core.ImageToScreen(p);
  EXPECT_EQ(p.x, 176);
  core.SetCentre({0, 0});
  p = {0, 0};
  core.ImageToScreen(p);
  EXPECT_EQ(p.x, 176 + 10);
}

TEST_F(DisplayCoreTest, ScreenToImageRoundsTowardMinusInfinity) {
  core.SetClientSize(400, 300);
  core.SetData(MakeImage(100, 50));
  ASSERT_EQ(core.Scale(), 4);
  const Point c = core.Centre();
  for (int d : {1, 2, 3, 4}) {
    Point p{200 - d, 150};
    core.ScreenToImage(p);
    EXPECT_EQ(p, (Point{c.x - 1, c.y})) << d;
  }
  Point p{200 - 5, 150};
  core.ScreenToImage(p);
  EXPECT_EQ(p.x, c.x - 2);
  p = {200 + 3, 150 + 4};
  core.ScreenToImage(p);
  EXPECT_EQ(p, (Point{c.x, c.y + 1}));
  p = {-10000, 100000};
  core.ScreenToImage(p);
  EXPECT_EQ(p, (Point{0, 49}));
  core.SetScale(-3);
  p = {200 - 2, 150 + 1};
  core.ScreenToImage(p);
  EXPECT_EQ(p, (Point{c.x - 6, c.y + 3}));
  Point q{c.x - 6, c.y + 3};
  core.ImageToScreen(q);
  EXPECT_EQ(q, (Point{198, 151}));
}

TEST_F(DisplayCoreTest, ScrollModel) {
  EXPECT_EQ(core.ScrollBar(ScrollAxis::Horizontal).maximum, 0);
  core.SetClientSize(400, 300);
  core.SetData(MakeImage(1000, 500));
  core.SetScale(3);
  ScrollBarState bar = core.ScrollBar(ScrollAxis::Horizontal);
  EXPECT_EQ(bar.page, 133);  // Round(400 / 3)
  EXPECT_EQ(bar.maximum, 1133);
  EXPECT_EQ(bar.position, 500);
  core.SetScale(8);
  EXPECT_EQ(core.ScrollBar(ScrollAxis::Horizontal).page, 50);
  EXPECT_EQ(core.ScrollBar(ScrollAxis::Vertical).page, 38);  // 37.5 to even
  core.SetScale(6);
  EXPECT_EQ(core.ScrollBar(ScrollAxis::Vertical).page, 50);
  EXPECT_EQ(core.ScrollBar(ScrollAxis::Horizontal).page, 67);  // 66.67

  core.Scroll(ScrollAxis::Horizontal, ScrollCode::End, 0);
  EXPECT_EQ(core.Centre().x, 999);
  core.Scroll(ScrollAxis::Horizontal, ScrollCode::LineForward, 0);
  EXPECT_EQ(core.Centre().x, 999);
  core.Scroll(ScrollAxis::Horizontal, ScrollCode::PageBack, 0);
  EXPECT_EQ(core.Centre().x, 999 - 33);
  core.Scroll(ScrollAxis::Horizontal, ScrollCode::Start, 0);
  core.Scroll(ScrollAxis::Horizontal, ScrollCode::LineBack, 0);
  EXPECT_EQ(core.Centre().x, 0);
  core.Scroll(ScrollAxis::Vertical, ScrollCode::Thumb, 1234);
  EXPECT_EQ(core.Centre().y, 499);
  core.Scroll(ScrollAxis::Vertical, ScrollCode::Thumb, 17);
  EXPECT_EQ(core.Centre().y, 17);
  EXPECT_TRUE(core.NeedsRender());
}

TEST_F(DisplayCoreTest, CentreInImageCoordinates) {
  core.SetClientSize(400, 300);
  core.SetOrientation(1, 0, 0);  // East
  core.SetData(MakeImage(1000, 500));
  EXPECT_EQ(core.SetCentre({10, 20}), unsigned{kEventView});
  EXPECT_EQ(core.GetCentre(), (Point{10, 20}));
  EXPECT_EQ(core.Centre(), (Point{500 - 20 - 1, 10}));
  EXPECT_EQ(core.SetCentre({10, 20}), 0u);
  core.SetCentre({-50, 5000});  // clamped on the display: its top-left corner
  EXPECT_EQ(core.Centre(), (Point{0, 0}));
  EXPECT_EQ(core.GetCentre(), (Point{0, 499}));
}

TEST_F(DisplayCoreTest, ToneWindowAndPercentages) {
  ImageRecord image = MakeImage(100, 40, 1, 100);  // tones 100..4099
  unsigned events = core.SetData(image);
  EXPECT_EQ(events, unsigned{kEventLut | kEventView | kEventData});
  EXPECT_EQ(core.Window(), PackTones(100, 4099));
  EXPECT_EQ(core.Contrast(), 0);
  EXPECT_EQ(core.Brightness(), 100 - (2099 - 100) * 100 / 4000);
  // Same tone range again: no tone table event.
  EXPECT_EQ(core.SetData(image), unsigned{kEventView | kEventData});

  EXPECT_EQ(core.SetWindow(PackTones(3000, 1000)), unsigned{kEventLut});
  EXPECT_EQ(core.Window(), PackTones(1000, 3000));
  EXPECT_EQ(core.Contrast(), 100 - 2001 * 100 / 4000);
  EXPECT_EQ(core.Brightness(), 100 - (2000 - 100) * 100 / 4000);
  EXPECT_EQ(core.SetWindow(PackTones(1000, 3000)), 0u);

  const struct {
    int contrast, brightness;
    int low, high;
  } cases[] = {
      {0, 50, 100 + 2000 - 2000, 100 + 2000 - 2000 + 4000 - 1},
      {50, 50, 100 + 2000 - 1000, 100 + 2000 - 1000 + 2000 - 1},
      {90, 10, 100 + 3600 - 200, 100 + 3600 - 200 + 400 - 1},
      {100, 50, 2100, 2100},  // never empty: one tone wide
      {150, 50, 2100, 2100},
      {-100, 50, 0, 6099},  // low clamped
      {0, 200, 0, 0},
  };
  for (const auto& c : cases) {
    core.SetBrightness(c.brightness);
    core.SetContrast(c.contrast);
    core.SetContrast(c.contrast + 1);
    core.SetContrast(c.contrast);
    EXPECT_EQ(core.Window(), PackTones(c.low, c.high)) << c.contrast << " " << c.brightness;
    EXPECT_EQ(core.Tones()[c.low], 0);
    EXPECT_EQ(core.Contrast(), c.contrast);  // percentages are kept as given
  }
}

TEST_F(DisplayCoreTest, ColourEvents) {
  EXPECT_EQ(core.SetMapping(mPositive), 0u);
  EXPECT_EQ(core.SetMapping(mNegative), unsigned{kEventColor});
  EXPECT_EQ(core.Colors()[0], Rgb(255, 255, 255));
  EXPECT_EQ(core.SetMapping(mCustom), unsigned{kEventColor});
  EXPECT_EQ(core.Colors()[0], Rgb(255, 255, 255));
  EXPECT_EQ(core.SetColorInfo(kDefaultColorInfo), unsigned{kEventColor});
}

// Bitmap of the visible part, worked out pixel by pixel from the
// placement rules and the transform meanings.
void ExpectBitmap(const DisplayCore& core, const ImageRecord& image, int code) {
  const int s = core.Scale(), k = s < 0 ? -s : 1;
  const auto& src = core.Source();
  for (int i = 0; i < src.height; ++i)
    for (int j = 0; j < src.width; ++j) {
      const int u = (src.x + j) * k, v = (src.y + i) * k;
      const Point p = Shown(code, image.width, image.height, u, v);
      const uint16_t tone = image.pixels[size_t(p.y) * image.width + p.x];
      ASSERT_EQ(core.Bitmap()[i * core.BitmapStride() + j], core.Tones()[tone])
          << "code " << code << " scale " << s << " at " << j << "," << i;
    }
}

TEST_F(DisplayCoreTest, RenderReducedAndMagnified) {
  const ImageRecord image = MakeImage(97, 61, 7, 3);
  core.SetClientSize(40, 30);
  for (int code = 0; code < 8; ++code) {
    const int o = code < 4 ? 0 : 1;
    int f = 0;
    while (TransformCode(o, f & 1, f >> 1) != code) ++f;
    core.SetOrientation(o, f & 1, f >> 1);
    core.SetData(image);
    core.SetWindow(PackTones(50, 400));
    const int W = core.OrientedWidth(), H = core.OrientedHeight();
    for (int scale : {-2, -3, -7, 1, 2, 5}) {
      core.SetScale(scale);
      for (Point c : {Point{0, 0}, Point{W / 2, H / 2}, Point{W - 1, H - 1}, Point{3, H - 2}}) {
        core.Scroll(ScrollAxis::Horizontal, ScrollCode::Thumb, c.x);
        core.Scroll(ScrollAxis::Vertical, ScrollCode::Thumb, c.y);
        core.Render(100, 100);
        const auto& src = core.Source();
        const auto& dst = core.Destination();
        if (scale < 0) {
          const int k = -scale;
          EXPECT_EQ(dst.x, std::max(0, 20 - c.x / k));
          EXPECT_EQ(dst.width, src.width);
          EXPECT_LE(dst.x + dst.width, 40);
          EXPECT_LE((src.x + src.width - 1) * k, W - 1);
        } else {
          EXPECT_EQ(dst.width, src.width * scale);
          EXPECT_GE(dst.x, -scale);
          EXPECT_LT(dst.x + dst.width, 40 + scale);
          // the centre pixel's block starts at the middle of the client
          EXPECT_EQ(dst.x + (c.x - src.x) * scale, 20);
        }
        ExpectBitmap(core, image, code);
      }
    }
  }
}

TEST(RenderBuffer, SizedFromTheScreenAndMaxScaleAtTheFirstRender) {
  const struct {
    int32_t maxScale, screenWidth, screenHeight;
    size_t bytes;
  } cases[] = {
      {25, 1000, 800, size_t{1052} * 850},    {25, 1001, 800, size_t{1052} * 850},
      {1, 1024, 768, size_t{1028} * 770},     {0, 1024, 768, size_t{1028} * 770},  // counts as 1
      {100000, 640, 480, size_t{1152} * 992},  // margin capped at 2 x 256
  };
  for (const auto& c : cases) {
    ViewerSettings settings;
    settings.maxScale = c.maxScale;
    DisplayCore core(settings);
    core.Render(c.screenWidth, c.screenHeight);
    EXPECT_EQ(core.BufferSize(), c.bytes) << c.maxScale << " " << c.screenWidth;
    core.Render(2 * c.screenWidth, c.screenHeight);  // allocated once
    EXPECT_EQ(core.BufferSize(), c.bytes);
  }
}

TEST(RenderBuffer, FollowsALargerScaleLimitFromTheFirstScreen) {
  ViewerSettings settings;
  DisplayCore core(settings);
  core.Render(1000, 800);
  EXPECT_EQ(core.BufferSize(), size_t{1052} * 850);
  settings.maxScale = 60;
  core.Render(2000, 800);  // the first screen still counts
  EXPECT_EQ(core.BufferSize(), size_t{1120} * 920);
  settings.maxScale = 10;  // a smaller limit keeps the buffer
  core.Render(1000, 800);
  EXPECT_EQ(core.BufferSize(), size_t{1120} * 920);
}

TEST_F(DisplayCoreTest, BufferGrowsForAClientLargerThanTheScreen) {
  core.SetClientSize(300, 200);
  core.SetData(MakeImage(1000, 1000));
  core.SetScale(1);
  core.Render(100, 100);
  EXPECT_EQ(core.Source().width, 300);
  EXPECT_GE(core.BufferSize(), size_t(300 * 200));
  ExpectBitmap(core, MakeImage(1000, 1000), 0);
}

}  // namespace
}  // namespace viewer
