#include <QRegularExpression>

#include <QDir>
#include <QLabel>
#include <QScreen>

#include "viewer/core/image.h"
#include "viewer/forms/about_bitmap_form.h"
#include "viewer/forms/about_image_form.h"
#include "viewer/forms/about_program_form.h"
#include "viewer/tests/forms/form_test_support.h"
#include "viewer/tests/oracle.h"
#include "viewer/widgets/image_viewer.h"

namespace viewer {
namespace {

using test::TempFolder;

// 100-ns ticks of a Unix time.
FileTime FileTimeOf(int64_t unixSeconds, int64_t extraTicks = 0) {
  const uint64_t ticks = static_cast<uint64_t>(unixSeconds + 11644473600ll) * 10000000ull + extraTicks;
  return {static_cast<uint32_t>(ticks), static_cast<uint32_t>(ticks >> 32)};
}

class AboutFormsTest : public test::FormTest {
 protected:
  CImage image{settings};
  TempFolder folder;
};

TEST_F(AboutFormsTest, ALongPathKeepsTheImageFormWithinTheScreen) {
  // A file in folders nested deep enough that its path is wider than any screen.
  std::string dir = folder.path();
  for (int i = 0; i < 12; ++i) {
    dir += "/a_folder_with_a_rather_long_name_" + std::to_string(i);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
  }
  const std::string name = dir + "/plate.raw";
  test::WriteRaw(name, 4, 4, [](uint32_t x, uint32_t y) { return 100 + x + 4 * y; });
  image.Open(name);
  ASSERT_FALSE(image.IsEmpty());
  TAboutImageForm form;
  form.Fill(image);
  form.show();
  QApplication::processEvents();
  const QRect screen = form.screen()->availableGeometry();
  ASSERT_GT(QFontMetrics(form.font()).horizontalAdvance(QString::fromStdString(name)), screen.width());
  EXPECT_LE(form.width(), screen.width());
  EXPECT_LE(form.sizeHint().width(), screen.width());
  EXPECT_EQ(form.findChild<QLabel*>("FIName")->text().toStdString(), name) << "the whole name is kept";
}

TEST_F(AboutFormsTest, ImageFromAFileAtSamplingThree) {
  const std::string name = folder / "plate.raw";
  test::WriteRaw(name, 30, 30, [](uint32_t x, uint32_t y) { return 100 + x + 40 * y; });
  settings.maxImageSize = 300;  // 10 x 10 x 2 fits, 15 x 15 x 2 does not
  image.Open(name);
  ScanInfo info = image.GetScanInfo();
  info.source = 7;
  info.originX = 3;
  info.originY = 4;
  info.resolutionX = 0;
  info.resolutionY = 5000;
  info.orientation = 2;
  info.flipHorizontal = 1;
  image.SetScanFacts(info);

  TAboutImageForm form;
  form.Fill(image);
  EXPECT_EQ(form.windowTitle(), "About plate.raw");
  const struct {
    const char* field;
    std::string text;
  } expected[] = {
      {"FIName", name},
      {"FIType", "Raw Data"},
      {"FIMemory", std::to_string(name.size() + 1) + " Bytes"},
      {"SISource", "Brellan Prototype"},
      {"SIOrigin", "3, 4"},
      {"SISize", "30, 30"},
      {"SIResolution", "0 by 5000 pixels per meter"},
      {"SIOrientation", "South"},
      {"SIFlip", "Horizontal"},
      {"SIMemory", "2 KBytes"},  // 1800 bytes, rounded up
      {"IISampling", "3x3 merged to form each pixel"},
      {"IISize", "10, 10"},
      {"IIRange", std::to_string(image.MinTone()) + " through " + std::to_string(image.MaxTone())},
      {"IIMemory", "200 Bytes"},
      {"SITime", TimeStampText(image.GetScanInfo().timestamp).toStdString()},
  };
  for (const auto& e : expected) EXPECT_EQ(Text(form, e.field), e.text) << e.field;
  EXPECT_LT(image.MinTone(), image.MaxTone());
}

TEST_F(AboutFormsTest, TestPatternWithoutFile) {
  image.CreateTestPattern();
  TAboutImageForm form;
  form.Fill(image);
  EXPECT_EQ(form.windowTitle(), "About ");
  const struct {
    const char *field, *text;
  } expected[] = {
      {"FIName", ""},
      {"FIType", "No File"},
      {"FIMemory", "1 Bytes"},
      {"SISource", "Computer Generated"},
      {"SIResolution", "(unknown)"},
      {"SIOrientation", "North"},
      {"SIFlip", "(none)"},
      {"SIMemory", "128 KBytes"},
      {"IISampling", "(no pixel subsampling)"},
      {"IIRange", "0 through 65535"},
  };
  for (const auto& e : expected) EXPECT_EQ(Text(form, e.field), e.text) << e.field;
}

TEST_F(AboutFormsTest, FlipTexts) {
  image.CreateTestPattern();
  const struct {
    uint8_t h, v;
    const char* text;
  } cases[] = {{1, 1, "Horizontal and Vertical"}, {0, 1, "Vertical"}, {2, 0, "Horizontal"}};
  for (const auto& c : cases) {
    ScanInfo info = image.GetScanInfo();
    info.flipHorizontal = c.h;
    info.flipVertical = c.v;
    image.SetScanFacts(info);
    TAboutImageForm form;
    form.Fill(image);
    EXPECT_EQ(Text(form, "SIFlip"), c.text);
  }
}

TEST_F(AboutFormsTest, TimeStampsWithoutZoneField) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  const QLocale de(QLocale::German, QLocale::Germany);
  const int64_t afternoon = 1710511509;  // 2024-03-15 14:05:09 UTC
  const int64_t midnight = 1710460800;  // 2024-03-15 00:00:00 UTC
  EXPECT_EQ(TimeStampText(FileTimeOf(afternoon), us), "3/15/24 2:05:09 PM");
  EXPECT_EQ(TimeStampText(FileTimeOf(afternoon), de), "15.03.24 14:05:09");
  EXPECT_EQ(TimeStampText(FileTimeOf(midnight), us), "3/15/24");
  EXPECT_EQ(TimeStampText(FileTimeOf(midnight, 10000), de), "15.03.24 00:00:00");  // 1 ms past
  EXPECT_EQ(TimeStampText(FileTime{0, 0}, de), "01.01.01");  // 1601-01-01
  EXPECT_FALSE(TimeStampText(FileTime{0xFFFFFFFF, 0xFFFFFFFF}, de).isEmpty());
}

TEST_F(AboutFormsTest, BitmapOfAnEmptyAndAReducedDisplay) {
  settings.maxScale = 40;
  TImageViewer view(nullptr, settings);
  view.resize(400, 300);
  TAboutBitmapForm empty;
  empty.Fill(view);
  const QSize screen = view.ScreenSize();
  const int m = 40;
  EXPECT_EQ(Text(empty, "ScreenSize"), std::to_string(screen.width()) + ", " + std::to_string(screen.height()));
  EXPECT_EQ(Text(empty, "BufferSize"),
            std::to_string(screen.width() + 2 * m) + ", " + std::to_string(screen.height() + 2 * m));
  const uint64_t bytes = uint64_t((screen.width() + 2 * m + 3) & ~3) * (screen.height() + 2 * m);
  EXPECT_EQ(Text(empty, "Memory"), std::to_string((bytes + 1023) / 1024) + " KBytes");
  EXPECT_EQ(Text(empty, "ControlSize"),
            std::to_string(view.Core().ClientWidth()) + ", " + std::to_string(view.Core().ClientHeight()));
  for (const char* field : {"Mapping", "Range", "SourceSize", "Organization", "ResultingSize", "ScaleFactor", "Center",
                            "SourceRect", "Destination"})
    EXPECT_EQ(Text(empty, field), "") << field;

  view.SetData(test::MakeImage(1000, 500));
  ScanInfo east{};
  east.orientation = 1;
  view.SetOrientation(east);
  view.SetScale(-4);
  view.SetMapping(mNegative);
  view.SetWindow(PackTones(100, 4095));
  view.show();
  view.viewport()->grab();  // renders
  TAboutBitmapForm form;
  form.Fill(view);
  const struct {
    const char *field, *text;
  } expected[] = {
      {"Mapping", "Negative"},        {"Range", "100 through 4095 mapped to 0 through 255"},
      {"SourceSize", "1000, 500"},    {"Organization", "Vertical from the top right corner"},
      {"ResultingSize", "500, 1000"}, {"ScaleFactor", "Each displayed pixel derrived from a 4x4 block of image pixels"},
  };
  for (const auto& e : expected) EXPECT_EQ(Text(form, e.field), e.text) << e.field;
  const Point centre = view.GetCentre();
  EXPECT_EQ(Text(form, "Center"), std::to_string(centre.x) + ", " + std::to_string(centre.y));
  const auto& d = view.Core().Destination();
  EXPECT_EQ(Text(form, "Destination"), std::to_string(d.width) + " by " + std::to_string(d.height) + " rectangle at " +
                                           std::to_string(d.x) + ", " + std::to_string(d.y));
  EXPECT_GT(d.width, 0);

  view.SetScale(3);
  form.Fill(view);
  EXPECT_EQ(Text(form, "ScaleFactor"), "Each image pixel displayed in a 3x3 block");
}

TEST_F(AboutFormsTest, ProgramVersionsAndMemory) {
  settings.startupMemory = 123456;
  TAboutProgramForm form(settings);
  EXPECT_EQ(form.windowTitle(), "About the Program");
  EXPECT_EQ(Text(form, "stProgramVersion"), "Version 4.02.3");
  EXPECT_EQ(Text(form, "stDLLVersion"), "Version 4.02.3");  // the library of this system
  const QRegularExpression memory(QStringLiteral("^(\\d+) (Bytes|KBytes) of memory in use$"));
  const QRegularExpressionMatch match = memory.match(QString::fromStdString(Text(form, "SysMemory")));
  ASSERT_TRUE(match.hasMatch()) << Text(form, "SysMemory");
  EXPECT_GT(match.captured(1).toLongLong(), 0);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
}

}  // namespace
}  // namespace viewer
