// Stand-in for the maker's spool-side output module VELMOUT1.DLL, which
// receives the job stream of each document from the graphics library. This
// one writes the stream it receives to a file, and lets a test make it fail.
//
//   VELMOUT1_FILE        host path of the output file; without it the output
//                        goes to C:\Windows\Temp\VELMOUT1-<job id>.prn of the
//                        machine. A document is written beside the file
//                        under a temporary name and renamed over it at the
//                        document's end, so a process killed part-way
//                        leaves no truncated stream under the name. A
//                        device or pipe there is written in place. A write
//                        the disk refuses fails with ERROR_DISK_FULL, so
//                        does every write after it, and the document then
//                        leaves nothing behind; so does any failed write.
//   VELMOUT1_FAIL_WRITE  n: the n-th write of a document fails (nothing written).
//   VELMOUT1_SHORT_WRITE n: the n-th write of a document takes only half of
//                        the bytes and says so.
//   VELMOUT1_LOG         host path of a file that gets one line per call, and
//                        the line "Unload" when the module is freed.
//
// Build variants leave exports out (see CMakeLists.txt): without
// DrvSplWritePrinter, without DrvSplStartDocEx, or without either document
// start. A module without a document start gets writes with a null document
// handle; they go to one document of the module, job id 0.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <type_traits>

#include "gr2k/spool_api.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

struct Document {
  FILE* file = nullptr;
  DWORD job = 0;
  unsigned writes = 0;
  uint64_t written = 0;  // bytes sent to the file
  uint64_t handed = 0;   // of them, the bytes whose writing to disk has been started
  unsigned fail_write = 0, short_write = 0;  // the test switches, read when the document starts
  std::string path;     // the output's name
  std::string beside;   // the file written, renamed to path at the end; empty: path itself
  bool broken = false;  // a write to the file failed: nothing is kept
  bool full = false;    // ... because the disk is full
};

Document* g_default = nullptr;  // for writes without a document start

void Log(const std::string& line) {
  const char* path = std::getenv("VELMOUT1_LOG");
  if (!path || !*path) return;
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

unsigned Switch(const char* name) {
  const char* v = std::getenv(name);
  return v ? unsigned(std::strtoul(v, nullptr, 10)) : 0;
}

std::string OutputPath(DWORD job) {
  if (const char* path = std::getenv("VELMOUT1_FILE"); path && *path) return path;
  (void)plat::EnsureWindowsDir(u"C:\\Windows\\Temp");  // without it the output's open fails and is reported
  return plat::MapPath(plat::FromUtf8("C:\\Windows\\Temp\\VELMOUT1-" + std::to_string(job) + ".prn"));
}

Document* Open(DWORD job) {
  auto* doc = new (std::nothrow) Document;
  if (!doc) return nullptr;
  doc->job = job;
  doc->path = OutputPath(job);
  struct stat st{};
  const bool in_place = ::stat(doc->path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
  if (!in_place) doc->beside = doc->path + ".velmout1-" + std::to_string(::getpid()) + ".part";
  doc->file = std::fopen((in_place ? doc->path : doc->beside).c_str(), "wb");
  if (!doc->file) {
    delete doc;
    return nullptr;
  }
  // Each write goes to the file at once, so the stream's bytes are not
  // copied into a buffer of the file first.
  std::setvbuf(doc->file, nullptr, _IONBF, 0);
  doc->fail_write = Switch("VELMOUT1_FAIL_WRITE");
  doc->short_write = Switch("VELMOUT1_SHORT_WRITE");
  return doc;
}

// A failed write to the file breaks the document for good: the stream has
// lost bytes. A full disk is told as such.
[[maybe_unused]] BOOL Refused(Document* doc) {
  if (errno == ENOSPC || errno == EDQUOT) doc->full = true;
  doc->broken = true;
  if (doc->full) SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

[[maybe_unused]] Document* DocumentOf(HANDLE handle) {
  if (handle) return static_cast<Document*>(handle);
  if (!g_default) g_default = Open(0);
  return g_default;
}

// Ends the document's file: flushed and renamed over the output's name
// with its folder flushed, or removed when the disk refused a write.
void CloseFile(Document* doc) {
  if (!doc || !doc->file) return;
  bool ok = !doc->broken && std::fflush(doc->file) == 0 && ::fsync(::fileno(doc->file)) == 0;
  ok = std::fclose(doc->file) == 0 && ok;
  doc->file = nullptr;
  if (doc->beside.empty()) return;
  if (!ok || std::rename(doc->beside.c_str(), doc->path.c_str()) != 0) {
    std::remove(doc->beside.c_str());
    return;
  }
  const size_t slash = doc->path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : doc->path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// A large stream (a raster page is megabytes) is handed to the disk as it
// grows, without waiting, so that the flush at the document's end finds
// most of it written already. Where the file cannot do this (a pipe, a
// device) nothing changes.
constexpr uint64_t kWriteBackBytes = 8u << 20;

[[maybe_unused]] void StartWriteBack(Document* doc) {
  if (doc->written - doc->handed < kWriteBackBytes) return;
  (void)::sync_file_range(::fileno(doc->file), off64_t(doc->handed), off64_t(doc->written - doc->handed),
                          SYNC_FILE_RANGE_WRITE);  // only a head start: the document's end still flushes all
  doc->handed = doc->written;
}

[[maybe_unused]] HANDLE StartDocument(const char* call, HANDLE /*printer*/, DWORD job) {
  Log(std::string(call) + " job=" + std::to_string(job));
  return Open(job);
}

}  // namespace

VELM_EXPORT BOOL DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) Log("Unload");
  if (reason == DLL_PROCESS_DETACH && g_default) {
    CloseFile(g_default);
    delete g_default;
    g_default = nullptr;
  }
  return TRUE;
}

#if !defined(VELMOUT1_NO_STARTDOC) && !defined(VELMOUT1_NO_STARTDOCEX)
VELM_EXPORT HANDLE DrvSplStartDocEx(HANDLE printer, DWORD job_id) {
  return StartDocument("StartDocEx", printer, job_id);
}
static_assert(std::is_same_v<decltype(&DrvSplStartDocEx), SplStartDocFn>);
#endif

#if !defined(VELMOUT1_NO_STARTDOC)
VELM_EXPORT HANDLE DrvSplStartDoc(HANDLE printer, DWORD job_id) { return StartDocument("StartDoc", printer, job_id); }
static_assert(std::is_same_v<decltype(&DrvSplStartDoc), SplStartDocFn>);
#endif

#if !defined(VELMOUT1_NO_WRITE)
VELM_EXPORT BOOL DrvSplWritePrinter(HANDLE document, LPVOID bytes, DWORD count, DWORD* written) {
  Log("Write " + std::to_string(count));
  if (written) *written = 0;
  Document* doc = DocumentOf(document);
  if (!doc || !doc->file || (count && !bytes) || !written) return FALSE;
  if (doc->broken) {
    if (doc->full) SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  const unsigned n = ++doc->writes;
  if (n == doc->fail_write) return FALSE;
  DWORD take = n == doc->short_write ? count / 2 : count;
  errno = 0;
  if ((take && std::fwrite(bytes, 1, take, doc->file) != take) || std::fflush(doc->file) != 0) return Refused(doc);
  *written = take;
  doc->written += take;
  StartWriteBack(doc);
  return TRUE;
}
static_assert(std::is_same_v<decltype(&DrvSplWritePrinter), SplWritePrinterFn>);
#endif

VELM_EXPORT BOOL DrvSplStartPage(HANDLE /*document*/) {
  Log("StartPage");
  return TRUE;
}

VELM_EXPORT BOOL DrvSplEndPage(HANDLE /*document*/) {
  Log("EndPage");
  return TRUE;
}

VELM_EXPORT void DrvSplEndDoc(HANDLE document) {
  Log("EndDoc");
  CloseFile(document ? static_cast<Document*>(document) : g_default);
}

VELM_EXPORT void DrvSplClose(HANDLE document) {
  Log("Close");
  if (document) {
    auto* doc = static_cast<Document*>(document);
    CloseFile(doc);
    delete doc;
  }
}

static_assert(std::is_same_v<decltype(&DrvSplStartPage), SplStartPageFn>);
static_assert(std::is_same_v<decltype(&DrvSplEndPage), SplEndPageFn>);
static_assert(std::is_same_v<decltype(&DrvSplEndDoc), SplEndDocFn>);
static_assert(std::is_same_v<decltype(&DrvSplClose), SplCloseFn>);
