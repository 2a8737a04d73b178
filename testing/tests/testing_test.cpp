#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "testing/registry_folder.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace fs = std::filesystem;
using testsupport::RegistryFolder;
using testsupport::ScopedEnv;
using testsupport::TempFolder;

TEST(TempFolder, FreshFoldersAreDistinctAndRemovedWithTheirContents) {
  std::string kept;
  {
    TempFolder a, b;
    ASSERT_NE(a.path(), b.path());
    ASSERT_TRUE(fs::is_directory(a.path()));
    fs::create_directories(a / "sub/deeper");
    std::ofstream(a / "sub/deeper/file") << "x";
    // A name with a quote and a space must not escape the folder.
    std::ofstream(a / "it's here") << "y";
    kept = a.path();
  }
  EXPECT_FALSE(fs::exists(kept));
}

TEST(TempFolder, UnderAGivenParentOrNotAtAll) {
  TempFolder parent;
  {
    TempFolder child("child", parent.path());
    EXPECT_EQ(fs::path(child.path()).parent_path(), fs::path(parent.path()));
    EXPECT_EQ(fs::path(child.path()).filename().string().rfind("child.", 0), 0u);
  }
  EXPECT_TRUE(fs::is_empty(parent.path()));
  EXPECT_THROW(TempFolder("x", parent / "missing"), std::runtime_error);
}

TEST(RegistryFolder, SetsTheVariableAndRestoresWhatWasThere) {
  const char* before = std::getenv("VORNIX_REGISTRY_DIR");
  const std::string original = before ? before : "";
  setenv("VORNIX_REGISTRY_DIR", "/outer", 1);
  {
    RegistryFolder own;
    EXPECT_EQ(std::string(std::getenv("VORNIX_REGISTRY_DIR")), own.path());
    EXPECT_TRUE(fs::is_directory(own.path()));
    {
      RegistryFolder given("/given/reg");
      EXPECT_EQ(std::string(std::getenv("VORNIX_REGISTRY_DIR")), "/given/reg");
    }
    EXPECT_EQ(std::string(std::getenv("VORNIX_REGISTRY_DIR")), own.path());
  }
  EXPECT_EQ(std::string(std::getenv("VORNIX_REGISTRY_DIR")), "/outer");
  unsetenv("VORNIX_REGISTRY_DIR");
  { RegistryFolder own; }
  EXPECT_EQ(std::getenv("VORNIX_REGISTRY_DIR"), nullptr);
  if (before) setenv("VORNIX_REGISTRY_DIR", original.c_str(), 1);
}

TEST(ScopedEnv, SetsOrRemovesAndPutsBackWhatWasThere) {
  const char* name = "VORNIX_TESTING_SCOPED";
  unsetenv(name);
  {
    ScopedEnv set(name, "one");
    EXPECT_STREQ(std::getenv(name), "one");
    {
      ScopedEnv removed(name, std::nullopt);
      EXPECT_EQ(std::getenv(name), nullptr);
      ScopedEnv empty(name, "");
      EXPECT_STREQ(std::getenv(name), "");
    }
    EXPECT_STREQ(std::getenv(name), "one");
  }
  EXPECT_EQ(std::getenv(name), nullptr);
}
