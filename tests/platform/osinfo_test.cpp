#include <gtest/gtest.h>

#include <cstring>

#include "plat/files.h"
#include "plat/osinfo.h"
#include "plat/security.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::TempMachine;

class OsInfo : public ::testing::Test {
 protected:
  TempMachine machine_;
};

TEST_F(OsInfo, VersionFromTheMachineSettings) {
  ASSERT_TRUE(plat::SetMachineSetting("os.major", "5"));
  ASSERT_TRUE(plat::SetMachineSetting("os.minor", "2"));
  ASSERT_TRUE(plat::SetMachineSetting("os.terminal", "1"));
  OSVERSIONINFOEXW ex{};
  ex.dwOSVersionInfoSize = sizeof ex;
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&ex)));
  EXPECT_EQ(ex.dwMajorVersion, 5u);
  EXPECT_EQ(ex.dwMinorVersion, 2u);
  EXPECT_EQ(ex.dwPlatformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(ex.wSuiteMask, VER_SUITE_TERMINAL);
  OSVERSIONINFOW v{};
  v.dwOSVersionInfoSize = 100;
  EXPECT_FALSE(GetVersionExW(&v));
  v.dwOSVersionInfoSize = sizeof v;
  plat::FailNth("GetVersionExW", 1);
  EXPECT_FALSE(GetVersionExW(&v));
}

TEST_F(OsInfo, VerifyVersionInfoChecksTheSuiteAndIsLogged) {
  EXPECT_EQ(VerSetConditionMask(0, VER_SUITENAME, VER_AND), 0x180000ull);
  EXPECT_EQ(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL), 0x18ull);
  OSVERSIONINFOEXW want{};
  want.dwOSVersionInfoSize = sizeof want;
  want.wSuiteMask = VER_SUITE_TERMINAL;
  plat::ResetCalls();
  EXPECT_FALSE(VerifyVersionInfoW(&want, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND)));
  EXPECT_EQ(GetLastError(), ERROR_OLD_WIN_VERSION);
  ASSERT_EQ(plat::CallLog().size(), 1u);
  EXPECT_EQ(plat::CallLog()[0], "VerifyVersionInfoW type=0x40 mask=0x180000 suite=0x10");
  ASSERT_TRUE(plat::SetMachineSetting("os.terminal", "1"));
  EXPECT_TRUE(VerifyVersionInfoW(&want, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND)));
  want.dwMajorVersion = 7;
  EXPECT_FALSE(VerifyVersionInfoW(&want, VER_MAJORVERSION, VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL)));
  want.dwMajorVersion = 6;
  EXPECT_TRUE(VerifyVersionInfoW(&want, VER_MAJORVERSION, VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL)));
}

TEST_F(OsInfo, StandInSystemModulesAnswerFromSettings) {
  HMODULE userenv = LoadLibraryW(u"C:\\Windows\\System32\\UserEnv.dll");
  ASSERT_NE(userenv, nullptr);
  auto profile = reinterpret_cast<GetUserProfileDirectoryWProc>(GetProcAddress(userenv, "GetUserProfileDirectoryW"));
  ASSERT_NE(profile, nullptr);
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  char16_t dir[64];
  DWORD size = 4;
  EXPECT_FALSE(profile(token, dir, &size));
  EXPECT_EQ(size, 14u);  // "C:\Users\user" and its terminator
  size = 64;
  ASSERT_TRUE(profile(token, dir, &size));
  EXPECT_EQ(plat::ToUtf8(dir), "C:\\Users\\user");
  ASSERT_TRUE(plat::SetMachineSetting("user.profile", ""));
  size = 64;
  EXPECT_FALSE(profile(token, dir, &size));
  CloseHandle(token);
  FreeLibrary(userenv);

  long blocks = plat::LiveGlobalBlocks();
  HMODULE shell = LoadLibraryW(u"shell32.dll");
  HMODULE ole = LoadLibraryW(u"ole32.dll");
  ASSERT_TRUE(shell && ole);
  auto known = reinterpret_cast<SHGetKnownFolderPathProc>(GetProcAddress(shell, "SHGetKnownFolderPath"));
  auto free_path = reinterpret_cast<CoTaskMemFreeProc>(GetProcAddress(ole, "CoTaskMemFree"));
  LPWSTR path = nullptr;
  ASSERT_EQ(known(&FOLDERID_LocalAppDataLow, 0, nullptr, &path), S_OK);
  EXPECT_EQ(plat::ToUtf8(path), "C:\\Users\\user\\AppData\\LocalLow");
  free_path(path);
  EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);
  GUID other = FOLDERID_LocalAppDataLow;
  other.Data1 ^= 1;
  EXPECT_EQ(known(&other, 0, nullptr, &path), E_INVALIDARG);
  FreeLibrary(shell);
  FreeLibrary(ole);
}

TEST_F(OsInfo, DocumentsFolderOfTheUser) {
  char16_t path[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path), S_OK);
  EXPECT_EQ(plat::ToUtf8(path), "C:\\Users\\user\\Documents");
  const DWORD attributes = GetFileAttributesW(path);
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << "made with the machine";
  EXPECT_EQ(SHGetFolderPathW(nullptr, 0x1C /* local application data */, nullptr, 0, path), E_INVALIDARG);
  EXPECT_EQ(path[0], 0);
  ASSERT_TRUE(plat::SetMachineSetting("user.profile", ""));
  EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, path), E_FAIL);
}

}  // namespace
