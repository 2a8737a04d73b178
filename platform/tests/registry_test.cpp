#include "platform/registry.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "testing/registry_folder.h"
#include "testing/temp_folder.h"

#include <fstream>
#include <thread>

using testsupport::RegistryFolder;
using testsupport::TempFolder;
using namespace platform::registry;
constexpr Hive HKLM = Hive::LocalMachine;
constexpr Hive HKCU = Hive::CurrentUser;

class Registry : public ::testing::Test {
 protected:
  TempFolder folder_;
  RegistryFolder registry_{folder_ / "reg"};
};

TEST_F(Registry, KeysExistWithoutValuesAndNamesIgnoreCase) {
  EXPECT_FALSE(KeyExists(HKLM, "Software\\Kessmar\\Tarvel"));
  EXPECT_TRUE(CreateKey(HKLM, "Software\\Kessmar\\Tarvel"));
  EXPECT_TRUE(KeyExists(HKLM, "SOFTWARE\\kessmar\\TARVEL"));
  EXPECT_TRUE(KeyExists(HKLM, "\\Software\\\\Kessmar\\"));
  EXPECT_FALSE(KeyExists(HKCU, "Software"));  // hives are separate
  auto info = QueryKeyInfo(HKLM, "Software\\Kessmar\\Tarvel");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->subkeys, 0u);
  EXPECT_EQ(info->values, 0u);
  EXPECT_EQ(StoreFolder(), folder_ / "reg");
  EXPECT_TRUE(platform::FileExists(folder_ / "reg/HKEY_LOCAL_MACHINE.reg"));
}

TEST_F(Registry, TypedValuesReportTheirType) {
  const char* key = "Software\\Kessmar\\Tarvel";
  EXPECT_FALSE(SetDword(HKLM, key, "Retry", 1));  // no key yet
  ASSERT_TRUE(CreateKey(HKLM, key));
  EXPECT_TRUE(SetDword(HKLM, key, "Retry", 0xDEADBEEF));
  EXPECT_TRUE(SetString(HKLM, key, "IniFile", "/etc/Tarvel.ini", false));
  Value bin{ValueType::Binary, {0, 1, 2, 255, '\n', ' '}};
  EXPECT_TRUE(SetValue(HKLM, key, "Color Information", bin));

  EXPECT_EQ(QueryDword(HKLM, key, "retry"), std::optional<uint32_t>(0xDEADBEEF));
  EXPECT_EQ(QueryString(HKLM, key, "INIFILE"), std::optional<std::string>("/etc/Tarvel.ini"));
  auto raw = QueryValue(HKLM, key, "IniFile");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->type, ValueType::String);
  EXPECT_EQ(raw->data.size(), 15u);  // stored without NUL as asked
  auto b = QueryValue(HKLM, key, "color information");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->type, ValueType::Binary);
  EXPECT_EQ(b->data, bin.data);
  // Wrong type: no answer from the typed reads.
  EXPECT_FALSE(QueryDword(HKLM, key, "IniFile"));
  EXPECT_FALSE(QueryString(HKLM, key, "Retry"));
  EXPECT_FALSE(QueryValue(HKLM, key, "Missing"));
  // Overwrite keeps one value; its first spelling stays.
  EXPECT_TRUE(SetString(HKLM, key, "inifile", "x"));
  EXPECT_EQ(QueryKeyInfo(HKLM, key)->values, 3u);
  EXPECT_EQ(QueryString(HKLM, key, "IniFile"), std::optional<std::string>("x"));
}

TEST_F(Registry, CountsDeletesAndEnumeration) {
  const char* prog = "Software\\Brellan Inc.\\Vornix Image Viewer\\Version 4.2";
  ASSERT_TRUE(CreateKey(HKCU, std::string(prog) + "\\image Viewer"));
  ASSERT_TRUE(CreateKey(HKCU, std::string(prog) + "\\Histogram"));
  ASSERT_TRUE(CreateKey(HKCU, std::string(prog) + "\\alpha"));
  ASSERT_TRUE(SetDword(HKCU, prog, "Units", 2));
  auto info = QueryKeyInfo(HKCU, prog);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->subkeys, 3u);
  EXPECT_EQ(info->values, 1u);
  std::vector<std::string> names;
  for (uint32_t i = 0; auto n = EnumSubkey(HKCU, prog, i); ++i) names.push_back(*n);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Histogram", "image Viewer"}));

  EXPECT_FALSE(DeleteKey(HKCU, "Software\\Brellan Inc."));  // has subkeys
  EXPECT_FALSE(DeleteKey(HKCU, ""));
  EXPECT_TRUE(DeleteValue(HKCU, prog, "UNITS"));
  EXPECT_FALSE(DeleteValue(HKCU, prog, "Units"));
  ASSERT_TRUE(SetDword(HKCU, std::string(prog) + "\\Histogram", "LUT Width", 5));
  EXPECT_TRUE(DeleteKey(HKCU, std::string(prog) + "\\HISTOGRAM"));  // values go with it
  EXPECT_FALSE(DeleteKey(HKCU, std::string(prog) + "\\Histogram"));
  EXPECT_EQ(QueryKeyInfo(HKCU, prog)->subkeys, 2u);
  EXPECT_FALSE(QueryKeyInfo(HKCU, "Software\\Missing"));
  EXPECT_FALSE(EnumSubkey(HKCU, prog, 2));
}

TEST_F(Registry, UnreadableStoreReadsAsMissingAndIsNotOverwritten) {
  ASSERT_TRUE(CreateKey(HKLM, "Software\\Kessmar\\Tarvel"));
  ASSERT_TRUE(SetString(HKLM, "Software\\Kessmar\\Tarvel", "IniFile", "/a.ini"));
  std::string file = folder_ / "reg/HKEY_LOCAL_MACHINE.reg";
  std::string good = platform::ReadWholeFile(file).value();
  for (std::string bad : {std::string("garbage\n"), good.substr(0, good.size() - 3), good + "V 1 x zz\n",
                          std::string("\x00\x01\x02", 3)}) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bad;
    EXPECT_FALSE(KeyExists(HKLM, "Software"));
    EXPECT_FALSE(QueryString(HKLM, "Software\\Kessmar\\Tarvel", "IniFile"));
    EXPECT_FALSE(CreateKey(HKLM, "Software\\Other"));
    EXPECT_FALSE(SetDword(HKLM, "Software", "x", 1));
    EXPECT_EQ(platform::ReadWholeFile(file).value(), bad);
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << good;
  EXPECT_EQ(QueryString(HKLM, "Software\\Kessmar\\Tarvel", "IniFile"), std::optional<std::string>("/a.ini"));
}

// Keys reach 512 levels and no deeper, when created and when read from a
// store; a deeper one makes the store unreadable, never a crash.
TEST_F(Registry, KeysDeeperThan512LevelsAreRefused) {
  auto path_of = [](size_t levels) {
    std::string p;
    for (size_t i = 0; i < levels; ++i) p += i ? "\\k" : "k";
    return p;
  };
  EXPECT_FALSE(CreateKey(HKCU, path_of(513)));
  EXPECT_FALSE(KeyExists(HKCU, "k"));
  ASSERT_TRUE(CreateKey(HKCU, path_of(512)));
  ASSERT_TRUE(SetDword(HKCU, path_of(512), "v", 7));
  EXPECT_EQ(QueryDword(HKCU, path_of(512), "v"), std::optional<uint32_t>(7));
  EXPECT_FALSE(CreateKey(HKCU, path_of(512) + "\\deeper"));
  EXPECT_EQ(QueryKeyInfo(HKCU, path_of(512))->subkeys, 0u);

  std::string file = folder_ / "reg/HKEY_CURRENT_USER.reg";
  for (size_t levels : {size_t{513}, size_t{300000}}) {
    SCOPED_TRACE(levels);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << "VORNIXREG 1\nK " << path_of(levels) << "\n";
    EXPECT_FALSE(KeyExists(HKCU, "k"));
    EXPECT_FALSE(CreateKey(HKCU, "Software"));
  }
}

TEST_F(Registry, NamesWithAnyBytesSurviveTheStore) {
  std::string key = "Software\\A key with %, = and blanks\\\xB0";
  ASSERT_TRUE(CreateKey(HKCU, key));
  ASSERT_TRUE(SetString(HKCU, key, "Font Name", "MS Sans Serif"));
  ASSERT_TRUE(SetValue(HKCU, key, "", Value{ValueType::Binary, {}}));
  EXPECT_EQ(QueryString(HKCU, key, "font name"), std::optional<std::string>("MS Sans Serif"));
  EXPECT_EQ(QueryValue(HKCU, key, "")->data.size(), 0u);
  EXPECT_EQ(EnumSubkey(HKCU, "Software", 0), std::optional<std::string>("A key with %, = and blanks"));
}

TEST_F(Registry, ConcurrentWritersLoseNothing) {
  ASSERT_TRUE(CreateKey(HKCU, "Software\\Race"));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 25; ++i) {
        std::string name = "v";
        name += std::to_string(t * 100 + i);
        SetDword(HKCU, "Software\\Race", name, uint32_t(i));
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(QueryKeyInfo(HKCU, "Software\\Race")->values, 100u);
}
