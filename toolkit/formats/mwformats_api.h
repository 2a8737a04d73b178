#pragma once
// Exports of libmwformats.so and the records that cross them. Records are
// the caller's; the library fills them and keeps nothing.
#include <cstdint>

#include "toolkit/outside/system/export.h"

enum FFResult : int32_t {
  kFFNoMemory = -1,
  kFFInvalid = -13,
  kFFNoSubFormats = -916,
};

struct FFSaveData {
  int32_t size;  // 32
  int32_t row;
  int32_t name_index;
  int32_t format_id;
  int32_t bits_per_pixel;
  int32_t extension_index;
  int32_t sub_format_count;
  int32_t flags;
};
static_assert(sizeof(FFSaveData) == 32);

struct FFSaveSubData {
  int32_t size;  // 24
  int32_t sub_format_flag;  // 1 << entry
  int32_t name_index;
  int32_t extension_index;
  int32_t format_id;
  int32_t flags;
};
static_assert(sizeof(FFSaveSubData) == 24);

struct FFInfoEntry {
  int32_t format_id;
  int32_t description_index;
};

// 1 continues an enumeration; any other value ends it and is returned.
using FFSaveCallBack = int (*)(FFSaveData* data, int32_t user);
using FFSaveSubCallBack = int (*)(FFSaveSubData* data, int32_t user);
using FFInfoCallBack = int (*)(FFInfoEntry* data, int32_t user);

MW_EXPORT int M_FFGetSaveStringLen(uint32_t index, int32_t* length);
MW_EXPORT int M_FFSetSaveString(uint32_t index, const char* text);
MW_EXPORT int M_FFGetSaveString(uint32_t index, char* buffer);
MW_EXPORT int M_FFGetSaveData(int32_t row, FFSaveData* data);
MW_EXPORT int M_FFGetFirstSavePos(int32_t* position);
MW_EXPORT int M_FFGetNextSave(FFSaveData* data, int32_t* position);
MW_EXPORT int M_FFEnumSaveCallBack(FFSaveCallBack callback, int32_t user);
MW_EXPORT int M_FFGetSaveSubStringLen(uint32_t index, int32_t* length);
MW_EXPORT int M_FFSetSaveSubString(uint32_t index, const char* text);
MW_EXPORT int M_FFGetSaveSubString(uint32_t index, char* buffer);
MW_EXPORT int M_FFGetSaveSubData(uint32_t row, int32_t flag, FFSaveSubData* data);
MW_EXPORT int M_FFGetFirstSaveSubPos(int32_t row, int32_t* position);
MW_EXPORT int M_FFGetNextSaveSub(int32_t row, FFSaveSubData* data, int32_t* position);
MW_EXPORT int M_FFEnumSaveSubCallBack(int32_t row, FFSaveSubCallBack callback, int32_t user);
MW_EXPORT int M_FFGetSaveExtStringLen(uint32_t index, int32_t* length);
MW_EXPORT int M_FFSetSaveExtString(uint32_t index, const char* text);
MW_EXPORT int M_FFGetSaveExtString(uint32_t index, char* buffer);
MW_EXPORT int M_FFGetInfoStringLen(uint32_t index, int32_t* length);
MW_EXPORT int M_FFSetInfoString(uint32_t index, const char* text);
MW_EXPORT int M_FFGetInfoString(uint32_t index, char* buffer);
MW_EXPORT int M_FFGetInfoDescStringID(int32_t format_id, int32_t* description_index);
MW_EXPORT int M_FFGetFirstInfoPos(int32_t* position);
MW_EXPORT int M_FFGetNextInfo(FFInfoEntry* data, int32_t* position);
MW_EXPORT int M_FFEnumInfoCallBack(FFInfoCallBack callback, int32_t user);
