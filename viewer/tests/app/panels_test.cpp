// The slider and histogram panels under the splitter: design heights at
// first, then the height the user drags the splitter to, the labels hidden
// when the slider panel gets short, the histogram growing with its panel.
#include <QLabel>
#include <QSlider>
#include <QSplitter>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;

class PanelsTest : public FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    Actions().CreateTestPattern->trigger();
  }
  // Drags the splitter handle above a panel by dy pixels (down when positive).
  void DragHandle(QWidget* panel, int dy) {
    QSplitter* splitter = Child<QSplitter>("Splitter");
    QSplitterHandle* handle = splitter->handle(splitter->indexOf(panel));
    ASSERT_TRUE(handle->isVisible());
    // The handle moves under the mouse: positions are taken from the press.
    const QPoint at(handle->width() / 2, 1), start = handle->mapToGlobal(at);
    auto send = [&](QEvent::Type type, int by) {
      const QPoint global = start + QPoint(0, by);
      QMouseEvent event(type, QPointF(handle->mapFromGlobal(global)), QPointF(global), Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(handle, &event);
    };
    send(QEvent::MouseButtonPress, 0);
    send(QEvent::MouseMove, dy / 2);
    send(QEvent::MouseMove, dy);
    send(QEvent::MouseButtonRelease, dy);
    QApplication::processEvents();
  }
};

TEST_F(PanelsTest, SliderPanelHidesItsLabelsWhenShort) {
  QWidget* panel = Child<QWidget>("CAndBPanel");
  QLabel* contrast = Child<QLabel>("ContrastLabel");
  QLabel* brightness = Child<QLabel>("BrightnessLabel");
  QSlider* contrastBar = Child<QSlider>("ContrastValue");
  QSlider* brightnessBar = Child<QSlider>("BrightnessValue");
  Actions().CAndB->trigger();
  QApplication::processEvents();
  EXPECT_EQ(panel->height(), 57);
  const int label = contrast->sizeHint().height();
  ASSERT_GT(label, 0);
  ASSERT_GE(57, 3 * label) << "the design height shows the labels";
  EXPECT_TRUE(contrast->isVisible());
  EXPECT_TRUE(brightness->isVisible());
  EXPECT_EQ(contrastBar->geometry().bottom() + 1, contrast->y());

  // Dragged down to below three label heights: the labels go, the bars
  // take the whole panel below their top.
  const int top = contrastBar->y();
  DragHandle(panel, 57 - (3 * label - 2));
  const int shortHeight = panel->height();
  ASSERT_LT(shortHeight, 3 * label);
  EXPECT_FALSE(contrast->isVisible());
  EXPECT_FALSE(brightness->isVisible());
  EXPECT_EQ(contrastBar->height(), shortHeight - top);
  EXPECT_EQ(brightnessBar->height(), shortHeight - top);
  // The sliders still work.
  brightnessBar->setValue(70);
  EXPECT_EQ(brightness->text(), "Brightness 70%");

  // Up again, taller than designed: the labels come back under the bars.
  DragHandle(panel, -(97 - shortHeight));
  const int tall = panel->height();
  EXPECT_NEAR(tall, 97, 1);  // the handle's own pixel aside
  EXPECT_TRUE(contrast->isVisible());
  EXPECT_EQ(contrastBar->height(), tall - top - label);
  EXPECT_EQ(contrast->y(), tall - label);
  EXPECT_EQ(brightness->x(), panel->width() / 2);

  // Hidden and shown again, the panel keeps the height it was given.
  Actions().CAndB->trigger();
  Actions().CAndB->trigger();
  QApplication::processEvents();
  EXPECT_EQ(panel->height(), tall);
}

TEST_F(PanelsTest, HistogramGrowsWithItsPanel) {
  QWidget* panel = Child<QWidget>("LUTPanel");
  THistogram* histogram = Child<THistogram>("LUTHistogram");
  Actions().Histogram->trigger();
  QApplication::processEvents();
  EXPECT_EQ(panel->height(), 81);
  EXPECT_EQ(histogram->height(), 81);
  const int both = View()->height() + panel->height();
  DragHandle(panel, -120);
  const int tall = panel->height();
  EXPECT_NEAR(tall, 201, 1);  // the handle's own pixel aside
  EXPECT_EQ(histogram->height(), tall);
  EXPECT_EQ(View()->height() + tall, both);
  // The graph's zero line follows the height: the bar is drawn at the
  // bottom of the taller histogram.
  const QImage shot = histogram->grab().toImage();
  const int bar = tall - settings.lutWidth / 2 - 1;
  EXPECT_EQ(shot.pixel(histogram->width() / 2, bar) & 0xFFFFFF, 0xFFFF00u);  // yellow window
  // A larger window gives the extra height to the image, not the panel.
  form->resize(form->width(), form->height() + 50);
  QApplication::processEvents();
  EXPECT_EQ(panel->height(), tall);
}

TEST_F(PanelsTest, EachPanelComesBackAtItsOwnHeight) {
  QWidget* candb = Child<QWidget>("CAndBPanel");
  QWidget* lut = Child<QWidget>("LUTPanel");
  // The slider panel dragged far up (larger), then the histogram instead.
  Actions().CAndB->trigger();
  QApplication::processEvents();
  DragHandle(candb, -200);
  const int grown = candb->height();
  ASSERT_GT(grown, 200);
  Actions().Histogram->trigger();
  QApplication::processEvents();
  ASSERT_FALSE(candb->isVisible());
  EXPECT_EQ(lut->height(), 81) << "the histogram at its design height";
  // The histogram dragged a little down (smaller); each keeps its own.
  DragHandle(lut, 20);
  const int shrunk = lut->height();
  ASSERT_LT(shrunk, 81);
  Actions().CAndB->trigger();
  QApplication::processEvents();
  EXPECT_EQ(candb->height(), grown);
  Actions().Histogram->trigger();
  QApplication::processEvents();
  EXPECT_EQ(lut->height(), shrunk);
  // Hidden with the tool off, shown again alike.
  Actions().Histogram->trigger();
  Actions().Histogram->trigger();
  QApplication::processEvents();
  EXPECT_EQ(lut->height(), shrunk);
}

}  // namespace
}  // namespace viewer
