#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "testing/registry_folder.h"
#include "testing/temp_folder.h"

namespace fs = std::filesystem;
using testsupport::RegistryFolder;
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
