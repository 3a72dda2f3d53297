// The address book file VELMADDR.CSV: parsing, the double-byte rules, the
// sub-lists, the 1000-entry pool, insert and delete positions, and saves
// that never lose entries.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <string>
#include <vector>

#include "env_test_machine.h"
#include "velm/address_list.h"
#include "velm/paths.h"

namespace {

class AddressList : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    EnvMachine::SetUp();
    ctx_ = Context();
    ASSERT_NE(ctx_, nullptr);
    ASSERT_EQ(PathCreateDataDir(), 1);
    char16_t dir[MAX_PATH];
    ASSERT_GT(PathGetDataDir(dir, MAX_PATH, ctx_), 0);
    file_ = std::u16string(dir) + u"\\VELMADDR.CSV";
  }

  // Writes the file and loads it.
  CsvList* Load(const std::string& bytes) {
    Put(file_, bytes);
    EXPECT_EQ(CsvLoadList(ctx_), 1);
    return CsvGetList(ctx_);
  }

  // The ring in order, one line per record: its 13 fields as UTF-8 joined
  // by ',' (an empty-name record shows as such).
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    CsvList* list = CsvGetList(ctx_);
    if (!list) return out;
    CsvNode* p = list->head;
    for (uint16_t i = 0; i < list->count; ++i, p = p->next) {
      const CsvRecord& r = *p->record;
      const char16_t* fields[13] = {r.name,      r.text[0], r.text[1], r.text[2], r.text[3],
                                    r.telNo,     r.lists[0], r.lists[1], r.field9, r.line,
                                    r.flags[0],  r.flags[1], r.flags[2]};
      std::string line;
      for (int f = 0; f < 13; ++f) {
        if (f) line += ',';
        if (fields[f]) line += plat::ToUtf8(fields[f]);
      }
      out.push_back(line);
    }
    return out;
  }

  static std::vector<std::string> Names(DriverContext* ctx) {
    std::vector<std::string> out;
    CsvList* list = CsvGetList(ctx);
    for (int32_t i = 0; i < CsvNamedCount(list); ++i) out.push_back(plat::ToUtf8(CsvNamedRecord(list, i)->name));
    return out;
  }

  // A new named entry at the position; false when refused.
  bool Add(int32_t position, const char16_t* name) {
    CsvRecord* r = CsvNewEntry(ctx_, position);
    if (!r) return false;
    plat::WCopy(r->name, kCsvNameChars, name);
    return true;
  }

  DriverContext* ctx_ = nullptr;
  std::u16string file_;
};

std::string Pad(const std::string& fields) { return fields + std::string(size_t(12 - std::count(fields.begin(), fields.end(), ',')), ','); }

TEST_F(AddressList, ParsesLinesByTheFileRules) {
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {"three fields", "a,b,c\r\n", {Pad("a,b,c")}},
      {"fifteen fields", "n,2,3,4,5,6,7,8,9,10,x,y,z,14,15\r\n", {"n,2,3,4,5,6,7,8,9,10,x,y,z"}},
      {"a name alone", "alone\r\nb,1\r\nlast", {Pad("b,1")}},
      {"empty lines", "\n\r\n\na,1\n\n", {Pad("a,1")}},
      {"stray CRs", "a\r,1\r2\r\r\n\rb,\r\n", {Pad("a,12"), Pad("b")}},
      {"LF only", "a,1\nb,2\n", {Pad("a,1"), Pad("b,2")}},
      {"last line without LF", "a,1\nb,2", {Pad("a,1"), Pad("b,2")}},
      {"an empty name is kept", ",5\na,1\n", {Pad(",5"), Pad("a,1")}},
      {"empty file", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CsvList* list = Load(c.bytes);
    EXPECT_EQ(list->loadState, kCsvLoadWhole);
    EXPECT_EQ(Entries(), c.entries);
    EXPECT_EQ(list->unparsed, nullptr);
  }
}

// A field longer than its room makes the whole file unreadable: it loads
// empty and is never saved over.
TEST_F(AddressList, AnOverlongFieldEmptiesTheListAndRefusesTheSave) {
  const std::string items1000 = [] {
    std::string s;
    for (int i = 0; i < 1000; ++i) s += (i ? "|" : "") + std::string("i");
    return s;
  }();
  struct Case {
    const char* what;
    std::string bytes;
    bool loads;
  };
  const Case cases[] = {
      {"name of 64 bytes", std::string(64, 'n') + ",1\r\n", true},
      {"name of 65 bytes", std::string(65, 'n') + ",1\r\n", false},
      {"name of 32 double-byte characters", std::string(32 * 2, '\x88') + ",1\r\n", true},
      {"number of 33 bytes", "a,,,,," + std::string(33, '1') + "\r\n", false},
      {"field 11 of 2 bytes", "a,,,,,,,,,,xy\r\n", false},
      {"an item of 64 bytes", "a,,,,,," + std::string(64, 'i') + "\r\n", true},
      {"an item of 65 bytes", "a,,,,,,x|" + std::string(65, 'i') + "\r\n", false},
      {"1000 items", "a,,,,,,," + items1000 + "\r\n", true},
      {"1001 items", "a,,,,,,," + items1000 + "|j\r\n", false},
      {"fields past the 13th are not measured", Pad("a") + "," + std::string(200, 'x') + "\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = "first,1\r\n" + c.bytes;
    CsvList* list = Load(bytes);
    EXPECT_EQ(list->loadState, c.loads ? kCsvLoadWhole : kCsvLoadBadField);
    EXPECT_EQ(CsvNamedCount(list), c.loads ? 2 : 0);
    if (!c.loads) {
      ASSERT_NE(CsvNewEntry(ctx_, 1), nullptr);
      EXPECT_EQ(CsvSaveList(ctx_), 0);
      EXPECT_EQ(Get(file_), bytes);
    }
  }
}

TEST_F(AddressList, TheByteAfterALeadByteIsAlwaysText) {
  // 0x81 0x7C is a whole character whose second byte is '|'; 0x82 before
  // ',' or LF takes that byte into the field.
  struct Case {
    const char* what;
    std::string bytes;
    int field;             // 1-based field to look at
    std::u16string value;  // that field's text
    uint16_t records;
  };
  const Case cases[] = {
      {"',' after a lead byte", "\x82,x,1\n", 2, u"1", 1},
      {"'|' after a lead byte in a list", "n,,,,,,\x81|b,z\n", 8, u"z", 1},
      {"'|' after a lead byte keeps the item whole", "n,,,,,,\x81|b,z\n", 7, u"\uff0db", 1},
      {"LF after a lead byte", "\x82\na,1\nb,2\n", 2, u"1", 2},
      {"a lead byte at the end of the file", "a,\x82", 2, u"\u30fb", 1},
      {"a lead byte at the end of a name line", "a,1\n\x82", 2, u"1", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CsvList* list = Load(c.bytes);
    ASSERT_EQ(list->loadState, kCsvLoadWhole);
    ASSERT_EQ(list->count, c.records);
    CsvRecord& r = *list->head->record;
    const char16_t* fields[13] = {r.name,     r.text[0],  r.text[1],  r.text[2], r.text[3], r.telNo,   r.lists[0],
                                  r.lists[1], r.field9,   r.line,     r.flags[0], r.flags[1], r.flags[2]};
    const char16_t* got = fields[c.field - 1];
    EXPECT_EQ(std::u16string(got ? got : u""), c.value);
  }
}

TEST_F(AddressList, SubListsKeepTheirItemsAndEmptyItemsShiftNothing) {
  const std::string whole = "a,,,,,,a|b|c,x|y,9,L,1,2,3\r\n";
  Load(whole);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a,,,,,,a|b|c,x|y,9,L,1,2,3"});
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  EXPECT_EQ(Get(file_), whole);

  Load("a,,,,,,|a||b|,x,9,L,1,2,3\r\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a,,,,,,a|b,x,9,L,1,2,3"});
}

TEST_F(AddressList, LinesPastTheThousandthAreCarriedThroughASave) {
  std::string bytes;
  for (int i = 1; i <= 1001; ++i) bytes += "n" + std::to_string(i) + ",1,,,,,,,,,,,\r\n";
  CsvList* list = Load(bytes);
  EXPECT_EQ(list->loadState, kCsvLoadWhole);
  EXPECT_EQ(CsvNamedCount(list), 1000);
  EXPECT_EQ(Names(ctx_).back(), "n1000");
  EXPECT_EQ(CsvNewEntry(ctx_, 1), nullptr);  // the pool is full
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  EXPECT_EQ(Get(file_), bytes);

  // Room made by a delete brings the 1001st entry in at the next load.
  ASSERT_NE(CsvDeleteEntry(ctx_, 1), nullptr);
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  ASSERT_EQ(CsvLoadList(ctx_), 1);
  list = CsvGetList(ctx_);
  EXPECT_EQ(CsvNamedCount(list), 1000);
  EXPECT_EQ(Names(ctx_).front(), "n2");
  EXPECT_EQ(Names(ctx_).back(), "n1001");
  EXPECT_EQ(list->unparsed, nullptr);
}

TEST_F(AddressList, PositionsCountNamedEntriesOnly) {
  struct Step {
    const char* what;
    bool insert;  // else delete
    int32_t position;
    bool done;
    std::string order;  // names in ring order, '-' for an empty name
  };
  const Step steps[] = {
      {"before the second entry", true, 2, true, "- a - X b -"},
      {"before the first entry", true, 1, true, "- X a - X b -"},
      {"at the end", true, 5, true, "- X a - X b - X"},
      {"position 0", true, 0, false, "- X a - X b - X"},
      {"past the end + 1", true, 7, false, "- X a - X b - X"},
      {"delete the second", false, 2, true, "- X - X b - X"},
      {"delete the last", false, 4, true, "- X - X b -"},
      {"delete past the end", false, 4, false, "- X - X b -"},
      {"delete position 0", false, 0, false, "- X - X b -"},
  };
  Load(",e1\na,1\n,e2\nb,2\n,e3\n");
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    const bool done = s.insert ? Add(s.position, u"X") : CsvDeleteEntry(ctx_, s.position) != nullptr;
    EXPECT_EQ(done, s.done);
    std::string order;
    for (const std::string& e : Entries()) order += (order.empty() ? "" : " ") + (e[0] == ',' ? std::string("-") : e.substr(0, e.find(',')));
    EXPECT_EQ(order, s.order);
  }
  // Empty-name records stay in file order through a save.
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  EXPECT_EQ(Get(file_), Pad(",e1") + "\r\n" + Pad("X") + "\r\n" + Pad(",e2") + "\r\n" + Pad("X") + "\r\n" + Pad("b,2") +
                            "\r\n" + Pad(",e3") + "\r\n");
}

TEST_F(AddressList, RecordNumbersAreReusedOnceThePoolWasUsedUp) {
  CsvList* list = Load("");
  for (int i = 1; i <= 1000; ++i) {
    CsvRecord* r = CsvNewEntry(ctx_, i);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->number, i);
    r->name[0] = u'n';
  }
  EXPECT_EQ(CsvNewEntry(ctx_, 1), nullptr);
  EXPECT_EQ(list->count, 1000);
  ASSERT_NE(CsvDeleteEntry(ctx_, 500), nullptr);
  ASSERT_NE(CsvDeleteEntry(ctx_, 2), nullptr);
  EXPECT_EQ(CsvRecordByNumber(list, 2), nullptr);
  CsvRecord* r = CsvNewEntry(ctx_, 1);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->number, 2);  // the first free record
  EXPECT_EQ(CsvRecordByNumber(list, 2), r);
  r->name[0] = u'm';
  EXPECT_EQ(CsvNamedIndexOf(list, r), 0);
  ASSERT_NE(CsvNewEntry(ctx_, 1000), nullptr);
  EXPECT_EQ(list->count, 1000);
}

TEST_F(AddressList, SavedFilesHaveCrLfLines) {
  // Double-byte text (0x93FA 0x967B), sub-lists and an empty-name line.
  const std::string crlf =
      "\x93\xfa\x96\x7b,b,c,d,e,03-1234,i|j,k,9999,Line1234,1,0,1\r\n"
      ",,,,,,,,,,,,\r\n"
      "x,,,,,,,,,,,,\r\n";
  Load(crlf);
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  EXPECT_EQ(Get(file_), crlf);

  std::string lf = crlf;
  for (size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  Load(lf);
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  EXPECT_EQ(Get(file_), crlf);
}

TEST_F(AddressList, FieldsLongerThanTheirRoomAreCutWhenSaved) {
  Load("");
  CsvRecord* r = CsvNewEntry(ctx_, 1);
  ASSERT_NE(r, nullptr);
  // 64 double-byte characters need 128 bytes; the file holds 64.
  for (int i = 0; i < 64; ++i) r->name[i] = u'\u65e5';
  plat::WCopy(r->line, kCsvLineChars, u"\u65e5\u65e5\u65e5\u65e5");
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  ASSERT_EQ(CsvLoadList(ctx_), 1);
  ASSERT_EQ(CsvGetList(ctx_)->loadState, kCsvLoadWhole);
  CsvRecord* back = CsvNamedRecord(CsvGetList(ctx_), 0);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(std::u16string(back->name), std::u16string(32, u'\u65e5'));
  EXPECT_EQ(std::u16string(back->line), u"\u65e5\u65e5\u65e5\u65e5");
}

TEST_F(AddressList, MissingFilesAreCreatedUnreadableOnesLeftAlone) {
  CsvList* list = nullptr;
  (void)DeleteFileW(file_.c_str());  // may be absent already
  ASSERT_EQ(CsvLoadList(ctx_), 1);
  list = CsvGetList(ctx_);
  EXPECT_EQ(list->loadState, kCsvLoadMissing);
  ASSERT_TRUE(Add(1, u"new"));
  ASSERT_EQ(CsvSaveList(ctx_), 1);
  EXPECT_EQ(Get(file_), Pad("new") + "\r\n");

  // Held without sharing by someone else: nothing is read, nothing written.
  HANDLE held = CreateFileW(file_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  ASSERT_EQ(CsvLoadList(ctx_), 1);
  list = CsvGetList(ctx_);
  EXPECT_EQ(list->loadState, kCsvLoadNoAccess);
  EXPECT_EQ(list->count, 0);
  CloseHandle(held);
  ASSERT_TRUE(Add(1, u"other"));
  EXPECT_EQ(CsvSaveList(ctx_), 0);
  EXPECT_EQ(Get(file_), Pad("new") + "\r\n");

  // A read that fails.
  plat::FailNth("ReadFile", 1);
  ASSERT_EQ(CsvLoadList(ctx_), 1);
  EXPECT_EQ(CsvGetList(ctx_)->loadState, kCsvLoadReadError);
  EXPECT_EQ(CsvSaveList(ctx_), 0);
  EXPECT_EQ(Get(file_), Pad("new") + "\r\n");
}

TEST_F(AddressList, AFailedOrKilledSaveLeavesTheOldFileWhole) {
  const std::string old = Pad("a,1") + "\r\n" + Pad("b,2") + "\r\n";
  Load(old);
  ASSERT_TRUE(Add(1, u"c"));
  plat::FailNth("WriteFile", 1);
  EXPECT_EQ(CsvSaveList(ctx_), 0);
  EXPECT_EQ(Get(file_), old);

  pid_t pid = fork();
  if (pid == 0) {
    setenv("VELM_CRASH_AT", "FileReplace:1", 1);
    CsvDeleteEntry(ctx_, 1);
    CsvSaveList(ctx_);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  EXPECT_EQ(Get(file_), old);
  ASSERT_EQ(CsvLoadList(ctx_), 1);
  EXPECT_EQ(Names(ctx_), (std::vector<std::string>{"a", "b"}));
}

TEST_F(AddressList, FreeingTwiceAndFreeingNothingAreHarmless) {
  EXPECT_EQ(CsvFreeList(ctx_), 1);
  Load("a,1\n");
  EXPECT_EQ(CsvFreeList(ctx_), 1);
  EXPECT_EQ(CsvGetList(ctx_), nullptr);
  EXPECT_EQ(CsvFreeList(ctx_), 1);
  EXPECT_EQ(CsvNewEntry(ctx_, 1), nullptr);
  EXPECT_EQ(CsvSaveList(ctx_), 0);
}

}  // namespace
