#pragma once
// The dialogs' 1172 texts, filled from the built-in defaults at load.
#include "toolkit/common/text_table.h"
#include "toolkit/dialogs/mwdialogs_api.h"

extern const char* const kDlgDefaultStrings[kDlgTextCount];

namespace mwdlg {

class DlgStringTable : public mwtext::TextTable {
 public:
  DlgStringTable() : TextTable(kDlgDefaultStrings, kDlgTextCount) {}
};

}  // namespace mwdlg
