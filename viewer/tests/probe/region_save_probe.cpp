// Runs one Save Region As in a main window of its own and prints how far
// the resident set rose above its level just before the save.
//   viewer_region_save_probe SOURCE TARGET FILTER MAX_IMAGE_SIZE
// Output: "rise_kb N" and "boxes N" (the error boxes shown); exit status 0
// when the save ran without a box.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "viewer/app/main_form.h"
#include "viewer/core/messages.h"
#include "viewer/tests/app/window_actions.h"
#include "viewer/widgets/image_viewer.h"

namespace {

// A field of /proc/self/status in kB.
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + key.size(), nullptr, 10);
  return -1;
}

class ProbePrompts : public viewer::Prompts {
 public:
  explicit ProbePrompts(viewer::SaveChoice save) : save_(std::move(save)) {}
  std::optional<std::string> OpenFile(QWidget*, const std::vector<viewer::FileFilter>&) override {
    return std::nullopt;
  }
  std::optional<viewer::SaveChoice> SaveFile(QWidget*, const std::vector<viewer::FileFilter>&,
                                             const std::vector<QString>&) override {
    return save_;
  }
  void Box(QWidget*, viewer::BoxKind, const std::string& text) override {
    std::fprintf(stderr, "box: %s\n", text.c_str());
    ++boxes;
  }
  bool Ask(QWidget*, const std::string&) override { return true; }
  int boxes = 0;

 private:
  viewer::SaveChoice save_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s SOURCE TARGET FILTER MAX_IMAGE_SIZE\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ProbePrompts prompts({argv[2], std::atoi(argv[3])});
  viewer::SetMessageHandler([&](const std::string& text, viewer::MessageButton) { prompts.Box(nullptr, {}, text); });
  viewer::ViewerSettings settings;
  settings.maxImageSize = static_cast<int32_t>(std::strtoul(argv[4], nullptr, 10));
  viewer::TMainForm form(settings, prompts);
  form.resize(800, 600);
  form.show();
  form.Start(std::string(argv[1]));
  QApplication::processEvents();
  const viewer::MainActions actions = viewer::test::FindActions(form);
  if (prompts.boxes || form.findChild<viewer::TImageViewer*>(QStringLiteral("ImageViewer"))->IsEmpty()) return 1;
  actions.Region->trigger();  // the region is the whole image

  const long before = StatusKb("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";  // the peak restarts from here
  actions.SaveROIAs->trigger();
  const long peak = StatusKb("VmHWM");
  std::printf("rise_kb %ld\nboxes %d\n", peak - before, prompts.boxes);
  return prompts.boxes ? 1 : 0;
}
