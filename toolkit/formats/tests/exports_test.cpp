// The catalogue's exports: texts, save rows, sub-formats, descriptions and
// their enumerations.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "toolkit/formats/mwformats_api.h"
#include "toolkit/formats/tests/format_texts.h"

using namespace fftest;

TEST(FormatTexts, DefaultsAndBounds) {
  EXPECT_EQ(SaveName(0), "Morwen 24-bit");
  EXPECT_EQ(SaveName(156), "RAW data");
  EXPECT_EQ(SubName(8), "Lossless JPEG");
  EXPECT_EQ(Extension(0), "cmp");
  EXPECT_EQ(Extension(60), "tifx");
  EXPECT_EQ(Description(0), "PC Paint Brush / ZSoft Paintbrush PCX and DCX");
  EXPECT_EQ(Description(1), "CompuServe Graphics Interchange Format");
  EXPECT_EQ(Description(2), "Tagged fennic Format-Uncompressed RGB");
  for (const TextOps& t : kTables) {
    for (uint32_t i = 0; i < t.count; ++i) EXPECT_FALSE(Text(t, i).empty()) << t.what << " " << i;
    int32_t n = 5;
    char buf[4] = "abc";
    for (uint32_t bad : {t.count, 0xFFFFFFFFu}) {
      EXPECT_EQ(t.len(bad, &n), -13) << t.what;
      EXPECT_EQ(t.set(bad, "x"), -13) << t.what;
      EXPECT_EQ(t.get(bad, buf), -13) << t.what;
    }
    EXPECT_EQ(t.len(0, nullptr), -13);
    EXPECT_EQ(t.set(0, nullptr), -13);
    EXPECT_EQ(t.get(0, nullptr), -13);
    EXPECT_EQ(n, 5);
    EXPECT_STREQ(buf, "abc");
  }
}

TEST(FormatTexts, SetReplacesAndEmpties) {
  for (const TextOps& t : kTables) {
    const uint32_t last = t.count - 1;
    const std::string old = Text(t, last);
    ASSERT_EQ(t.set(last, "replaced"), 1);
    EXPECT_EQ(Text(t, last), "replaced");
    char exact[10];
    std::memset(exact, '#', sizeof exact);
    ASSERT_EQ(t.get(last, exact), 1);
    EXPECT_EQ(exact[8], '\0');
    EXPECT_EQ(exact[9], '#');  // length + 1 bytes written
    ASSERT_EQ(t.set(last, ""), 1);
    int32_t n = -1;
    ASSERT_EQ(t.len(last, &n), 1);
    EXPECT_EQ(n, 0);
    ASSERT_EQ(t.get(last, exact), 1);
    EXPECT_EQ(exact[0], '\0');
    ASSERT_EQ(t.set(last, old.c_str()), 1);
  }
}

TEST(SaveRows, RecordsOfRows) {
  FFSaveData d{};
  ASSERT_EQ(M_FFGetSaveData(0, &d), 1);
  EXPECT_EQ(d.size, 32);
  EXPECT_EQ(d.row, 0);
  EXPECT_EQ(SaveName(d.name_index), "Morwen 1-bit");
  EXPECT_EQ(d.format_id, 26);
  EXPECT_EQ(d.bits_per_pixel, 1);
  EXPECT_EQ(Extension(d.extension_index), "cmp");
  EXPECT_EQ(d.sub_format_count, 0);
  ASSERT_EQ(M_FFGetSaveData(111, &d), 1);
  EXPECT_EQ(SaveName(d.name_index), "RAW data");
  EXPECT_EQ(d.bits_per_pixel, 0);
  EXPECT_EQ(Extension(d.extension_index), "raw");
  ASSERT_EQ(M_FFGetSaveData(6, &d), 1);
  EXPECT_EQ(SaveName(d.name_index), "JPEG 24-bit");
  EXPECT_EQ(d.extension_index, -1);
  EXPECT_EQ(d.sub_format_count, 10);
  EXPECT_EQ(d.flags, 10);
  for (int32_t bad : {-1, 165}) EXPECT_EQ(M_FFGetSaveData(bad, &d), -13);
  EXPECT_EQ(M_FFGetSaveData(0, nullptr), -13);
}

TEST(SaveRows, PositionsRunToTheEndMarker) {
  int32_t pos = 9;
  ASSERT_EQ(M_FFGetFirstSavePos(&pos), 1);
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(M_FFGetFirstSavePos(nullptr), -13);
  FFSaveData d{};
  std::vector<int32_t> rows;
  while (pos != -1 && rows.size() < 200) {
    ASSERT_EQ(M_FFGetNextSave(&d, &pos), 1);
    rows.push_back(d.row);
  }
  ASSERT_EQ(rows.size(), 165u);
  for (int32_t i = 0; i < 165; ++i) EXPECT_EQ(rows[i], i);
  pos = 164;
  ASSERT_EQ(M_FFGetNextSave(&d, &pos), 1);
  EXPECT_EQ(d.row, 164);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(M_FFGetNextSave(&d, &pos), -13);
  pos = 165;
  EXPECT_EQ(M_FFGetNextSave(&d, &pos), -13);
  EXPECT_EQ(M_FFGetNextSave(nullptr, &pos), -13);
  EXPECT_EQ(M_FFGetNextSave(&d, nullptr), -13);
}

namespace {
std::vector<int32_t> g_seen;
int StopAt(FFSaveData* d, int32_t user) {
  g_seen.push_back(d->row);
  EXPECT_EQ(d->size, 32);
  return d->row == user / 100 ? user % 100 : 1;
}
int SubStopAt(FFSaveSubData* d, int32_t user) {
  g_seen.push_back(d->sub_format_flag);
  EXPECT_EQ(d->size, 24);
  return g_seen.size() == size_t(user / 100) ? user % 100 : 1;
}
int InfoStopAt(FFInfoEntry* e, int32_t user) {
  g_seen.push_back(e->format_id);
  return g_seen.size() == size_t(user / 100) ? user % 100 : 1;
}
}  // namespace

TEST(SaveRows, EnumerationEndsWithTheCallbacksValue) {
  struct Case {
    int32_t user;  // stop row x 100 + value returned there
    int result;
    size_t calls;
  } cases[] = {{0, 0, 1}, {307, 7, 4}, {99999, 1, 165}, {16401, 1, 165}};
  for (const Case& c : cases) {
    g_seen.clear();
    EXPECT_EQ(M_FFEnumSaveCallBack(StopAt, c.user), c.result) << c.user;
    EXPECT_EQ(g_seen.size(), c.calls) << c.user;
  }
  EXPECT_EQ(M_FFEnumSaveCallBack(nullptr, 0), -13);
}

TEST(SubFormats, RecordOfAFlag) {
  FFSaveSubData d{};
  ASSERT_EQ(M_FFGetSaveSubData(6, 6, &d), 1);  // lowest bit below the count: entry 1
  EXPECT_EQ(d.size, 24);
  EXPECT_EQ(d.sub_format_flag, 6);
  EXPECT_EQ(SubName(d.name_index), "YUV 4:2:2");
  EXPECT_EQ(d.format_id, 23);
  EXPECT_EQ(Extension(d.extension_index), "jpg");
  EXPECT_EQ(d.flags, 10);
  ASSERT_EQ(M_FFGetSaveSubData(25, 1 << 16, &d), 1);
  EXPECT_EQ(SubName(d.name_index), "Wavelet CMP");
  EXPECT_EQ(d.format_id, 167);

  for (int32_t flag : {0x400, 0, int32_t(0xFFFFFC00)}) {  // no usable bit below 10
    FFSaveSubData r;
    std::memset(&r, 0x5A, sizeof r);
    EXPECT_EQ(M_FFGetSaveSubData(6, flag, &r), -13) << flag;
    EXPECT_EQ(r.size, 24);
    EXPECT_EQ(r.sub_format_flag, flag);
    EXPECT_EQ(r.name_index, 0x5A5A5A5A);
  }
  FFSaveSubData untouched;
  std::memset(&untouched, 0x5A, sizeof untouched);
  EXPECT_EQ(M_FFGetSaveSubData(0, 1, &untouched), -916);
  EXPECT_EQ(untouched.size, 0x5A5A5A5A);
  EXPECT_EQ(M_FFGetSaveSubData(165, 1, &d), -13);
  EXPECT_EQ(M_FFGetSaveSubData(0xFFFFFFFFu, 1, &d), -13);
  EXPECT_EQ(M_FFGetSaveSubData(6, 1, nullptr), -13);
}

TEST(SubFormats, PositionsAndEnumeration) {
  int32_t pos = 5;
  EXPECT_EQ(M_FFGetFirstSaveSubPos(0, &pos), 1);  // the count plays no part
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(M_FFGetFirstSaveSubPos(165, &pos), -13);
  EXPECT_EQ(M_FFGetFirstSaveSubPos(-1, &pos), -13);
  EXPECT_EQ(M_FFGetFirstSaveSubPos(6, nullptr), -13);

  FFSaveSubData d{};
  EXPECT_EQ(M_FFGetNextSaveSub(0, &d, &pos), -916);
  EXPECT_EQ(pos, -1);
  pos = 0;
  std::vector<int32_t> flags;
  while (pos != -1 && flags.size() < 20) {
    ASSERT_EQ(M_FFGetNextSaveSub(6, &d, &pos), 1);
    flags.push_back(d.sub_format_flag);
  }
  ASSERT_EQ(flags.size(), 10u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(flags[i], 1 << i);
  EXPECT_EQ(SubName(d.name_index), "LAB 4:1:1");
  for (int32_t bad : {-1, 10}) {
    pos = bad;
    EXPECT_EQ(M_FFGetNextSaveSub(6, &d, &pos), -13) << bad;
  }
  EXPECT_EQ(M_FFGetNextSaveSub(165, &d, &pos), -13);
  EXPECT_EQ(M_FFGetNextSaveSub(6, nullptr, &pos), -13);

  g_seen.clear();
  EXPECT_EQ(M_FFEnumSaveSubCallBack(6, SubStopAt, 99900), 1);
  EXPECT_EQ(g_seen, flags);
  g_seen.clear();
  EXPECT_EQ(M_FFEnumSaveSubCallBack(6, SubStopAt, 100), 0);
  EXPECT_EQ(g_seen.size(), 1u);
  g_seen.clear();
  EXPECT_EQ(M_FFEnumSaveSubCallBack(6, SubStopAt, 307), 7);
  EXPECT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(M_FFEnumSaveSubCallBack(0, SubStopAt, 0), -916);
  EXPECT_EQ(M_FFEnumSaveSubCallBack(6, nullptr, 0), -13);
  EXPECT_EQ(M_FFEnumSaveSubCallBack(165, SubStopAt, 0), -13);
}

// Kept as the catalogue lists them: the XWD rows name "sgi", the SGI
// sub-formats "xwd".
TEST(SubFormats, XwdAndSgiReportEachOthersExtension) {
  FFSaveData d{};
  for (int32_t row = 156; row <= 164; ++row) {
    ASSERT_EQ(M_FFGetSaveData(row, &d), 1);
    EXPECT_EQ(d.extension_index, 42);
    EXPECT_EQ(Extension(d.extension_index), "sgi");
  }
  for (int32_t row = 113; row <= 115; ++row) {
    int32_t pos = 0;
    FFSaveSubData s{};
    while (pos != -1) {
      ASSERT_EQ(M_FFGetNextSaveSub(row, &s, &pos), 1);
      EXPECT_EQ(Extension(s.extension_index), "xwd");
    }
  }
}

TEST(Descriptions, IdsAndPositions) {
  const std::pair<int32_t, int> ids[] = {{1, 0}, {2, 1}, {3, 2}, {291, 168}, {20, 141}};
  for (auto [id, index] : ids) {
    int32_t out = -5;
    EXPECT_EQ(M_FFGetInfoDescStringID(id, &out), 1) << id;
    EXPECT_EQ(out, index) << id;
  }
  int32_t out = -5;
  for (int32_t bad : {7, 0, -1, 292}) EXPECT_EQ(M_FFGetInfoDescStringID(bad, &out), -13) << bad;
  EXPECT_EQ(out, -5);
  EXPECT_EQ(M_FFGetInfoDescStringID(1, nullptr), -13);

  EXPECT_EQ(&M_FFGetFirstInfoPos, &M_FFGetFirstSavePos);  // one routine
  int32_t pos = 3;
  ASSERT_EQ(M_FFGetFirstInfoPos(&pos), 1);
  EXPECT_EQ(pos, 0);
  FFInfoEntry e{};
  int pairs = 0;
  while (pos != -1 && pairs < 200) {
    ASSERT_EQ(M_FFGetNextInfo(&e, &pos), 1);
    ++pairs;
  }
  EXPECT_EQ(pairs, 158);
  EXPECT_EQ(e.format_id, 291);
  FFInfoEntry untouched{-7, -7};
  pos = 158;  // the end pair
  EXPECT_EQ(M_FFGetNextInfo(&untouched, &pos), 1);
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(untouched.format_id, -7);
  for (int32_t bad : {159, -1}) {
    pos = bad;
    EXPECT_EQ(M_FFGetNextInfo(&e, &pos), -13) << bad;
  }
  EXPECT_EQ(M_FFGetNextInfo(nullptr, &pos), -13);
  EXPECT_EQ(M_FFGetNextInfo(&e, nullptr), -13);

  g_seen.clear();
  EXPECT_EQ(M_FFEnumInfoCallBack(InfoStopAt, 99900), 1);
  EXPECT_EQ(g_seen.size(), 158u);
  g_seen.clear();
  EXPECT_EQ(M_FFEnumInfoCallBack(InfoStopAt, 100), 0);
  EXPECT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(M_FFEnumInfoCallBack(nullptr, 0), -13);
}
