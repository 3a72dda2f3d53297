// Module loading: a module is a shared object of the host; its handle is the
// layer's record of it. The loader keeps one record per file with a
// reference count and calls DllMain as the Windows loader does.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

struct Module {
  std::string host_path;
  std::u16string windows_path;
  void* so = nullptr;
  int refs = 0;
  DllMainProc main = nullptr;
};

std::recursive_mutex g_mutex;
std::vector<std::unique_ptr<Module>>& Modules() {
  static std::vector<std::unique_ptr<Module>> modules;
  return modules;
}

bool FileExists(const std::string& p) {
  struct stat st{};
  return !p.empty() && stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Where a bare module name is looked for: the system directory, then each
// directory of the PATH environment variable (Windows form, ';'-separated).
std::u16string Resolve(const char16_t* name) {
  if (plat::IsFullWindowsPath(name)) return name;
  std::vector<std::u16string> dirs = {u"C:\\Windows\\System32"};
  if (const char* path = std::getenv("VELM_WINPATH")) {
    std::u16string all = plat::FromUtf8(path), cur;
    for (char16_t c : all) {
      if (c == u';') {
        if (!cur.empty()) dirs.push_back(cur);
        cur.clear();
      } else {
        cur.push_back(c);
      }
    }
    if (!cur.empty()) dirs.push_back(cur);
  }
  for (const auto& d : dirs) {
    std::u16string full = d;
    if (!full.empty() && full.back() != u'\\') full.push_back(u'\\');
    full += name;
    if (FileExists(plat::MapPath(full))) return full;
  }
  return {};
}

Module* Find(HMODULE h) {
  for (auto& m : Modules())
    if (m.get() == h) return m.get();
  return nullptr;
}

}  // namespace

extern "C" {

HMODULE LoadLibraryW(LPCWSTR path) {
  if (!path || !*path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  std::u16string windows_path = Resolve(path);
  std::string host = windows_path.empty() ? std::string() : plat::MapPath(windows_path);
  if (!FileExists(host)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  for (auto& m : Modules()) {
    if (m->host_path == host) {
      ++m->refs;
      return m.get();
    }
  }
  void* so = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!so) {
    SetLastError(ERROR_BAD_FORMAT);
    return nullptr;
  }
  auto mod = std::make_unique<Module>();
  mod->host_path = host;
  mod->windows_path = windows_path;
  mod->so = so;
  mod->refs = 1;
  mod->main = reinterpret_cast<DllMainProc>(dlsym(so, "DllMain"));
  Module* raw = mod.get();
  Modules().push_back(std::move(mod));
  if (raw->main && !raw->main(raw, DLL_PROCESS_ATTACH, nullptr)) {
    // A module that refuses to start is unloaded again, as on Windows.
    raw->main(raw, DLL_PROCESS_DETACH, nullptr);
    dlclose(so);
    Modules().pop_back();
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  return raw;
}

HMODULE LoadLibraryA(LPCSTR path) {
  if (!path || !*path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  size_t len = std::strlen(path);
  std::u16string wide(len + 1, u'\0');
  wide.resize(plat::AnsiToWide(path, len, wide.data(), len));
  return LoadLibraryW(wide.c_str());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Module* m = Find(module);
  if (!m || !name) {
    SetLastError(m ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  void* sym = dlsym(m->so, name);
  if (!sym) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(sym);
}

BOOL FreeLibrary(HMODULE module) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  auto& mods = Modules();
  for (size_t i = 0; i < mods.size(); ++i) {
    if (mods[i].get() != module) continue;
    if (--mods[i]->refs > 0) return TRUE;
    std::unique_ptr<Module> m = std::move(mods[i]);
    mods.erase(mods.begin() + long(i));
    if (m->main) m->main(m.get(), DLL_PROCESS_DETACH, nullptr);
    dlclose(m->so);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (!name) return nullptr;
  for (auto& m : Modules()) {
    const std::u16string& wp = m->windows_path;
    size_t slash = wp.find_last_of(u'\\');
    std::u16string base = slash == std::u16string::npos ? wp : wp.substr(slash + 1);
    if (plat::WCmpI(base.c_str(), name) == 0 || plat::WCmpI(wp.c_str(), name) == 0) return m.get();
  }
  return nullptr;
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD capacity) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Module* m = Find(module);
  if (!m || !buffer || capacity == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!plat::WCopy(buffer, capacity, m->windows_path.c_str())) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return capacity;
  }
  return DWORD(m->windows_path.size());
}

}  // extern "C"
