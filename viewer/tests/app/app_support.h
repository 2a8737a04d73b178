#pragma once
// Helpers of the main window's tests: the offscreen application, answered
// dialogs and boxes, a per-test registry folder, image files written with the
// file library, mouse events and grabbed pixels.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fennic/fennic_api.h"
#include "testing/registry_folder.h"
#include "viewer/app/main_form.h"
#include "viewer/tests/core/test_support.h"
#include "viewer/tests/oracle.h"

namespace viewer::test {

inline QApplication& App() {
  static int argc = 1;
  static char name[] = "viewer_app_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Answers dialogs from queues (empty: cancelled / No) and records boxes.
class RecordingPrompts : public Prompts {
 public:
  void StartIn(const std::string& folder) override { startFolders.push_back(folder); }
  std::optional<std::string> OpenFile(QWidget*, const std::vector<FileFilter>& filters) override {
    openFilters = filters;
    if (opens.empty()) return std::nullopt;
    auto next = opens.front();
    opens.pop_front();
    return next;
  }
  std::optional<SaveChoice> SaveFile(QWidget*, const std::vector<FileFilter>& filters,
                                     const std::vector<QString>&) override {
    saveFilters = filters;
    if (saves.empty()) return std::nullopt;
    auto next = saves.front();
    saves.pop_front();
    return next;
  }
  void Box(QWidget*, BoxKind kind, const std::string& text) override { boxes.push_back({kind, text}); }
  bool Ask(QWidget*, const std::string& text) override {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
  // Answered from choices; No when none is queued.
  Answer AskOrCancel(QWidget*, const std::string& text) override {
    questions.push_back(text);
    if (choices.empty()) return Answer::No;
    const Answer a = choices.front();
    choices.pop_front();
    return a;
  }

  std::deque<std::optional<std::string>> opens;
  std::deque<std::optional<SaveChoice>> saves;
  std::deque<bool> answers;
  std::deque<Answer> choices;
  std::vector<std::pair<BoxKind, std::string>> boxes;
  std::vector<std::string> questions;
  std::vector<FileFilter> openFilters, saveFilters;
  std::vector<std::string> startFolders;  // one for each file dialog
};

using testsupport::RegistryFolder;

// Writes pixels (w x h, rows top-down) as a file of the type with the facts.
inline void WriteImageFile(const std::string& name, uint32_t type, ScanInfo info, std::vector<uint16_t> pixels) {
  if (info.source == 0) info.source = kSourceFennic;
  FileInfo file{type, name.c_str()};
  ImageData data{1, info.width, info.height, pixels.data()};
  ASSERT_EQ(_Write(&file, &info, &data) & 0xFF, 0) << name;
}

inline ScanInfo Facts(uint32_t w, uint32_t h) {
  ScanInfo info{};
  info.source = kSourceFennic;
  info.width = w;
  info.height = h;
  return info;
}

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : button, held, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

// A main window of fixed size with its own registry folder and prompts.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    registry_ = std::make_unique<RegistryFolder>();
    CreateForm();
  }
  void TearDown() override {
    form.reset();
    registry_.reset();
  }
  void CreateForm() {
    form = std::make_unique<TMainForm>(settings, prompts);
    form->resize(800, 600);
    form->show();
    form->Start(std::nullopt);
    QApplication::processEvents();
  }
  // A control of a window found by its object name (any name when null).
  template <typename T = QWidget>
  static T* Child(const QWidget& w, const char* name) {
    T* c = name ? w.findChild<T*>(QString::fromLatin1(name)) : w.findChild<T*>();
    EXPECT_NE(c, nullptr) << (name ? name : "unnamed");
    return c;
  }
  template <typename T = QWidget>
  T* Child(const char* name = nullptr) const {
    return Child<T>(*form, name);
  }
  TImageViewer* View() const { return Child<TImageViewer>("ImageViewer"); }
  // The text of status panel 0, 1 or 2.
  QString PanelText(int panel) const {
    return Child<QLabel>(("StatusPanel" + std::to_string(panel)).c_str())->text();
  }
  QWidget* Viewport() const { return Child<TImageViewer>("ImageViewer")->viewport(); }
  QImage Grab() const { return Viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  static uint32_t At(const QImage& shot, Point p) { return shot.pixel(p.x, p.y) & 0xFFFFFF; }
  // Client point at the middle of a stored pixel's block.
  Point ScreenOf(int32_t x, int32_t y) const {
    Point p{x, y};
    View()->ImagePointToScreen(p);
    return p;
  }
  // A left-button drag over the display between two stored pixels.
  void Drag(Point from, Point to) {
    const Point a = ScreenOf(from.x, from.y), b = ScreenOf(to.x, to.y);
    SendMouse(Viewport(), QEvent::MouseMove, {a.x, a.y});
    SendMouse(Viewport(), QEvent::MouseButtonPress, {a.x, a.y});
    SendMouse(Viewport(), QEvent::MouseMove, {b.x, b.y});
    SendMouse(Viewport(), QEvent::MouseButtonRelease, {b.x, b.y});
  }
  void Open(const std::string& name) {
    prompts.opens.push_back(name);
    form->Actions().Open->trigger();
  }
  bool Enabled(QAction* action) const { return action->isEnabled(); }

  TempFolder folder;
  MessageRecorder libraryBoxes;
  ViewerSettings settings;
  RecordingPrompts prompts;
  std::unique_ptr<TMainForm> form;

 private:
  std::unique_ptr<RegistryFolder> registry_;
};

}  // namespace viewer::test
