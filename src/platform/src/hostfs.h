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
FileStamp StampOfStat(const struct stat& st);

// MapPath, and the stamp of the file when the path exists as it is written
// (the one look MapPath makes then); a path matched otherwise leaves the
// stamp not existing, to be taken by the caller.
std::string MapPathStamped(const char16_t* windows_path, FileStamp* stamp);

// The host path of a Windows path as written, without matching its names
// ignoring case (MapPath does that); empty where MapPath gives nothing.
std::string LiteralHostPath(const char16_t* windows_path);
bool IsHostDir(const std::string& host);
bool IsHostFile(const std::string& host);
std::string HostDirName(const std::string& host);

// The whole file; false with a Windows error code when it cannot be read.
bool ReadHostFile(const std::string& host, std::string* out, DWORD* error);

// The one write-beside-and-rename of the layer, behind every writer of a
// whole file (profile files, stores, ReplaceFileContent, CopyFileW, the
// host's outputs): writes the bytes to a fresh temporary file beside host,
// flushes it, renames it over host and flushes the directory, so that a
// write reported done survives a crash or a power loss and a reader never
// sees a half-written file. The old file's permission bits and emulated
// attributes are kept; on failure the old file is untouched and no
// temporary file is left. The caller holds the file's lock where it has one.
struct ReplaceHow {
  bool windows_faults = false;        // faults "CreateFileW", "FlushFileBuffers", "MoveFileExW"
  bool write_fault = true;            // fault "WriteFile" (disk full)
  const std::string* like = nullptr;  // a copy: mode, attributes and times of this file
  std::string* prepared = nullptr;    // set: stop before the rename, the temporary file's name here
};
// Always: fault "FlushDirectory".
bool ReplaceHostFile(const std::string& host, const std::string& bytes, DWORD* error);
bool ReplaceHostFile(const std::string& host, const void* data, size_t size, DWORD* error, const ReplaceHow& how);

// Flushes a directory's entries (after a rename or a create in it). Fault
// "FlushDirectory" where the caller reports the answer (with_fault).
bool SyncHostDir(const std::string& dir, bool with_fault = true);

// The two halves of ReplaceHostFile, for rewrites of several files that are
// to be applied together: the new bytes written and flushed beside host
// (*temp its name; faults as above), then renamed over host and the
// directory flushed. A prepared file that is not committed is removed
// with ::unlink.
bool PrepareHostFile(const std::string& host, const std::string& bytes, std::string* temp, DWORD* error);
bool CommitHostFile(const std::string& temp, const std::string& host, DWORD* error);

// Makes the file's modification time later than old's when the clock has
// not moved on since old was written (the host clock is coarse), so that
// caches keyed by the time see every rewrite. With only_when_equal, a file
// that is older than old on purpose keeps its time.
void KeepAfter(int fd, const struct stat& old, bool only_when_equal);

// Creates a temporary file in the directory of host under a name no other
// file has (a name left by a dead process is skipped, and such leftovers of
// the directory are removed once per process); the open descriptor, or -1
// with errno. FindFirstFileW does not list such names.
int CreateTempBeside(const std::string& host, std::string* temp);
bool IsLayerTempName(const char* name);
// Removes the temporary files that processes no longer alive left in dir.
void SweepDeadTemps(const std::string& dir);

// An exclusive lock shared by all processes of the machine, keyed by a text
// (a host path, a case-folded Windows path, an object name). Taken for the
// lifetime of the object; a thread that holds it may take it again.
class MachineLock {
 public:
  explicit MachineLock(const std::string& key);
  ~MachineLock();
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

 private:
  std::string path_;
};
// The lock key of a Windows path: its case-folded form (plat::FoldPath);
// empty for a path the machine does not map.
std::string PathLockKey(const char16_t* windows_path);
// A rewrite prepared beside its file and not yet renamed over it, with the
// file's machine lock held until the object goes.
struct PreparedWrite {
  std::string key;  // the machine lock's key
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
