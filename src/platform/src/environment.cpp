// The environment of the Windows calls: the layer's own copy of the process
// environment, taken at first use and changed only under its lock.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/wstr.h"

extern char** environ;

namespace {

struct NoCase {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return plat::WCmpI(a.c_str(), b.c_str()) < 0;
  }
};

std::mutex g_env_mutex;
bool g_env_loaded = false;

std::map<std::u16string, std::u16string, NoCase>& Table() {
  static std::map<std::u16string, std::u16string, NoCase> table;
  return table;
}

// Called with the lock held.
void LoadOnce() {
  if (g_env_loaded) return;
  g_env_loaded = true;
  for (char** e = environ; e && *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (!eq || eq == *e) continue;
    Table()[plat::FromUtf8(std::string(*e, size_t(eq - *e)))] = plat::FromUtf8(eq + 1);
  }
}

bool ValidName(LPCWSTR name) {
  if (!name || !*name) return false;
  for (const char16_t* p = name; *p; ++p)
    if (*p == u'=') return false;
  return true;
}

}  // namespace

extern "C" {

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
  if (!ValidName(name)) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  std::lock_guard<std::mutex> lock(g_env_mutex);
  LoadOnce();
  auto it = Table().find(name);
  if (it == Table().end()) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::u16string& value = it->second;
  if (!buffer || size <= value.size()) return DWORD(value.size() + 1);
  std::memcpy(buffer, value.c_str(), (value.size() + 1) * sizeof(char16_t));
  return DWORD(value.size());
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
  plat::NoteCall("SetEnvironmentVariableW", plat::ToUtf8(name));
  if (!ValidName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (plat::ShouldFail("SetEnvironmentVariableW")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  std::lock_guard<std::mutex> lock(g_env_mutex);
  LoadOnce();
  if (value) Table()[name] = value;
  else Table().erase(name);
  return TRUE;
}

}  // extern "C"
