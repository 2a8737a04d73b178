#include "driver/config/registry_key.h"

#include "driver/tests/config/config_fixture.h"

using platform::registry::Hive;
using tarvel::RegistryKey;
namespace reg = platform::registry;

using RegistryKeyObject = ConfigTest;

TEST_F(RegistryKeyObject, OpenCreateAndSubkeys) {
  RegistryKey key;
  EXPECT_FALSE(key.OpenSub("TarvelUsb", true));  // no key open: nothing happens
  EXPECT_FALSE(reg::KeyExists(Hive::LocalMachine, "TarvelUsb"));
  EXPECT_FALSE(key.Open(Hive::LocalMachine, "Software", false));
  EXPECT_FALSE(key.IsOpen());
  EXPECT_TRUE(key.Open(Hive::LocalMachine, "Software", true));
  EXPECT_TRUE(key.OpenSub("Kessmar", true));
  EXPECT_TRUE(key.OpenSub("TarvelUsb", true));
  EXPECT_TRUE(reg::KeyExists(Hive::LocalMachine, "Software\\Kessmar\\TarvelUsb"));
  EXPECT_FALSE(key.OpenSub("Missing", false));
  EXPECT_TRUE(key.IsOpen());  // still on TarvelUsb
  EXPECT_TRUE(key.WriteDword("Here", 1));
  EXPECT_EQ(reg::QueryDword(Hive::LocalMachine, "Software\\Kessmar\\TarvelUsb", "here"), 1u);

  RegistryKey parent;
  ASSERT_TRUE(parent.Open(Hive::LocalMachine, "software\\KESSMAR", false));
  ASSERT_TRUE(reg::CreateKey(Hive::LocalMachine, "Software\\Kessmar\\Alpha"));
  char name[16];
  EXPECT_TRUE(parent.EnumKey(0, name, sizeof name));
  EXPECT_STREQ(name, "Alpha");
  EXPECT_TRUE(parent.EnumKey(1, name, sizeof name));
  EXPECT_STREQ(name, "TarvelUsb");
  EXPECT_FALSE(parent.EnumKey(2, name, sizeof name));
  EXPECT_FALSE(parent.EnumKey(1, name, 5));  // does not fit
  EXPECT_TRUE(parent.DeleteKey("alpha"));
  EXPECT_FALSE(parent.DeleteKey("Alpha"));
  parent.Close();
  EXPECT_FALSE(parent.IsOpen());
  EXPECT_FALSE(parent.DeleteKey("TarvelUsb"));
  EXPECT_FALSE(parent.WriteDword("x", 1));
}

TEST_F(RegistryKeyObject, TypedReadsWithDefaults) {
  RegistryKey key;
  ASSERT_TRUE(key.Open(Hive::CurrentUser, "Software\\Test", true));
  ASSERT_TRUE(key.WriteString("Text", "0123456789"));
  ASSERT_TRUE(key.WriteDword("Count", 42));
  auto raw = reg::QueryValue(Hive::CurrentUser, "Software\\Test", "Text");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->data.size(), 11u);  // with its terminator

  uint32_t v = 0;
  EXPECT_TRUE(key.ReadDword("count", v, 7));
  EXPECT_EQ(v, 42u);
  EXPECT_FALSE(key.ReadDword("Text", v, 7));  // a string is not a DWORD
  EXPECT_EQ(v, 7u);
  EXPECT_FALSE(key.ReadDword("Missing", v, 8));
  EXPECT_EQ(v, 8u);

  char buf[6];
  EXPECT_TRUE(key.ReadString("Text", buf, sizeof buf, "def"));
  EXPECT_STREQ(buf, "01234");  // size - 1 characters
  EXPECT_FALSE(key.ReadString("Count", buf, sizeof buf, "def"));
  EXPECT_STREQ(buf, "def");
  EXPECT_FALSE(key.ReadString("Missing", buf, sizeof buf, "a long default"));
  EXPECT_STREQ(buf, "a lon");  // last character forced to NUL
  key.Close();
  EXPECT_FALSE(key.ReadString("Text", buf, sizeof buf, "x"));
  EXPECT_STREQ(buf, "x");
  EXPECT_FALSE(key.ReadDword("Count", v, 9));
  EXPECT_EQ(v, 9u);
  EXPECT_FALSE(key.WriteString("Text", "y"));
}
