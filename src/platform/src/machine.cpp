// Windows paths onto the machine folder.
#include "plat/machine.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <set>
#include <string_view>
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

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

bool AsciiEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (WToLower(char16_t(a[i])) != WToLower(char16_t(b[i]))) return false;
  return true;
}

// The entry of dir whose name equals name ignoring case, or name itself.
// Case folding maps ASCII only onto ASCII, so an ASCII name can match only
// an ASCII entry, compared byte by byte; only entries and names with other
// characters are converted. A folder of many files stays cheap to search.
std::string MatchComponent(const std::string& dir, const std::string& name) {
  DIR* d = opendir(dir.c_str());
  if (!d) return name;
  const bool ascii_name = IsAscii(name);
  const std::u16string want = ascii_name ? std::u16string() : FromUtf8(name);
  std::string found = name;
  bool exact = false;
  while (dirent* e = readdir(d)) {
    std::string_view entry = e->d_name;
    if (entry == name) {
      exact = true;
      break;
    }
    if (found != name) continue;
    bool ascii_entry = IsAscii(entry);
    if (ascii_name != ascii_entry) continue;
    bool same = ascii_name ? AsciiEqualIgnoringCase(entry, name)
                           : WCmpI(FromUtf8(entry).c_str(), want.c_str()) == 0;
    if (same) found = std::string(entry);
  }
  closedir(d);
  return exact ? name : found;
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

std::string MapPath(const char16_t* windows_path) {
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
  // Names are unique ignoring case, so a path that exists as written is the
  // answer; likewise an existing parent needs only its last name matched.
  // Only other paths are matched component by component.
  std::string literal = host;
  for (const std::string& name : parts) literal += "/" + name;
  struct stat st{};
  if (stat(literal.c_str(), &st) == 0) return literal;
  if (!parts.empty()) {
    std::string parent = literal.substr(0, literal.size() - parts.back().size() - 1);
    if (IsDir(parent)) return parent + "/" + MatchComponent(parent, parts.back());
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
