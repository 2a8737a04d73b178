// Every export of libTarvel.so keeps its fixed ordinal: callers bind by
// ordinal, so a name listed under another number breaks them.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

const std::map<int, std::string>& Ordinals() {
  static const std::map<int, std::string> table = {
      {1, "Aktivate_Scanner"},
      {2, "Close_Scanner"},
      {3, "Deaktivate_Scanner"},
      {4, "Get_LightStatus"},
      {5, "Run_Beltdrive"},
      {6, "Get_DriverVersion"},
      {7, "Get_Prescanline"},
      {8, "Set_ImageFilterMode"},
      {9, "Get_ImageInfo"},
      {10, "Get_ImageName"},
      {11, "HALTIC_Mode"},
      {12, "Get_IniFileName"},
      {13, "Get_ImageExtraHeader"},
      {14, "Read_DiskImage"},
      {15, "Get_Paramcount"},
      {16, "Write_DiskImageEx"},
      {17, "Delete_Image"},
      {18, "Get_Serialnumber"},
      {19, "Get_Status"},
      {20, "Get_FirstOldImageName"},
      {21, "Open_Scanner"},
      {22, "Get_NextOldImageName"},
      {23, "Get_ImageValue"},
      {24, "Opt_ImageGreyscale"},
      {25, "Set_ImageExtraHeader"},
      {26, "Invert_Image"},
      {27, "Set_Prescanmode"},
      {28, "Make_CalibFile"},
      {29, "_Anz_ScanLine@0"},
      {30, "Filter_Image"},
      {31, "_ClearReadBlock@0"},
      {32, "Clear_NormalizationData"},
      {33, "Convert_Image16_8"},
      {34, "Convert_Image8_16"},
      {35, "Set_IniFileName"},
      {36, "Get_Paramname"},
      {37, "_Free_Interface@0"},
      {38, "_GetFGPAStatus@4"},
      {39, "_GetLastTarvelError@4"},
      {40, "_GetScanStatus@4"},
      {41, "_GetUsbTimeout@0"},
      {42, "_GetTarvelErrorText@12"},
      {43, "_GetTarvelVersion@16"},
      {44, "Get_ImageType"},
      {45, "Get_FilterType"},
      {46, "Get_FilterName"},
      {47, "_I2C_ADCread@8"},
      {48, "_I2C_DACout@8"},
      {49, "_I2C_LargePROMrd@16"},
      {50, "_I2C_LargePROMwr@16"},
      {51, "_I2C_PROM_read@16"},
      {52, "_I2C_PROM_write@16"},
      {53, "_I2C_TEMPinit@8"},
      {54, "_I2C_TEMPread@4"},
      {55, "_Init_Firmware@4"},
      {56, "_Init_Interface@0"},
      {57, "_Pentamotor_init@4"},
      {58, "_ReadBlock@12"},
      {59, "Read_NormalizationData"},
      {60, "_RegRead@4"},
      {61, "_RegReadLong@4"},
      {62, "_RegReadLongInc@4"},
      {63, "_RegReadShort@4"},
      {64, "_RegReadShortInc@4"},
      {65, "_RegWrite@8"},
      {66, "_RegWriteBlock@12"},
      {67, "_RegWriteLong@8"},
      {68, "_RegWriteLongInc@8"},
      {69, "_RegWriteShort@8"},
      {70, "_RegWriteShortInc@8"},
      {71, "_SetTraceMask@4"},
      {72, "_SetUsbTimeout@4"},
      {73, "Ext_ScannerCTRL"},
      {74, "Check_Imo"},
      {75, "Write_NormalizationData"},
  };
  return table;
}

}  // namespace

TEST(ExportOrdinals, EveryListedExportHasItsFixedOrdinal) {
  ASSERT_EQ(Ordinals().size(), 75u);
  std::set<std::string> names;
  for (const auto& [ordinal, name] : Ordinals()) names.insert(name);
  ASSERT_EQ(names.size(), 75u);

  std::ifstream list(std::string(VORNIX_SOURCE_DIR) + "/driver/Tarvel.exports");
  ASSERT_TRUE(list.is_open());
  std::string line;
  int listed = 0;
  while (std::getline(list, line)) {
    line = line.substr(0, line.find('#'));
    std::istringstream fields(line);
    int ordinal = 0, args = 0;
    std::string name;
    if (!(fields >> ordinal)) continue;
    ASSERT_TRUE(fields >> name >> args) << line;
    ++listed;
    auto it = Ordinals().find(ordinal);
    ASSERT_NE(it, Ordinals().end()) << "ordinal " << ordinal << " of " << name << " is outside 1..75";
    EXPECT_EQ(it->second, name) << "ordinal " << ordinal;
  }
  EXPECT_GT(listed, 0);
}
