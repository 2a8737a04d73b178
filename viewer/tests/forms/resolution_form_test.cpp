#include "viewer/forms/resolution_form.h"

#include "viewer/core/image.h"
#include "viewer/tests/forms/form_test_support.h"

namespace viewer {
namespace {

class ResolutionFormTest : public test::FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    image.CreateTestPattern();
  }
  void SetResolution(uint32_t x, uint32_t y, int32_t orientation = 0) {
    ScanInfo info = image.GetScanInfo();
    info.resolutionX = x;
    info.resolutionY = y;
    info.orientation = orientation;
    image.SetScanFacts(info);
  }
  // Made and bound as the main window does: image, then region.
  std::unique_ptr<TSetResolutionForm> Open(int32_t roiX, int32_t roiY) {
    auto form = std::make_unique<TSetResolutionForm>(settings);
    form->SetImage(&image);
    form->SetRegion(10, 20, 10 + roiX - 1, 20 + roiY - 1);
    return form;
  }
  static SizeEdit* Size(const QWidget& form, const char* name) { return Child<SizeEdit>(form, name); }
  static void Type(const QWidget& form, const char* name, const char* text) {
    Size(form, name)->SetText(QString::fromLatin1(text));
  }
  static std::string SizeText(const QWidget& form, const char* name) { return Size(form, name)->Text().toStdString(); }

  CImage image;
};

TEST_F(ResolutionFormTest, UnitTextsAtCreation) {
  const struct {
    uint8_t units;
    const char *size, *res;
  } cases[] = {{0, "Size (mm)", "Pixels/Meter"},
               {1, "Size (inch)", "Pixels/Inch"},
               {2, "Size (mm)", "Pixels/Meter"},
               {3, "Size (mm)", "Pixels/Meter"},
               {4, "Size (cm)", "Pixels/Meter"}};
  for (const auto& c : cases) {
    settings.units = c.units;
    TSetResolutionForm form(settings);
    for (const char* axis : {"X", "Y"}) {
      EXPECT_EQ(Text(form, (std::string("stSize") + axis).c_str()), c.size) << int(c.units);
      EXPECT_EQ(Text(form, (std::string("stRes") + axis).c_str()), c.res) << int(c.units);
    }
  }
}

TEST_F(ResolutionFormTest, ImageWithoutResolution) {
  auto form = Open(100, 50);
  EXPECT_EQ(Text(*form, "pPixelsX"), "100");
  EXPECT_EQ(Text(*form, "pPixelsY"), "50");
  for (const char* axis : {"X", "Y"}) {
    const std::string a = axis;
    EXPECT_EQ(SizeText(*form, ("eSize" + a).c_str()), "0");
    EXPECT_EQ(Text(*form, ("pRes" + a).c_str()), "0");
    EXPECT_EQ(Text(*form, ("pPitch" + a).c_str()), "(undefined)");
  }
}

TEST_F(ResolutionFormTest, SizesAndResolutionsInEachUnit) {
  const struct {
    uint8_t units;
    uint32_t res;
    const char *size, *shownRes, *pitch;
    uint32_t working;  // recomputed from the 5-digit size
  } cases[] = {
      {3, 11811, "84.667", "11811", "0.084667 mm", 11811}, {0, 11811, "84.667", "11811", "84.667 um", 11811},
      {2, 40000, "25", "40000", "25 um", 40000},           {4, 11811, "8.4667", "11811", "0.0084667 cm", 11811},
      {1, 11811, "3.3333", "300", "0.0033333\"", 11811},   {3, 12345, "81.004", "12345", "0.081004 mm", 12345},
  };
  for (const auto& c : cases) {
    settings.units = c.units;
    SetResolution(c.res, c.res);
    auto form = Open(1000, 1000);
    SCOPED_TRACE(testing::Message() << "units " << int(c.units) << " res " << c.res);
    EXPECT_EQ(SizeText(*form, "eSizeX"), c.size);
    EXPECT_EQ(form->ResolutionX(), c.working);
    EXPECT_EQ(Text(*form, "pResX"), c.shownRes);
    EXPECT_EQ(Text(*form, "pPitchX"), c.pitch);
  }
}

TEST_F(ResolutionFormTest, TypedInchSizeGivesPixelsPerMetre) {
  settings.units = 1;
  auto form = Open(300, 300);
  Type(*form, "eSizeX", "1");
  EXPECT_EQ(form->ResolutionX(), 11811u);  // Round(300 / 0.0254)
  EXPECT_EQ(Text(*form, "pResX"), "300");  // 299.9994 at 5 digits
  EXPECT_EQ(Text(*form, "pPitchX"), "0.0033333\"");
  EXPECT_EQ(form->ResolutionY(), 0u);
  Click(*form, "bOK");
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(image.GetScanInfo().resolutionX, 11811u);
  EXPECT_EQ(image.GetScanInfo().resolutionY, 0u);
}

TEST_F(ResolutionFormTest, SizesThatKeepTheResolution) {
  settings.units = 3;
  SetResolution(10000, 20000);
  // 1000 pixels: a size of 0.0001 mm would ask for 10^10 pixels per metre.
  for (const char* text : {"", "0", "-5", "abc", "0.0001", "1e-300", "1,5"}) {
    auto form = Open(1000, 1000);
    Type(*form, "eSizeX", text);
    EXPECT_EQ(form->ResolutionX(), 10000u) << text;
    EXPECT_EQ(Text(*form, "pResX"), "10000") << text;
    Click(*form, "bOK");
    EXPECT_EQ(image.GetScanInfo().resolutionX, 10000u) << text;
  }
}

TEST_F(ResolutionFormTest, ArrowsStepToWholeNumbers) {
  const struct {
    const char* text;
    int steps;
    const char* after;
  } cases[] = {{"12.3", 1, "13"}, {"12.3", -1, "12"}, {"12", 1, "13"},   {"12", -1, "11"},
               {"-0.5", 1, "0"},  {"0", -1, "-1"},    {"abc", 1, "abc"}, {"", -1, ""}};
  auto form = Open(100, 100);
  for (const auto& c : cases) {
    Type(*form, "eSizeX", c.text);
    Size(*form, "eSizeX")->stepBy(c.steps);
    EXPECT_EQ(SizeText(*form, "eSizeX"), c.after) << c.text << " " << c.steps;
  }
  // A step changes the resolution like typing does (Units 0: millimetres).
  Type(*form, "eSizeY", "9.5");
  Size(*form, "eSizeY")->stepBy(1);
  EXPECT_EQ(form->ResolutionY(), 10000u);  // 100 pixels over 10 mm
}

TEST_F(ResolutionFormTest, QuarterTurnSwapsTheCaptions) {
  const struct {
    int32_t orientation;
    const char *x, *y;
  } cases[] = {{0, "ROI Width", "ROI Height"},
               {1, "ROI Height", "ROI Width"},
               {2, "ROI Width", "ROI Height"},
               {3, "ROI Height", "ROI Width"}};
  for (const auto& c : cases) {
    SetResolution(0, 0, c.orientation);
    auto form = Open(10, 20);
    EXPECT_EQ(Text(*form, "stX"), c.x) << c.orientation;
    EXPECT_EQ(Text(*form, "stY"), c.y) << c.orientation;
  }
}

TEST_F(ResolutionFormTest, CancelStoresNothing) {
  SetResolution(5000, 6000);
  auto form = Open(100, 100);
  Type(*form, "eSizeX", "1");
  Type(*form, "eSizeY", "2");
  Click(*form, "bCancel");
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_EQ(image.GetScanInfo().resolutionX, 5000u);
  EXPECT_EQ(image.GetScanInfo().resolutionY, 6000u);
}

}  // namespace
}  // namespace viewer
