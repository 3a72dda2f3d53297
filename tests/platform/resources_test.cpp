#include <gtest/gtest.h>

#include "plat/resources.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::TempMachine;

class Resources : public ::testing::Test {
 protected:
  TempMachine machine_;
};

TEST_F(Resources, StringsByIdCutToTheBuffer) {
  std::string base = plat::StandinModuleDir() + "/velmres.dll";
  ASSERT_TRUE(plat::WriteResourceModule(TempMachine::Host(u"C:\\Windows\\System32\\strings.dll"), base,
                                        {plat::StringResource(153, u"mm"), plat::StringResource(7, u"Hello \u65e5")}));
  HMODULE m = LoadLibraryW(u"C:\\Windows\\System32\\strings.dll");
  ASSERT_NE(m, nullptr);
  char16_t buf[16];
  EXPECT_EQ(LoadStringW(m, 153, buf, 16), 2);
  EXPECT_EQ(plat::ToUtf8(buf), "mm");
  EXPECT_EQ(LoadStringW(m, 7, buf, 4), 3);
  EXPECT_EQ(plat::ToUtf8(buf), "Hel");
  EXPECT_EQ(LoadStringW(m, 7, buf, 16), 7);
  EXPECT_EQ(buf[6], u'\u65e5');
  EXPECT_EQ(LoadStringW(m, 8, buf, 16), 0);  // missing: empty
  EXPECT_EQ(buf[0], 0);
  plat::FailNth("LoadStringW", 1);
  EXPECT_EQ(LoadStringW(m, 153, buf, 16), 0);
  FreeLibrary(m);
}

TEST_F(Resources, AModuleWithoutResourcesOrADamagedBlockHasNone) {
  std::string base = plat::StandinModuleDir() + "/velmres.dll";
  std::string plain = TempMachine::Host(u"C:\\Windows\\System32\\plain.dll");
  ASSERT_TRUE(test_support::CopyFile(base, plain));
  HMODULE m = LoadLibraryW(u"plain.dll");
  ASSERT_NE(m, nullptr);
  char16_t buf[8] = {u'x'};
  EXPECT_EQ(LoadStringW(m, 1, buf, 8), 0);
  EXPECT_EQ(buf[0], 0);
  FreeLibrary(m);
  // A block whose entry claims more bytes than the file holds.
  std::string bytes = TempMachine::Get(u"C:\\Windows\\System32\\plain.dll");
  uint64_t at = bytes.size();
  bytes += std::string("\x01\x00\x00\x00\x06\x00\x00\x00\x01\x00\x00\x00\xff\xff\x00\x00", 16);
  bytes += "VELMRES1";
  for (int i = 0; i < 8; ++i) bytes.push_back(char((at >> (8 * i)) & 0xFF));
  TempMachine::Put(u"C:\\Windows\\System32\\bad.dll", bytes);
  m = LoadLibraryW(u"bad.dll");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(LoadStringW(m, 1, buf, 8), 0);
  FreeLibrary(m);
}

}  // namespace
