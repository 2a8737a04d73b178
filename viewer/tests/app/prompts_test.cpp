// The real file dialogs: each opens in the folder of the file last chosen in
// one of them during the session.
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <functional>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

// Answers the next file dialog: records the folder it opened in, then picks
// the file (accepted) or cancels (empty).
void AnswerDialog(QString& openedIn, const std::string& file) {
  QTimer::singleShot(0, [&openedIn, file] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    openedIn = dialog->directory().absolutePath();
    if (file.empty()) return dialog->reject();
    dialog->selectFile(QString::fromStdString(file));
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

TEST(FileDialogs, OpenInTheFolderLastUsed) {
  test::App();
  test::TempFolder first, second;
  test::WriteRaw(first / "a.raw", 2, 2, [](uint32_t, uint32_t) { return 1; });
  QtPrompts prompts;
  const std::vector<FileFilter> filters = {{"All Files", "*.*"}};
  const std::vector<QString> extensions = {".qew"};
  QString openedIn;

  // The first opens in the working folder.
  AnswerDialog(openedIn, first / "a.raw");
  ASSERT_EQ(prompts.OpenFile(nullptr, filters), first / "a.raw");
  EXPECT_EQ(openedIn, QDir::currentPath());
  // A save dialog opens where the open dialog left; saving elsewhere moves it.
  AnswerDialog(openedIn, second / "b.qew");
  const std::optional<SaveChoice> saved = prompts.SaveFile(nullptr, filters, extensions);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->name, second / "b.qew");
  EXPECT_EQ(openedIn, QString::fromStdString(first.path()));
  // A cancelled dialog changes nothing.
  AnswerDialog(openedIn, "");
  EXPECT_FALSE(prompts.OpenFile(nullptr, filters));
  EXPECT_EQ(openedIn, QString::fromStdString(second.path()));
  AnswerDialog(openedIn, "");
  EXPECT_FALSE(prompts.SaveFile(nullptr, filters, extensions));
  EXPECT_EQ(openedIn, QString::fromStdString(second.path()));
}

}  // namespace
}  // namespace viewer
