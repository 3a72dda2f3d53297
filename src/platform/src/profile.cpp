// Profile (ini) files: GetPrivateProfileStringW, GetPrivateProfileIntW and
// WritePrivateProfileStringW.
#include "plat/profile.h"

#include <algorithm>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "batch_internal.h"
#include "hostfs.h"
#include "plat/calls.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"

namespace {

enum class Kind { kOther, kSection, kKey };

// One line of the file: its bytes as they stand, without its line end, the
// line end it had ("\r\n", "\n", "\r" or none for a last line without one),
// and what it means.
struct Line {
  std::string raw;
  std::string end;
  Kind kind = Kind::kOther;
  std::u16string name;   // section or key name, trimmed
  std::u16string value;  // key value, trimmed
};

struct Parsed {
  std::vector<Line> lines;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(const std::u16string& s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::u16string ToWide(const std::string& bytes) {
  std::u16string out(bytes.size(), u'\0');
  out.resize(plat::AnsiToWide(bytes.data(), bytes.size(), out.data(), out.size()));
  return out;
}

std::string ToAnsi(const std::u16string& text) {
  std::string out(plat::WideToAnsiLength(text.data(), text.size()), '\0');
  out.resize(plat::WideToAnsi(text.data(), text.size(), out.data(), out.size()));
  return out;
}

void Classify(Line* line) {
  std::u16string text = ToWide(line->raw);
  size_t b = 0;
  while (b < text.size() && IsBlank(text[b])) ++b;
  if (b == text.size() || text[b] == u';') return;
  if (text[b] == u'[') {
    size_t close = text.find(u']', b + 1);
    line->kind = Kind::kSection;
    line->name = Trim(text.substr(b + 1, close == std::u16string::npos ? std::u16string::npos : close - b - 1));
    return;
  }
  size_t eq = text.find(u'=', b);
  line->kind = Kind::kKey;
  if (eq == std::u16string::npos) {
    line->name = Trim(text.substr(b));
  } else {
    line->name = Trim(text.substr(b, eq - b));
    line->value = Trim(text.substr(eq + 1));
  }
}

// Lines end at LF, at CR LF, or at a CR alone (a file written with CR line
// ends is still a file of many lines).
Parsed Parse(const std::string& bytes) {
  Parsed p;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t brk = bytes.find_first_of("\r\n", pos);
    Line line;
    line.raw = bytes.substr(pos, brk == std::string::npos ? std::string::npos : brk - pos);
    if (brk == std::string::npos) {
      pos = bytes.size();
    } else if (bytes[brk] == '\r' && brk + 1 < bytes.size() && bytes[brk + 1] == '\n') {
      line.end = "\r\n";
      pos = brk + 2;
    } else {
      line.end = bytes.substr(brk, 1);
      pos = brk + 1;
    }
    Classify(&line);
    p.lines.push_back(std::move(line));
  }
  return p;
}

std::string Serialize(const Parsed& p) {
  std::string out;
  for (const Line& l : p.lines) out += l.raw + l.end;
  return out;
}

Line MakeLine(const std::u16string& text) {
  Line l;
  l.raw = ToAnsi(text);
  l.end = "\r\n";
  Classify(&l);
  return l;
}

// Index of the first header of the section, or -1.
long FindSection(const Parsed& p, const char16_t* name) {
  std::u16string want = Trim(name);
  for (size_t i = 0; i < p.lines.size(); ++i)
    if (p.lines[i].kind == Kind::kSection && plat::WCmpI(p.lines[i].name.c_str(), want.c_str()) == 0) return long(i);
  return -1;
}

// One past the last line of the section whose header is at index.
size_t SectionEnd(const Parsed& p, long header) {
  size_t i = size_t(header) + 1;
  while (i < p.lines.size() && p.lines[i].kind != Kind::kSection) ++i;
  return i;
}

long FindKey(const Parsed& p, long header, const char16_t* key) {
  std::u16string want = Trim(key);
  size_t end = SectionEnd(p, header);
  for (size_t i = size_t(header) + 1; i < end; ++i)
    if (p.lines[i].kind == Kind::kKey && plat::WCmpI(p.lines[i].name.c_str(), want.c_str()) == 0) return long(i);
  return -1;
}

// The Windows path of a profile file name: a full path as it is, any other
// name in the Windows directory.
std::u16string ProfilePath(LPCWSTR file) {
  std::u16string name = file ? std::u16string(file) : std::u16string(u"win.ini");
  if (plat::IsFullWindowsPath(name.c_str())) return name;
  return plat::FromUtf8(plat::GetMachineSetting("dir.windows")) + u"\\" + name;
}

// Parsed files by host path, least recently used last, bounded by an
// estimate of their bytes, so that a process reading many files (a folder of
// presets) keeps only the latest.
std::mutex g_cache_mutex;
struct CacheEntry {
  plat::detail::FileStamp stamp;
  std::shared_ptr<const Parsed> parsed;
  size_t bytes = 0;
  std::list<std::string>::iterator use;
};
std::map<std::string, CacheEntry>& Cache() {
  static std::map<std::string, CacheEntry> cache;
  return cache;
}
std::list<std::string> g_uses;  // most recent first
size_t g_cache_bytes = 0;
size_t g_cache_limit = size_t(8) << 20;

size_t Footprint(const Parsed& p) {
  size_t n = sizeof(Parsed);
  for (const Line& l : p.lines) n += sizeof(Line) + l.raw.size() + l.end.size() + 2 * (l.name.size() + l.value.size());
  return n;
}

void Drop(std::map<std::string, CacheEntry>::iterator it) {
  g_cache_bytes -= it->second.bytes;
  g_uses.erase(it->second.use);
  Cache().erase(it);
}

// The least recently used files go until the cache is within its bound.
void Trim() {
  while (g_cache_bytes > g_cache_limit && !g_uses.empty()) Drop(Cache().find(g_uses.back()));
}

// The parsed file, or null when it cannot be read. A stamp the caller took
// while finding the file is used as it is; else the file is stamped here.
std::shared_ptr<const Parsed> Load(const std::string& host, plat::detail::FileStamp stamp = {}) {
  if (!stamp.exists) stamp = plat::detail::StampOf(host);
  if (!stamp.exists) return nullptr;
  {
    std::lock_guard<std::mutex> lock(g_cache_mutex);
    auto it = Cache().find(host);
    if (it != Cache().end() && it->second.stamp == stamp) {
      g_uses.splice(g_uses.begin(), g_uses, it->second.use);
      return it->second.parsed;
    }
  }
  std::string bytes;
  if (!plat::detail::ReadHostFile(host, &bytes, nullptr)) return nullptr;
  auto parsed = std::make_shared<const Parsed>(Parse(bytes));
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  if (auto old = Cache().find(host); old != Cache().end()) Drop(old);
  size_t size = Footprint(*parsed);
  if (size > g_cache_limit) return parsed;  // too large to keep
  g_uses.push_front(host);
  Cache()[host] = {stamp, parsed, size, g_uses.begin()};
  g_cache_bytes += size;
  Trim();
  return parsed;
}

void Forget(const std::string& host) {
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  if (auto it = Cache().find(host); it != Cache().end()) Drop(it);
}

// Copies a double-terminated list into the caller's buffer, Windows style.
DWORD CopyList(const std::vector<std::u16string>& names, LPWSTR buffer, DWORD size) {
  std::u16string list;
  for (const auto& n : names) {
    list += n;
    list.push_back(0);
  }
  list.push_back(0);
  if (size < 2) {
    if (size == 1) buffer[0] = 0;
    return 0;
  }
  if (list.size() <= size) {
    std::copy(list.begin(), list.end(), buffer);
    return DWORD(list.size() - 1);
  }
  std::copy(list.begin(), list.begin() + (size - 2), buffer);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

DWORD CopyText(const std::u16string& text, LPWSTR buffer, DWORD size) {
  size_t n = text.size() < size ? text.size() : size - 1;
  std::copy(text.begin(), text.begin() + long(n), buffer);
  buffer[n] = 0;
  return DWORD(n);
}

bool HasLineBreak(LPCWSTR s) {
  for (; s && *s; ++s)
    if (*s == u'\r' || *s == u'\n') return true;
  return false;
}

bool IsBlank(const Line& line) { return line.kind == Kind::kOther && Trim(ToWide(line.raw)).empty(); }

// Applies one write (a null key deletes the section, or with body_only
// empties it where it stands; a null value deletes the key) to a parsed file.
void ApplyWrite(Parsed& p, LPCWSTR section, LPCWSTR key, LPCWSTR value, bool body_only = false) {
  long header = FindSection(p, section);
  if (!key) {
    if (header < 0) return;
    size_t end = SectionEnd(p, header);
    if (body_only) {
      // The blank lines that part it from the next section stay.
      while (end > size_t(header) + 1 && IsBlank(p.lines[end - 1])) --end;
      p.lines.erase(p.lines.begin() + header + 1, p.lines.begin() + long(end));
    } else {
      p.lines.erase(p.lines.begin() + header, p.lines.begin() + long(end));
    }
  } else if (!value) {
    long at = header >= 0 ? FindKey(p, header, key) : -1;
    if (at < 0) return;
    p.lines.erase(p.lines.begin() + at);
  } else {
    Line entry = MakeLine(std::u16string(key) + u"=" + value);
    long at = header >= 0 ? FindKey(p, header, key) : -1;
    if (at >= 0) {
      p.lines[size_t(at)] = entry;
    } else {
      std::vector<Line> added;
      size_t pos = p.lines.size();
      if (header < 0) {
        added.push_back(MakeLine(u"[" + std::u16string(section) + u"]"));
      } else {
        // After the last line of the section that is not blank.
        pos = SectionEnd(p, header);
        while (pos > size_t(header) + 1 && IsBlank(p.lines[pos - 1])) --pos;
      }
      added.push_back(entry);
      if (pos == p.lines.size() && pos > 0 && p.lines.back().end.empty()) {
        p.lines.back().end = "\r\n";  // the old last line gets the line end it lacked
      }
      p.lines.insert(p.lines.begin() + long(pos), added.begin(), added.end());
    }
  }
}

// Profile writes held by the calling thread's write batch, oldest first.
struct HeldWrite {
  std::string host;
  std::string lock_key;  // the file's machine lock (its case-folded Windows path)
  std::u16string section, key, value;
  bool hasKey = false, hasValue = false;
  bool bodyOnly = false;  // with no key: empty the section, keep its place
};
thread_local std::vector<HeldWrite> t_held;

void ApplyHeld(Parsed& p, const HeldWrite& w) {
  ApplyWrite(p, w.section.c_str(), w.hasKey ? w.key.c_str() : nullptr, w.hasValue ? w.value.c_str() : nullptr,
             w.bodyOnly);
}

// The parsed file as the calling thread sees it: with the changes its batch
// holds for the file.
std::shared_ptr<const Parsed> LoadSeen(const std::string& host, plat::detail::FileStamp stamp = {}) {
  std::shared_ptr<const Parsed> parsed = Load(host, stamp);
  if (!plat::detail::BatchActive()) return parsed;
  std::shared_ptr<Parsed> seen;
  for (const HeldWrite& w : t_held) {
    if (w.host != host) continue;
    if (!seen) seen = std::make_shared<Parsed>(parsed ? *parsed : Parsed());
    ApplyHeld(*seen, w);
  }
  return seen ? seen : parsed;
}

// Applies writes to one file in one rewrite under the file's machine lock
// (or holds them in the calling thread's write batch). Each write names its
// section; hasKey false deletes the section, hasValue false the key.
BOOL WriteProfile(LPCWSTR file, std::vector<HeldWrite> writes) {
  // Every writer of the file takes the lock of its case-folded Windows path;
  // the path is mapped under the lock, so that a file another spelling has
  // just created is the file written.
  std::u16string path = ProfilePath(file);
  std::string lock_key = plat::detail::PathLockKey(path.c_str());
  if (lock_key.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  plat::detail::MachineLock lock(lock_key);
  std::string host = plat::MapPath(path);
  if (host.empty() || !plat::detail::IsHostDir(plat::detail::HostDirName(host))) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  DWORD attrs = plat::detail::HostAttributes(host);
  if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (plat::detail::BatchActive()) {
    for (HeldWrite& w : writes) {
      w.host = host;
      w.lock_key = lock_key;
      t_held.push_back(std::move(w));
    }
    return TRUE;
  }
  std::string before;
  DWORD error = 0;
  if (attrs != INVALID_FILE_ATTRIBUTES && !plat::detail::ReadHostFile(host, &before, &error)) {
    SetLastError(error);
    return FALSE;
  }
  Parsed p = Parse(before);
  for (const HeldWrite& w : writes) ApplyHeld(p, w);
  std::string after = Serialize(p);
  if (after == before && attrs != INVALID_FILE_ATTRIBUTES) return TRUE;
  bool ok = plat::detail::ReplaceHostFile(host, after, &error);
  Forget(host);
  if (!ok) {
    SetLastError(error);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

extern "C" {

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value, LPWSTR buffer, DWORD size,
                               LPCWSTR file) {
  plat::NoteCall("GetPrivateProfileStringW");
  if (!buffer || size == 0) return 0;
  // The file is looked at once where its path exists as written.
  plat::detail::FileStamp stamp;
  std::string host = plat::detail::MapPathStamped(ProfilePath(file).c_str(), &stamp);
  std::shared_ptr<const Parsed> parsed = host.empty() ? nullptr : LoadSeen(host, stamp);
  if (!section) {
    std::vector<std::u16string> names;
    if (parsed)
      for (const Line& l : parsed->lines)
        if (l.kind == Kind::kSection && !l.name.empty()) names.push_back(l.name);
    return CopyList(names, buffer, size);
  }
  long header = parsed ? FindSection(*parsed, section) : -1;
  if (!key) {
    std::vector<std::u16string> names;
    if (header >= 0) {
      size_t end = SectionEnd(*parsed, header);
      for (size_t i = size_t(header) + 1; i < end; ++i)
        if (parsed->lines[i].kind == Kind::kKey && !parsed->lines[i].name.empty())
          names.push_back(parsed->lines[i].name);  // an empty name would end the list early
    }
    return CopyList(names, buffer, size);
  }
  long at = header >= 0 ? FindKey(*parsed, header, key) : -1;
  if (at < 0) {
    std::u16string def = default_value ? std::u16string(default_value) : std::u16string();
    while (!def.empty() && IsBlank(def.back())) def.pop_back();
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyText(def, buffer, size);
  }
  std::u16string value = parsed->lines[size_t(at)].value;
  if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  SetLastError(ERROR_SUCCESS);
  return CopyText(value, buffer, size);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file) {
  char16_t text[64];
  DWORD n = GetPrivateProfileStringW(section, key, u"", text, 64, file);
  if (n == 0) return UINT(default_value);
  const char16_t* p = text;
  bool negative = false;
  if (*p == u'-' || *p == u'+') negative = *p++ == u'-';
  uint32_t v = 0;
  if (p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
    for (p += 2;; ++p) {
      int d = (*p >= u'0' && *p <= u'9') ? *p - u'0'
              : (*p >= u'a' && *p <= u'f') ? *p - u'a' + 10
              : (*p >= u'A' && *p <= u'F') ? *p - u'A' + 10
                                           : -1;
      if (d < 0) break;
      v = v * 16 + uint32_t(d);
    }
  } else {
    for (; *p >= u'0' && *p <= u'9'; ++p) v = v * 10 + uint32_t(*p - u'0');
  }
  return negative ? UINT(0u - v) : UINT(v);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
  plat::NoteCall("WritePrivateProfileStringW");
  if (!section && !key && !value) {
    // The flush of the system's cache: our writes are never deferred.
    return FALSE;
  }
  if (!section || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (plat::ShouldFail("WritePrivateProfileStringW")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  HeldWrite w;
  w.section = section;
  w.hasKey = key != nullptr;
  w.hasValue = value != nullptr;
  if (key) w.key = key;
  if (value) w.value = value;
  return WriteProfile(file, {w});
}

DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file) {
  plat::NoteCall("GetPrivateProfileSectionW");
  if (!buffer || size == 0) return 0;
  std::string host = section ? plat::MapPath(ProfilePath(file)) : std::string();
  std::shared_ptr<const Parsed> parsed = host.empty() ? nullptr : LoadSeen(host);
  long header = parsed ? FindSection(*parsed, section) : -1;
  std::vector<std::u16string> lines;
  if (header >= 0) {
    size_t end = SectionEnd(*parsed, header);
    for (size_t i = size_t(header) + 1; i < end; ++i) {
      const Line& l = parsed->lines[i];
      if (l.kind != Kind::kKey || l.name.empty()) continue;
      std::u16string text = Trim(ToWide(l.raw));
      size_t eq = text.find(u'=');
      lines.push_back(eq == std::u16string::npos ? l.name : l.name + u"=" + l.value);
    }
  }
  return CopyList(lines, buffer, size);
}

BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR pairs, LPCWSTR file) {
  plat::NoteCall("WritePrivateProfileSectionW");
  if (!section || HasLineBreak(section)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (plat::ShouldFail("WritePrivateProfileSectionW")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // The section is emptied where it stands (a new one goes at the end), then
  // each "key=value" string is written in turn; all of it is one rewrite of
  // the file.
  std::vector<HeldWrite> writes;
  HeldWrite clear;
  clear.section = section;
  clear.bodyOnly = true;
  writes.push_back(clear);
  for (const char16_t* p = pairs; p && *p; p += std::char_traits<char16_t>::length(p) + 1) {
    std::u16string entry(p);
    if (HasLineBreak(entry.c_str())) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    size_t eq = entry.find(u'=');
    HeldWrite w;
    w.section = section;
    w.hasKey = w.hasValue = true;
    w.key = Trim(entry.substr(0, eq));
    w.value = eq == std::u16string::npos ? std::u16string() : Trim(entry.substr(eq + 1));
    if (w.key.empty()) continue;
    writes.push_back(std::move(w));
  }
  return WriteProfile(file, writes);
}

}  // extern "C"

size_t plat::ProfileCacheBytes() {
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  return g_cache_bytes;
}

size_t plat::SetProfileCacheLimit(size_t bytes) {
  std::lock_guard<std::mutex> lock(g_cache_mutex);
  size_t old = g_cache_limit;
  g_cache_limit = bytes;
  Trim();
  return old;
}

bool plat::detail::ProfileBatchPrepare(std::vector<PreparedWrite>* out) {
  // Files in one order, so that two batches never wait on each other.
  std::vector<std::pair<std::string, std::string>> files;  // lock key, host
  for (const HeldWrite& w : t_held) {
    std::pair<std::string, std::string> file{w.lock_key, w.host};
    if (std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  }
  std::sort(files.begin(), files.end());
  for (const auto& [lock_key, host] : files) {
    out->emplace_back();
    PreparedWrite& p = out->back();
    p.key = lock_key;
    p.host = host;
    p.lock = std::make_shared<MachineLock>(lock_key);
    DWORD attrs = HostAttributes(host);
    DWORD error = 0;
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    std::string before;
    if (attrs != INVALID_FILE_ATTRIBUTES && !ReadHostFile(host, &before, &error)) {
      SetLastError(error);
      return false;
    }
    Parsed parsed = Parse(before);
    for (const HeldWrite& w : t_held)
      if (w.host == host) ApplyHeld(parsed, w);
    std::string after = Serialize(parsed);
    if (after == before && attrs != INVALID_FILE_ATTRIBUTES) continue;
    if (!PrepareHostFile(host, after, &p.temp, &error)) {
      SetLastError(error);
      return false;
    }
    Forget(host);
  }
  return true;
}

void plat::detail::ProfileBatchDrop() { t_held.clear(); }
