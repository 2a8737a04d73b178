// Line streaming of QEW files and its exports: the caller's handle variable
// holds the open descriptor between calls, as the descriptor plus one so that a zeroed
// variable names no stream (and never the standard input); all bits set
// means no file is open.
#include <climits>

#include "fennic/fennic_api.h"
#include "fennic/format.h"
#include "fennic/operations.h"

using namespace fennic;

namespace {

FennicHandle to_handle(int fd) { return reinterpret_cast<FennicHandle>(static_cast<intptr_t>(fd) + 1); }
int to_fd(FennicHandle h) {
  const intptr_t v = reinterpret_cast<intptr_t>(h);
  return v > 0 && v <= INT_MAX ? static_cast<int>(v - 1) : -1;
}

// Borrows the descriptor of an open stream without closing it, for a call
// that works on it through `io`.
struct Borrowed {
  Borrowed(FennicHandle h, Io& io) : file(to_fd(h), io) {}
  ~Borrowed() { file.release(); }
  File file;
};

int32_t end_stream(FennicHandle* handle) {
  if (!handle || *handle == FENNIC_INVALID_HANDLE) return kFennicBadParameter;
  File(to_fd(*handle), plain_io()).close();
  *handle = FENNIC_INVALID_HANDLE;
  return kFennicOk;
}

}  // namespace

int32_t fennic::start_read(FennicHandle* handle, FileInfo* file, ScanInfo* info, Io& io) {
  if (!handle || !file || !info) return kFennicBadParameter;
  if (!file->fileName) return kFennicNoFileName;
  File f(io);
  const int rc = File::open_read(file->fileName, f);
  *handle = rc == kFennicOk ? to_handle(f.fd()) : FENNIC_INVALID_HANDLE;
  if (rc) return rc;
  const int header = read_qew_header(f, *info, &file->type, nullptr);
  f.release();  // the caller ends the stream, also after a failed header
  return header;
}

int32_t fennic::read_line(FennicHandle* handle, const ScanInfo* info, uint16_t* line, Io& io) {
  if (!handle || !info || *handle == FENNIC_INVALID_HANDLE || !line) return kFennicBadParameter;
  Borrowed b(*handle, io);
  return b.file.read(line, uint64_t{info->width} * 2) ? kFennicOk : kFennicReadFailed;
}

int32_t fennic::start_write(FennicHandle* handle, FileInfo* file, const ScanInfo* info, Io& io) {
  if (!handle || !file || !info) return kFennicBadParameter;
  if (!file->fileName) return kFennicNoFileName;
  File f(io);
  const int rc = File::create(file->fileName, f);
  *handle = rc == kFennicOk ? to_handle(f.fd()) : FENNIC_INVALID_HANDLE;
  if (rc) return rc;
  file->type = kFileQew;
  uint8_t head[4 + sizeof(ScanInfo)] = {'Q', 'E', 'W', 2};
  std::memcpy(head + 4, info, sizeof *info);
  const bool ok = f.write(head, sizeof head);
  // The stream stays open for the end call, but a file without its header
  // is not left behind.
  if (!ok) f.remove_name(file->fileName);
  f.release();
  return ok ? kFennicOk : kFennicWriteFailed;
}

int32_t fennic::write_line(FennicHandle* handle, const ScanInfo* info, const uint16_t* line, Io& io) {
  if (!handle || !info || *handle == FENNIC_INVALID_HANDLE || !line) return kFennicBadParameter;
  Borrowed b(*handle, io);
  return b.file.write(line, uint64_t{info->width} * 2) ? kFennicOk : kFennicWriteFailed;
}

FENNIC_API int32_t _StartRead(FennicHandle* handle, FileInfo* file, ScanInfo* info) {
  return start_read(handle, file, info, plain_io());
}

FENNIC_API int32_t _ReadLine(FennicHandle* handle, const ScanInfo* info, uint16_t* line) {
  return read_line(handle, info, line, plain_io());
}

FENNIC_API int32_t _EndRead(FennicHandle* handle) { return end_stream(handle); }

FENNIC_API int32_t _StartWrite(FennicHandle* handle, FileInfo* file, const ScanInfo* info) {
  return start_write(handle, file, info, plain_io());
}

FENNIC_API int32_t _WriteLine(FennicHandle* handle, const ScanInfo* info, const uint16_t* line) {
  return write_line(handle, info, line, plain_io());
}

FENNIC_API int32_t _EndWrite(FennicHandle* handle) { return end_stream(handle); }
