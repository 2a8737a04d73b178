#pragma once
// The operations behind the exports, each running its files and buffers on
// the I/O it is given; the exports run them on plain I/O. Arguments are
// checked here, in the exports' order.
#include <cstdint>

#include "fennic/fennic_api.h"
#include "fennic/file.h"

namespace fennic {

int32_t get_file_info(FileInfo* file, Io& io);
int32_t get_scan_info(FileInfo* file, ScanInfo* info, Io& io);
int32_t read_image(FileInfo* file, const ScanInfo* rect, ImageData* image, Io& io);
int32_t write_image(FileInfo* file, const ScanInfo* info, const ImageData* image, Io& io);
int32_t write_region(FileInfo* file, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1, const ScanInfo* info,
                     const ImageData* image, Io& io);
int32_t copy_region(FileInfo* source, const char* destination, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1,
                    Io& io);

// Line streams: the handle holds the descriptor between calls; each call
// reads or writes through the I/O it is given.
int32_t start_read(FennicHandle* handle, FileInfo* file, ScanInfo* info, Io& io);
int32_t read_line(FennicHandle* handle, const ScanInfo* info, uint16_t* line, Io& io);
int32_t start_write(FennicHandle* handle, FileInfo* file, const ScanInfo* info, Io& io);
int32_t write_line(FennicHandle* handle, const ScanInfo* info, const uint16_t* line, Io& io);

}  // namespace fennic
