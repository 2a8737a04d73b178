// The appearance kept in the registry across two runs of the window.
#include "platform/registry.h"
#include "viewer/tests/app/app_support.h"

namespace viewer {
namespace {

namespace reg = platform::registry;
constexpr reg::Hive kUser = reg::Hive::CurrentUser;
const std::string kKey = kProgramKey;

class AppearanceTest : public test::FormTest {
 protected:
  // Ends this run and starts the next.
  void Restart() {
    form.reset();
    CreateForm();
  }
  static void Put(const std::string& subkey, const std::string& name, const reg::Value& v) {
    const std::string path = kKey + "\\" + subkey;
    ASSERT_TRUE(reg::CreateKey(kUser, path));
    ASSERT_TRUE(reg::SetValue(kUser, path, name, v));
  }
  static reg::Value Dword(uint32_t v) {
    return {reg::ValueType::Dword, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}};
  }
  // The 15 values as the display and the histogram show them.
  Appearance Shown() const { return ShownAppearance(*View(), *Child<THistogram>("LUTHistogram")); }
};

TEST_F(AppearanceTest, FirstRunShowsTheLayoutAndStoresNothing) {
  const Appearance d = Shown();
  EXPECT_EQ(d.viewerColor, 0x00800000u);
  EXPECT_EQ(d.viewerFont.color, 0x00008080u);
  EXPECT_EQ(d.viewerFont.height, -11);
  EXPECT_EQ(d.viewerFont.name, "MS Sans Serif");
  EXPECT_EQ(d.viewerFont.style, 0);
  EXPECT_EQ(d.penColor, 0x0000FFFFu);
  EXPECT_EQ(d.colorInfo, kDefaultColorInfo);
  EXPECT_EQ(d.histogramColor, 0x8000000Fu);
  EXPECT_EQ(d.dataColor, 0x00FF0000u);
  EXPECT_EQ(d.lutColor, 0x0000FFFFu);
  EXPECT_EQ(d.lutBackground, 0x80000010u);
  EXPECT_EQ(d.histogramFont.color, 0x80000008u);
  Restart();
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(AppearanceTest, OnlyTheChangedValueIsStoredAndBackAtDefaultItGoes) {
  QFont bold = View()->font();
  bold.setBold(true);
  View()->setFont(bold);
  Restart();
  const std::string viewer = kKey + "\\Image Viewer";
  ASSERT_TRUE(reg::KeyExists(kUser, viewer));
  EXPECT_EQ(reg::QueryKeyInfo(kUser, viewer)->values, 1u);
  const std::optional<reg::Value> style = reg::QueryValue(kUser, viewer, "Font Style");
  ASSERT_TRUE(style);
  EXPECT_EQ(style->type, reg::ValueType::Binary);
  EXPECT_EQ(style->data, std::vector<uint8_t>{1});
  EXPECT_FALSE(reg::KeyExists(kUser, kKey + "\\Histogram"));

  // The second run shows it; set back, the value and its empty keys go.
  EXPECT_TRUE(View()->font().bold());
  // Back at the layout's style, nothing is stored.
  bold.setBold(false);
  View()->setFont(bold);
  Restart();
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

TEST_F(AppearanceTest, StoredValuesApplyAndBadOnesReadAsMissing) {
  form.reset();
  Put("Image Viewer", "Color", Dword(0x000000FF));  // red margins
  Put("Image Viewer", "Pen Color", {reg::ValueType::String, {'r', 'e', 'd', 0}});
  Put("Image Viewer", "Color Information", {reg::ValueType::Binary, std::vector<uint8_t>(12, 1)});
  Put("Image Viewer", "Font Name", {reg::ValueType::String, std::vector<uint8_t>(60, 'A')});
  Put("Histogram", "Font Height", {reg::ValueType::Binary, {1, 2, 3, 4}});
  Put("Histogram", "LUT Color", Dword(0x00123456));
  // Out of range: neither a plain nor a system colour, a height no font
  // has, style bits beyond the four.
  Put("Histogram", "Data Color", Dword(0x12345678));
  Put("Histogram", "LUT Background Color", Dword(0x8000001F));
  Put("Image Viewer", "Font Height", Dword(0x80000000));
  Put("Image Viewer", "Font Style", {reg::ValueType::Binary, {0x31}});
  Put("Histogram", "Font Style", {reg::ValueType::Binary, {0x0F}});
  CreateForm();
  const Appearance now = Shown();
  EXPECT_EQ(now.viewerColor, 0x000000FFu);
  EXPECT_EQ(now.penColor, 0x0000FFFFu);
  EXPECT_EQ(now.colorInfo, kDefaultColorInfo);
  EXPECT_EQ(now.viewerFont.name, "MS Sans Serif");
  EXPECT_EQ(now.histogramFont.height, -11);
  EXPECT_EQ(now.lutColor, 0x00123456u);
  EXPECT_EQ(now.dataColor, 0x00FF0000u);
  EXPECT_EQ(now.lutBackground, 0x80000010u);
  EXPECT_EQ(now.viewerFont.height, -11);
  EXPECT_EQ(now.viewerFont.style, 0);
  EXPECT_EQ(now.histogramFont.style, 0x0F);
  const QImage shot = Grab();
  EXPECT_EQ(At(shot, {1, 1}), 0xFF0000u);
}

TEST(Program, GlobalSettingsFollowTheRecord) {
  test::RegistryFolder registry;
  ViewerSettings settings;
  StartGlobalSettings(settings);
  settings.maxScale = 30;
  EndGlobalSettings(settings);
  ViewerSettings next;
  StartGlobalSettings(next);
  EXPECT_EQ(next.maxScale, 30);
  next.maxScale = 25;
  EndGlobalSettings(next);
  EXPECT_FALSE(reg::KeyExists(kUser, "Software"));
}

}  // namespace
}  // namespace viewer
