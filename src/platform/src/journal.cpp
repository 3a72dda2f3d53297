// The journal of multi-file commits (see batch_internal.h).
//
// A write batch that rewrites several files first writes every new file
// beside its old one, holding each file's machine lock. Before the first
// rename it writes an intent record into <machine root>/.journal naming, for
// each file, its lock key, the prepared temporary file and the file it
// replaces; the record is written beside and renamed, and flushed with its
// folder. Then the renames run, and the record is removed. A process killed
// between the record and its removal leaves the record behind, and with it
// every temporary file not yet renamed. Whoever comes next finishes the
// commit (rolls it forward: every file it names was written whole before the
// record existed), so the files are found all as before (no record was
// written) or all as after.
//
// Who replays: a record is only ever left by a dead writer while none of its
// files' locks is held, for the writer held them all from before the record
// until after its removal. So
//   - a process that takes a file's lock replays, first, every record naming
//     that file (it holds the lock, so the writer is gone);
//   - the first touch of a machine by a process replays every record whose
//     files' locks it can all take at once without waiting (a record whose
//     lock is busy belongs to a live writer, or to whoever holds the lock,
//     who replays it as above).
// Replays take the journal's own lock, so two never run at once, and whoever
// then holds another file of the record must pass its own replay, which waits
// for that lock, before it reads the file.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "batch_internal.h"
#include "changeboard.h"
#include "plat/kernel.h"
#include "plat/machine.h"

namespace plat::detail {
namespace {

constexpr const char* kJournalKey = "journal:write-batches";
constexpr const char* kRecordHeader = "velm write batch 1";
constexpr const char* kRecordPrefix = "batch-";
constexpr const char* kRecordSuffix = ".rec";

struct Entry {
  std::string key, temp, host;
};

std::string JournalDir(const std::string& root) { return root + "/.journal"; }

bool IsRecordName(const char* name) {
  size_t n = std::strlen(name), p = std::strlen(kRecordPrefix), s = std::strlen(kRecordSuffix);
  return n > p + s && std::strncmp(name, kRecordPrefix, p) == 0 && std::strcmp(name + n - s, kRecordSuffix) == 0;
}

// The records of the journal folder, by full path; empty without a folder.
std::vector<std::string> Records(const std::string& root) {
  std::vector<std::string> out;
  const std::string dir = JournalDir(root);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return out;
  while (dirent* e = ::readdir(d))
    if (IsRecordName(e->d_name)) out.push_back(dir + "/" + e->d_name);
  ::closedir(d);
  return out;
}

// A path of the record as stored: relative to the machine root when inside it.
std::string Relative(const std::string& root, const std::string& host) {
  return host.compare(0, root.size() + 1, root + "/") == 0 ? host.substr(root.size() + 1) : std::string();
}

// A stored path back to a host path; empty when it could reach outside the
// machine (a record is read as untrusted input).
std::string Absolute(const std::string& root, const std::string& rel) {
  if (rel.empty() || rel[0] == '/') return {};
  size_t at = 0;
  while (at <= rel.size()) {
    size_t slash = rel.find('/', at);
    std::string part = rel.substr(at, slash == std::string::npos ? std::string::npos : slash - at);
    if (part.empty() || part == "." || part == "..") return {};
    if (slash == std::string::npos) break;
    at = slash + 1;
  }
  return root + "/" + rel;
}

// The entries of a record; false for a record that is not whole or not ours.
bool ParseRecord(const std::string& root, const std::string& text, std::vector<Entry>* entries) {
  entries->clear();
  size_t at = 0;
  auto next_line = [&](std::string* line) {
    size_t nl = text.find('\n', at);
    if (nl == std::string::npos) return false;
    *line = text.substr(at, nl - at);
    at = nl + 1;
    return true;
  };
  std::string line;
  if (!next_line(&line) || line != kRecordHeader) return false;
  for (;;) {
    if (!next_line(&line)) return false;
    if (line == "end") return at == text.size();
    Entry e;
    std::string temp, host;
    if (line.compare(0, 4, "key\t") != 0) return false;
    e.key = line.substr(4);
    if (!next_line(&line) || line.compare(0, 5, "temp\t") != 0) return false;
    e.temp = Absolute(root, line.substr(5));
    if (!next_line(&line) || line.compare(0, 5, "host\t") != 0) return false;
    e.host = Absolute(root, line.substr(5));
    // A temporary name of the layer beside the file it replaces, nothing else.
    if (e.temp.empty() || e.host.empty() || HostDirName(e.temp) != HostDirName(e.host) ||
        !IsLayerTempName(e.temp.c_str() + e.temp.find_last_of('/') + 1))
      return false;
    entries->push_back(std::move(e));
  }
}

// Finishes the commit of a record: every temporary file still there is
// renamed over its file. Then the record goes. A record that cannot be read
// as whole is dropped with nothing renamed.
void Replay(const std::string& root, const std::string& record, const std::vector<Entry>& entries) {
  std::set<std::string> dirs;
  for (const Entry& e : entries) {
    if (!IsHostFile(e.temp)) continue;  // renamed before the writer stopped
    MachineChange change(root);
    if (::rename(e.temp.c_str(), e.host.c_str()) == 0) dirs.insert(HostDirName(e.host));
  }
  for (const std::string& dir : dirs) SyncHostDir(dir, false);
  ::unlink(record.c_str());
  SyncHostDir(HostDirName(record), false);
}

bool ReadRecord(const std::string& root, const std::string& record, std::vector<Entry>* entries, bool* whole) {
  std::string text;
  DWORD error = 0;
  if (!ReadHostFile(record, &text, &error)) return false;  // replayed meanwhile
  *whole = ParseRecord(root, text, entries);
  return true;
}

std::atomic<unsigned> g_record_counter{0};

}  // namespace

bool JournalWrite(const std::vector<PreparedWrite>& writes, std::string* record, DWORD* error) {
  record->clear();
  size_t renames = 0;
  for (const PreparedWrite& w : writes) renames += !w.temp.empty();
  if (renames < 2) return true;  // one rename is a commit of its own
  const std::string root = plat::MachineRoot();
  std::string text = std::string(kRecordHeader) + "\n";
  for (const PreparedWrite& w : writes) {
    if (w.temp.empty()) continue;
    const std::string temp = Relative(root, w.temp), host = Relative(root, w.host);
    if (temp.empty() || host.empty() || w.key.find('\n') != std::string::npos ||
        temp.find('\n') != std::string::npos || host.find('\n') != std::string::npos) {
      if (error) *error = ERROR_INVALID_PARAMETER;  // nothing outside the machine is committed together
      return false;
    }
    text += "key\t" + w.key + "\ntemp\t" + temp + "\nhost\t" + host + "\n";
  }
  text += "end\n";
  const std::string dir = JournalDir(root);
  ::mkdir(dir.c_str(), 0777);
  char name[64];
  std::snprintf(name, sizeof name, "/%s%d-%u%s", kRecordPrefix, int(::getpid()), g_record_counter.fetch_add(1),
                kRecordSuffix);
  if (!ReplaceHostFile(dir + name, text, error)) return false;
  *record = dir + name;
  return true;
}

void JournalRemove(const std::string& record) {
  if (record.empty()) return;
  ::unlink(record.c_str());
  SyncHostDir(HostDirName(record), false);
}

bool IsJournalKey(const std::string& key) { return key == kJournalKey; }

void JournalReplayFor(const std::string& key) {
  const std::string root = plat::MachineRoot();
  if (Records(root).empty()) return;
  MachineLock journal(kJournalKey);
  for (const std::string& record : Records(root)) {
    std::vector<Entry> entries;
    bool whole = false;
    if (!ReadRecord(root, record, &entries, &whole)) continue;
    if (!whole) continue;  // left to the first touch, which drops it with every lock free
    for (const Entry& e : entries) {
      if (e.key != key) continue;
      Replay(root, record, entries);
      break;
    }
  }
}

void JournalReplayAbandoned(const std::string& root) {
  if (Records(root).empty()) return;
  MachineLock journal(kJournalKey);
  for (const std::string& record : Records(root)) {
    std::vector<Entry> entries;
    bool whole = false;
    if (!ReadRecord(root, record, &entries, &whole)) continue;
    // Every file lock of the record, without waiting: one that is busy
    // means a live writer (or a holder that replays the record itself).
    std::vector<int> held;
    bool all = true;
    for (const Entry& e : entries) {
      int fd = ::open(MachineLockPath(e.key).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
      if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (fd >= 0) ::close(fd);
        all = false;
        break;
      }
      held.push_back(fd);
    }
    if (all) {
      if (whole) Replay(root, record, entries);
      else JournalRemove(record);  // not a record of ours: dropped, nothing renamed
    }
    for (int fd : held) ::close(fd);
  }
}

std::set<std::string> JournalTemps() {
  std::set<std::string> temps;
  const std::string root = plat::MachineRoot();
  for (const std::string& record : Records(root)) {
    std::vector<Entry> entries;
    bool whole = false;
    if (ReadRecord(root, record, &entries, &whole) && whole)
      for (const Entry& e : entries) temps.insert(e.temp);
  }
  return temps;
}

namespace {
// This process's id without a system call each time: kept in step by a
// handler that runs in the child of every fork.
pid_t ProcessId() {
  static std::atomic<pid_t> pid{::getpid()};
  [[maybe_unused]] static const int registered =
      pthread_atfork(nullptr, nullptr, [] { pid.store(::getpid(), std::memory_order_relaxed); });
  return pid.load(std::memory_order_relaxed);
}
}  // namespace

void RecoverMachineOnce(const std::string& root) {
  // Once per machine folder and process (a forked child is a process of
  // its own); a replay's own calls of MachineRoot come back here and pass.
  thread_local bool t_recovering = false;
  thread_local std::string t_last;
  thread_local pid_t t_last_pid = 0;
  const pid_t pid = ProcessId();
  if (t_recovering || (root == t_last && pid == t_last_pid)) return;
  // Another thread of the process waits until the replay is over.
  static std::mutex mutex;
  static std::set<std::string> done;
  static pid_t done_pid = 0;
  std::lock_guard<std::mutex> lock(mutex);
  if (done_pid != pid) {
    done.clear();
    done_pid = pid;
  }
  if (done.insert(root).second) {
    t_recovering = true;
    JournalReplayAbandoned(root);
    t_recovering = false;
  }
  t_last = root;
  t_last_pid = pid;
}

void CrashPoint(const char* name) {
  // VELM_CRASH_AT=NAME:N kills the process at the Nth pass of the point
  // since the variable took that value, as a power cut or kill -9 would.
  const char* want = std::getenv("VELM_CRASH_AT");
  if (!want) return;
  const size_t n = std::strlen(name);
  if (std::strncmp(want, name, n) != 0 || want[n] != ':') return;
  static std::mutex mutex;
  static std::string counted;
  static int passes = 0;
  std::lock_guard<std::mutex> lock(mutex);
  if (counted != want) {
    counted = want;
    passes = 0;
  }
  if (++passes == std::atoi(want + n + 1)) ::raise(SIGKILL);
}

}  // namespace plat::detail
