// HKEY_LOCAL_MACHINE on disk.
#include "plat/registry.h"

#include <cstring>

#include "objects.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "typedstore.h"

namespace {

using plat::detail::TypedStore;

std::string HklmPath() { return plat::MachineRoot() + "/registry/HKLM.reg"; }
plat::detail::StoreFile g_hklm(HklmPath);

struct KeyObject : plat::detail::KernelObject {
  std::u16string path;
  bool ClosedByCloseHandle() const override { return false; }
};

// The full path of parent\subkey, or false for a key that is not ours.
bool FullPath(HKEY parent, LPCWSTR subkey, std::u16string* out) {
  std::u16string base;
  if (parent != HKEY_LOCAL_MACHINE) {
    auto k = plat::detail::FindHandleAs<KeyObject>(reinterpret_cast<HANDLE>(parent));
    if (!k) return false;
    base = k->path;
  }
  std::u16string sub = subkey ? std::u16string(subkey) : std::u16string();
  *out = plat::detail::NormalizeKeyPath(base.empty() ? sub : base + u"\\" + sub);
  return true;
}

HKEY NewKey(const std::u16string& path) {
  auto k = std::make_shared<KeyObject>();
  k->path = path;
  return reinterpret_cast<HKEY>(plat::detail::AddHandle(k));
}

}  // namespace

extern "C" {

LONG RegOpenKeyW(HKEY parent, LPCWSTR subkey, HKEY* result) {
  plat::NoteCall("RegOpenKeyW", plat::ToUtf8(subkey));
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::u16string path;
  if (!FullPath(parent, subkey, &path)) return ERROR_INVALID_HANDLE;
  if (!path.empty() && !g_hklm.Read()->FindKey(path)) return ERROR_FILE_NOT_FOUND;
  *result = NewKey(path);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyW(HKEY parent, LPCWSTR subkey, HKEY* result) {
  plat::NoteCall("RegCreateKeyW", plat::ToUtf8(subkey));
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::u16string path;
  if (!FullPath(parent, subkey, &path)) return ERROR_INVALID_HANDLE;
  if (plat::ShouldFail("RegCreateKeyW")) return ERROR_ACCESS_DENIED;
  DWORD error = ERROR_SUCCESS;
  if (!path.empty() && !g_hklm.Update(
                           [&](TypedStore& s) {
                             if (s.FindKey(path)) return false;
                             s.CreateKey(path);
                             return true;
                           },
                           &error))
    return LONG(error);
  *result = NewKey(path);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
  return plat::detail::RemoveHandleAs<KeyObject>(reinterpret_cast<HANDLE>(key)) ? ERROR_SUCCESS
                                                                                : LONG(ERROR_INVALID_HANDLE);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD*, DWORD* type, BYTE* data, DWORD* size) {
  plat::NoteCall("RegQueryValueExW", plat::ToUtf8(name));
  std::u16string path;
  if (!FullPath(key, nullptr, &path)) return ERROR_INVALID_HANDLE;
  if (data && !size) return ERROR_INVALID_PARAMETER;
  if (plat::ShouldFail("RegQueryValueExW")) return ERROR_ACCESS_DENIED;
  auto store = g_hklm.Read();
  const auto* v = TypedStore::FindValue(store->FindKey(path), name ? name : u"");
  if (!v) return ERROR_FILE_NOT_FOUND;
  if (type) *type = v->type;
  DWORD need = DWORD(v->data.size());
  if (!data) {
    if (size) *size = need;
    return ERROR_SUCCESS;
  }
  if (*size < need) {
    *size = need;
    return ERROR_MORE_DATA;
  }
  if (need) std::memcpy(data, v->data.data(), need);
  *size = need;
  return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size) {
  plat::NoteCall("RegSetValueExW", plat::ToUtf8(name));
  std::u16string path;
  if (!FullPath(key, nullptr, &path)) return ERROR_INVALID_HANDLE;
  if (!data && size) return ERROR_INVALID_PARAMETER;
  if (plat::ShouldFail("RegSetValueExW")) return ERROR_ACCESS_DENIED;
  DWORD error = ERROR_SUCCESS;
  std::u16string value_name = name ? name : u"";
  bool ok = g_hklm.Update(
      [&](TypedStore& s) {
        plat::detail::StoreKey* k = s.CreateKey(path);
        TypedStore::PutValue(k, plat::detail::StoreValue{value_name, type, std::vector<uint8_t>(data, data + size)});
        return true;
      },
      &error);
  return ok ? ERROR_SUCCESS : LONG(error);
}

LONG RegDeleteValueW(HKEY key, LPCWSTR name) {
  std::u16string path;
  if (!FullPath(key, nullptr, &path)) return ERROR_INVALID_HANDLE;
  std::u16string value_name = name ? name : u"";
  bool found = false;
  DWORD error = ERROR_SUCCESS;
  bool ok = g_hklm.Update(
      [&](TypedStore& s) {
        plat::detail::StoreKey* k = s.FindKey(path);
        if (!k) return false;
        found = TypedStore::RemoveValue(k, value_name);
        return found;
      },
      &error);
  if (!ok) return LONG(error);
  return found ? ERROR_SUCCESS : LONG(ERROR_FILE_NOT_FOUND);
}

}  // extern "C"
