#pragma once
// The image files: the DiskImage (u16 width, u16 height, rows of u16, little
// endian) and its packed information file.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "driver/config/tarvel_records.h"

namespace tarvel {

constexpr size_t kInfoFileFixedBytes = sizeof(ImageInfoFile);
constexpr size_t kInfoExtraLengthOffset = offsetof(ImageInfoFile, extra_length);

// The name with its last three characters replaced by `ending` (a name
// shorter than three characters gives `ending` alone).
std::string ReplaceLastThree(const std::string& name, const char* ending);
// The name with its last three characters replaced by "txt".
std::string InfoFileName(const std::string& image_name);
// Packs the record into the 101 fixed bytes of the information file.
std::array<uint8_t, kInfoFileFixedBytes> PackInfo(const ImageInfo& info);
// Unpacks the fixed bytes (the caller checked there are 101).
ImageInfo UnpackInfo(const uint8_t* bytes);

// Result of writing one file.
enum class WriteResult { kOk, kCannotCreate, kWriteFailed, kNoMemory };

// Writes the DiskImage rotated by `rotation` degrees (0, +-90, +-180, +-270;
// anything else unrotated). A failed write leaves no file behind; without
// memory for the turned copy no file is made (kNoMemory). `error` receives
// the system error of a failure.
WriteResult WriteDiskImage(const std::string& name, int width, int height, const uint16_t* pixels, int rotation,
                           int* error = nullptr);
// Writes the information file: the packed record, then `extra_length`
// bytes of `extra` (a negative length or a null block writes none).
WriteResult WriteInfoFile(const std::string& name, const ImageInfo& info, const uint8_t* extra, int32_t extra_length,
                          int* error = nullptr);

// Reads the record of an image; kErrFailed when the information file is
// missing or shorter than the packed record.
int ReadImageInfo(const std::string& image_name, ImageInfo* info);
// Reads the extra header into `buffer`; the bytes read (0 when none or the
// file is missing). The length is bounded by what the file holds.
int ReadExtraHeader(const std::string& image_name, uint8_t* buffer);
// Reads the pixels. kOk; kErrNotFound not openable (image or information
// file); kErrOutOfRange empty, short, or a size that disagrees with the
// information file.
int ReadDiskImage(const std::string& image_name, uint16_t* pixels);
// Reads rows first_row .. first_row + row_count - 1 of an image that
// ReadDiskImage would read, handing them over in chunks of whole rows. kOk,
// or ReadDiskImage's codes (kErrOutOfRange also for rows outside the image).
int ReadDiskImageRows(const std::string& image_name, int first_row, int row_count,
                      const std::function<void(const uint16_t* rows, int count)>& take);
// The width and height in a DiskImage's header; false when it cannot be read.
bool ReadDiskImageSides(const std::string& image_name, int* width, int* height);
// Removes the image and, when its name has a three-character extension to
// replace, its information file; false when either failed.
bool DeleteImageFiles(const std::string& image_name);

}  // namespace tarvel
