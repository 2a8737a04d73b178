// The whole catalogue through libmwformats.so, field by field, against the
// tables kept in data/: save rows, sub-format lists, info pairs, extensions.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "toolkit/common/tests/data_table.h"
#include "toolkit/formats/mwformats_api.h"
#include "toolkit/formats/tests/format_texts.h"

using namespace fftest;
using mwtest::DataRow;
using mwtest::ReadDataTable;
using Fields = std::vector<int32_t>;

namespace {

Fields Of(const FFSaveData& d) {
  return {d.size, d.row, d.name_index, d.format_id, d.bits_per_pixel, d.extension_index, d.sub_format_count, d.flags};
}
Fields Of(const FFSaveSubData& d) {
  return {d.size, d.sub_format_flag, d.name_index, d.extension_index, d.format_id, d.flags};
}
Fields Of(const FFInfoEntry& e) { return {e.format_id, e.description_index}; }

struct SubFormat {
  Fields record;  // as FFSaveSubData holds it
  std::string name;
};

// List number -> its entries in list order.
std::map<int, std::vector<SubFormat>> Lists() {
  std::map<int, std::vector<SubFormat>> lists;
  for (const DataRow& r : ReadDataTable("formats/tests/data/sub_format_lists.tsv", 6)) {
    auto& list = lists[r.number(0)];
    const int32_t flag = int32_t(1) << list.size();
    list.push_back({{24, flag, r.number(1), r.number(4), r.number(3), r.number(5)}, r.text(2)});
  }
  return lists;
}

struct SaveRow {
  Fields record;  // as FFSaveData holds it
  std::string name;
  int list;  // 0: none
};

std::vector<SaveRow> SaveRows(const std::map<int, std::vector<SubFormat>>& lists) {
  std::vector<SaveRow> rows;
  for (const DataRow& r : ReadDataTable("formats/tests/data/save_rows.tsv", 8)) {
    const int list = r.number(6);
    const int32_t count = list ? static_cast<int32_t>(lists.at(list).size()) : 0;
    rows.push_back({{32, r.number(0), r.number(1), r.number(3), r.number(4), r.number(5), count, r.number(7)},
                    r.text(2),
                    list});
  }
  return rows;
}

// The records a position walk gives, from 0 to the end marker -1.
template <class Record, class Next>
std::vector<Fields> ByPosition(Next next, size_t most) {
  std::vector<Fields> out;
  int32_t pos = 0;
  Record d{};
  while (pos != -1 && out.size() <= most) {
    if (next(&d, &pos) != 1) {
      ADD_FAILURE() << "walk stopped at position " << pos;
      break;
    }
    out.push_back(Of(d));
  }
  return out;
}

std::vector<Fields>* g_records;
template <class Record>
int Collect(Record* record, int32_t user) {
  g_records->push_back(Of(*record));
  return user;
}

}  // namespace

TEST(CatalogueTables, TheTablesHoldTheWholeCatalogue) {
  const auto lists = Lists();
  EXPECT_EQ(lists.size(), 37u);
  size_t entries = 0;
  for (const auto& [number, list] : lists) entries += list.size();
  EXPECT_EQ(entries, 149u);
  EXPECT_EQ(SaveRows(lists).size(), 165u);
  EXPECT_EQ(ReadDataTable("formats/tests/data/info_pairs.tsv", 2).size(), 158u);
  EXPECT_EQ(ReadDataTable("formats/tests/data/extensions.tsv", 2).size(), 61u);
}

TEST(CatalogueTables, Extensions) {
  const auto extensions = ReadDataTable("formats/tests/data/extensions.tsv", 2);
  for (const DataRow& e : extensions) EXPECT_EQ(Extension(e.number(0)), e.text(1)) << "extension " << e.number(0);
  int32_t n;
  EXPECT_EQ(M_FFGetSaveExtStringLen(static_cast<uint32_t>(extensions.size()), &n), -13);
}

TEST(CatalogueTables, SaveRowsByIndexPositionAndCallback) {
  const auto rows = SaveRows(Lists());
  const auto by_position = ByPosition<FFSaveData>(M_FFGetNextSave, rows.size());
  std::vector<Fields> by_callback;
  FFSaveData d{};
  g_records = &by_callback;
  EXPECT_EQ(M_FFEnumSaveCallBack(Collect<FFSaveData>, 1), 1);
  ASSERT_EQ(by_position.size(), rows.size());
  ASSERT_EQ(by_callback.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const SaveRow& row = rows[i];
    ASSERT_EQ(M_FFGetSaveData(static_cast<int32_t>(i), &d), 1);
    EXPECT_EQ(Of(d), row.record) << "row " << i << " (" << row.name << ")";
    EXPECT_EQ(by_position[i], row.record) << "row " << i << " by position";
    EXPECT_EQ(by_callback[i], row.record) << "row " << i << " by callback";
    EXPECT_EQ(SaveName(row.record[2]), row.name) << "row " << i;
  }
  EXPECT_EQ(M_FFGetSaveData(static_cast<int32_t>(rows.size()), &d), -13);
}

TEST(CatalogueTables, SubFormatsOfEveryRowByFlagPositionAndCallback) {
  const auto lists = Lists();
  const auto rows = SaveRows(lists);
  for (const SaveRow& row : rows) {
    const int32_t r = row.record[1];
    if (!row.list) {
      FFSaveSubData d{};
      EXPECT_EQ(M_FFGetSaveSubData(r, 1, &d), -916) << "row " << r;
      continue;
    }
    const auto& list = lists.at(row.list);
    const auto by_position = ByPosition<FFSaveSubData>(
        [r](FFSaveSubData* d, int32_t* pos) { return M_FFGetNextSaveSub(r, d, pos); }, list.size());
    std::vector<Fields> by_callback;
    FFSaveSubData d{};
    g_records = &by_callback;
    EXPECT_EQ(M_FFEnumSaveSubCallBack(r, Collect<FFSaveSubData>, 1), 1);
    ASSERT_EQ(by_position.size(), list.size()) << "row " << r;
    ASSERT_EQ(by_callback.size(), list.size()) << "row " << r;
    for (size_t i = 0; i < list.size(); ++i) {
      const SubFormat& e = list[i];
      ASSERT_EQ(M_FFGetSaveSubData(r, e.record[1], &d), 1);
      EXPECT_EQ(Of(d), e.record) << "row " << r << " entry " << i << " (" << e.name << ")";
      EXPECT_EQ(by_position[i], e.record) << "row " << r << " entry " << i << " by position";
      EXPECT_EQ(by_callback[i], e.record) << "row " << r << " entry " << i << " by callback";
      EXPECT_EQ(SubName(e.record[2]), e.name) << "row " << r << " entry " << i;
    }
  }
}

TEST(CatalogueTables, InfoPairsInTableOrder) {
  std::vector<Fields> pairs;
  for (const DataRow& p : ReadDataTable("formats/tests/data/info_pairs.tsv", 2)) {
    pairs.push_back({p.number(0), p.number(1)});
  }
  const auto by_position = ByPosition<FFInfoEntry>(M_FFGetNextInfo, pairs.size());
  std::vector<Fields> by_callback;
  g_records = &by_callback;
  EXPECT_EQ(M_FFEnumInfoCallBack(Collect<FFInfoEntry>, 1), 1);
  EXPECT_EQ(by_position, pairs);
  EXPECT_EQ(by_callback, pairs);
  std::set<int32_t> ids;
  for (const Fields& p : pairs) {
    int32_t index = -5;
    EXPECT_EQ(M_FFGetInfoDescStringID(p[0], &index), 1) << "id " << p[0];
    EXPECT_EQ(index, p[1]) << "id " << p[0];
    ids.insert(p[0]);
  }
  for (int32_t id = 1; id <= 291; ++id) {
    int32_t index = -5;
    if (!ids.count(id)) {
      EXPECT_EQ(M_FFGetInfoDescStringID(id, &index), -13) << "id " << id << " has no pair";
    }
  }
}

TEST(CatalogueTables, EveryDescriptionNamesItsOwnFormat) {
  std::map<std::string, uint32_t> seen;
  for (uint32_t i = 0; i < 169; ++i) {
    const std::string text = Description(i);
    EXPECT_FALSE(text.empty()) << i;
    const auto [it, fresh] = seen.emplace(text, i);
    EXPECT_TRUE(fresh) << "descriptions " << it->second << " and " << i << " both read \"" << text << "\"";
  }
}
