// Where the file dialogs start, and the TIFF files they list.
#include <QDir>

#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using test::FormTest;

class FileDialogsTest : public FormTest {};

TEST_F(FileDialogsTest, DialogsStartInTheImagesFolder) {
  // Without an image: where the dialog would start anyway.
  Actions().Open->trigger();
  ASSERT_EQ(prompts.startFolders.size(), 1u);
  EXPECT_EQ(prompts.startFolders.back(), "");

  // An image named on the command line, in a folder that is not the
  // working folder.
  const std::string sub = folder / "images";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(sub)));
  const std::string name = sub + "/scan.qew";
  test::WriteImageFile(name, kFileQew, test::Facts(4, 3), std::vector<uint16_t>(12, 500));
  form.reset();
  form = std::make_unique<TMainForm>(settings, prompts);
  form->show();
  form->Start(name);
  ASSERT_FALSE(Empty());
  const std::string expected = QDir(QString::fromStdString(sub)).absolutePath().toStdString();
  Actions().SaveAs->trigger();
  EXPECT_EQ(prompts.startFolders.back(), expected);
  Actions().Region->trigger();
  Actions().SaveROIAs->trigger();
  EXPECT_EQ(prompts.startFolders.back(), expected);
  Actions().Open->trigger();
  EXPECT_EQ(prompts.startFolders.back(), expected);
  Actions().OpenPicture->trigger();
  EXPECT_EQ(prompts.startFolders.back(), expected);
  EXPECT_EQ(prompts.startFolders.size(), 5u);
  // A test pattern has no file: where the dialog would start anyway.
  Actions().CreateTestPattern->trigger();
  Actions().SaveAs->trigger();
  EXPECT_EQ(prompts.startFolders.back(), "");
}

TEST_F(FileDialogsTest, TiffFiltersListBothExtensionsAndWriteTif) {
  // A file named .tiff opens as a TIFF.
  const std::string tiff = folder / "scan.tiff";
  test::WriteImageFile(tiff, kFileTiff16, test::Facts(4, 3), std::vector<uint16_t>(12, 700));
  Open(tiff);
  ASSERT_FALSE(Empty());
  bool listed = false;
  for (const FileFilter& f : prompts.openFilters)
    if (f.description == "Tagged Image Format File") listed = f.patterns.split(';').contains("*.tiff");
  EXPECT_TRUE(listed);
  EXPECT_TRUE(prompts.openFilters[0].patterns.split(';').contains("*.tiff"));
  // Save As with the TIFF filter writes .tif, which its pattern lists.
  const std::string stem = folder / "copy";
  prompts.saves.push_back(SaveChoice{stem, 2});
  Actions().SaveAs->trigger();
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(stem + ".tif")));
  EXPECT_TRUE(prompts.saveFilters[1].patterns.split(';').contains("*.tif"));
}

}  // namespace
}  // namespace viewer
