// Files of the emulated machine on top of the machine folder.
#include "plat/files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hostfs.h"
#include "objects.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"

namespace {

using plat::detail::ErrnoToWin;
using plat::detail::WriteAll;

constexpr int64_t kEpochDiff = 11644473600LL;  // seconds from 1601 to 1970

// ---- open files and their share modes -----------------------------------------

struct OpenEntry {
  DWORD access;
  DWORD share;
};
using FileKey = std::pair<dev_t, ino_t>;

std::mutex g_share_mutex;
std::map<FileKey, std::map<const void*, OpenEntry>>& OpenFiles() {
  static std::map<FileKey, std::map<const void*, OpenEntry>> files;
  return files;
}

constexpr DWORD kDataAccess = GENERIC_READ | GENERIC_WRITE;

bool Conflicts(const OpenEntry& a, const OpenEntry& b) {
  if ((a.access & kDataAccess) == 0 || (b.access & kDataAccess) == 0) return false;
  if ((a.access & GENERIC_READ) && !(b.share & FILE_SHARE_READ)) return true;
  if ((a.access & GENERIC_WRITE) && !(b.share & FILE_SHARE_WRITE)) return true;
  if ((b.access & GENERIC_READ) && !(a.share & FILE_SHARE_READ)) return true;
  if ((b.access & GENERIC_WRITE) && !(a.share & FILE_SHARE_WRITE)) return true;
  return false;
}

// Caller holds g_share_mutex.
bool ShareAllows(const FileKey& key, const OpenEntry& wanted) {
  auto it = OpenFiles().find(key);
  if (it == OpenFiles().end()) return true;
  for (const auto& [owner, entry] : it->second)
    if (Conflicts(wanted, entry)) return false;
  return true;
}

// Caller holds g_share_mutex: every open handle of the file allows deleting.
bool DeleteAllowed(const FileKey& key) {
  auto it = OpenFiles().find(key);
  if (it == OpenFiles().end()) return true;
  for (const auto& [owner, entry] : it->second)
    if (!(entry.share & FILE_SHARE_DELETE)) return false;
  return true;
}

struct FileObject : plat::detail::KernelObject {
  int fd = -1;
  DWORD access = 0;
  bool write_through = false;
  FileKey key{};
  ~FileObject() override {
    {
      std::lock_guard<std::mutex> lock(g_share_mutex);
      auto it = OpenFiles().find(key);
      if (it != OpenFiles().end()) {
        it->second.erase(this);
        if (it->second.empty()) OpenFiles().erase(it);
      }
    }
    if (fd >= 0) ::close(fd);
  }
};

struct FindObject : plat::detail::KernelObject {
  std::vector<WIN32_FIND_DATAW> entries;
  size_t next = 0;
  bool ClosedByCloseHandle() const override { return false; }
};

// The machine lock of a Windows path (see plat::FileLock).
class PathLock {
 public:
  explicit PathLock(LPCWSTR path) {
    std::string key = plat::detail::PathLockKey(path);
    if (!key.empty()) lock_.emplace(key);
  }

 private:
  std::optional<plat::detail::MachineLock> lock_;
};

template <class T>
T Fail(DWORD error, T value) {
  SetLastError(error);
  return value;
}

// The host path of a Windows path, or empty with ERROR_PATH_NOT_FOUND set.
std::string Host(LPCWSTR path) {
  std::string host = path ? plat::MapPath(path) : std::string();
  if (host.empty()) SetLastError(path && *path ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER);
  return host;
}

// The error for a name that does not exist: its folder missing or itself.
DWORD MissingError(const std::string& host) {
  return plat::detail::IsHostDir(plat::detail::HostDirName(host)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool ReadOnly(const std::string& host) {
  DWORD a = plat::detail::HostAttributes(host);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

FILETIME ToFileTime(const timespec& ts) { return plat::FileTimeFromUnix(ts.tv_sec, ts.tv_nsec); }

uint64_t As64(const FILETIME& ft) { return (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime; }

bool FillFindData(const std::string& host, const std::u16string& name, WIN32_FIND_DATAW* out) {
  struct stat st{};
  if (::stat(host.c_str(), &st) != 0) return false;
  *out = WIN32_FIND_DATAW{};
  out->dwFileAttributes = plat::detail::HostAttributes(host);
  out->ftCreationTime = ToFileTime(st.st_ctim);
  out->ftLastAccessTime = ToFileTime(st.st_atim);
  out->ftLastWriteTime = ToFileTime(st.st_mtim);
  uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
  out->nFileSizeHigh = DWORD(size >> 32);
  out->nFileSizeLow = DWORD(size);
  return plat::WCopy(out->cFileName, MAX_PATH, name.c_str());
}

bool WildMatch(const char16_t* pat, const char16_t* name) {
  const char16_t* star = nullptr;
  const char16_t* resume = nullptr;
  while (*name) {
    if (*pat == u'*') {
      star = pat++;
      resume = name;
    } else if (*pat && (*pat == u'?' || plat::WToLower(*pat) == plat::WToLower(*name))) {
      ++pat;
      ++name;
    } else if (star) {
      pat = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == u'*') ++pat;
  return *pat == 0;
}

bool PatternMatches(const std::u16string& pattern, const std::u16string& name) {
  if (pattern == u"*" || pattern == u"*.*") return true;
  if (WildMatch(pattern.c_str(), name.c_str())) return true;
  // DOS rule: "name.*" also matches a name without an extension.
  if (pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, u".*") == 0 &&
      name.find(u'.') == std::u16string::npos) {
    return WildMatch(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
  }
  return false;
}


UINT DirectorySetting(const char* key, const char* fault, LPWSTR buffer, UINT size) {
  plat::NoteCall(fault);
  if (plat::ShouldFail(fault)) return Fail<UINT>(ERROR_ACCESS_DENIED, 0);
  std::u16string dir = plat::FromUtf8(plat::GetMachineSetting(key));
  if (dir.empty()) return Fail<UINT>(ERROR_PATH_NOT_FOUND, 0);
  if (!buffer || size <= dir.size()) return UINT(dir.size() + 1);
  plat::WCopy(buffer, size, dir.c_str());
  return UINT(dir.size());
}

}  // namespace

FILETIME plat::FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  uint64_t v = uint64_t(seconds + kEpochDiff) * 10000000ull + uint64_t(nanoseconds / 100);
  return FILETIME{DWORD(v), DWORD(v >> 32)};
}

void plat::FileTimeToUnix(const FILETIME& ft, int64_t* seconds, int64_t* nanoseconds) {
  uint64_t v = As64(ft);
  *seconds = int64_t(v / 10000000ull) - kEpochDiff;
  *nanoseconds = int64_t(v % 10000000ull) * 100;
}

namespace {

// A mapping keeps its own descriptor of the file, so that closing the file
// handle first leaves it usable.
struct MappingObject : plat::detail::KernelObject {
  int fd = -1;
  size_t size = 0;
  ~MappingObject() override {
    if (fd >= 0) ::close(fd);
  }
};

std::mutex g_view_mutex;
std::map<const void*, size_t>& Views() {
  static auto* views = new std::map<const void*, size_t>;
  return *views;
}

// A handle of an open descriptor, entered in the share table.
// Caller holds g_share_mutex.
HANDLE AddFileHandle(int fd, DWORD access, DWORD flags, const FileKey& key, const OpenEntry& wanted) {
  auto obj = std::make_shared<FileObject>();
  obj->fd = fd;
  obj->access = access;
  obj->write_through = (flags & FILE_FLAG_WRITE_THROUGH) != 0;
  obj->key = key;
  OpenFiles()[obj->key][obj.get()] = wanted;
  return plat::detail::AddHandle(obj);
}

// OPEN_EXISTING, the common case: the path as written is opened first (a
// name spelt as stored needs no matching) and looked at through its
// descriptor, one walk of the path instead of four; only a name not found
// so is matched ignoring case and opened again. Opening changes nothing, so
// what refuses it afterwards (a folder, a read-only file asked for writing,
// a sharing conflict) only closes it again. O_NONBLOCK keeps a FIFO from
// holding the open; regular files ignore it.
HANDLE OpenExisting(LPCWSTR path, DWORD access, DWORD share, DWORD flags) {
  std::string host = plat::detail::LiteralHostPath(path);
  if (host.empty()) return Fail(path && *path ? ERROR_PATH_NOT_FOUND : ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  bool writes = (access & GENERIC_WRITE) != 0;
  int oflags = O_CLOEXEC | O_NONBLOCK | (writes ? ((access & GENERIC_READ) ? O_RDWR : O_WRONLY) : O_RDONLY);
  int fd = ::open(host.c_str(), oflags);
  int error = fd < 0 ? errno : 0;
  if (error == ENOENT || error == ENOTDIR) {
    std::string matched = Host(path);
    if (!matched.empty() && matched != host) {
      host = std::move(matched);
      fd = ::open(host.c_str(), oflags);
      error = fd < 0 ? errno : 0;
    }
  }
  if (fd < 0) {
    if (error == EISDIR) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    if (error == ENOENT || error == ENOTDIR) return Fail(MissingError(host), INVALID_HANDLE_VALUE);
    if (error == ENXIO) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);  // a FIFO or socket, not a file
    return Fail(ErrnoToWin(error), INVALID_HANDLE_VALUE);
  }
  auto refuse = [fd](DWORD error) {
    ::close(fd);
    return Fail(error, INVALID_HANDLE_VALUE);
  };
  struct stat st{};
  if (::fstat(fd, &st) != 0) return refuse(ErrnoToWin(errno));
  if (S_ISDIR(st.st_mode)) return refuse(ERROR_ACCESS_DENIED);
  if (!S_ISREG(st.st_mode)) return refuse(ERROR_FILE_NOT_FOUND);
  if (writes && ReadOnly(host)) return refuse(ERROR_ACCESS_DENIED);
  const FileKey key{st.st_dev, st.st_ino};
  const OpenEntry wanted{access, share};
  std::lock_guard<std::mutex> lock(g_share_mutex);
  if (!ShareAllows(key, wanted)) return refuse(ERROR_SHARING_VIOLATION);
  SetLastError(ERROR_SUCCESS);
  return AddFileHandle(fd, access, flags, key, wanted);
}

}  // namespace

extern "C" {

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD flags,
                   HANDLE) {
  plat::NoteCall("CreateFileW", plat::ToUtf8(path));
  if (plat::ShouldFail("CreateFileW")) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  if (disposition == OPEN_EXISTING) return OpenExisting(path, access, share, flags);
  std::string host = Host(path);
  if (host.empty()) return INVALID_HANDLE_VALUE;
  // A name is created under its path's lock, and looked up again under it,
  // so that two spellings of one path never become two files.
  std::optional<PathLock> creating;
  if ((disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) &&
      !plat::detail::IsHostFile(host)) {
    creating.emplace(path);
    host = Host(path);
  }

  // One look at the name, under the share lock, tells a folder, a missing
  // name (whose folder must exist) and the file's identity for sharing.
  std::lock_guard<std::mutex> lock(g_share_mutex);
  struct stat named{};
  bool present = ::stat(host.c_str(), &named) == 0;
  if (present && S_ISDIR(named.st_mode)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  if (!present && !plat::detail::IsHostDir(plat::detail::HostDirName(host)))
    return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  bool exists = present && S_ISREG(named.st_mode);
  bool truncates = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
  int oflags = O_CLOEXEC;
  switch (disposition) {
    case CREATE_NEW:
      if (exists) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
      oflags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS: oflags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: oflags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!exists) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
      if (!(access & GENERIC_WRITE)) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
      oflags |= O_TRUNC;
      break;
    default: return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  }
  if (exists && ((access & GENERIC_WRITE) || truncates) && ReadOnly(host))
    return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  OpenEntry wanted{access, share};
  const FileKey key{named.st_dev, named.st_ino};
  if (exists && (!ShareAllows(key, wanted) || (truncates && !ShareAllows(key, {GENERIC_WRITE, share}))))
    return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
  bool writes = (access & GENERIC_WRITE) || truncates;
  oflags |= writes ? ((access & GENERIC_READ) || truncates ? O_RDWR : O_WRONLY) : O_RDONLY;
  int fd = ::open(host.c_str(), oflags, 0666);
  if (fd < 0) return Fail(ErrnoToWin(errno), INVALID_HANDLE_VALUE);
  if (!exists) plat::detail::SyncHostDir(plat::detail::HostDirName(host), false);  // the new name is kept
  struct stat st{};
  ::fstat(fd, &st);
  SetLastError(exists && (disposition == OPEN_ALWAYS || disposition == CREATE_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                     : ERROR_SUCCESS);
  return AddFileHandle(fd, access, flags, {st.st_dev, st.st_ino}, wanted);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes, DWORD* read, void*) {
  if (read) *read = 0;
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!(f->access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!buffer && bytes) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (plat::ShouldFail("ReadFile")) return Fail(ERROR_READ_FAULT, FALSE);
  DWORD done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < bytes) {
    ssize_t n = ::read(f->fd, p + done, bytes - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (read) *read = done;
      return Fail(ErrnoToWin(errno), FALSE);
    }
    if (n == 0) break;
    done += DWORD(n);
  }
  if (read) *read = done;
  return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, DWORD* written, void*) {
  if (written) *written = 0;
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!(f->access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!buffer && bytes) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (plat::ShouldFail("WriteFile")) return Fail(ERROR_DISK_FULL, FALSE);
  DWORD count = plat::ShouldFail("WriteFile.short") ? bytes / 2 : bytes;
  if (!WriteAll(f->fd, static_cast<const char*>(buffer), count)) return Fail(ErrnoToWin(errno), FALSE);
  if (f->write_through && ::fsync(f->fd) != 0) return Fail(ErrnoToWin(errno), FALSE);
  if (written) *written = count;
  return TRUE;
}

HANDLE CreateFileMappingW(HANDLE file, SECURITY_ATTRIBUTES*, DWORD protect, DWORD size_high, DWORD size_low,
                          LPCWSTR name) {
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE, HANDLE(nullptr));
  if (protect != PAGE_READONLY || size_high || size_low || name) return Fail(ERROR_INVALID_PARAMETER, HANDLE(nullptr));
  if (!(f->access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED, HANDLE(nullptr));
  struct stat st{};
  if (::fstat(f->fd, &st) != 0 || !S_ISREG(st.st_mode)) return Fail(ERROR_INVALID_HANDLE, HANDLE(nullptr));
  if (st.st_size == 0) return Fail(ERROR_FILE_INVALID, HANDLE(nullptr));  // an empty file cannot be mapped
  auto mapping = std::make_shared<MappingObject>();
  mapping->fd = ::fcntl(f->fd, F_DUPFD_CLOEXEC, 0);
  if (mapping->fd < 0) return Fail(ERROR_NOT_ENOUGH_MEMORY, HANDLE(nullptr));
  mapping->size = size_t(st.st_size);
  return plat::detail::AddHandle(mapping);
}

LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offset_high, DWORD offset_low, SIZE_T bytes) {
  auto m = plat::detail::FindHandleAs<MappingObject>(mapping);
  if (!m) return Fail(ERROR_INVALID_HANDLE, LPVOID(nullptr));
  if (access != FILE_MAP_READ || offset_high || offset_low || bytes) return Fail(ERROR_INVALID_PARAMETER, LPVOID(nullptr));
  void* data = ::mmap(nullptr, m->size, PROT_READ, MAP_PRIVATE, m->fd, 0);
  if (data == MAP_FAILED) return Fail(ERROR_NOT_ENOUGH_MEMORY, LPVOID(nullptr));
  std::lock_guard<std::mutex> lock(g_view_mutex);
  Views()[data] = m->size;
  return data;
}

BOOL UnmapViewOfFile(LPCVOID view) {
  size_t size = 0;
  {
    std::lock_guard<std::mutex> lock(g_view_mutex);
    auto it = Views().find(view);
    if (it == Views().end()) return Fail(ERROR_INVALID_ADDRESS, FALSE);
    size = it->second;
    Views().erase(it);
  }
  ::munmap(const_cast<void*>(view), size);
  return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* size_high) {
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  struct stat st{};
  if (!f || ::fstat(f->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
  if (size_high) *size_high = DWORD(uint64_t(st.st_size) >> 32);
  SetLastError(ERROR_SUCCESS);
  return DWORD(uint64_t(st.st_size));
}

BOOL FlushFileBuffers(HANDLE file) {
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (plat::ShouldFail("FlushFileBuffers") || ::fsync(f->fd) != 0) return Fail(ERROR_WRITE_FAULT, FALSE);
  return TRUE;
}

BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* last_access, FILETIME* last_write) {
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  struct stat st{};
  if (!f || ::fstat(f->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (creation) *creation = ToFileTime(st.st_ctim);
  if (last_access) *last_access = ToFileTime(st.st_atim);
  if (last_write) *last_write = ToFileTime(st.st_mtim);
  return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME*, const FILETIME* last_access, const FILETIME* last_write) {
  auto f = plat::detail::FindHandleAs<FileObject>(file);
  if (!f) return Fail(ERROR_INVALID_HANDLE, FALSE);
  timespec ts[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
  const FILETIME* in[2] = {last_access, last_write};
  for (int i = 0; i < 2; ++i) {
    if (!in[i]) continue;
    int64_t s = 0, ns = 0;
    plat::FileTimeToUnix(*in[i], &s, &ns);
    ts[i] = {time_t(s), long(ns)};
  }
  if (::futimens(f->fd, ts) != 0) return Fail(ErrnoToWin(errno), FALSE);
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  uint64_t x = a ? As64(*a) : 0, y = b ? As64(*b) : 0;
  return x < y ? -1 : (x > y ? 1 : 0);
}

DWORD GetFileAttributesW(LPCWSTR path) {
  std::string host = Host(path);
  if (host.empty()) return INVALID_FILE_ATTRIBUTES;
  DWORD a = plat::detail::HostAttributes(host);
  if (a == INVALID_FILE_ATTRIBUTES) SetLastError(MissingError(host));
  return a;
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
  plat::NoteCall("SetFileAttributesW", plat::ToUtf8(path) + " " + std::to_string(attributes));
  if (plat::ShouldFail("SetFileAttributesW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  std::string host = Host(path);
  if (host.empty()) return FALSE;
  struct stat st{};
  if (::stat(host.c_str(), &st) != 0) return Fail(MissingError(host), FALSE);
  mode_t mode = st.st_mode & 07777;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) ? mode_t(mode & ~0222) : mode_t(mode | S_IWUSR);
  if (::chmod(host.c_str(), mode) != 0) return Fail(ErrnoToWin(errno), FALSE);
  uint32_t stored = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
  if (!plat::detail::SetStoredAttributes(host, stored)) return Fail(ERROR_NOT_SUPPORTED, FALSE);
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
  plat::NoteCall("DeleteFileW", plat::ToUtf8(path));
  PathLock path_lock(path);
  std::string host = Host(path);
  if (host.empty()) return FALSE;
  struct stat st{};
  if (::lstat(host.c_str(), &st) != 0) return Fail(MissingError(host), FALSE);
  if (S_ISDIR(st.st_mode) || ReadOnly(host)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (plat::ShouldFail("DeleteFileW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  std::lock_guard<std::mutex> lock(g_share_mutex);
  if (!DeleteAllowed({st.st_dev, st.st_ino})) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  if (::unlink(host.c_str()) != 0) return Fail(ErrnoToWin(errno), FALSE);
  return TRUE;
}

BOOL CopyFileW(LPCWSTR source, LPCWSTR target, BOOL fail_if_exists) {
  plat::NoteCall("CopyFileW", plat::ToUtf8(source) + " -> " + plat::ToUtf8(target));
  std::string from = Host(source);
  if (from.empty()) return FALSE;
  PathLock target_lock(target);
  std::string to = Host(target);
  if (to.empty()) return FALSE;
  struct stat src{};
  if (::stat(from.c_str(), &src) != 0) return Fail(MissingError(from), FALSE);
  if (S_ISDIR(src.st_mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!plat::detail::IsHostDir(plat::detail::HostDirName(to))) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  struct stat dst{};
  bool target_exists = ::stat(to.c_str(), &dst) == 0;
  if (target_exists) {
    if (fail_if_exists) return Fail(ERROR_FILE_EXISTS, FALSE);
    if (S_ISDIR(dst.st_mode) || ReadOnly(to)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) return Fail(ERROR_SHARING_VIOLATION, FALSE);
    std::lock_guard<std::mutex> lock(g_share_mutex);
    if (!ShareAllows({dst.st_dev, dst.st_ino}, {GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE}))
      return Fail(ERROR_SHARING_VIOLATION, FALSE);
  }
  if (plat::ShouldFail("CopyFileW")) return Fail(ERROR_DISK_FULL, FALSE);
  std::string bytes;
  DWORD error = 0;
  if (!plat::detail::ReadHostFile(from, &bytes, &error)) return Fail(error, FALSE);
  plat::detail::ReplaceHow how;
  how.write_fault = false;
  how.like = &from;
  DWORD code = ERROR_SUCCESS;
  if (!plat::detail::ReplaceHostFile(to, bytes.data(), bytes.size(), &code, how)) return Fail(code, FALSE);
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR source, LPCWSTR target, DWORD flags) {
  plat::NoteCall("MoveFileExW", plat::ToUtf8(source) + " -> " + plat::ToUtf8(target));
  if (plat::ShouldFail("MoveFileExW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  std::string from = Host(source);
  if (from.empty()) return FALSE;
  PathLock target_lock(target);
  std::string to = Host(target);
  if (to.empty()) return FALSE;
  struct stat src{};
  if (::lstat(from.c_str(), &src) != 0) return Fail(MissingError(from), FALSE);
  if (!plat::detail::IsHostDir(plat::detail::HostDirName(to))) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  struct stat dst{};
  if (::stat(to.c_str(), &dst) == 0 && !(dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)) {
    if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS, FALSE);
    if (S_ISDIR(dst.st_mode) || ReadOnly(to)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    std::lock_guard<std::mutex> lock(g_share_mutex);
    if (!DeleteAllowed({dst.st_dev, dst.st_ino})) return Fail(ERROR_SHARING_VIOLATION, FALSE);
  }
  if (::stat(to.c_str(), &dst) == 0 && S_ISREG(src.st_mode)) {
    int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      plat::detail::KeepAfter(fd, dst, true);
      ::close(fd);
    }
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return Fail(ErrnoToWin(errno), FALSE);
  // Durable once answered: both directories are flushed.
  bool synced = plat::detail::SyncHostDir(plat::detail::HostDirName(to));
  if (plat::detail::HostDirName(from) != plat::detail::HostDirName(to))
    synced = plat::detail::SyncHostDir(plat::detail::HostDirName(from)) && synced;
  if (!synced) return Fail(ERROR_WRITE_FAULT, FALSE);
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR path, SECURITY_ATTRIBUTES*) {
  plat::NoteCall("CreateDirectoryW", plat::ToUtf8(path));
  if (plat::ShouldFail("CreateDirectoryW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  PathLock path_lock(path);
  std::string host = Host(path);
  if (host.empty()) return FALSE;
  struct stat st{};
  if (::lstat(host.c_str(), &st) == 0) return Fail(ERROR_ALREADY_EXISTS, FALSE);
  if (!plat::detail::IsHostDir(plat::detail::HostDirName(host))) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
  if (::mkdir(host.c_str(), 0777) != 0) return Fail(ErrnoToWin(errno), FALSE);
  plat::detail::SyncHostDir(plat::detail::HostDirName(host), false);
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
  plat::NoteCall("RemoveDirectoryW", plat::ToUtf8(path));
  if (plat::ShouldFail("RemoveDirectoryW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  PathLock path_lock(path);
  std::string host = Host(path);
  if (host.empty()) return FALSE;
  struct stat st{};
  if (::lstat(host.c_str(), &st) != 0) return Fail(MissingError(host), FALSE);
  if (!S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY, FALSE);
  if (::rmdir(host.c_str()) != 0) return Fail(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrnoToWin(errno), FALSE);
  plat::detail::SyncHostDir(plat::detail::HostDirName(host), false);
  return TRUE;
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* file_part) {
  if (!path || !path[0]) return Fail(ERROR_INVALID_NAME, DWORD(0));
  std::u16string in = path;
  std::replace(in.begin(), in.end(), u'/', u'\\');
  // The root the components hang from: "X:\", "\\server\share\" or, for a
  // relative path, the drive of the system directory.
  std::u16string root, rest;
  if (in.size() >= 2 && in[0] == u'\\' && in[1] == u'\\') {
    size_t server_end = in.find(u'\\', 2);
    size_t share_end = server_end == std::u16string::npos ? server_end : in.find(u'\\', server_end + 1);
    if (share_end == std::u16string::npos) {
      root = in;
    } else {
      root = in.substr(0, share_end + 1);
      rest = in.substr(share_end + 1);
    }
  } else if (in.size() >= 2 && in[1] == u':') {
    root = in.substr(0, 2) + u"\\";
    rest = in.substr(in.size() >= 3 && in[2] == u'\\' ? 3 : 2);
  } else {
    char16_t system[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    root = n >= 2 && n < MAX_PATH ? std::u16string(system, 2) + u"\\" : std::u16string(u"C:\\");
    rest = in[0] == u'\\' ? in.substr(1) : in;
  }
  std::vector<std::u16string> parts;
  size_t at = 0;
  while (at <= rest.size()) {
    size_t end = rest.find(u'\\', at);
    if (end == std::u16string::npos) end = rest.size();
    std::u16string part = rest.substr(at, end - at);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  std::u16string full = root;
  for (size_t i = 0; i < parts.size(); ++i) full += (i ? u"\\" : u"") + parts[i];
  if (!rest.empty() && rest.back() == u'\\' && !parts.empty()) full += u'\\';
  if (!buffer || size < full.size() + 1) return DWORD(full.size() + 1);
  std::copy(full.begin(), full.end(), buffer);
  buffer[full.size()] = 0;
  if (file_part) {
    size_t slash = full.find_last_of(u'\\');
    *file_part = slash == std::u16string::npos || slash + 1 == full.size() ? nullptr : buffer + slash + 1;
  }
  return DWORD(full.size());
}

HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data) {
  plat::NoteCall("FindFirstFileW", plat::ToUtf8(pattern));
  if (!pattern || !data) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
  std::u16string full = pattern;
  size_t slash = full.find_last_of(u'\\');
  if (slash == std::u16string::npos || !plat::IsFullWindowsPath(pattern))
    return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  std::u16string dir = full.substr(0, slash);
  std::u16string wild = full.substr(slash + 1);
  if (wild.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  std::string host_dir = plat::MapPath(dir.size() == 2 ? dir + u"\\" : dir);
  if (!plat::detail::IsHostDir(host_dir)) return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  bool drive_root = dir.size() == 2;

  auto search = std::make_shared<FindObject>();
  DIR* d = ::opendir(host_dir.c_str());
  if (!d) return Fail(ErrnoToWin(errno), INVALID_HANDLE_VALUE);
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if ((name == "." || name == "..") && drive_root) continue;
    if (plat::detail::IsLayerTempName(name.c_str())) continue;
    names.push_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    bool da = a == "." || a == "..", db = b == "." || b == "..";
    if (da != db) return da;  // "." and ".." first, as Windows lists them
    return a < b;
  });
  for (const std::string& name : names) {
    std::u16string wname = plat::FromUtf8(name);
    if (!PatternMatches(wild, wname)) continue;
    WIN32_FIND_DATAW entry;
    if (FillFindData(host_dir + "/" + name, wname, &entry)) search->entries.push_back(entry);
  }
  if (search->entries.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  *data = search->entries[0];
  search->next = 1;
  return plat::detail::AddHandle(search);
}

BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data) {
  auto s = plat::detail::FindHandleAs<FindObject>(search);
  if (!s || !data) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (s->next >= s->entries.size()) return Fail(ERROR_NO_MORE_FILES, FALSE);
  *data = s->entries[s->next++];
  return TRUE;
}

BOOL FindClose(HANDLE search) {
  if (!plat::detail::RemoveHandleAs<FindObject>(search)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  return TRUE;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
  return DirectorySetting("dir.system", "GetSystemDirectoryW", buffer, size);
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
  return DirectorySetting("dir.windows", "GetWindowsDirectoryW", buffer, size);
}

INT lstrcmpiW(LPCWSTR a, LPCWSTR b) {
  int r = plat::WCmpI(a, b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // extern "C"

struct plat::FileLock::Held {
  explicit Held(LPCWSTR path) : lock(path) {}
  PathLock lock;
};

plat::FileLock::FileLock(const char16_t* windows_path) : held_(new Held(windows_path)) {}

plat::FileLock::~FileLock() { delete held_; }

bool plat::ReplaceFileContent(const char16_t* windows_path, const void* data, size_t size, DWORD* error) {
  auto fail = [&](DWORD code) {
    if (error) *error = code;
    SetLastError(code);
    return false;
  };
  if (!data && size) return fail(ERROR_INVALID_PARAMETER);
  PathLock lock(windows_path);
  std::string host = windows_path ? plat::MapPath(windows_path) : std::string();
  if (host.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (!plat::detail::IsHostDir(plat::detail::HostDirName(host))) return fail(ERROR_PATH_NOT_FOUND);
  DWORD attrs = plat::detail::HostAttributes(host);
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return fail(ERROR_ACCESS_DENIED);
  DWORD code = ERROR_SUCCESS;
  plat::detail::ReplaceHow how;
  how.windows_faults = true;
  if (!plat::detail::ReplaceHostFile(host, data, size, &code, how)) return fail(code);
  if (error) *error = ERROR_SUCCESS;
  return true;
}

bool plat::ReplaceHostFileContent(const std::string& host_path, const void* data, size_t size, std::string* why) {
  auto fail = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  if (host_path.empty() || (!data && size)) return fail("no file name");
  std::string target = host_path;
  struct stat st{};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(target.c_str(), nullptr);
    if (real) {
      target = real;
      std::free(real);
    }
  }
  if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) return fail(host_path + " is a directory");
    int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return fail(std::strerror(errno));
    bool ok = WriteAll(fd, static_cast<const char*>(data), size);
    int saved = errno;
    ::close(fd);
    return ok || fail(std::strerror(saved));
  }
  DWORD code = ERROR_SUCCESS;
  if (plat::detail::ReplaceHostFile(target, data, size, &code, plat::detail::ReplaceHow{})) return true;
  return fail(code == ERROR_DISK_FULL ? "the disk is full" : code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND ? "no such folder" : code == ERROR_ACCESS_DENIED ? "access denied" : "write failed (error " + std::to_string(code) + ")");
}
