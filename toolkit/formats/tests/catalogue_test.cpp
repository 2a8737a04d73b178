// The catalogue's integrity, as invariants over its tables.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "toolkit/formats/catalogue/catalogue.h"
#include "toolkit/formats/mwformats_api.h"
#include "toolkit/formats/texts/default_texts.h"

using namespace mwff;

TEST(Catalogue, RowsReferToValidTextsAndExtensionsMarkSubFormats) {
  std::set<int32_t> names;
  for (int32_t row = 0; row < kSaveRowCount; ++row) {
    const FFSaveRow& r = kSaveRows[row];
    EXPECT_TRUE(names.insert(r.name_index).second) << "name index used twice: row " << row;
    EXPECT_GE(r.name_index, 0);
    EXPECT_LT(r.name_index, kSaveNameCount);
    // -1 exactly on the rows with sub-formats
    EXPECT_EQ(r.extension_index == -1, r.sub_format_count > 0) << row;
    EXPECT_EQ(r.sub_formats != nullptr, r.sub_format_count > 0) << row;
    if (r.extension_index != -1) {
      EXPECT_LT(r.extension_index, kExtensionCount) << row;
    }
    EXPECT_EQ(r.bits_per_pixel == 0, std::string(kDefaultSaveNames[r.name_index]) == "RAW data") << row;
    EXPECT_LE(r.sub_format_count, 31) << row;  // flags name entries by bit
    for (int32_t i = 0; i < r.sub_format_count; ++i) {
      const FFSaveSubFormat& e = r.sub_formats[i];
      EXPECT_GE(e.name_index, 0);
      EXPECT_LT(e.name_index, kSubFormatNameCount);
      EXPECT_GE(e.extension_index, 0);
      EXPECT_LT(e.extension_index, kExtensionCount);
    }
  }
}

TEST(Catalogue, EveryFormatIdHasOneInfoPair) {
  std::set<int32_t> ids, descriptions;
  int pairs = 0;
  for (const FFInfoEntry* e = kInfoTable; e->description_index != -1; ++e, ++pairs) {
    EXPECT_TRUE(ids.insert(e->format_id).second) << "info id twice: " << e->format_id;
    EXPECT_TRUE(descriptions.insert(e->description_index).second) << "description twice: " << e->description_index;
    EXPECT_GE(e->format_id, 1);
    EXPECT_LE(e->format_id, 291);
    EXPECT_GE(e->description_index, 0);
    EXPECT_LT(e->description_index, kDescriptionCount);
  }
  EXPECT_EQ(pairs, kInfoPairCount);
  EXPECT_EQ(kInfoTable[kInfoPairCount].format_id, 0);
  for (int32_t row = 0; row < kSaveRowCount; ++row) {
    const FFSaveRow& r = kSaveRows[row];
    EXPECT_EQ(ids.count(r.format_id), 1u) << "row " << row << " id " << r.format_id;
    for (int32_t i = 0; i < r.sub_format_count; ++i) {
      EXPECT_EQ(ids.count(r.sub_formats[i].format_id), 1u) << "row " << row << " entry " << i;
    }
  }
}

TEST(Catalogue, EveryDefaultTextIsGiven) {
  const std::pair<const char* const*, int> tables[] = {{kDefaultSaveNames, kSaveNameCount},
                                                       {kDefaultSubFormatNames, kSubFormatNameCount},
                                                       {kDefaultExtensions, kExtensionCount},
                                                       {kDefaultDescriptions, kDescriptionCount}};
  for (auto [texts, count] : tables) {
    for (int i = 0; i < count; ++i) EXPECT_STRNE(texts[i], "") << i;
  }
}
