// The printer's model-description file: the data file of its driver.
#include <cstring>

#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/mdf_reader.h"
#include "velm/settings.h"

char16_t* MdfGetDataFilePath(HANDLE printer) {
  // First call: the size of the DRIVER_INFO_2 with its strings.
  DWORD needed = 0;
  if (GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER ||
      needed < sizeof(DRIVER_INFO_2W)) {
    return nullptr;
  }
  auto* buffer = static_cast<BYTE*>(MemAllocZeroed(needed));
  if (!buffer) return nullptr;
  char16_t* path = nullptr;
  if (GetPrinterDriverW(printer, nullptr, 2, buffer, needed, &needed)) {
    DRIVER_INFO_2W info;
    std::memcpy(&info, buffer, sizeof info);
    if (info.pDataFile) {
      size_t length = plat::WLen(info.pDataFile);
      path = static_cast<char16_t*>(MemAllocZeroed((length + 1) * sizeof(char16_t)));
      if (path) std::memcpy(path, info.pDataFile, length * sizeof(char16_t));
    }
  }
  MemFree(buffer);
  return path;
}
