#pragma once
// Whether two names reach the same existing file (device and inode), removal
// of a half-written file, and files written beside their target.
#include <cstdint>
#include <optional>
#include <string>

namespace viewer {

bool SameFile(const std::string& a, const std::string& b);
// The size of a regular file; nothing when the name reaches none.
std::optional<uint64_t> RegularFileSize(const std::string& name);
// Removes the name when it is a regular file (never a device or a link).
void RemoveRegularFile(const std::string& name);

// A name beside a target to write the target's new content under; Commit
// puts the written file in the target's place (through a symbolic link, in
// the place of the file it names) with the replaced file's permissions, so
// a write that fails part-way leaves the target as it was. Unless committed,
// the written file is removed.
class ReplacementFile {
 public:
  explicit ReplacementFile(const std::string& target);
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  const std::string& Name() const { return written_; }
  // Flushes the written file to the disk and renames it; false when either fails.
  bool Commit();

 private:
  std::string target_, written_;
  bool committed_ = false;
};

}  // namespace viewer
