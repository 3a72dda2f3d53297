// Host-side file helpers: atomic replacement, machine-wide locks and the
// emulated attribute bits.
#include "hostfs.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "batch_internal.h"
#include "changeboard.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"

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
    case EFBIG:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_ACCESS_DENIED;
  }
}

FileStamp StampOf(const std::string& host) {
  struct stat st{};
  if (host.empty() || ::stat(host.c_str(), &st) != 0) return FileStamp{};
  return StampOfStat(st);
}

FileStamp StampOfStat(const struct stat& st) {
  FileStamp s;
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

bool IsLayerTempName(const char* name) { return std::strncmp(name, kTempPrefix, std::strlen(kTempPrefix)) == 0; }

namespace {

// The process id in a temporary name ".~velm<pid>-<n>.tmp", or 0.
int TempOwner(const char* name) {
  if (!IsLayerTempName(name)) return 0;
  const char* p = name + std::strlen(kTempPrefix);
  char* end = nullptr;
  long pid = std::strtol(p, &end, 10);
  if (end == p || *end != '-' || pid <= 0 || pid > 0x7FFFFFFF) return 0;
  return int(pid);
}

bool ProcessIsGone(int pid) { return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH; }

std::mutex g_swept_mutex;
std::set<std::string>& SweptDirs() {
  static std::set<std::string> dirs;
  return dirs;
}

}  // namespace

void SweepDeadTemps(const std::string& dir) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> gone;
  while (dirent* e = ::readdir(d)) {
    int pid = TempOwner(e->d_name);
    if (pid && pid != int(::getpid()) && ProcessIsGone(pid)) gone.push_back(e->d_name);
  }
  ::closedir(d);
  if (gone.empty()) return;
  // A dead writer's file that an intent record names is the new text of a
  // commit still to be finished, not a leftover.
  const std::set<std::string> pending = JournalTemps();
  for (const std::string& name : gone)
    if (!pending.count(dir + "/" + name)) ::unlink((dir + "/" + name).c_str());
}

int CreateTempBeside(const std::string& host, std::string* temp) {
  std::string dir = HostDirName(host);
  bool first_here = false;
  {
    std::lock_guard<std::mutex> lock(g_swept_mutex);
    first_here = SweptDirs().insert(dir).second;
  }
  if (first_here) SweepDeadTemps(dir);
  // The counter makes names unique within this process and the process id
  // across live processes; a file of the same name can only be a leftover
  // of a dead process whose id came round again, so the next name is tried.
  for (int attempt = 0; attempt < 10000; ++attempt) {
    char name[64];
    std::snprintf(name, sizeof name, "/%s%d-%u.tmp", kTempPrefix, int(::getpid()), g_temp_counter.fetch_add(1));
    *temp = dir + name;
    int fd = ::open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool SyncHostDir(const std::string& dir, bool with_fault) {
  if (with_fault && plat::ShouldFail("FlushDirectory")) {
    errno = EIO;
    return false;
  }
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // a file system without directory flushes
  int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

bool ReplaceHostFile(const std::string& host, const std::string& bytes, DWORD* error) {
  return ReplaceHostFile(host, bytes.data(), bytes.size(), error, ReplaceHow{});
}

bool ReplaceHostFile(const std::string& host, const void* data, size_t size, DWORD* error, const ReplaceHow& how) {
  auto fail = [&](DWORD code) {
    if (error) *error = code;
    return false;
  };
  if (how.windows_faults && plat::ShouldFail("CreateFileW")) return fail(ERROR_ACCESS_DENIED);
  if (how.write_fault && plat::ShouldFail("WriteFile")) return fail(ERROR_DISK_FULL);
  // The new file takes the identity of the old one (or, for a copy, of its
  // source): permission bits, emulated attributes and, for a copy, times.
  const std::string& model = how.like ? *how.like : host;
  struct stat like{};
  bool has_like = ::stat(model.c_str(), &like) == 0;
  std::string temp;
  int fd = CreateTempBeside(host, &temp);
  if (fd < 0) return fail(ErrnoToWin(errno));
  bool ok = WriteAll(fd, static_cast<const char*>(data), size);
  int saved = errno;
  if (ok && has_like) {
    if (how.like) {
      timespec times[2] = {like.st_atim, like.st_mtim};
      ::futimens(fd, times);
    } else {
      KeepAfter(fd, like, false);
    }
  }
  if (ok && how.windows_faults && plat::ShouldFail("FlushFileBuffers")) {
    ok = false;
    saved = EIO;
  }
  if (ok && ::fsync(fd) != 0) {
    ok = false;
    saved = errno;
  }
  ::close(fd);
  if (ok && has_like) {
    ::chmod(temp.c_str(), like.st_mode & 07777);
    uint32_t bits = 0;
    if (GetStoredAttributes(model, &bits)) SetStoredAttributes(temp, bits);
  }
  if (ok && how.windows_faults && plat::ShouldFail("MoveFileExW")) {
    ok = false;
    saved = EACCES;
  }
  if (ok && how.prepared) {
    *how.prepared = temp;  // the caller renames it (CommitHostFile) or removes it
    return true;
  }
  // VELM_CRASH_AT=FileReplace:N kills the process with the Nth new file
  // written but not yet in place, for the crash tests of the driver's
  // multi-file changes.
  if (ok) detail::CrashPoint("FileReplace");
  if (ok) {
    MachineChange change;
    if (::rename(temp.c_str(), host.c_str()) != 0) {
      ok = false;
      saved = errno;
    }
  }
  if (!ok) {
    ::unlink(temp.c_str());
    return fail(saved == EIO ? ERROR_WRITE_FAULT : ErrnoToWin(saved));
  }
  // The new name must survive a power loss too before the write counts.
  if (!SyncHostDir(HostDirName(host))) return fail(ERROR_WRITE_FAULT);
  return true;
}

bool PrepareHostFile(const std::string& host, const std::string& bytes, std::string* temp, DWORD* error) {
  ReplaceHow how;
  how.prepared = temp;
  return ReplaceHostFile(host, bytes.data(), bytes.size(), error, how);
}

bool CommitHostFile(const std::string& temp, const std::string& host, DWORD* error) {
  bool renamed;
  {
    MachineChange change;
    renamed = ::rename(temp.c_str(), host.c_str()) == 0;
  }
  if (!renamed) {
    int saved = errno;
    ::unlink(temp.c_str());
    if (error) *error = ErrnoToWin(saved);
    return false;
  }
  if (!SyncHostDir(HostDirName(host))) {
    if (error) *error = ERROR_WRITE_FAULT;
    return false;
  }
  return true;
}

std::string MachineLockPath(const std::string& key) {
  char name[40];
  std::snprintf(name, sizeof name, "/%016llx.lock", static_cast<unsigned long long>(Fnv1a(key)));
  return plat::MachineRoot() + "/.locks" + name;
}

std::string PathLockKey(const char16_t* windows_path) {
  std::u16string folded = plat::FoldPath(windows_path);
  return folded.empty() ? std::string() : "path:" + plat::ToUtf8(folded);
}

bool EnsureLockDir() {
  ::mkdir(plat::MachineRoot().c_str(), 0777);
  ::mkdir((plat::MachineRoot() + "/.locks").c_str(), 0777);
  return IsHostDir(plat::MachineRoot() + "/.locks");
}

namespace {
// The machine locks this thread holds: lock file -> descriptor and depth.
struct HeldLock {
  int fd = -1;
  unsigned depth = 0;
};
thread_local std::map<std::string, HeldLock> t_held;

// A forked child does not hold its parent's locks: its copies of the
// descriptors are closed (the parent's stay locked) and forgotten, so that
// the child waits for the locks like any other process.
void ForgetHeldLocksInChild() {
  for (auto& [path, held] : t_held)
    if (held.fd >= 0) ::close(held.fd);
  t_held.clear();
}
[[maybe_unused]] const int g_held_atfork = pthread_atfork(nullptr, nullptr, ForgetHeldLocksInChild);
}  // namespace

MachineLock::MachineLock(const std::string& key) : path_(MachineLockPath(key)) {
  HeldLock& held = t_held[path_];
  if (held.depth++ > 0) return;  // taken again by its holder
  held.fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (held.fd < 0 && errno == ENOENT && EnsureLockDir()) held.fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (held.fd >= 0) {
    while (::flock(held.fd, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  // A commit that a killed writer left half-done under this lock is
  // finished before the holder reads anything it covers.
  if (!IsJournalKey(key)) JournalReplayFor(key);
}

MachineLock::~MachineLock() {
  auto it = t_held.find(path_);  // (gone in a child forked while it was held)
  if (it == t_held.end() || --it->second.depth > 0) return;
  if (it->second.fd >= 0) ::close(it->second.fd);  // closing releases the lock
  t_held.erase(it);
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
