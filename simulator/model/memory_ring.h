#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

// The scanner memory: a ring of 32-bit words (sparse pages; words never
// written read as 0) with its read and write pointers, the read mark and the
// block checksum of the data port.
namespace sim {

class MemoryRing {
 public:
  // The ring size for a memory module's SPD bytes: the module size in words,
  // at least 1024 and at most 2^28.
  static uint32_t WordsFor(const std::vector<uint8_t>& spd);

  // bad_checksum_reads: the next n reads deliver a corrupted word (-1 every read).
  MemoryRing(uint32_t words, int bad_checksum_reads);

  // One word at the write pointer; dropped when only one free word is left.
  void Append(uint32_t word);
  // Up to max_words of the words waiting, from the read pointer on; the
  // 16-bit halves go into the checksum. Returns the words delivered.
  size_t Read(uint32_t* words, size_t max_words);
  // Read and write pointers and the mark to 0; the contents stay.
  void Empty() { read_ = write_ = mark_ = 0; }
  void SetReadPointer(uint32_t value) { read_ = value % words_; }
  void MarkReadPointer() { mark_ = read_; }
  void ClearChecksum() { checksum_ = 0; }
  void SetBadChecksumReads(int count) { bad_checksum_reads_ = count; }

  uint32_t Words() const { return words_; }
  uint32_t ReadPointer() const { return read_; }
  uint32_t WritePointer() const { return write_; }
  uint32_t Mark() const { return mark_; }
  uint32_t Waiting() const { return (write_ + words_ - read_) % words_; }
  uint16_t Checksum() const { return checksum_; }

 private:
  uint32_t At(uint32_t index) const;
  void Put(uint32_t index, uint32_t value);

  uint32_t words_;
  std::unordered_map<uint32_t, std::vector<uint32_t>> pages_;
  uint32_t read_ = 0, write_ = 0, mark_ = 0;
  uint16_t checksum_ = 0;
  uint64_t dropped_ = 0;
  int bad_checksum_reads_;
};

}  // namespace sim
