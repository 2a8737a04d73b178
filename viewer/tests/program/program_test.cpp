// The built program on a real X server (Xvfb) with a file argument: its
// window's caption, a few screen pixels, and its settings across restarts.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fennic/fennic_api.h"
#include "platform/registry.h"
#include "testing/oracle.h"
#include "testing/registry_folder.h"
#include "viewer/core/settings.h"
#include "viewer/tests/core/test_support.h"

namespace viewer {
namespace {

namespace reg = platform::registry;

bool Have(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadText(const std::string& name) {
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

#define NEED_X_TOOLS()                                             \
  for (const char* tool : {"xvfb-run", "xwininfo", "import"}) {    \
    if (!Have(tool)) {                                             \
      if (testsupport::UnderCi()) FAIL() << tool << " missing";    \
      GTEST_SKIP() << tool << " missing";                          \
    }                                                              \
  }

void WriteImage(const std::string& name, uint32_t w, uint32_t h, std::vector<uint16_t> pixels) {
  ScanInfo info{};
  info.source = kSourceFennic;
  info.width = w;
  info.height = h;
  FileInfo file{kFileQew, name.c_str()};
  ImageData data{1, w, h, pixels.data()};
  ASSERT_EQ(_Write(&file, &info, &data) & 0xFF, 0);
}

// One run of the program on an X server of its own, with a file argument and
// a registry folder: once its window shows, the window tree and a screenshot
// are taken, then the window is closed as a window manager closes it (close)
// or the program is killed. status: the program's exit status; -1 when it
// was killed or did not end within 20 seconds of the close.
struct ProgramRun {
  std::string tree, shot;
  int status = -1;
};

ProgramRun RunProgram(const test::TempFolder& folder, const std::string& tag, const std::string& image,
               const std::string& registry, bool close) {
  ProgramRun run{folder / (tag + "-tree.txt"), folder / (tag + "-shot.png")};
  const std::string status = folder / (tag + "-status.txt"), script = folder / (tag + ".sh");
  {
    std::ofstream out(script);
    out << "export VORNIX_REGISTRY_DIR='" << registry << "'\n"
        << "export ASAN_OPTIONS=detect_leaks=0\n"
        << "unset QT_QPA_PLATFORM\n"
        << "'" VORNIX_VIEWER_PROGRAM "' '" << image << "' 2>/dev/null &\n"
        << "pid=$!\n"
        << "for i in $(seq 1 150); do\n"
        << "  xwininfo -root -tree > '" << run.tree << "' 2>/dev/null\n"
        << "  grep -q 'Vornix Image Viewer' '" << run.tree << "' && break\n"
        << "  sleep 0.2\n"
        << "done\n"
        << "sleep 2\n"
        << "import -window root '" << run.shot << "'\n";
    if (close)
      out << "'" VORNIX_CLOSE_WINDOW "' 'Vornix Image Viewer'\n"
          << "for i in $(seq 1 100); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done\n"
          << "if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid; echo -1 > '" << status << "'\n"
          << "else wait $pid; echo $? > '" << status << "'; fi\n";
    else
      out << "kill $pid\n"
          << "wait $pid 2>/dev/null\n";
    out << "exit 0\n";
  }
  const std::string command = "xvfb-run -a -s '-screen 0 1024x768x24' sh '" + script + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  if (close) {
    std::istringstream text(ReadText(status));
    text >> run.status;
  }
  return run;
}

QImage Screen(const std::string& shot) {
  static int argc = 1;
  static char name[] = "program_test";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
  QImage screen(QString::fromStdString(shot));
  return screen.isNull() ? screen : screen.convertToFormat(QImage::Format_RGB32);
}

size_t CountColour(const QImage& screen, uint32_t rgb) {
  size_t n = 0;
  for (int y = 0; y < screen.height(); ++y)
    for (int x = 0; x < screen.width(); ++x) n += (screen.pixel(x, y) & 0xFFFFFF) == rgb;
  return n;
}

TEST(Program, StartsWithAFileOnAnXServer) {
  NEED_X_TOOLS();
  test::TempFolder folder;
  // Three bands of tones 0, 1000, 2000: shown as a negative over 0..2000
  // they are white, grey 128 (index 127 of 255) and black.
  const uint32_t w = 30, h = 20;
  std::vector<uint16_t> pixels(w * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) pixels[y * w + x] = static_cast<uint16_t>((x / 10) * 1000);
  const std::string image = folder / "bands.qew";
  WriteImage(image, w, h, pixels);
  const ProgramRun run = RunProgram(folder, "bands", image, folder / "registry", false);

  EXPECT_NE(ReadText(run.tree).find("\"Vornix Image Viewer\""), std::string::npos);

  const QImage screen = Screen(run.shot);
  ASSERT_FALSE(screen.isNull());
  auto rgb = [&](int x, int y) { return screen.pixel(x, y) & 0xFFFFFF; };
  // The row with the longest grey run holds the image: white to its left,
  // black to its right, each band as wide as the grey one; navy margins.
  int bestRow = -1, bestStart = 0, bestLength = 0;
  for (int y = 0; y < screen.height(); ++y) {
    int length = 0;
    for (int x = 0; x < screen.width(); ++x) {
      length = rgb(x, y) == 0x808080 ? length + 1 : 0;
      if (length > bestLength) {
        bestLength = length;
        bestStart = x - length + 1;
        bestRow = y;
      }
    }
  }
  EXPECT_GT(CountColour(screen, 0x000080), 1000u);
  ASSERT_GE(bestLength, 30) << "no grey band";
  const int bandWidth = bestLength;
  ASSERT_GE(bestStart - bandWidth, 0);
  ASSERT_LE(bestStart + 2 * bandWidth, screen.width());
  for (int dx : {1, bandWidth / 2, bandWidth - 1}) {
    EXPECT_EQ(rgb(bestStart - bandWidth + dx, bestRow), 0xFFFFFFu);
    EXPECT_EQ(rgb(bestStart + bandWidth + dx, bestRow), 0x000000u);
  }
}

// Values of the program's key and its two subkeys, as (subkey, name, DWORD).
struct Stored {
  const char* subkey;
  const char* name;
  uint32_t value;
};

uint32_t ValueCount(const std::string& subkey) {
  const std::string key = subkey.empty() ? kProgramKey : std::string(kProgramKey) + "\\" + subkey;
  const auto info = reg::QueryKeyInfo(reg::Hive::CurrentUser, key);
  return info ? info->values : 0;
}

TEST(Program, RestartedKeepsItsSettings) {
  NEED_X_TOOLS();
  test::TempFolder folder;
  const std::string registry = folder / "registry";
  testsupport::RegistryFolder store(registry);
  const std::string image = folder / "flat.qew";
  WriteImage(image, 20, 10, std::vector<uint16_t>(200, 500));
  const std::string key = kProgramKey;

  // Ended through its own shut-down without a change: nothing is stored.
  const ProgramRun first = RunProgram(folder, "first", image, registry, true);
  EXPECT_EQ(first.status, 0);
  EXPECT_GT(CountColour(Screen(first.shot), 0x000080), 1000u);  // navy margins
  EXPECT_FALSE(reg::KeyExists(reg::Hive::CurrentUser, key));

  // Settings as the program settings form stores them: a green viewer
  // background, units, the largest scale and the window bar's thickness.
  const Stored stored[] = {
      {kImageViewerKey, "Color", 0x00008000},
      {kImageViewerKey, "Maximum Scale Factor", 30},
      {kHistogramKey, "LUT Width", 5},
      {"", "Units", 3},
  };
  for (const Stored& s : stored) WriteRegInteger(s.subkey, s.name, static_cast<int32_t>(s.value), 0);
  for (const char* tag : {"second", "third"}) {
    SCOPED_TRACE(tag);
    const ProgramRun run = RunProgram(folder, tag, image, registry, true);
    EXPECT_EQ(run.status, 0);
    const QImage screen = Screen(run.shot);
    EXPECT_GT(CountColour(screen, 0x008000), 1000u);  // read at the start
    EXPECT_EQ(CountColour(screen, 0x000080), 0u);
    // Written back at the end, and nothing else.
    for (const Stored& s : stored)
      EXPECT_EQ(ReadRegInteger(s.subkey, s.name, -1), static_cast<int32_t>(s.value)) << s.name;
    EXPECT_EQ(ValueCount(kImageViewerKey), 2u);
    EXPECT_EQ(ValueCount(kHistogramKey), 1u);
    EXPECT_EQ(ValueCount(""), 1u);
  }
}

}  // namespace
}  // namespace viewer
