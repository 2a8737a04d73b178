// The exports: text tables, save rows, sub-formats and format descriptions.
#include <cstring>

#include "toolkit/formats/catalogue/catalogue.h"
#include "toolkit/formats/mwformats_api.h"
#include "toolkit/formats/texts/string_store.h"

using mwff::kSaveRowCount;
using mwff::kSaveRows;
using mwff::Strings;

namespace {

bool ValidRow(int64_t row) { return row >= 0 && row < kSaveRowCount; }

void FillSave(int32_t row, FFSaveData* d) {
  const mwff::FFSaveRow& r = kSaveRows[row];
  *d = {static_cast<int32_t>(sizeof(FFSaveData)),
        row,
        r.name_index,
        r.format_id,
        r.bits_per_pixel,
        r.extension_index,
        r.sub_format_count,
        r.flags};
}

void FillSub(const mwff::FFSaveRow& r, int32_t entry, FFSaveSubData* d) {
  const mwff::FFSaveSubFormat& e = r.sub_formats[entry];
  *d = {static_cast<int32_t>(sizeof(FFSaveSubData)),
        int32_t(1u << entry),
        e.name_index,
        e.extension_index,
        e.format_id,
        e.flags};
}

}  // namespace

MW_EXPORT int M_FFGetSaveStringLen(uint32_t i, int32_t* n) { return Strings().save_names.Length(i, n); }
MW_EXPORT int M_FFSetSaveString(uint32_t i, const char* t) { return Strings().save_names.Set(i, t); }
MW_EXPORT int M_FFGetSaveString(uint32_t i, char* b) { return Strings().save_names.Get(i, b); }
MW_EXPORT int M_FFGetSaveSubStringLen(uint32_t i, int32_t* n) { return Strings().sub_format_names.Length(i, n); }
MW_EXPORT int M_FFSetSaveSubString(uint32_t i, const char* t) { return Strings().sub_format_names.Set(i, t); }
MW_EXPORT int M_FFGetSaveSubString(uint32_t i, char* b) { return Strings().sub_format_names.Get(i, b); }
MW_EXPORT int M_FFGetSaveExtStringLen(uint32_t i, int32_t* n) { return Strings().extensions.Length(i, n); }
MW_EXPORT int M_FFSetSaveExtString(uint32_t i, const char* t) { return Strings().extensions.Set(i, t); }
MW_EXPORT int M_FFGetSaveExtString(uint32_t i, char* b) { return Strings().extensions.Get(i, b); }
MW_EXPORT int M_FFGetInfoStringLen(uint32_t i, int32_t* n) { return Strings().descriptions.Length(i, n); }
MW_EXPORT int M_FFSetInfoString(uint32_t i, const char* t) { return Strings().descriptions.Set(i, t); }
MW_EXPORT int M_FFGetInfoString(uint32_t i, char* b) { return Strings().descriptions.Get(i, b); }

MW_EXPORT int M_FFGetSaveData(int32_t row, FFSaveData* data) {
  if (!data || !ValidRow(row)) return kFFInvalid;
  FillSave(row, data);
  return 1;
}

MW_EXPORT int M_FFGetFirstSavePos(int32_t* position) {
  if (!position) return kFFInvalid;
  *position = 0;
  return 1;
}

// One routine serves both first positions.
MW_EXPORT int M_FFGetFirstInfoPos(int32_t* position) __attribute__((alias("M_FFGetFirstSavePos")));

MW_EXPORT int M_FFGetNextSave(FFSaveData* data, int32_t* position) {
  if (!data || !position || !ValidRow(*position)) return kFFInvalid;
  FillSave(*position, data);
  *position = *position + 1 == kSaveRowCount ? -1 : *position + 1;
  return 1;
}

MW_EXPORT int M_FFEnumSaveCallBack(FFSaveCallBack callback, int32_t user) {
  if (!callback) return kFFInvalid;
  for (int32_t row = 0; row < kSaveRowCount; ++row) {
    FFSaveData d{};
    FillSave(row, &d);
    if (int r = callback(&d, user); r != 1) return r;
  }
  return 1;
}

MW_EXPORT int M_FFGetSaveSubData(uint32_t row, int32_t flag, FFSaveSubData* data) {
  if (!data || row >= static_cast<uint32_t>(kSaveRowCount)) return kFFInvalid;
  const mwff::FFSaveRow& r = kSaveRows[row];
  if (r.sub_format_count < 1) return kFFNoSubFormats;
  data->size = sizeof(FFSaveSubData);
  data->sub_format_flag = flag;
  for (int32_t entry = 0; entry < r.sub_format_count && entry < 32; ++entry) {
    if (static_cast<uint32_t>(flag) & (1u << entry)) {
      FillSub(r, entry, data);
      data->sub_format_flag = flag;  // the caller's flag, not the entry's bit
      return 1;
    }
  }
  return kFFInvalid;
}

MW_EXPORT int M_FFGetFirstSaveSubPos(int32_t row, int32_t* position) {
  if (!position || !ValidRow(row)) return kFFInvalid;
  *position = 0;
  return 1;
}

MW_EXPORT int M_FFGetNextSaveSub(int32_t row, FFSaveSubData* data, int32_t* position) {
  if (!data || !position || !ValidRow(row)) return kFFInvalid;
  const mwff::FFSaveRow& r = kSaveRows[row];
  if (r.sub_format_count < 1) {
    *position = -1;
    return kFFNoSubFormats;
  }
  if (*position < 0 || *position >= r.sub_format_count) return kFFInvalid;
  FillSub(r, *position, data);
  *position = *position + 1 == r.sub_format_count ? -1 : *position + 1;
  return 1;
}

MW_EXPORT int M_FFEnumSaveSubCallBack(int32_t row, FFSaveSubCallBack callback, int32_t user) {
  if (!callback || !ValidRow(row)) return kFFInvalid;
  const mwff::FFSaveRow& r = kSaveRows[row];
  if (r.sub_format_count < 1) return kFFNoSubFormats;
  for (int32_t entry = 0; entry < r.sub_format_count; ++entry) {
    FFSaveSubData d{};
    FillSub(r, entry, &d);
    if (int res = callback(&d, user); res != 1) return res;
  }
  return 1;
}

MW_EXPORT int M_FFGetInfoDescStringID(int32_t format_id, int32_t* description_index) {
  if (!description_index || format_id == 0) return kFFInvalid;
  for (const FFInfoEntry* e = mwff::kInfoTable; e->description_index != -1; ++e) {
    if (e->format_id == format_id) {
      *description_index = e->description_index;
      return 1;
    }
  }
  return kFFInvalid;
}

MW_EXPORT int M_FFGetNextInfo(FFInfoEntry* data, int32_t* position) {
  if (!data || !position || *position < 0 || *position > mwff::kInfoPairCount) return kFFInvalid;
  const FFInfoEntry& e = mwff::kInfoTable[*position];
  if (e.description_index == -1) {
    *position = -1;
    return 1;
  }
  *data = e;
  *position = mwff::kInfoTable[*position + 1].description_index == -1 ? -1 : *position + 1;
  return 1;
}

MW_EXPORT int M_FFEnumInfoCallBack(FFInfoCallBack callback, int32_t user) {
  if (!callback) return kFFInvalid;
  for (const FFInfoEntry* e = mwff::kInfoTable; e->description_index != -1; ++e) {
    FFInfoEntry local = *e;
    if (int r = callback(&local, user); r != 1) return r;
  }
  return 1;
}
