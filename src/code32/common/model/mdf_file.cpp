// A read-only view of a whole model-description file, mapped into memory
// so that the reader walks it byte by byte without copying it. The view
// outlives the file and mapping handles, which are closed at once.
#include <cstdint>

#include "mdf_internal.h"
#include "plat/files.h"

namespace mdf {

bool OpenFileView(const char16_t* path, FileView* view) {
  *view = FileView{};
  if (!path) return false;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  // An empty file cannot be mapped; a file of 4 GB or more is not a model.
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  HANDLE mapping = nullptr;
  if (size != INVALID_FILE_SIZE && size != 0 && high == 0)
    mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  CloseHandle(file);
  if (!mapping) return false;
  const void* data = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  CloseHandle(mapping);
  if (!data) return false;
  view->data = static_cast<const uint8_t*>(data);
  view->size = size;
  return true;
}

void CloseFileView(FileView* view) {
  if (view->data) UnmapViewOfFile(view->data);
  *view = FileView{};
}

}  // namespace mdf
