// What a user sees of the window's layout at its design size: the tool bar
// buttons with their icons, and texts that are not cut off.
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

class LayoutTest : public test::FormTest {
 protected:
  void SetUp() override {
    test::FormTest::SetUp();
    form->resize(688, 438);  // the design size
    QApplication::processEvents();
  }
};

TEST_F(LayoutTest, EveryToolBarButtonFitsWithItsIconAndCaptionAsToolTip) {
  auto* bar = form->findChild<QToolBar*>(QStringLiteral("ToolBar"));
  ASSERT_NE(bar, nullptr);
  ASSERT_LE(form->width(), 688);
  const MainActions& a = Actions();
  const std::pair<QAction*, const char*> buttons[] = {
      {a.Open, "Open"},
      {a.Save, "Save"},
      {a.SaveAs, "Save As"},
      {a.ImageSettings, "Image Settings"},
      {a.ZoomIn, "Zoom In"},
      {a.ZoomOut, "Zoom Out"},
      {a.Negative, "Negative"},
      {a.Positive, "Positive"},
      {a.Psuedocolor, "Psuedocolor"},
      {a.CAndB, "Contrast and Brightness"},
      {a.Histogram, "Histogram"},
      {a.Region, "Region of interest"},
      {a.Profile, "Profile"},
      {a.Measurement, "Measurement"},
      {a.MeanValue, "Mean Value"},
      {a.Resolution, "Resolution"},
  };
  int right = 0;
  for (const auto& [action, tip] : buttons) {
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    ASSERT_NE(button, nullptr) << tip;
    EXPECT_TRUE(button->isVisible()) << tip;
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly) << tip;
    EXPECT_FALSE(action->icon().isNull()) << tip;
    EXPECT_EQ(action->toolTip(), tip);
    EXPECT_LE(button->height(), 32) << tip;
    // The drawing is there: not a blank square.
    const QImage drawn = action->icon().pixmap(16, 16).toImage();
    int opaque = 0;
    for (int y = 0; y < drawn.height(); ++y)
      for (int x = 0; x < drawn.width(); ++x) opaque += qAlpha(drawn.pixel(x, y)) > 0;
    EXPECT_GT(opaque, 40) << tip;
    right = std::max(right, button->geometry().right());
  }
  EXPECT_LT(right, bar->width());
  // Nothing is moved behind the extension button.
  for (auto* button : bar->findChildren<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
    EXPECT_FALSE(button->isVisible());
  // The menus keep their check marks without icons.
  EXPECT_FALSE(a.Negative->isIconVisibleInMenu());
}

TEST_F(LayoutTest, StatusPanelOneShowsModifiedWhole) {
  Actions().CreateTestPattern->trigger();
  CropToRegion();
  ASSERT_EQ(PanelText(1), "(modified)");
  QLabel* panel = nullptr;
  for (auto* label : form->statusBar()->findChildren<QLabel*>())
    if (label->text() == "(modified)") panel = label;
  ASSERT_NE(panel, nullptr);
  EXPECT_GE(panel->width(), 50);
  EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(panel->text()));
}

}  // namespace
}  // namespace viewer
