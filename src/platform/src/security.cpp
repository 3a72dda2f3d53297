// SIDs, ACLs, descriptors, tokens and access checks.
#include "plat/security.h"

#include <cstring>
#include <string>

#include "hostfs.h"
#include "objects.h"
#include "plat/files.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/machineconf.h"
#include "plat/wstr.h"

namespace {

constexpr uintptr_t kCurrentProcess = uintptr_t(-1);
constexpr uintptr_t kCurrentThread = uintptr_t(-2);

struct TokenObject : plat::detail::KernelObject {
  bool impersonation = false;
};

thread_local bool t_impersonating = false;

template <class T>
T Fail(DWORD error, T value) {
  SetLastError(error);
  return value;
}

const SID* AsSid(PSID p) { return static_cast<const SID*>(p); }

bool SidOk(PSID p) {
  const SID* s = AsSid(p);
  return s && s->Revision == 1 && s->SubAuthorityCount <= 15;
}

DWORD SidLength(PSID p) { return 8 + 4 * DWORD(AsSid(p)->SubAuthorityCount); }

bool SameSid(PSID a, PSID b) {
  return SidOk(a) && SidOk(b) && SidLength(a) == SidLength(b) && std::memcmp(a, b, SidLength(a)) == 0;
}

bool AclOk(const ACL* acl) { return acl && (acl->AclRevision == 2 || acl->AclRevision == 4) && acl->AclSize >= 8; }

// The ACE headers of an ACL, checked against its size; false when broken.
template <class F>
bool ForEachAce(const ACL* acl, F f) {
  const BYTE* base = reinterpret_cast<const BYTE*>(acl);
  size_t pos = sizeof(ACL);
  for (WORD i = 0; i < acl->AceCount; ++i) {
    if (pos + sizeof(ACE_HEADER) > acl->AclSize) return false;
    ACE_HEADER h;
    std::memcpy(&h, base + pos, sizeof h);
    if (h.AceSize < sizeof(ACCESS_ALLOWED_ACE) - 4 || pos + h.AceSize > acl->AclSize) return false;
    f(h, base + pos);
    pos += h.AceSize;
  }
  return true;
}

// One past the last ACE, or 0 when the ACL is broken.
size_t AclUsed(const ACL* acl) {
  size_t used = sizeof(ACL);
  if (!ForEachAce(acl, [&](const ACE_HEADER& h, const BYTE*) { used += h.AceSize; })) return 0;
  return used;
}

BOOL AddAce(ACL* acl, DWORD revision, BYTE type, DWORD flags, DWORD mask, PSID sid) {
  if (!AclOk(acl) || revision < 2) return Fail(ERROR_INVALID_ACL, FALSE);
  if (!SidOk(sid)) return Fail(ERROR_INVALID_SID, FALSE);
  size_t used = AclUsed(acl);
  if (!used) return Fail(ERROR_INVALID_ACL, FALSE);
  size_t size = sizeof(ACCESS_ALLOWED_ACE) - 4 + SidLength(sid);
  if (used + size > acl->AclSize) return Fail(ERROR_ALLOTTED_SPACE_EXCEEDED, FALSE);
  BYTE* p = reinterpret_cast<BYTE*>(acl) + used;
  ACE_HEADER h{type, BYTE(flags), WORD(size)};
  std::memcpy(p, &h, sizeof h);
  std::memcpy(p + 4, &mask, 4);
  std::memcpy(p + 8, sid, SidLength(sid));
  ++acl->AceCount;
  return TRUE;
}

bool SdOk(const SECURITY_DESCRIPTOR* sd) { return sd && sd->Revision == SECURITY_DESCRIPTOR_REVISION; }

// The groups of the machine's one user.
bool TokenHasSid(PSID sid) {
  const SID* s = AsSid(sid);
  static const BYTE world[12] = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
  if (SidLength(sid) == 12 && std::memcmp(s, world, 12) == 0) return true;
  bool builtin = s->SubAuthorityCount == 2 && std::memcmp(&s->IdentifierAuthority, &SECURITY_NT_AUTHORITY, 6) == 0 &&
                 s->SubAuthority[0] == SECURITY_BUILTIN_DOMAIN_RID;
  if (!builtin) return false;
  DWORD rid = 0;
  std::memcpy(&rid, reinterpret_cast<const BYTE*>(s) + 12, 4);
  if (rid == DOMAIN_ALIAS_RID_USERS) return true;
  return rid == DOMAIN_ALIAS_RID_ADMINS && plat::GetMachineSettingInt("user.admin", 1) == 1;
}

DWORD MapGeneric(DWORD mask, const GENERIC_MAPPING* m) {
  if (!m) return mask;
  DWORD out = mask & 0x0FFFFFFFu;
  if (mask & GENERIC_READ) out |= m->GenericRead;
  if (mask & GENERIC_WRITE) out |= m->GenericWrite;
  if (mask & GENERIC_EXECUTE) out |= m->GenericExecute;
  if (mask & GENERIC_ALL) out |= m->GenericAll;
  return out;
}

std::string DaclText(const ACL* acl) {
  if (!acl) return "null";
  std::string out;
  ForEachAce(acl, [&](const ACE_HEADER& h, const BYTE* p) {
    DWORD mask = 0;
    std::memcpy(&mask, p + 4, 4);
    char buf[64];
    std::snprintf(buf, sizeof buf, ":%s0x%X:%u", h.AceType == ACCESS_DENIED_ACE_TYPE ? "deny:" : "", mask,
                  unsigned(h.AceFlags));
    if (!out.empty()) out += ",";
    out += plat::SidToText(const_cast<BYTE*>(p + 8)) + buf;
  });
  return out;
}

}  // namespace

std::string plat::SidToText(PSID sid) {
  if (!SidOk(sid)) return {};
  const SID* s = AsSid(sid);
  uint64_t auth = 0;
  for (int i = 0; i < 6; ++i) auth = (auth << 8) | s->IdentifierAuthority.Value[i];
  std::string out = "S-1-" + std::to_string(auth);
  for (int i = 0; i < s->SubAuthorityCount; ++i) {
    DWORD v = 0;
    std::memcpy(&v, reinterpret_cast<const BYTE*>(s) + 8 + 4 * i, 4);
    out += "-" + std::to_string(v);
  }
  return out;
}

extern "C" {

BOOL InitializeSecurityDescriptor(SECURITY_DESCRIPTOR* sd, DWORD revision) {
  if (!sd) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  *sd = SECURITY_DESCRIPTOR{};
  sd->Revision = BYTE(revision);
  return TRUE;
}

BOOL SetSecurityDescriptorDacl(SECURITY_DESCRIPTOR* sd, BOOL present, ACL* dacl, BOOL defaulted) {
  if (!SdOk(sd)) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  sd->Control &= WORD(~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
  sd->Dacl = nullptr;
  if (present) {
    sd->Control |= SE_DACL_PRESENT;
    sd->Dacl = dacl;
    if (defaulted) sd->Control |= SE_DACL_DEFAULTED;
  }
  return TRUE;
}

BOOL GetSecurityDescriptorDacl(SECURITY_DESCRIPTOR* sd, BOOL* present, ACL** dacl, BOOL* defaulted) {
  if (!SdOk(sd) || !present || !dacl || !defaulted) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *present = (sd->Control & SE_DACL_PRESENT) ? TRUE : FALSE;
  *dacl = sd->Dacl;
  *defaulted = (sd->Control & SE_DACL_DEFAULTED) ? TRUE : FALSE;
  return TRUE;
}

BOOL SetSecurityDescriptorOwner(SECURITY_DESCRIPTOR* sd, PSID owner, BOOL defaulted) {
  if (!SdOk(sd)) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  sd->Owner = owner;
  sd->Control = WORD(defaulted ? sd->Control | SE_OWNER_DEFAULTED : sd->Control & ~SE_OWNER_DEFAULTED);
  return TRUE;
}

BOOL GetSecurityDescriptorOwner(SECURITY_DESCRIPTOR* sd, PSID* owner, BOOL* defaulted) {
  if (!SdOk(sd) || !owner || !defaulted) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *owner = sd->Owner;
  *defaulted = (sd->Control & SE_OWNER_DEFAULTED) ? TRUE : FALSE;
  return TRUE;
}

BOOL SetSecurityDescriptorGroup(SECURITY_DESCRIPTOR* sd, PSID group, BOOL defaulted) {
  if (!SdOk(sd)) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  sd->Group = group;
  sd->Control = WORD(defaulted ? sd->Control | SE_GROUP_DEFAULTED : sd->Control & ~SE_GROUP_DEFAULTED);
  return TRUE;
}

BOOL IsValidSecurityDescriptor(SECURITY_DESCRIPTOR* sd) {
  if (!SdOk(sd)) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  if (sd->Owner && !SidOk(sd->Owner)) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  if (sd->Group && !SidOk(sd->Group)) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  if (sd->Dacl && (!AclOk(sd->Dacl) || !AclUsed(sd->Dacl))) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  return TRUE;
}

BOOL AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD s0, DWORD s1, DWORD s2,
                              DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid) {
  plat::NoteCall("AllocateAndInitializeSid");
  if (!sid) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *sid = nullptr;
  if (!authority || count == 0 || count > 8) return Fail(ERROR_INVALID_SID, FALSE);
  if (plat::ShouldFail("AllocateAndInitializeSid")) return Fail(ERROR_NOT_ENOUGH_MEMORY, FALSE);
  auto* p = static_cast<BYTE*>(LocalAlloc(GMEM_ZEROINIT, 8 + 4 * size_t(count)));
  if (!p) return FALSE;
  p[0] = 1;
  p[1] = count;
  std::memcpy(p + 2, authority->Value, 6);
  const DWORD subs[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
  std::memcpy(p + 8, subs, 4 * size_t(count));
  *sid = p;
  return TRUE;
}

void* FreeSid(PSID sid) { return LocalFree(sid); }

DWORD GetLengthSid(PSID sid) { return SidOk(sid) ? SidLength(sid) : 0; }

BOOL IsValidSid(PSID sid) { return SidOk(sid) ? TRUE : FALSE; }

BOOL EqualSid(PSID a, PSID b) { return SameSid(a, b) ? TRUE : FALSE; }

BOOL InitializeAcl(ACL* acl, DWORD size, DWORD revision) {
  if (!acl || size < sizeof(ACL) || size > 0xFFFF) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  if (revision != 2 && revision != 4) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *acl = ACL{BYTE(revision), 0, WORD(size & ~3u), 0, 0};
  return TRUE;
}

BOOL AddAccessAllowedAce(ACL* acl, DWORD revision, DWORD mask, PSID sid) {
  return AddAce(acl, revision, ACCESS_ALLOWED_ACE_TYPE, 0, mask, sid);
}

BOOL AddAccessAllowedAceEx(ACL* acl, DWORD revision, DWORD flags, DWORD mask, PSID sid) {
  return AddAce(acl, revision, ACCESS_ALLOWED_ACE_TYPE, flags, mask, sid);
}

BOOL SetFileSecurityW(LPCWSTR path, DWORD information, SECURITY_DESCRIPTOR* sd) {
  std::string detail = plat::ToUtf8(path) + " info=" + std::to_string(information);
  if (sd && (information & OWNER_SECURITY_INFORMATION)) detail += " owner=" + plat::SidToText(sd->Owner);
  if (sd && (information & DACL_SECURITY_INFORMATION)) detail += " dacl=" + DaclText(sd->Dacl);
  plat::NoteCall("SetFileSecurityW", detail);
  if (!path || !IsValidSecurityDescriptor(sd)) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if ((information & OWNER_SECURITY_INFORMATION) && !sd->Owner) return Fail(ERROR_INVALID_OWNER, FALSE);
  if (plat::ShouldFail("SetFileSecurityW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  std::string host = plat::MapPath(path);
  if (plat::detail::HostAttributes(host) == INVALID_FILE_ATTRIBUTES) return Fail(ERROR_FILE_NOT_FOUND, FALSE);
  return TRUE;
}

HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(kCurrentThread); }
HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(kCurrentProcess); }

BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level) {
  plat::NoteCall("ImpersonateSelf");
  if (level < SecurityAnonymous || level > SecurityDelegation) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  if (plat::ShouldFail("ImpersonateSelf")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  t_impersonating = true;
  return TRUE;
}

BOOL RevertToSelf() {
  plat::NoteCall("RevertToSelf");
  t_impersonating = false;
  return TRUE;
}

BOOL OpenThreadToken(HANDLE thread, DWORD, BOOL, HANDLE* token) {
  plat::NoteCall("OpenThreadToken");
  if (!token) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *token = nullptr;
  if (thread != GetCurrentThread()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (plat::ShouldFail("OpenThreadToken")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (!t_impersonating) return Fail(ERROR_NO_TOKEN, FALSE);
  auto t = std::make_shared<TokenObject>();
  t->impersonation = true;
  *token = plat::detail::AddHandle(t);
  return TRUE;
}

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
  plat::NoteCall("OpenProcessToken");
  if (!token) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *token = nullptr;
  if (process != GetCurrentProcess()) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (plat::ShouldFail("OpenProcessToken")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  *token = plat::detail::AddHandle(std::make_shared<TokenObject>());
  return TRUE;
}

BOOL AccessCheck(SECURITY_DESCRIPTOR* sd, HANDLE token, DWORD desired, GENERIC_MAPPING* mapping,
                 PRIVILEGE_SET* privileges, DWORD* privileges_length, DWORD* granted, BOOL* status) {
  plat::NoteCall("AccessCheck");
  if (!granted || !status || !privileges_length) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  auto t = plat::detail::FindHandleAs<TokenObject>(token);
  if (!t) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (!t->impersonation) return Fail(ERROR_NO_IMPERSONATION_TOKEN, FALSE);
  if (!IsValidSecurityDescriptor(sd) || !sd->Owner || !sd->Group) return Fail(ERROR_INVALID_SECURITY_DESCR, FALSE);
  if (!privileges || *privileges_length < sizeof(PRIVILEGE_SET)) {
    *privileges_length = sizeof(PRIVILEGE_SET);
    return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  }
  if (plat::ShouldFail("AccessCheck")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  privileges->PrivilegeCount = 0;
  DWORD want = MapGeneric(desired, mapping);
  DWORD allowed = 0, denied = 0;
  if (!(sd->Control & SE_DACL_PRESENT) || !sd->Dacl) {
    allowed = 0xFFFFFFFFu;  // no DACL: everyone has every right
  } else {
    ForEachAce(sd->Dacl, [&](const ACE_HEADER& h, const BYTE* p) {
      PSID sid = const_cast<BYTE*>(p + 8);
      if (!SidOk(sid) || !TokenHasSid(sid)) return;
      DWORD mask = 0;
      std::memcpy(&mask, p + 4, 4);
      mask = MapGeneric(mask, mapping);
      if (h.AceType == ACCESS_ALLOWED_ACE_TYPE) allowed |= mask & ~denied;
      else if (h.AceType == ACCESS_DENIED_ACE_TYPE) denied |= mask & ~allowed;
    });
  }
  *granted = want & allowed;
  *status = (want & allowed) == want ? TRUE : FALSE;
  if (!*status) SetLastError(ERROR_ACCESS_DENIED);
  return TRUE;
}

}  // extern "C"

extern "C" BOOL GetUserNameW(LPWSTR buffer, DWORD* size) {
  plat::NoteCall("GetUserNameW");
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (plat::ShouldFail("GetUserNameW")) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::u16string name = plat::FromUtf8(plat::GetMachineSetting("user.name"));
  const DWORD needed = DWORD(name.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, name.c_str(), needed * sizeof(char16_t));
  *size = needed;
  return TRUE;
}
