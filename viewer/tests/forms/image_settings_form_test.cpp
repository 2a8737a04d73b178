#include "viewer/forms/image_settings_form.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "viewer/core/image.h"
#include "viewer/tests/forms/form_test_support.h"
#include "viewer/widgets/image_viewer.h"

namespace viewer {
namespace {

class ImageSettingsFormTest : public test::FormTest {
 protected:
  void SetUp() override {
    FormTest::SetUp();
    image.CreateTestPattern();
    view.SetData(image.Record());
    view.OnDataChange = [this](TImageViewer*) { ++dataChanges; };
  }
  void SetFacts(uint32_t resX, uint32_t resY, uint32_t originX, uint32_t originY, int32_t orientation = 0,
                uint32_t source = 1) {
    ScanInfo info = image.GetScanInfo();
    info.resolutionX = resX;
    info.resolutionY = resY;
    info.originX = originX;
    info.originY = originY;
    info.orientation = orientation;
    info.source = source;
    image.SetScanFacts(info);
  }
  // A form made now (it reads Units when created), bound as the main window does.
  std::unique_ptr<TImageSettingsForm> Open() {
    auto form = std::make_unique<TImageSettingsForm>(settings);
    form->SetImage(&image);
    form->SetViewer(&view);
    return form;
  }
  static void Type(const QWidget& form, const char* edit, const char* text) {
    Child<QLineEdit>(form, edit)->setText(QString::fromLatin1(text));
  }
  static bool ApplyEnabled(const QWidget& form) { return Child<QPushButton>(form, "bApply")->isEnabled(); }

  CImage image;
  TImageViewer view;
  int dataChanges = 0;
};

TEST_F(ImageSettingsFormTest, ReadoutsInEachUnit) {
  const struct {
    uint8_t units;
    uint32_t res, origin;
    const char *edit, *size, *margin, *heading;
  } cases[] = {
      {0, 40000, 400, "40000", "25.00 um", "10.00 mm", "Pixels per meter"},
      {2, 40000, 400, "40000", "25.00 um", "10.00 mm", "Pixels per meter"},
      {3, 10000, 250, "10000", "0.1 mm", "25 mm", "Pixels per meter"},
      {4, 10000, 250, "10000", "0.01 cm", "2.5 cm", "Pixels per meter"},
      {1, 11811, 600, "300", "0.00333\"", "2\"", "Pixels per inch"},
      {3, 0, 250, "0", "(undefined)", "(undefined)", "Pixels per meter"},
  };
  for (const auto& c : cases) {
    settings.units = c.units;
    SetFacts(c.res, c.res, c.origin, c.origin);
    auto form = Open();
    SCOPED_TRACE(testing::Message() << "units " << int(c.units) << " res " << c.res);
    EXPECT_EQ(Text(*form, "stResolution"), c.heading);
    for (const char* axis : {"X", "Y"}) {
      const std::string a = axis;
      EXPECT_EQ(Text(*form, ("e" + a + "Res").c_str()), c.edit);
      EXPECT_EQ(Text(*form, ("e" + a + "Origin").c_str()), std::to_string(c.origin));
      EXPECT_EQ(Text(*form, ("st" + a + "Size").c_str()), c.size);
      EXPECT_EQ(Text(*form, ("st" + a + "Margin").c_str()), c.margin);
    }
    EXPECT_FALSE(ApplyEnabled(*form));
  }
}

TEST_F(ImageSettingsFormTest, InchesRoundTripThroughApply) {
  settings.units = 1;
  SetFacts(11811, 11811, 0, 0);
  auto form = Open();
  EXPECT_EQ(Text(*form, "eXRes"), "300");  // 11811 x 0.0254 = 299.9994
  Type(*form, "eYRes", "150");
  EXPECT_TRUE(ApplyEnabled(*form));
  Click(*form, "bApply");
  EXPECT_EQ(image.GetScanInfo().resolutionX, 11811u);  // Round(300 / 0.0254)
  EXPECT_EQ(image.GetScanInfo().resolutionY, 5906u);  // Round(150 / 0.0254 = 5905.51)
  EXPECT_EQ(Text(*form, "eYRes"), "150");
  EXPECT_FALSE(ApplyEnabled(*form));
}

TEST_F(ImageSettingsFormTest, EastLabelsFollowOnlyAfterApply) {
  auto form = Open();
  EXPECT_EQ(Text(*form, "stXRes"), "Horizontal");
  Click(*form, "sbEast");
  EXPECT_TRUE(Child<QToolButton>(*form, "sbEast")->isChecked());
  EXPECT_FALSE(Child<QToolButton>(*form, "sbNorth")->isChecked());  // one group
  EXPECT_TRUE(ApplyEnabled(*form));
  EXPECT_EQ(Text(*form, "stXRes"), "Horizontal");
  Click(*form, "bApply");
  EXPECT_EQ(image.GetScanInfo().orientation, 1);
  EXPECT_EQ(view.Core().Transform(), 5);
  EXPECT_EQ(view.Core().OrientedWidth(), 256);
  for (const char* name : {"stXRes", "stXOrigin"}) EXPECT_EQ(Text(*form, name), "Vertical");
  for (const char* name : {"stYRes", "stYOrigin"}) EXPECT_EQ(Text(*form, name), "Horizontal");
}

TEST_F(ImageSettingsFormTest, OrientationAndFlipsReachTheDisplay) {
  const struct {
    const char* button;
    bool h, v;
    int32_t orientation;
    uint8_t code;
  } cases[] = {{"sbNorth", false, false, 0, 0},
               {"sbNorth", true, true, 0, 3},
               {"sbSouth", true, false, 2, 2},
               {"sbWest", false, true, 3, 4},
               {"sbEast", true, false, 1, 4}};
  for (const auto& c : cases) {
    auto form = Open();
    Click(*form, c.button);
    Child<QAbstractButton>(*form, "cbFlipHorizontal")->setChecked(c.h);
    Child<QAbstractButton>(*form, "cbFlipVertical")->setChecked(c.v);
    Click(*form, "bOK");
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(image.GetScanInfo().orientation, c.orientation) << c.button;
    EXPECT_EQ(image.GetScanInfo().flipHorizontal, c.h ? 1 : 0);
    EXPECT_EQ(image.GetScanInfo().flipVertical, c.v ? 1 : 0);
    EXPECT_EQ(view.Core().Transform(), c.code) << c.button << c.h << c.v;
  }
}

TEST_F(ImageSettingsFormTest, OKWithoutChangeStillReorients) {
  auto form = Open();
  dataChanges = 0;
  Click(*form, "bOK");
  EXPECT_EQ(dataChanges, 1);  // the main window marks the image modified on it
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(ImageSettingsFormTest, CancelStoresNothingButKeepsWhatApplyStored) {
  auto form = Open();
  Type(*form, "eXOrigin", "12");
  Click(*form, "bApply");
  Type(*form, "eXOrigin", "99");
  Click(*form, "sbSouth");
  dataChanges = 0;
  Click(*form, "bCancel");
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_EQ(image.GetScanInfo().originX, 12u);
  EXPECT_EQ(image.GetScanInfo().orientation, 0);
  EXPECT_EQ(dataChanges, 0);
}

// A text that is no whole number the image can hold is refused: the form
// says so, stays open, and nothing of it is stored.
TEST_F(ImageSettingsFormTest, EntriesThatAreNoNumberOrOutOfRangeAreRefusedAndSaid) {
  const struct {
    const char* edit;
    const char* text;
    bool taken;
    uint32_t stored;
  } cases[] = {
      {"eXRes", " 42 ", true, 42},
      {"eXRes", "2147483647", true, 2147483647u},
      {"eXRes", "abc", false, 0},
      {"eXRes", "", false, 0},
      {"eXRes", "-5", false, 0},
      {"eXRes", "2147483648", false, 0},
      {"eXRes", "4294967296", false, 0},
      {"eXOrigin", "2147483392", true, 2147483392u},  // 2^31 - 256: the region just fits
      {"eXOrigin", "2147483393", false, 0},  // the region would reach past 2^31 - 1
      {"eXOrigin", "1.5", false, 0},
      {"eYOrigin", "x", false, 0},
  };
  for (const auto& c : cases) {
    SetFacts(5000, 6000, 7, 8);
    auto form = Open();
    std::vector<std::string> said;
    form->SetRefusalNotice([&](QWidget* f, const QString& text) {
      EXPECT_EQ(f, form.get());
      said.push_back(text.toStdString());
    });
    int results = 0;
    QObject::connect(form.get(), &QDialog::finished, [&] { ++results; });
    Type(*form, "eYRes", "6001");
    Type(*form, c.edit, c.text);
    const int changesBefore = dataChanges;
    Click(*form, "bOK");
    const ScanInfo& info = image.GetScanInfo();
    if (c.taken) {
      EXPECT_TRUE(said.empty()) << c.text;
      EXPECT_EQ(results, 1) << c.text;
      EXPECT_EQ(std::string(c.edit) == "eXRes" ? info.resolutionX : info.originX, c.stored) << c.text;
      EXPECT_EQ(info.resolutionY, 6001u);
      continue;
    }
    ASSERT_EQ(said.size(), 1u) << c.text;
    const std::string axis = c.edit[1] == 'X' ? "Horizontal" : "Vertical";
    const bool resolution = std::string(c.edit).find("Res") != std::string::npos;
    const std::string heading = resolution ? "Pixels per meter" : "Scan Origin";
    EXPECT_EQ(said[0], heading + " (" + axis + "): \"" + c.text + "\" is not a whole number from 0 to " +
                           (heading == "Scan Origin" ? "2147483392" : "2147483647") + ". Nothing was stored.");
    EXPECT_EQ(results, 0) << "the form stays open";
    EXPECT_EQ(info.resolutionX, 5000u) << c.text;
    EXPECT_EQ(info.resolutionY, 6000u) << c.text;
    EXPECT_EQ(info.originX, 7u) << c.text;
    EXPECT_EQ(info.originY, 8u) << c.text;
    EXPECT_EQ(dataChanges, changesBefore) << c.text;
    EXPECT_EQ(Child<QLineEdit>(*form, c.edit)->selectedText().toStdString(), c.text) << "the entry is shown";
    // Apply refuses alike; a good entry then goes through.
    Click(*form, "bApply");
    EXPECT_EQ(said.size(), 2u);
    Type(*form, c.edit, "9");
    Click(*form, "bOK");
    EXPECT_EQ(results, 1);
    EXPECT_EQ(std::string(c.edit) == "eXRes" ? info.resolutionX : c.edit[1] == 'X' ? info.originX : info.originY, 9u);
  }
}

TEST_F(ImageSettingsFormTest, SourceStaysOneOfTheNineNames) {
  const struct {
    uint32_t loaded;
    const char* pick;  // an item chosen, or typed text
    bool typed;
    uint32_t stored;
  } cases[] = {
      {1, "HP Scanner", false, 5},
      {1, "No Data", false, 0},
      {1, "fennic", true, 2},
      {1, "  qew prototype ", true, 6},  // names match without case
      {3, "Scanner of mine", true, 3},  // no name: the source stays
      {12, "", false, 8},  // beyond the table: shown and kept as "Unknown"
  };
  for (const auto& c : cases) {
    SetFacts(0, 0, 0, 0, 0, c.loaded);
    auto form = Open();
    auto* combo = Child<QComboBox>(*form, "cbSource");
    ASSERT_EQ(combo->count(), 9);
    EXPECT_EQ(combo->itemText(8), "Unknown");
    if (c.typed)
      combo->setEditText(QString::fromLatin1(c.pick));
    else if (*c.pick)
      combo->setCurrentIndex(combo->findText(QString::fromLatin1(c.pick)));
    EXPECT_EQ(combo->currentText().isEmpty(), false);
    Click(*form, "bOK");
    EXPECT_EQ(image.GetScanInfo().source, c.stored) << c.pick;
  }
}

TEST_F(ImageSettingsFormTest, WithoutImageNothingIsStored) {
  TImageSettingsForm form(settings);
  form.SetViewer(&view);
  dataChanges = 0;
  Click(form, "bOK");
  EXPECT_EQ(dataChanges, 0);
  EXPECT_EQ(Text(form, "stXSize"), "(none)");
}

}  // namespace
}  // namespace viewer
