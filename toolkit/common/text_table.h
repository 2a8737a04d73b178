#pragma once
// A fixed number of owned text slots with the toolkit's Len/Set/Get rules:
// indices taken as unsigned, an empty slot reads as an empty text, Get
// copies the text and its terminator (the caller sizes the buffer by Len
// plus one). Results: 1 success, -1 no memory, -13 invalid argument.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mwtext {

constexpr int kOk = 1;
constexpr int kNoMemory = -1;
constexpr int kInvalid = -13;

class TextTable {
 public:
  // Every slot set in index order from `defaults` through Set.
  TextTable(const char* const* defaults, size_t count);
  ~TextTable();
  TextTable(const TextTable&) = delete;
  TextTable& operator=(const TextTable&) = delete;

  int Length(uint32_t index, int32_t* length) const;
  // The new copy is made before the old one is freed: without memory the
  // slot keeps its text and the result is -1.
  int Set(uint32_t index, const char* text);
  int Get(uint32_t index, char* buffer) const;
  size_t size() const { return slots_.size(); }

 private:
  std::vector<char*> slots_;
};

// Allocation of text copies (null: no memory); tests replace it.
using TextAllocator = char* (*)(size_t bytes);
void SetTextAllocator(TextAllocator allocator);  // null restores the default

}  // namespace mwtext
