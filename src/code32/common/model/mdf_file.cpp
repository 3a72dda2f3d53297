// A read-only view of a whole model-description file: the Windows path is
// mapped onto the machine folder and the file mapped into memory, so that
// the reader walks it byte by byte without copying it.
//
// Stand-in until the platform layer serves CreateFileW, GetFileSize,
// CreateFileMappingW and MapViewOfFile: the same steps are done here with
// open, fstat and mmap.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

#include "mdf_internal.h"
#include "plat/machine.h"

namespace mdf {

bool OpenFileView(const char16_t* path, FileView* view) {
  *view = FileView{};
  if (!path) return false;
  std::string host = plat::MapPath(path);
  if (host.empty()) return false;
  int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  // An empty file cannot be mapped; a file of 4 GB or more is not a model.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<uint64_t>(st.st_size) > UINT32_MAX) {
    close(fd);
    return false;
  }
  void* data = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);  // the view stays valid without the descriptor
  if (data == MAP_FAILED) return false;
  view->data = static_cast<const uint8_t*>(data);
  view->size = static_cast<size_t>(st.st_size);
  return true;
}

void CloseFileView(FileView* view) {
  if (view->data) munmap(const_cast<uint8_t*>(view->data), view->size);
  *view = FileView{};
}

}  // namespace mdf
