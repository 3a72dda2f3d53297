// Files of the emulated machine (kernel32): Windows paths on top of the
// machine folder, with Windows meanings for dispositions, attributes, times
// and wildcard searches.
//
// Attributes: READONLY is the owner's write permission bit; HIDDEN, SYSTEM
// and ARCHIVE are kept in the extended attribute "user.velm.attr" (a file
// that never had its attributes set reads as ARCHIVE, as a new Windows file
// does). Read-only is enforced by the layer itself, so it holds even for a
// process running as root.
//
// Share modes are checked between the handles of one process only; across
// processes the driver serialises its shared files with the driver mutex.
//
// Names: a name is created under the machine lock of its case-folded path
// (see plat::FileLock) and looked up again under it, so two spellings of one
// Windows path (x.ini, X.INI) are always one host file. Whole-file writers
// (profile files, ReplaceFileContent, CopyFileW) write beside the file and
// rename; the layer's temporary files (".~velm<pid>-<n>.tmp") are never
// listed, a taken name is passed over, and those of processes that no longer
// run are removed at a process's first write into their folder.
#pragma once

#include <cstddef>
#include <string>

#include "plat/handles.h"
#include "plat/wintypes.h"

struct SECURITY_ATTRIBUTES;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 1;
constexpr DWORD FILE_SHARE_WRITE = 2;
constexpr DWORD FILE_SHARE_DELETE = 4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000u;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 1;

constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_DIRECTORY = 267;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
static_assert(sizeof(FILETIME) == 8);
static_assert(sizeof(WIN32_FIND_DATAW) == 592);
static_assert(offsetof(WIN32_FIND_DATAW, nFileSizeHigh) == 28);
static_assert(offsetof(WIN32_FIND_DATAW, cFileName) == 44);

extern "C" {

// Dispositions CREATE_NEW, CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS and
// TRUNCATE_EXISTING; OPEN_ALWAYS and CREATE_ALWAYS on an existing file leave
// ERROR_ALREADY_EXISTS as the last error. FILE_FLAG_WRITE_THROUGH flushes
// every write. Access 0 opens for querying times and size only.
// Faults: "CreateFileW".
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD flags, HANDLE template_file);
// A short read at the end of the file succeeds with the bytes read.
// Faults: "ReadFile" (ERROR_READ_FAULT).
[[nodiscard]] BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytes, DWORD* read, void* overlapped);
// Faults: "WriteFile" (ERROR_DISK_FULL, nothing written) and "WriteFile.short"
// (succeeds having written half of the bytes, as a device may).
[[nodiscard]] BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes, DWORD* written, void* overlapped);
DWORD GetFileSize(HANDLE file, DWORD* size_high);
// Read-only mappings of a whole file: CreateFileMappingW of a file opened
// for reading with PAGE_READONLY and sizes 0 (null for any other request,
// and for an empty file, as on Windows), MapViewOfFile with FILE_MAP_READ of
// the whole mapping (offsets and byte count 0). A view stays valid after the
// file and mapping handles are closed, until UnmapViewOfFile.
constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD FILE_MAP_READ = 0x0004;
HANDLE CreateFileMappingW(HANDLE file, SECURITY_ATTRIBUTES* security, DWORD protect, DWORD size_high,
                          DWORD size_low, LPCWSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offset_high, DWORD offset_low, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID view);
// Faults: "FlushFileBuffers".
[[nodiscard]] BOOL FlushFileBuffers(HANDLE file);
[[nodiscard]] BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* last_access, FILETIME* last_write);
// The creation time cannot be changed here and is ignored.
[[nodiscard]] BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* last_access,
                               const FILETIME* last_write);
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

DWORD GetFileAttributesW(LPCWSTR path);
// Faults: "SetFileAttributesW".
[[nodiscard]] BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
// Fails on a read-only file (ERROR_ACCESS_DENIED). Faults: "DeleteFileW".
[[nodiscard]] BOOL DeleteFileW(LPCWSTR path);
// Copies content, last-write time and attributes. The target is written
// under a temporary name and renamed into place, so a failed copy leaves an
// existing target as it was; a read-only target is refused
// (ERROR_ACCESS_DENIED). The copy is flushed, and its folder after the
// rename. Faults: "CopyFileW" (ERROR_DISK_FULL), "FlushDirectory"
// (ERROR_WRITE_FAULT).
[[nodiscard]] BOOL CopyFileW(LPCWSTR source, LPCWSTR target, BOOL fail_if_exists);
// The folders are flushed after the rename, so that a move answered TRUE
// survives a power loss; a flush that fails answers FALSE with
// ERROR_WRITE_FAULT (the move itself is done). Faults: "MoveFileExW",
// "FlushDirectory".
[[nodiscard]] BOOL MoveFileExW(LPCWSTR source, LPCWSTR target, DWORD flags);
// ERROR_ALREADY_EXISTS when the name exists, ERROR_PATH_NOT_FOUND when the
// parent does not. Faults: "CreateDirectoryW".
[[nodiscard]] BOOL CreateDirectoryW(LPCWSTR path, SECURITY_ATTRIBUTES* security);

// Removes an empty directory: ERROR_DIR_NOT_EMPTY when it holds anything,
// ERROR_DIRECTORY when the path is a file. Faults: "RemoveDirectoryW".
[[nodiscard]] BOOL RemoveDirectoryW(LPCWSTR path);
// The full path of a Windows path: an absolute path ("X:\...", "\\server\share\...")
// with "." and ".." components resolved and '/' read as '\'; a relative path
// is taken from the drive root of the system directory. The length without
// the terminator, or the size needed including it when the buffer is too
// small; 0 (ERROR_INVALID_NAME) for an empty path. file_part, when given,
// points at the last component inside buffer.
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* file_part);
// Wildcards '*' and '?' in the last component, matched ignoring case; "*.*"
// matches every name, and "name.*" also matches "name". "." and ".." are
// listed for every directory but a drive root.
HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE search);

// The system and Windows directories of the machine (machine settings
// dir.system and dir.windows). The result is the length without the
// terminator, or the size needed including it when the buffer is too small.
// Faults: "GetSystemDirectoryW", "GetWindowsDirectoryW".
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);

// Case-insensitive comparison (ASCII and Latin-1 letters): <0, 0 or >0.
INT lstrcmpiW(LPCWSTR a, LPCWSTR b);

}  // extern "C"

namespace plat {

// The machine-wide lock of one Windows path, held for the lifetime of the
// object. It is keyed by the case-folded path (FoldPath), so every spelling
// of a path takes the same lock, in every process of the machine. Every
// writer of a file of the machine and every creation of a name takes it:
// WritePrivateProfileStringW, ReplaceFileContent, CreateFileW, CopyFileW,
// MoveFileExW and CreateDirectoryW when they create. A thread that holds it
// may take it again. A reader-modify-writer holds it across its read and
// its rewrite so that no other writer's change is lost in between.
class FileLock {
 public:
  explicit FileLock(const char16_t* windows_path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  struct Held;
  Held* held_;
};

// Writes data as the whole new content of a file of the machine: under the
// path's lock, beside the file under a fresh temporary name, flushed,
// renamed over the file, and the directory flushed. Readers see the old or
// the new file whole; a write answered true survives a crash; on failure
// the old file is left as it was. A read-only file or a directory is
// refused (ERROR_ACCESS_DENIED); the old file's other attributes are kept.
// Faults: "CreateFileW", "WriteFile", "FlushFileBuffers", "MoveFileExW",
// "FlushDirectory" at the steps they name.
[[nodiscard]] bool ReplaceFileContent(const char16_t* windows_path, const void* data, size_t size, DWORD* error);

// The same write for a file of this computer outside the machine (the
// host's own outputs): written beside and renamed, the directory flushed,
// never left truncated. A symbolic link is followed (its target is
// replaced); a target that exists and is not a regular file (a device, a
// pipe) is written in place. False with the reason in why.
[[nodiscard]] bool ReplaceHostFileContent(const std::string& host_path, const void* data, size_t size,
                                          std::string* why);

// FILETIME (100 ns since 1601) from Unix seconds and nanoseconds, and back.
FILETIME FileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
void FileTimeToUnix(const FILETIME& ft, int64_t* seconds, int64_t* nanoseconds);
}  // namespace plat
