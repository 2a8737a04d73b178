#include "viewer/widgets/image_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <string>
#include <vector>

#include "viewer/core/image.h"
#include "viewer/core/settings.h"
#include "viewer/tests/core/test_support.h"
#include "viewer/tests/oracle.h"

namespace viewer {
namespace {

using test::ExpectedColour;
using test::ExpectedIndex;
using test::MakeImage;

constexpr uint32_t kNavy = 0x000080;

QApplication& App() {
  static int argc = 1;
  static char name[] = "viewer_display_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

class ImageViewerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    view = std::make_unique<TImageViewer>();
    view->show();
  }
  void TearDown() override { view.reset(); }

  // Resizes the control so that its client area is exactly w x h.
  void SetClient(int w, int h) {
    for (int i = 0; i < 3; ++i) {
      const QSize client = view->viewport()->size();
      view->resize(view->width() + w - client.width(), view->height() + h - client.height());
    }
    ASSERT_EQ(view->viewport()->size(), QSize(w, h));
    ASSERT_EQ(view->Core().ClientWidth(), w);
  }

  QImage Grab() { return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  static uint32_t At(const QImage& shot, int x, int y) { return shot.pixel(x, y) & 0xFFFFFF; }

  // Every client pixel against the placement rules: the display pixel a
  // client point falls on, or the margin colour.
  void ExpectScreen(const ImageRecord& image, EMapping mapping = mPositive, const ColorInfo& info = kDefaultColorInfo) {
    const QImage shot = Grab();
    const DisplayCore& core = view->Core();
    const int cw = core.ClientWidth(), ch = core.ClientHeight();
    const int W = core.OrientedWidth(), H = core.OrientedHeight(), s = core.Scale();
    const int cx = core.Centre().x, cy = core.Centre().y;
    const Point shift = core.CentreShift();
    ASSERT_EQ(shot.size(), QSize(cw, ch));
    auto displayOf = [&](int client, int size, int centre, int oriented, int shifted, int& d) {
      if (s >= 1) {
        d = centre + static_cast<int>(std::floor((client - size / 2 + shifted) / double(s)));
        return d >= 0 && d < oriented;
      }
      const int k = -s;
      const int m = client - size / 2 + centre / k;
      d = m * k;
      return m >= 0 && m < (oriented + k - 1) / k;
    };
    int errors = 0;
    for (int y = 0; y < ch && errors < 5; ++y)
      for (int x = 0; x < cw && errors < 5; ++x) {
        int u, v;
        uint32_t want = kNavy;
        if (displayOf(x, cw, cx, W, shift.x, u) && displayOf(y, ch, cy, H, shift.y, v)) {
          const Point p = test::Shown(core.Transform(), image.width, image.height, u, v);
          const int tone = image.pixels[size_t(p.y) * image.width + p.x];
          want = ExpectedColour(mapping, ExpectedIndex(tone, core.WindowLow(), core.WindowHigh()), info);
        }
        if (At(shot, x, y) != want) {
          ++errors;
          ADD_FAILURE() << "client " << x << "," << y << " scale " << s << " centre " << cx << "," << cy << ": got "
                        << std::hex << At(shot, x, y) << " want " << want;
        }
      }
  }

  std::unique_ptr<TImageViewer> view;
};

TEST_F(ImageViewerTest, WithoutImageTheClientIsNavy) {
  SetClient(50, 40);
  const QImage shot = Grab();
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 50; ++x) ASSERT_EQ(At(shot, x, y), kNavy);
  EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
}

TEST_F(ImageViewerTest, EveryMappingShowsPaletteOfToneTable) {
  SetClient(160, 120);
  const ImageRecord image = MakeImage(16, 12, 331, 17);
  view->SetData(image);
  SetClient(160, 120);
  view->FitWhole();
  ASSERT_EQ(view->Core().Scale(), 10);
  const ColorInfo custom = {100, 30, 200, 20, 90, 255, 230, 60, 128};
  const struct {
    EMapping mapping;
    uint32_t window;
  } cases[] = {{mPositive, 0},
               {mNegative, PackTones(2000, 40000)},
               {mPositiveColor, PackTones(500, 501)},
               {mNegativeColor, PackTones(17, 60000)}};
  for (const auto& c : cases) {
    view->SetMapping(c.mapping);
    if (c.window) view->SetWindow(c.window);
    ExpectScreen(image, c.mapping);
    view->SetColorInfo(custom);
    if (c.mapping == mPositiveColor || c.mapping == mNegativeColor) ExpectScreen(image, c.mapping, custom);
    view->SetColorInfo(kDefaultColorInfo);
  }
  // Contrast and brightness move the window; the screen follows.
  view->SetMapping(mPositive);
  view->SetContrast(60);
  view->SetBrightness(30);
  ExpectScreen(image);
}

TEST_F(ImageViewerTest, SixteenOrientationsOnDistinctTones) {
  // 3 x 2 image; the screen must show it turned clockwise, then mirrored.
  const ImageRecord image = MakeImage(3, 2, 9000, 1000);
  auto tone = [&](int x, int y) { return image.pixels[y * 3 + x]; };
  view->SetData(image);  // the scroll bars appear
  SetClient(120, 90);
  for (int o = 0; o < 4; ++o)
    for (int f = 0; f < 4; ++f) {
      std::vector<std::vector<int>> grid = {{tone(0, 0), tone(1, 0), tone(2, 0)}, {tone(0, 1), tone(1, 1), tone(2, 1)}};
      for (int t = 0; t < o; ++t) {  // a quarter turn clockwise
        const size_t rows = grid.size(), cols = grid[0].size();
        std::vector<std::vector<int>> turned(cols, std::vector<int>(rows));
        for (size_t i = 0; i < cols; ++i)
          for (size_t j = 0; j < rows; ++j) turned[i][j] = grid[rows - 1 - j][i];
        grid = turned;
      }
      if (f & 1)
        for (auto& row : grid) std::reverse(row.begin(), row.end());
      if (f & 2) std::reverse(grid.begin(), grid.end());

      ScanInfo info{};
      info.orientation = o;
      info.flipHorizontal = f & 1;
      info.flipVertical = (f & 2) ? 1 : 0;
      view->SetOrientation(info);
      view->SetData(image);
      const DisplayCore& core = view->Core();
      ASSERT_EQ(core.OrientedWidth(), int(grid[0].size()));
      const QImage shot = Grab();
      const int s = core.Scale();
      ASSERT_GE(s, 1);
      for (int v = 0; v < core.OrientedHeight(); ++v)
        for (int u = 0; u < core.OrientedWidth(); ++u) {
          const int x = 60 + (u - core.Centre().x) * s + s / 2 - core.CentreShift().x;
          const int y = 45 + (v - core.Centre().y) * s + s / 2 - core.CentreShift().y;
          // The fit shows every pixel.
          ASSERT_TRUE(x - s / 2 >= 0 && x - s / 2 + s <= 120 && y - s / 2 >= 0 && y - s / 2 + s <= 90);
          const int want = ExpectedIndex(grid[v][u], core.WindowLow(), core.WindowHigh());
          EXPECT_EQ(At(shot, x, y), test::Rgb(want, want, want))
              << "orientation " << o << " flips " << f << " at " << u << "," << v;
        }
      ExpectScreen(image);
    }
}

TEST_F(ImageViewerTest, ZoomCentreAndScroll) {
  SetClient(100, 80);
  const ImageRecord image = MakeImage(45, 37, 47, 5);
  view->SetData(image);
  SetClient(100, 80);
  view->FitWhole();
  EXPECT_EQ(view->Core().Scale(), 2);
  ExpectScreen(image);
  for (int scale : {3, 7, 25, -2, -3, -5}) {
    view->SetScale(scale);
    ExpectScreen(image);
    view->SetCentre({2, 35});
    ExpectScreen(image);
    view->SetCentre({44, 0});
    ExpectScreen(image);
  }
  view->SetScale(4);
  QScrollBar* h = view->horizontalScrollBar();
  QScrollBar* v = view->verticalScrollBar();
  EXPECT_TRUE(h->isVisible());
  EXPECT_EQ(h->maximum(), 45 + 1);
  EXPECT_EQ(h->pageStep(), 25);
  EXPECT_EQ(v->pageStep(), 20);
  h->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(view->Core().Centre().x, 44);  // the last display column
  EXPECT_EQ(h->value(), 44);
  ExpectScreen(image);
  v->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(view->Core().Centre().y, 0 + 20 / 2);
  v->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(view->Core().Centre().y, 9);
  h->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(view->Core().Centre().x, 0);
  ExpectScreen(image);
  view->FitRect({10, 10, 19, 14});  // 10 x 5 fits at 10 in 100 x 80
  EXPECT_EQ(view->Core().Scale(), 10);
  // Columns 10..19 fill the client: column 15 starts at its middle; the
  // middle row 12 of the odd five is centred.
  EXPECT_EQ(view->GetCentre(), (Point{15, 12}));
  ExpectScreen(image);
  // A resize keeps scale and centre.
  SetClient(70, 50);
  EXPECT_EQ(view->Core().Scale(), 10);
  ExpectScreen(image);
}

TEST_F(ImageViewerTest, LargeImageReducedAndOriented) {
  SetClient(180, 100);
  const ImageRecord image = MakeImage(800, 1000, 3, 0);
  ScanInfo info{};
  info.orientation = 3;
  info.flipVertical = 1;
  view->SetOrientation(info);
  view->SetData(image);
  SetClient(180, 100);
  view->FitWhole();
  EXPECT_EQ(view->Core().Scale(), -8);
  ExpectScreen(image);
  view->SetCentre({700, 100});
  ExpectScreen(image);
}

// The whole chain: a large file through the image model onto the screen,
// at full resolution and sampled.
TEST_F(ImageViewerTest, LargeFileFromTheModel) {
  test::TempFolder folder;
  test::MessageRecorder boxes;
  const std::string name = folder / "large.raw";
  test::WriteRaw(name, 8000, 10000, [](uint32_t x, uint32_t y) { return (x * 5 + y * 11) & 0xFFFF; });
  ViewerSettings settings;
  CImage image(settings);
  image.OnChange = [this](CImage* changed) {
    view->SetOrientation(changed->GetScanInfo());
    view->SetData(changed->IsEmpty() ? ImageRecord{} : changed->Record());
  };
  for (int32_t limit : {0, 50000000}) {
    settings.maxImageSize = limit;
    image.Open(name);
    ASSERT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(image.Sampling(), limit ? 2u : 1u);
    SetClient(400, 300);
    view->FitWhole();
    ExpectScreen(image.Record());
    view->SetScale(3);
    view->SetCentre({7999, 5000});
    ExpectScreen(image.Record());
    image.Close();  // the display lets go of the pixels
    EXPECT_TRUE(view->IsEmpty());
  }
}

TEST_F(ImageViewerTest, EventsInOrder) {
  SetClient(100, 80);
  std::vector<std::string> events;
  view->OnLUTChanged = [&](TImageViewer*) { events.push_back("lut"); };
  view->OnViewChange = [&](TImageViewer*) { events.push_back("view"); };
  view->OnDataChange = [&](TImageViewer*) { events.push_back("data"); };
  view->OnColorChange = [&](TImageViewer*) { events.push_back("colour"); };
  const ImageRecord image = MakeImage(10, 10);
  view->SetData(image);
  EXPECT_EQ(events, (std::vector<std::string>{"lut", "view", "data"}));
  events.clear();
  view->SetOrientation(ScanInfo{});
  view->SetMapping(mNegative);
  view->SetMapping(mNegative);
  view->SetWindow(PackTones(2, 5));
  view->SetScale(3);
  EXPECT_EQ(events, (std::vector<std::string>{"view", "data", "colour", "lut", "view"}));
  events.clear();
  view->SetData(ImageRecord{});
  EXPECT_TRUE(view->IsEmpty());
  EXPECT_EQ(events, (std::vector<std::string>{"lut", "view", "data"}));
  EXPECT_FALSE(view->horizontalScrollBar()->isVisible());
}

TEST_F(ImageViewerTest, OverlayPaintsAfterThePicture) {
  SetClient(40, 30);
  view->SetData(MakeImage(4, 3, 1000));
  view->SetPen(QPen(QColor(255, 255, 0)));
  int painted = 0;
  view->OnPaint = [&](TImageViewer* v) {
    ++painted;
    ASSERT_NE(v->Canvas(), nullptr);
    EXPECT_EQ(v->Canvas()->pen().color(), QColor(255, 255, 0));
    v->Canvas()->drawPoint(0, 0);
  };
  const QImage shot = Grab();
  EXPECT_EQ(painted, 1);
  EXPECT_EQ(At(shot, 0, 0), 0xFFFF00u);
  EXPECT_EQ(view->Canvas(), nullptr);
}

// The display keeps the pixels it shows alive after the model lets them go.
TEST_F(ImageViewerTest, PixelsOutliveTheirProducer) {
  SetClient(40, 30);
  {
    ImageRecord image = MakeImage(8, 6, 500);
    view->SetData(image);
  }
  EXPECT_FALSE(view->IsEmpty());
  ExpectScreen(MakeImage(8, 6, 500));  // same tones, read from the display's own reference
}

}  // namespace
}  // namespace viewer
