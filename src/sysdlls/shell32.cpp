// shell32.dll of the emulated machine: known folders.
#include "plat/osinfo.h"

VELM_EXPORT HRESULT SHGetKnownFolderPath(const GUID* id, DWORD flags, HANDLE token, LPWSTR* path) {
  return plat::KnownFolderPath(id, flags, token, path);
}
