#pragma once
// Helpers of the main window's tests: the offscreen application, answered
// dialogs and boxes, a per-test registry folder, image files written with the
// file library, mouse events and grabbed pixels, and what the window shows
// of its state (actions found by name, the status bar, the About the Image
// dialog, the pixel read-out, the region it saves, the tools' overlays).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fennic/fennic_api.h"
#include "testing/registry_folder.h"
#include "viewer/app/main_form.h"
#include "viewer/tests/app/window_actions.h"
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
    form->SetModalRunner([this](QDialog& d) { return modal ? modal(d) : d.exec(); });
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
    Actions().Open->trigger();
  }
  bool Enabled(QAction* action) const { return action->isEnabled(); }
  // The window's actions, found by their object names.
  MainActions Actions() const { return FindActions(*form); }
  // The status bar says "(modified)".
  bool Modified() const { return PanelText(1) == QStringLiteral("(modified)"); }
  // The display shows no image.
  bool Empty() const { return View()->IsEmpty(); }
  // The fields of the About the Image dialog (FIName, SIOrigin, IISampling,
  // ...); none without an image.
  std::map<std::string, std::string> AboutImage() {
    std::map<std::string, std::string> fields;
    const TMainForm::ModalRunner answer = modal;
    modal = [&fields](QDialog& d) {
      for (const QLabel* label : d.findChildren<QLabel*>())
        if (!label->objectName().isEmpty()) fields[label->objectName().toStdString()] = label->text().toStdString();
      return int(QDialog::Accepted);
    };
    Actions().AboutImage->trigger();
    modal = answer;
    return fields;
  }
  std::string About(const char* field) { return AboutImage()[field]; }
  // The tone the status bar reads out for the stored pixel under the mouse.
  int ToneAt(int32_t x, int32_t y) {
    const Point at = ScreenOf(x, y);
    SendMouse(Viewport(), QEvent::MouseMove, {at.x, at.y});
    const QString text = PanelText(0);
    return text.section('=', 1).toInt();
  }
  // The tool action checked now (Region, Profile or Measurement), or null.
  QAction* CheckedTool() const {
    const MainActions a = Actions();
    for (QAction* tool : {a.Region, a.Profile, a.Measurement})
      if (tool->isChecked()) return tool;
    return nullptr;
  }
  // Runs f with `tool` checked (none when null), then checks again the
  // tool that was checked before.
  template <typename F>
  void WithTool(QAction* tool, F f) {
    QAction* before = CheckedTool();
    if (tool != before) (tool ? tool : before)->trigger();
    f();
    if (tool != before) (before ? before : tool)->trigger();
  }
  // Marks the image modified as a user does: crops it to its region of
  // interest (the whole image unless a drag set another).
  void CropToRegion() {
    WithTool(Actions().Region, [&] { Actions().CropToRegion->trigger(); });
  }
  // The display without any tool's overlay.
  QImage Bare() {
    QImage shot;
    WithTool(nullptr, [&] { shot = Grab(); });
    return shot;
  }
  // The overlay of the checked tool covers the stored pixel's middle.
  bool Drawn(const QImage& shot, const QImage& bare, Point stored) const {
    const Point at = ScreenOf(stored.x, stored.y);
    return At(shot, at) != At(bare, at);
  }
  // The region of interest as the window saves it: Save Region As into a
  // QEW file, whose header holds the region's origin and size (the region
  // is taken from the image's file, so of an image whose origin has not
  // been changed since it was opened or saved). The dialogs it asks leave no
  // trace in the recorded prompts.
  Rect SavedRegion() {
    const std::string name = folder / "region-probe.qew";
    std::remove(name.c_str());
    const auto starts = prompts.startFolders.size();
    const auto filters = prompts.saveFilters;
    prompts.saves.push_front(SaveChoice{name, 1});
    WithTool(Actions().Region, [&] { Actions().SaveROIAs->trigger(); });
    prompts.startFolders.resize(starts);
    prompts.saveFilters = filters;
    FileInfo file{0, name.c_str()};
    ScanInfo info{};
    if (_GetFileInfo(&file) != 0 || _GetScanInfo(&file, &info) != 0) return Rect{-1, -1, -1, -1};
    std::remove(name.c_str());
    return Rect{int32_t(info.originX), int32_t(info.originY), int32_t(info.originX + info.width - 1),
                int32_t(info.originY + info.height - 1)};
  }

  TempFolder folder;
  MessageRecorder libraryBoxes;
  ViewerSettings settings;
  RecordingPrompts prompts;
  // How the window's dialogs are answered (null: shown modally).
  TMainForm::ModalRunner modal;
  std::unique_ptr<TMainForm> form;

 private:
  std::unique_ptr<RegistryFolder> registry_;
};

}  // namespace viewer::test
