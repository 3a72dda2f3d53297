#include <gtest/gtest.h>

#include <cstring>

#include "plat/files.h"
#include "plat/security.h"
#include "temp_machine.h"

namespace {

using plat_test::TempMachine;

class Security : public ::testing::Test {
 protected:
  TempMachine machine_;
};

// A descriptor granting mask to one SID, built as Windows programs build it.
struct Descriptor {
  SECURITY_DESCRIPTOR sd{};
  alignas(4) BYTE acl_bytes[64] = {};
  PSID sid = nullptr;
  Descriptor(const SID_IDENTIFIER_AUTHORITY& auth, BYTE count, DWORD a, DWORD b, DWORD mask) {
    EXPECT_TRUE(AllocateAndInitializeSid(&auth, count, a, b, 0, 0, 0, 0, 0, 0, &sid));
    ACL* acl = reinterpret_cast<ACL*>(acl_bytes);
    DWORD size = GetLengthSid(sid) + 16;
    EXPECT_TRUE(InitializeAcl(acl, size, ACL_REVISION));
    EXPECT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, mask, sid));
    EXPECT_FALSE(AddAccessAllowedAce(acl, ACL_REVISION, mask, sid));  // sized for exactly one ACE
    EXPECT_EQ(GetLastError(), ERROR_ALLOTTED_SPACE_EXCEEDED);
    EXPECT_TRUE(InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION));
    EXPECT_TRUE(SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE));
    EXPECT_TRUE(SetSecurityDescriptorOwner(&sd, sid, FALSE));
    EXPECT_TRUE(SetSecurityDescriptorGroup(&sd, sid, FALSE));
  }
  ~Descriptor() { FreeSid(sid); }
};

TEST_F(Security, SidAndAclLayouts) {
  Descriptor d(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 3);
  EXPECT_EQ(GetLengthSid(d.sid), 16u);
  EXPECT_EQ(plat::SidToText(d.sid), "S-1-5-32-544");
  const BYTE want_sid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
  EXPECT_EQ(std::memcmp(d.sid, want_sid, 16), 0);
  const ACL* acl = reinterpret_cast<const ACL*>(d.acl_bytes);
  EXPECT_EQ(acl->AclSize, 32);
  EXPECT_EQ(acl->AceCount, 1);
  const BYTE want_ace[8] = {0, 0, 24, 0, 3, 0, 0, 0};  // type, flags, size 24, mask 3
  EXPECT_EQ(std::memcmp(d.acl_bytes + 8, want_ace, 8), 0);
  EXPECT_EQ(std::memcmp(d.acl_bytes + 16, want_sid, 16), 0);
  EXPECT_TRUE(IsValidSecurityDescriptor(&d.sd));
}

TEST_F(Security, AccessCheckAnswersFromTheAdministratorSetting) {
  Descriptor d(SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 3);
  GENERIC_MAPPING mapping{1, 2, 0, 3};
  for (const char* admin : {"1", "0"}) {
    SCOPED_TRACE(admin);
    ASSERT_TRUE(plat::SetMachineSetting("user.admin", admin));
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    PRIVILEGE_SET privileges{};
    DWORD length = sizeof privileges, granted = 0;
    BOOL status = FALSE;
    ASSERT_TRUE(AccessCheck(&d.sd, token, 1, &mapping, &privileges, &length, &granted, &status));
    EXPECT_EQ(status, admin[0] == '1' ? TRUE : FALSE);
    CloseHandle(token);
    RevertToSelf();
  }
  // Without impersonation there is no thread token, and a process token
  // cannot be checked.
  HANDLE token = nullptr;
  EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
  EXPECT_EQ(GetLastError(), ERROR_NO_TOKEN);
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  PRIVILEGE_SET privileges{};
  DWORD length = sizeof privileges, granted = 0;
  BOOL status = TRUE;
  EXPECT_FALSE(AccessCheck(&d.sd, token, 1, &mapping, &privileges, &length, &granted, &status));
  EXPECT_EQ(GetLastError(), ERROR_NO_IMPERSONATION_TOKEN);
  CloseHandle(token);
  EXPECT_EQ(plat::LiveHandles(), 0);
}

TEST_F(Security, EveryoneGroupAndNullDacl) {
  Descriptor everyone(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0, 0x1F01FF);
  SECURITY_DESCRIPTOR open{};
  InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
  SetSecurityDescriptorOwner(&open, everyone.sid, FALSE);
  SetSecurityDescriptorGroup(&open, everyone.sid, FALSE);
  ASSERT_TRUE(plat::SetMachineSetting("user.admin", "0"));
  ImpersonateSelf(SecurityImpersonation);
  HANDLE token = nullptr;
  OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
  for (SECURITY_DESCRIPTOR* sd : {&everyone.sd, &open}) {
    PRIVILEGE_SET privileges{};
    DWORD length = sizeof privileges, granted = 0;
    BOOL status = FALSE;
    ASSERT_TRUE(AccessCheck(sd, token, 0x1F01FF, nullptr, &privileges, &length, &granted, &status));
    EXPECT_TRUE(status);
  }
  PRIVILEGE_SET privileges{};
  DWORD length = 4, granted = 0;
  BOOL status = FALSE;
  EXPECT_FALSE(AccessCheck(&open, token, 1, nullptr, &privileges, &length, &granted, &status));
  EXPECT_EQ(length, 20u);  // the privilege set needs its 20 bytes
  CloseHandle(token);
  RevertToSelf();
}

TEST_F(Security, SetFileSecurityIsLoggedAndNeedsTheFile) {
  Descriptor d(SECURITY_WORLD_SID_AUTHORITY, 1, SECURITY_WORLD_RID, 0, 0x1F01FF);
  ASSERT_TRUE(CreateDirectoryW(u"C:\\_velm", nullptr));
  plat::ResetCalls();
  EXPECT_TRUE(SetFileSecurityW(u"C:\\_velm", DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION, &d.sd));
  std::vector<std::string> log = plat::CallLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "SetFileSecurityW C:\\_velm info=5 owner=S-1-1-0 dacl=S-1-1-0:0x1F01FF:0");
  EXPECT_FALSE(SetFileSecurityW(u"C:\\missing", DACL_SECURITY_INFORMATION, &d.sd));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  plat::FailNth("SetFileSecurityW", 1);
  EXPECT_FALSE(SetFileSecurityW(u"C:\\_velm", DACL_SECURITY_INFORMATION, &d.sd));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
