// Host-side file helpers shared by the services of the layer (internal).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "plat/wintypes.h"

namespace plat::detail {

DWORD ErrnoToWin(int error);

// Identity and version of a host file, for caches that must notice another
// process's rewrite.
struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && dev == o.dev && ino == o.ino && size == o.size && mtime_ns == o.mtime_ns;
  }
};
FileStamp StampOf(const std::string& host);

bool IsHostDir(const std::string& host);
bool IsHostFile(const std::string& host);
std::string HostDirName(const std::string& host);

// The whole file; false with a Windows error code when it cannot be read.
bool ReadHostFile(const std::string& host, std::string* out, DWORD* error);

// Writes bytes to a temporary file beside host, flushes it and renames it
// over host; the old file's permission bits and emulated attributes are
// kept. On failure the old file is untouched. Faults: "WriteFile" (disk
// full).
bool ReplaceHostFile(const std::string& host, const std::string& bytes, DWORD* error);
// The two halves of ReplaceHostFile, for rewrites of several files that are
// to be applied together: the new bytes written and flushed beside host
// (*temp its name; faults as above), then renamed over host. A prepared
// file that is not committed is removed with ::unlink.
bool PrepareHostFile(const std::string& host, const std::string& bytes, std::string* temp, DWORD* error);
bool CommitHostFile(const std::string& temp, const std::string& host, DWORD* error);

// Makes the file's modification time later than old's when the clock has
// not moved on since old was written (the host clock is coarse), so that
// caches keyed by the time see every rewrite. With only_when_equal, a file
// that is older than old on purpose keeps its time.
void KeepAfter(int fd, const struct stat& old, bool only_when_equal);

// A temporary name in the directory of host; FindFirstFileW does not list
// such names.
std::string TempNameBeside(const std::string& host);
bool IsLayerTempName(const char* name);

// An exclusive lock shared by all processes of the machine, keyed by a text
// (a host path, an object name). Taken for the lifetime of the object.
class MachineLock {
 public:
  explicit MachineLock(const std::string& key);
  ~MachineLock();
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

 private:
  int fd_ = -1;
};
// A rewrite prepared beside its file and not yet renamed over it, with the
// file's machine lock held until the object goes.
struct PreparedWrite {
  std::string host;
  std::string temp;  // empty: nothing to rename
  std::shared_ptr<MachineLock> lock;
};

// Creates <machine root>/.locks when missing.
bool EnsureLockDir();
// The lock file of a key: <machine root>/.locks/<hash>.lock.
std::string MachineLockPath(const std::string& key);

// Emulated attribute bits (HIDDEN, SYSTEM, ARCHIVE) of a host file; false
// when none were ever stored.
bool GetStoredAttributes(const std::string& host, uint32_t* bits);
bool SetStoredAttributes(const std::string& host, uint32_t bits);
// Windows attributes of a host file or directory, INVALID_FILE_ATTRIBUTES
// when missing.
DWORD HostAttributes(const std::string& host);

// Writes all n bytes to fd, retrying after interruptions; false on an error.
bool WriteAll(int fd, const char* p, size_t n);

}  // namespace plat::detail
