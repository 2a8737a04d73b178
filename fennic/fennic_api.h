#pragma once
// Exports of libfennic.so and the records that cross them. All records are
// little-endian and owned by the caller; the library keeps no pointer to them.
#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define FENNIC_API extern "C" __attribute__((visibility("default")))
#else
#define FENNIC_API extern "C"
#endif

// ---- Records ----

// Value of FileInfo::type. Values above 11 behave as 11.
enum FileType : uint32_t {
  kFileNone = 0,  // "No File"
  kFileRaw = 1,  // "Raw Data" (never detected; the caller sets it)
  kFileBitmap = 2,  // "Bitmap"
  kFileBreadboard = 3,  // "QEW Breadboard" (16-bit values in 24-bit pixels)
  kFileTiff8 = 4,  // "8-bit TIFF"
  kFileTiff16v0 = 5,  // "16-bit TIFF, v0"
  kFileQewV0 = 6,  // "Brellan Proprietary, v0"
  kFileTiff16v1 = 7,  // "16-bit TIFF, v1"
  kFileQewV1 = 8,  // "Brellan Proprietary, v1"
  kFileTiff16 = 9,  // "16-bit TIFF"
  kFileQew = 10,  // "Brellan Proprietary"
  kFileUnknown = 11,  // "Unknown"
};

// Value of ScanInfo::source.
enum ScanSource : uint32_t {
  kSourceNoData = 0,
  kSourceComputer = 1,
  kSourceFennic = 2,
  kSourceBreadboard = 3,
  kSourceHpScannerV0 = 4,
  kSourceHpScanner = 5,
  kSourceQewPrototype = 6,
  kSourceBrellanPrototype = 7,
  kSourceUnknown = 8,
};

// Result codes of every export except _Version and _ErrorMessage.
enum FennicResult : int32_t {
  kFennicOk = 0,
  kFennicBadParameter = 1,
  kFennicNoFileName = 2,
  kFennicBadRegion = 3,
  kFennicBadSampling = 4,
  kFennicNoImageData = 5,
  kFennicOpenFailed = 6,
  kFennicCreateFailed = 7,
  kFennicSeekFailed = 8,
  kFennicReadFailed = 9,
  kFennicWriteFailed = 10,
  kFennicNoMemory = 11,
  kFennicWrongType = 12,
  kFennicNotBitmap = 13,
  kFennicBitmapUnsupported = 14,
  kFennicNotTiff = 15,
  kFennicTiffUnsupported = 16,
  kFennicNotQew = 17,
  kFennicQewUnsupported = 18,
};

// The file an operation works on (64-bit layout: 4 bytes padding after type).
struct FileInfo {
  uint32_t type;  // FileType; several operations rewrite it
  const char* fileName;  // NUL-terminated path; never changed by the library
};
static_assert(sizeof(FileInfo) == 16 && offsetof(FileInfo, fileName) == 8);

// Windows FILETIME: 100-ns units since 1601-01-01 UTC.
struct FileTime {
  uint32_t low;
  uint32_t high;
};

#pragma pack(push, 1)
// Acquisition facts and the rectangle of a full image. This byte layout is
// stored verbatim in QEW version 2 files and in the private block of 16-bit
// TIFF files; bytes 0-35 form the older 36-byte layout.
struct ScanInfo {
  uint32_t source;  // ScanSource
  FileTime timestamp;
  uint32_t originX;
  uint32_t originY;
  uint32_t width;  // full-resolution pixels
  uint32_t height;
  uint32_t resolutionX;  // pixels per metre; 0 = not recorded
  uint32_t resolutionY;
  int32_t orientation;  // 0 North, 1 East, 2 South, 3 West
  uint8_t flipHorizontal;
  uint8_t flipVertical;
};
#pragma pack(pop)
static_assert(sizeof(ScanInfo) == 42);
static_assert(offsetof(ScanInfo, timestamp) == 4 && offsetof(ScanInfo, originX) == 12 &&
              offsetof(ScanInfo, width) == 20 && offsetof(ScanInfo, resolutionX) == 28 &&
              offsetof(ScanInfo, orientation) == 36 && offsetof(ScanInfo, flipHorizontal) == 40 &&
              offsetof(ScanInfo, flipVertical) == 41);
constexpr size_t kScanInfoOldSize = 36;  // layout of QEW v0/v1 and TIFF v0/v1

// A caller's 16-bit image buffer (64-bit layout: pixels at 16).
struct ImageData {
  uint32_t sampling;  // N: each stored pixel is the mean of an N x N block
  uint32_t width;  // stored pixels per row
  uint32_t height;  // stored rows
  uint16_t* pixels;  // width x height values, top row first, no padding
};
static_assert(sizeof(ImageData) == 24 && offsetof(ImageData, pixels) == 16);

// Line-streaming handle: a caller's variable holding an open file; all bits
// set means no file is open.
typedef void* FennicHandle;
#define FENNIC_INVALID_HANDLE ((FennicHandle)(intptr_t)-1)

constexpr uint32_t kFennicVersion = 0x04020003;  // "4.02.0.3"

// ---- Exports ----

FENNIC_API uint32_t _Version(void);
FENNIC_API const char* _ErrorMessage(int32_t code);
FENNIC_API int32_t _GetFileInfo(FileInfo* file);
FENNIC_API int32_t _GetScanInfo(FileInfo* file, ScanInfo* info);
FENNIC_API int32_t _ReadImage(FileInfo* file, const ScanInfo* rect, ImageData* image);
FENNIC_API int32_t _Write(FileInfo* file, const ScanInfo* info, const ImageData* image);
FENNIC_API int32_t _WriteRegion(FileInfo* file, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                                const ScanInfo* info, const ImageData* image);
FENNIC_API int32_t _CopyRegion(FileInfo* source, const char* destination, uint32_t x0, uint32_t y0, uint32_t x1,
                               uint32_t y1);

FENNIC_API int32_t _StartRead(FennicHandle* handle, FileInfo* file, ScanInfo* info);
FENNIC_API int32_t _ReadLine(FennicHandle* handle, const ScanInfo* info, uint16_t* line);
FENNIC_API int32_t _EndRead(FennicHandle* handle);
FENNIC_API int32_t _StartWrite(FennicHandle* handle, FileInfo* file, const ScanInfo* info);
FENNIC_API int32_t _WriteLine(FennicHandle* handle, const ScanInfo* info, const uint16_t* line);
FENNIC_API int32_t _EndWrite(FennicHandle* handle);
