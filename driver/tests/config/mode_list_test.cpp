#include "driver/config/mode_list.h"

#include "driver/tarvel_api.h"
#include "driver/tests/config/config_fixture.h"

#include <cstring>

using namespace tarvel;

namespace {
// Modes 1..n; each entry is the `ImgTypes` of a named mode "M<i>", "?" for a
// named mode without `ImgTypes`, "" for a mode without a name.
std::string ModesIni(const std::vector<std::string>& kinds) {
  std::string ini;
  for (size_t i = 0; i < kinds.size(); ++i) {
    ini += "[Param_#" + std::to_string(i + 1) + "]\n";
    if (kinds[i].empty()) {
      ini += "ParamName=\n";
      continue;
    }
    ini += "ParamName=M" + std::to_string(i + 1) + "\n";
    if (kinds[i] != "?") ini += "ImgTypes=" + kinds[i] + "\n";
  }
  return ini;
}

std::string Name(int mode, int* result) {
  char buf[256];
  std::memset(buf, 'x', sizeof buf);
  *result = Get_Paramname(buf, mode);
  return buf;
}
}  // namespace

using ModeList = ConfigTest;

TEST_F(ModeList, ExamplesOfTheScanModeList) {
  int r;
  WriteIni(ModesIni({"Intra", "Intra", "Ceph", "Erase"}));
  SetScannerType(13);
  EXPECT_EQ(Get_Paramcount(), 3);
  EXPECT_EQ(Name(3, &r), "M4");
  EXPECT_EQ(r, 0);
  EXPECT_EQ(Name(2, &r), "M2");
  EXPECT_EQ(Name(4, &r), "");
  EXPECT_EQ(r, -2);

  WriteIni(ModesIni({"Intra", "Erase", "Intra"}));
  SetScannerType(6);
  EXPECT_EQ(Get_Paramcount(), 1);
  Name(2, &r);
  EXPECT_EQ(r, -2);

  WriteIni(ModesIni({"Intra", "Ceph", "Erase", "?", "Normal"}));
  SetScannerType(3);
  EXPECT_EQ(Get_Paramcount(), 5);
  EXPECT_EQ(Name(5, &r), "M5");
}

TEST_F(ModeList, NoIniFile) {
  SetScannerType(3);
  EXPECT_EQ(Get_Paramcount(), 0);
  int r;
  EXPECT_EQ(Name(1, &r), "");
  EXPECT_EQ(r, -2);
  EXPECT_EQ(Get_Paramname(nullptr, 1), -102);
}

TEST_F(ModeList, CountsByScannerType) {
  struct Case {
    std::vector<std::string> modes;
    int type5, types12to14, every_mode, others;
  } cases[] = {
      {{"Intra", "Intra", "Ceph", "Erase", "Intra"}, 2, 3, 5, 3},
      {{"Intra", "Ceph", "Intra"}, 1, 1, 3, 3},  // no erase mode follows
      {{"Intra", "?", "Erase"}, 1, 2, 3, 2},  // no ImgTypes: not an erase mode
      {{"intra", "ERASE"}, 1, 2, 2, 1},  // compared without case
      {{"Intra", "", "Intra", "Erase"}, 1, 1, 1, 1},  // an empty name ends the list
      {{"Erase", "Intra"}, 0, 1, 2, 0},
      {{}, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    WriteIni(ModesIni(c.modes));
    for (int type = 0; type <= 19; ++type) {
      SetScannerType(type);
      int want = type == 5                                                ? c.type5
                 : (type >= 12 && type <= 14)                             ? c.types12to14
                 : (type == 3 || type == 4 || (type >= 15 && type <= 17)) ? c.every_mode
                                                                          : c.others;
      EXPECT_EQ(Get_Paramcount(), want) << "type " << type << ", modes " << c.modes.size();
    }
  }
}

TEST_F(ModeList, NamesOnErasingScannersPointToTheNextEraseMode) {
  int r;
  WriteIni(ModesIni({"Intra", "Ceph", "?", "Erase"}));
  SetScannerType(12);
  EXPECT_EQ(Get_Paramcount(), 2);
  EXPECT_EQ(Name(1, &r), "M1");
  EXPECT_EQ(Name(2, &r), "M4");
  EXPECT_EQ(r, 0);
  Name(0, &r);
  EXPECT_EQ(r, -2);
  SetScannerType(8);  // other types name the mode itself
  EXPECT_EQ(Get_Paramcount(), 3);
  EXPECT_EQ(Name(2, &r), "M2");
  std::string ini = "[Param_#1]\nParamName=" + std::string(300, 'n') + "\n";
  WriteIni(ini);
  EXPECT_EQ(Name(1, &r), std::string(255, 'n'));
  EXPECT_EQ(r, 0);
}
