#pragma once
// A library folder of its own for each test: the module path points at
// <tmp>/bin/libTarvel.so, the registry store lives in <tmp>/reg, and the
// library session's scanner type is set as its probe would.
#include <gtest/gtest.h>

#include "driver/api/library.h"
#include "driver/config/scanner_type.h"
#include "driver/tests/config/library_folder.h"
#include "testing/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <string>

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { SetScannerType(tarvel::kScannerTypeUndefined); }
  void TearDown() override { SetScannerType(tarvel::kScannerTypeUndefined); }
  static void SetScannerType(int type) { tarvel::Library().session.scanner_type = type; }
  std::string bin() const { return library_.bin(); }
  // Writes the ini file beside the library.
  std::string WriteIni(const std::string& text, const std::string& name = "Tarvel.ini") {
    std::string path = bin() + "/" + name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    return path;
  }
  testsupport::TempFolder tmp_;
  configtest::LibraryFolder library_{tmp_.path()};
};
