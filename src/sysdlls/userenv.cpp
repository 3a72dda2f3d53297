// UserEnv.dll of the emulated machine: the user's profile folder.
#include "plat/osinfo.h"

VELM_EXPORT BOOL GetUserProfileDirectoryW(HANDLE token, LPWSTR dir, DWORD* size) {
  return plat::UserProfileDirectory(token, dir, size);
}
