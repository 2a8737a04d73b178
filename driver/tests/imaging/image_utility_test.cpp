#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/config/ini_file.h"
#include "driver/imaging/fft_filter.h"
#include "driver/tarvel_api.h"
#include "testing/registry_folder.h"
#include "testing/temp_folder.h"

namespace {

using Pixels = std::vector<uint16_t>;

struct GreyscaleCase {
  const char* what;
  Pixels in;
  int low_ppm, high_ppm, curve;
  Pixels expected;
};

TEST(OptImageGreyscale, MapsTheWindowOntoTheFullRange) {
  const Pixels ramp = {100, 200, 300, 400};
  const Pixels tens = {0, 0, 10, 20, 30, 40, 50, 60, 70, 80};
  // Six zeros, three at 1000, one at 2000: the low point (zeros not counted)
  // lands above the high point (zeros counted).
  const Pixels crossing = {0, 0, 0, 0, 0, 0, 1000, 1000, 1000, 2000};
  // Points crossed by 10 (low 60, high 50): widened as any narrow window, to
  // 44..66. Near zero (low 10, high 3) that would leave 10..19: too narrow,
  // so the window lies between the points, 3..26.
  const Pixels crossing_little = {0, 0, 0, 0, 50, 50, 50, 60, 60, 60};
  const Pixels crossing_near_zero = {0, 0, 0, 0, 3, 3, 3, 10, 10, 10};
  const GreyscaleCase cases[] = {
      {"no cut, linear keeps every value", {0, 1, 1000, 65535}, -1, -1, 0, {0, 1, 1000, 65535}},
      {"one value widened to +-16", {1000, 1000, 1000, 1000}, 0, 0, 0, {32767, 32767, 32767, 32767}},
      {"linear", ramp, 0, 0, 0, {0, 21845, 43690, 65535}},
      {"square root", ramp, 0, 0, 1, {0, 37774, 53420, 65427}},
      {"logarithmic, lo maps to 0", ramp, 0, 0, 2, {0, 50331, 59912, 65535}},
      {"cut 15 % at both ends", tens, 150000, 150000, 0, {0, 0, 0, 0, 13107, 26214, 39321, 52428, 65535, 65535}},
      {"cut capped at 40 %", tens, 900000, -1, 0, {0, 0, 0, 0, 0, 0, 0, 10, 20, 30}},
      {"crossing points, linear", crossing, 300000, 300000, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 65535}},
      {"crossing points, square root", crossing, 300000, 300000, 1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 65503}},
      {"crossing points, logarithmic", crossing, 300000, 300000, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 65535}},
      {"crossing by little, linear",
       crossing_little,
       450000,
       450000,
       0,
       {0, 0, 0, 0, 17873, 17873, 17873, 47661, 47661, 47661}},
      {"crossing by little, square root",
       crossing_little,
       450000,
       450000,
       1,
       {0, 0, 0, 0, 33472, 33472, 33472, 54660, 54660, 54660}},
      {"crossing by little, logarithmic",
       crossing_little,
       450000,
       450000,
       2,
       {0, 0, 0, 0, 29028, 29028, 29028, 56258, 56258, 56258}},
      {"crossing near zero, linear", crossing_near_zero, 450000, 450000, 0, {0, 0, 0, 0, 0, 0, 0, 19945, 19945, 19945}},
      {"window at the top only widens down", {65530, 65530, 65530, 65530}, 0, 0, 0, {65535, 65535, 65535, 65535}},
      {"all zero, logarithmic", {0, 0, 0, 0}, 0, 0, 2, {0, 0, 0, 0}},
      {"unknown curve leaves the pixels", ramp, 0, 0, 5, ramp},
      {"negative curve leaves the pixels", ramp, 0, 0, -1, ramp},
  };
  for (const auto& c : cases) {
    Pixels px = c.in;
    EXPECT_EQ(Opt_ImageGreyscale(px.data(), static_cast<int>(px.size()), 1, c.low_ppm, c.high_ppm, c.curve), 0)
        << c.what;
    EXPECT_EQ(px, c.expected) << c.what;
  }
}

TEST(OptImageGreyscale, RefusesNullPixelsAndIgnoresEmptyImages) {
  EXPECT_EQ(Opt_ImageGreyscale(nullptr, 4, 4, 0, 0, 0), -102);
  Pixels px = {5, 6, 7};
  EXPECT_EQ(Opt_ImageGreyscale(px.data(), 0, 3, 0, 0, 0), 0);
  EXPECT_EQ(Opt_ImageGreyscale(px.data(), -1, -3, 0, 0, 0), 0);
  EXPECT_EQ(px, (Pixels{5, 6, 7}));
}

TEST(InvertImage, ComplementsEveryPixelAndTwiceRestores) {
  const Pixels original = {0, 1, 32767, 32768, 65535, 1234};
  Pixels px = original;
  EXPECT_EQ(Invert_Image(px.data(), 3, 2), 0);
  EXPECT_EQ(px, (Pixels{65535, 65534, 32768, 32767, 0, 64301}));
  EXPECT_EQ(Invert_Image(px.data(), 3, 2), 0);
  EXPECT_EQ(px, original);
  EXPECT_EQ(Invert_Image(px.data(), 0, 2), 0);
  EXPECT_EQ(Invert_Image(px.data(), -3, -2), 0);  // the product would be positive
  EXPECT_EQ(px, original);
  EXPECT_EQ(Invert_Image(nullptr, 3, 2), -102);
}

TEST(GetImageValue, PopulationStatistics) {
  const Pixels px = {2, 4, 4, 4, 5, 5, 7, 9};
  ImageStats s;
  std::memset(&s, 0xAB, sizeof s);
  EXPECT_EQ(Get_ImageValue(px.data(), 4, 2, &s), 0);
  EXPECT_EQ(s.size, 24);
  EXPECT_EQ(s.minimum, 2);
  EXPECT_EQ(s.maximum, 9);
  EXPECT_DOUBLE_EQ(s.mean, 5.0);
  EXPECT_DOUBLE_EQ(s.deviation, 2.0);
}

TEST(GetImageValue, SumsBeyond32Bits) {
  // 70000 x 65535 exceeds 2^32; the mean stays exact.
  Pixels px(70000, 65535);
  px[0] = 65533;
  ImageStats s{};
  EXPECT_EQ(Get_ImageValue(px.data(), 700, 100, &s), 0);
  EXPECT_EQ(s.minimum, 65533);
  EXPECT_EQ(s.maximum, 65535);
  EXPECT_DOUBLE_EQ(s.mean, 65535.0 - 2.0 / 70000);
  const double m = s.mean;
  EXPECT_NEAR(s.deviation, std::sqrt(((65533 - m) * (65533 - m) + 69999 * (65535 - m) * (65535 - m)) / 70000), 1e-9);
}

TEST(GetImageValue, EmptyImageAndBadArguments) {
  ImageStats s{};
  Pixels px = {1};
  EXPECT_EQ(Get_ImageValue(px.data(), 0, 5, &s), 0);
  EXPECT_EQ(s.size, 24);
  EXPECT_EQ(s.minimum, 65535);
  EXPECT_EQ(s.maximum, 0);
  EXPECT_EQ(s.mean, 0.0);
  EXPECT_EQ(s.deviation, 0.0);
  EXPECT_EQ(Get_ImageValue(px.data(), 1, 1, nullptr), -102);
  EXPECT_EQ(Get_ImageValue(nullptr, 1, 1, &s), -102);
}

TEST(FixedResultExports, DoNothingAndReturnTheirCodes) {
  EXPECT_EQ(Convert_Image16_8(), -2);
  EXPECT_EQ(Convert_Image8_16(), -2);
  EXPECT_EQ(Write_DiskImageEx(), -1);
  EXPECT_EQ(Check_Imo(), -10002);
}

TEST(GetDriverVersion, CopiesTheVersionText) {
  char buffer[256];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(Get_DriverVersion(buffer), 0);
  EXPECT_STREQ(buffer, "1.004.048 Mar 10 2007 14:59:21");
  unsigned major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(buffer, "%u.%03u", &major, &minor), 2);
  EXPECT_EQ(major, 1u);
  EXPECT_GE(minor, 2u);
  EXPECT_EQ(Get_DriverVersion(nullptr), -102);
}

// An ini file of our own, found through a registry of our own.
class IniQueries : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<testsupport::TempFolder>("imaging-test");
    registry_ = std::make_unique<testsupport::RegistryFolder>(*folder_ / "registry");
    const std::string ini = *folder_ / "Tarvel.ini";
    std::FILE* f = std::fopen(ini.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(
        "[Param_#1]\r\nParamName=Intra 50\r\nImgTypes=Intra\r\nFilter=-2\r\n"
        "[Param_#2]\r\nParamName=Ceph\r\nFilter=3\r\n"
        "[Filter_#2]\r\nName=Soft\r\nLowBlock=1\r\nLowGain=1\r\nHighBlock=1\r\nHighGain=1\r\n"
        "[Filter_#4294967294]\r\nName=Wrong section\r\n"
        "[Filter_#5]\r\nName=Broken\r\nHighSigma=0\r\n"
        "[Param_#4294967295]\r\nImgTypes=Erase\r\nFilter=5\r\n",
        f);
    ASSERT_EQ(std::fclose(f), 0);
    ASSERT_EQ(tarvel::StoreIniFileName(ini.c_str()), 1);
    ASSERT_TRUE(tarvel::Ini_Open().found);
  }
  static void TearDownTestSuite() {
    registry_.reset();
    folder_.reset();
  }
  static std::unique_ptr<testsupport::TempFolder> folder_;
  static std::unique_ptr<testsupport::RegistryFolder> registry_;
};
std::unique_ptr<testsupport::TempFolder> IniQueries::folder_;
std::unique_ptr<testsupport::RegistryFolder> IniQueries::registry_;

TEST_F(IniQueries, ImageTypeIsCutToTheBufferAndReturnsTheFullLength) {
  const struct {
    int mode;
    uint32_t length;
    const char* text;
    int result;
  } cases[] = {{1, 256, "Intra", 5}, {1, 6, "Intra", 5}, {1, 5, "Intr", 5}, {1, 4, "Int", 5},
               {1, 1, "", 5},        {2, 256, "", 0},    {9, 256, "", 0},   {-1, 256, "Erase", 5}};
  for (const auto& c : cases) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Get_ImageType(c.mode, buffer, c.length), c.result) << c.mode << "/" << c.length;
    EXPECT_STREQ(buffer, c.text) << c.mode << "/" << c.length;
  }
  char buffer[8];
  EXPECT_EQ(Get_ImageType(1, nullptr, 8), -102);
  EXPECT_EQ(Get_ImageType(1, buffer, 0), -102);
}

TEST_F(IniQueries, FilterTypeAndNameOfANegativeFilterNumber) {
  EXPECT_EQ(Get_FilterType(1), -2);
  EXPECT_EQ(Get_FilterType(2), 3);
  EXPECT_EQ(Get_FilterType(9), 0);
  EXPECT_EQ(Get_FilterType(-1), 5);  // section "Param_#4294967295"
  char buffer[256];
  // A negative number names the filter of its absolute value, as in a session.
  EXPECT_EQ(Get_FilterName(Get_FilterType(1), buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "Soft");
  EXPECT_EQ(Get_FilterName(2, buffer, 3), 4);
  EXPECT_STREQ(buffer, "So");
  EXPECT_EQ(Get_FilterName(3, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(Get_FilterName(2, nullptr, 8), -102);
  EXPECT_EQ(Get_FilterName(2, buffer, 0), -102);
}

Pixels Noise(int n) {
  Pixels px(n);
  uint32_t s = 12345;
  for (auto& p : px) p = static_cast<uint16_t>(1000 + ((s = s * 1103515245 + 12345) >> 16) % 50000);
  return px;
}

TEST_F(IniQueries, FilterImageUsesTheSectionOfTheAbsoluteNumberElseTheDefaults) {
  const int w = 24, h = 18;
  const Pixels in = Noise(w * h);
  tarvel::FilterParams identity;
  identity.low_block = identity.low_gain = identity.high_block = identity.high_gain = 1;
  Pixels with_identity(in.size()), with_defaults(in.size());
  ASSERT_TRUE(tarvel::FilterImageFFT(w, h, in.data(), with_identity.data(), 60000, 60000, identity));
  ASSERT_TRUE(tarvel::FilterImageFFT(w, h, in.data(), with_defaults.data(), 60000, 60000, {}));
  ASSERT_NE(with_identity, with_defaults);

  for (int filter : {2, -2}) {
    Pixels px = in;
    EXPECT_EQ(Filter_Image(filter, w, h, 60000, 60000, px.data()), 0) << filter;
    EXPECT_EQ(px, with_identity) << filter;
  }
  Pixels px = in;
  EXPECT_EQ(Filter_Image(7, w, h, 60000, 60000, px.data()), 0);  // no such section
  EXPECT_EQ(px, with_defaults);
}

TEST_F(IniQueries, FilterImageFailuresLeaveThePixels) {
  const Pixels noise = Noise(16 * 8);
  const struct {
    const char* what;
    int filter, w, h;
    Pixels in;
    int result;
  } cases[] = {
      {"flat image", 2, 16, 8, Pixels(16 * 8, 777), -4},
      {"1 x 1", 2, 1, 1, Pixels(1, 5), -4},
      {"sigma 0 in the section", 5, 16, 8, noise, -4},
      {"zero width", 2, 0, 8, noise, -102},
      {"zero height", 2, 16, 0, noise, -102},
      {"negative width", 2, -16, 8, noise, -102},
  };
  for (const auto& c : cases) {
    Pixels px = c.in;
    EXPECT_EQ(Filter_Image(c.filter, c.w, c.h, 50000, 50000, px.data()), c.result) << c.what;
    EXPECT_EQ(px, c.in) << c.what;
  }
  EXPECT_EQ(Filter_Image(2, 16, 8, 50000, 50000, nullptr), -102);
}

}  // namespace
