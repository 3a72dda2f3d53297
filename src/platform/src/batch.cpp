// Write batches of a thread (see plat/batch.h), and their commit record.
#include "plat/batch.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string_view>

#include "batch_internal.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"

namespace plat::detail {

namespace {

thread_local int t_depth = 0;
thread_local bool t_discard = false;
std::atomic<unsigned> g_record_counter{0};

constexpr std::string_view kRecordHead = "velm write batch 1\n";
constexpr std::string_view kRecordEnd = "E\n";
constexpr const char* kRecordSuffix = ".rec";

std::string RecordDir(const std::string& root) { return root + "/.batch"; }

// Paths in a record are relative to the machine folder, so that a machine
// copied or moved elsewhere replays into itself.
std::string Relative(const std::string& root, const std::string& path) {
  if (path.size() > root.size() + 1 && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/')
    return path.substr(root.size() + 1);
  return path;
}
std::string Absolute(const std::string& root, const std::string& path) {
  return !path.empty() && path[0] == '/' ? path : root + "/" + path;
}

// A test's stop: VELM_TEST_STOP_AT_RENAME=N kills the process just before
// the Nth rename of a batch of several files (0: before its record is
// written), as a crash or a kill -9 would at that point.
void StopAt(int step) {
  const char* want = std::getenv("VELM_TEST_STOP_AT_RENAME");
  if (want && *want && std::atoi(want) == step) ::kill(::getpid(), SIGKILL);
}

bool IsRecordName(const char* name) {
  size_t n = std::strlen(name), s = std::strlen(kRecordSuffix);
  return name[0] != '.' && n > s && std::strcmp(name + n - s, kRecordSuffix) == 0;
}

// The record's lines: "L<TAB>lock file" for each lock to hold while
// replaying, "R<TAB>temporary<TAB>file" for each rename, then "E".
struct Record {
  std::vector<std::string> locks;
  std::vector<std::pair<std::string, std::string>> renames;
};

bool ParseRecord(const std::string& text, const std::string& root, Record* out) {
  if (text.compare(0, kRecordHead.size(), kRecordHead) != 0) return false;
  size_t pos = kRecordHead.size();
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) return false;
    std::string line = text.substr(pos, end - pos + 1);
    pos = end + 1;
    if (line == kRecordEnd) return pos == text.size();
    size_t tab = line.find('\t');
    if (tab != 1) return false;
    std::string rest = line.substr(2, line.size() - 3);
    if (line[0] == 'L' && !rest.empty()) {
      out->locks.push_back(Absolute(root, rest));
    } else if (line[0] == 'R') {
      size_t sep = rest.find('\t');
      if (sep == std::string::npos || sep == 0 || sep + 1 == rest.size()) return false;
      out->renames.emplace_back(Absolute(root, rest.substr(0, sep)), Absolute(root, rest.substr(sep + 1)));
    } else {
      return false;
    }
  }
  return false;
}

// Renames each temporary file that is still there over its file and
// flushes each folder once; false when a rename failed.
bool ApplyRenames(const std::vector<std::pair<std::string, std::string>>& renames, bool test_stops, DWORD* error) {
  bool ok = true;
  std::set<std::string> dirs;
  int step = 0;
  for (const auto& [temp, host] : renames) {
    if (test_stops) StopAt(++step);
    if (::rename(temp.c_str(), host.c_str()) == 0) {
      dirs.insert(HostDirName(host));
    } else if (errno != ENOENT || test_stops) {
      if (error && ok) *error = ErrnoToWin(errno);
      ::unlink(temp.c_str());
      ok = false;
    }
  }
  for (const std::string& dir : dirs) {
    if (!SyncHostDir(dir)) {
      if (error && ok) *error = ERROR_WRITE_FAULT;
      ok = false;
    }
  }
  return ok;
}

// Writes and flushes the record of a batch's renames in the machine's record
// folder and keeps it locked (the descriptor) until the batch is done; a
// process that finds a record nobody holds replays it.
int WriteRecord(const std::string& root, const std::vector<PreparedWrite*>& writes, std::string* path) {
  std::string text(kRecordHead);
  for (const PreparedWrite* w : writes)
    if (w->lock) text += "L\t" + Relative(root, w->lock->file()) + "\n";
  for (const PreparedWrite* w : writes) text += "R\t" + Relative(root, w->temp) + "\t" + Relative(root, w->host) + "\n";
  text += kRecordEnd;
  std::string dir = RecordDir(root);
  ::mkdir(dir.c_str(), 0777);
  char name[64];
  std::snprintf(name, sizeof name, "/%d-%u%s", int(::getpid()), g_record_counter.fetch_add(1), kRecordSuffix);
  *path = dir + name;
  std::string temp;
  int fd = CreateTempBeside(*path, &temp);
  if (fd < 0) return -1;
  bool ok = WriteAll(fd, text.data(), text.size()) && ::fsync(fd) == 0 && ::flock(fd, LOCK_EX) == 0 &&
            ::rename(temp.c_str(), path->c_str()) == 0 && SyncHostDir(dir);
  if (!ok) {
    int saved = errno;
    ::unlink(temp.c_str());
    ::unlink(path->c_str());
    ::close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

void DropRecord(const std::string& path, int fd) {
  ::unlink(path.c_str());
  SyncHostDir(HostDirName(path), false);
  ::close(fd);
}

}  // namespace

bool BatchActive() { return t_depth > 0; }

std::set<int> ProcessesWithRecords(const std::string& root) {
  std::set<int> pids;
  DIR* d = ::opendir(RecordDir(root).c_str());
  while (dirent* e = d ? ::readdir(d) : nullptr)
    if (IsRecordName(e->d_name)) pids.insert(std::atoi(e->d_name));
  if (d) ::closedir(d);
  return pids;
}

void RecoverWriteBatches(const std::string& root) {
  std::string dir = RecordDir(root);
  std::vector<std::string> names;
  DIR* d = ::opendir(dir.c_str());
  while (dirent* e = d ? ::readdir(d) : nullptr)
    if (IsRecordName(e->d_name)) names.push_back(e->d_name);
  if (d) ::closedir(d);
  for (const std::string& name : names) {
    std::string path = dir + "/" + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    // Its owner holds it while it commits; once it has it, it is this
    // process's to finish, unless the owner finished and removed it.
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || st.st_nlink == 0) {
      ::close(fd);
      continue;
    }
    std::string text;
    Record record;
    // A record is whole or absent (written beside and renamed); one that
    // does not read as a record names nothing to replay.
    if (ReadHostFile(path, &text, nullptr) && ParseRecord(text, root, &record)) {
      std::vector<std::unique_ptr<MachineLock>> locks;
      for (const std::string& lock : record.locks) locks.push_back(std::make_unique<MachineLock>(MachineLock::ByFile{}, lock));
      ApplyRenames(record.renames, false, nullptr);
    }
    DropRecord(path, fd);
  }
}

}  // namespace plat::detail

void plat::WriteBatchBegin() {
  if (detail::t_depth++ == 0) detail::t_discard = false;
}

bool plat::WriteBatchActive() { return detail::t_depth > 0; }

bool plat::WriteBatchEnd(bool keep) {
  using namespace detail;
  if (t_depth == 0) return false;
  if (!keep) t_discard = true;
  if (--t_depth > 0) return !t_discard;
  bool ok = false;
  if (!t_discard) {
    // Every file's new text is written beside it first, with all of their
    // locks held. A failure before the renames leaves every file as it was.
    // Several renames are one commit: a record naming them all is flushed
    // before the first, so that a process killed between two of them has
    // its batch finished by the next process that opens the machine.
    std::vector<PreparedWrite> prepared;
    ok = SpoolBatchPrepare(&prepared) && ProfileBatchPrepare(&prepared);
    std::vector<PreparedWrite*> writes;
    for (PreparedWrite& p : prepared)
      if (!p.temp.empty()) writes.push_back(&p);
    std::string record;
    int record_fd = -1;
    DWORD error = ERROR_SUCCESS;
    if (ok && writes.size() > 1) {
      StopAt(0);
      record_fd = WriteRecord(plat::MachineRoot(), writes, &record);
      if (record_fd < 0) {
        error = ErrnoToWin(errno);
        ok = false;
      }
    }
    if (ok) {
      std::vector<std::pair<std::string, std::string>> renames;
      for (const PreparedWrite* w : writes) renames.emplace_back(w->temp, w->host);
      ok = ApplyRenames(renames, record_fd >= 0, &error);
    } else {
      for (const PreparedWrite* w : writes) ::unlink(w->temp.c_str());
    }
    if (record_fd >= 0) DropRecord(record, record_fd);
    if (error != ERROR_SUCCESS) SetLastError(error);
  }
  detail::SpoolBatchDrop();
  detail::ProfileBatchDrop();
  t_discard = false;
  return ok;
}
