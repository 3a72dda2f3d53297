// Host-side file helpers: atomic replacement, machine-wide locks and the
// emulated attribute bits.
#include "hostfs.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"

namespace plat::detail {

namespace {

constexpr const char* kAttrName = "user.velm.attr";
constexpr uint32_t kStoredMask = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
constexpr const char* kTempPrefix = ".~velm";

std::atomic<unsigned> g_temp_counter{0};

uint64_t Fnv1a(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}


}  // namespace

void KeepAfter(int fd, const struct stat& old, bool only_when_equal) {
  struct stat now{};
  if (::fstat(fd, &now) != 0) return;
  int64_t was = int64_t(old.st_mtim.tv_sec) * 1000000000 + old.st_mtim.tv_nsec;
  int64_t is = int64_t(now.st_mtim.tv_sec) * 1000000000 + now.st_mtim.tv_nsec;
  if (is > was || (only_when_equal && is != was)) return;
  ++was;
  timespec times[2] = {{0, UTIME_OMIT}, {time_t(was / 1000000000), long(was % 1000000000)}};
  ::futimens(fd, times);
}

DWORD ErrnoToWin(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_ACCESS_DENIED;
  }
}

FileStamp StampOf(const std::string& host) {
  FileStamp s;
  struct stat st{};
  if (host.empty() || ::stat(host.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtime_ns = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

bool IsHostDir(const std::string& host) {
  struct stat st{};
  return !host.empty() && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsHostFile(const std::string& host) {
  struct stat st{};
  return !host.empty() && ::stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string HostDirName(const std::string& host) {
  size_t slash = host.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : host.substr(0, slash ? slash : 1);
}

bool ReadHostFile(const std::string& host, std::string* out, DWORD* error) {
  out->clear();
  int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = ErrnoToWin(errno);
    return false;
  }
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = ErrnoToWin(errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    out->append(buf, size_t(n));
  }
  ::close(fd);
  return true;
}

std::string TempNameBeside(const std::string& host) {
  char name[64];
  std::snprintf(name, sizeof name, "/%s%d-%u.tmp", kTempPrefix, int(::getpid()), g_temp_counter.fetch_add(1));
  return HostDirName(host) + name;
}

bool IsLayerTempName(const char* name) { return std::strncmp(name, kTempPrefix, std::strlen(kTempPrefix)) == 0; }

bool ReplaceHostFile(const std::string& host, const std::string& bytes, DWORD* error) {
  std::string temp;
  return PrepareHostFile(host, bytes, &temp, error) && CommitHostFile(temp, host, error);
}

bool PrepareHostFile(const std::string& host, const std::string& bytes, std::string* temp_out, DWORD* error) {
  if (plat::ShouldFail("WriteFile")) {
    if (error) *error = ERROR_DISK_FULL;
    return false;
  }
  std::string temp = TempNameBeside(host);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (error) *error = ErrnoToWin(errno);
    return false;
  }
  struct stat old{};
  bool had_old = ::stat(host.c_str(), &old) == 0;
  bool ok = WriteAll(fd, bytes.data(), bytes.size());
  if (ok && had_old) KeepAfter(fd, old, false);
  ok = ok && ::fsync(fd) == 0;
  int saved = errno;
  ::close(fd);
  if (ok && had_old) {
    ::chmod(temp.c_str(), old.st_mode & 07777);
    uint32_t bits = 0;
    if (GetStoredAttributes(host, &bits)) SetStoredAttributes(temp, bits);
  }
  if (!ok) {
    ::unlink(temp.c_str());
    if (error) *error = ErrnoToWin(saved);
    return false;
  }
  *temp_out = temp;
  return true;
}

bool CommitHostFile(const std::string& temp, const std::string& host, DWORD* error) {
  if (::rename(temp.c_str(), host.c_str()) == 0) return true;
  int saved = errno;
  ::unlink(temp.c_str());
  if (error) *error = ErrnoToWin(saved);
  return false;
}

std::string MachineLockPath(const std::string& key) {
  char name[40];
  std::snprintf(name, sizeof name, "/%016llx.lock", static_cast<unsigned long long>(Fnv1a(key)));
  return plat::MachineRoot() + "/.locks" + name;
}

bool EnsureLockDir() {
  ::mkdir(plat::MachineRoot().c_str(), 0777);
  ::mkdir((plat::MachineRoot() + "/.locks").c_str(), 0777);
  return IsHostDir(plat::MachineRoot() + "/.locks");
}

MachineLock::MachineLock(const std::string& key) {
  std::string path = MachineLockPath(key);
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0 && errno == ENOENT && EnsureLockDir()) fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

MachineLock::~MachineLock() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool GetStoredAttributes(const std::string& host, uint32_t* bits) {
  char value[16] = {};
  ssize_t n = ::getxattr(host.c_str(), kAttrName, value, sizeof value - 1);
  if (n <= 0) return false;
  *bits = uint32_t(std::strtoul(value, nullptr, 10)) & kStoredMask;
  return true;
}

bool SetStoredAttributes(const std::string& host, uint32_t bits) {
  char value[16];
  int n = std::snprintf(value, sizeof value, "%u", bits & kStoredMask);
  return ::setxattr(host.c_str(), kAttrName, value, size_t(n), 0) == 0;
}

DWORD HostAttributes(const std::string& host) {
  struct stat st{};
  if (host.empty() || ::stat(host.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
  uint32_t stored = 0;
  bool has = GetStoredAttributes(host, &stored);
  DWORD attrs = 0;
  if (S_ISDIR(st.st_mode)) {
    attrs = FILE_ATTRIBUTE_DIRECTORY | (has ? stored : 0);
  } else {
    attrs = has ? stored : FILE_ATTRIBUTE_ARCHIVE;
  }
  if (!(st.st_mode & S_IWUSR)) attrs |= FILE_ATTRIBUTE_READONLY;
  if (attrs == 0) attrs = FILE_ATTRIBUTE_NORMAL;
  return attrs;
}

bool WriteAll(int fd, const char* p, size_t n) {
  while (n) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= size_t(w);
  }
  return true;
}

}  // namespace plat::detail
