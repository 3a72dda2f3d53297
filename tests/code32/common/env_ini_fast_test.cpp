// The fast in-memory ini engine of the settings files.
#include <cstring>
#include <string>
#include <vector>

#include "env_test_machine.h"
#include "plat/profile.h"
#include "velm/ini_fast.h"

namespace {

using env_test::EnvMachine;
using env_test::U8;

constexpr const char16_t* kFile = u"C:\\Data\\settings.qst";

class IniFast : public EnvMachine {
 protected:
  void SetUp() override {
    EnvMachine::SetUp();
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Data", nullptr));
  }
  void TearDown() override {
    IniFastFreeFile(image_);
    EnvMachine::TearDown();
  }
  // Loads text as the file and finds the section.
  char* Section(const std::string& text, const char16_t* name) {
    Put(kFile, text);
    IniFastFreeFile(image_);
    image_ = IniFastLoadFile(kFile);
    EXPECT_NE(image_, nullptr);
    return IniFastFindSection(name, image_);
  }
  static std::string Value(const char16_t* key, const char* section, uint32_t* resume, uint32_t capacity = 64) {
    std::vector<char16_t> buf(capacity + 1, u'#');
    IniFastGetString(key, u"<default>", buf.data(), capacity, section, resume);
    EXPECT_EQ(buf[capacity], u'#');
    return U8(buf.data());
  }
  char* image_ = nullptr;
};

std::string Keys(int n) {
  std::string s;
  char line[64];
  for (int i = 0; i < n; ++i) {
    std::snprintf(line, sizeof line, "vdmItem%04d=%d\r\n", i, i * 7);
    s += line;
  }
  return s;
}

TEST_F(IniFast, KeysInWrittenOrderCostOneLineEach) {
  constexpr int kKeys = 900;
  char* section = Section("[Before]\r\nx=1\r\n[Settings]\r\n" + Keys(kKeys) + "[After]\r\ny=2\r\n", u"settings");
  ASSERT_NE(section, nullptr);
  uint32_t resume = 0;
  uint64_t before = IniFastLineVisits();
  for (int i = 0; i < kKeys; ++i) {
    char16_t key[32];
    plat::WFormat(key, 32, u"vdmItem%04d", i);
    ASSERT_EQ(Value(key, section, &resume), std::to_string(i * 7));
  }
  EXPECT_EQ(IniFastLineVisits() - before, uint64_t(kKeys));  // linear: one line per key

  // Out of order: found through the wrap-round.
  resume = 0;
  EXPECT_EQ(Value(u"vdmItem0500", section, &resume), "3500");
  EXPECT_EQ(Value(u"vdmItem0010", section, &resume), "70");
  uint32_t kept = resume;
  before = IniFastLineVisits();
  EXPECT_EQ(Value(u"vdmMissing", section, &resume), "<default>");
  EXPECT_EQ(resume, kept);  // a missing key leaves the offset
  EXPECT_LE(IniFastLineVisits() - before, uint64_t(kKeys + 2));  // one pass over the section
  for (int i = 890; i < kKeys; ++i) {
    char16_t key[32];
    plat::WFormat(key, 32, u"vdmItem%04d", i);
    Value(key, section, &resume);
  }
  EXPECT_NE(resume, 0u);
  EXPECT_EQ(Value(u"vdmMissing", section, &resume), "<default>");
  EXPECT_EQ(resume, 0u);  // it stood at the end of the section: back to 0
}

TEST_F(IniFast, MatchingRules) {
  char* section = Section(
      "[S]\r\n"
      "  Lead=blank before the key\r\n"
      "Gap =blank before the equals\r\n"
      "CaSe=  blanks kept  \r\n"
      "Cr=ends\rhere\r\n"
      "Long=0123456789abcdef\r\n"
      "\x82\x41=wrong\r\n"
      "\x82\x61=right\r\n",
      u"s");
  ASSERT_NE(section, nullptr);
  struct Case {
    const char16_t* key;
    uint32_t capacity;
    const char* want;
  } cases[] = {
      {u"case", 64, "  blanks kept  "},
      {u"Lead", 64, "<default>"},
      {u"Gap", 64, "<default>"},
      {u"Cr", 64, "ends"},
      {u"Long", 8, "0123456"},
      {u"\uFF22", 64, "right"},  // a trail byte is never folded as a letter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want);
    uint32_t resume = 0;
    EXPECT_EQ(Value(c.key, section, &resume, c.capacity), c.want);
  }
  uint32_t resume = 5;
  EXPECT_EQ(Value(u"case", nullptr, &resume), "<default>");  // no section
  EXPECT_EQ(resume, 0u);

  const char* pos = "Key=v";
  EXPECT_EQ(IniFastMatchKey("KEY", &pos), 1);
  EXPECT_EQ(std::string(pos), "v");
  pos = "Keys=v";
  EXPECT_EQ(IniFastMatchKey("Key", &pos), 0);
  pos = "Name]";
  EXPECT_EQ(IniFastMatchSection("name", &pos), 1);
  char out[4];
  EXPECT_EQ(IniFastCopyValue(out, "\x82\xa0\x82\xa0", 4), 2u);  // never half a character
  EXPECT_EQ(IniFastCopyValue(out, "abc", 0), 0u);
}

TEST_F(IniFast, StaleResumeOffsetsAndNumbers) {
  char* section = Section("[S]\r\nmin=-2147483648\r\nmax=2147483647\r\nempty=\r\nword=abc\r\n", u"S");
  uint32_t resume = 100000;  // far past the image
  EXPECT_EQ(IniFastGetInt(u"min", 7, section, &resume), INT32_MIN);
  resume = 3;  // inside a line
  EXPECT_EQ(IniFastGetInt(u"max", 7, section, &resume), INT32_MAX);
  EXPECT_EQ(IniFastGetInt(u"empty", 7, section, &resume), 7);
  EXPECT_EQ(IniFastGetInt(u"none", 7, section, &resume), 7);
  EXPECT_EQ(IniFastGetInt(u"word", 7, section, &resume), 0);
  EXPECT_EQ(IniFastFindSection(u"Missing", image_), nullptr);
  EXPECT_EQ(IniFastLoadFile(u"relative.qst"), nullptr);
  EXPECT_EQ(IniFastLoadFile(u""), nullptr);
  char* created = IniFastLoadFile(u"C:\\Data\\new.qst");  // a missing file is created empty
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created[0], 0);
  IniFastFreeFile(created);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Data\\new.qst"), FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(IniFast, ReplacingASection) {
  Put(kFile, "[A]\r\na=1\r\n[B]\r\nb=2\r\nb2=3\r\n[C]\r\nc=4\r\n");
  const std::string fresh = "[B]\r\nb=new\r\n";
  ASSERT_EQ(IniFastReplaceSection(kFile, u"b", fresh.data(), uint32_t(fresh.size())), 1);
  EXPECT_EQ(Get(kFile), "[B]\r\nb=new\r\n[A]\r\na=1\r\n[C]\r\nc=4\r\n");

  const char16_t* missing = u"C:\\Data\\missing.qst";
  ASSERT_EQ(IniFastReplaceSection(missing, u"B", fresh.data(), uint32_t(fresh.size())), 1);
  EXPECT_EQ(Get(missing), fresh);

  const std::string other = "[A]\r\na=changed\r\n";
  for (const char* fault : {"WriteFile", "FlushFileBuffers", "MoveFileExW", "CreateFileW"}) {
    SCOPED_TRACE(fault);
    plat::FailNth(fault, fault == std::string("CreateFileW") ? 2 : 1);
    EXPECT_EQ(IniFastReplaceSection(kFile, u"A", other.data(), uint32_t(other.size())), 0);
    EXPECT_EQ(Get(kFile), "[B]\r\nb=new\r\n[A]\r\na=1\r\n[C]\r\nc=4\r\n");  // the original, whole
    plat::ClearFaults();
  }
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(u"C:\\Data\\*.tmp", &d);
  EXPECT_EQ(h, INVALID_HANDLE_VALUE);  // no temporary file left behind
  ASSERT_TRUE(SetFileAttributesW(kFile, FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(IniFastReplaceSection(kFile, u"A", other.data(), uint32_t(other.size())), 0);
}

TEST_F(IniFast, SectionBufferIsBounded) {
  std::vector<char> buffer(kIniFastSectionBufferSize, 0);
  uint32_t offset = 0;
  EXPECT_EQ(IniFastPutSection(&offset, u"Settings", buffer.data()), 1);
  EXPECT_EQ(IniFastPutSection(&offset, u"", buffer.data()), 1);  // empty: nothing written
  EXPECT_EQ(IniFastPutKey(&offset, u"", u"x", buffer.data()), 1);
  EXPECT_EQ(IniFastPutKey(&offset, u"Empty", u"", buffer.data()), 1);
  EXPECT_EQ(std::string(buffer.data(), offset), "[Settings]\r\nEmpty=\r\n");
  EXPECT_EQ(IniFastPutKey(nullptr, u"k", u"v", buffer.data()), 0);
  EXPECT_EQ(IniFastPutKey(&offset, u"k", nullptr, buffer.data()), 0);

  Put(kFile, "[Keep]\r\nk=1\r\n");
  int puts_ok = 0;
  for (int i = 0; i < 2000; ++i) {  // about 40 KB of keys
    char16_t key[32];
    plat::WFormat(key, 32, u"vdmSomeLongItemName%04d", i);
    puts_ok += IniFastPutKey(&offset, key, u"value", buffer.data());
  }
  EXPECT_LT(puts_ok, 2000);
  EXPECT_EQ(offset, kIniFastOverflow);
  EXPECT_EQ(IniFastPutKey(&offset, u"k", u"v", buffer.data()), 0);  // still refused
  EXPECT_EQ(IniFastReplaceSection(kFile, u"Settings", buffer.data(), offset), 0);
  EXPECT_EQ(Get(kFile), "[Keep]\r\nk=1\r\n");

  offset = 0;
  EXPECT_EQ(IniFastPutKey(&offset, u"k", u"two\r\n[Injected]", buffer.data()), 0);
  EXPECT_EQ(offset, kIniFastOverflow);
}

TEST_F(IniFast, SpanIsFoundWithinItsLength) {
  const std::string text = "[A]\r\na=1\r\n[Bee]\r\nb=2\r\n";
  uint32_t length = 0;
  const char* span = IniFastFindSectionSpan("bee", text.data(), uint32_t(text.size()), &length);
  ASSERT_NE(span, nullptr);
  EXPECT_EQ(std::string(span, length), "[Bee]\r\nb=2\r\n");
  EXPECT_EQ(IniFastFindSectionSpan("Bee", text.data(), 12, &length), nullptr);  // cut inside the header
  EXPECT_EQ(IniFastFindSectionSpan("A", text.data(), uint32_t(text.size()), &length), text.data());
  EXPECT_EQ(length, 10u);
}

TEST_F(IniFast, SharesItsFilesWithTheProfileFunctions) {
  std::vector<char> buffer(kIniFastSectionBufferSize, 0);
  uint32_t offset = 0;
  IniFastPutSection(&offset, u"Printer ,2,", buffer.data());
  IniFastPutKey(&offset, u"Copies", u"3", buffer.data());
  IniFastPutKey(&offset, u"Name", u"\u65e5\u672c", buffer.data());
  ASSERT_EQ(IniFastReplaceSection(kFile, u"Printer ,2,", buffer.data(), offset), 1);
  char16_t text[32];
  GetPrivateProfileStringW(u"printer ,2,", u"name", u"", text, 32, kFile);
  EXPECT_EQ(U8(text), "\xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(GetPrivateProfileIntW(u"Printer ,2,", u"Copies", 0, kFile), 3u);

  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer ,2,", u"Copies", u"5", kFile));
  ASSERT_TRUE(WritePrivateProfileStringW(u"Printer ,2,", u"Added", u"yes", kFile));
  IniFastFreeFile(image_);
  image_ = IniFastLoadFile(kFile);
  char* section = IniFastFindSection(u"Printer ,2,", image_);
  uint32_t resume = 0;
  EXPECT_EQ(IniFastGetInt(u"Copies", 0, section, &resume), 5);
  EXPECT_EQ(Value(u"Name", section, &resume), "\xe6\x97\xa5\xe6\x9c\xac");
  EXPECT_EQ(Value(u"Added", section, &resume), "yes");
}

// Keys listed in a section of the file, by the profile functions.
int KeyCount(const char16_t* section) {
  std::vector<char16_t> keys(1 << 16);
  DWORD n = GetPrivateProfileStringW(section, nullptr, nullptr, keys.data(), DWORD(keys.size()), kFile);
  int count = 0;
  for (DWORD i = 0; i < n; ++i) count += keys[i] == 0;
  return count;
}

// One process writes keys through the profile functions while another
// splices its section with the fast engine, at once: every write that was
// answered as done is in the file at the end.
TEST_F(IniFast, ProfileWritesAndSplicesOfTwoProcessesAreAllKept) {
  constexpr int kWrites = 100;
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  pid_t children[2];
  for (int w = 0; w < 2; ++w) {
    children[w] = fork();
    if (children[w] != 0) continue;
    char go = 0;
    if (read(start[0], &go, 1) != 1) _exit(100);
    int acknowledged = 0;
    std::string section = "[Fast]\r\n";
    for (int i = 0; i < kWrites; ++i) {
      char16_t key[16];
      plat::WFormat(key, 16, u"p%d", i);
      if (w == 0) {
        acknowledged += WritePrivateProfileStringW(u"Profile", key, u"x", kFile) ? 1 : 0;
      } else {
        section += "f" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
        acknowledged += IniFastReplaceSection(kFile, u"Fast", section.data(), uint32_t(section.size()));
      }
    }
    _exit(acknowledged == kWrites ? 0 : 1);
  }
  ASSERT_EQ(write(start[1], "gg", 2), 2);
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);  // every write answered as done
  }
  close(start[0]);
  close(start[1]);
  EXPECT_EQ(KeyCount(u"Profile"), kWrites);
  EXPECT_EQ(KeyCount(u"Fast"), kWrites);
}

}  // namespace
