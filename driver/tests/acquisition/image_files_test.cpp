// Image and information files and the exports that read, delete and list them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "driver/acquisition/acquisition.h"
#include "driver/acquisition/image_files.h"
#include "driver/acquisition/image_names.h"
#include "driver/acquisition/plate_processing.h"
#include "driver/tarvel_api.h"
#include "driver/tests/acquisition/failing_new.h"
#include "driver/tests/acquisition/stream_helpers.h"
#include "platform/files.h"
#include "testing/registry_folder.h"
#include "testing/temp_folder.h"

using namespace acqtest;
using testsupport::TempFolder;

namespace {

ImageInfo SampleInfo() {
  ImageInfo i{};
  i.size = 108;
  i.width = 0x01020304;
  i.height = 0x05060708;
  i.pitch_x = 50470;
  i.pitch_y = 49990;
  i.bits_per_pixel = 16;
  i.start_position = 0x0A0B0C0D;
  i.slot_bits = 0x2A;
  i.year = 2026;
  i.month = 12;
  i.day = 10;
  i.hour = 8;
  i.minute = 9;
  i.second = 59;
  std::strcpy(i.serial_number, "VX-000123");
  i.rotation = 14;
  i.scaled_pitch = 75345;
  i.scale = 1.5f;
  i.maximum = 0xBEEF;
  i.average = 0x1234;
  i.scan_mode = 7;
  i.possible_maximum = 49140;
  i.extra_length = 3;
  return i;
}

void WriteBytes(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Le(uint64_t v, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
  return s;
}

TEST(InfoFile, PackedFieldsAtTheirOffsets) {
  const ImageInfo in = SampleInfo();
  auto b = tarvel::PackInfo(in);
  std::string s(b.begin(), b.end());
  struct Field {
    size_t offset;
    std::string bytes;
  };
  const Field fields[] = {
      {0, Le(108, 4)},
      {4, Le(0x01020304, 4)},
      {8, Le(0x05060708, 4)},
      {12, Le(50470, 4)},
      {16, Le(49990, 4)},
      {20, Le(16, 1)},
      {21, Le(0x0A0B0C0D, 4)},
      {25, Le(0x2A, 1)},
      {26, Le(2026, 2)},
      {28, "\x0c\x0a\x08\x09\x3b"},
      {33, std::string("VX-000123\0", 10)},
      {81, Le(14, 1)},
      {82, Le(75345, 4)},
      {86, Le(0x3FC00000, 4)},
      {90, Le(0xBEEF, 2)},
      {92, Le(0x1234, 2)},
      {94, Le(7, 1)},
      {95, Le(49140, 2)},
      {97, Le(3, 4)},
  };
  for (const Field& f : fields) EXPECT_EQ(s.substr(f.offset, f.bytes.size()), f.bytes) << f.offset;
  EXPECT_EQ(s.substr(65, 16), std::string(16, '\0'));

  // The shared packed record reads the same bytes.
  ImageInfoFile packed;
  std::memcpy(&packed, b.data(), sizeof packed);
  const int32_t start = packed.start_position, extra = packed.extra_length;
  const uint16_t possible = packed.possible_maximum;
  EXPECT_EQ(start, in.start_position);
  EXPECT_EQ(extra, in.extra_length);
  EXPECT_EQ(possible, in.possible_maximum);

  ImageInfo out = tarvel::UnpackInfo(b.data());
  EXPECT_EQ(tarvel::PackInfo(out), b);
  EXPECT_STREQ(out.serial_number, "VX-000123");
  EXPECT_FLOAT_EQ(out.scale, 1.5f);
}

TEST(InfoFile, GetImageInfoReadsTheFileAndRefusesAShortOne) {
  TempFolder dir;
  const std::string image = dir / "KP000001.QEW";
  ImageInfo got{};
  EXPECT_EQ(Get_ImageInfo(&got, image.c_str()), -1);
  auto b = tarvel::PackInfo(SampleInfo());
  WriteBytes(dir / "KP000001.txt", std::string(b.begin(), b.end()) + "abc");
  ASSERT_EQ(Get_ImageInfo(&got, image.c_str()), 0);
  EXPECT_EQ(got.width, 0x01020304);
  EXPECT_EQ(got.extra_length, 3);
  WriteBytes(dir / "KP000001.txt", std::string(b.begin(), b.begin() + 100));
  EXPECT_EQ(Get_ImageInfo(&got, image.c_str()), -1);
}

TEST(InfoFile, ExtraHeaderLengthIsBoundedByTheFile) {
  TempFolder dir;
  const std::string image = dir / "KP000001.QEW";
  struct Case {
    int32_t length;
    std::string extra;
    int result;
  };
  const Case cases[] = {{0, "", 0}, {3, "abc", 3}, {-5, "abc", 0}, {1000, "abc", 3}, {INT32_MAX, "xy", 2}};
  for (const Case& c : cases) {
    ImageInfo info = SampleInfo();
    info.extra_length = c.length;
    auto b = tarvel::PackInfo(info);
    WriteBytes(dir / "KP000001.txt", std::string(b.begin(), b.end()) + c.extra);
    char buffer[8] = "-------";
    EXPECT_EQ(Get_ImageExtraHeader(image.c_str(), reinterpret_cast<uint8_t*>(buffer)), c.result) << c.length;
    EXPECT_EQ(std::string(buffer, 7), c.extra.substr(0, c.result) + std::string("-------").substr(c.result));
  }
  EXPECT_EQ(Get_ImageExtraHeader((dir / "KP000009.QEW").c_str(), nullptr), 0);
}

TEST(DiskImageFile, ReadChecksTheSizeAgainstTheInformationFile) {
  TempFolder dir;
  const std::string image = dir / "KP000001.QEW";
  auto write_pair = [&](uint16_t w, uint16_t h, size_t pixels, int info_w, int info_h) {
    std::string d = Le(w, 2) + Le(h, 2);
    for (size_t i = 0; i < pixels; ++i) d += Le(1000 + i, 2);
    WriteBytes(image, d);
    ImageInfo info = SampleInfo();
    info.width = info_w;
    info.height = info_h;
    auto b = tarvel::PackInfo(info);
    WriteBytes(dir / "KP000001.txt", std::string(b.begin(), b.end()));
  };
  struct Case {
    const char* what;
    uint16_t w, h;
    size_t pixels;
    int iw, ih;
    int result;
  };
  const Case cases[] = {
      {"whole", 3, 2, 6, 3, 2, 0},
      {"rotated record", 3, 2, 6, 2, 3, 0},
      {"width 0", 0, 2, 0, 0, 2, -102},
      {"short", 3, 2, 5, 3, 2, -102},
      {"larger than the record", 30, 20, 600, 3, 2, -102},
  };
  for (const Case& c : cases) {
    write_pair(c.w, c.h, c.pixels, c.iw, c.ih);
    std::vector<uint16_t> buffer(6, 7);
    EXPECT_EQ(Read_DiskImage(buffer.data(), image.c_str()), c.result) << c.what;
    if (c.result == 0)
      EXPECT_EQ(buffer, (std::vector<uint16_t>{1000, 1001, 1002, 1003, 1004, 1005}));
    else
      EXPECT_EQ(buffer, std::vector<uint16_t>(6, 7)) << c.what;
  }
  std::vector<uint16_t> buffer(6);
  write_pair(3, 2, 6, 3, 2);
  EXPECT_EQ(Read_DiskImage(nullptr, image.c_str()), -102);
  fs::remove(dir / "KP000001.txt");
  EXPECT_EQ(Read_DiskImage(buffer.data(), image.c_str()), -2);
  EXPECT_EQ(Read_DiskImage(buffer.data(), (dir / "KP000002.QEW").c_str()), -2);
}

// Margins of (100 - window) percent of each side; above 100 % the whole
// image, at 0 % nothing.
TEST(WindowStats, MarginsOfTheMeasuringWindow) {
  const int W = 1000, H = 10;
  std::vector<uint16_t> px(W * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) px[y * W + x] = static_cast<uint16_t>(x);
  struct Case {
    int window_x, window_y;
    uint16_t maximum, average;
  };
  const Case cases[] = {
      {80, 80, 799, 499},  {100, 100, 999, 499}, {150, 255, 999, 499},
      {99, 100, 989, 499}, {0, 100, 0, 0},       {80, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ImageInfo info{};
    EXPECT_EQ(tarvel::WindowStats(W, H, px.data(), c.window_x, c.window_y, info), 0);
    EXPECT_EQ(info.maximum, c.maximum) << c.window_x << " " << c.window_y;
    EXPECT_EQ(info.average, c.average) << c.window_x << " " << c.window_y;
  }
  ImageInfo info{};
  EXPECT_EQ(tarvel::WindowStats(W, H, nullptr, 80, 80, info), -102);
}

// The library's folder is the scratch folder: the daily log and the ini
// file are found there.
class BesideLibrary : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetModuleFileNameOverride(dir / "libTarvel.so"); }
  void TearDown() override { platform::SetModuleFileNameOverride(std::nullopt); }
  TempFolder dir;
  testsupport::RegistryFolder registry_{dir / "registry"};
};

TEST_F(BesideLibrary, DeleteImageRemovesBothFilesAndLogs) {
  fs::create_directories(dir / "Images");
  const std::string image = dir / "Images/KP000004.QEW";
  WriteBytes(image, "x");
  WriteBytes(dir / "Images/KP000004.txt", "x");
  EXPECT_EQ(Delete_Image(image.c_str()), 0);
  EXPECT_FALSE(fs::exists(image));
  EXPECT_FALSE(fs::exists(dir / "Images/KP000004.txt"));
  WriteBytes(image, "x");  // no information file: both are still tried
  EXPECT_EQ(Delete_Image(image.c_str()), -2);
  EXPECT_FALSE(fs::exists(image));
  std::string log = ReadAll(dir / "Tarvel.log");
  EXPECT_NE(log.find("Image file deleted: " + image + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: Can not delete image file: " + image + "\n"), std::string::npos);
}

// A name without a three-character extension names no information file:
// only the name given is deleted, never a file its last characters replaced
// would name.
TEST_F(BesideLibrary, DeleteImageOfANameWithoutAnExtensionDeletesOnlyThatName) {
  struct Case {
    const char* name;
    const char* bystander;  // what replacing its last three characters names
  };
  const Case cases[] = {{"Images/ab", "Imagestxt"},
                        {"Images/KP000004", "Images/KP000txt"},
                        {"Images/plate.x", "Images/plattxt"},
                        {"Images.QEW/ab", "Images.QEtxt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string image = dir / c.name;
    fs::create_directories(fs::path(image).parent_path());
    WriteBytes(image, "x");
    WriteBytes(dir / c.bystander, "x");
    EXPECT_EQ(Delete_Image(image.c_str()), 0);
    EXPECT_FALSE(fs::exists(image));
    EXPECT_TRUE(fs::exists(dir / c.bystander));
    EXPECT_EQ(Delete_Image(image.c_str()), -2);  // gone already
  }
}

TEST_F(BesideLibrary, OldImagesAreListedFromTheImageFolder) {
  WriteBytes(dir / "Tarvel.ini", "[Scanner]\nImagePath=.\\Old\n");
  fs::create_directories(dir / "Old");
  char buffer[256] = "junk";
  EXPECT_EQ(Get_FirstOldImageName(buffer), -1);
  EXPECT_STREQ(buffer, "");
  for (const char* n : {"KP000002.QEW", "kp000001.qew", "KP000003.txt", "KPX.QEW"})
    WriteBytes(dir / ("Old/" + std::string(n)), "x");
  WriteBytes(dir / ("Old/KP" + std::string(250, '9') + ".QEW"), "x");  // too long for 256
  std::vector<std::string> got;
  for (int rc = Get_FirstOldImageName(buffer); rc == 0; rc = Get_NextOldImageName(buffer)) got.push_back(buffer);
  EXPECT_STREQ(buffer, "");
  const std::string folder = dir.path() + "/Old/";
  EXPECT_EQ(got, (std::vector<std::string>{folder + "kp000001.qew", folder + "KP000002.QEW", folder + "KPX.QEW"}));
  EXPECT_EQ(Get_NextOldImageName(buffer), -1);

  // Without the key the folder is "Images" beside the library.
  WriteBytes(dir / "Tarvel.ini", "[Scanner]\n");
  fs::create_directories(dir / "Images");
  WriteBytes(dir / "Images/KP000010.QEW", "x");
  ASSERT_EQ(Get_FirstOldImageName(buffer), 0);
  EXPECT_EQ(std::string(buffer), dir.path() + "/Images/KP000010.QEW");
}

}  // namespace

namespace {

// Without memory an export gives its failure result; nothing is thrown
// across it and nothing is deleted.
TEST_F(BesideLibrary, ExportsAnswerNoMemoryWithTheirFailureResult) {
  const std::string name = dir / (std::string(100, 'n') + ".QEW");
  const uint16_t px[4] = {1, 2, 3, 4};
  ImageInfo info{};
  info.size = sizeof(ImageInfo);
  info.width = info.height = 2;
  ASSERT_EQ(tarvel::WriteDiskImage(name, 2, 2, px, 0), tarvel::WriteResult::kOk);
  ASSERT_EQ(tarvel::WriteInfoFile(tarvel::InfoFileName(name), info, nullptr, 0), tarvel::WriteResult::kOk);
  uint16_t back[4];
  uint8_t extra[8];
  ImageStats stats{};
  uint16_t pixels[4] = {1, 2, 3, 4};
  struct Case {
    const char* what;
    size_t bytes;
    std::function<int()> call;
    int failure;
  };
  const Case cases[] = {
      {"Get_ImageInfo", name.size() + 1, [&] { return Get_ImageInfo(&info, name.c_str()); }, -1},
      {"Read_DiskImage", name.size() + 1, [&] { return Read_DiskImage(back, name.c_str()); }, -2},
      {"Get_ImageExtraHeader", name.size() + 1, [&] { return Get_ImageExtraHeader(name.c_str(), extra); }, 0},
      {"Delete_Image", name.size() + 1, [&] { return Delete_Image(name.c_str()); }, -2},
      {"Get_ImageValue", 65536 * sizeof(uint64_t), [&] { return Get_ImageValue(pixels, 2, 2, &stats); }, -100},
      {"Opt_ImageGreyscale", 65536 * sizeof(uint64_t), [&] { return Opt_ImageGreyscale(pixels, 2, 2, 1000, 1000, 0); },
       -100},
  };
  for (const Case& c : cases) {
    acqtest::FailAllocationsOf(c.bytes);
    const int rc = c.call();
    const int failed = acqtest::StopFailingAllocations();
    EXPECT_GE(failed, 1) << c.what;
    EXPECT_EQ(rc, c.failure) << c.what;
  }
  EXPECT_TRUE(fs::exists(name));
  EXPECT_EQ(Read_DiskImage(back, name.c_str()), 0);
  EXPECT_EQ(Delete_Image(name.c_str()), 0);
}

TEST(Settings, TheScanModeIsTakenWithItsLineAndBinningMadeUsable) {
  struct Case {
    int anz_pix, binning, sample_factor;
    int want_pix, want_binning, want_factor;
  } cases[] = {
      {6319, 2, 2, 6319, 2, 2}, {0, 1, 1, 1, 1, 1}, {10, 3, 2, 10, 1, 1}, {10, 1, 2, 10, 1, 1}, {10, 2, 5, 10, 2, 1},
  };
  for (const Case& c : cases) {
    tarvel::ScanMode m;
    m.Anz_Pix = static_cast<uint16_t>(c.anz_pix);
    m.binning = c.binning;
    m.sample_factor = c.sample_factor;
    m.mode = 9;
    tarvel::Acquisition acq;
    acq.SetSettings(m, 14);
    EXPECT_EQ(acq.Settings().Anz_Pix, c.want_pix) << c.anz_pix;
    EXPECT_EQ(acq.Settings().binning, c.want_binning) << c.binning;
    EXPECT_EQ(acq.Settings().sample_factor, c.want_factor) << c.binning << c.sample_factor;
    EXPECT_EQ(acq.Settings().mode, 9);
    EXPECT_EQ(acq.SettingsScannerType(), 14);
  }
}

}  // namespace
