// Resources of modules: our own format in place of PE resource sections.
//
// A resource module is a loadable module (the stand-in "velmres.dll", which
// only gives the loader something to load) with a resource block appended
// to the file: the block, then a 16-byte trailer "VELMRES1" + the block's
// file offset (64-bit little-endian). The block is a 32-bit count and that
// many entries {32-bit type, 32-bit id, 32-bit size, the bytes, zero padding
// to 4}. Strings are type RT_STRING, one entry per string id, UTF-16LE
// without a terminator.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "plat/wintypes.h"

constexpr DWORD RT_STRING = 6;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

extern "C" {
// Copies the string into buffer, cut to capacity - 1 characters, and
// answers its length; an empty string and 0 when the module or the string
// is missing (or capacity is not positive). Faults: "LoadStringW".
INT LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, INT capacity);
}

namespace plat {

struct ResourceEntry {
  DWORD type;
  DWORD id;
  std::vector<uint8_t> data;
};
ResourceEntry StringResource(DWORD id, const std::u16string& text);

// Writes a resource module: the base module's bytes followed by the entries.
bool WriteResourceModule(const std::string& host_path, const std::string& base_module_host_path,
                         const std::vector<ResourceEntry>& entries);

// The bytes of a resource of a loaded module, or null; the bytes stay valid
// while the module stays loaded. Resources a module registered for itself
// come before those appended to its file.
const void* FindModuleResource(HMODULE module, DWORD type, DWORD id, size_t* size);

// Resources compiled into a module's own code: the module registers them for
// its handle when it is attached and withdraws them when it is detached. The
// entries and their bytes stay the module's and must outlive the
// registration; a second registration for a handle replaces the first.
struct BuiltinResource {
  DWORD type;
  DWORD id;
  const void* data;
  size_t size;
};
void RegisterModuleResources(HMODULE module, const BuiltinResource* entries, size_t count);
void WithdrawModuleResources(HMODULE module);

}  // namespace plat
