#pragma once
// The four text tables, filled from the built-in texts at load.
#include "toolkit/common/text_table.h"
#include "toolkit/formats/texts/default_texts.h"

namespace mwff {

struct FFStringStore {
  mwtext::TextTable save_names{kDefaultSaveNames, kSaveNameCount};
  mwtext::TextTable sub_format_names{kDefaultSubFormatNames, kSubFormatNameCount};
  mwtext::TextTable extensions{kDefaultExtensions, kExtensionCount};
  mwtext::TextTable descriptions{kDefaultDescriptions, kDescriptionCount};
};

FFStringStore& Strings();

}  // namespace mwff
