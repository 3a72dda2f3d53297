// The data directories and the security of the common one.
#include <algorithm>

#include "env_test_machine.h"
#include "plat/handles.h"
#include "plat/registry.h"
#include "velm/files.h"
#include "velm/paths.h"
#include "velm/printer_data.h"

namespace {

using env_test::EnvMachine;
using env_test::U8;

class DataDirs : public EnvMachine {
 protected:
  static std::string Common() {
    char16_t buf[260];
    PathGetCommonDataDir(buf, 260);
    return U8(buf);
  }
  static void SetVelmDirectory(const void* data, DWORD bytes) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ORVEK\\VelmDrv", &k), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(k, u"_VELMDirectory", 0, REG_SZ, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    RegCloseKey(k);
  }
  static std::vector<std::string> SecurityLog() {
    std::vector<std::string> out;
    for (const std::string& e : plat::CallLog())
      if (e.rfind("SetFileSecurityW", 0) == 0) out.push_back(e);
    return out;
  }
};

TEST_F(DataDirs, CommonDirectory) {
  EXPECT_EQ(Common(), "C:\\_velm");  // absent: the system drive's root
  SetVelmDirectory(u"", 2);
  EXPECT_EQ(Common(), "C:\\_velm");  // empty counts as absent
  const char16_t dir[] = u"E:\\Data\\velm";
  SetVelmDirectory(dir, sizeof dir);
  EXPECT_EQ(Common(), "E:\\Data\\velm");
  SetVelmDirectory(dir, sizeof dir - 2);  // without its terminator
  EXPECT_EQ(Common(), "E:\\Data\\velm");
  std::u16string huge(300, u'x');  // longer than a path may be
  SetVelmDirectory(huge.data(), DWORD(huge.size() * 2));
  EXPECT_EQ(Common(), "C:\\_velm");
  char16_t small[6];
  EXPECT_EQ(PathGetCommonDataDir(small, 6), 0);  // does not fit
  EXPECT_EQ(small[0], 0);

  SetVelmDirectory(u"", 2);
  ASSERT_TRUE(plat::SetMachineSetting("dir.system", "D:\\WINNT\\system32"));
  EXPECT_EQ(Common(), "D:\\_velm");
  char16_t data[260];
  PathGetDataDir(data, 260, Context());
  EXPECT_EQ(U8(data), "D:\\_velm");
  ASSERT_TRUE(plat::SetMachineSetting("os.major", "4"));  // NT 4: the system directory
  PathGetDataDir(data, 260, Context());
  EXPECT_EQ(U8(data), "D:\\WINNT\\system32");
}

TEST_F(DataDirs, ProfileAndPerUserDirectories) {
  char16_t buf[260];
  EXPECT_EQ(PathGetProfileDir(buf, 260), 1);
  EXPECT_EQ(U8(buf), "C:\\Users\\user");
  EXPECT_EQ(PathGetUserDataDirNoCtx(buf, 260), int32_t(plat::WLen(u"C:\\Users\\user\\_velm")));
  EXPECT_EQ(U8(buf), "C:\\Users\\user\\_velm");

  ASSERT_TRUE(plat::SetMachineSetting("user.profile", ""));  // the profile cannot be had
  EXPECT_EQ(PathGetProfileDir(buf, 260), 1);
  EXPECT_EQ(U8(buf), "C:\\_velm");
  EXPECT_EQ(PathGetProfileDirNoFallback(buf, 260), 0);
  PathGetUserDataDirNoCtx(buf, 260);
  EXPECT_EQ(U8(buf), "C:\\_velm\\_velm");

  ASSERT_TRUE(plat::SetMachineSetting("user.profile", "C:\\WINNT\\Profiles\\jane"));
  ASSERT_TRUE(plat::SetMachineSetting("os.major", "4"));
  PathGetUserDataDirNoCtx(buf, 260);
  EXPECT_EQ(U8(buf), "C:\\Windows\\System32\\orvek\\_velm\\jane");

  // Missing UserEnv.dll counts as a failed profile.
  ASSERT_TRUE(plat::SetMachineSetting("os.major", "6"));
  (void)DeleteFileW(u"C:\\Windows\\System32\\UserEnv.dll");  // may be absent already
  EXPECT_EQ(PathGetProfileDirNoFallback(buf, 260), 0);
  EXPECT_EQ(plat::LiveHandles(), long(handles_.size()));  // tokens closed on every path
}

TEST_F(DataDirs, UserDirectoryKeepsTheDirectoryOfAFullDriverIni) {
  DriverContext* ctx = Context();
  plat::WCopy(ctx->work->driverIni, 260, u"F:\\Kept\\velmlist.ini");
  char16_t buf[260];
  EXPECT_EQ(PathGetUserDataDir(buf, 260, ctx), 7);
  EXPECT_EQ(U8(buf), "F:\\Kept");
  ctx->work->driverIni[0] = 0;
  PathGetUserDataDir(buf, 260, ctx);
  EXPECT_EQ(U8(buf), "C:\\Users\\user\\_velm");
}

TEST_F(DataDirs, LocalAppDataLow) {
  long blocks = plat::LiveGlobalBlocks();
  char16_t buf[260];
  EXPECT_EQ(PathGetLocalAppDataLow(buf, 260), 1);
  EXPECT_EQ(U8(buf), "C:\\Users\\user\\AppData\\LocalLow");
  EXPECT_EQ(PathGetLocalAppDataLow(buf, 10), 0);  // does not fit
  EXPECT_EQ(PathGetLocalAppDataLow(nullptr, 260), 0);
  ASSERT_TRUE(plat::SetMachineSetting("user.localappdatalow", ""));
  EXPECT_EQ(PathGetLocalAppDataLow(buf, 260), 0);
  EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);  // the folder's text was given back
  EXPECT_EQ(GetModuleHandleW(u"shell32.dll"), nullptr);
}

TEST_F(DataDirs, CommonAndPerUserDirectoriesAreCreated) {
  EXPECT_EQ(GetFileAttributesW(u"C:\\_velm"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(PathCreateDataDir(), 1);
  EXPECT_EQ(GetFileAttributesW(u"C:\\_velm"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  char16_t user[260];
  ASSERT_GT(PathGetUserDataDirNoCtx(user, 260), 0);
  EXPECT_EQ(FileCreateDirectory(user), 1);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Users\\user\\_velm"), FILE_ATTRIBUTE_DIRECTORY);
  ASSERT_TRUE(plat::SetMachineSetting("dir.system", "Q:\\Windows\\System32"));  // a drive the machine lacks
  EXPECT_EQ(PathCreateDataDir(), 0);
}

TEST_F(DataDirs, CreateHidesAndSecuresTheDirectoryItself) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\_velm", nullptr));  // already there: still a success
  env_test::EnvMachine::Put(u"C:\\_velm\\velmlist.ini", "[x]\r\n");
  plat::ResetCalls();
  EXPECT_EQ(PathCreateDataDir(), 1);
  EXPECT_EQ(GetFileAttributesW(u"C:\\_velm"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(SecurityLog(), (std::vector<std::string>{
                               "SetFileSecurityW C:\\_velm info=1 owner=S-1-5-32-544",
                               "SetFileSecurityW C:\\_velm info=4 dacl=S-1-1-0:0x1F01FF:3",
                           }));
  EXPECT_EQ(PathPrepareDataDir(Context()), 1);
  ASSERT_TRUE(plat::SetMachineSetting("dir.system", ""));
  EXPECT_EQ(PathCreateDataDir(), 0);
}

TEST_F(DataDirs, SecuringTheTreeLeavesSubdirectoriesAndReportsADirectoryFailure) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\_velm", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\_velm\\sub", nullptr));
  env_test::EnvMachine::Put(u"C:\\_velm\\a.ini", "");
  env_test::EnvMachine::Put(u"C:\\_velm\\sub\\b.ini", "");
  plat::ResetCalls();
  EXPECT_EQ(PathSecureDataDirTree(), 1);
  std::vector<std::string> log = SecurityLog();
  EXPECT_EQ(log.size(), 4u);  // owner and DACL on the directory and on a.ini
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& e) { return e.find("a.ini") != std::string::npos; }), 2);
  EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& e) { return e.find("sub") != std::string::npos; }), 0);
  plat::FailNth("SetFileSecurityW", 1);  // the directory itself refuses
  EXPECT_EQ(PathSecureDataDirTree(), 0);
  EXPECT_EQ(PathSecureDataDir(Context()), 1);

  plat::ResetCalls();
  SECURITY_DESCRIPTOR* sd = PathMakeEveryoneDacl();
  ASSERT_NE(sd, nullptr);
  EXPECT_EQ(PathApplySecurityTree(u"C:\\_velm", sd, 0x2 | 0x4, DACL_SECURITY_INFORMATION), 1);
  PathFreeEveryoneDacl(sd);
  EXPECT_EQ(SecurityLog().size(), 3u);  // a.ini, sub and sub\b.ini
}

TEST_F(DataDirs, DescriptorsAreGivenBackWhole) {
  long blocks = plat::LiveGlobalBlocks();
  PathFreeEveryoneDacl(PathMakeEveryoneDacl());
  PathFreeAdminOwnerSd(PathMakeAdminOwnerSd());
  plat::FailNth("AllocateAndInitializeSid", 1);
  EXPECT_EQ(PathMakeEveryoneDacl(), nullptr);
  plat::FailNth("LocalAlloc", 2);
  EXPECT_EQ(PathMakeAdminOwnerSd(), nullptr);
  EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);
}

}  // namespace
