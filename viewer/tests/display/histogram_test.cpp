#include "viewer/widgets/histogram.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "viewer/tests/oracle.h"

namespace viewer {
namespace {

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

ImageRecord Flat(uint32_t w, uint32_t h, uint16_t tone) {
  std::shared_ptr<uint16_t[]> p(new uint16_t[size_t{w} * h]);
  for (size_t i = 0; i < size_t{w} * h; ++i) p[i] = tone;
  ImageRecord r;
  r.width = w;
  r.height = h;
  r.pixels = p;
  r.minTone = r.maxTone = tone;
  return r;
}

class HistogramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    h = std::make_unique<THistogram>(nullptr, settings);
    h->resize(300, 80);
    h->DataColor = 0x00FF0000;  // blue
    h->LUTColor = 0x0000FFFF;  // yellow
    h->LUTBackground = 0x00808080;  // grey
    h->Color = 0x00FFFFFF;
    h->OnChange = [this](THistogram*) { ++changes; };
    h->OnLUTChange = [this](THistogram*) { ++lutChanges; };
  }
  QImage Grab() { return h->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  static uint32_t At(const QImage& s, int x, int y) { return s.pixel(x, y) & 0xFFFFFF; }

  ViewerSettings settings;
  std::unique_ptr<THistogram> h;
  int changes = 0, lutChanges = 0;
};

TEST_F(HistogramTest, OneToneIsOneFlatStepAtTheTop) {
  h->SetData(Flat(7, 5, 500));
  EXPECT_EQ(h->DisplayRange(), PackTones(500, 500));
  EXPECT_EQ(h->LUTWindow(), PackTones(500, 500));
  EXPECT_EQ(h->CountAt(500), 35u);
  EXPECT_EQ(changes, 1);
  const QImage shot = Grab();
  EXPECT_EQ(At(shot, 150, 0), 0x0000FFu);  // the step along the top row
  EXPECT_EQ(At(shot, 150, 40), 0xFFFFFFu);
}

TEST_F(HistogramTest, StaircaseHeightsFollowTheCounts) {
  // Tones 10 (x3) and 11 (x1) over a 300-wide graph: two steps.
  std::shared_ptr<uint16_t[]> p(new uint16_t[4]{10, 10, 10, 11});
  ImageRecord r;
  r.width = 4;
  r.height = 1;
  r.pixels = p;
  r.minTone = 10;
  r.maxTone = 11;
  h->SetData(r);
  const QImage shot = Grab();
  const int base = 80 - settings.lutWidth - 1;
  EXPECT_EQ(At(shot, 75, 0), 0x0000FFu);  // tone 10 at full height
  EXPECT_EQ(At(shot, 225, base - 1 * base / 3), 0x0000FFu);  // tone 11 at a third
  EXPECT_EQ(At(shot, 225, 5), 0xFFFFFFu);
}

TEST_F(HistogramTest, WideToneRangeIsDrawnAsBinnedColumns) {
  // 1200 tones over 300 columns (at least 2 x the width): bins of
  // (1200 + 299) div 600 = 2 tones, each a vertical line at offset x cw div n
  // as high as its sum over the largest sum; two bins share each column.
  const int64_t n = 1200, cw = 300, b = 2;
  auto count = [](int64_t t) { return 1 + (t * 7) % 13 + (t == 601 ? 40 : 0); };
  std::vector<uint16_t> tones;
  for (int64_t t = 0; t < n; ++t)
    for (int64_t k = 0; k < count(t); ++k) tones.push_back(static_cast<uint16_t>(t));
  std::shared_ptr<uint16_t[]> p(new uint16_t[tones.size()]);
  std::copy(tones.begin(), tones.end(), p.get());
  ImageRecord r;
  r.width = static_cast<uint32_t>(tones.size());
  r.height = 1;
  r.pixels = p;
  r.minTone = 0;
  r.maxTone = static_cast<uint16_t>(n - 1);
  h->SetData(r);
  const QImage shot = Grab();

  const int64_t base = 80 - settings.lutWidth - 1;
  std::vector<int64_t> top(cw, base + 1);  // no line: above the base
  int64_t m = 1;
  for (int64_t c = 0; c < n; c += b) m = std::max(m, count(c) + count(c + 1));
  for (int64_t c = 0; c < n; c += b) {
    const int64_t x = c * cw / n;
    top[x] = std::min(top[x], base - base * (count(c) + count(c + 1)) / m);
  }
  // Columns clear of the two tone labels at the top corners.
  for (int x = 40; x < 260; ++x) {
    SCOPED_TRACE(x);
    ASSERT_LE(top[x], base);
    EXPECT_EQ(At(shot, x, static_cast<int>(base)), 0x0000FFu);
    EXPECT_EQ(At(shot, x, static_cast<int>(top[x])), 0x0000FFu);
    if (top[x] > 0) {
      EXPECT_EQ(At(shot, x, static_cast<int>(top[x]) - 1), 0xFFFFFFu);
    }
  }
  // The tallest bin holds the spike (tones 600 and 601) and reaches the top.
  EXPECT_EQ(top[150], 0);
}

TEST_F(HistogramTest, LabelsStayReadableOverTallBars) {
  // One tone: the graph is a step along the very top, under both labels.
  h->FontColor = 0x00000000;  // black
  h->SetData(Flat(7, 5, 500));
  const QImage shot = Grab();
  const QFontMetrics metrics(h->font());
  const int width = metrics.horizontalAdvance(QStringLiteral("500"));
  ASSERT_EQ(At(shot, 150, 0), 0x0000FFu) << "the step between the labels";
  for (const int left : {0, 300 - width - 2}) {
    int text = 0;
    for (int y = 0; y < metrics.height(); ++y)
      for (int x = left; x < left + width; ++x) {
        const uint32_t c = At(shot, x, y);
        ASSERT_NE(c, 0x0000FFu) << "a bar over the label at " << x << "," << y;
        if (c != 0xFFFFFFu) ++text;
      }
    EXPECT_GT(text, 0) << "the label at " << left;
  }
}

TEST_F(HistogramTest, WindowBarInBothColours) {
  settings.lutWidth = 5;
  h->SetData(Flat(2, 2, 0));
  h->SetDisplayRange(PackTones(0, 299));
  h->SetLUTWindow(PackTones(0, 149));
  const QImage shot = Grab();
  const int y = 80 - 5 / 2 - 1;
  EXPECT_EQ(At(shot, 70, y), 0xFFFF00u);
  EXPECT_EQ(At(shot, 220, y), 0x808080u);
  EXPECT_EQ(At(shot, 220, y - 2), 0x808080u);  // five pixels thick
}

TEST_F(HistogramTest, SettersOrderTheirPairsAndFireOnlyOnChange) {
  h->SetData(Flat(1, 1, 9));
  changes = lutChanges = 0;
  h->SetLUTWindow(PackTones(400, 100));
  EXPECT_EQ(h->LUTWindow(), PackTones(100, 400));
  EXPECT_EQ(lutChanges, 1);
  h->SetLUTWindow(PackTones(100, 400));
  EXPECT_EQ(lutChanges, 1);
  h->SetDisplayRange(PackTones(65535, 0));
  EXPECT_EQ(h->DisplayRange(), PackTones(0, 65535));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(h->XToTone(0), 0);
  EXPECT_EQ(h->XToTone(300), 65535);
  EXPECT_EQ(h->XToTone(150), 32768);
  EXPECT_EQ(h->XToTone(-5), 0);
  Grab();  // 65536 tones over 300 columns: bins of 109
}

TEST_F(HistogramTest, NoPixelsResetsTheRangesQuietly) {
  h->SetData(Flat(1, 1, 9));
  changes = 0;
  h->SetData(ImageRecord{});
  EXPECT_EQ(h->DisplayRange(), PackTones(0, 65535));
  EXPECT_EQ(h->LUTWindow(), PackTones(0, 65535));
  EXPECT_EQ(h->CountAt(9), 0u);
  EXPECT_EQ(changes, 0);
  ImageRecord zero = Flat(1, 1, 9);
  zero.width = 0;  // pixels but none to count
  h->SetData(zero);
  EXPECT_EQ(changes, 0);
}

TEST_F(HistogramTest, TheSamePixelsAgainKeepTheirCountsAndResetTheRanges) {
  const ImageRecord r = Flat(4, 4, 77);
  h->SetData(r);
  h->SetDisplayRange(PackTones(0, 1000));
  h->SetLUTWindow(PackTones(5, 6));
  h->SetData(r);
  EXPECT_EQ(h->CountAt(77), 16u);
  EXPECT_EQ(h->DisplayRange(), PackTones(77, 77));
  EXPECT_EQ(h->LUTWindow(), PackTones(77, 77));
  h->SetData(Flat(4, 4, 78));
  EXPECT_EQ(h->CountAt(77), 0u);
  EXPECT_EQ(h->CountAt(78), 16u);
}

TEST_F(HistogramTest, AZeroSizeClientNeitherDividesNorLoops) {
  h->SetData(Flat(3, 3, 1234));
  for (QSize size : {QSize(0, 0), QSize(0, 50), QSize(50, 0), QSize(1, 1)}) {
    h->resize(size);
    QImage target(std::max(1, size.width()), std::max(1, size.height()), QImage::Format_RGB32);
    h->render(&target);
    EXPECT_EQ(h->XToTone(10), 1234);
  }
}

}  // namespace
}  // namespace viewer
