#include "toolkit/common/text_table.h"

#include <cstdlib>
#include <cstring>

namespace mwtext {
namespace {

char* DefaultAllocator(size_t bytes) { return static_cast<char*>(std::malloc(bytes)); }
TextAllocator g_allocator = DefaultAllocator;

}  // namespace

void SetTextAllocator(TextAllocator allocator) { g_allocator = allocator ? allocator : DefaultAllocator; }

TextTable::TextTable(const char* const* defaults, size_t count) : slots_(count, nullptr) {
  for (size_t i = 0; i < count; ++i) Set(static_cast<uint32_t>(i), defaults[i]);
}

TextTable::~TextTable() {
  for (char* s : slots_) std::free(s);
}

int TextTable::Length(uint32_t index, int32_t* length) const {
  if (index >= slots_.size() || !length) return kInvalid;
  *length = slots_[index] ? static_cast<int32_t>(std::strlen(slots_[index])) : 0;
  return kOk;
}

int TextTable::Set(uint32_t index, const char* text) {
  if (index >= slots_.size() || !text) return kInvalid;
  char* copy = nullptr;
  if (*text) {
    const size_t bytes = std::strlen(text) + 1;
    copy = g_allocator(bytes);
    if (!copy) return kNoMemory;
    std::memcpy(copy, text, bytes);
  }
  std::free(slots_[index]);
  slots_[index] = copy;
  return kOk;
}

int TextTable::Get(uint32_t index, char* buffer) const {
  if (index >= slots_.size() || !buffer) return kInvalid;
  const char* text = slots_[index] ? slots_[index] : "";
  std::memcpy(buffer, text, std::strlen(text) + 1);
  return kOk;
}

}  // namespace mwtext
