// The whole-file operations and their exports: argument checks in their
// fixed order, opening and creating files, and dispatch to the format
// families by type.
#include <string>

#include "fennic/fennic_api.h"
#include "fennic/format.h"
#include "fennic/names.h"
#include "fennic/operations.h"

using namespace fennic;

namespace {

const char* const kMessages[] = {
    "The task was successfully completed.",
    "One of the parameters was inappropriate.",
    "No file name was provided.",
    "The indicated subregion is not actually within the image.",
    "The sampling is not appropriate for the operation.",
    "There was no image data.",
    "The file could not be found or opened.",
    "The file specified can not be created or written to.",
    "There was an error moving around the file.",
    "There was an error trying to read from the file.",
    "There was an error trying to write to the file.",
    "There was not enough memory to created temporary buffers.",
    "The file type selected is not appropriate for the operation.",
    "From the header, the file is not in the Bitmap format.",
    "This type of Bitmap image is not presently supported.",
    "From the header, the file is not in the TIFF format.",
    "This type of TIFF image is not presently supported.",
    "From the header, the file is not in the Brellan Proprietary format.",
    "This type of Brellan Proprietary image format is not presently supported.",
};

// The family that reads a type, or null (types 0 and above 10).
const Family* reader_family(uint32_t type) {
  switch (type) {
    case kFileRaw: return &kRawFamily;
    case kFileBitmap:
    case kFileBreadboard: return &kBitmapFamily;
    case kFileTiff8:
    case kFileTiff16v0:
    case kFileTiff16v1:
    case kFileTiff16: return &kTiffFamily;
    case kFileQewV0:
    case kFileQewV1:
    case kFileQew: return &kQewFamily;
    default: return nullptr;
  }
}

// The family that writes and copies a type: QEW for every type no other
// family claims.
const Family& writer_family(uint32_t type) {
  const Family* f = reader_family(type);
  return f ? *f : kQewFamily;
}

// The type a writer leaves in the record.
uint32_t written_type(uint32_t type) {
  switch (type) {
    case kFileRaw: return kFileRaw;
    case kFileBitmap:
    case kFileBreadboard: return kFileBreadboard;
    case kFileTiff8:
    case kFileTiff16v0:
    case kFileTiff16v1:
    case kFileTiff16: return kFileTiff16;
    default: return kFileQew;
  }
}

// Nothing may escape a C export; a failed allocation of a name is a failed
// allocation like any other.
template <class F>
int32_t guarded(F&& body) {
  try {
    return body();
  } catch (...) {
    return kFennicNoMemory;
  }
}

// Checks the image against the ScanInfo describing it and writes the
// rectangle (x, y, w, h) of it with `header` as the file's ScanInfo.
int32_t write_file(FileInfo* file, const ScanInfo& info, const ImageData& image, const ScanInfo& header, Io& io) {
  if (image.sampling != 1) return kFennicBadSampling;
  if (!image.pixels) return kFennicNoImageData;
  if (image.width != info.width || image.height != info.height) return kFennicBadParameter;
  const Family& family = writer_family(file->type);
  if (int rc = family.can_write(header.width, header.height)) return rc;
  NewFile out(with_default_extension(file->fileName, file->type), io);
  if (int rc = out.create()) return rc;
  file->type = written_type(file->type);
  const uint64_t col = uint64_t{header.originX} - info.originX, row = uint64_t{header.originY} - info.originY;
  const PixelRect px{image.pixels + row * info.width + col, info.width, header.width, header.height};
  return out.finish(family.write(out.file(), header, px));
}

}  // namespace

int32_t fennic::get_file_info(FileInfo* file, Io& io) {
  if (!file) return kFennicBadParameter;
  file->type = kFileNone;
  if (!file->fileName) return kFennicNoFileName;
  File f(io);
  if (int rc = File::open_read(file->fileName, f)) return rc;
  uint8_t b[4];
  if (!f.read(b, 4)) return kFennicReadFailed;
  if (b[0] == 'I' && b[1] == 'I')
    file->type = kFileTiff8;
  else if (b[0] == 'B' && b[1] == 'M')
    file->type = kFileBitmap;
  else if (b[0] == 'Q' && b[1] == 'E' && b[2] == 'W' && b[3] <= 2)
    file->type = b[3] == 0 ? kFileQewV0 : b[3] == 1 ? kFileQewV1 : kFileQew;
  else
    file->type = kFileUnknown;
  return kFennicOk;
}

int32_t fennic::get_scan_info(FileInfo* file, ScanInfo* info, Io& io) {
  if (!file || !info) return kFennicBadParameter;
  if (!file->fileName) return kFennicNoFileName;
  File f(io);
  if (int rc = File::open_read(file->fileName, f)) return rc;
  const Family* family = reader_family(file->type);
  if (!family) return kFennicWrongType;
  return family->scan_info(f, *file, *info);
}

int32_t fennic::read_image(FileInfo* file, const ScanInfo* rect, ImageData* image, Io& io) {
  if (!file || !rect || !image) return kFennicBadParameter;
  if (!file->fileName) return kFennicNoFileName;
  const uint32_t n = image->sampling;
  if (n == 0 || rect->width / n != image->width || rect->height / n != image->height) return kFennicBadSampling;
  if (!image->pixels) return kFennicNoImageData;
  File f(io);
  if (int rc = File::open_read(file->fileName, f)) return rc;
  const Family* family = reader_family(file->type);
  if (!family) return kFennicWrongType;
  return family->read(f, file->type, *rect, *image);
}

int32_t fennic::write_image(FileInfo* file, const ScanInfo* info, const ImageData* image, Io& io) {
  if (!file || !info || !image) return kFennicBadParameter;
  if (!file->fileName) return kFennicNoFileName;
  return guarded([&] { return write_file(file, *info, *image, *info, io); });
}

int32_t fennic::write_region(FileInfo* file, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, const ScanInfo* info,
                             const ImageData* image, Io& io) {
  if (!file || !info || !image) return kFennicBadParameter;
  if (!file->fileName) return kFennicNoFileName;
  if (x0 < info->originX || x1 < x0 || uint64_t{x1} + 1 > uint64_t{info->originX} + info->width || y0 < info->originY ||
      y1 < y0 || uint64_t{y1} + 1 > uint64_t{info->originY} + info->height)
    return kFennicBadRegion;
  ScanInfo header = *info;
  header.originX = x0;
  header.originY = y0;
  header.width = x1 - x0 + 1;
  header.height = y1 - y0 + 1;
  return guarded([&] { return write_file(file, *info, *image, header, io); });
}

int32_t fennic::copy_region(FileInfo* source, const char* destination, uint32_t x0, uint32_t y0, uint32_t x1,
                            uint32_t y1, Io& io) {
  if (!source || !destination) return kFennicBadParameter;
  if (!source->fileName) return kFennicNoFileName;
  if (x1 < x0 || y1 < y0) return kFennicBadRegion;
  return guarded([&]() -> int32_t {
    File src(io);
    if (File::open_read(source->fileName, src) != kFennicOk) {
      const std::string again = with_replaced_extension(source->fileName, source->type);
      if (int rc = File::open_read(again.c_str(), src)) return rc;
    }
    const std::string name = with_default_extension(destination, source->type);
    // Creating the destination over the source would truncate what is to be copied.
    if (src.is_same_file(name.c_str())) return kFennicCreateFailed;
    NewFile dst(name, io);
    return dst.finish(writer_family(source->type).copy(src, dst, Corners{x0, y0, x1, y1}));
  });
}

FENNIC_API uint32_t _Version(void) { return kFennicVersion; }

FENNIC_API const char* _ErrorMessage(int32_t code) {
  if (code < 0 || code > kFennicQewUnsupported) return nullptr;
  return kMessages[code];
}

FENNIC_API int32_t _GetFileInfo(FileInfo* file) { return get_file_info(file, plain_io()); }

FENNIC_API int32_t _GetScanInfo(FileInfo* file, ScanInfo* info) { return get_scan_info(file, info, plain_io()); }

FENNIC_API int32_t _ReadImage(FileInfo* file, const ScanInfo* rect, ImageData* image) {
  return read_image(file, rect, image, plain_io());
}

FENNIC_API int32_t _Write(FileInfo* file, const ScanInfo* info, const ImageData* image) {
  return write_image(file, info, image, plain_io());
}

FENNIC_API int32_t _WriteRegion(FileInfo* file, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                                const ScanInfo* info, const ImageData* image) {
  return write_region(file, x0, y0, x1, y1, info, image, plain_io());
}

FENNIC_API int32_t _CopyRegion(FileInfo* source, const char* destination, uint32_t x0, uint32_t y0, uint32_t x1,
                               uint32_t y1) {
  return copy_region(source, destination, x0, y0, x1, y1, plain_io());
}
