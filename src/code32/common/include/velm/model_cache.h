// Where a driver context gets its model image: the process-wide list of
// images already loaded by this library, else the cache file that an earlier
// compile left beside the model-description file, else a compile of that
// file, which writes the cache for the next process. The driver mutex
// serialises all of it between processes.
//
// The cache file holds the image exactly as built. It is never trusted: it
// is used only when it is not older than the model file, its size matches
// its header, it validates in full, and its file version equals both the
// model file's and the driver's; a damaged one is deleted and the model
// compiled again. It is written to a temporary file beside it and renamed
// into place, so no reader ever sees half a file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "velm/model_image.h"

struct DriverContext;

// How the cache code reaches files. The driver uses the machine's files
// (MdfMachineFileOps); the command-line host brings its own for files of the
// host.
// Times are in 100 ns units: the last-write time, and the later of the
// last-write and change times (an installed file may keep an old write time
// but not an old change time).
struct MdfFileOps {
  // The whole file in a new block (MemFree), its size and (each optional)
  // its times, all through one open; null when the file cannot be opened or
  // read, is empty, or is larger than max_size.
  uint8_t* (*readAll)(const char16_t* path, uint32_t max_size, uint32_t* size, uint64_t* written, uint64_t* latest);
  // The times alone; false when the file cannot be opened.
  bool (*times)(const char16_t* path, uint64_t* written, uint64_t* latest);
  // Gives the file this content through a temporary file beside it that is
  // renamed into place; false on failure, leaving no temporary file.
  bool (*replace)(const char16_t* path, const uint8_t* data, uint32_t size);
  bool (*remove)(const char16_t* path);
};
const MdfFileOps* MdfMachineFileOps();

// The cache file of a model file: everything after the last '.' of the file
// name replaced by "BCS", or ".BCS" appended when the name has no '.'. The
// buffer holds kMdfCachePathChars characters with the NUL; false (and an
// empty name) when the name would not fit.
constexpr size_t kMdfCachePathChars = 264;
bool MdfCacheFileName(const char16_t* path, char16_t* out);

// How an image was obtained.
enum class MdfImageOrigin { kNone, kList, kCache, kCompiled };

// A new image from the cache file of a model file, when the cache is
// acceptable (not older than the model, size equal to its header's, valid);
// null otherwise. *damaged is set for a cache file that is there at the
// right size and age but does not validate.
[[nodiscard]] ModelImage* MdfReadCache(const char16_t* path, const MdfFileOps* ops, bool* damaged);
// Writes the image as the model file's cache file; false when it could not
// be written (nothing else is reported).
[[nodiscard]] bool MdfWriteCache(const ModelImage* image, const char16_t* path, const MdfFileOps* ops);
bool MdfDeleteCache(const char16_t* path, const MdfFileOps* ops);
// Parses and builds the model file's image. With write set, the cache file
// is written too, unless a driver version is given and differs from the
// image's file version (ignoring case). Null when the file cannot be read or
// parsed or memory runs out.
[[nodiscard]] ModelImage* MdfCompileModel(const char16_t* driver_version, const char16_t* path, int32_t write,
                            const MdfFileOps* ops);
// The image of a model file the way a context gets it, short of the list: a
// usable cache file, else a compile that writes the cache when the model's
// file version equals the driver version. Call it holding the driver mutex.
[[nodiscard]] ModelImage* MdfObtainModel(const char16_t* path, const char16_t* driver_version, const MdfFileOps* ops,
                           MdfImageOrigin* origin);

// ---- the process-wide list ----------------------------------------------------------------
// The image for a context of kinds 0-3: from the list, the cache file or a
// compile of the printer's data file (found through the context's second
// printer handle), under the driver mutex unless the context's kind options
// hold 0x100. The image stays in the list until MdfFreeModelList; null when
// the printer has no data file or it cannot be compiled.
[[nodiscard]] ModelImage* MdfGetCompiledModel(DriverContext* ctx);
// Nothing to do: listed images live until the process detaches.
void MdfReleaseModel(ModelImage* image);
// Frees every listed image and empties the list (process detach).
void MdfFreeModelList();

// The image listed for a model file (full paths compared ignoring case,
// '/' and '\' alike), or null.
ModelImage* MdfListFind(const char16_t* path);
// Lists an image for a path and returns the listed image: when the path is
// listed already (another thread was quicker) that image is kept and the new
// one freed. Null (the image freed) when memory runs out.
ModelImage* MdfListAdd(const char16_t* path, ModelImage* image);
uint32_t MdfListCount();
