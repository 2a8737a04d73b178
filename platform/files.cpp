#include "platform/files.h"

#include "platform/ascii.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

std::mutex g_override_lock;
std::optional<std::string> g_module_override;
std::optional<uint64_t> g_free_space_override;

// The fault plan; `g_faults_armed` keeps the unplanned path free of locks.
enum class FaultKind { kRead, kWrite, kCreate };
std::atomic<bool> g_faults_armed{false};
std::mutex g_fault_lock;
std::optional<FileFaultPlan> g_fault_plan;
int64_t g_fault_calls[3] = {0, 0, 0};

// The real path, as far as it exists: the longest existing folder resolved
// and the rest kept.
std::string ResolvedPath(const std::string& full) {
  if (char* real = ::realpath(full.c_str(), nullptr)) {
    std::string r = real;
    std::free(real);
    return r;
  }
  if (full == "/" || full.empty()) return full;
  const std::string folder = FolderPart(full);
  return (folder == "/" ? std::string() : ResolvedPath(folder)) + "/" + std::string(FileNamePart(full));
}

std::string PathOfOpenFile(std::FILE* file) {
  char link[64], buf[PATH_MAX];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", ::fileno(file));
  ssize_t n = ::readlink(link, buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

bool Below(const std::string& path, const std::string& folder) {
  if (folder.empty()) return true;
  return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (folder.back() == '/' || path[folder.size()] == '/');
}

// True (errno set) when the plan fails this call; `path` gives the file's
// resolved path and is asked only while a plan is set.
template <typename PathOf>
bool InjectFault(FaultKind kind, PathOf&& path_of) {
  if (!g_faults_armed.load(std::memory_order_acquire)) return false;
  const std::string path = path_of();
  std::lock_guard<std::mutex> g(g_fault_lock);
  if (!g_fault_plan || !Below(path, g_fault_plan->folder)) return false;
  const int64_t from = kind == FaultKind::kRead    ? g_fault_plan->read
                       : kind == FaultKind::kWrite ? g_fault_plan->write
                                                   : g_fault_plan->create;
  const int64_t call = g_fault_calls[int(kind)]++;
  if (from < 0 || call < from) return false;
  errno = g_fault_plan->error;
  return true;
}

std::string Slashes(std::string_view path) {
  std::string s(path);
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= size_t(n);
  }
  return true;
}

// Copies `from` to a new file `to` (which must not exist), keeping the
// modification time; removes the partial target on failure.
bool CopyNewFile(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (::fstat(in, &st) != 0) {
    ::close(in);
    return false;
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (!WriteAll(out, buf, size_t(n))) {
      ok = false;
      break;
    }
  }
  ::close(in);
  if (ok) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  if (::close(out) != 0) ok = false;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

}  // namespace

bool IsNullDevice(std::string_view path) { return EqualsIgnoreCase(FileNamePart(path), "NUL"); }

std::string NativePath(std::string_view path) {
  if (IsNullDevice(path)) return "/dev/null";
  return Slashes(path);
}

std::string_view FileNamePart(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string FolderPart(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  if (cut == std::string_view::npos) return "";
  if (cut == 0) return "/";
  return Slashes(path.substr(0, cut));
}

void SetModuleFileNameOverride(std::optional<std::string> path) {
  std::lock_guard<std::mutex> g(g_override_lock);
  g_module_override = std::move(path);
}

std::string ModuleFileName(const void* address_in_module) {
  {
    std::lock_guard<std::mutex> g(g_override_lock);
    if (g_module_override) return *g_module_override;
  }
  Dl_info info{};
  std::string name;
  if (::dladdr(address_in_module, &info) != 0 && info.dli_fname) name = info.dli_fname;
  // The main program may be reported by its invocation name only.
  if (name.empty() || name.find('/') == std::string::npos) {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) name.assign(buf, size_t(n));
  }
  return FullPath(name);
}

std::string FullPath(std::string_view path) {
  if (IsNullDevice(path)) return "/dev/null";
  std::string p = Slashes(path);
  if (p.empty() || p[0] != '/') {
    char cwd[PATH_MAX];
    std::string base = ::getcwd(cwd, sizeof cwd) ? cwd : "/";
    p = base + "/" + p;
  }
  std::vector<std::string_view> parts;
  std::string_view rest(p);
  while (!rest.empty()) {
    size_t cut = rest.find('/');
    std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (auto part : parts) {
    out += '/';
    out += part;
  }
  return out.empty() ? "/" : out;
}

bool FileExists(std::string_view path) {
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FolderExists(std::string_view path) {
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDirectory(std::string_view path) { return ::mkdir(NativePath(path).c_str(), 0777) == 0; }

bool CreateDirectories(std::string_view path) {
  std::string p = NativePath(path);
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') ::mkdir(p.substr(0, i).c_str(), 0777);
  }
  return FolderExists(p);
}

std::FILE* OpenFile(std::string_view path, const char* mode) {
  const bool writes = std::strpbrk(mode, "wa+") != nullptr;
  if (writes && !IsNullDevice(path) && InjectFault(FaultKind::kCreate, [&] { return ResolvedPath(FullPath(path)); }))
    return nullptr;
  return std::fopen(NativePath(path).c_str(), mode);
}

bool DeleteFile(std::string_view path) {
  if (IsNullDevice(path)) return false;
  return ::unlink(NativePath(path).c_str()) == 0;
}

bool MoveFile(std::string_view from_path, std::string_view to_path) {
  std::string from = NativePath(from_path), to = NativePath(to_path);
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return false;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL || errno == ENOSYS) {
    // File system without no-replace renames: check, then rename.
    if (::lstat(to.c_str(), &st) == 0) return false;
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
  }
  if (errno != EXDEV) return false;
  if (!CopyNewFile(from, to)) return false;
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

std::optional<std::time_t> GetFileModifiedTime(std::string_view path) {
  struct stat st {};
  if (::stat(NativePath(path).c_str(), &st) != 0) return std::nullopt;
  return st.st_mtime;
}

bool SetFileModifiedTime(std::string_view path, std::time_t when) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, NativePath(path).c_str(), times, 0) == 0;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative match with backtracking to the last "*".
  size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> FindFiles(std::string_view pattern) {
  std::vector<std::string> names;
  std::string folder = FolderPart(pattern);
  std::string_view mask = FileNamePart(pattern);
  std::string dir = folder.empty() ? "." : folder;
  DIR* d = ::opendir(dir.c_str());
  if (!d) return names;
  while (struct dirent* e = ::readdir(d)) {
    std::string_view n(e->d_name);
    if (n == "." || n == ".." || !WildcardMatch(mask, n)) continue;
    struct stat st {};
    if (::stat((dir + "/" + e->d_name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.emplace_back(n);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return AsciiLower(x) < AsciiLower(y); });
  });
  return names;
}

void SetFreeDiskSpaceOverride(std::optional<uint64_t> bytes) {
  std::lock_guard<std::mutex> g(g_override_lock);
  g_free_space_override = bytes;
}

uint64_t FreeDiskSpace(std::string_view path) {
  {
    std::lock_guard<std::mutex> g(g_override_lock);
    if (g_free_space_override) return *g_free_space_override;
  }
  std::string p = FullPath(path);
  for (;;) {
    struct statvfs vs {};
    if (::statvfs(p.c_str(), &vs) == 0) return uint64_t(vs.f_bavail) * vs.f_frsize;
    if (errno != ENOENT && errno != ENOTDIR) return 0;
    if (p == "/") return 0;
    p = FolderPart(p);
  }
}

bool WriteFileAtomically(std::string_view path, std::string_view bytes) {
  static std::atomic<unsigned> counter{0};
  std::string target = NativePath(path);
  // Through a symbolic link the file it names is replaced, not the link.
  if (char* real = ::realpath(target.c_str(), nullptr)) {
    target = real;
    std::free(real);
  }
  std::string folder = FolderPart(target);
  std::string stem = (folder.empty() ? std::string(".") : folder) + "/." + std::string(FileNamePart(target));
  struct stat st {};
  bool existed = ::stat(target.c_str(), &st) == 0;
  // Never replace a device, folder or pipe by a regular file: what goes to
  // the null device is gone, anything else is refused.
  if (existed && !S_ISREG(st.st_mode)) return IsNullDevice(path) || target == "/dev/null";
  std::string tmp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    tmp = stem + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
    // 0666 under the umask, like a freshly created file.
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  if (ok && existed) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(tmp.c_str(), target.c_str()) == 0) return true;
  ::unlink(tmp.c_str());
  return false;
}

std::optional<std::string> ReadWholeFile(std::string_view path) {
  std::FILE* f = OpenFile(path, "rb");
  if (!f) return std::nullopt;
  std::string data;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
  bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) return std::nullopt;
  return data;
}

int64_t WriteFileAt(std::FILE* file, const iovec* parts, int count, int64_t offset) {
  if (InjectFault(FaultKind::kWrite, [&] { return PathOfOpenFile(file); })) return -1;
  for (;;) {
    ssize_t n = ::pwritev(::fileno(file), parts, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

int64_t ReadFileAt(std::FILE* file, void* buffer, size_t size, int64_t offset) {
  if (InjectFault(FaultKind::kRead, [&] { return PathOfOpenFile(file); })) return -1;
  for (;;) {
    ssize_t n = ::pread(::fileno(file), buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

size_t WriteFile(std::FILE* file, const void* data, size_t size) {
  if (size > 0 && InjectFault(FaultKind::kWrite, [&] { return PathOfOpenFile(file); })) return 0;
  return std::fwrite(data, 1, size, file);
}

void SetFileFaultPlan(std::optional<FileFaultPlan> plan) {
  std::lock_guard<std::mutex> g(g_fault_lock);
  if (plan && !plan->folder.empty()) plan->folder = ResolvedPath(FullPath(plan->folder));
  g_fault_plan = std::move(plan);
  for (int64_t& calls : g_fault_calls) calls = 0;
  g_faults_armed.store(g_fault_plan.has_value(), std::memory_order_release);
}

}  // namespace platform
