#pragma once
// The four text tables of libmwformats.so as its tests read them.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/formats/mwformats_api.h"

namespace fftest {

struct TextOps {
  const char* what;
  uint32_t count;
  int (*len)(uint32_t, int32_t*);
  int (*set)(uint32_t, const char*);
  int (*get)(uint32_t, char*);
};
inline const TextOps kTables[] = {
    {"save names", 175, M_FFGetSaveStringLen, M_FFSetSaveString, M_FFGetSaveString},
    {"sub-format names", 149, M_FFGetSaveSubStringLen, M_FFSetSaveSubString, M_FFGetSaveSubString},
    {"extensions", 61, M_FFGetSaveExtStringLen, M_FFSetSaveExtString, M_FFGetSaveExtString},
    {"descriptions", 169, M_FFGetInfoStringLen, M_FFSetInfoString, M_FFGetInfoString},
};

// The slot's text, read by its length as a caller sizes the buffer.
inline std::string Text(const TextOps& t, uint32_t i) {
  int32_t n = -1;
  EXPECT_EQ(t.len(i, &n), 1) << t.what << " " << i;
  if (n < 0) return "";
  std::string s(n + 1, '\x7f');
  EXPECT_EQ(t.get(i, s.data()), 1);
  s.pop_back();
  return s;
}
inline std::string SaveName(uint32_t i) { return Text(kTables[0], i); }
inline std::string SubName(uint32_t i) { return Text(kTables[1], i); }
inline std::string Extension(uint32_t i) { return Text(kTables[2], i); }
inline std::string Description(uint32_t i) { return Text(kTables[3], i); }

}  // namespace fftest
