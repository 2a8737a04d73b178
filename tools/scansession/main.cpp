// scansession: opens a scan session on the connected (or simulated) scanner
// in one scan mode, activates it, polls until the plates have passed,
// fetches every image, deactivates, closes, and lists the images it made.
//   scansession [--ini file] [--images folder] [--mode n] [--seconds n]
// --ini names the ini file to use (stored as the library's ini file name);
// --images replaces the ini's image folder for this run (a copy of the ini
// is written beside it). The last line of output names the first image.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver/tarvel_api.h"

namespace {

constexpr int kTransport = 1 << 25;
// Polls after the transport stopped before the pass counts as over: the
// scanner keeps sending empty lines, whose arrival flushes the last plate.
constexpr int kQuietPolls = 30;

struct Options {
  std::string ini;
  std::string images;
  int mode = 1;
  int seconds = 60;
};

bool Parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return false;
    const std::string v = argv[++i];
    if (a == "--ini")
      o->ini = v;
    else if (a == "--images")
      o->images = v;
    else if (a == "--mode")
      o->mode = std::atoi(v.c_str());
    else if (a == "--seconds")
      o->seconds = std::atoi(v.c_str());
    else
      return false;
  }
  return true;
}

// A copy of the ini file whose [Scanner] section names the image folder
// (and keeps the temporary file and the log there too).
std::string IniWithImageFolder(const std::string& ini, const std::string& folder) {
  std::ifstream in(ini, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string body = text.str();
  const std::string keys =
      "ImagePath=" + folder + "\nTempFile=" + folder + "/Tarvel.tmp\nLogfile=" + folder + "/Tarvel\n";
  const size_t at = body.find("[Scanner]");
  if (at == std::string::npos)
    body = "[Scanner]\n" + keys + body;
  else
    body.insert(body.find('\n', at) + 1, keys);
  std::filesystem::create_directories(folder);
  const std::string path = folder + "/Tarvel.ini";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << body;
  return std::filesystem::absolute(path).string();
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!Parse(argc, argv, &o)) {
    std::fprintf(stderr, "usage: scansession [--ini file] [--images folder] [--mode n] [--seconds n]\n");
    return 2;
  }
  if (!o.ini.empty()) {
    const std::string ini =
        o.images.empty() ? std::filesystem::absolute(o.ini).string() : IniWithImageFolder(o.ini, o.images);
    Set_IniFileName(ini.c_str());
  }
  char version[64] = {};
  Get_DriverVersion(version);
  std::printf("Tarvel %s\n", version);

  int r = Open_Scanner(o.mode);
  if (r < 0 && r != -10001) {
    std::printf("Open_Scanner(%d) failed: %d\n", o.mode, r);
    return 1;
  }
  char serial[32] = {};
  Get_Serialnumber(serial);
  std::printf("Scanner %s open in mode %d\n", serial, o.mode);
  r = Aktivate_Scanner();
  if (r < 0 && r != -10000) {
    std::printf("Aktivate_Scanner failed: %d\n", r);
    Close_Scanner();
    return 1;
  }
  std::printf("Waiting for plates...\n");

  std::vector<std::string> images;
  bool ran = false;
  int quiet = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(o.seconds);
  while (std::chrono::steady_clock::now() < until) {
    const int status = Get_Status();
    if (status < 0) {
      std::printf("Get_Status failed: %d\n", status);
      break;
    }
    for (int pending = status & 0xFF; pending > 0; --pending) {
      char name[256];
      if (Get_ImageName(name) > 0) images.push_back(name);
    }
    const bool running = status & kTransport;
    ran = ran || running;
    quiet = ran && !running ? quiet + 1 : 0;
    if (quiet > kQuietPolls) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Deaktivate_Scanner();
  Close_Scanner();

  std::printf("%zu images made\n", images.size());
  for (const std::string& name : images) {
    ImageInfo info{};
    if (Get_ImageInfo(&info, name.c_str()) == 0)
      std::printf("  %s  %d x %d pixels, %d x %d nm, slots %02x\n", name.c_str(), info.width, info.height, info.pitch_x,
                  info.pitch_y, info.slot_bits);
    else
      std::printf("  %s\n", name.c_str());
  }
  if (!images.empty()) std::printf("%s\n", images.front().c_str());
  return images.empty() ? 1 : 0;
}
