// The forms opened from the main window: when their commands are enabled,
// what they change in the window, and the settings across two runs.
#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "platform/registry.h"
#include "viewer/core/names.h"
#include "viewer/forms/about_bitmap_form.h"
#include "viewer/forms/about_image_form.h"
#include "viewer/forms/about_program_form.h"
#include "viewer/forms/image_settings_form.h"
#include "viewer/forms/program_settings_form.h"
#include "viewer/forms/resolution_form.h"
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

namespace reg = platform::registry;
const std::string kKey = kProgramKey;

std::optional<uint32_t> StoredDword(const std::string& subkey, const char* name) {
  auto v = reg::QueryValue(reg::Hive::CurrentUser, subkey.empty() ? kKey : kKey + "\\" + subkey, name);
  if (!v || v->type != reg::ValueType::Dword || v->data.size() != 4) return std::nullopt;
  return uint32_t(v->data[0]) | uint32_t(v->data[1]) << 8 | uint32_t(v->data[2]) << 16 | uint32_t(v->data[3]) << 24;
}

class WindowFormsTest : public test::FormTest {
 protected:
  // Runs the next dialog with answer (which may press its buttons); records
  // what kind of dialog it was.
  template <typename Dialog>
  void Answer(std::function<void(Dialog&)> answer) {
    modal = [this, answer](QDialog& shown) {
      ++shownDialogs;
      auto* dialog = dynamic_cast<Dialog*>(&shown);
      EXPECT_NE(dialog, nullptr);
      if (dialog) answer(*dialog);
      return shown.result();
    };
  }
  static void Click(const QWidget& w, const char* name) { Child<QAbstractButton>(w, name)->click(); }
  static std::string Text(const QWidget& w, const char* name) { return Child<QLabel>(w, name)->text().toStdString(); }
  // Ends this run (the settings written as the program does) and starts the next.
  void Restart() {
    form.reset();
    EndImageSettings(settings);
    EndGlobalSettings(settings);
    settings = ViewerSettings{};
    StartGlobalSettings(settings);
    StartImageSettings(settings);
    CreateForm();
  }

  int shownDialogs = 0;
};

TEST_F(WindowFormsTest, CommandsEnabledByTheImageAndTheRegion) {
  const MainActions& a = Actions();
  for (QAction* act : {a.ProgramSettings, a.AboutProgram, a.AboutBitmap}) EXPECT_TRUE(act->isEnabled());
  for (QAction* act : {a.ImageSettings, a.AboutImage, a.Resolution}) EXPECT_FALSE(act->isEnabled());
  a.CreateTestPattern->trigger();
  EXPECT_TRUE(a.ImageSettings->isEnabled());
  EXPECT_TRUE(a.AboutImage->isEnabled());
  EXPECT_FALSE(a.Resolution->isEnabled());
  a.Region->trigger();
  EXPECT_TRUE(a.Resolution->isEnabled());
}

TEST_F(WindowFormsTest, ImageSettingsOKWithoutChangeMarksModified) {
  Actions().CreateTestPattern->trigger();
  ASSERT_FALSE(Modified());
  Answer<TImageSettingsForm>([](TImageSettingsForm& d) { Click(d, "bOK"); });
  Actions().ImageSettings->trigger();
  EXPECT_EQ(shownDialogs, 1);
  EXPECT_TRUE(Modified());
}

TEST_F(WindowFormsTest, ImageSettingsEastTurnsTheDisplayAndKeepsTheHistogramBar) {
  Actions().CreateTestPattern->trigger();
  View()->SetWindow(PackTones(1000, 2000));
  Answer<TImageSettingsForm>([](TImageSettingsForm& d) {
    Click(d, "sbEast");
    Click(d, "bApply");
    EXPECT_EQ(Text(d, "stXRes"), "Vertical");
    Click(d, "bCancel");
  });
  Actions().ImageSettings->trigger();
  EXPECT_EQ(About("SIOrientation"), OrientationName(1));
  EXPECT_EQ(View()->Core().Transform(), 5);
  EXPECT_TRUE(Modified());
  EXPECT_EQ(Child<THistogram>("LUTHistogram")->LUTWindow(), View()->Core().Window());
}

TEST_F(WindowFormsTest, LargerScaleLimitEnablesZoomInAtOnce) {
  Actions().CreateTestPattern->trigger();
  View()->SetScale(25);  // the window follows the display's view
  ASSERT_FALSE(Actions().ZoomIn->isEnabled());
  bool enabledWhileOpen = false;
  Answer<TProgramSettingsForm>([&](TProgramSettingsForm& d) {
    Child<QSpinBox>(d, "udMaxScale")->setValue(30);
    Click(d, "bApply");
    enabledWhileOpen = Actions().ZoomIn->isEnabled();
    Click(d, "bOK");
  });
  Actions().ProgramSettings->trigger();
  EXPECT_TRUE(enabledWhileOpen);
  EXPECT_EQ(settings.maxScale, 30);
  Actions().ZoomIn->trigger();
  EXPECT_EQ(View()->Core().Scale(), 26);
}

TEST_F(WindowFormsTest, ResolutionMarksModifiedOnlyWhenItChanged) {
  Actions().CreateTestPattern->trigger();
  Actions().Region->trigger();
  Drag({0, 0}, {99, 49});
  settings.units = 3;
  Answer<TSetResolutionForm>([](TSetResolutionForm& d) {
    EXPECT_EQ(Text(d, "pPixelsX"), "100");
    EXPECT_EQ(Text(d, "pPixelsY"), "50");
    Click(d, "bOK");  // nothing typed
  });
  Actions().Resolution->trigger();
  EXPECT_FALSE(Modified());

  Answer<TSetResolutionForm>([](TSetResolutionForm& d) {
    Child<SizeEdit>(d, "eSizeX")->SetText(QStringLiteral("10"));  // 100 pixels over 10 mm
    Click(d, "bOK");
  });
  Actions().Resolution->trigger();
  EXPECT_TRUE(Modified());
  EXPECT_EQ(About("SIResolution"), "10000 by 0 pixels per meter");
}

TEST_F(WindowFormsTest, AboutFormsFilledFromTheWindow) {
  Actions().CreateTestPattern->trigger();
  Answer<TAboutImageForm>([](TAboutImageForm& d) {
    EXPECT_EQ(d.windowTitle(), "About ");
    EXPECT_EQ(Text(d, "SISource"), "Computer Generated");
    EXPECT_EQ(Text(d, "IISize"), "256, 256");
  });
  Actions().AboutImage->trigger();
  Answer<TAboutBitmapForm>([this](TAboutBitmapForm& d) {
    EXPECT_EQ(Text(d, "Mapping"), "Negative");
    EXPECT_EQ(Text(d, "SourceSize"), "256, 256");
    EXPECT_EQ(Text(d, "ControlSize"),
              std::to_string(View()->Core().ClientWidth()) + ", " + std::to_string(View()->Core().ClientHeight()));
  });
  Actions().AboutBitmap->trigger();
  Answer<TAboutProgramForm>([](TAboutProgramForm& d) {
    EXPECT_EQ(Text(d, "stProgramVersion"), "Version 4.02.3");
    EXPECT_NE(Text(d, "SysMemory").find(" of memory in use"), std::string::npos);
  });
  Actions().AboutProgram->trigger();
  EXPECT_EQ(shownDialogs, 3);
}

TEST_F(WindowFormsTest, ProgramSettingsSurviveARestartAndDefaultsLeaveNoKeys) {
  form->SetDialogProviders({[](uint32_t, QWidget*) { return std::optional<uint32_t>(0x00336699); }, nullptr});
  Answer<TProgramSettingsForm>([](TProgramSettingsForm& d) {
    Click(d, "pMainColor");  // the colour dialog answers 0x00336699
    Child<QSpinBox>(d, "udMaxScale")->setValue(30);
    Child<QComboBox>(d, "cbUnits")->setCurrentIndex(3);
    Child<QLineEdit>(d, "eImageSize")->setText(QStringLiteral("977"));
    Click(d, "bOK");
  });
  Actions().ProgramSettings->trigger();
  EXPECT_EQ(View()->GetColorValue(), 0x00336699u);
  Restart();
  EXPECT_EQ(StoredDword("Image Viewer", "Color"), 0x00336699u);
  EXPECT_EQ(StoredDword("Image Viewer", "Maximum Scale Factor"), 30u);
  EXPECT_EQ(StoredDword("", "Units"), 3u);
  EXPECT_EQ(StoredDword("", "Maximum Image Size"), 1000448u);
  EXPECT_FALSE(StoredDword("Histogram", "Color").has_value());  // untouched: not stored
  EXPECT_EQ(View()->GetColorValue(), 0x00336699u);
  EXPECT_EQ(settings.maxScale, 30);
  EXPECT_EQ(settings.units, 3);

  form->SetDialogProviders({[](uint32_t, QWidget*) { return std::optional<uint32_t>(0x00800000); }, nullptr});
  Answer<TProgramSettingsForm>([](TProgramSettingsForm& d) {
    EXPECT_EQ(Child<QLineEdit>(d, "eImageSize")->text(), "977");
    Click(d, "pMainColor");  // back to navy
    Child<QSpinBox>(d, "udMaxScale")->setValue(25);
    Child<QComboBox>(d, "cbUnits")->setCurrentIndex(0);
    Child<QLineEdit>(d, "eImageSize")->setText(QStringLiteral("0"));
    Click(d, "bOK");
  });
  Actions().ProgramSettings->trigger();
  Restart();
  EXPECT_FALSE(reg::KeyExists(reg::Hive::CurrentUser, kKey));
}

TEST_F(WindowFormsTest, AFontMadeBoldInTheDialogStoresOnlyTheStyle) {
  // As the font dialog answers when only Bold is ticked: the face it shows
  // for the font asked for (the substitute of the default's name).
  auto bold = [](const FontChoice& initial, QWidget*) {
    QFont font = QFontDialog(initial.font).currentFont();
    font.setPixelSize(initial.font.pixelSize());
    font.setBold(true);
    return std::optional<FontChoice>(FontChoice{font, initial.color});
  };
  form->SetDialogProviders({nullptr, bold});
  Answer<TProgramSettingsForm>([](TProgramSettingsForm& d) {
    Click(d, "pMainFont");
    Click(d, "bOK");
  });
  Actions().ProgramSettings->trigger();
  EXPECT_TRUE(View()->font().bold());
  Restart();
  const std::string viewer = kKey + "\\Image Viewer";
  EXPECT_EQ(reg::QueryKeyInfo(reg::Hive::CurrentUser, viewer)->values, 1u);
  const std::optional<reg::Value> style = reg::QueryValue(reg::Hive::CurrentUser, viewer, "Font Style");
  ASSERT_TRUE(style);
  EXPECT_EQ(style->data, std::vector<uint8_t>{1});
  EXPECT_TRUE(View()->font().bold());
  EXPECT_EQ(View()->font().pixelSize(), 11);

  // Another face is a change of its own and is stored.
  const QString shownByDefault = QFontInfo(QFont(QStringLiteral("MS Sans Serif"))).family();
  QString other;
  for (const QString& family : QFontDatabase::families())
    if (QFontInfo(QFont(family)).family() != shownByDefault) other = family;
  ASSERT_FALSE(other.isEmpty()) << "a second font family";
  form->SetDialogProviders({nullptr, [&](const FontChoice& initial, QWidget*) {
                              QFont font(other);
                              font.setPixelSize(initial.font.pixelSize());
                              return std::optional<FontChoice>(FontChoice{font, initial.color});
                            }});
  Answer<TProgramSettingsForm>([](TProgramSettingsForm& d) {
    Click(d, "pMainFont");
    Click(d, "bOK");
  });
  Actions().ProgramSettings->trigger();
  Restart();
  const std::optional<reg::Value> name = reg::QueryValue(reg::Hive::CurrentUser, viewer, "Font Name");
  ASSERT_TRUE(name);
  EXPECT_EQ(std::string(name->data.begin(), name->data.end() - 1), other.toStdString());
}

}  // namespace
}  // namespace viewer
