// The colour-name table row by row against data/color_names.tsv (exact
// names, order and values), and against the X Window System colour database
// (rgb.txt, package x11-common) and its own override rows.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "testing/oracle.h"
#include "toolkit/common/tests/data_table.h"
#include "toolkit/dialogs/names/color_names.h"

namespace {

std::string Key(const std::string& name) {
  std::string k;
  for (char c : name) {
    if (c != ' ') k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return k;
}

// Name (blanks removed, lower case) -> 0x00BBGGRR, the first entry of a name.
std::map<std::string, uint32_t> ReadRgbTxt(bool* found) {
  std::map<std::string, uint32_t> db;
  *found = false;
  for (const char* path : {"/etc/X11/rgb.txt", "/usr/share/X11/rgb.txt"}) {
    std::ifstream in(path);
    if (!in) continue;
    *found = true;
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream l(line);
      int r, g, b;
      if (!(l >> r >> g >> b)) continue;
      std::string name, word;
      while (l >> word) name += word;
      db.emplace(Key(name), uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16);
    }
    break;
  }
  return db;
}

uint32_t Rgb(int r, int g, int b) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16; }

// Rows whose value is the table's own.
const std::map<int, std::pair<const char*, uint32_t>> kOverrides = {
    {16, {"Beet", Rgb(142, 56, 142)}},
    {31, {"Bright Gray", Rgb(197, 193, 170)}},
    {47, {"Chartreuse", Rgb(113, 198, 113)}},
    {68, {"Crimson", Rgb(220, 20, 60)}},
    {81, {"Dark Gray", Rgb(85, 85, 85)}},
    {163, {"Gray12", Rgb(30, 30, 30)}},
    {183, {"Gray32", Rgb(81, 81, 81)}},
    {187, {"Gray36", Rgb(91, 91, 91)}},
    {203, {"Gray52", Rgb(132, 132, 132)}},
    {207, {"Gray56", Rgb(142, 142, 142)}},
    {223, {"Gray72", Rgb(183, 183, 183)}},
    {227, {"Gray76", Rgb(193, 193, 193)}},
    {243, {"Gray92", Rgb(234, 234, 234)}},
    {247, {"Gray96", Rgb(244, 244, 244)}},
    {273, {"Indigo", Rgb(75, 0, 130)}},
    {274, {"Indigo2", Rgb(33, 136, 104)}},
    {297, {"Light Blue", Rgb(125, 158, 192)}},
    {314, {"Light Gray", Rgb(170, 170, 170)}},
    {358, {"Medium Gray", Rgb(132, 132, 132)}},
    {465, {"Salmon", Rgb(198, 113, 113)}},
    {521, {"Teal", Rgb(56, 142, 142)}},
    {537, {"Very Dark Gray", Rgb(40, 40, 40)}},
    {538, {"Very Light Gray", Rgb(214, 214, 214)}},
};

}  // namespace

TEST(ColorNames, EveryRowAsTheDataHoldsIt) {
  const auto rows = mwtest::ReadDataTable("dialogs/tests/data/color_names.tsv", 5);
  ASSERT_EQ(rows.size(), 558u);
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& row = mwdlg::kDlgColorNameTable[i];
    ASSERT_EQ(rows[i].number(0), int(i));
    ASSERT_NE(row.name, nullptr) << i;
    EXPECT_EQ(std::string(row.name), rows[i].text(1)) << "row " << i;
    EXPECT_EQ(row.value, Rgb(rows[i].number(2), rows[i].number(3), rows[i].number(4))) << "row " << i << " " << row.name;
  }
  EXPECT_EQ(mwdlg::kDlgColorNameTable[558].name, nullptr);
  EXPECT_EQ(mwdlg::kDlgColorNameTable[558].value, 0u);
}

TEST(ColorNames, ValuesAreTheDatabasesOrTheOverrides) {
  bool found = false;
  auto db = ReadRgbTxt(&found);
  REQUIRE_ORACLE(found, "rgb.txt (x11-common)");
  using mwdlg::kDlgColorNameTable;
  ASSERT_EQ(mwdlg::kColorNameRows, 559u);
  EXPECT_EQ(kDlgColorNameTable[558].name, nullptr);
  EXPECT_EQ(kDlgColorNameTable[558].value, 0u);
  EXPECT_STREQ(kDlgColorNameTable[0].name, "Alice Blue");
  EXPECT_STREQ(kDlgColorNameTable[557].name, "Yellow Green");
  for (int i = 0; i < 558; ++i) {
    const auto& row = kDlgColorNameTable[i];
    ASSERT_NE(row.name, nullptr) << i;
    EXPECT_EQ(row.value >> 24, 0u) << row.name;
    if (auto o = kOverrides.find(i); o != kOverrides.end()) {
      EXPECT_STREQ(row.name, o->second.first) << i;
      EXPECT_EQ(row.value, o->second.second) << row.name;
      continue;
    }
    auto it = db.find(Key(row.name));
    ASSERT_NE(it, db.end()) << row.name << " is not in rgb.txt";
    EXPECT_EQ(row.value, it->second) << row.name;
  }
}

TEST(ColorNames, LookupGivesTheFirstRowOfAValue) {
  std::set<uint32_t> seen;
  int shadowed = 0;
  for (size_t i = 0; i < 558; ++i) {
    const auto& row = mwdlg::kDlgColorNameTable[i];
    const char* found = mwdlg::FindColorName(row.value);
    ASSERT_NE(found, nullptr);
    if (!seen.insert(row.value).second) {
      ++shadowed;
      EXPECT_STRNE(found, row.name);
    } else {
      EXPECT_STREQ(found, row.name);
    }
  }
  EXPECT_EQ(shadowed, 47);
  EXPECT_STREQ(mwdlg::FindColorName(0), "Black");
  EXPECT_EQ(mwdlg::FindColorName(0x01000000), nullptr);
}
