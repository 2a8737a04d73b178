// Files made by independent tools: every readable one is read exactly at
// N = 1, 2, 3 and more, against numpy's block means; the others are refused
// with their codes.
#include <sstream>

#include "fennic/tests/test_util.h"

using namespace fennic_test;

namespace {

class OracleFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempFolder;
    if (!have_python_oracles() || !have_tool("/usr/bin/tiffcp") || !have_tool("/usr/bin/convert")) return;
    made_ = python("import runpy, sys\nsys.argv = ['', '" + dir_->path() + "']\nrunpy.run_path('" +
                       std::string(VORNIX_SOURCE_DIR) + "/fennic/tests/make_oracle_files.py')\n",
                   &log_) == 0;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    REQUIRE_ORACLE(have_python_oracles() && have_tool("/usr/bin/tiffcp") && have_tool("/usr/bin/convert"),
                   "PIL, numpy, tifffile, tiffcp, convert");
    ASSERT_TRUE(made_) << log_;
  }
  static std::vector<std::vector<std::string>> manifest(const std::string& kind) {
    std::ifstream in(*dir_ / "manifest");
    std::vector<std::vector<std::string>> out;
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::vector<std::string> w;
      for (std::string s; words >> s;) w.push_back(s);
      if (!w.empty() && w[0] == kind) out.push_back(w);
    }
    return out;
  }
  static inline TempFolder* dir_ = nullptr;
  static inline bool made_ = false;
  static inline std::string log_;
};

TEST_F(OracleFiles, ReadExactlyAtEverySampling) {
  auto images = manifest("image");
  auto cases = manifest("case");
  ASSERT_GE(images.size(), 20u);
  for (const auto& img : images) {
    SCOPED_TRACE(img[1]);
    Named f(*dir_ / img[1]);
    ASSERT_EQ(_GetFileInfo(f.get()), 0);
    f->type = uint32_t(std::stoul(img[2]));
    ScanInfo s;
    ASSERT_EQ(_GetScanInfo(f.get(), &s), 0);
    EXPECT_EQ(f->type, std::stoul(img[5]));
    EXPECT_EQ(s.width, 53u);
    EXPECT_EQ(s.height, 37u);
    EXPECT_EQ(s.originX, std::stoul(img[3]));
    EXPECT_EQ(s.originY, std::stoul(img[4]));
    int seen = 0;
    for (const auto& c : cases) {
      if (c[1] != img[1]) continue;
      ++seen;
      ScanInfo r = s;
      r.originX = uint32_t(std::stoul(c[2]));
      r.originY = uint32_t(std::stoul(c[3]));
      r.width = uint32_t(std::stoul(c[4]));
      r.height = uint32_t(std::stoul(c[5]));
      const auto n = uint32_t(std::stoul(c[6]));
      std::vector<uint16_t> got;
      ASSERT_EQ(read_image(f.get(), r, n, got), 0) << c[7];
      Bytes want = read_bytes(*dir_ / c[7]);
      ASSERT_EQ(want.size(), got.size() * 2) << c[7];
      EXPECT_EQ(std::memcmp(want.data(), got.data(), want.size()), 0) << c[7];
    }
    EXPECT_EQ(seen, 7);
  }
}

TEST_F(OracleFiles, UnsupportedFilesAreRefused) {
  auto refusals = manifest("refuse");
  ASSERT_GE(refusals.size(), 9u);
  for (const auto& r : refusals) {
    Named f(*dir_ / r[1], uint32_t(std::stoul(r[2])));
    ScanInfo s;
    EXPECT_EQ(_GetScanInfo(f.get(), &s), std::stoi(r[3])) << r[1];
    // The image readers refuse them too, instead of reading the bytes as pixels.
    f->type = uint32_t(std::stoul(r[2]));
    std::vector<uint16_t> px;
    EXPECT_EQ(read_image(f.get(), scan_info(0, 0, 1, 1), 1, px), std::stoi(r[3])) << r[1];
  }
}

}  // namespace
