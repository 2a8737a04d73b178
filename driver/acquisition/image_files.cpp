// The image files: the DiskImage (u16 width, u16 height, rows of u16,
// little endian) and its packed information file.
#include "driver/acquisition/image_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "driver/acquisition/plate_processing.h"
#include "driver/result_codes.h"
#include "platform/files.h"
#include "platform/little_endian.h"

namespace tarvel {

std::string ReplaceLastThree(const std::string& name, const char* ending) {
  return name.substr(0, name.size() >= 3 ? name.size() - 3 : 0) + ending;
}

std::string InfoFileName(const std::string& image_name) { return ReplaceLastThree(image_name, "txt"); }

namespace {
// Writes `parts` to a new file; a failed write or close removes it.
WriteResult WriteParts(const std::string& name, std::initializer_list<std::pair<const void*, size_t>> parts,
                       int* error) {
  errno = 0;
  std::FILE* f = platform::OpenFile(name, "wb");
  if (!f) {
    if (error) *error = errno;
    return WriteResult::kCannotCreate;
  }
  bool ok = true;
  for (const auto& [data, size] : parts)
    if (size > 0 && ok) ok = platform::WriteFile(f, data, size) == size;
  int failure = ok ? 0 : errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    failure = errno;
  }
  if (!ok) {
    if (error) *error = failure;
    // Nothing half-written stays; a device behind the name is left alone.
    struct stat st;
    if (lstat(platform::NativePath(name).c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
      platform::DeleteFile(name);
    return WriteResult::kWriteFailed;
  }
  return WriteResult::kOk;
}

int64_t FileSize(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return -1;
  return st.st_size;
}
}  // namespace

// The packed record is the file's layout; the fields are stored as the host
// holds them, which is little endian.
static_assert(std::endian::native == std::endian::little, "information files are little endian");

namespace {
// The record's fields from one of its two layouts into the other.
template <class From, class To>
void CopyInfoFields(const From& from, To& to) {
  to.size = from.size;
  to.width = from.width;
  to.height = from.height;
  to.pitch_x = from.pitch_x;
  to.pitch_y = from.pitch_y;
  to.bits_per_pixel = from.bits_per_pixel;
  to.start_position = from.start_position;
  to.slot_bits = from.slot_bits;
  to.year = from.year;
  to.month = from.month;
  to.day = from.day;
  to.hour = from.hour;
  to.minute = from.minute;
  to.second = from.second;
  std::memcpy(to.serial_number, from.serial_number, sizeof to.serial_number);
  std::memcpy(to.reserved, from.reserved, sizeof to.reserved);
  to.rotation = from.rotation;
  to.scaled_pitch = from.scaled_pitch;
  to.scale = from.scale;
  to.maximum = from.maximum;
  to.average = from.average;
  to.scan_mode = from.scan_mode;
  to.possible_maximum = from.possible_maximum;
  to.extra_length = from.extra_length;
}
}  // namespace

std::array<uint8_t, kInfoFileFixedBytes> PackInfo(const ImageInfo& i) {
  ImageInfoFile f{};
  CopyInfoFields(i, f);
  std::array<uint8_t, kInfoFileFixedBytes> b;
  std::memcpy(b.data(), &f, sizeof f);
  return b;
}

ImageInfo UnpackInfo(const uint8_t* p) {
  ImageInfoFile f;
  std::memcpy(&f, p, sizeof f);
  ImageInfo i{};
  CopyInfoFields(f, i);
  return i;
}

WriteResult WriteDiskImage(const std::string& name, int width, int height, const uint16_t* pixels, int rotation,
                           int* error) {
  const size_t n = static_cast<size_t>(width) * height;
  std::vector<uint16_t> out;
  const uint16_t* data = pixels;
  int ow = width, oh = height;
  auto in = [&](int y, int x) { return pixels[static_cast<size_t>(y) * width + x]; };
  if (n > 0 && rotation != 0 && IsFileRotation(rotation)) {
    try {
      out.resize(n);
    } catch (const std::bad_alloc&) {
      return WriteResult::kNoMemory;
    }
    switch (rotation) {
      case 90:
      case -270:
        ow = height;
        oh = width;
        for (int i = 0; i < width; ++i)
          for (int j = 0; j < height; ++j) out[static_cast<size_t>(i) * ow + j] = in(j, width - 1 - i);
        data = out.data();
        break;
      case 180:
      case -180:
        std::reverse_copy(pixels, pixels + n, out.begin());
        data = out.data();
        break;
      case 270:
      case -90:
        ow = height;
        oh = width;
        for (int i = 0; i < width; ++i)
          for (int j = 0; j < height; ++j) out[static_cast<size_t>(i) * ow + j] = in(height - 1 - j, i);
        data = out.data();
        break;
      default: break;
    }
  }
  uint8_t head[4];
  platform::StoreLe(head, static_cast<uint16_t>(ow), 2);
  platform::StoreLe(head + 2, static_cast<uint16_t>(oh), 2);
  return WriteParts(name, {{head, 4}, {data, n * 2}}, error);
}

WriteResult WriteInfoFile(const std::string& name, const ImageInfo& info, const uint8_t* extra, int32_t extra_length,
                          int* error) {
  auto fixed = PackInfo(info);
  size_t extra_bytes = (extra && extra_length > 0) ? static_cast<size_t>(extra_length) : 0;
  return WriteParts(name, {{fixed.data(), fixed.size()}, {extra, extra_bytes}}, error);
}

int ReadImageInfo(const std::string& image_name, ImageInfo* info) {
  std::FILE* f = platform::OpenFile(InfoFileName(image_name), "rb");
  if (!f) return kErrFailed;
  uint8_t b[kInfoFileFixedBytes];
  size_t got = std::fread(b, 1, sizeof b, f);
  std::fclose(f);
  if (got != sizeof b) return kErrFailed;
  if (info) *info = UnpackInfo(b);
  return kOk;
}

int ReadExtraHeader(const std::string& image_name, uint8_t* buffer) {
  std::FILE* f = platform::OpenFile(InfoFileName(image_name), "rb");
  if (!f) return 0;
  int result = 0;
  uint8_t b[kInfoFileFixedBytes];
  int64_t size = FileSize(f);
  if (std::fread(b, 1, sizeof b, f) == sizeof b) {
    int64_t n = static_cast<int32_t>(platform::LoadLe(b + kInfoExtraLengthOffset, 4));
    // Never more than the file holds after the record.
    n = std::min<int64_t>(n, size - static_cast<int64_t>(kInfoFileFixedBytes));
    if (n > 0 && buffer) result = static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(n), f));
  }
  std::fclose(f);
  return result;
}

namespace {

// Opens a DiskImage whose size agrees with its information file and that
// holds every pixel, positioned at its first pixel. kOk (with *file open),
// kErrNotFound or kErrOutOfRange.
int OpenCheckedDiskImage(const std::string& image_name, std::FILE** file, int* width, int* height) {
  std::FILE* f = platform::OpenFile(image_name, "rb");
  if (!f) return kErrNotFound;
  uint8_t head[4];
  int rc = kErrOutOfRange;
  if (std::fread(head, 1, 4, f) == 4) {
    const uint64_t w = platform::LoadLe(head, 2), h = platform::LoadLe(head + 2, 2), n = w * h;
    ImageInfo info{};
    if (ReadImageInfo(image_name, &info) != 0) {
      rc = kErrNotFound;
    } else if (n > 0 && n == static_cast<uint64_t>(int64_t{info.width} * int64_t{info.height}) &&
               FileSize(f) >= static_cast<int64_t>(4 + 2 * n)) {
      *file = f;
      *width = static_cast<int>(w);
      *height = static_cast<int>(h);
      return kOk;
    }
  }
  std::fclose(f);
  return rc;
}

}  // namespace

int ReadDiskImage(const std::string& image_name, uint16_t* pixels) {
  std::FILE* f = nullptr;
  int width = 0, height = 0;
  int rc = OpenCheckedDiskImage(image_name, &f, &width, &height);
  if (rc != kOk) return rc;
  if (!pixels) {
    std::fclose(f);
    return kErrOutOfRange;
  }
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  rc = std::fread(pixels, 2, n, f) == n ? kOk : kErrOutOfRange;
  std::fclose(f);
  return rc;
}

int ReadDiskImageRows(const std::string& image_name, int first_row, int row_count,
                      const std::function<void(const uint16_t* rows, int count)>& take) {
  std::FILE* f = nullptr;
  int width = 0, height = 0;
  int rc = OpenCheckedDiskImage(image_name, &f, &width, &height);
  if (rc != kOk) return rc;
  if (first_row < 0 || row_count < 0 || int64_t{first_row} + row_count > height) {
    std::fclose(f);
    return kErrOutOfRange;
  }
  // About a megabyte of rows at a time.
  const int chunk = std::max(1, (1 << 19) / width);
  std::vector<uint16_t> rows(static_cast<size_t>(std::min(chunk, std::max(row_count, 1))) * width);
  if (fseeko(f, static_cast<off_t>(4 + 2 * int64_t{first_row} * width), SEEK_SET) != 0) rc = kErrOutOfRange;
  for (int done = 0; rc == kOk && done < row_count;) {
    const int count = std::min(chunk, row_count - done);
    const size_t n = static_cast<size_t>(count) * static_cast<size_t>(width);
    if (std::fread(rows.data(), 2, n, f) != n) {
      rc = kErrOutOfRange;
      break;
    }
    take(rows.data(), count);
    done += count;
  }
  std::fclose(f);
  return rc;
}

bool ReadDiskImageSides(const std::string& image_name, int* width, int* height) {
  std::FILE* f = platform::OpenFile(image_name, "rb");
  if (!f) return false;
  uint8_t head[4];
  const bool ok = std::fread(head, 1, 4, f) == 4;
  std::fclose(f);
  if (ok) {
    *width = static_cast<int>(platform::LoadLe(head, 2));
    *height = static_cast<int>(platform::LoadLe(head + 2, 2));
  }
  return ok;
}

namespace {
// The name ends in a three-character extension of its own file name
// (".QEW"), which the information file's name replaces.
bool HasThreeCharacterExtension(const std::string& name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') return false;
  return std::none_of(name.end() - 3, name.end(), [](char c) { return c == '.' || c == '/' || c == '\\'; });
}
}  // namespace

bool DeleteImageFiles(const std::string& image_name) {
  bool image = platform::DeleteFile(image_name);
  // Without an extension to replace there is no information file to name:
  // nothing else is deleted.
  if (!HasThreeCharacterExtension(image_name)) return image;
  bool info = platform::DeleteFile(InfoFileName(image_name));
  return image && info;
}
}  // namespace tarvel
