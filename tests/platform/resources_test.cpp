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

namespace {

// Resources a module registers for itself come before its file's, and go
// when it withdraws them; another module's handle never sees them.
TEST_F(Resources, BuiltinResourcesOfAModule) {
  std::string base = plat::StandinModuleDir() + "/velmres.dll";
  ASSERT_TRUE(plat::WriteResourceModule(TempMachine::Host(u"C:\\Windows\\System32\\both.dll"), base,
                                        {plat::StringResource(5, u"file")}));
  HMODULE m = LoadLibraryW(u"C:\\Windows\\System32\\both.dll");
  ASSERT_NE(m, nullptr);
  const uint8_t table[] = {1, 2, 3};
  const char16_t text[] = u"own";
  const plat::BuiltinResource entries[] = {{258, 1, table, sizeof table}, {RT_STRING, 5, text, 6}};
  plat::RegisterModuleResources(m, entries, 2);
  size_t size = 0;
  EXPECT_EQ(plat::FindModuleResource(m, 258, 1, &size), table);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(plat::FindModuleResource(m, 258, 2, &size), nullptr);
  EXPECT_EQ(plat::FindModuleResource(reinterpret_cast<HMODULE>(0x1234), 258, 1, &size), nullptr);
  char16_t buf[8];
  EXPECT_EQ(LoadStringW(m, 5, buf, 8), 3);
  EXPECT_EQ(plat::ToUtf8(buf), "own");
  plat::WithdrawModuleResources(m);
  EXPECT_EQ(plat::FindModuleResource(m, 258, 1, &size), nullptr);
  EXPECT_EQ(LoadStringW(m, 5, buf, 8), 4);
  EXPECT_EQ(plat::ToUtf8(buf), "file");
  FreeLibrary(m);
}

}  // namespace
