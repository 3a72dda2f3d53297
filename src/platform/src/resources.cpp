// Resource blocks appended to modules, and LoadStringW.
#include "plat/resources.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "hostfs.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"

namespace {

constexpr char kMagic[8] = {'V', 'E', 'L', 'M', 'R', 'E', 'S', '1'};
constexpr size_t kTrailer = 16;

uint32_t Get32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(b[at + size_t(i)]);
  return v;
}

void Put32(std::string* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->push_back(char((v >> (8 * i)) & 0xFF));
}

struct Table {
  std::u16string path;
  plat::detail::FileStamp stamp;
  std::map<std::pair<DWORD, DWORD>, std::string> entries;
};

// Parses the block of a module file; a damaged block gives no resources.
void ParseBlock(const std::string& file, Table* t) {
  if (file.size() < kTrailer || std::memcmp(file.data() + file.size() - kTrailer, kMagic, 8) != 0) return;
  uint64_t offset = 0;
  for (int i = 7; i >= 0; --i) offset = (offset << 8) | uint8_t(file[file.size() - 8 + size_t(i)]);
  size_t end = file.size() - kTrailer;
  if (offset > end || end - offset < 4) return;
  size_t pos = size_t(offset);
  uint32_t count = Get32(file, pos);
  pos += 4;
  for (uint32_t i = 0; i < count; ++i) {
    if (end - pos < 12) return;
    DWORD type = Get32(file, pos), id = Get32(file, pos + 4);
    uint32_t size = Get32(file, pos + 8);
    pos += 12;
    if (size > end - pos) return;
    t->entries[{type, id}] = file.substr(pos, size);
    pos += (size_t(size) + 3) & ~size_t(3);
    if (pos > end) return;
  }
}

std::mutex g_mutex;
std::map<HMODULE, std::shared_ptr<Table>>& Tables() {
  static std::map<HMODULE, std::shared_ptr<Table>> tables;
  return tables;
}

struct Builtins {
  const plat::BuiltinResource* entries;
  size_t count;
};
std::map<HMODULE, Builtins>& BuiltinTables() {
  static std::map<HMODULE, Builtins> tables;
  return tables;
}

const void* FindBuiltin(HMODULE module, DWORD type, DWORD id, size_t* size) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = BuiltinTables().find(module);
  if (it == BuiltinTables().end()) return nullptr;
  for (size_t i = 0; i < it->second.count; ++i) {
    const plat::BuiltinResource& e = it->second.entries[i];
    if (e.type != type || e.id != id) continue;
    if (size) *size = e.size;
    return e.data;
  }
  return nullptr;
}

std::shared_ptr<Table> TableOf(HMODULE module) {
  char16_t path[1024];
  DWORD n = module ? GetModuleFileNameW(module, path, 1024) : 0;
  if (n == 0 || n >= 1024) return nullptr;
  std::string host = plat::MapPath(path);
  plat::detail::FileStamp stamp = plat::detail::StampOf(host);
  std::lock_guard<std::mutex> lock(g_mutex);
  std::shared_ptr<Table>& t = Tables()[module];
  if (!t || t->path != path || !(t->stamp == stamp)) {
    auto fresh = std::make_shared<Table>();
    fresh->path = path;
    fresh->stamp = stamp;
    std::string bytes;
    if (plat::detail::ReadHostFile(host, &bytes, nullptr)) ParseBlock(bytes, fresh.get());
    t = fresh;
  }
  return t;
}

}  // namespace

plat::ResourceEntry plat::StringResource(DWORD id, const std::u16string& text) {
  ResourceEntry e{RT_STRING, id, std::vector<uint8_t>(text.size() * 2)};
  for (size_t i = 0; i < text.size(); ++i) {
    e.data[2 * i] = uint8_t(text[i] & 0xFF);
    e.data[2 * i + 1] = uint8_t(text[i] >> 8);
  }
  return e;
}

bool plat::WriteResourceModule(const std::string& host_path, const std::string& base_module_host_path,
                               const std::vector<ResourceEntry>& entries) {
  std::string bytes;
  if (!detail::ReadHostFile(base_module_host_path, &bytes, nullptr)) return false;
  uint64_t offset = bytes.size();
  Put32(&bytes, uint32_t(entries.size()));
  for (const ResourceEntry& e : entries) {
    Put32(&bytes, e.type);
    Put32(&bytes, e.id);
    Put32(&bytes, uint32_t(e.data.size()));
    bytes.append(reinterpret_cast<const char*>(e.data.data()), e.data.size());
    while (bytes.size() % 4) bytes.push_back(0);
  }
  bytes.append(kMagic, 8);
  for (int i = 0; i < 8; ++i) bytes.push_back(char((offset >> (8 * i)) & 0xFF));
  return detail::ReplaceHostFile(host_path, bytes, nullptr);
}

void plat::RegisterModuleResources(HMODULE module, const BuiltinResource* entries, size_t count) {
  if (!module) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  BuiltinTables()[module] = Builtins{entries, entries ? count : 0};
}

void plat::WithdrawModuleResources(HMODULE module) {
  std::lock_guard<std::mutex> lock(g_mutex);
  BuiltinTables().erase(module);
}

const void* plat::FindModuleResource(HMODULE module, DWORD type, DWORD id, size_t* size) {
  if (const void* builtin = FindBuiltin(module, type, id, size)) return builtin;
  std::shared_ptr<Table> t = TableOf(module);
  if (!t) return nullptr;
  auto it = t->entries.find({type, id});
  if (it == t->entries.end()) return nullptr;
  if (size) *size = it->second.size();
  return it->second.data();
}

extern "C" INT LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, INT capacity) {
  plat::NoteCall("LoadStringW");
  if (!buffer || capacity <= 0) return 0;
  buffer[0] = 0;
  if (plat::ShouldFail("LoadStringW")) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  size_t size = 0;
  const auto* p = static_cast<const uint8_t*>(plat::FindModuleResource(module, RT_STRING, id, &size));
  if (!p) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  size_t n = size / 2;
  if (n > size_t(capacity) - 1) n = size_t(capacity) - 1;
  for (size_t i = 0; i < n; ++i) buffer[i] = char16_t(p[2 * i] | (p[2 * i + 1] << 8));
  buffer[n] = 0;
  return INT(n);
}
