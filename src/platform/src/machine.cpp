// Windows paths onto the machine folder.
#include "plat/machine.h"

#include <dirent.h>
#include <sys/stat.h>

#include <ctime>
#include <cstdlib>
#include <list>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "batch_internal.h"
#include "hostfs.h"
#include "plat/wstr.h"

namespace plat {

namespace {

std::mutex g_root_mutex;
std::string g_root;

bool IsDir(const std::string& p) {
  struct stat st{};
  return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A name folded for comparison ignoring case. Folding maps ASCII only onto
// ASCII and other letters only onto other letters, so folded names are equal
// exactly when the names are equal ignoring case.
std::u16string FoldName(std::string_view name) {
  std::u16string folded = FromUtf8(name);
  for (char16_t& c : folded) c = WToLower(c);
  return folded;
}

// The names of one host folder by folded name, as read at one moment. It
// answers for the folder while the folder's inode and modification time are
// those it was read at, and only if that time was already past when the
// folder was read: a name created afterwards then changes the time, while a
// name created within the same clock tick as the reading might not, so an
// index read in the tick of the folder's last change is never trusted.
struct FolderIndex {
  dev_t dev = 0;
  ino_t ino = 0;
  timespec mtime{};
  bool settled = false;
  std::unordered_map<std::u16string, std::string> names;  // the first entry read wins
};

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// Reads dir into a fresh index; false when it cannot be read.
bool ReadFolder(const std::string& dir, FolderIndex& index) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  DIR* d = opendir(dir.c_str());
  if (!d) return false;
  struct stat st{};
  if (fstat(dirfd(d), &st) != 0) {
    closedir(d);
    return false;
  }
  index.dev = st.st_dev;
  index.ino = st.st_ino;
  index.mtime = st.st_mtim;
  index.settled = Before(st.st_mtim, now);
  index.names.clear();
  while (dirent* e = readdir(d)) {
    std::string_view entry = e->d_name;
    if (entry == "." || entry == "..") continue;
    index.names.emplace(FoldName(entry), std::string(entry));
  }
  closedir(d);
  return true;
}

// The indexes of the folders looked up last, most recent first, so that
// memory stays bounded however many folders a process touches.
constexpr size_t kMaxIndexedFolders = 64;

struct FolderIndexes {
  std::mutex mutex;
  std::list<std::pair<std::string, FolderIndex>> recent;
  std::unordered_map<std::string, std::list<std::pair<std::string, FolderIndex>>::iterator> by_dir;
};

FolderIndexes& Indexes() {
  static FolderIndexes* indexes = new FolderIndexes;  // outlives every caller at exit
  return *indexes;
}

// The entry of dir whose name equals name ignoring case, or name itself.
// A name that exists as written costs one lstat; any other name is looked
// up in the folder's index, read again only when the folder has changed, so
// a folder of many files costs one stat per look-up rather than a reading.
// A caller that has just found the name missing as written and has the
// folder's stat (dir_stat) spares both calls: a missing name, the common
// case of the ini files a driver asks for, is then answered by the index
// alone.
std::string MatchComponent(const std::string& dir, const std::string& name, const struct stat* dir_stat = nullptr) {
  struct stat st{};
  if (dir_stat) {
    st = *dir_stat;
  } else {
    if (lstat((dir + "/" + name).c_str(), &st) == 0) return name;
    if (stat(dir.c_str(), &st) != 0) return name;
  }
  FolderIndexes& all = Indexes();
  std::lock_guard<std::mutex> lock(all.mutex);
  auto it = all.by_dir.find(dir);
  if (it != all.by_dir.end()) {
    all.recent.splice(all.recent.begin(), all.recent, it->second);
  } else {
    all.recent.emplace_front(dir, FolderIndex{});
    all.by_dir.emplace(dir, all.recent.begin());
    if (all.recent.size() > kMaxIndexedFolders) {
      all.by_dir.erase(all.recent.back().first);
      all.recent.pop_back();
    }
  }
  FolderIndex& index = all.recent.front().second;
  bool current = index.settled && index.dev == st.st_dev && index.ino == st.st_ino && SameTime(index.mtime, st.st_mtim);
  if (!current && !ReadFolder(dir, index)) {
    all.by_dir.erase(dir);
    all.recent.pop_front();
    return name;
  }
  auto found = index.names.find(FoldName(name));
  return found == index.names.end() ? name : found->second;
}

}  // namespace


std::string MachineRoot() {
  std::string root;
  if (const char* env = std::getenv("VELM_MACHINE"); env && *env) {
    root = env;
  } else {
    std::lock_guard<std::mutex> lock(g_root_mutex);
    root = g_root.empty() ? std::string("./machine") : g_root;
  }
  // The first touch of a machine by this process finishes the commits that
  // killed writers left half-done, before anything is read.
  detail::RecoverMachineOnce(root);
  return root;
}

void SetMachineRoot(const std::string& host_dir) {
  std::lock_guard<std::mutex> lock(g_root_mutex);
  g_root = host_dir;
}

bool IsFullWindowsPath(const char16_t* path) { return path && path[0] && path[1] == u':'; }

namespace {

// The host path of a Windows path as it is written (its names not matched
// against the folders), and its names; empty for a path that is not a
// full one or climbs out of the machine.
std::string LiteralPath(const char16_t* windows_path, std::string* host_root, std::vector<std::string>* names) {
  if (!IsFullWindowsPath(windows_path)) return {};
  char16_t drive = WToLower(windows_path[0]);
  if (drive < u'a' || drive > u'z') return {};
  std::string host = MachineRoot() + "/" + char(drive);
  std::vector<std::string> parts;
  std::u16string part;
  auto flush = [&]() -> bool {
    if (part.empty() || part == u".") {
      part.clear();
      return true;
    }
    if (part == u"..") return false;  // never climb out of the machine
    parts.push_back(ToUtf8(part));
    part.clear();
    return true;
  };
  for (const char16_t* p = windows_path + 2; *p; ++p) {
    if (*p == u'\\' || *p == u'/') {
      if (!flush()) return {};
    } else {
      part.push_back(*p);
    }
  }
  if (!flush()) return {};
  std::string literal = host;
  for (const std::string& name : parts) literal += "/" + name;
  if (host_root) *host_root = std::move(host);
  if (names) *names = std::move(parts);
  return literal;
}

}  // namespace

namespace detail {
std::string LiteralHostPath(const char16_t* windows_path) { return LiteralPath(windows_path, nullptr, nullptr); }
}  // namespace detail

std::string MapPath(const char16_t* windows_path) { return detail::MapPathStamped(windows_path, nullptr); }

std::string detail::MapPathStamped(const char16_t* windows_path, FileStamp* stamp) {
  if (stamp) *stamp = FileStamp{};
  std::string host;
  std::vector<std::string> parts;
  std::string literal = LiteralPath(windows_path, &host, &parts);
  if (literal.empty()) return {};
  // Names are unique ignoring case, so a path that exists as written is the
  // answer; likewise an existing parent needs only its last name matched.
  // Only other paths are matched component by component.
  struct stat st{};
  if (stat(literal.c_str(), &st) == 0) {
    if (stamp) *stamp = StampOfStat(st);
    return literal;
  }
  if (!parts.empty()) {
    std::string parent = literal.substr(0, literal.size() - parts.back().size() - 1);
    struct stat parent_st{};
    if (stat(parent.c_str(), &parent_st) == 0 && S_ISDIR(parent_st.st_mode))
      return parent + "/" + MatchComponent(parent, parts.back(), &parent_st);
  }
  for (const std::string& name : parts) {
    host += "/" + (IsDir(host) ? MatchComponent(host, name) : name);
  }
  return host;
}

std::string MapPath(const std::u16string& windows_path) { return MapPath(windows_path.c_str()); }

std::u16string FoldPath(const char16_t* windows_path) {
  if (!IsFullWindowsPath(windows_path)) return {};
  char16_t drive = WToLower(windows_path[0]);
  if (drive < u'a' || drive > u'z') return {};
  std::u16string out(1, drive);
  out += u':';
  std::u16string part;
  auto flush = [&]() -> bool {
    if (part == u"..") return false;
    if (!part.empty() && part != u".") out += u"\\" + part;
    part.clear();
    return true;
  };
  for (const char16_t* p = windows_path + 2; *p; ++p) {
    if (*p == u'\\' || *p == u'/') {
      if (!flush()) return {};
    } else {
      part.push_back(WToLower(*p));
    }
  }
  if (!flush()) return {};
  return out;
}

bool EnsureWindowsDir(const char16_t* windows_path) {
  std::string host = MapPath(windows_path);
  if (host.empty()) return false;
  if (IsDir(host)) return true;
  // The machine folder and the drive, then each folder of the path under
  // its own lock, looked up again under it (another spelling of the same
  // folder may have been created meanwhile).
  std::string root = MachineRoot();
  mkdir(root.c_str(), 0777);
  mkdir((root + "/" + char(WToLower(windows_path[0]))).c_str(), 0777);
  std::u16string path = windows_path;
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != u'\\' && path[i] != u'/') continue;
    std::u16string prefix = path.substr(0, i);
    std::string key = detail::PathLockKey(prefix.c_str());
    if (key.empty()) return false;
    if (IsDir(MapPath(prefix))) continue;
    detail::MachineLock lock(key);
    std::string dir = MapPath(prefix);
    if (!IsDir(dir) && mkdir(dir.c_str(), 0777) == 0) detail::SyncHostDir(detail::HostDirName(dir), false);
  }
  return IsDir(MapPath(windows_path));
}

}  // namespace plat
