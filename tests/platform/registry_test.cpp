#include <gtest/gtest.h>

#include <cstring>

#include "plat/handles.h"
#include "plat/registry.h"
#include "temp_machine.h"

namespace {

using plat_test::InChild;
using plat_test::TempMachine;

class Registry : public ::testing::Test {
 protected:
  TempMachine machine_;
};

TEST_F(Registry, KeysOpenOnlyWhenCreatedAndNamesIgnoreCase) {
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ORVEK\\VelmDrv", &k), LONG(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\ORVEK\\VelmDrv", &k), ERROR_SUCCESS);
  RegCloseKey(k);
  HKEY parent = nullptr, child = nullptr;
  ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"software\\orvek", &parent), ERROR_SUCCESS);  // parents exist too
  ASSERT_EQ(RegOpenKeyW(parent, u"VELMDRV", &child), ERROR_SUCCESS);
  RegCloseKey(child);
  RegCloseKey(parent);
  plat::FailNth("RegCreateKeyW", 1);
  EXPECT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"X", &k), LONG(ERROR_ACCESS_DENIED));
  EXPECT_EQ(plat::LiveHandles(), 0);
}

TEST_F(Registry, ValuesFollowTheTwoCallConvention) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\Test", &k), ERROR_SUCCESS);
  const char16_t text[] = u"C:\\_velm";
  ASSERT_EQ(RegSetValueExW(k, u"Dir", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, u"Empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(k, u"dir", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, sizeof text);
  BYTE small[4];
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExW(k, u"Dir", nullptr, nullptr, small, &size), LONG(ERROR_MORE_DATA));
  EXPECT_EQ(size, sizeof text);
  char16_t back[32] = {};
  size = sizeof back;
  EXPECT_EQ(RegQueryValueExW(k, u"Dir", nullptr, nullptr, reinterpret_cast<BYTE*>(back), &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(back), u"C:\\_velm");
  size = sizeof back;
  EXPECT_EQ(RegQueryValueExW(k, u"Empty", nullptr, &type, reinterpret_cast<BYTE*>(back), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);  // empty, which is not missing
  EXPECT_EQ(RegQueryValueExW(k, u"Missing", nullptr, &type, nullptr, &size), LONG(ERROR_FILE_NOT_FOUND));
  plat::FailNth("RegSetValueExW", 1);
  EXPECT_EQ(RegSetValueExW(k, u"Dir", 0, REG_DWORD, small, 4), LONG(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteValueW(k, u"DIR"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(k, u"Dir"), LONG(ERROR_FILE_NOT_FOUND));
  RegCloseKey(k);
}

TEST_F(Registry, SharedBetweenProcesses) {
  ASSERT_EQ(InChild([] {
              HKEY k = nullptr;
              DWORD v = 64;
              if (RegCreateKeyW(HKEY_LOCAL_MACHINE, u"Software\\ORVEK\\PrintLog", &k) != ERROR_SUCCESS) return 1;
              return RegSetValueExW(k, u"MaxLogFileSize", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4) ? 2 : 0;
            }),
            0);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"Software\\ORVEK\\PrintLog", &k), ERROR_SUCCESS);
  DWORD v = 0, size = 4, type = 0;
  EXPECT_EQ(RegQueryValueExW(k, u"MaxLogFileSize", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(v, 64u);
  RegCloseKey(k);
}

}  // namespace
