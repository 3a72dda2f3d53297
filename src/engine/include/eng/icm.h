// The colour-management calls of this machine: a small module of its own
// in place of the system's colour-management library. A profile is opened
// from memory and its header checked; a transform joins a colour space to a
// profile. No colour is ever transformed through it: drivers create the
// transform for the engine, which does not apply it.
#pragma once

#include "eng/ddi.h"

using HPROFILE = HANDLE;
using HTRANSFORM = HANDLE;

constexpr DWORD PROFILE_FILENAME = 1;
constexpr DWORD PROFILE_MEMBUFFER = 2;
constexpr DWORD PROFILE_READ = 1;
constexpr DWORD PROFILE_READWRITE = 2;
constexpr DWORD FILE_SHARE_READ_ICM = 1;
constexpr DWORD OPEN_EXISTING_ICM = 3;
constexpr DWORD BEST_MODE = 3;

struct PROFILE {
  DWORD dwType;
  PVOID pProfileData;
  DWORD cbDataSize;
};

// Opens a profile held in memory (PROFILE_MEMBUFFER): the data are copied
// and must hold a profile header whose size field fits the buffer and whose
// signature is "acsp". Null with ERROR_INVALID_PARAMETER or
// ERROR_INVALID_PROFILE otherwise.
ENG_API HPROFILE OpenColorProfileW(const PROFILE* profile, DWORD access, DWORD share, DWORD creation);
ENG_API BOOL CloseColorProfile(HPROFILE profile);
// A transform from the colour space to the destination profile (the target
// profile may be null). Null when the destination is not an open profile.
ENG_API HTRANSFORM CreateColorTransformW(LOGCOLORSPACEW* space, HPROFILE dest, HPROFILE target, DWORD flags);
ENG_API BOOL DeleteColorTransform(HTRANSFORM transform);

namespace eng {
// Profiles and transforms open now (for tests of the callers).
int IcmOpenProfiles();
int IcmOpenTransforms();
}  // namespace eng
