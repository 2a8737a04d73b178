#include "viewer/core/settings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>

#include "platform/registry.h"
#include "testing/registry_folder.h"
#include "viewer/tests/core/test_support.h"

namespace viewer {
namespace {

namespace reg = platform::registry;
constexpr reg::Hive kUser = reg::Hive::CurrentUser;
const std::string kKey = kProgramKey;

// Each test gets its own registry store and the compiled-in settings.
class SettingsTest : public ::testing::Test {
 protected:
  static void Put(const std::string& subkey, const std::string& name, const reg::Value& v) {
    const std::string path = subkey.empty() ? kKey : kKey + "\\" + subkey;
    ASSERT_TRUE(reg::CreateKey(kUser, path));
    ASSERT_TRUE(reg::SetValue(kUser, path, name, v));
  }
  static reg::Value Dword(uint32_t v) {
    return {reg::ValueType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
  }

  testsupport::RegistryFolder registry_;
  ViewerSettings settings;
};

TEST_F(SettingsTest, StartWithoutKeyGivesDefaultsAndEndWithoutChangesCreatesNothing) {
  StartGlobalSettings(settings);
  StartImageSettings(settings);
  EXPECT_EQ(settings.units, 0);
  EXPECT_EQ(settings.lutWidth, 3);
  EXPECT_EQ(settings.maxScale, 25);
  EXPECT_EQ(settings.maxImageSize, 0);
  EXPECT_EQ(ReadRegString("Histogram", "Font Name", "MS Sans Serif"), "MS Sans Serif");
  std::array<uint8_t, 9> info{};
  const std::array<uint8_t, 9> fallback = {127, 64, 255, 63, 64, 255, 191, 64, 255};
  ReadRegBinary(info.data(), "Image Viewer", "Color Information", 9, fallback.data());
  EXPECT_EQ(info, fallback);
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));  // reading never creates keys
  EndImageSettings(settings);
  EndGlobalSettings(settings);
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(SettingsTest, ValueBackAtDefaultIsDeletedWithTheKeysLeftEmpty) {
  StartGlobalSettings(settings);
  settings.maxScale = 30;
  EndGlobalSettings(settings);
  EXPECT_EQ(reg::QueryDword(kUser, kKey + "\\Image Viewer", "Maximum Scale Factor"), 30u);
  EXPECT_EQ(reg::QueryKeyInfo(kUser, kKey + "\\Image Viewer")->values, 1u);

  settings.maxScale = 25;
  StartGlobalSettings(settings);
  EXPECT_EQ(settings.maxScale, 30);
  settings.maxScale = 25;
  EndGlobalSettings(settings);
  EXPECT_FALSE(reg::KeyExists(kUser, kKey + "\\Image Viewer"));
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));  // every key above was left empty
}

TEST_F(SettingsTest, WalkUpStopsAtTheFirstKeyThatHoldsSomething) {
  Put("", "Units", Dword(2));
  Put("Histogram", "LUT Width", Dword(5));
  Put("Image Viewer\\Deeper", "x", Dword(1));
  // A sibling under the company key keeps it.
  ASSERT_TRUE(reg::CreateKey(kUser, "Software\\Brellan Inc.\\Other"));

  WriteRegInteger("Histogram", "LUT Width", 3, 3);
  EXPECT_FALSE(reg::KeyExists(kUser, kKey + "\\Histogram"));
  EXPECT_TRUE(reg::KeyExists(kUser, kKey));  // holds "Units" and a subkey

  DeleteRegValue("Image Viewer\\Deeper", "x");
  EXPECT_FALSE(reg::KeyExists(kUser, kKey + "\\Image Viewer"));
  WriteRegInteger("", "Units", 0, 0);
  EXPECT_FALSE(reg::KeyExists(kUser, "Software\\Brellan Inc.\\Vornix Image Viewer"));
  EXPECT_TRUE(reg::KeyExists(kUser, "Software\\Brellan Inc.\\Other"));

  // Deleting in a missing key does nothing and creates nothing.
  DeleteRegValue("Nowhere", "x");
  EXPECT_FALSE(reg::KeyExists(kUser, kKey));
}

TEST_F(SettingsTest, ReadingNeverCreatesASubkey) {
  Put("", "Units", Dword(1));
  EXPECT_EQ(ReadRegInteger("Histogram", "LUT Width", 3), 3);
  EXPECT_EQ(ReadRegString("Image Viewer\\Deeper", "Font Name", "x"), "x");
  uint8_t style = 0;
  const uint8_t none = 0;
  ReadRegBinary(&style, "Image Viewer", "Font Style", 1, &none);
  EXPECT_EQ(reg::QueryKeyInfo(kUser, kKey)->subkeys, 0u);
}

TEST_F(SettingsTest, WalkEndsAtAKeyThatCannotBeDeleted) {
  // The hive's root holds nothing here but can never be deleted.
  for (const char* path : {"", "\\"}) DeleteEmptyKeys(path);
  ASSERT_TRUE(reg::CreateKey(kUser, "Software"));
  DeleteEmptyKeys("Software\\");
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(SettingsTest, EmptyKeyWithoutTheValueIsStillRemoved) {
  ASSERT_TRUE(reg::CreateKey(kUser, kKey + "\\Histogram"));
  DeleteRegValue("Histogram", "Color");
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(SettingsTest, StringsCompareExactly) {
  WriteRegString("Image Viewer", "Font Name", "ms sans serif", "MS Sans Serif");
  EXPECT_EQ(reg::QueryString(kUser, kKey + "\\Image Viewer", "Font Name"), "ms sans serif");
  EXPECT_EQ(ReadRegString("Image Viewer", "Font Name", "MS Sans Serif"), "ms sans serif");
  WriteRegString("Image Viewer", "Font Name", "MS Sans Serif", "MS Sans Serif");
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(SettingsTest, BinaryValuesLieOverTheirDefault) {
  const uint8_t fallback[4] = {1, 2, 3, 4};
  const struct {
    std::vector<uint8_t> stored;
    std::array<uint8_t, 4> read;
  } cases[] = {
      {{9}, {9, 2, 3, 4}},  // shorter: the default's tail stays
      {{9, 8, 7, 6}, {9, 8, 7, 6}},  // whole
      {{9, 8, 7, 6, 5}, {1, 2, 3, 4}},  // longer: read as missing
      {{}, {1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    Put("Histogram", "Block", {reg::ValueType::Binary, c.stored});
    std::array<uint8_t, 4> out{};
    ReadRegBinary(out.data(), "Histogram", "Block", 4, fallback);
    EXPECT_EQ(out, c.read) << c.stored.size();
  }

  const uint8_t same[4] = {1, 2, 3, 4}, other[4] = {1, 2, 3, 5};
  WriteRegBinary("Histogram", "Block", other, 4, fallback);
  EXPECT_EQ(reg::QueryValue(kUser, kKey + "\\Histogram", "Block")->data, (std::vector<uint8_t>{1, 2, 3, 5}));
  WriteRegBinary("Histogram", "Block", same, 4, fallback);
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(SettingsTest, WrongTypedValuesReadAsMissing) {
  Put("", "Maximum Image Size", {reg::ValueType::String, {'1', '2', 0}});
  Put("Histogram", "LUT Width", {reg::ValueType::Dword, {1, 2}});  // short DWORD
  Put("Image Viewer", "Font Name", Dword(7));
  Put("Image Viewer", "Font Style", Dword(1));
  Put("Image Viewer", "Maximum Scale Factor", {reg::ValueType::Binary, {30, 0, 0, 0}});
  StartGlobalSettings(settings);
  StartImageSettings(settings);
  EXPECT_EQ(settings.maxImageSize, 0);
  EXPECT_EQ(settings.lutWidth, 3);
  EXPECT_EQ(settings.maxScale, 25);
  EXPECT_EQ(ReadRegString("Image Viewer", "Font Name", "MS Sans Serif"), "MS Sans Serif");
  uint8_t style = 0xAA;
  const uint8_t none = 0;
  ReadRegBinary(&style, "Image Viewer", "Font Style", 1, &none);
  EXPECT_EQ(style, 0);
}

TEST_F(SettingsTest, ValuesOutsideTheFormsRangeReadAsMissing) {
  const struct {
    const char* subkey;
    const char* name;
    uint32_t stored;
    int32_t ViewerSettings::*field;
    int32_t expected;
  } cases[] = {
      {"Image Viewer", "Maximum Scale Factor", 2147483647u, &ViewerSettings::maxScale, 25},
      {"Image Viewer", "Maximum Scale Factor", 0, &ViewerSettings::maxScale, 25},
      {"Image Viewer", "Maximum Scale Factor", 101, &ViewerSettings::maxScale, 25},
      {"Image Viewer", "Maximum Scale Factor", 100, &ViewerSettings::maxScale, 100},
      {"Image Viewer", "Maximum Scale Factor", 1, &ViewerSettings::maxScale, 1},
      {"Histogram", "LUT Width", 0xFFFFFFFFu, &ViewerSettings::lutWidth, 3},
      {"Histogram", "LUT Width", 101, &ViewerSettings::lutWidth, 3},
      {"Histogram", "LUT Width", 0, &ViewerSettings::lutWidth, 0},
      {"Histogram", "LUT Width", 100, &ViewerSettings::lutWidth, 100},
  };
  for (const auto& c : cases) {
    Put(c.subkey, c.name, Dword(c.stored));
    settings = ViewerSettings{};
    StartGlobalSettings(settings);
    EXPECT_EQ(settings.*c.field, c.expected) << c.name << " " << c.stored;
  }
  for (const auto& [stored, expected] : {std::pair{4u, 4}, {5u, 0}, {256u, 0}, {0xFFFFFFFFu, 0}}) {
    Put("", "Units", Dword(stored));
    StartGlobalSettings(settings);
    EXPECT_EQ(settings.units, expected) << stored;
  }
}

TEST_F(SettingsTest, IntegersRoundTripAsThirtyTwoBits) {
  settings.maxImageSize = static_cast<int32_t>(4000000000u);  // compared unsigned by the model
  EndImageSettings(settings);
  EXPECT_EQ(reg::QueryDword(kUser, kKey, "Maximum Image Size"), 4000000000u);
  settings.maxImageSize = 0;
  StartImageSettings(settings);
  EXPECT_EQ(static_cast<uint32_t>(settings.maxImageSize), 4000000000u);
  EXPECT_EQ(ReadRegInteger("Histogram", "Font Height", -11), -11);
  WriteRegInteger("Histogram", "Font Height", -13, -11);
  EXPECT_EQ(ReadRegInteger("Histogram", "Font Height", -11), -13);
}

}  // namespace
}  // namespace viewer
