// The capability export of VELMPD3.
#include "plat/wintypes.h"
#include "ui2k/device_caps.h"
#include "velm/library.h"

VELM_EXPORT DWORD DrvDeviceCapabilities(HANDLE printer, LPWSTR device_name, WORD index, void* output,
                                        void* devmode) {
  return DWORD(UiDeviceCapabilities(printer, device_name, index, output, devmode));
}
