// Whole-section reads and writes of profile files, the machine's clock and
// its users.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "plat/files.h"
#include "plat/machineconf.h"
#include "plat/kernel.h"
#include "plat/profile.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::TempMachine;

constexpr const char16_t* kFile = u"C:\\Data\\section.ini";

class ProfileSection : public ::testing::Test {
 protected:
  TempMachine machine_;
  void SetUp() override { ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr)); }
  static std::u16string List(const char16_t* section, DWORD size, DWORD* got) {
    std::u16string buffer(size, u'#');
    *got = GetPrivateProfileSectionW(section, buffer.data(), size, kFile);
    return buffer;
  }
};

TEST_F(ProfileSection, ReadsTheSectionAsWindowsDoes) {
  TempMachine::Put(kFile, "[A]\r\n k1 = v1 \r\n;comment\r\nflag\r\nk2=\r\n[B]\r\nx=1\r\n");
  DWORD got = 0;
  std::u16string list = List(u"a", 64, &got);
  const std::u16string want(u"k1=v1\0flag\0k2=\0\0", 16);
  EXPECT_EQ(got, want.size() - 1);
  EXPECT_EQ(list.substr(0, want.size()), want);
  // Cut to fit: size - 2 answered, two terminators at the end.
  list = List(u"A", 8, &got);
  EXPECT_EQ(got, 6u);
  EXPECT_EQ(list[6], 0);
  EXPECT_EQ(list[7], 0);
  list = List(u"Missing", 8, &got);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(list[0], 0);
}

// The section's keys are replaced where the section stands, as on Windows:
// the order of the file's sections and the blank lines between them stay.
TEST_F(ProfileSection, WriteReplacesTheSectionInPlaceInOneRewrite) {
  const std::u16string pairs(u"n1=v1\0 n2 = v2 \0\0", 17);
  const struct {
    const char* before;
    const char* after;
  } kCases[] = {
      {"[A]\r\nold=1\r\n[B]\r\nkeep=1\r\n", "[A]\r\nn1=v1\r\nn2=v2\r\n[B]\r\nkeep=1\r\n"},
      {"[A]\r\nold=1\r\n;note\r\n\r\n[B]\r\nkeep=1\r\n", "[A]\r\nn1=v1\r\nn2=v2\r\n\r\n[B]\r\nkeep=1\r\n"},
      {"[B]\r\nkeep=1\r\n[a]\r\n", "[B]\r\nkeep=1\r\n[a]\r\nn1=v1\r\nn2=v2\r\n"},
      {"[B]\r\nkeep=1\r\n", "[B]\r\nkeep=1\r\n[A]\r\nn1=v1\r\nn2=v2\r\n"},
  };
  for (const auto& c : kCases) {
    TempMachine::Put(kFile, c.before);
    ASSERT_TRUE(WritePrivateProfileSectionW(u"A", pairs.c_str(), kFile)) << c.before;
    EXPECT_EQ(TempMachine::Get(kFile), c.after) << c.before;
  }
  const std::string last = TempMachine::Get(kFile);
  const std::u16string broken(u"a=1\r\nb=2\0\0", 11);
  EXPECT_FALSE(WritePrivateProfileSectionW(u"B", broken.c_str(), kFile));
  EXPECT_EQ(TempMachine::Get(kFile), last) << "a refused write changes nothing";
}

TEST(MachineClock, LocalTimeFollowsTheSetting) {
  TempMachine machine;
  ASSERT_TRUE(plat::SetMachineSetting("clock", "2026-02-28 23:59:58"));
  SYSTEMTIME t{};
  GetLocalTime(&t);
  EXPECT_EQ(t.wYear, 2026);
  EXPECT_EQ(t.wMonth, 2);
  EXPECT_EQ(t.wDay, 28);
  EXPECT_EQ(t.wHour, 23);
  EXPECT_EQ(t.wMinute, 59);
  EXPECT_EQ(t.wSecond, 58);
  EXPECT_EQ(t.wDayOfWeek, 6);  // a Saturday
  std::tm tm{};
  for (const char* bad : {"2026-02-30 00:00:00", "2026-13-01 00:00:00", "20260101", "2026-01-01 24:00:00", "x"})
    EXPECT_FALSE(plat::ParseMachineClock(bad, &tm)) << bad;
  EXPECT_TRUE(plat::ParseMachineClock("20261211083005", &tm));
}

TEST(MachineUsers, AnotherUserHasSettingsOfItsOwn) {
  TempMachine machine;
  unsetenv("VELM_USER");
  EXPECT_EQ(plat::CurrentUserName(), "user");
  EXPECT_EQ(plat::GetMachineSetting("user.admin"), "1");
  setenv("VELM_USER", "second", 1);
  EXPECT_EQ(plat::CurrentUserName(), "second");
  EXPECT_EQ(plat::GetMachineSetting("user.admin"), "0");
  EXPECT_EQ(plat::GetMachineSetting("user.profile"), "C:\\Users\\second");
  EXPECT_EQ(plat::GetMachineSetting("user.localappdatalow"), "C:\\Users\\second\\AppData\\LocalLow");
  ASSERT_TRUE(plat::SetMachineSetting("user.admin", "1"));
  EXPECT_EQ(plat::GetMachineSetting("user.admin"), "1");
  ASSERT_TRUE(plat::EnsureUserFolders(nullptr));
  EXPECT_NE(GetFileAttributesW(u"C:\\Users\\second\\AppData\\LocalLow"), INVALID_FILE_ATTRIBUTES);
  // The default user keeps its own.
  setenv("VELM_USER", "user", 1);
  EXPECT_EQ(plat::GetMachineSetting("user.profile"), "C:\\Users\\user");
  unsetenv("VELM_USER");
  ASSERT_TRUE(plat::SetMachineSetting("user.admin", "0"));
  EXPECT_EQ(plat::GetMachineSetting("users.second.admin"), "1");
  EXPECT_EQ(plat::GetMachineSetting("user.admin"), "0");
}

}  // namespace
