// Entries the forms cannot take, as a user types them: each form refuses
// them the same way, says so in an error box, keeps the dialog open and
// stores nothing.
#include <QAbstractButton>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>

#include "viewer/forms/resolution_form.h"
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;

class EntriesTest : public FormTest {
 protected:
  // Runs the next dialog with answer, which types and clicks.
  void Answer(std::function<void(QDialog&)> answer) {
    modal = [this, answer](QDialog& d) {
      answer(d);
      results.push_back(d.result());
      return d.result();
    };
  }
  static void Click(const QWidget& w, const char* name) { Child<QAbstractButton>(w, name)->click(); }
  static void TypeInto(QWidget* w, const QString& text) {
    QLineEdit* edit = qobject_cast<QLineEdit*>(w);
    if (!edit) edit = w->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
  }
  std::vector<std::string> Said() const {
    std::vector<std::string> texts;
    for (const auto& [kind, text] : prompts.boxes) {
      EXPECT_EQ(kind, BoxKind::Error);
      texts.push_back(text);
    }
    return texts;
  }
  std::vector<int> results;
};

TEST_F(EntriesTest, ProgramSettingsRefuseWhatTheSettingsCannotHold) {
  settings.maxImageSize = 1000000;
  const ViewerSettings before = settings;
  const struct {
    const char* entry;
    const char* text;
    const char* said;
  } cases[] = {
      {"eImageSize", "99999999999",
       "Maximum Image Size (KB): \"99999999999\" is not a whole number from 0 to 4194303. Nothing was stored."},
      {"eImageSize", "4194304",
       "Maximum Image Size (KB): \"4194304\" is not a whole number from 0 to 4194303. Nothing was stored."},
      {"eImageSize", "abc",
       "Maximum Image Size (KB): \"abc\" is not a whole number from 0 to 4194303. Nothing was stored."},
      {"udMaxScale", "abc", "Maximum Scale Factor: \"abc\" is not a whole number from 1 to 100. Nothing was stored."},
      {"udMaxScale", "101", "Maximum Scale Factor: \"101\" is not a whole number from 1 to 100. Nothing was stored."},
      {"udMaxScale", "", "Maximum Scale Factor: \"\" is not a whole number from 1 to 100. Nothing was stored."},
      {"udLUTSize", "-1", "Histogram LUT Size: \"-1\" is not a whole number from 0 to 100. Nothing was stored."},
  };
  for (const auto& c : cases) {
    prompts.boxes.clear();
    results.clear();
    Answer([&](QDialog& d) {
      Child<QComboBox>(d, "cbUnits")->setCurrentIndex(3);  // a good change beside the bad one
      QWidget* entry = Child(d, c.entry);
      Child<QTabWidget>(d, "PageControl")->setCurrentIndex(1);
      TypeInto(entry, c.text);
      // Leaving the entry keeps what was typed.
      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
      QApplication::sendEvent(entry, &out);
      if (auto* spin = qobject_cast<QSpinBox*>(entry)) {
        EXPECT_EQ(spin->text(), QString::fromLatin1(c.text));
      }
      Click(d, "bOK");
      // The entry's page is shown.
      auto* pages = Child<QTabWidget>(d, "PageControl");
      EXPECT_TRUE(pages->currentWidget()->isAncestorOf(entry)) << c.entry;
      Click(d, "bApply");
    });
    Actions().ProgramSettings->trigger();
    EXPECT_EQ(Said(), (std::vector<std::string>{c.said, c.said})) << c.entry << " " << c.text;
    EXPECT_EQ(results, (std::vector<int>{QDialog::Rejected})) << "the dialog stayed open";
    EXPECT_EQ(settings.maxImageSize, before.maxImageSize);
    EXPECT_EQ(settings.maxScale, before.maxScale);
    EXPECT_EQ(settings.lutWidth, before.lutWidth);
    EXPECT_EQ(settings.units, before.units) << "nothing else stored either";
  }
  // A good entry is stored.
  prompts.boxes.clear();
  Answer([&](QDialog& d) {
    TypeInto(Child(d, "eImageSize"), "4194303");
    TypeInto(Child(d, "udMaxScale"), "30");
    Click(d, "bOK");
  });
  Actions().ProgramSettings->trigger();
  EXPECT_TRUE(prompts.boxes.empty());
  EXPECT_EQ(uint32_t(settings.maxImageSize), 4194303u * 1024);
  EXPECT_EQ(settings.maxScale, 30);
}

TEST_F(EntriesTest, ImageSettingsAndResolutionRefuseAlike) {
  Actions().CreateTestPattern->trigger();
  const std::map<std::string, std::string> before = AboutImage();
  ASSERT_EQ(before.at("SIResolution"), "(unknown)");
  Answer([&](QDialog& d) {
    TypeInto(Child(d, "eXOrigin"), "abc");
    Click(d, "bOK");
  });
  Actions().ImageSettings->trigger();
  EXPECT_EQ(Said(), (std::vector<std::string>{
                        "Scan Origin (Horizontal): \"abc\" is not a whole number from 0 to 2147483392. Nothing was "
                        "stored."}));
  EXPECT_EQ(About("SIOrigin"), before.at("SIOrigin"));
  EXPECT_FALSE(Modified()) << "nothing stored, nothing re-oriented";

  Actions().Region->trigger();
  for (const char* text : {"abc", "-5"}) {
    prompts.boxes.clear();
    Answer([&](QDialog& d) {
      TypeInto(Child(d, "eSizeX"), "25.6");
      TypeInto(Child(d, "eSizeY"), text);
      Click(d, "bOK");
    });
    Actions().Resolution->trigger();
    EXPECT_EQ(Said(), (std::vector<std::string>{"ROI Height Size (mm): \"" + std::string(text) +
                                                "\" is not a size giving 1 to 2147483647 pixels per meter (or 0, "
                                                "which keeps the resolution). Nothing was stored."}));
    EXPECT_EQ(About("SIResolution"), before.at("SIResolution")) << text;
  }
  // 0 keeps a resolution, a size gives one.
  prompts.boxes.clear();
  Answer([&](QDialog& d) {
    TypeInto(Child(d, "eSizeX"), "25.6");
    TypeInto(Child(d, "eSizeY"), "0");
    Click(d, "bOK");
  });
  Actions().Resolution->trigger();
  EXPECT_TRUE(prompts.boxes.empty());
  EXPECT_EQ(About("SIResolution"), "10000 by 0 pixels per meter");  // 256 pixels in 25.6 mm; Y kept
}

}  // namespace
}  // namespace viewer
