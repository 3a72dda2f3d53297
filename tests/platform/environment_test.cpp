// The environment of the Windows calls, and the logged-on user's name.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/security.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

std::u16string Get(const char16_t* name) {
  DWORD need = GetEnvironmentVariableW(name, nullptr, 0);
  if (need == 0) return u"<unset>";
  std::u16string v(need, u'\0');
  DWORD got = GetEnvironmentVariableW(name, v.data(), need);
  EXPECT_EQ(got, need - 1);
  v.resize(got);
  return v;
}

TEST(Environment, ACopyOfTheProcessEnvironmentThatChangesAlone) {
  setenv("VELM_ENV_SEEN", "from-process", 1);
  EXPECT_EQ(plat::ToUtf8(Get(u"velm_env_seen")), "from-process") << "names compare without case";
  ASSERT_TRUE(SetEnvironmentVariableW(u"VELM_ENV_SEEN", u"changed"));
  EXPECT_EQ(plat::ToUtf8(Get(u"VELM_ENV_SEEN")), "changed");
  EXPECT_STREQ(std::getenv("VELM_ENV_SEEN"), "from-process") << "the process environment is left alone";

  // Sizes: with room, the length; without, the size with the terminator.
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetEnvironmentVariableW(u"VELM_ENV_SEEN", small, 4), 8u);
  EXPECT_EQ(small[0], u'x');
  char16_t exact[8];
  EXPECT_EQ(GetEnvironmentVariableW(u"VELM_ENV_SEEN", exact, 8), 7u);

  ASSERT_TRUE(SetEnvironmentVariableW(u"VELM_ENV_SEEN", nullptr));
  SetLastError(0);
  EXPECT_EQ(GetEnvironmentVariableW(u"VELM_ENV_SEEN", exact, 8), 0u);
  EXPECT_EQ(GetLastError(), ERROR_ENVVAR_NOT_FOUND);
  EXPECT_FALSE(SetEnvironmentVariableW(u"A=B", u"x"));
  EXPECT_FALSE(SetEnvironmentVariableW(u"", u"x"));
  plat::FailNth("SetEnvironmentVariableW", 1);
  EXPECT_FALSE(SetEnvironmentVariableW(u"VELM_ENV_SEEN", u"x"));
  unsetenv("VELM_ENV_SEEN");
}

TEST(Environment, ChangesFromManyThreadsAreSafe) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      const std::u16string name = u"VELM_ENV_T" + plat::FromUtf8(std::to_string(t));
      for (int i = 0; i < 500; ++i) {
        const std::u16string value = plat::FromUtf8(std::to_string(i));
        EXPECT_TRUE(SetEnvironmentVariableW(name.c_str(), value.c_str()));
        EXPECT_EQ(Get(name.c_str()), value);
        Get(u"PATH");
      }
    });
  }
  for (std::thread& th : threads) th.join();
}

TEST(UserName, TheMachinesUser) {
  plat_test::TempMachine machine;
  plat::SetMachineSetting("user.name", "hanako");
  DWORD size = 0;
  EXPECT_FALSE(GetUserNameW(nullptr, &size));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(size, 7u);
  char16_t name[7];
  size = 6;
  EXPECT_FALSE(GetUserNameW(name, &size));
  size = 7;
  ASSERT_TRUE(GetUserNameW(name, &size));
  EXPECT_EQ(size, 7u);
  EXPECT_EQ(plat::ToUtf8(name), "hanako");
  plat::FailNth("GetUserNameW", 1);
  EXPECT_FALSE(GetUserNameW(name, &size));
  EXPECT_FALSE(GetUserNameW(name, nullptr));
}

}  // namespace
