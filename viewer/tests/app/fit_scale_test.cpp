// Fit Whole Image and Fit Region of Interest as the window shows them, and
// the scale arrows beside the scale edit.
#include <QAbstractSpinBox>
#include <map>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;

class FitScaleTest : public FormTest {
 protected:
  // A w x h image whose pixels all have distinct tones far apart, so each
  // shows in its own grey.
  void OpenDistinct(uint32_t w, uint32_t h) {
    std::vector<uint16_t> tones(size_t{w} * h);
    for (size_t i = 0; i < tones.size(); ++i) tones[i] = static_cast<uint16_t>(1000 + 60000 * i / tones.size());
    tones_ = tones;
    width_ = w;
    const std::string name = folder / "fit.qew";
    test::WriteImageFile(name, kFileQew, test::Facts(w, h), tones);
    Open(name);
    ASSERT_FALSE(Empty());
  }
  // Every stored pixel of r shows on screen as a whole s x s block (or, at
  // a reduced scale, at least once).
  void ExpectEveryPixelShown(Rect r, const std::string& what) {
    const QImage shot = Grab();
    std::map<uint32_t, int> counts;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) ++counts[At(shot, {x, y})];
    const DisplayCore& core = View()->Core();
    const int s = core.Scale();
    for (int32_t y = r.top; y <= r.bottom; ++y)
      for (int32_t x = r.left; x <= r.right; ++x) {
        const uint16_t tone = tones_[size_t(y) * width_ + x];
        const uint32_t colour = test::ExpectedColour(
            mNegative, test::ExpectedIndex(tone, core.WindowLow(), core.WindowHigh()), kDefaultColorInfo);
        if (s >= 1)
          EXPECT_EQ(counts[colour], s * s) << what << ": pixel " << x << "," << y << " at scale " << s;
        else
          EXPECT_GE(counts[colour], 1) << what << ": pixel " << x << "," << y;
      }
  }
  void SetClient(int w, int h) {
    for (int i = 0; i < 3; ++i) {
      const QSize client = Viewport()->size();
      form->resize(form->width() + w - client.width(), form->height() + h - client.height());
      QApplication::processEvents();
    }
    ASSERT_EQ(Viewport()->size(), QSize(w, h));
  }
  void Arrow(int steps) { Child<ScaleEdit>()->stepBy(steps); }
  int Scale() const { return View()->Core().Scale(); }

  std::vector<uint16_t> tones_;
  uint32_t width_ = 0;
};

TEST_F(FitScaleTest, FitWholeShowsEveryPixelOfOddSizes) {
  const Point sizes[] = {{3, 2}, {1, 1}, {3, 3}, {5, 1}, {2, 7}};
  for (const Point size : sizes) {
    OpenDistinct(size.x, size.y);
    SetClient(352, 234);
    Actions().ZoomImage->trigger();
    ExpectEveryPixelShown({0, 0, size.x - 1, size.y - 1},
                          "whole " + std::to_string(size.x) + "x" + std::to_string(size.y));
  }
  // The 3 x 2 image keeps the largest scale that fits: 352 div 3.
  OpenDistinct(3, 2);
  SetClient(352, 234);
  Actions().ZoomImage->trigger();
  EXPECT_EQ(Scale(), 117);
}

TEST_F(FitScaleTest, FitRegionShowsEveryPixelOfTheRegion) {
  OpenDistinct(9, 7);
  SetClient(300, 200);
  const Rect regions[] = {{2, 2, 4, 4}, {0, 0, 1, 1}, {6, 4, 8, 6}, {3, 1, 3, 1}, {1, 2, 6, 3}};
  for (const Rect r : regions) {
    Actions().Region->trigger();
    Actions().ZoomImage->trigger();  // every pixel on screen for the drag
    Drag({r.left, r.top}, {r.right, r.bottom});
    Actions().ZoomROI->trigger();
    Actions().Region->trigger();  // the outline off, so only pixels show
    ExpectEveryPixelShown(r, "region " + std::to_string(r.left) + "," + std::to_string(r.top) + "-" +
                                 std::to_string(r.right) + "," + std::to_string(r.bottom));
  }
}

TEST_F(FitScaleTest, ArrowsZoomInUpAndOutDownWithoutWrapping) {
  settings.maxScale = 100;
  OpenDistinct(200, 150);
  auto* edit = Child<ScaleEdit>();
  // Down from a reduced scale zooms out further, up zooms in.
  edit->SetText("-50");
  ASSERT_EQ(Scale(), -50);
  Arrow(-1);
  EXPECT_EQ(Scale(), -51);
  EXPECT_EQ(edit->Text(), "-51");
  Arrow(1);
  Arrow(1);
  EXPECT_EQ(Scale(), -49);
  // Across 1: -1 and 0 are skipped both ways.
  edit->SetText("-2");
  Arrow(1);
  EXPECT_EQ(Scale(), 1);
  Arrow(-1);
  EXPECT_EQ(Scale(), -2);
  // At the maximum the up arrow stays there and is disabled.
  edit->SetText("100");
  ASSERT_EQ(Scale(), 100);
  Arrow(1);
  EXPECT_EQ(Scale(), 100);
  EXPECT_FALSE(edit->stepEnabled() & QAbstractSpinBox::StepUpEnabled);
  Arrow(-1);
  EXPECT_EQ(Scale(), 99);
  EXPECT_TRUE(edit->stepEnabled() & QAbstractSpinBox::StepUpEnabled);
  // At the least scale the down arrow stays there.
  edit->SetText(QString::number(View()->Core().MinScale()));
  Arrow(-1);
  EXPECT_EQ(Scale(), View()->Core().MinScale());
  EXPECT_FALSE(edit->stepEnabled() & QAbstractSpinBox::StepDownEnabled);
  // Text that is no number keeps the scale.
  edit->SetText("-40");
  edit->SetText("abc");
  EXPECT_EQ(Scale(), -40);
}

}  // namespace
}  // namespace viewer
