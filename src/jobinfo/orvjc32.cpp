// Stand-in for the maker's job-information module ORVJC32.DLL: a loadable
// module of the machine with the interface of velm/jobinfo_interface.h
// (versions 0x101, 0x102 and 0x103). It keeps the job information per printer
// (and per user for slot 10) in a text file of the machine, one value a line:
//
//   printer <TAB> user <TAB> type <TAB> kind <TAB> value
//
// user empty for the printer's own value; kind 1 values are UTF-8 text, kind
// 4 values decimal numbers. A person or a test edits the file freely.
//
// Machine settings (machine.conf) that steer it:
//   jobinfo.file      Windows path of the values file (default C:\Windows\ORVJC32.DAT)
//   jobinfo.refuse    versions JCGetInterface refuses, comma-separated (0x102,0x103)
//   jobinfo.nullif    versions JCGetInterface answers 0 for without an interface
//   jobinfo.fail      slots that fail, comma-separated (0,2,3,...,10); they
//                     answer jobinfo.failcode (default 0x20000005)
//   jobinfo.get       answers of the get slots 5 and 10:
//                       13            no value (result 13)
//                       huge          needed size 0x7FFFFFF0, nothing written
//                       short         needed size 2; a get then fills the
//                                     whole buffer with 'Z', unterminated, and
//                                     answers 0
//                       odd           needed size the value's bytes minus one;
//                                     the value is written unterminated
//                       zero          0x20000001 with needed size 0
// Machine counters (plat::GetMachineCounter), so that tests see leaks
// across loads:
//   jobinfo.loads / jobinfo.unloads   process attach / detach
//   jobinfo.interfaces   interfaces given out and not yet disposed
//   jobinfo.sessions     sessions opened and not yet closed
// Every call is logged, one line each, to C:\Windows\Temp\ORVJC32.LOG
// (started again once past 1 MiB).
//
// Version 0x101 refuses to set the types 256-258 (they came with 0x102).
//
// The build variant ORVJC32_NO_DISPOSE leaves JCDisposeInterface out (see
// CMakeLists.txt), for a module that lacks an export.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "plat/files.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/wintypes.h"
#include "plat/wstr.h"
#include "velm/jobinfo_interface.h"

namespace {

constexpr int32_t kRefused = 0x20000002;
constexpr int32_t kBadSession = 0x20000003;
constexpr int32_t kBadArgument = 0x20000004;
constexpr uint32_t kHugeSize = 0x7FFFFFF0;

std::recursive_mutex g_mutex;
std::vector<std::u16string> g_sessions;  // handle n is entry n - 1; empty name: closed
// Interfaces given out and not yet disposed; true for a 0x103 table.
std::vector<std::pair<JobInfoInterface*, bool>> g_given;

void Count(const char* name, int64_t delta) { plat::AddMachineCounter(std::string("jobinfo.") + name, delta); }

void Log(const std::string& line) {
  (void)plat::EnsureWindowsDir(u"C:\\Windows\\Temp");  // without it the open below fails, and the log is skipped
  const std::string path = plat::MapPath(u"C:\\Windows\\Temp\\ORVJC32.LOG");
  // A log past 1 MiB starts again, so that a machine in daily use keeps a
  // small one.
  struct stat st{};
  const bool full = ::stat(path.c_str(), &st) == 0 && st.st_size > (1 << 20);
  if (FILE* f = std::fopen(path.c_str(), full ? "w" : "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

bool InList(const char* key, long value) {
  std::stringstream list(plat::GetMachineSetting(key));
  std::string item;
  while (std::getline(list, item, ',')) {
    char* end = nullptr;
    long n = std::strtol(item.c_str(), &end, 0);
    if (end != item.c_str() && n == value) return true;
  }
  return false;
}

// The result a failing slot answers, or 0 when the slot works.
int32_t Failure(int slot) {
  if (!InList("jobinfo.fail", slot)) return 0;
  long code = plat::GetMachineSettingInt("jobinfo.failcode", 0x20000005);
  return code ? int32_t(code) : 0x20000005;
}

std::u16string FilePath() {
  std::string path = plat::GetMachineSetting("jobinfo.file");
  return plat::FromUtf8(path.empty() ? std::string("C:\\Windows\\ORVJC32.DAT") : path);
}

struct Value {
  std::string printer, user;
  uint32_t type = 0, kind = 0;
  std::string text;
};

std::vector<Value> ReadValues() {
  std::vector<Value> values;
  std::ifstream in(plat::MapPath(FilePath()), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
      size_t tab = line.find('\t', pos);
      if (tab == std::string::npos) break;
      f.push_back(line.substr(pos, tab - pos));
      pos = tab + 1;
    }
    if (f.size() != 4) continue;
    Value v;
    v.printer = f[0];
    v.user = f[1];
    v.type = uint32_t(std::strtoul(f[2].c_str(), nullptr, 0));
    v.kind = uint32_t(std::strtoul(f[3].c_str(), nullptr, 0));
    v.text = line.substr(pos);
    values.push_back(v);
  }
  return values;
}

// Written beside the file and renamed (nothing is left when the disk is
// full); the caller holds the file's lock from its read on.
bool WriteValues(const std::vector<Value>& values) {
  std::string text;
  for (const Value& v : values)
    text += v.printer + '\t' + v.user + '\t' + std::to_string(v.type) + '\t' + std::to_string(v.kind) + '\t' + v.text + '\n';
  return plat::ReplaceFileContent(FilePath().c_str(), text.data(), text.size(), nullptr);
}

const Value* FindValue(const std::vector<Value>& values, const std::string& printer, const std::string& user,
                       uint32_t type) {
  for (const Value& v : values)
    if (v.printer == printer && v.user == user && v.type == type) return &v;
  return nullptr;
}

// The printer of an open session, or null.
const std::u16string* SessionPrinter(uint32_t session) {
  if (session == 0 || session > g_sessions.size() || g_sessions[session - 1].empty()) return nullptr;
  return &g_sessions[session - 1];
}

// The bytes a value is handed out as.
std::vector<uint8_t> Encode(const Value& v) {
  std::vector<uint8_t> bytes;
  if (v.kind == kJobInfoKindNumber) {
    uint32_t n = uint32_t(std::strtoul(v.text.c_str(), nullptr, 0));
    bytes.resize(4);
    std::memcpy(bytes.data(), &n, 4);
  } else {
    std::u16string w = plat::FromUtf8(v.text);
    bytes.resize((w.size() + 1) * 2);
    std::memcpy(bytes.data(), w.c_str(), bytes.size());
  }
  return bytes;
}

int32_t Get(const char* call, int slot, uint32_t session, uint32_t type, uint32_t kind, const char16_t* user,
            void* buffer, uint32_t size, uint32_t* needed) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Log(std::string(call) + " " + std::to_string(session) + " " + std::to_string(type) + " " + std::to_string(kind) +
      " " + std::to_string(size) + (buffer ? "" : " null"));
  if (int32_t f = Failure(slot)) return f;
  const std::u16string* printer = SessionPrinter(session);
  if (!printer) return kBadSession;
  if (!needed || (size && !buffer)) return kBadArgument;
  *needed = 0;
  std::vector<Value> values = ReadValues();
  std::string p = plat::ToUtf8(*printer);
  const Value* v = user && *user ? FindValue(values, p, plat::ToUtf8(user), type) : nullptr;
  if (!v) v = FindValue(values, p, "", type);
  const std::string mode = plat::GetMachineSetting("jobinfo.get");
  if (!v || v->kind != kind || mode == "13") return kJobInfoNoValue;
  std::vector<uint8_t> bytes = Encode(*v);
  if (mode == "zero") return kJobInfoMoreData;
  if (mode == "huge") {
    *needed = kHugeSize;
    return kJobInfoMoreData;
  }
  if (mode == "short") {
    if (!buffer || size <= 2) {
      *needed = 2;
      return buffer && size == 2 ? kJobInfoOk : kJobInfoMoreData;
    }
    // The whole buffer, without a terminator.
    for (uint32_t i = 0; i < size; ++i) static_cast<uint8_t*>(buffer)[i] = (i & 1) ? 0 : 'Z';
    *needed = size;
    return kJobInfoOk;
  }
  if (mode == "odd" && bytes.size() > 2) bytes.resize(bytes.size() - 3);  // no terminator, odd count
  *needed = uint32_t(bytes.size());
  if (!buffer || size < bytes.size()) return kJobInfoMoreData;
  std::memcpy(buffer, bytes.data(), bytes.size());
  return kJobInfoOk;
}

// ---- the slots ---------------------------------------------------------------------

extern "C" {

int32_t SlotPrinterEntry(const char16_t* printer) {
  Log("entry " + plat::ToUtf8(printer));
  if (int32_t f = Failure(0)) return f;
  return printer ? 0 : kBadArgument;
}

int32_t SlotOpenSession(const char16_t* printer, uint32_t* session) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Log("open " + plat::ToUtf8(printer));
  if (int32_t f = Failure(2)) return f;
  if (!printer || !*printer || !session) return kBadArgument;
  g_sessions.push_back(printer);
  *session = uint32_t(g_sessions.size());
  Count("sessions", 1);
  return 0;
}

int32_t SlotCloseSession(uint32_t session) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Log("close " + std::to_string(session));
  if (!SessionPrinter(session)) return kBadSession;
  g_sessions[session - 1].clear();
  Count("sessions", -1);
  return Failure(3);
}

int32_t SlotQuery(uint32_t session, uint32_t type, uint32_t* flags) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Log("query " + std::to_string(session) + " " + std::to_string(type));
  if (int32_t f = Failure(4)) return f;
  const std::u16string* printer = SessionPrinter(session);
  if (!printer) return kBadSession;
  if (!flags) return kBadArgument;
  std::vector<Value> values = ReadValues();
  *flags = FindValue(values, plat::ToUtf8(*printer), "", type) ? kJobInfoHasValue : 0;
  return 0;
}

int32_t SlotGet(uint32_t session, uint32_t type, uint32_t kind, void* buffer, uint32_t size, uint32_t* needed) {
  return Get("get", 5, session, type, kind, nullptr, buffer, size, needed);
}

int32_t SlotGetForUser(uint32_t session, uint32_t type, uint32_t kind, const char16_t* user, void* buffer,
                       uint32_t size, uint32_t* needed) {
  return Get("getuser", 10, session, type, kind, user ? user : u"", buffer, size, needed);
}

int32_t SetCommon(uint16_t version, uint32_t session, uint32_t type, uint32_t kind, const void* data, uint32_t size) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  const std::u16string* printer = SessionPrinter(session);
  std::string text;
  if (kind == kJobInfoKindNumber && data && size == 4) {
    uint32_t n = 0;
    std::memcpy(&n, data, 4);
    text = std::to_string(n);
  } else if (kind == kJobInfoKindText && data) {
    std::u16string w(size / 2, u'\0');
    std::memcpy(w.data(), data, w.size() * 2);
    w.resize(plat::WLenN(w.c_str(), w.size()));
    text = plat::ToUtf8(w);
  }
  Log("set " + std::to_string(session) + " " + std::to_string(type) + " " + std::to_string(kind) + " " +
      std::to_string(size) + " " + text);
  if (int32_t f = Failure(6)) return f;
  if (!printer) return kBadSession;
  if (version < kJobInfoVersion102 && type >= kJobInfoTypePdlName) return kRefused;
  if (!data || (kind == kJobInfoKindNumber && size != 4) || (kind != kJobInfoKindNumber && kind != kJobInfoKindText))
    return kBadArgument;
  const std::u16string file = FilePath();
  plat::FileLock file_lock(file.c_str());
  std::vector<Value> values = ReadValues();
  std::string p = plat::ToUtf8(*printer);
  Value* found = nullptr;
  for (Value& v : values)
    if (v.printer == p && v.user.empty() && v.type == type) found = &v;
  if (!found) {
    values.push_back(Value{p, "", type, kind, ""});
    found = &values.back();
  }
  found->kind = kind;
  found->text = text;
  return WriteValues(values) ? 0 : kRefused;
}

int32_t SlotSet101(uint32_t s, uint32_t type, uint32_t kind, const void* data, uint32_t size) {
  return SetCommon(kJobInfoVersion101, s, type, kind, data, size);
}
int32_t SlotSet102(uint32_t s, uint32_t type, uint32_t kind, const void* data, uint32_t size) {
  return SetCommon(kJobInfoVersion102, s, type, kind, data, size);
}

int32_t SlotEvent(uint32_t session, uint32_t code) {
  Log("event " + std::to_string(session) + " " + std::to_string(code));
  if (int32_t f = Failure(7)) return f;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  return SessionPrinter(session) ? 0 : kBadSession;
}

int32_t SlotLocale(uint32_t session, uint32_t code, const JobInfoLocaleRecord* record) {
  JobInfoLocaleRecord r{};
  if (record) std::memcpy(&r, record, sizeof r);
  Log("locale " + std::to_string(session) + " " + std::to_string(code) + " " + std::to_string(r.size) + " " +
      std::to_string(r.primary) + " " + std::to_string(r.sublang));
  if (int32_t f = Failure(8)) return f;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (!SessionPrinter(session)) return kBadSession;
  return record && r.size == sizeof r ? 0 : kBadArgument;
}

}  // extern "C"

JobInfoInterface MakeBase(uint16_t version) {
  JobInfoInterface t{};
  t.printerEntry = SlotPrinterEntry;
  t.openSession = SlotOpenSession;
  t.closeSession = SlotCloseSession;
  t.query = SlotQuery;
  t.get = SlotGet;
  t.set = version < kJobInfoVersion102 ? SlotSet101 : SlotSet102;
  t.event = SlotEvent;
  t.locale = SlotLocale;
  return t;
}

}  // namespace

VELM_EXPORT BOOL DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Count("loads", 1);
  if (reason == DLL_PROCESS_DETACH) Count("unloads", 1);
  return TRUE;
}

// Each interface is a block of its own, exactly as large as its version's
// table, so that a caller reading past it is caught.
VELM_EXPORT int32_t JCGetInterface(uint16_t version, JobInfoInterface** out) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Log("getinterface " + std::to_string(version));
  if (!out) return kBadArgument;
  *out = nullptr;
  if (version < kJobInfoVersion101 || version > kJobInfoVersion103 || InList("jobinfo.refuse", version))
    return kRefused;
  if (InList("jobinfo.nullif", version)) return 0;
  if (version == kJobInfoVersion103) {
    auto* t = new (std::nothrow) JobInfoInterface103{};
    if (!t) return kRefused;
    t->base = MakeBase(version);
    t->getForUser = SlotGetForUser;
    *out = &t->base;
    g_given.push_back({*out, true});
  } else {
    auto* t = new (std::nothrow) JobInfoInterface(MakeBase(version));
    if (!t) return kRefused;
    *out = t;
    g_given.push_back({*out, false});
  }
  Count("interfaces", 1);
  return 0;
}

#if !defined(ORVJC32_NO_DISPOSE)
VELM_EXPORT int32_t JCDisposeInterface(JobInfoInterface* iface) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Log("dispose");
  for (size_t i = 0; i < g_given.size(); ++i) {
    if (g_given[i].first != iface) continue;
    if (g_given[i].second) delete reinterpret_cast<JobInfoInterface103*>(iface);
    else delete iface;
    g_given.erase(g_given.begin() + long(i));
    Count("interfaces", -1);
    return 0;
  }
  return kBadArgument;
}
#endif
