#include "platform/files.h"

#include <gtest/gtest.h>

#include "testing/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>

using testsupport::TempFolder;
using namespace platform;

namespace {
void Write(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
std::string Read(const std::string& path) { return ReadWholeFile(path).value_or("<missing>"); }
}  // namespace

TEST(Paths, SeparatorsAndNullDevice) {
  struct Case {
    const char* in;
    const char* native;
    bool null;
  } cases[] = {
      {".\\Images\\Tarvel.tmp", "./Images/Tarvel.tmp", false},
      {"/a/b", "/a/b", false},
      {"NUL", "/dev/null", true},
      {"nul", "/dev/null", true},
      {".\\NUL", "/dev/null", true},
      {"NULL", "NULL", false},
      {"nul.txt", "nul.txt", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NativePath(c.in), c.native) << c.in;
    EXPECT_EQ(IsNullDevice(c.in), c.null) << c.in;
  }
  EXPECT_EQ(FileNamePart("a\\b/c.ini"), "c.ini");
  EXPECT_EQ(FolderPart("a\\b/c.ini"), "a/b");
  EXPECT_EQ(FolderPart("c.ini"), "");
  EXPECT_EQ(FolderPart("/c.ini"), "/");
}

TEST(Paths, FullPathDoesNotNeedTheFile) {
  char cwd[4096];
  ASSERT_TRUE(getcwd(cwd, sizeof cwd));
  std::string here = cwd;
  EXPECT_EQ(FullPath("missing\\sub\\..\\file.kor"), here + "/missing/file.kor");
  EXPECT_EQ(FullPath("/a/./b//c/../d"), "/a/b/d");
  EXPECT_EQ(FullPath("/.."), "/");
  EXPECT_EQ(FullPath("NUL"), "/dev/null");
}

TEST(Paths, ModuleFileNameOfThisLibraryAndOverride) {
  std::string own = ModuleFileName(reinterpret_cast<const void*>(&FullPath));
  EXPECT_EQ(own.substr(0, 1), "/");
  EXPECT_NE(own.find("libvornixplatform.so"), std::string::npos) << own;
  SetModuleFileNameOverride("/opt/x/libTarvel.so");
  EXPECT_EQ(ModuleFileName(reinterpret_cast<const void*>(&FullPath)), "/opt/x/libTarvel.so");
  SetModuleFileNameOverride(std::nullopt);
  EXPECT_EQ(ModuleFileName(reinterpret_cast<const void*>(&FullPath)), own);
}

TEST(Files, CreateDirectoriesMakesEveryLevel) {
  TempFolder t;
  std::string deep = t.path() + "\\a\\b\\c";
  EXPECT_TRUE(CreateDirectories(deep));
  EXPECT_TRUE(FolderExists(t / "a/b/c"));
  EXPECT_TRUE(CreateDirectories(deep));  // already there
  EXPECT_FALSE(CreateDirectory(deep));
  Write(t / "file", "x");
  EXPECT_FALSE(CreateDirectories(t / "file/sub"));
}

TEST(Files, MoveRefusesAnExistingTarget) {
  TempFolder t;
  Write(t / "a", "first");
  Write(t / "b", "second");
  EXPECT_FALSE(MoveFile(t / "a", t / "b"));
  EXPECT_EQ(Read(t / "a"), "first");
  EXPECT_EQ(Read(t / "b"), "second");
  EXPECT_TRUE(MoveFile(t / "a", t / "c"));
  EXPECT_FALSE(FileExists(t / "a"));
  EXPECT_EQ(Read(t / "c"), "first");
  EXPECT_FALSE(MoveFile(t / "a", t / "d"));  // no source
  EXPECT_TRUE(DeleteFile(t / "c"));
  EXPECT_FALSE(DeleteFile(t / "c"));
}

TEST(Files, MoveAcrossFileSystemsCopiesAndKeepsTheTime) {
  TempFolder t;
  struct stat a {
  }, b{};
  if (stat("/dev/shm", &a) != 0 || stat(t.path().c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system beside " << t.path();
  const TempFolder other("vornix-move", "/dev/shm");
  const std::string target = other / "log";
  Write(t / "log", "lines");
  ASSERT_TRUE(SetFileModifiedTime(t / "log", 1000000000));
  ASSERT_TRUE(MoveFile(t / "log", target));
  EXPECT_FALSE(FileExists(t / "log"));
  EXPECT_EQ(Read(target), "lines");
  EXPECT_EQ(GetFileModifiedTime(target).value_or(0), 1000000000);
  Write(t / "other", "x");
  EXPECT_FALSE(MoveFile(t / "other", target));
  EXPECT_EQ(Read(target), "lines");
}

TEST(Files, ModifiedTimeRoundTrip) {
  TempFolder t;
  Write(t / "f", "x");
  EXPECT_TRUE(SetFileModifiedTime(t / "f", 1234567890));
  EXPECT_EQ(GetFileModifiedTime(t / "f"), std::optional<std::time_t>(1234567890));
  EXPECT_FALSE(GetFileModifiedTime(t / "missing").has_value());
  EXPECT_FALSE(SetFileModifiedTime(t / "missing", 1));
}

TEST(Files, WildcardsMatchWithoutCase) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"KP*.QEW", "kp000001.qew", true},
      {"KP*.QEW", "KP000001.QEW", true},
      {"KP*.QEW", "KP000001.txt", false},
      {"KP*.QEW", "xKP1.QEW", false},
      {"*", "", true},
      {"*.*", "a.b", true},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"*b*b", "abxbab", true},
      {"*.L1", "Tarvel.l1", true},
      {"", "a", false},
  };
  for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(Files, FindFilesListsMatchingFilesSorted) {
  TempFolder t;
  for (const char* n : {"kp000002.qew", "KP000001.QEW", "kp000001.txt", "other.qew"}) Write(t / n, "x");
  CreateDirectory(t / "KP999.QEW");  // a folder is not listed
  std::vector<std::string> want = {"KP000001.QEW", "kp000002.qew"};
  EXPECT_EQ(FindFiles(t.path() + "\\KP*.QEW"), want);
  EXPECT_TRUE(FindFiles(t / "missing/KP*.QEW").empty());
}

TEST(Files, FreeDiskSpaceOfAFolderNotYetMadeAndOverride) {
  TempFolder t;
  EXPECT_GT(FreeDiskSpace(t / "not/yet/made"), 0u);
  SetFreeDiskSpaceOverride(uint64_t(12345));
  EXPECT_EQ(FreeDiskSpace(t.path()), 12345u);
  SetFreeDiskSpaceOverride(std::nullopt);
  EXPECT_NE(FreeDiskSpace(t.path()), 12345u);
}

TEST(Files, AtomicWriteReplacesWholeAndKeepsTheMode) {
  TempFolder t;
  Write(t / "a.ini", "old");
  chmod((t / "a.ini").c_str(), 0640);
  EXPECT_TRUE(WriteFileAtomically(t / "a.ini", std::string("new\0bytes", 9)));
  EXPECT_EQ(Read(t / "a.ini"), std::string("new\0bytes", 9));
  struct stat st {};
  stat((t / "a.ini").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FindFiles(t / "*").size(), 1u);  // no temporary left
  EXPECT_FALSE(WriteFileAtomically(t / "missing/a.ini", "x"));
  EXPECT_TRUE(FindFiles(t / ".*tmp").empty());
}

// An ini reached through a symbolic link is written where the link points;
// the link stays.
TEST(Files, AtomicWriteThroughASymbolicLink) {
  TempFolder t;
  CreateDirectory(t / "shared");
  Write(t / "shared/Tarvel.ini", "old");
  ASSERT_EQ(symlink((t / "shared/Tarvel.ini").c_str(), (t / "Tarvel.ini").c_str()), 0);
  EXPECT_TRUE(WriteFileAtomically(t / "Tarvel.ini", "new"));
  struct stat st {};
  ASSERT_EQ(lstat((t / "Tarvel.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Read(t / "shared/Tarvel.ini"), "new");
  // Nothing but a regular file is replaced: a folder is refused.
  EXPECT_FALSE(WriteFileAtomically(t / "shared", "x"));
  EXPECT_TRUE(FolderExists(t / "shared"));
}

TEST(Files, OpenFileTranslatesSeparatorsAndNul) {
  TempFolder t;
  CreateDirectory(t / "sub");
  std::FILE* f = OpenFile(t.path() + "\\sub\\x.log", "w");
  ASSERT_TRUE(f);
  std::fclose(f);
  EXPECT_TRUE(FileExists(t / "sub/x.log"));
  std::FILE* n = OpenFile("NUL", "w+");
  ASSERT_TRUE(n);
  EXPECT_EQ(std::fputs("dropped", n) >= 0, true);
  std::fclose(n);
}

// A folder that turns full after k writes: the k-th write and every later one
// fail with the plan's error, reads and files elsewhere are untouched, and
// clearing the plan gives the space back.
TEST(Files, FaultPlanFailsItsFolderFromTheKthCallOn) {
  TempFolder t;
  CreateDirectory(t / "full");
  std::FILE* in = OpenFile(t / "full/a.tmp", "w+b");
  std::FILE* out = OpenFile(t / "b.tmp", "w+b");
  ASSERT_TRUE(in && out);
  char word[2] = {'x', 'y'};
  iovec part{word, 2};
  SetFileFaultPlan(FileFaultPlan{t.path() + "/full/", -1, 2, -1, ENOSPC});
  std::vector<int64_t> got;
  for (int i = 0; i < 4; ++i) {
    errno = 0;
    got.push_back(WriteFileAt(in, &part, 1, 2 * i));
    if (i >= 2) {
      EXPECT_EQ(errno, ENOSPC);
    }
  }
  EXPECT_EQ(got, (std::vector<int64_t>{2, 2, -1, -1}));
  EXPECT_EQ(WriteFile(in, word, 2), 0u);
  EXPECT_EQ(WriteFileAt(out, &part, 1, 0), 2);  // another folder
  char back[4] = {};
  EXPECT_EQ(ReadFileAt(in, back, 4, 0), 4);
  EXPECT_EQ(std::string(back, 4), "xyxy");

  // Reads and creations: a read-only folder.
  SetFileFaultPlan(FileFaultPlan{t / "full", 1, -1, 0, EROFS});
  EXPECT_EQ(ReadFileAt(in, back, 2, 0), 2);
  errno = 0;
  EXPECT_EQ(ReadFileAt(in, back, 2, 0), -1);
  EXPECT_EQ(errno, EROFS);
  EXPECT_EQ(OpenFile(t / "full/c.tmp", "wb"), nullptr);
  EXPECT_FALSE(FileExists(t / "full/c.tmp"));
  std::FILE* reading = OpenFile(t / "full/a.tmp", "rb");  // opening to read creates nothing
  EXPECT_NE(reading, nullptr);
  if (reading) std::fclose(reading);

  SetFileFaultPlan(std::nullopt);
  EXPECT_EQ(WriteFileAt(in, &part, 1, 4), 2);
  std::FILE* made = OpenFile(t / "full/c.tmp", "wb");
  EXPECT_NE(made, nullptr);
  if (made) std::fclose(made);
  std::fclose(in);
  std::fclose(out);
}
