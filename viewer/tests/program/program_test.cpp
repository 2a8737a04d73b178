// The built program on a real X server (Xvfb) with a file argument: its
// window's caption and a few screen pixels.
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
#include "testing/oracle.h"
#include "viewer/tests/core/test_support.h"

namespace viewer {
namespace {

bool Have(const char* tool) {
  return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadText(const std::string& name) {
  std::ifstream in(name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Program, StartsWithAFileOnAnXServer) {
  for (const char* tool : {"xvfb-run", "xwininfo", "import"}) {
    if (!Have(tool)) {
      if (testsupport::UnderCi()) FAIL() << tool << " missing";
      GTEST_SKIP() << tool << " missing";
    }
  }
  test::TempFolder folder;
  // Three bands of tones 0, 1000, 2000: shown as a negative over 0..2000
  // they are white, grey 128 (index 127 of 255) and black.
  const uint32_t w = 30, h = 20;
  std::vector<uint16_t> pixels(w * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) pixels[y * w + x] = static_cast<uint16_t>((x / 10) * 1000);
  const std::string image = folder / "bands.qew";
  ScanInfo info{};
  info.source = kSourceFennic;
  info.width = w;
  info.height = h;
  FileInfo file{kFileQew, image.c_str()};
  ImageData data{1, w, h, pixels.data()};
  ASSERT_EQ(_Write(&file, &info, &data) & 0xFF, 0);

  const std::string shot = folder / "shot.png", tree = folder / "tree.txt";
  const std::string script = folder / "run.sh";
  {
    std::ofstream out(script);
    out << "export VORNIX_REGISTRY_DIR='" << folder.path() << "/registry'\n"
        << "unset QT_QPA_PLATFORM\n"
        << "'" VORNIX_VIEWER_PROGRAM "' '" << image << "' 2>/dev/null &\n"
        << "pid=$!\n"
        << "for i in $(seq 1 150); do\n"
        << "  xwininfo -root -tree > '" << tree << "' 2>/dev/null\n"
        << "  grep -q 'Vornix Image Viewer' '" << tree << "' && break\n"
        << "  sleep 0.2\n"
        << "done\n"
        << "sleep 2\n"
        << "import -window root '" << shot << "'\n"
        << "kill $pid\n"
        << "wait $pid 2>/dev/null\n"
        << "exit 0\n";
  }
  const std::string command = "xvfb-run -a -s '-screen 0 1024x768x24' sh '" + script + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  EXPECT_NE(ReadText(tree).find("\"Vornix Image Viewer\""), std::string::npos);

  int argc = 1;
  char name[] = "program_test";
  char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage screen(QString::fromStdString(shot));
  ASSERT_FALSE(screen.isNull());
  screen = screen.convertToFormat(QImage::Format_RGB32);
  auto rgb = [&](int x, int y) { return screen.pixel(x, y) & 0xFFFFFF; };
  // The row with the longest grey run holds the image: white to its left,
  // black to its right, each band as wide as the grey one; navy margins.
  int bestRow = -1, bestStart = 0, bestLength = 0;
  size_t navy = 0;
  for (int y = 0; y < screen.height(); ++y) {
    int run = 0;
    for (int x = 0; x < screen.width(); ++x) {
      navy += rgb(x, y) == 0x000080;
      run = rgb(x, y) == 0x808080 ? run + 1 : 0;
      if (run > bestLength) {
        bestLength = run;
        bestStart = x - run + 1;
        bestRow = y;
      }
    }
  }
  EXPECT_GT(navy, 1000u);
  ASSERT_GE(bestLength, 30) << "no grey band";
  const int bandWidth = bestLength;
  ASSERT_GE(bestStart - bandWidth, 0);
  ASSERT_LE(bestStart + 2 * bandWidth, screen.width());
  for (int dx : {1, bandWidth / 2, bandWidth - 1}) {
    EXPECT_EQ(rgb(bestStart - bandWidth + dx, bestRow), 0xFFFFFFu);
    EXPECT_EQ(rgb(bestStart + bandWidth + dx, bestRow), 0x000000u);
  }
}

}  // namespace
}  // namespace viewer
