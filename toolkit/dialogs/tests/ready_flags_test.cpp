// The ready flags of the colour engine by model mask, against
// data/ready_flags.tsv: which mask bit a flag follows, which pictures its
// model loads and which conversion pair it makes.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "toolkit/common/tests/data_table.h"
#include "toolkit/dialogs/colour/color_facade.h"
#include "toolkit/dialogs/colour/entry_points.h"
#include "toolkit/outside/system/modules.h"
#include "toolkit/outside/system/standin_control.h"

using namespace mwdlg;

namespace {

// Query order, as the data lists the flags.
constexpr Ready kFlags[] = {Ready::kRgb,      Ready::kCmy,           Ready::kCmyk, Ready::kHsbHue,
                            Ready::kHsbWheel, Ready::kHsbBrightness, Ready::kHls,  Ready::kLab};

struct Flag {
  std::string model;
  int32_t mask;
  int picture;  // -1: none
  int pair;  // colour-space code, -1: none
};

std::vector<Flag> Flags() {
  std::vector<Flag> flags;
  for (const mwtest::DataRow& r : mwtest::ReadDataTable("dialogs/tests/data/ready_flags.tsv", 4)) {
    flags.push_back({r.text(0), static_cast<int32_t>(std::stoi(r.text(1), nullptr, 16)), r.number(2), r.number(3)});
  }
  EXPECT_EQ(flags.size(), 8u);
  return flags;
}

struct Started {
  int ready = 0;  // bit i: flag i of the query order
  std::set<int> pictures;  // indices held in both rows
  std::set<int> pictures_in_one_row;
  std::set<int> pairs;  // colour-space codes of the pairs made
};

// Starts a facade with the mask and reads back what it made.
Started Start(int32_t mask) {
  ClrEntryNames names;
  DlgColorFacade facade;
  mwsys::ClearRecordedCalls();
  mwsys::SetRecording(true);
  const DlgInitParams params{16, 1, mask, 0};
  EXPECT_EQ(facade.Init(&params), 1) << std::hex << mask;
  mwsys::SetRecording(false);
  Started s;
  for (int i = 0; i < 8; ++i) s.ready |= facade.IsReady(kFlags[i]) << i;
  for (int i = 0; i < kPicturesPerRow; ++i) {
    const bool dialog = !facade.engine().picture(PictureRow::kColorDialog, i).IsEmpty();
    const bool palette = !facade.engine().picture(PictureRow::kCustomizePalette, i).IsEmpty();
    if (dialog && palette) s.pictures.insert(i);
    if (dialog != palette) s.pictures_in_one_row.insert(i);
  }
  for (const std::string& call : mwsys::RecordedCalls()) {
    int source, target;
    if (std::sscanf(call.c_str(), "mwcolor.M_ClrInit(%d,%d)", &source, &target) == 2) {
      s.pairs.insert(source ? source : target);
    }
  }
  EXPECT_EQ(facade.Free(), 1);
  EXPECT_FALSE(mwsys::IsLoaded("mwcolor.DLL"));
  return s;
}

}  // namespace

TEST(ReadyFlags, EachMaskBitMakesItsModelAlone) {
  const auto flags = Flags();
  for (size_t i = 0; i < flags.size(); ++i) {
    const Flag& f = flags[i];
    const Started s = Start(f.mask);
    EXPECT_EQ(s.ready, 1 << i) << f.model;
    EXPECT_EQ(s.pictures, (f.picture < 0 ? std::set<int>{} : std::set<int>{f.picture})) << f.model;
    EXPECT_TRUE(s.pictures_in_one_row.empty()) << f.model;
    std::set<int> pairs{3};  // the HSB pair is always made
    if (f.pair >= 0) pairs.insert(f.pair);
    EXPECT_EQ(s.pairs, pairs) << f.model;
  }
}

TEST(ReadyFlags, EveryOtherMaskBitLeavesTheFlagDown) {
  const auto flags = Flags();
  for (size_t i = 0; i < flags.size(); ++i) {
    const Started s = Start(0xFF & ~flags[i].mask);
    EXPECT_EQ(s.ready, 0xFF & ~(1 << i)) << flags[i].model;
  }
  EXPECT_EQ(Start(0).ready, 0);
  EXPECT_EQ(Start(0).pairs, std::set<int>{3});
}
