// Security of the emulated machine (advapi32): SIDs, ACLs and security
// descriptors in their Windows byte layouts, tokens, AccessCheck and
// SetFileSecurityW.
//
// The machine has one user. Its token holds the groups Everyone
// (S-1-1-0), Users (S-1-5-32-545) and, when the machine setting user.admin
// is 1, Administrators (S-1-5-32-544); AccessCheck evaluates a descriptor's
// DACL against those groups. Windows owners and ACLs cannot be kept on the
// host's files: SetFileSecurityW checks its arguments and the file, and logs
// what was asked for ("SetFileSecurityW <path> info=<n> owner=<sid>
// dacl=<sid>:<mask>:<flags>,...") in the call log.
#pragma once

#include <cstddef>
#include <string>

#include "plat/handles.h"
#include "plat/wintypes.h"

using PSID = void*;

struct SID_IDENTIFIER_AUTHORITY {
  BYTE Value[6];
};

struct SID {
  BYTE Revision;
  BYTE SubAuthorityCount;
  SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
  DWORD SubAuthority[1];
};

struct ACL {
  BYTE AclRevision;
  BYTE Sbz1;
  WORD AclSize;
  WORD AceCount;
  WORD Sbz2;
};

struct ACE_HEADER {
  BYTE AceType;
  BYTE AceFlags;
  WORD AceSize;
};

struct ACCESS_ALLOWED_ACE {
  ACE_HEADER Header;
  DWORD Mask;
  DWORD SidStart;
};

// The absolute (pointer) form of a descriptor.
struct SECURITY_DESCRIPTOR {
  BYTE Revision;
  BYTE Sbz1;
  WORD Control;
  PSID Owner;
  PSID Group;
  ACL* Sacl;
  ACL* Dacl;
};

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  void* lpSecurityDescriptor;
  BOOL bInheritHandle;
};

struct GENERIC_MAPPING {
  DWORD GenericRead;
  DWORD GenericWrite;
  DWORD GenericExecute;
  DWORD GenericAll;
};

struct LUID_AND_ATTRIBUTES {
  DWORD LowPart;
  LONG HighPart;
  DWORD Attributes;
};

struct PRIVILEGE_SET {
  DWORD PrivilegeCount;
  DWORD Control;
  LUID_AND_ATTRIBUTES Privilege[1];
};

static_assert(sizeof(SID) == 12 && offsetof(SID, SubAuthority) == 8);
static_assert(sizeof(ACL) == 8 && sizeof(ACE_HEADER) == 4 && sizeof(ACCESS_ALLOWED_ACE) == 12);
static_assert(sizeof(PRIVILEGE_SET) == 20);

constexpr DWORD SECURITY_DESCRIPTOR_REVISION = 1;
constexpr size_t SECURITY_DESCRIPTOR_MIN_LENGTH = sizeof(SECURITY_DESCRIPTOR);
constexpr DWORD ACL_REVISION = 2;
constexpr BYTE ACCESS_ALLOWED_ACE_TYPE = 0;
constexpr BYTE ACCESS_DENIED_ACE_TYPE = 1;
constexpr BYTE OBJECT_INHERIT_ACE = 1;
constexpr BYTE CONTAINER_INHERIT_ACE = 2;
constexpr WORD SE_OWNER_DEFAULTED = 0x0001;
constexpr WORD SE_GROUP_DEFAULTED = 0x0002;
constexpr WORD SE_DACL_PRESENT = 0x0004;
constexpr WORD SE_DACL_DEFAULTED = 0x0008;

constexpr DWORD OWNER_SECURITY_INFORMATION = 1;
constexpr DWORD GROUP_SECURITY_INFORMATION = 2;
constexpr DWORD DACL_SECURITY_INFORMATION = 4;

constexpr DWORD TOKEN_QUERY = 8;
constexpr DWORD TOKEN_DUPLICATE = 2;
constexpr DWORD TOKEN_IMPERSONATE = 4;
constexpr DWORD GENERIC_ALL = 0x10000000u;
constexpr DWORD GENERIC_EXECUTE = 0x20000000u;

constexpr DWORD SECURITY_BUILTIN_DOMAIN_RID = 32;
constexpr DWORD DOMAIN_ALIAS_RID_ADMINS = 544;
constexpr DWORD DOMAIN_ALIAS_RID_USERS = 545;
constexpr DWORD SECURITY_WORLD_RID = 0;
inline constexpr SID_IDENTIFIER_AUTHORITY SECURITY_NT_AUTHORITY = {{0, 0, 0, 0, 0, 5}};
inline constexpr SID_IDENTIFIER_AUTHORITY SECURITY_WORLD_SID_AUTHORITY = {{0, 0, 0, 0, 0, 1}};

enum SECURITY_IMPERSONATION_LEVEL { SecurityAnonymous, SecurityIdentification, SecurityImpersonation, SecurityDelegation };

constexpr DWORD ERROR_INVALID_OWNER = 1307;
constexpr DWORD ERROR_INVALID_ACL = 1336;
constexpr DWORD ERROR_INVALID_SID = 1337;
constexpr DWORD ERROR_INVALID_SECURITY_DESCR = 1338;
constexpr DWORD ERROR_ALLOTTED_SPACE_EXCEEDED = 1344;
constexpr DWORD ERROR_NO_IMPERSONATION_TOKEN = 1309;
constexpr DWORD ERROR_BAD_IMPERSONATION_LEVEL = 1346;

extern "C" {

BOOL InitializeSecurityDescriptor(SECURITY_DESCRIPTOR* sd, DWORD revision);
BOOL SetSecurityDescriptorDacl(SECURITY_DESCRIPTOR* sd, BOOL present, ACL* dacl, BOOL defaulted);
BOOL GetSecurityDescriptorDacl(SECURITY_DESCRIPTOR* sd, BOOL* present, ACL** dacl, BOOL* defaulted);
BOOL SetSecurityDescriptorOwner(SECURITY_DESCRIPTOR* sd, PSID owner, BOOL defaulted);
BOOL GetSecurityDescriptorOwner(SECURITY_DESCRIPTOR* sd, PSID* owner, BOOL* defaulted);
BOOL SetSecurityDescriptorGroup(SECURITY_DESCRIPTOR* sd, PSID group, BOOL defaulted);
BOOL IsValidSecurityDescriptor(SECURITY_DESCRIPTOR* sd);

// The SID is taken with LocalAlloc and given back with FreeSid.
// Faults: "AllocateAndInitializeSid".
BOOL AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority, BYTE count, DWORD s0, DWORD s1, DWORD s2,
                              DWORD s3, DWORD s4, DWORD s5, DWORD s6, DWORD s7, PSID* sid);
void* FreeSid(PSID sid);
DWORD GetLengthSid(PSID sid);
BOOL IsValidSid(PSID sid);
BOOL EqualSid(PSID a, PSID b);

BOOL InitializeAcl(ACL* acl, DWORD size, DWORD revision);
BOOL AddAccessAllowedAce(ACL* acl, DWORD revision, DWORD mask, PSID sid);
BOOL AddAccessAllowedAceEx(ACL* acl, DWORD revision, DWORD flags, DWORD mask, PSID sid);

// Faults: "SetFileSecurityW" (ERROR_ACCESS_DENIED).
BOOL SetFileSecurityW(LPCWSTR path, DWORD information, SECURITY_DESCRIPTOR* sd);

// Pseudo handles of the calling thread and process.
HANDLE GetCurrentThread();
HANDLE GetCurrentProcess();
// Gives the calling thread an impersonation token until RevertToSelf.
// Faults: "ImpersonateSelf".
BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level);
BOOL RevertToSelf();
// ERROR_NO_TOKEN when the thread is not impersonating. Faults:
// "OpenThreadToken", "OpenProcessToken".
BOOL OpenThreadToken(HANDLE thread, DWORD access, BOOL open_as_self, HANDLE* token);
BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
// Needs an impersonation token (one from OpenThreadToken while
// impersonating). Faults: "AccessCheck".
BOOL AccessCheck(SECURITY_DESCRIPTOR* sd, HANDLE token, DWORD desired, GENERIC_MAPPING* mapping,
                 PRIVILEGE_SET* privileges, DWORD* privileges_length, DWORD* granted, BOOL* status);

// The logged-on user's name (machine setting user.name). size: in and out, in
// characters with the terminator; a buffer too small gives
// ERROR_INSUFFICIENT_BUFFER and the size needed. Faults: "GetUserNameW".
BOOL GetUserNameW(LPWSTR buffer, DWORD* size);

}  // extern "C"

namespace plat {
// "S-1-5-32-544" for a SID; empty for an invalid one.
std::string SidToText(PSID sid);
}  // namespace plat
