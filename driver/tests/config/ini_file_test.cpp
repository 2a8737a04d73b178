#include "driver/config/ini_file.h"

#include "driver/config/paths.h"
#include "driver/tarvel_api.h"
#include "driver/tests/config/config_fixture.h"
#include "platform/registry.h"

#include <clocale>

using namespace tarvel;
namespace reg = platform::registry;

using IniLocation = ConfigTest;

TEST_F(IniLocation, NoRegistryValueAndNoIniGivesTheLibraryPathEndingInIni) {
  IniPath ini = Ini_Open();
  EXPECT_FALSE(ini.found);
  EXPECT_EQ(ini.path, bin() + "/Tarvel.INI");
  char buf[256] = "x";
  EXPECT_EQ(Get_IniFileName(buf), -1);
  EXPECT_EQ(std::string(buf), bin() + "/Tarvel.INI");
  std::string s;
  int i = 7;
  double d = 7;
  EXPECT_EQ(Ini_ReadString(ini, "Scanner", "ImagePath", s), -1);
  EXPECT_EQ(Ini_ReadInt(ini, "Scanner", "Retry", i), -1);
  EXPECT_EQ(Ini_ReadDouble(ini, "Scanner", "SMotStep", d), -1);
  EXPECT_EQ(i, 0);
  EXPECT_EQ(d, 0.0);
  EXPECT_EQ(Get_IniFileName(nullptr), -102);
}

TEST_F(IniLocation, FallbackBesideTheLibraryMatchedWithoutCase) {
  for (const char* name : {"Tarvel.ini", "TARVEL.INI", "tarvel.Ini"}) {
    std::string path = WriteIni("[Scanner]\nRetry=5\n", name);
    IniPath ini = Ini_Open();
    EXPECT_TRUE(ini.found) << name;
    EXPECT_EQ(ini.path, path);
    EXPECT_EQ(Ini_IntOr(ini, "Scanner", "Retry", 100), 5);
    platform::DeleteFile(path);
  }
  // A library without "lib" and ".so" still names its ini after itself.
  platform::SetModuleFileNameOverride(bin() + "/lintra");
  EXPECT_EQ(Ini_Open().path, bin() + "/lintra.INI");
}

TEST_F(IniLocation, RegistryValueFirstAndEveryCallLooksAgain) {
  WriteIni("[Scanner]\nWhich=beside\n");
  std::string a = tmp_ / "a.ini", b = tmp_ / "b.ini";
  std::ofstream(a) << "[Scanner]\nWhich=a\n";
  std::ofstream(b) << "[Scanner]\nWhich=b\n";
  EXPECT_EQ(Set_IniFileName(a.c_str()), 1);  // first write into a missing key
  EXPECT_EQ(Ini_StringOr(Ini_Open(), "Scanner", "Which", ""), "a");
  char buf[256];
  EXPECT_EQ(Get_IniFileName(buf), 0);
  EXPECT_EQ(std::string(buf), a);
  EXPECT_EQ(Set_IniFileName(b.c_str()), 1);
  EXPECT_EQ(Ini_StringOr(Ini_Open(), "Scanner", "Which", ""), "b");
  // A value naming a missing file falls back to the library's ini.
  EXPECT_EQ(Set_IniFileName((tmp_ / "gone.ini").c_str()), 1);
  EXPECT_EQ(Ini_StringOr(Ini_Open(), "Scanner", "Which", ""), "beside");
  // Deleting the value: 1 once, then 0 (nothing to delete).
  EXPECT_EQ(Set_IniFileName(""), 1);
  EXPECT_EQ(Set_IniFileName(nullptr), 0);
  EXPECT_FALSE(reg::QueryValue(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue));
}

TEST_F(IniLocation, ValueIsAStringWithoutNulAndLongPathsAreRefused) {
  std::string a = tmp_ / "a.ini";
  ASSERT_EQ(Set_IniFileName(a.c_str()), 1);
  auto v = reg::QueryValue(reg::Hive::LocalMachine, "software\\kessmar\\tarvel", "inifile");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type, reg::ValueType::String);
  EXPECT_EQ(v->data.size(), a.size());
  std::string longer(kMaxIniPath + 1, 'x');
  EXPECT_EQ(Set_IniFileName(longer.c_str()), 0);
  EXPECT_EQ(reg::QueryString(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue), a);
  // No registry key at all: deleting fails.
  reg::DeleteValue(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue);
  reg::DeleteKey(reg::Hive::LocalMachine, kTarvelRegistryKey);
  EXPECT_EQ(Set_IniFileName(nullptr), 0);
}

// Set and Get share one limit: a stored path always comes back whole, and a
// longer registry value (written by others) is not reported as found.
TEST_F(IniLocation, StoredPathsComeBackWholeOrNotAtAll) {
  // An existing ini file whose path is exactly `length` characters long.
  auto ini_of_length = [&](size_t length) {
    std::string dir = tmp_ / "long";
    while (dir.size() + 1 + 100 < length) dir += "/" + std::string(100, 'd');
    platform::CreateDirectories(dir);
    std::string path = dir + "/" + std::string(length - dir.size() - 1 - 4, 'i') + ".ini";
    std::ofstream(path) << "[Scanner]\nWhich=long\n";
    EXPECT_EQ(path.size(), length);
    return path;
  };
  char buf[300];
  const std::string fits = ini_of_length(kMaxIniPath);
  ASSERT_EQ(Set_IniFileName(fits.c_str()), 1);
  EXPECT_EQ(Get_IniFileName(buf), 0);
  EXPECT_EQ(std::string(buf), fits);
  for (size_t length : {kMaxIniPath + 1, kMaxIniFileValue}) {
    SCOPED_TRACE(length);
    const std::string longer = ini_of_length(length);
    EXPECT_EQ(Set_IniFileName(longer.c_str()), 0);
    EXPECT_EQ(reg::QueryString(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue), fits);
    // Stored by another program: the ini is used, but its name does not fit.
    ASSERT_TRUE(reg::SetString(reg::Hive::LocalMachine, kTarvelRegistryKey, kIniFileValue, longer, false));
    EXPECT_EQ(Ini_StringOr(Ini_Open(), "Scanner", "Which", ""), "long");
    EXPECT_EQ(Get_IniFileName(buf), -1);
    EXPECT_EQ(std::string(buf), longer.substr(0, kMaxIniPath));
    ASSERT_EQ(Set_IniFileName(fits.c_str()), 1);
  }
}

TEST_F(IniLocation, UnreadableRegistryStoreReadsAsMissing) {
  WriteIni("[Scanner]\nWhich=beside\n");
  platform::CreateDirectories(tmp_ / "reg");
  std::ofstream(tmp_ / "reg/HKEY_LOCAL_MACHINE.reg") << "not a store";
  IniPath ini = Ini_Open();
  EXPECT_TRUE(ini.found);
  EXPECT_EQ(Ini_StringOr(ini, "Scanner", "Which", ""), "beside");
  EXPECT_EQ(Set_IniFileName("/x.ini"), 0);  // the store is kept, not overwritten
}

// A key of 300,000 levels in the store: every ini access still answers, as
// for any store that cannot be parsed, and again at the next call.
TEST_F(IniLocation, DeeplyNestedRegistryKeyIsRefusedNotACrash) {
  const std::string beside = WriteIni("[Scanner]\nWhich=beside\n");
  platform::CreateDirectories(tmp_ / "reg");
  std::string deep = "K ";
  for (int i = 0; i < 300000; ++i) deep += i ? "\\k" : "k";
  std::ofstream(tmp_ / "reg/HKEY_LOCAL_MACHINE.reg") << "VORNIXREG 1\n" << deep << "\n";
  for (int call = 0; call < 2; ++call) {
    char buf[256] = "x";
    EXPECT_EQ(Get_IniFileName(buf), 0);
    EXPECT_EQ(std::string(buf), beside);
    EXPECT_EQ(Ini_StringOr(Ini_Open(), "Scanner", "Which", ""), "beside");
  }
  EXPECT_EQ(Set_IniFileName("/x.ini"), 0);  // the store is kept, not overwritten
}

TEST_F(IniLocation, ReadsDistinguishMissingFromPresentAndParseNumbers) {
  WriteIni(
      "[Scanner]\nEmpty=\nHex=0x10\nOct=010\nNeg=-3\nNum=-1.163e-6\nText=\"  .\\Images \"\n"
      "Long=" +
      std::string(300, 'y') + "\n");
  IniPath ini = Ini_Open();
  std::string s = "old";
  int i = 1;
  double d = 1;
  EXPECT_EQ(Ini_ReadString(ini, "Scanner", "Empty", s), -2);
  EXPECT_EQ(s, "");
  EXPECT_EQ(Ini_ReadString(ini, "Scanner", "Missing", s), -2);
  EXPECT_EQ(Ini_ReadString(ini, "Scanner", "Text", s), 0);
  EXPECT_EQ(s, "  .\\Images ");
  EXPECT_EQ(Ini_ReadString(ini, "Scanner", "Long", s), 0);
  EXPECT_EQ(s.size(), 255u);
  EXPECT_EQ(Ini_ReadInt(ini, "Scanner", "Hex", i), 0);
  EXPECT_EQ(i, 16);
  EXPECT_EQ(Ini_ReadInt(ini, "Scanner", "Oct", i), 0);
  EXPECT_EQ(i, 8);
  EXPECT_EQ(Ini_ReadInt(ini, "Scanner", "Neg", i), 0);
  EXPECT_EQ(i, -3);
  EXPECT_EQ(Ini_ReadInt(ini, "Scanner", "Missing", i), -2);
  EXPECT_EQ(i, 0);
  // Numbers parse in the C locale whatever the process's locale is.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  EXPECT_EQ(Ini_ReadDouble(ini, "Scanner", "Num", d), 0);
  EXPECT_DOUBLE_EQ(d, -1.163e-6);
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(Ini_DoubleOr(ini, "Scanner", "Empty", 0.1004), 0.1004);
  EXPECT_EQ(ModeSection(12), "Param_#12");
}

TEST_F(IniLocation, ModulePathsAndFolders) {
  EXPECT_EQ(MakeModulePath(".\\Images"), bin() + "/Images");
  EXPECT_EQ(MakeModulePath(".\\Images\\Tarvel.tmp"), bin() + "/Images/Tarvel.tmp");
  EXPECT_EQ(MakeModulePath("..\\logs\\Tarvel"), tmp_ / "logs/Tarvel");
  EXPECT_EQ(MakeModulePath("/var/x/../y"), "/var/y");
  EXPECT_EQ(ModuleFolder(), bin());
  CreateFolders(bin() + "\\Images\\deep");
  EXPECT_TRUE(platform::FolderExists(bin() + "/Images/deep"));
  std::FILE* f = OpenWithFolders(bin() + "/a/b/Tarvel.tmp", "wb");
  ASSERT_TRUE(f);
  std::fclose(f);
  EXPECT_TRUE(platform::FileExists(bin() + "/a/b/Tarvel.tmp"));
  platform::SetFreeDiskSpaceOverride(uint64_t(209715199));
  EXPECT_EQ(FreeSpace(bin() + "/Images"), 209715199u);
  platform::SetFreeDiskSpaceOverride(std::nullopt);
  EXPECT_GT(FreeSpace(bin() + "/not/yet"), 0u);
}
