// Stand-in for the maker's bidirectional-communication library
// orvbidiNT.dll: OrvekInitializeBidiApiW fills the caller's function table,
// whose entries answer from the printer's device description (see
// bidi_device.h), which also tells it which steps to fail and which answers
// to malform. It counts its loads, unloads and device sessions in
// counters.txt beside the descriptions, so that tests can see leaks.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <new>
#include <sstream>
#include <type_traits>
#include <algorithm>
#include <string>
#include <vector>

#include "bidi_device.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/wstr.h"
#include "velm/bidi_api.h"

namespace {

using bidi_device::Device;
constexpr DWORD kGenFailure = 31;  // ERROR_GEN_FAILURE

// Adds one to a counter of counters.txt, under a lock of the file, so that
// processes that load the library side by side count every event.
void Count(const std::string& name) {
  (void)plat::EnsureWindowsDir(bidi_device::kFolder);  // without it the open below fails, and that is handled
  std::string path = plat::MapPath(bidi_device::kCounters);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX) == 0) {
    std::string text;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, size_t(n));
    std::map<std::string, long> counts;
    std::stringstream in(text);
    std::string key;
    long value;
    while (in >> key >> value) counts[key] = value;
    ++counts[name];
    std::string out;
    for (const auto& [k, v] : counts) out += k + " " + std::to_string(v) + "\n";
    if (::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0) {
      ssize_t w = ::write(fd, out.data(), out.size());
      (void)w;
    }
  }
  ::close(fd);
}

struct Session {
  Device device;
  uint32_t mask = 0;
};

bool Fails(const Session* s, const std::string& step) { return s->device.fail.count(step) != 0; }

Session* SessionOf(HANDLE h) { return static_cast<Session*>(h); }

void PutU32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(uint8_t(v >> (8 * i)));
}

// The bytes of an answer and the call's result; false when the device does
// not report the item.
bool Answer(const Device& d, int32_t item, std::vector<uint8_t>* bytes, int32_t* result) {
  bytes->clear();
  *result = 1;
  if (auto raw = d.raw.find(item); raw != d.raw.end()) {
    *bytes = raw->second.bytes;
    *result = raw->second.result;
    return true;
  }
  switch (item) {
    case bidi_api::kItemTrays:
      for (const auto& t : d.trays) PutU32(bytes, uint32_t(t.code));
      *result = d.badCount >= 0 ? d.badCount : int32_t(d.trays.size());
      return !d.trays.empty();
    case bidi_api::kItemTrayPaper:
    case bidi_api::kItemTrayMedia:
    case bidi_api::kItemTrayStatus: {
      size_t n = d.trays.size();
      if (d.badEntries >= 0 && size_t(d.badEntries) < n) n = size_t(d.badEntries);
      for (size_t i = 0; i < n; ++i) {
        const auto& t = d.trays[i];
        PutU32(bytes, uint32_t(item == bidi_api::kItemTrayPaper ? t.paper
                               : item == bidi_api::kItemTrayMedia ? t.media
                                                                   : t.status));
      }
      *result = int32_t(n);
      return n != 0;
    }
    case bidi_api::kItemOptions:
      for (int32_t c : d.options) PutU32(bytes, uint32_t(c));
      *result = d.badOptions >= 0 ? d.badOptions : int32_t(d.options.size());
      return !d.options.empty();
    case bidi_api::kItemMemory:
      if (!d.hasMemory) return false;
      PutU32(bytes, uint32_t(d.memory));
      if (d.badMemory >= 0) bytes->resize(size_t(d.badMemory), 0);
      return !bytes->empty();
    case bidi_api::kItemDeviceData:
      *bytes = d.data8;
      return d.hasData8;
    default: return false;
  }
}

bool CategoryAnswer(const Device& d, int32_t item, std::vector<uint8_t>* bytes, int32_t* result) {
  bytes->clear();
  *result = 1;
  if (auto raw = d.raw.find(bidi_device::kCategoryRaw + item); raw != d.raw.end()) {
    *bytes = raw->second.bytes;
    *result = raw->second.result;
    return true;
  }
  switch (item) {
    case bidi_api::kCatItemMemoryType:
      if (!d.hasMemType) return false;
      PutU32(bytes, uint32_t(d.memType));
      return true;
    case bidi_api::kCatItemData:
      *bytes = d.data2;
      return d.hasData2;
    case bidi_api::kCatItemOther:
      if (!d.hasOther) return false;
      bytes->assign(d.other.begin(), d.other.end());
      bytes->push_back(0);
      return true;
    default: return false;
  }
}

// The two-call protocol shared by both item entries.
int32_t Deliver(const std::vector<uint8_t>& bytes, int32_t result, void* buffer, uint32_t size, uint32_t* needed) {
  if (needed) *needed = uint32_t(bytes.size());
  if (!buffer) return 1;
  if (size < bytes.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  return result;
}

int32_t Open(const char16_t* printer, HANDLE* device, int32_t* ok) {
  if (device) *device = nullptr;
  if (ok) *ok = 0;
  if (!printer || !device || !ok) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::ifstream in(plat::MapPath(bidi_device::FileName(printer)), std::ios::binary);
  if (!in) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto* s = new (std::nothrow) Session;
  std::string why;
  if (!s || !bidi_device::Parse(text, &s->device, &why) || Fails(s, "open")) {
    delete s;
    SetLastError(kGenFailure);
    return 0;
  }
  if (Fails(s, "okflag")) {
    delete s;
    return 1;  // the call succeeds, but the device is not usable
  }
  Count("opens");
  *device = s;
  *ok = 1;
  return 1;
}

int32_t Close(HANDLE device) {
  if (!device) return 0;
  Count("closes");
  delete SessionOf(device);
  return 1;
}

int32_t Begin(HANDLE device, HANDLE* request, uint32_t mask, int32_t* value) {
  Session* s = SessionOf(device);
  if (request) *request = nullptr;
  if (!s || !request) return 0;
  if (value) *value = 0;
  if (Fails(s, "begin")) {
    SetLastError(kGenFailure);
    return 0;
  }
  s->mask = mask;
  *request = s;
  if (s->device.error102.count("begin")) {
    SetLastError(bidi_api::kErrorNotReported);
    return 0;
  }
  return 1;
}

int32_t OpenCategory(HANDLE device, HANDLE* category, int32_t id, int32_t) {
  Session* s = SessionOf(device);
  if (category) *category = nullptr;
  if (!s || !category || id != bidi_api::kCategory) return 0;
  if (Fails(s, "category")) {
    SetLastError(kGenFailure);
    return 0;
  }
  *category = s;
  if (s->device.error102.count("category")) {
    SetLastError(bidi_api::kErrorNotReported);
    return 0;
  }
  return 1;
}

int32_t GetModelName(HANDLE device, int32_t, char16_t* buffer, int32_t chars) {
  Session* s = SessionOf(device);
  if (!s || !buffer || chars <= 0 || Fails(s, "model")) return 0;
  if (s->device.hasRawName) {
    size_t n = std::min(s->device.rawName.size(), size_t(chars) * 2);
    if (n) std::memcpy(buffer, s->device.rawName.data(), n);
    return 1;
  }
  std::u16string name = plat::FromUtf8(s->device.model);
  if (s->device.badName) {
    // Every character used, no terminator.
    for (int32_t i = 0; i < chars; ++i) buffer[i] = i < int32_t(name.size()) ? name[size_t(i)] : u'X';
    return 1;
  }
  size_t n = std::min(name.size(), size_t(chars - 1));
  std::memcpy(buffer, name.data(), n * 2);
  buffer[n] = 0;
  return 1;
}

int32_t Unused() { return 0; }

int32_t GetItem(HANDLE request, int32_t item, void* buffer, uint32_t size, uint32_t* needed) {
  Session* s = SessionOf(request);
  if (needed) *needed = 0;
  if (!s || Fails(s, "item:" + std::to_string(item))) return -1;
  std::vector<uint8_t> bytes;
  int32_t result = 0;
  if (!Answer(s->device, item, &bytes, &result)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return -1;
  }
  return Deliver(bytes, result, buffer, size, needed);
}

int32_t GetCategoryItem(HANDLE category, int32_t id, int32_t item, void* buffer, uint32_t size, uint32_t* needed) {
  Session* s = SessionOf(category);
  if (needed) *needed = 0;
  if (!s || id != bidi_api::kCategory || Fails(s, "catitem:" + std::to_string(item))) return 0;
  std::vector<uint8_t> bytes;
  int32_t result = 1;
  if (!CategoryAnswer(s->device, item, &bytes, &result)) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  int32_t r = Deliver(bytes, result, buffer, size, needed);
  return r < 0 ? 0 : r;
}

}  // namespace

VELM_EXPORT BOOL DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) Count("loads");
  if (reason == DLL_PROCESS_DETACH) Count("unloads");
  return TRUE;
}

VELM_EXPORT BOOL OrvekInitializeBidiApiW(bidi_api::Table* table) {
  if (!table || table->size < sizeof(bidi_api::Table)) return FALSE;
  table->version = 1;
  table->open = &Open;
  table->close = &Close;
  table->begin = &Begin;
  table->openCategory = &OpenCategory;
  table->getModelName = &GetModelName;
  table->unused = &Unused;
  table->getItem = &GetItem;
  table->getCategoryItem = &GetCategoryItem;
  return TRUE;
}
static_assert(std::is_same_v<decltype(&OrvekInitializeBidiApiW), bidi_api::InitializeFn>);
