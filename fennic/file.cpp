#include "fennic/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace fennic {

Io& plain_io() {
  static PlainIo io;
  return io;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.release();
    io_ = other.io_;
  }
  return *this;
}

void File::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

int File::open_read(const char* name, File& out) {
  out.close();
  // Non-blocking so that a FIFO cannot hold the open; the type is checked next.
  int fd = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return kFennicOpenFailed;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return kFennicOpenFailed;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  out.fd_ = fd;
  return kFennicOk;
}

int File::create(const char* name, File& out) {
  out.close();
  int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) return kFennicCreateFailed;
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return kFennicCreateFailed;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  out.fd_ = fd;
  return kFennicOk;
}

// Reads until len bytes or the end of the file, from the position (offset
// below 0) or from an offset; returns the count, or -1 on an error.
static int64_t read_loop(int fd, uint8_t* p, size_t len, int64_t offset) {
  size_t done = 0;
  while (done < len) {
    size_t chunk = len - done;
    if (chunk > (size_t{1} << 30)) chunk = size_t{1} << 30;
    ssize_t n = offset < 0 ? ::read(fd, p + done, chunk)
                           : ::pread(fd, p + done, chunk, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

int64_t PlainIo::read(int fd, void* dst, size_t len) { return read_loop(fd, static_cast<uint8_t*>(dst), len, -1); }

int PlainIo::read_at(int fd, uint64_t offset, void* dst, size_t len) {
  if (offset > static_cast<uint64_t>(LLONG_MAX) - len) return kFennicSeekFailed;
  const int64_t n = read_loop(fd, static_cast<uint8_t*>(dst), len, static_cast<int64_t>(offset));
  return n == static_cast<int64_t>(len) ? kFennicOk : kFennicReadFailed;
}

bool PlainIo::write(int fd, const void* src, size_t len) {
  auto* p = static_cast<const uint8_t*>(src);
  size_t done = 0;
  while (done < len) {
    size_t chunk = len - done;
    if (chunk > (size_t{1} << 30)) chunk = size_t{1} << 30;
    ssize_t n = ::write(fd, p + done, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool PlainIo::seek(int fd, uint64_t offset) {
  if (offset > static_cast<uint64_t>(LLONG_MAX)) return false;
  return lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool PlainIo::skip(int fd, uint64_t delta) {
  if (delta > static_cast<uint64_t>(LLONG_MAX)) return false;
  off_t here = lseek(fd, 0, SEEK_CUR);
  if (here < 0 || static_cast<uint64_t>(here) > static_cast<uint64_t>(LLONG_MAX) - delta) return false;
  return delta == 0 || lseek(fd, static_cast<off_t>(delta), SEEK_CUR) >= 0;
}

void* PlainIo::allocate(size_t bytes) { return ::operator new(bytes, std::nothrow); }

uint64_t File::size() const {
  struct stat st;
  if (fstat(fd_, &st) != 0 || st.st_size < 0) return 0;
  return static_cast<uint64_t>(st.st_size);
}

static FileTime to_filetime(int64_t sec, int64_t nsec) {
  // 100-ns ticks between 1601-01-01 and 1970-01-01.
  constexpr int64_t kEpochTicks = 116444736000000000LL;
  int64_t ticks = kEpochTicks + sec * 10000000LL + nsec / 100;
  if (ticks < 0) ticks = 0;
  auto u = static_cast<uint64_t>(ticks);
  return FileTime{static_cast<uint32_t>(u), static_cast<uint32_t>(u >> 32)};
}

FileTime File::creation_time() const {
  struct statx sx;
  if (statx(fd_, "", AT_EMPTY_PATH, STATX_BTIME | STATX_MTIME, &sx) == 0) {
    if (sx.stx_mask & STATX_BTIME) return to_filetime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec);
    return to_filetime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
  }
  struct stat st;
  if (fstat(fd_, &st) == 0) return to_filetime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  return FileTime{0, 0};
}

bool File::is_same_file(const char* name) const {
  struct stat mine, other;
  return fstat(fd_, &mine) == 0 && stat(name, &other) == 0 && mine.st_dev == other.st_dev &&
         mine.st_ino == other.st_ino;
}

void File::remove_name(const char* name) const {
  struct stat mine, there;
  if (fstat(fd_, &mine) == 0 && S_ISREG(mine.st_mode) && lstat(name, &there) == 0 && mine.st_dev == there.st_dev &&
      mine.st_ino == there.st_ino)
    ::unlink(name);
}

namespace {

// The file a name reaches: through symbolic links, the file they name.
std::string resolved_name(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return name;
  char* real = realpath(name.c_str(), nullptr);
  if (!real) return name;
  std::string out(real);
  std::free(real);
  return out;
}

// Creates a new, unused name beside `target` for writing; -1 when none can be made.
int create_beside(const std::string& target, std::string& written) {
  static std::atomic<unsigned> serial{0};
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  // Short enough for any file system's name limit.
  const std::string base = target.substr(folder.size()).substr(0, 160);
  for (int attempt = 0; attempt < 100; ++attempt) {
    written = folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(serial++) + ".part";
    const int fd = ::open(written.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

NewFile::~NewFile() {
  if (!created_ || kept_) return;
  if (written_.empty())
    file_.remove_name(name_.c_str());
  else
    ::unlink(written_.c_str());
}

int NewFile::create() {
  created_ = false;
  file_.close();
  const std::string target = resolved_name(name_);
  struct stat st;
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    // A device takes the bytes in place; folders, FIFOs and sockets are refused.
    const int rc = File::create(target.c_str(), file_);
    created_ = rc == kFennicOk;
    return rc;
  }
  const int fd = create_beside(target, written_);
  if (fd < 0) {
    written_.clear();
    return kFennicCreateFailed;
  }
  file_ = File(fd, file_.io());
  target_ = target;
  created_ = true;
  if (exists) {
    // The replacement keeps the owner and the permissions of the file it replaces.
    if (fchown(fd, st.st_uid, st.st_gid) != 0) {
    }
    if (fchmod(fd, st.st_mode & 07777) != 0) {
    }
  }
  return kFennicOk;
}

int NewFile::finish(int rc) {
  if (rc == kFennicOk && created_ && !written_.empty()) {
    // Bytes the disk could not take show up at the flush at the latest.
    if (fsync(file_.fd()) != 0) {
      rc = kFennicWriteFailed;
    } else {
      file_.close();
      if (::rename(written_.c_str(), target_.c_str()) != 0) rc = kFennicCreateFailed;
    }
  }
  kept_ = rc == kFennicOk;
  return rc;
}

}  // namespace fennic
