// Machine settings and the making of an empty machine.
#include "plat/machineconf.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <errno.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "changeboard.h"
#include "hostfs.h"
#include "plat/files.h"
#include "plat/machine.h"
#include "plat/wstr.h"

namespace plat {

namespace {

const std::map<std::string, std::string>& Defaults() {
  static const std::map<std::string, std::string> defaults = {
      {"os.major", "6"},
      {"os.minor", "1"},
      {"os.build", "7601"},
      {"os.platform", "2"},
      {"os.csd", ""},
      {"os.terminal", "0"},
      {"user.name", "user"},
      {"user.admin", "1"},
      {"user.profile", "C:\\Users\\user"},
      {"user.localappdatalow", "C:\\Users\\user\\AppData\\LocalLow"},
      {"dir.windows", "C:\\Windows"},
      {"dir.system", "C:\\Windows\\System32"},
      {"screen.width", "1024"},
      {"screen.height", "768"},
      {"taskbar.rect", "0,728,1024,768"},
  };
  return defaults;
}

std::string ConfPath() { return MachineRoot() + "/machine.conf"; }

using Values = std::map<std::string, std::string>;
struct Cache {
  std::string path;
  detail::FileStamp stamp;
  uint64_t token = 0;  // the machine's change token when the file was read
  std::shared_ptr<const Values> values;
};
std::mutex g_mutex;
Cache g_cache;

std::map<std::string, std::string> Parse(const std::string& text) {
  std::map<std::string, std::string> values;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

std::string Format(const std::map<std::string, std::string>& values) {
  std::string text = "# Settings of this emulated machine (key=value).\n";
  for (const auto& [k, v] : values) text += k + "=" + v + "\n";
  return text;
}

std::shared_ptr<const Values> Load() {
  const std::string root = MachineRoot();
  const std::string path = root + "/machine.conf";
  // Taken before the file is looked at: a change after it changes it.
  const uint64_t token = detail::MachineChangeToken(root);
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_cache.path == path && token != 0 && g_cache.token == token) return g_cache.values;
  detail::FileStamp stamp = detail::StampOf(path);
  if (g_cache.path != path || !(g_cache.stamp == stamp)) {
    std::string text;
    g_cache.values = std::make_shared<const Values>(detail::ReadHostFile(path, &text, nullptr) ? Parse(text) : Values());
    g_cache.path = path;
    g_cache.stamp = stamp;
  }
  g_cache.token = token;
  return g_cache.values;
}

bool ValidKey(const std::string& key) { return !key.empty() && key.find_first_of("=\r\n") == std::string::npos; }

// Changes machine.conf under its machine lock: read, changed, written beside
// and renamed, so that changes of processes at once all count.
bool Update(const std::function<void(std::map<std::string, std::string>&)>& change) {
  std::string path = ConfPath();
  ::mkdir(MachineRoot().c_str(), 0777);
  detail::MachineLock lock(path);
  std::string text;
  std::map<std::string, std::string> values;
  if (detail::ReadHostFile(path, &text, nullptr)) values = Parse(text);
  change(values);
  return detail::ReplaceHostFile(path, Format(values), nullptr);
}

bool Update(const std::string& key, const std::string* value) {
  if (!ValidKey(key)) return false;
  if (value && value->find_first_of("\r\n") != std::string::npos) return false;
  return Update([&](std::map<std::string, std::string>& values) {
    if (value) values[key] = *value;
    else values.erase(key);
  });
}

long ToInt(const std::string& v, long fallback) {
  if (v.empty()) return fallback;
  char* end = nullptr;
  long n = std::strtol(v.c_str(), &end, 0);
  return (end && *end == 0) ? n : fallback;
}

// The user a command runs as, when it is not the machine's default user
// (VELM_USER names another one); empty for the default user.
std::string OtherUser(const std::map<std::string, std::string>& values) {
  const char* env = std::getenv("VELM_USER");
  if (!env || !*env) return std::string();
  auto it = values.find("user.name");
  const std::string name = it != values.end() ? it->second : Defaults().at("user.name");
  return name == env ? std::string() : std::string(env);
}

bool IsUserField(const std::string& key) {
  return key == "user.admin" || key == "user.profile" || key == "user.localappdatalow";
}

// Where a user.* key of the current user is kept: the default user's under
// user.*, another user's under users.NAME.*.
std::string StoredKey(const std::string& key, const std::map<std::string, std::string>& values) {
  const std::string other = IsUserField(key) ? OtherUser(values) : std::string();
  return other.empty() ? key : "users." + other + "." + key.substr(5);
}

// The built-in value of a key for another user: no administrator, and
// folders named after the user.
std::string OtherUserDefault(const std::string& key, const std::string& user) {
  if (key == "user.admin") return "0";
  if (key == "user.profile") return "C:\\Users\\" + user;
  if (key == "user.localappdatalow") return "C:\\Users\\" + user + "\\AppData\\LocalLow";
  return std::string();
}

}  // namespace

std::string GetMachineSetting(const std::string& key) {
  const std::shared_ptr<const Values> loaded = Load();
  const Values& values = *loaded;
  if (key == "user.name") {
    const std::string other = OtherUser(values);
    if (!other.empty()) return other;
  }
  const std::string stored = StoredKey(key, values);
  auto it = values.find(stored);
  if (it != values.end()) return it->second;
  if (stored != key) return OtherUserDefault(key, OtherUser(values));
  auto d = Defaults().find(key);
  return d == Defaults().end() ? std::string() : d->second;
}

bool SetMachineSetting(const std::string& key, const std::string& value) {
  return Update(StoredKey(key, *Load()), &value);
}

bool ResetMachineSetting(const std::string& key) { return Update(StoredKey(key, *Load()), nullptr); }

bool MachineExists() { return detail::IsHostFile(ConfPath()); }

std::string CurrentUserName() { return GetMachineSetting("user.name"); }

std::vector<std::pair<std::string, std::string>> MachineSettings() {
  std::map<std::string, std::string> all = Defaults();
  all["clock"] = "";
  for (const auto& [key, value] : *Load()) all[key] = value;
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [key, value] : all) {
    (void)value;
    out.emplace_back(key, GetMachineSetting(key));
  }
  return out;
}

bool EnsureUserFolders(std::string* error) {
  for (const char* key : {"user.profile", "user.localappdatalow"}) {
    std::u16string dir = FromUtf8(GetMachineSetting(key));
    errno = 0;
    if (!dir.empty() && !EnsureWindowsDir(dir.c_str())) {
      if (error) *error = "cannot create " + ToUtf8(dir) + (errno ? ": " + std::string(std::strerror(errno)) : "");
      return false;
    }
  }
  return true;
}

bool ParseMachineClock(const std::string& text, std::tm* out) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
    else if (c != '-' && c != ' ' && c != ':' && c != 'T') return false;
  }
  if (digits.size() != 14) return false;
  auto num = [&](size_t at, size_t n) { return std::atoi(digits.substr(at, n).c_str()); };
  std::tm t{};
  t.tm_year = num(0, 4) - 1900;
  t.tm_mon = num(4, 2) - 1;
  t.tm_mday = num(6, 2);
  t.tm_hour = num(8, 2);
  t.tm_min = num(10, 2);
  t.tm_sec = num(12, 2);
  t.tm_isdst = -1;
  std::tm check = t;
  if (timegm(&check) == -1 || check.tm_mday != t.tm_mday || check.tm_mon != t.tm_mon || t.tm_hour > 23 ||
      t.tm_min > 59 || t.tm_sec > 59)
    return false;
  *out = check;  // with the day of the week
  return true;
}

long GetMachineSettingInt(const std::string& key, long fallback) { return ToInt(GetMachineSetting(key), fallback); }

bool AddMachineSettingInt(const std::string& key, long delta) {
  if (!ValidKey(key)) return false;
  return Update([&](std::map<std::string, std::string>& values) {
    auto it = values.find(key);
    auto d = Defaults().find(key);
    const std::string old = it != values.end() ? it->second : d != Defaults().end() ? d->second : std::string();
    values[key] = std::to_string(ToInt(old, 0) + delta);
  });
}

namespace {
// The counter's file, opened for reading and writing and locked; -1 when
// the name is not a counter's or the machine has no folder for it.
int OpenCounter(const std::string& name, bool create) {
  if (name.empty() || name.size() > 128 ||
      name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-") != std::string::npos ||
      name[0] == '.')
    return -1;
  const std::string dir = MachineRoot() + "/.counters";
  if (create) ::mkdir(dir.c_str(), 0777);
  int fd = ::open((dir + "/" + name).c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

int64_t ReadCounter(int fd) {
  int64_t value = 0;
  return ::pread(fd, &value, sizeof value, 0) == ssize_t(sizeof value) ? value : 0;
}
}  // namespace

bool AddMachineCounter(const std::string& name, int64_t delta) {
  int fd = OpenCounter(name, true);
  if (fd < 0) return false;
  const int64_t value = ReadCounter(fd) + delta;
  const bool ok = ::pwrite(fd, &value, sizeof value, 0) == ssize_t(sizeof value);
  ::close(fd);
  return ok;
}

int64_t GetMachineCounter(const std::string& name) {
  int fd = OpenCounter(name, false);
  if (fd < 0) return 0;
  const int64_t value = ReadCounter(fd);
  ::close(fd);
  return value;
}

std::string StandinModuleDir() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&StandinModuleDir), &info) && info.dli_fname) {
    return detail::HostDirName(info.dli_fname);
  }
  return ".";
}

namespace {

void UseRoot(const std::string& dir) {
  if (std::getenv("VELM_MACHINE")) setenv("VELM_MACHINE", dir.c_str(), 1);
  else SetMachineRoot(dir);
}

// Why a write failed, in a person's words.
std::string Because(int error) {
  return error == ENOSPC || error == EDQUOT ? "the disk is full" : std::strerror(error);
}
std::string Because(DWORD error) {
  return error == ERROR_DISK_FULL ? std::string("the disk is full") : "error " + std::to_string(error);
}

bool IsEmptyDir(const std::string& dir) {
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) && std::filesystem::is_empty(dir, ec);
}

// Copies the module file module_dir/name into the system directory.
// A missing optional file is skipped: the machine is then one without it.
bool InstallModule(const std::string& module_dir, const std::string& name, const std::u16string& system, bool required,
                   std::string* why) {
  std::string from = module_dir + "/" + name;
  if (!detail::IsHostFile(from)) {
    if (!required) return true;
    *why = "stand-in module missing: " + from;
    return false;
  }
  DWORD code = 0;
  std::string bytes;
  if (!detail::ReadHostFile(from, &bytes, &code) ||
      !detail::ReplaceHostFile(MapPath(system + u"\\" + FromUtf8(name)), bytes, &code)) {
    *why = "cannot install " + name + ": " + Because(code);
    return false;
  }
  return true;
}

// Fills the machine at the current root: settings, folders, modules.
bool Fill(const std::string& module_dir, const MachineExtras& extras, std::string* why) {
  DWORD code = 0;
  if (!detail::IsHostFile(ConfPath())) {
    std::map<std::string, std::string> values = Defaults();
    for (const auto& [key, value] : extras.settings) values[key] = value;
    if (!detail::ReplaceHostFile(ConfPath(), Format(values), &code)) {
      *why = "cannot write machine.conf: " + Because(code);
      return false;
    }
  }
  std::u16string system = FromUtf8(GetMachineSetting("dir.system"));
  std::u16string windows = FromUtf8(GetMachineSetting("dir.windows"));
  std::u16string profile = FromUtf8(GetMachineSetting("user.profile"));
  std::u16string low = FromUtf8(GetMachineSetting("user.localappdatalow"));
  for (const std::u16string& d : {system, system + u"\\spool\\drivers\\w32x86\\3", windows + u"\\temp", profile, low,
                                profile.empty() ? profile : profile + u"\\Documents"}) {
    errno = 0;
    if (!d.empty() && !EnsureWindowsDir(d.c_str())) {
      *why = "cannot create " + ToUtf8(d) + (errno ? ": " + Because(errno) : std::string());
      return false;
    }
  }
  for (const char* module : {"UserEnv.dll", "shell32.dll", "ole32.dll"}) {
    if (!InstallModule(module_dir, module, system, true, why)) return false;
  }
  for (const std::string& module : extras.system_modules) {
    if (!InstallModule(module_dir, module, system, true, why)) return false;
  }
  // The common property sheets come with the window layer; a program built
  // without it gets a machine without them, as a system without them.
  return InstallModule(module_dir, "compstui.dll", system, false, why);
}

}  // namespace

bool InitMachine(const std::string& dir, const std::string& module_dir, const MachineExtras& extras,
                 std::string* error) {
  std::string why;
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return false;
  };
  if (dir.empty()) return fail("no folder given");
  // An existing machine is completed in place: it keeps its settings,
  // printers and files, and only missing pieces are added.
  if (detail::IsHostDir(dir) && !IsEmptyDir(dir)) {
    UseRoot(dir);
    ::mkdir((dir + "/.locks").c_str(), 0777);
    return Fill(module_dir, extras, &why) || fail(why);
  }
  // A new machine is built in a folder beside and renamed into place when
  // whole, so that a failed or killed init leaves no half machine there.
  std::string parent = detail::HostDirName(dir);
  std::string name = dir.substr(dir.find_last_of('/') == std::string::npos ? 0 : dir.find_last_of('/') + 1);
  if (name.empty() || name == "." || name == "..") return fail("not a folder name: " + dir);
  if (!detail::IsHostDir(parent)) return fail("no folder " + parent);
  std::string building = parent + "/." + name + ".init-" + std::to_string(::getpid());
  std::error_code ec;
  std::filesystem::remove_all(building, ec);
  if (::mkdir(building.c_str(), 0777) != 0) return fail("cannot create " + building + ": " + Because(errno));
  UseRoot(building);
  ::mkdir((building + "/.locks").c_str(), 0777);
  bool ok = Fill(module_dir, extras, &why);
  if (ok && ::rename(building.c_str(), dir.c_str()) != 0) {
    why = "cannot create " + dir + ": " + Because(errno);
    ok = false;
  }
  if (ok && !detail::SyncHostDir(parent, false)) {
    why = "cannot flush " + parent + ": " + Because(errno);
    ::rename(dir.c_str(), building.c_str());
    ok = false;
  }
  if (!ok) {
    std::filesystem::remove_all(building, ec);
    return fail(why);
  }
  UseRoot(dir);
  return true;
}

}  // namespace plat
