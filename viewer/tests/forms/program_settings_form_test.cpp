#include "viewer/forms/program_settings_form.h"

#include <QComboBox>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>

#include "platform/registry.h"
#include "viewer/forms/panels.h"
#include "viewer/tests/forms/form_test_support.h"
#include "viewer/tests/oracle.h"
#include "viewer/widgets/histogram.h"
#include "viewer/widgets/image_viewer.h"

namespace viewer {
namespace {

namespace reg = platform::registry;

class ProgramSettingsFormTest : public test::FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    // The main window's design values.
    view.SetPenColorValue(0x0000FFFF);
    view.FontColor = 0x00008080;
    histogram.DataColor = 0x00FF0000;
    histogram.LUTColor = 0x0000FFFF;
    view.SetData(test::MakeImage(40, 30));
  }
  std::unique_ptr<TProgramSettingsForm> Open() {
    ProgramSettingsTargets targets;
    targets.viewer = &view;
    targets.histogram = &histogram;
    targets.memoryInUse = 10 * 1024 + 1;  // 11 KB rounded up
    targets.updateControls = [this] {
      ++updates;
      scaleSeenByUpdate = settings.maxScale;
    };
    DialogProviders dialogs;
    dialogs.color = [this](uint32_t initial, QWidget*) {
      colorAsked.push_back(initial);
      return colorAnswer;
    };
    dialogs.font = [this](const FontChoice& initial, QWidget*) {
      fontAsked.push_back(initial);
      return fontAnswer;
    };
    return std::make_unique<TProgramSettingsForm>(settings, targets, dialogs);
  }
  static void Type(const QWidget& form, const char* edit, const char* text) {
    Child<QLineEdit>(form, edit)->setText(QString::fromLatin1(text));
  }
  static bool ApplyEnabled(const QWidget& form) { return Child<QPushButton>(form, "bApply")->isEnabled(); }
  static QScrollBar* Bar(const QWidget& form, const char* name) { return Child<QScrollBar>(form, name); }

  TImageViewer view{nullptr, settings};
  THistogram histogram{nullptr, settings};
  int updates = 0;
  int scaleSeenByUpdate = 0;
  std::optional<uint32_t> colorAnswer;
  std::optional<FontChoice> fontAnswer;
  std::vector<uint32_t> colorAsked;
  std::vector<FontChoice> fontAsked;
};

TEST_F(ProgramSettingsFormTest, MaximumImageSizeInKilobytes) {
  const struct {
    int32_t stored;
    const char* typed;  // nullptr: nothing typed
    const char* shown;
    int64_t total;  // Total Memory Required
    uint32_t after;  // bytes after Apply
  } cases[] = {
      {1000000, nullptr, "977", 11 + 977, 1000448},
      {0, nullptr, "0", 11, 0},
      {0, "2048", "0", 11 + 2048, 2048 * 1024},
      {1024, "abc", "1", 11 + 1, 1024},  // not a number: the last valid value
      {1024, "-5", "1", 11 + 1, 1024},  // no negative limit
      {1024, "4194304", "1", 11 + 1, 1024},  // 4 GB does not fit the setting
      {1024, "4194303", "1", 11 + 4194303, 4294966272u},
  };
  for (const auto& c : cases) {
    settings.maxImageSize = c.stored;
    auto form = Open();
    EXPECT_EQ(Text(*form, "eImageSize"), c.shown);
    if (c.typed) Type(*form, "eImageSize", c.typed);
    EXPECT_EQ(Text(*form, "tTotalMem"), std::to_string(c.total)) << c.stored;
    EXPECT_FALSE(Text(*form, "tPhysMem").empty());
    form->StoreControls();  // what Apply stores, even without any change
    EXPECT_EQ(static_cast<uint32_t>(settings.maxImageSize), c.after) << c.stored << " " << (c.typed ? c.typed : "");
  }
}

TEST_F(ProgramSettingsFormTest, UnitsScaleAndLutSizeReachTheSettings) {
  auto form = Open();
  EXPECT_FALSE(ApplyEnabled(*form));
  auto* units = Child<QComboBox>(*form, "cbUnits");
  ASSERT_EQ(units->count(), 5);
  EXPECT_EQ(units->itemText(3), "Millimeter");
  units->setCurrentIndex(3);
  EXPECT_TRUE(ApplyEnabled(*form));
  Child<QSpinBox>(*form, "udMaxScale")->setValue(30);
  Child<QSpinBox>(*form, "udLUTSize")->setValue(7);
  EXPECT_EQ(settings.maxScale, 25);  // nothing before OK
  Click(*form, "bOK");
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(settings.units, 3);
  EXPECT_EQ(settings.maxScale, 30);
  EXPECT_EQ(settings.lutWidth, 7);
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(scaleSeenByUpdate, 30);  // Zoom In follows the new limit
}

TEST_F(ProgramSettingsFormTest, SpinLimits) {
  auto form = Open();
  auto* scale = Child<QSpinBox>(*form, "udMaxScale");
  auto* lut = Child<QSpinBox>(*form, "udLUTSize");
  EXPECT_EQ(scale->minimum(), 1);
  EXPECT_EQ(scale->maximum(), 100);
  EXPECT_EQ(lut->minimum(), 0);
  EXPECT_EQ(lut->maximum(), 100);
}

TEST_F(ProgramSettingsFormTest, LargerScaleLimitGrowsTheRenderBuffer) {
  view.resize(200, 150);
  view.show();
  view.viewport()->grab();  // the first render makes the buffer
  const size_t before = view.Core().BufferSize();
  ASSERT_GT(before, 0u);
  auto form = Open();
  Child<QSpinBox>(*form, "udMaxScale")->setValue(100);
  Click(*form, "bApply");
  view.SetScale(100);  // the display obeys the new limit at once
  EXPECT_EQ(view.Core().Scale(), 100);
  view.viewport()->grab();  // and renders with a buffer grown for it
  const QSize screen = view.ScreenSize();
  const size_t needed = size_t((screen.width() + 200 + 3) & ~3) * (screen.height() + 200);
  EXPECT_EQ(view.Core().BufferSize(), needed);
  EXPECT_GT(view.Core().BufferSize(), before);
}

TEST_F(ProgramSettingsFormTest, PseudocolourBarsActAtOnceAndCancelRestores) {
  const ColorInfo before = view.Core().GetColorInfo();
  auto form = Open();
  EXPECT_EQ(Bar(*form, "sbRCenter")->value(), 127);
  EXPECT_EQ(Bar(*form, "sbGRange")->value(), 64);
  EXPECT_EQ(Bar(*form, "sbBIntensity")->value(), 255);
  EXPECT_EQ(Bar(*form, "sbRIntensity")->pageStep(), 8);
  EXPECT_EQ(Bar(*form, "sbRCenter")->pageStep(), 10);
  EXPECT_EQ(Bar(*form, "sbBRange")->maximum(), 255);

  view.SetMapping(mPositiveColor);
  int colourChanges = 0;
  view.OnColorChange = [&](TImageViewer*) { ++colourChanges; };
  Bar(*form, "sbRCenter")->setValue(100);
  Bar(*form, "sbBIntensity")->setValue(128);
  EXPECT_EQ(view.Core().GetColorInfo()[0], 100);  // at once
  EXPECT_EQ(view.Core().GetColorInfo()[8], 128);
  EXPECT_EQ(colourChanges, 2);
  // Red peaks at the new centre.
  EXPECT_EQ(view.Core().Colors()[100] >> 16 & 0xFF, 255u);
  EXPECT_TRUE(ApplyEnabled(*form));
  Click(*form, "bCancel");
  EXPECT_EQ(view.Core().GetColorInfo(), before);
  EXPECT_EQ(view.Core().Colors()[127] >> 16 & 0xFF, 255u);
}

TEST_F(ProgramSettingsFormTest, AppliedPseudocoloursSurviveCancel) {
  auto form = Open();
  Bar(*form, "sbGCenter")->setValue(10);
  Click(*form, "bApply");
  Bar(*form, "sbGCenter")->setValue(200);
  form->reject();  // Escape or the close box
  EXPECT_EQ(view.Core().GetColorInfo()[3], 10);
}

TEST_F(ProgramSettingsFormTest, ColoursThroughTheColourDialog) {
  auto form = Open();
  colorAnswer = std::nullopt;  // the user cancels
  Click(*form, "pMainColor");
  EXPECT_EQ(colorAsked, std::vector<uint32_t>{0x00800000});
  EXPECT_FALSE(ApplyEnabled(*form));

  const struct {
    const char* panel;
    uint32_t chosen;
  } picks[] = {{"pMainColor", 0x00112233},    {"pMainPen", 0x00445566},      {"pHistogramColor", 0x00010203},
               {"pHistogramPen", 0x00040506}, {"pHistogramLUT", 0x00070809}, {"pHistogramBackground", 0x000A0B0C}};
  for (const auto& p : picks) {
    colorAnswer = p.chosen;
    Click(*form, p.panel);
    EXPECT_EQ(Child<ColorPanel>(*form, p.panel)->Value(), p.chosen);
  }
  EXPECT_TRUE(ApplyEnabled(*form));
  EXPECT_EQ(view.GetColorValue(), 0x00800000u);  // nothing before OK
  Click(*form, "bOK");
  EXPECT_EQ(view.GetColorValue(), 0x00112233u);
  EXPECT_EQ(view.GetPenColorValue(), 0x00445566u);
  EXPECT_EQ(view.FontColor, 0x00008080u);
  EXPECT_EQ(histogram.Color, 0x00010203u);
  EXPECT_EQ(histogram.DataColor, 0x00040506u);
  EXPECT_EQ(histogram.LUTColor, 0x00070809u);
  EXPECT_EQ(histogram.LUTBackground, 0x000A0B0Cu);
  EXPECT_EQ(histogram.FontColor, 0x80000008u);
  // Without image the whole client shows the new colour.
  view.SetData(ImageRecord{});
  const QImage shot = view.viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(0, 0) & 0xFFFFFF, 0x332211u);
}

TEST_F(ProgramSettingsFormTest, UntouchedSystemColoursStayInTheirSystemForm) {
  auto form = Open();
  Click(*form, "bOK");
  EXPECT_EQ(histogram.Color, 0x8000000Fu);
  EXPECT_EQ(histogram.LUTBackground, 0x80000010u);
  EXPECT_EQ(histogram.FontColor, 0x80000008u);
}

TEST_F(ProgramSettingsFormTest, FontsWithTheirColourThroughTheFontDialog) {
  QFont bold = histogram.font();
  bold.setBold(true);
  auto form = Open();
  fontAnswer = FontChoice{bold, 0x000000FF};
  Click(*form, "pHistogramFont");
  ASSERT_EQ(fontAsked.size(), 1u);
  EXPECT_EQ(fontAsked[0].color, 0x80000008u);
  EXPECT_EQ(Child<FontPanel>(*form, "pHistogramFont")->text(), "Sample Text");
  Click(*form, "bApply");
  EXPECT_TRUE(histogram.font().bold());
  EXPECT_EQ(histogram.FontColor, 0x000000FFu);
  EXPECT_FALSE(view.font().bold());
  EXPECT_FALSE(ApplyEnabled(*form));
}

TEST_F(ProgramSettingsFormTest, NotesKeepTheirTexts) {
  auto form = Open();
  const std::string units = Text(*form, "UnitsNote");
  EXPECT_EQ(units.rfind("   None: All measurements are displayed in terms of pixels.  ", 0), 0u);
  EXPECT_NE(units.find("\n   Millimeters: The pixel pitch and measuements are in millimeters."), std::string::npos);
  const std::string memory = Text(*form, "MemoryNote");
  EXPECT_NE(memory.find("can significantly improver performance."), std::string::npos);
  EXPECT_NE(memory.find("\n   The appropriate value for the Maximum Image Size must be determined emperically"),
            std::string::npos);
}

// What the form stores lands in the registry at the orderly end and comes
// back at the next start; values back at their defaults leave no trace.
TEST_F(ProgramSettingsFormTest, SettingsSurviveARestartAndDefaultsLeaveNoKeys) {
  const std::string key = kProgramKey;
  auto dword = [](const std::string& path, const char* name) -> std::optional<uint32_t> {
    auto v = reg::QueryValue(reg::Hive::CurrentUser, path, name);
    if (!v || v->type != reg::ValueType::Dword || v->data.size() != 4) return std::nullopt;
    return uint32_t(v->data[0]) | uint32_t(v->data[1]) << 8 | uint32_t(v->data[2]) << 16 | uint32_t(v->data[3]) << 24;
  };
  StartGlobalSettings(settings);
  StartImageSettings(settings);
  {
    auto form = Open();
    Type(*form, "eImageSize", "977");
    Child<QComboBox>(*form, "cbUnits")->setCurrentIndex(1);
    Child<QSpinBox>(*form, "udMaxScale")->setValue(30);
    Child<QSpinBox>(*form, "udLUTSize")->setValue(5);
    Click(*form, "bOK");
  }
  EXPECT_FALSE(reg::KeyExists(reg::Hive::CurrentUser, key));  // only at the end
  EndImageSettings(settings);
  EndGlobalSettings(settings);
  EXPECT_EQ(dword(key, "Maximum Image Size"), 1000448u);
  EXPECT_EQ(dword(key, "Units"), 1u);
  EXPECT_EQ(dword(key + "\\Image Viewer", "Maximum Scale Factor"), 30u);
  EXPECT_EQ(dword(key + "\\Histogram", "LUT Width"), 5u);

  settings = ViewerSettings{};
  StartGlobalSettings(settings);
  StartImageSettings(settings);
  {
    auto form = Open();
    EXPECT_EQ(Text(*form, "eImageSize"), "977");
    EXPECT_EQ(Child<QComboBox>(*form, "cbUnits")->currentIndex(), 1);
    EXPECT_EQ(Child<QSpinBox>(*form, "udMaxScale")->value(), 30);
    EXPECT_EQ(Child<QSpinBox>(*form, "udLUTSize")->value(), 5);
    Type(*form, "eImageSize", "0");
    Child<QComboBox>(*form, "cbUnits")->setCurrentIndex(0);
    Child<QSpinBox>(*form, "udMaxScale")->setValue(25);
    Child<QSpinBox>(*form, "udLUTSize")->setValue(3);
    Click(*form, "bOK");
  }
  EndImageSettings(settings);
  EndGlobalSettings(settings);
  EXPECT_FALSE(reg::KeyExists(reg::Hive::CurrentUser, key));
  EXPECT_FALSE(reg::KeyExists(reg::Hive::CurrentUser, "Software\\Brellan Inc."));
}

TEST_F(ProgramSettingsFormTest, EveryNoteIsReadableAndTheDesignSizeIsTheLeast) {
  auto form = Open();
  form->show();
  QApplication::processEvents();
  EXPECT_GE(form->width(), 319);
  EXPECT_GE(form->height(), 313);
  for (const char* name : {"MemoryNote", "UnitsNote"}) {
    auto* note = Child<QLabel>(*form, name);
    // The wrapped text needs no more height than the label has, and the
    // label lies within its page.
    EXPECT_LE(note->heightForWidth(note->width()), note->height()) << name;
    EXPECT_LE(note->geometry().bottom(), note->parentWidget()->height()) << name;
    EXPECT_LE(note->geometry().right(), note->parentWidget()->width()) << name;
  }
}

TEST_F(ProgramSettingsFormTest, ColorizeBarsStandInLine) {
  auto owned = Open();
  TProgramSettingsForm& form = *owned;
  form.show();
  auto* pages = Child<QTabWidget>(form, "PageControl");
  pages->setCurrentIndex(4);
  QApplication::processEvents();
  QWidget* page = pages->currentWidget();
  const char* const names[] = {"sbRIntensity", "sbRCenter", "sbRRange", "sbGIntensity", "sbGCenter",
                               "sbGRange",     "sbBIntensity", "sbBCenter", "sbBRange"};
  const QScrollBar* first = Child<QScrollBar>(form, names[0]);
  const QRect line(first->mapTo(page, QPoint(0, 0)), first->size());
  for (const char* name : names) {
    const QScrollBar* bar = Child<QScrollBar>(form, name);
    const QPoint at = bar->mapTo(page, QPoint(0, 0));
    EXPECT_EQ(at.x(), line.x()) << name;
    EXPECT_EQ(bar->width(), line.width()) << name;
  }
}

}  // namespace
}  // namespace viewer
