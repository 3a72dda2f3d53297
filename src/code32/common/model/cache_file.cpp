// The model cache file beside a model-description file: its name, reading
// it back (only when it is acceptable and validates in full), writing it
// through a temporary file, and getting a model file's image from the cache
// or by compiling.
#include <cstring>

#include "image_internal.h"
#include "plat/files.h"
#include "plat/handles.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/mdf_reader.h"
#include "velm/model_cache.h"
#include "velm/settings.h"

namespace {

using mdf_image::kHeaderSize;
using mdf_image::kMaxImageSize;

uint64_t As64(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

// The times of an open file.
bool TimesOf(HANDLE file, uint64_t* written, uint64_t* latest) {
  FILETIME changed{}, write{};
  if (!GetFileTime(file, &changed, nullptr, &write)) return false;
  if (written) *written = As64(write);
  if (latest) *latest = As64(write) > As64(changed) ? As64(write) : As64(changed);
  return true;
}

uint8_t* MachineReadAll(const char16_t* path, uint32_t max_size, uint32_t* size, uint64_t* written,
                        uint64_t* latest) {
  *size = 0;
  HANDLE file =
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  if ((written || latest) && !TimesOf(file, written, latest)) {
    CloseHandle(file);
    return nullptr;
  }
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  uint8_t* data = nullptr;
  if (low != INVALID_FILE_SIZE && high == 0 && low > 0 && low <= max_size) {
    // Not zeroed: every byte is read over, or the block is given back.
    data = static_cast<uint8_t*>(GlobalAlloc(GMEM_FIXED, low));
    DWORD done = 0;
    while (data && done < low) {
      DWORD read = 0;
      if (!ReadFile(file, data + done, low - done, &read, nullptr) || read == 0) break;
      done += read;
    }
    if (data && done != low) {
      MemFree(data);
      data = nullptr;
    }
  }
  CloseHandle(file);
  if (data) *size = low;
  return data;
}

bool MachineTimes(const char16_t* path, uint64_t* written, uint64_t* latest) {
  HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = TimesOf(file, written, latest);
  CloseHandle(file);
  return ok;
}

// The layer's one write-beside-and-rename: flushed, renamed and the folder
// flushed, under the file's machine lock.
bool MachineReplace(const char16_t* path, const uint8_t* data, uint32_t size) {
  return plat::ReplaceFileContent(path, data, size, nullptr);
}

bool MachineRemove(const char16_t* path) { return DeleteFileW(path) != FALSE; }

const MdfFileOps kMachineOps = {MachineReadAll, MachineTimes, MachineReplace, MachineRemove};

const MdfFileOps* Ops(const MdfFileOps* ops) { return ops ? ops : &kMachineOps; }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool SameText(const char16_t* a, const char16_t* b) { return a && b && plat::WCmpI(a, b) == 0; }

// The image of a model file's bytes, written as its cache when allowed.
ModelImage* CompileBytes(const char16_t* driver_version, const char16_t* path, const uint8_t* data, uint32_t size,
                         int32_t write, const MdfFileOps* ops) {
  ModelImage* image = MdfCompileBuffer(data, size);
  if (!image || !write) return image;
  char16_t version[16];
  MdfImgFileVersion(image, version);
  // The cache only saves time: a failed write costs the next compile.
  if (!driver_version || SameText(driver_version, version)) (void)MdfWriteCache(image, path, ops);
  return image;
}

// The cache file of a model file whose later time is model_latest, when it
// is not older than that, its size is its header's and it validates.
ModelImage* ReadCacheAfter(const char16_t* path, uint64_t model_latest, const MdfFileOps* ops, bool* damaged) {
  char16_t cache[kMdfCachePathChars];
  if (!MdfCacheFileName(path, cache)) return nullptr;
  uint32_t size = 0;
  uint64_t cache_written = 0;
  uint8_t* data = ops->readAll(cache, static_cast<uint32_t>(kMaxImageSize), &size, &cache_written, nullptr);
  if (!data) return nullptr;
  ModelImage* image = nullptr;
  if (cache_written >= model_latest && size > kHeaderSize &&
      mdf_image::Get32(data + mdf_image::kTotalSizeOffset) == size) {
    bool invalid = false;
    image = mdf_image::AdoptImage(data, size, &invalid);  // takes the block over
    if (invalid && damaged) *damaged = true;
  }
  if (!image) MemFree(data);
  return image;
}

}  // namespace

const MdfFileOps* MdfMachineFileOps() { return &kMachineOps; }

bool MdfCacheFileName(const char16_t* path, char16_t* out) {
  if (!out) return false;
  out[0] = 0;
  if (!path || !path[0]) return false;
  size_t length = plat::WLen(path);
  // Only a '.' in the file name itself counts: a dotted folder name must not
  // send the cache into another folder.
  size_t name = length;
  while (name > 0 && !IsSeparator(path[name - 1])) --name;
  if (name == length) return false;  // a folder, not a file
  size_t keep = length;
  const char16_t* extension = u".BCS";
  for (size_t i = length; i > name; --i) {
    if (path[i - 1] == u'.') {
      keep = i;  // up to and including the '.'
      extension = u"BCS";
      break;
    }
  }
  size_t total = keep + plat::WLen(extension);
  if (total + 1 > kMdfCachePathChars) return false;
  std::memcpy(out, path, keep * sizeof(char16_t));
  out[keep] = 0;
  plat::WAppend(out, kMdfCachePathChars, extension);
  return true;
}

ModelImage* MdfReadCache(const char16_t* path, const MdfFileOps* ops, bool* damaged) {
  ops = Ops(ops);
  if (damaged) *damaged = false;
  uint64_t model_latest = 0;
  if (!path || !ops->times(path, nullptr, &model_latest)) return nullptr;
  return ReadCacheAfter(path, model_latest, ops, damaged);
}

bool MdfWriteCache(const ModelImage* image, const char16_t* path, const MdfFileOps* ops) {
  char16_t cache[kMdfCachePathChars];
  if (!image || !MdfCacheFileName(path, cache)) return false;
  return Ops(ops)->replace(cache, MdfImageBytes(image), MdfImageSize(image));
}

bool MdfDeleteCache(const char16_t* path, const MdfFileOps* ops) {
  char16_t cache[kMdfCachePathChars];
  if (!MdfCacheFileName(path, cache)) return false;
  return Ops(ops)->remove(cache);
}

ModelImage* MdfCompileModel(const char16_t* driver_version, const char16_t* path, int32_t write,
                            const MdfFileOps* ops) {
  ops = Ops(ops);
  if (!path) return nullptr;
  uint32_t size = 0;
  uint8_t* data = ops->readAll(path, static_cast<uint32_t>(kMaxImageSize), &size, nullptr, nullptr);
  if (!data) return nullptr;
  ModelImage* image = CompileBytes(driver_version, path, data, size, write, ops);
  MemFree(data);
  return image;
}

ModelImage* MdfObtainModel(const char16_t* path, const char16_t* driver_version, const MdfFileOps* ops,
                           MdfImageOrigin* origin) {
  ops = Ops(ops);
  if (origin) *origin = MdfImageOrigin::kNone;
  if (!path) return nullptr;
  // The model file is read once: its times decide whether the cache is
  // recent enough, its version whether the cache still holds, and its bytes
  // are compiled when the cache does not serve.
  uint32_t size = 0;
  uint64_t model_latest = 0;
  uint8_t* model = ops->readAll(path, static_cast<uint32_t>(kMaxImageSize), &size, nullptr, &model_latest);
  if (!model) return nullptr;
  int32_t write = 1;
  bool damaged = false;
  if (ModelImage* cache = ReadCacheAfter(path, model_latest, ops, &damaged)) {
    char16_t file_version[15] = {};
    MdfProbeFileVersionBuffer(model, size, file_version);
    if (driver_version && !SameText(driver_version, file_version)) write = 0;
    char16_t cache_version[16];
    MdfImgFileVersion(cache, cache_version);
    if (write && SameText(cache_version, file_version)) {
      MemFree(model);
      if (origin) *origin = MdfImageOrigin::kCache;
      return cache;
    }
    MdfFreeImage(cache);
    MdfDeleteCache(path, ops);
  } else if (damaged) {
    MdfDeleteCache(path, ops);
  }
  ModelImage* image = CompileBytes(driver_version, path, model, size, write, ops);
  MemFree(model);
  if (image && origin) *origin = MdfImageOrigin::kCompiled;
  return image;
}
