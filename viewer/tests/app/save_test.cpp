// Save, Save As in each format with the reopened pixels and facts, the
// overwrite question, Save Region As and its guards.
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;

bool Exists(const std::string& name) { return QFileInfo::exists(QString::fromStdString(name)); }

class SaveTest : public FormTest {
 protected:
  ScanInfo SourceFacts() const {
    ScanInfo info = test::Facts(6, 4);
    info.originX = 20;
    info.originY = 30;
    info.resolutionX = 11811;
    info.resolutionY = 23622;
    info.orientation = 1;
    info.flipHorizontal = 1;
    return info;
  }
  std::vector<uint16_t> SourcePixels() const {
    std::vector<uint16_t> p(24);
    for (int i = 0; i < 24; ++i) p[i] = static_cast<uint16_t>(300 + i * 97);
    return p;
  }
  std::string OpenSource() {
    const std::string name = folder / "source.qew";
    test::WriteImageFile(name, kFileQew, SourceFacts(), SourcePixels());
    Open(name);
    EXPECT_FALSE(Empty());
    return name;
  }
  void ExpectSamePixels(const CImage& a, const CImage& b) {
    ASSERT_EQ(a.StoredWidth(), b.StoredWidth());
    ASSERT_EQ(a.StoredHeight(), b.StoredHeight());
    for (size_t i = 0; i < size_t{a.StoredWidth()} * a.StoredHeight(); ++i)
      ASSERT_EQ(a.Pixels()[i], b.Pixels()[i]) << i;
  }
};

TEST_F(SaveTest, SaveAsEachFormatAndReopen) {
  OpenSource();
  const struct {
    int filter;
    const char* file;
    uint32_t type;
    bool keepsFacts;
  } cases[] = {
      {1, "scan.qew", kFileQew, true},
      {2, "scan.tif", kFileTiff16, true},
      {3, "scan.bmp", kFileBreadboard, false},
      {4, "scan.raw", kFileRaw, false},
  };
  for (const auto& c : cases) {
    CImage source;
    source.Open(folder / "source.qew");
    CropToRegion();  // to the whole image, which marks it modified
    prompts.saves.push_back(SaveChoice{folder / "scan", c.filter});
    // Writing without the orientation and flip the format lacks is confirmed.
    if (!c.keepsFacts) prompts.answers.push_back(true);
    Actions().SaveAs->trigger();
    ASSERT_TRUE(libraryBoxes.boxes.empty()) << libraryBoxes.boxes[0].text;
    const std::string written = folder / c.file;
    ASSERT_TRUE(Exists(written)) << written;
    EXPECT_FALSE(Modified());
    EXPECT_EQ(About("FIName"), written);
    CImage again;
    again.Open(written);
    ExpectSamePixels(source, again);
    const ScanInfo& got = again.GetScanInfo();
    if (c.keepsFacts) {
      EXPECT_EQ(got.originX, 20u);
      EXPECT_EQ(got.originY, 30u);
      EXPECT_EQ(got.resolutionX, 11811u);
      EXPECT_EQ(got.resolutionY, 23622u);
      EXPECT_EQ(got.orientation, 1);
      EXPECT_EQ(got.flipHorizontal, 1);
    } else {
      // No origin, orientation or horizontal flip in the file.
      EXPECT_EQ(got.originX, 0u);
      EXPECT_EQ(got.orientation, 0);
      EXPECT_EQ(got.flipHorizontal, 0);
    }
    // The window shows what the file now holds, as a reopen does.
    const std::map<std::string, std::string> facts = AboutImage();
    const QImage shown = Grab();
    EXPECT_FALSE(Modified());
    EXPECT_EQ(PanelText(1), "");
    Open(written);
    EXPECT_EQ(AboutImage(), facts) << c.file;
    EXPECT_EQ(Grab(), shown) << c.file;
    // Reopen the source for the next format (raw and bitmap moved it).
    Open(folder / "source.qew");
  }
}

TEST_F(SaveTest, ANameWithAnExtensionIsKeptAndTheFilterChoosesTheFormat) {
  OpenSource();
  prompts.saves.push_back(SaveChoice{folder / "scan.dat", 2});
  Actions().SaveAs->trigger();
  ASSERT_TRUE(Exists(folder / "scan.dat"));
  EXPECT_FALSE(Exists(folder / "scan.dat.tif"));
  CImage again;
  again.Open(folder / "scan.dat");
  EXPECT_EQ(again.FileType(), kFileTiff16);
  EXPECT_EQ(again.GetScanInfo().originX, 20u);
}

TEST_F(SaveTest, AnExistingFileReachedThroughTheExtensionIsNeverReplacedUnasked) {
  OpenSource();
  const std::string existing = folder / "old.raw";
  test::WriteBytes(existing, {1, 0, 1, 0, 9, 9});
  prompts.saves.push_back(SaveChoice{folder / "old", 4});
  prompts.answers.push_back(false);
  CropToRegion();
  Actions().SaveAs->trigger();
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0], existing + " already exists.\nDo you want to replace it?");
  EXPECT_EQ(QFileInfo(QString::fromStdString(existing)).size(), 6);
  EXPECT_TRUE(Modified());
  prompts.saves.push_back(SaveChoice{folder / "old", 4});
  prompts.answers = {true, true};  // replace it, without orientation and flip
  Actions().SaveAs->trigger();
  EXPECT_GT(QFileInfo(QString::fromStdString(existing)).size(), 6);
  EXPECT_FALSE(Modified());
}

TEST_F(SaveTest, AFailedSaveKeepsModifiedAndTheName) {
  const std::string source = OpenSource();
  CropToRegion();
  prompts.saves.push_back(SaveChoice{folder / "no/such/folder/x", 1});
  Actions().SaveAs->trigger();
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u);
  EXPECT_EQ(libraryBoxes.boxes[0].text.rfind("Error 7 trying to write the image file.\n\r", 0), 0u);
  EXPECT_TRUE(Modified());
  EXPECT_EQ(About("FIName"), source);
  EXPECT_EQ(PanelText(1), "(modified)");
  // Save over the source works and clears it.
  ASSERT_TRUE(Actions().Save->isEnabled());
  Actions().Save->trigger();
  EXPECT_FALSE(Modified());
  chmod(source.c_str(), 0400);
  CropToRegion();
  Actions().Save->trigger();
  if (geteuid() != 0) {
    EXPECT_TRUE(Modified());
  }
}

TEST_F(SaveTest, SaveRegionAsWritesTheFilterFormatAndNeverTheSource) {
  const std::string source = OpenSource();
  Actions().Region->trigger();
  Drag({1, 1}, {3, 2});  // (21, 31) to (23, 32) of the file's origin (20, 30)
  const std::string region = folder / "part";
  prompts.saves.push_back(SaveChoice{region, 4});
  Actions().SaveROIAs->trigger();
  ASSERT_TRUE(libraryBoxes.boxes.empty()) << libraryBoxes.boxes[0].text;
  CImage part;
  part.Open(region + ".raw");
  ASSERT_EQ(part.FileType(), kFileRaw);
  ASSERT_EQ(part.StoredWidth(), 3u);
  ASSERT_EQ(part.StoredHeight(), 2u);
  const std::vector<uint16_t> p = SourcePixels();
  for (uint32_t j = 0; j < 2; ++j)
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(part.Pixels()[j * 3 + i], p[(1 + j) * 6 + 1 + i]);

  const char* refused =
      "You can not save the region of interest of a resampled image to the original file.  "
      "You must specify a different file name";
  // Same name but for letter case; a name that becomes the source with the
  // extension; a link to the source.
  const std::string link = folder / "link.qew";
  ASSERT_EQ(symlink(source.c_str(), link.c_str()), 0);
  const SaveChoice attempts[] = {{folder / "SOURCE.QEW", 1}, {folder / "source", 1}, {link, 1}};
  for (const SaveChoice& c : attempts) {
    prompts.boxes.clear();
    prompts.saves.push_back(c);
    Actions().SaveROIAs->trigger();
    ASSERT_EQ(prompts.boxes.size(), 1u) << c.name;
    EXPECT_EQ(prompts.boxes[0].first, BoxKind::Error);
    EXPECT_EQ(prompts.boxes[0].second, refused);
  }
  CImage still;
  still.Open(source);
  EXPECT_EQ(still.StoredWidth(), 6u);
  EXPECT_FALSE(Modified());
}

TEST_F(SaveTest, SaveDialogFiltersInOrder) {
  OpenSource();
  Actions().SaveAs->trigger();  // cancelled
  ASSERT_EQ(prompts.saveFilters.size(), 4u);
  EXPECT_EQ(prompts.saveFilters[0].description, "Brellan Proprietary ");
  EXPECT_EQ(prompts.saveFilters[1].patterns, "*.tif;*.tiff");
  // The filter's extension goes after the file's own name, whatever dots
  // its folder has or colons it holds.
  ASSERT_EQ(mkdir((folder / "a.b").c_str(), 0755), 0);
  for (const std::string name : {"a.b/scan", "c:scan"}) {
    prompts.saves.push_back(SaveChoice{folder / name, 4});
    prompts.answers.push_back(true);  // without orientation and flip
    Actions().SaveAs->trigger();
    EXPECT_TRUE(Exists(folder / (name + ".raw"))) << name;
  }
  Actions().Open->trigger();
  ASSERT_EQ(prompts.openFilters.size(), 6u);
  EXPECT_EQ(prompts.openFilters[0].patterns, "*.qew;*.tif;*.tiff;*.bmp;*.dib;*.raw");
  EXPECT_EQ(prompts.openFilters[2].patterns, "*.tif;*.tiff");
}

}  // namespace
}  // namespace viewer
