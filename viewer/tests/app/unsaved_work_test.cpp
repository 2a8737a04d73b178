// Work the user has not saved, as a session goes: a save that fails on a
// full disk keeps the file it was to replace, the question before a modified
// image goes, facts a format cannot hold, the tools after the image settings
// moved the origin, and images whose source or content is odd.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <functional>
#include <cstdlib>
#include <new>
#include <set>

#include "testing/file_size_limit.h"
#include "viewer/core/names.h"
#include "viewer/forms/image_settings_form.h"
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

using Bytes = std::vector<char>;

// Counts the arrays of the watched sizes the program allocates with new[]
// (as the image holds its pixels) while they live. Every array new and
// delete of the test program goes through malloc and free below.
class PixelArrays {
 public:
  static void Watch(std::initializer_list<size_t> sizes) {
    count_ = 0;
    for (size_t size : sizes) sizes_[count_++] = size;
    live_ = 0;
    liveAtAllocation_.clear();
    liveAtAllocation_.reserve(16);
  }
  static int Live() { return live_; }
  static std::vector<int> LiveAtAllocation() { return liveAtAllocation_; }
  static void* Allocate(size_t bytes) {
    void* p = std::malloc(bytes ? bytes : 1);
    if (p && Watched(bytes)) {
      for (void*& slot : arrays_)
        if (!slot) {
          slot = p;
          break;
        }
      if (liveAtAllocation_.size() < liveAtAllocation_.capacity()) liveAtAllocation_.push_back(live_);
      ++live_;
    }
    return p;
  }
  static void Free(void* p) {
    for (void*& slot : arrays_)
      if (p && slot == p) {
        slot = nullptr;
        --live_;
      }
    std::free(p);
  }

 private:
  static bool Watched(size_t bytes) {
    for (size_t i = 0; i < count_; ++i)
      if (sizes_[i] == bytes) return true;
    return false;
  }
  static inline size_t sizes_[4] = {};
  static inline size_t count_ = 0;
  static inline void* arrays_[16] = {};
  static inline int live_ = 0;
  // Reserved ahead: growing it here would allocate inside the allocation.
  static inline std::vector<int> liveAtAllocation_;
};

Bytes FileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::set<std::string> FolderNames(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// Far less than any of the files written here.
constexpr uint64_t kFullDisk = 1000;

class UnsavedWorkTest : public test::FormTest {
 protected:
  static std::vector<uint16_t> Pixels(const ScanInfo& info) {
    std::vector<uint16_t> p(size_t{info.width} * info.height);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint16_t>(1000 + i * 7);
    return p;
  }
  // A 40 x 30 image file shown in the window.
  std::string OpenSource(const char* file = "source.qew", uint32_t type = kFileQew,
                         ScanInfo info = test::Facts(40, 30)) {
    const std::string name = folder / file;
    test::WriteImageFile(name, type, info, Pixels(info));
    Open(name);
    EXPECT_FALSE(Empty());
    EXPECT_FALSE(Modified());
    return name;
  }
  // The image settings dialog: `change`, then OK.
  void ImageSettings(const std::function<void(TImageSettingsForm&)>& change) {
    modal = [change](QDialog& shown) {
      auto* dialog = dynamic_cast<TImageSettingsForm*>(&shown);
      EXPECT_NE(dialog, nullptr);
      if (dialog) {
        change(*dialog);
        Child<QAbstractButton>(*dialog, "bOK")->click();
      }
      return shown.result();
    };
    Actions().ImageSettings->trigger();
  }
  void TurnEast() {
    ImageSettings([](TImageSettingsForm& d) { Child<QAbstractButton>(d, "sbEast")->click(); });
    ASSERT_TRUE(Modified());
  }
  std::string MeanValueText() {
    prompts.boxes.clear();
    Actions().MeanValue->trigger();
    return prompts.boxes.size() == 1 ? prompts.boxes[0].second : std::string();
  }
};

TEST_F(UnsavedWorkTest, ASaveOnAFullDiskLeavesTheFileItWasToReplace) {
  const std::string source = OpenSource();
  TurnEast();
  Actions().Region->trigger();
  const std::string other = folder / "other.qew";
  test::WriteBytes(other, {'k', 'e', 'p', 't'});
  const struct {
    const char* what;
    std::function<void()> run;
    std::string target;
    const char* box;
  } saves[] = {
      {"Save", [&] { Actions().Save->trigger(); }, source, "Error 10 trying to write the image file.\n\r"},
      {"Save As over a file",
       [&] {
         prompts.saves.push_back(SaveChoice{other, 1});
         Actions().SaveAs->trigger();
       },
       other, "Error 10 trying to write the image file.\n\r"},
      {"Save Region As over a file",
       [&] {
         prompts.saves.push_back(SaveChoice{other, 1});
         Actions().SaveROIAs->trigger();
       },
       other, "Error 10 trying to write the region to a file.\n\r"},
      {"Save Region As in another format",
       [&] {
         prompts.saves.push_back(SaveChoice{folder / "other.raw", 4});
         Actions().SaveROIAs->trigger();
       },
       folder / "other.raw", "Error 10 trying to write the region to a file.\n\r"},
      {"Close, answered Yes",
       [&] {
         prompts.choices.push_back(Answer::Yes);
         Actions().Close->trigger();
       },
       source, "Error 10 trying to write the image file.\n\r"},
  };
  test::WriteBytes(folder / "other.raw", {'o', 'l', 'd'});
  const Bytes original = FileBytes(source);
  const std::set<std::string> names = FolderNames(folder.path());
  for (const auto& save : saves) {
    const Bytes before = FileBytes(save.target);
    libraryBoxes.boxes.clear();
    {
      testsupport::FileSizeLimit full(kFullDisk);
      save.run();
    }
    ASSERT_EQ(libraryBoxes.boxes.size(), 1u) << save.what;
    EXPECT_EQ(libraryBoxes.boxes[0].text.rfind(save.box, 0), 0u) << save.what << ": " << libraryBoxes.boxes[0].text;
    EXPECT_EQ(FileBytes(save.target), before) << save.what;
    EXPECT_EQ(FolderNames(folder.path()), names) << save.what;
    // Nothing of the session is lost.
    EXPECT_TRUE(Modified()) << save.what;
    EXPECT_EQ(About("FIName"), source) << save.what;
    EXPECT_EQ(PanelText(1), "(modified)") << save.what;
  }
  EXPECT_EQ(FileBytes(source), original);
  // With room on the disk the same Save replaces the file.
  Actions().Save->trigger();
  EXPECT_FALSE(Modified());
  CImage again;
  again.Open(source);
  EXPECT_EQ(again.GetScanInfo().orientation, 1);
  EXPECT_EQ(FolderNames(folder.path()), names);
}

TEST_F(UnsavedWorkTest, ARegionStreamedFromAnotherFormatKeepsTheFileOnAFullDisk) {
  OpenSource("source.tif", kFileTiff16);
  Actions().Region->trigger();
  const std::string other = folder / "other.qew";
  test::WriteBytes(other, {'k', 'e', 'p', 't'});
  const std::set<std::string> names = FolderNames(folder.path());
  prompts.saves.push_back(SaveChoice{other, 1});
  {
    testsupport::FileSizeLimit full(kFullDisk);
    Actions().SaveROIAs->trigger();
  }
  ASSERT_EQ(libraryBoxes.boxes.size(), 1u);
  EXPECT_EQ(libraryBoxes.boxes[0].text.rfind("Error 10 trying to write the region to a file.\n\r", 0), 0u);
  EXPECT_EQ(FileBytes(other), (Bytes{'k', 'e', 'p', 't'}));
  EXPECT_EQ(FolderNames(folder.path()), names);
  prompts.saves.push_back(SaveChoice{other, 1});
  Actions().SaveROIAs->trigger();
  CImage region;
  region.Open(other);
  EXPECT_EQ(region.StoredWidth(), 40u);
  EXPECT_EQ(FolderNames(folder.path()), names);
}

// Close (Ctrl+C), Open, Open Picture, Create Test Pattern and Exit (Ctrl+X)
// each ask before a modified image goes.
TEST_F(UnsavedWorkTest, EveryCommandThatDropsAModifiedImageAsksFirst) {
  const std::string next = folder / "next.qew";
  test::WriteImageFile(next, kFileQew, test::Facts(3, 2), std::vector<uint16_t>(6, 9));
  EXPECT_EQ(Actions().Close->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
  EXPECT_EQ(Actions().ExitProgram->shortcut(), QKeySequence(QStringLiteral("Ctrl+X")));
  const struct {
    const char* what;
    std::function<void()> run;
  } commands[] = {
      {"Close", [&] { Actions().Close->trigger(); }},
      {"Open",
       [&] {
         prompts.opens.push_back(next);
         Actions().Open->trigger();
       }},
      {"Open Picture",
       [&] {
         prompts.opens.push_back(next);
         Actions().OpenPicture->trigger();
       }},
      {"Create Test Pattern", [&] { Actions().CreateTestPattern->trigger(); }},
      {"Exit", [&] { Actions().ExitProgram->trigger(); }},
  };
  for (const auto& command : commands) {
    for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
      form->show();
      prompts.opens.clear();  // a cancelled command left its file unopened
      const std::string source = OpenSource();
      TurnEast();
      const Bytes unsaved = FileBytes(source);
      prompts.questions.clear();
      prompts.choices.push_back(answer);
      command.run();
      const std::string at = std::string(command.what) + " answered " + std::to_string(int(answer));
      ASSERT_EQ(prompts.questions.size(), 1u) << at;
      EXPECT_EQ(prompts.questions[0], "Do you want to save the changes to " + source + "?") << at;
      if (answer == Answer::Cancel) {
        // Everything as it was.
        EXPECT_TRUE(form->isVisible()) << at;
        EXPECT_EQ(About("FIName"), source) << at;
        EXPECT_TRUE(Modified()) << at;
        EXPECT_EQ(About("SIOrientation"), OrientationName(1)) << at;
        EXPECT_EQ(FileBytes(source), unsaved) << at;
        continue;
      }
      EXPECT_NE(About("FIName") == source && form->isVisible(), true) << at;
      CImage file;
      file.Open(source);
      EXPECT_EQ(file.GetScanInfo().orientation, answer == Answer::Yes ? 1 : 0) << at;
    }
  }
  // An image without changes goes without a question.
  form->show();
  OpenSource();
  prompts.questions.clear();
  Actions().Close->trigger();
  EXPECT_TRUE(prompts.questions.empty());
  EXPECT_TRUE(Empty());
}

TEST_F(UnsavedWorkTest, AnImageWithoutAFileIsSavedAsOnYes) {
  Actions().CreateTestPattern->trigger();
  Actions().Region->trigger();
  Drag({0, 0}, {9, 9});
  Actions().CropToRegion->trigger();
  ASSERT_TRUE(Modified());
  // The save dialog cancelled: the image stays.
  prompts.choices.push_back(Answer::Yes);
  Actions().Close->trigger();
  EXPECT_EQ(prompts.questions.back(), "Do you want to save the changes to the image?");
  EXPECT_FALSE(Empty());
  EXPECT_TRUE(Modified());
  prompts.choices.push_back(Answer::Yes);
  prompts.saves.push_back(SaveChoice{folder / "pattern", 1});
  Actions().Close->trigger();
  EXPECT_TRUE(Empty());
  CImage saved;
  saved.Open(folder / "pattern.qew");
  EXPECT_EQ(saved.StoredWidth(), 10u);
}

// A scanner image of the session (raw data under the proprietary extension)
// flipped and saved: the format holds no flip, and Save says so first.
TEST_F(UnsavedWorkTest, AFlipTheFormatCannotHoldIsNotLostUnasked) {
  const std::string scan = folder / "KP000001.QEW";
  test::WriteRaw(scan, 4, 3, [](uint32_t x, uint32_t y) { return 100 * y + x; });
  Open(scan);
  ASSERT_EQ(About("FIType"), FileTypeName(kFileRaw));
  const Bytes original = FileBytes(scan);
  ImageSettings([](TImageSettingsForm& d) { Child<QCheckBox>(d, "cbFlipHorizontal")->setChecked(true); });
  ASSERT_TRUE(Modified());
  const QImage flipped = Grab();

  prompts.answers.push_back(false);
  Actions().Save->trigger();
  ASSERT_EQ(prompts.questions.size(), 1u);
  EXPECT_EQ(prompts.questions[0],
            scan + " can not hold the horizontal flip of the image.\nDo you want to save the image without it?");
  EXPECT_EQ(FileBytes(scan), original);
  EXPECT_TRUE(Modified());
  EXPECT_EQ(About("SIFlip"), "Horizontal");
  EXPECT_EQ(Grab(), flipped);

  // A format that holds it: no question, and the file shows as the window did.
  prompts.saves.push_back(SaveChoice{folder / "flipped", 1});
  Actions().SaveAs->trigger();
  EXPECT_EQ(prompts.questions.size(), 1u);
  EXPECT_FALSE(Modified());
  Open(folder / "flipped.qew");
  EXPECT_EQ(About("SIFlip"), "Horizontal");
  EXPECT_EQ(Grab(), flipped);
}

TEST_F(UnsavedWorkTest, TheToolsFollowTheOriginTheImageSettingsMove) {
  OpenSource("wide.qew", kFileQew, test::Facts(200, 20));
  Actions().Region->trigger();
  Actions().Measurement->trigger();
  Drag({10, 5}, {30, 15});
  Actions().Region->trigger();
  Drag({0, 0}, {199, 19});
  const std::string whole = MeanValueText();
  ASSERT_FALSE(whole.empty());
  ImageSettings([](TImageSettingsForm& d) { Child<QLineEdit>(d, "eXOrigin")->setText(QStringLiteral("100")); });
  ASSERT_EQ(About("SIOrigin"), "100, 0");
  EXPECT_EQ(MeanValueText(), whole) << "the region moved with the pixels";
  // The measured line moved with the pixels it was drawn over.
  WithTool(Actions().Measurement, [this] {
    const QImage shot = Grab(), bare = Bare();
    for (const Point on : {Point{10, 5}, Point{20, 10}, Point{30, 15}}) EXPECT_TRUE(Drawn(shot, bare, on));
  });
  // A region dragged now is taken at the moved origin: the crop keeps
  // columns 150..249.
  Drag({50, 0}, {149, 19});
  Actions().CropToRegion->trigger();
  EXPECT_EQ(About("SIOrigin"), "150, 0");
  EXPECT_EQ(About("IISize"), "100, 20");
}

// Source "No Data" is a fact like any other: the image stays usable, and a
// file of that source opens with its pixels.
TEST_F(UnsavedWorkTest, SourceNoDataKeepsTheImageUsable) {
  const std::string source = OpenSource();
  ImageSettings([](TImageSettingsForm& d) { Child<QComboBox>(d, "cbSource")->setCurrentIndex(0); });
  ASSERT_EQ(About("SISource"), SourceName(kSourceNoData));
  EXPECT_FALSE(Empty());
  const MainActions& a = Actions();
  for (QAction* action : {a.Save, a.SaveAs, a.Close, a.ImageSettings, a.ZoomImage, a.Negative, a.ImageTones})
    EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
  a.Save->trigger();
  EXPECT_FALSE(Modified());
  Open(source);
  EXPECT_FALSE(Empty());
  EXPECT_EQ(About("SISource"), SourceName(kSourceNoData));
  EXPECT_EQ(About("IISize"), "40, 30");
  EXPECT_TRUE(a.ImageSettings->isEnabled());
  EXPECT_EQ(PanelText(2).toStdString(), source);
}

// A file of unknown type is taken for raw data; one that is no image is
// refused with the image's error box and leaves no image.
TEST_F(UnsavedWorkTest, AFileThatIsNoImageIsRefused) {
  const struct {
    const char* file;
    std::string bytes;
    const char* box;
  } cases[] = {
      {"notes.txt", "Patient notes: recall in six months.\n",
       "Error 9 trying to load the image.\n\rThere was an error trying to read from the file."},
      {"short.txt", std::string("l\0\0\0 no rows", 12), "Error 5 trying to load the image.\n\rThere was no image data."},
      {"long.raw", std::string("\1\0\1\0\7\0 and more", 15),
       "Error 12 trying to get information about the image.\n\rThe file type selected is not appropriate for the "
       "operation."},
  };
  for (const auto& c : cases) {
    OpenSource();
    const std::string name = folder / c.file;
    test::WriteBytes(name, std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
    libraryBoxes.boxes.clear();
    Open(name);
    ASSERT_EQ(libraryBoxes.boxes.size(), 1u) << c.file;
    EXPECT_EQ(libraryBoxes.boxes[0].text, c.box) << c.file;
    EXPECT_EQ(libraryBoxes.boxes[0].button, MessageButton::Abort);
    EXPECT_TRUE(Empty()) << c.file;
    EXPECT_FALSE(Actions().Close->isEnabled()) << c.file;
  }
}

// The pixels of the image shown are freed before the next image's are
// allocated, so replacing an image needs no more than the larger of the two.
TEST_F(UnsavedWorkTest, ReplacingAnImageFreesItsPixelsFirst) {
  const std::string second = folder / "second.qew";
  test::WriteImageFile(second, kFileQew, test::Facts(50, 20), Pixels(test::Facts(50, 20)));
  // The pixel arrays of the three images: 40 x 30, 50 x 20 and 256 x 256.
  PixelArrays::Watch({40 * 30 * 2, 50 * 20 * 2, 256 * 256 * 2});
  OpenSource();
  Open(second);
  Actions().CreateTestPattern->trigger();
  ASSERT_EQ(PixelArrays::LiveAtAllocation(), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(PixelArrays::Live(), 1);
  Actions().Close->trigger();
  EXPECT_EQ(PixelArrays::Live(), 0);
  PixelArrays::Watch({});
}

}  // namespace
}  // namespace viewer

// The program's array allocations, counted by the test above.
void* operator new[](std::size_t bytes) {
  if (void* p = viewer::PixelArrays::Allocate(bytes)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept { return viewer::PixelArrays::Allocate(bytes); }
void operator delete[](void* p) noexcept { viewer::PixelArrays::Free(p); }
void operator delete[](void* p, std::size_t) noexcept { viewer::PixelArrays::Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { viewer::PixelArrays::Free(p); }
