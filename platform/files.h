#pragma once
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/uio.h>

// Paths and files with the semantics the Windows-era code relies on.
// Every function accepts "\" and "/" as separators and writes "/"; the name
// "NUL" (any case, also as the last component) is the null device.
// Texts are bytes: nothing here assumes UTF-8.
namespace platform {

// "\" -> "/"; "NUL" -> "/dev/null".
std::string NativePath(std::string_view path);
bool IsNullDevice(std::string_view path);

// Last component of a path (after the last separator) and everything before
// it (without the separator; "" for a bare name, "/" for the root).
std::string_view FileNamePart(std::string_view path);
std::string FolderPart(std::string_view path);

// File path of the loaded module (shared library or program) that holds
// `address_in_module`, as dladdr reports it, made absolute. A test override
// replaces the answer for every module.
std::string ModuleFileName(const void* address_in_module);
void SetModuleFileNameOverride(std::optional<std::string> path);

// Absolute, normalised path ("." and ".." folded, "/" separators) against the
// current folder; the file need not exist. "NUL" stays "/dev/null".
std::string FullPath(std::string_view path);

bool FileExists(std::string_view path);
bool FolderExists(std::string_view path);

// One folder; false when it cannot be made or already exists.
bool CreateDirectory(std::string_view path);
// Every missing folder of `path` from the first component on; failures are
// ignored. True when the folder exists afterwards.
bool CreateDirectories(std::string_view path);

// fopen on the native path ("NUL" opens the null device).
std::FILE* OpenFile(std::string_view path, const char* mode);

bool DeleteFile(std::string_view path);
// Fails when `to` exists; across file systems the file is copied and the
// source deleted (a failed copy leaves the source and no partial target).
bool MoveFile(std::string_view from, std::string_view to);

// Last-modification time (seconds since the epoch).
std::optional<std::time_t> GetFileModifiedTime(std::string_view path);
bool SetFileModifiedTime(std::string_view path, std::time_t when);

// Windows wildcards: "*" any run, "?" one character; ASCII letters compared
// without case ("KP*.QEW" matches "kp000001.qew").
bool WildcardMatch(std::string_view pattern, std::string_view name);
// Names (not paths) of the regular files in the folder of `pattern` whose
// names match its last component, sorted without case. An unreadable or
// missing folder gives none.
std::vector<std::string> FindFiles(std::string_view pattern);

// Bytes available to the caller on the file system holding `path` (the
// nearest existing folder above it when it does not exist yet); 0 on
// failure. A test override answers for every path.
uint64_t FreeDiskSpace(std::string_view path);
void SetFreeDiskSpaceOverride(std::optional<uint64_t> bytes);

// Writes `bytes` to `path` through a temporary file in the same folder and a
// rename, so readers see the old file or the new one, never a part. A
// symbolic link is written through (the file it names is replaced); only a
// regular file is replaced: the null device takes the bytes, a folder or
// another special file is refused.
bool WriteFileAtomically(std::string_view path, std::string_view bytes);
// Whole file as bytes; nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(std::string_view path);

// Reads and writes of open files. They go through the fault plan below.
// Gathered write at an offset: the bytes written, or -1 with errno set.
int64_t WriteFileAt(std::FILE* file, const iovec* parts, int count, int64_t offset);
// Read at an offset: the bytes read (0 at the end of the file), or -1.
int64_t ReadFileAt(std::FILE* file, void* buffer, size_t size, int64_t offset);
// fwrite: the bytes written; fewer (errno set) on a failure.
size_t WriteFile(std::FILE* file, const void* data, size_t size);

// Test control: a fault plan for the files in one folder, as a full or
// read-only file system behaves. Counting from when the plan is set, every
// call of a kind from the zero-based index given on fails with `error`
// (reads and writes of open files as above; creations: OpenFile with a
// mode that writes), until the plan is replaced or cleared; -1 fails none.
// Only files at or below `folder` (every file when it is empty) count.
struct FileFaultPlan {
  std::string folder;
  int64_t read = -1;
  int64_t write = -1;
  int64_t create = -1;
  int error = ENOSPC;
};
void SetFileFaultPlan(std::optional<FileFaultPlan> plan);

}  // namespace platform
