// The colour-management module of this machine (see eng/icm.h). Handles are
// addresses of records kept in two lists, so that a handle that was never
// given out, or is closed already, is refused instead of followed.
#include "eng/icm.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "plat/kernel.h"

namespace {

constexpr DWORD kErrorInvalidProfile = 2011;  // ERROR_INVALID_PROFILE
constexpr uint32_t kHeaderBytes = 128;
constexpr uint32_t kSignatureOffset = 36;

struct Profile {
  std::vector<uint8_t> data;
};
struct Transform {
  Profile* dest;
  Profile* target;
  DWORD flags;
};

std::mutex g_lock;
std::vector<std::unique_ptr<Profile>> g_profiles;
std::vector<std::unique_ptr<Transform>> g_transforms;

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

template <typename T>
T* Find(std::vector<std::unique_ptr<T>>& list, HANDLE h) {
  for (auto& p : list)
    if (p.get() == h) return p.get();
  return nullptr;
}

}  // namespace

ENG_API HPROFILE OpenColorProfileW(const PROFILE* profile, DWORD access, DWORD, DWORD creation) {
  if (!profile || profile->dwType != PROFILE_MEMBUFFER || !profile->pProfileData || access == 0 ||
      creation != OPEN_EXISTING_ICM) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto* bytes = static_cast<const uint8_t*>(profile->pProfileData);
  if (profile->cbDataSize < kHeaderBytes || Be32(bytes) < kHeaderBytes || Be32(bytes) > profile->cbDataSize ||
      std::memcmp(bytes + kSignatureOffset, "acsp", 4) != 0) {
    SetLastError(kErrorInvalidProfile);
    return nullptr;
  }
  auto p = std::make_unique<Profile>();
  p->data.assign(bytes, bytes + Be32(bytes));
  std::lock_guard<std::mutex> hold(g_lock);
  g_profiles.push_back(std::move(p));
  return g_profiles.back().get();
}

ENG_API BOOL CloseColorProfile(HPROFILE profile) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto it = std::find_if(g_profiles.begin(), g_profiles.end(), [&](auto& p) { return p.get() == profile; });
  if (it == g_profiles.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // A transform keeps no hold on its profiles once they are closed.
  for (auto& t : g_transforms) {
    if (t->dest == it->get()) t->dest = nullptr;
    if (t->target == it->get()) t->target = nullptr;
  }
  g_profiles.erase(it);
  return TRUE;
}

ENG_API HTRANSFORM CreateColorTransformW(LOGCOLORSPACEW* space, HPROFILE dest, HPROFILE target, DWORD flags) {
  std::lock_guard<std::mutex> hold(g_lock);
  Profile* d = Find(g_profiles, dest);
  Profile* t = target ? Find(g_profiles, target) : nullptr;
  if (!space || !d || (target && !t)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  g_transforms.push_back(std::make_unique<Transform>(Transform{d, t, flags}));
  return g_transforms.back().get();
}

ENG_API BOOL DeleteColorTransform(HTRANSFORM transform) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto it = std::find_if(g_transforms.begin(), g_transforms.end(), [&](auto& p) { return p.get() == transform; });
  if (it == g_transforms.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  g_transforms.erase(it);
  return TRUE;
}

namespace eng {
int IcmOpenProfiles() {
  std::lock_guard<std::mutex> hold(g_lock);
  return int(g_profiles.size());
}
int IcmOpenTransforms() {
  std::lock_guard<std::mutex> hold(g_lock);
  return int(g_transforms.size());
}
}  // namespace eng
