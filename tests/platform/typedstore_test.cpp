// The typed store's values are found by name through an index kept by every
// change: a value added, replaced, removed or carried over is found exactly
// when it is there, by any spelling of its name, and the order of the values
// (the order EnumPrinterData lists them in) is kept. A printer's data read
// from its store file follows the writes of other processes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/registry.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "standin_machine.h"
#include "temp_machine.h"
#include "typedstore.h"

namespace {

using plat::detail::StoreKey;
using plat::detail::StoreValue;
using plat::detail::TypedStore;
using plat_test::InChild;
using plat_test::TempMachine;

StoreValue Dword(const std::u16string& name, uint8_t v) { return StoreValue{name, REG_DWORD, {v, 0, 0, 0}}; }

// The names of the key's values in their order, and the first byte of each found by its name.
std::string Listing(const StoreKey* k) {
  std::string out;
  for (const StoreValue& v : k->values()) {
    const StoreValue* found = TypedStore::FindValue(k, v.name);
    out += plat::ToUtf8(v.name) + "=" + (found == &v ? std::to_string(found->data[0]) : "LOST") + " ";
  }
  return out;
}

TEST(TypedStoreValues, FoundExactlyWhenPresentThroughEveryChange) {
  TypedStore s;
  StoreKey* k = s.CreateKey(u"Printers\\Office\\PrinterDriverData");
  // Enough values that a lost or shifted position would show.
  for (int i = 0; i < 40; ++i) TypedStore::PutValue(k, Dword(u"v" + plat::FromUtf8(std::to_string(i)), uint8_t(i)));
  struct Step {
    const char* what;
    enum { kPut, kRemove, kRename } op;
    std::u16string name, other;  // the value changed; kRename: its new name
    std::u16string absent;       // must not be found afterwards
    std::u16string present;      // must be found afterwards
    int expected_byte;           // of present
  };
  const Step steps[] = {
      {"replaced by another spelling", Step::kPut, u"V7", u"", u"", u"v7", 99},
      {"removed from the middle", Step::kRemove, u"v3", u"", u"V3", u"v4", 4},
      {"removed first", Step::kRemove, u"V0", u"", u"v0", u"v39", 39},
      {"removed last", Step::kRemove, u"v39", u"", u"v39", u"v38", 38},
      {"renamed (removed, put under the new name)", Step::kRename, u"v10", u"Renamed", u"v10", u"RENAMED", 10},
      {"added after removals", Step::kPut, u"Added", u"", u"", u"added", 99},
      {"a removed name comes back", Step::kPut, u"v3", u"", u"", u"V3", 99},
      {"name beyond ASCII", Step::kPut, u"\u00c9t\u00e9", u"", u"\u00e9te", u"\u00e9T\u00c9", 99},
  };
  for (const Step& step : steps) {
    switch (step.op) {
      case Step::kPut: TypedStore::PutValue(k, Dword(step.name, 99)); break;
      case Step::kRemove: EXPECT_TRUE(TypedStore::RemoveValue(k, step.name)) << step.what; break;
      case Step::kRename: {
        StoreValue v = *TypedStore::FindValue(k, step.name);
        ASSERT_TRUE(TypedStore::RemoveValue(k, step.name));
        v.name = step.other;
        TypedStore::PutValue(k, std::move(v));
        break;
      }
    }
    if (!step.absent.empty()) {
      EXPECT_EQ(TypedStore::FindValue(k, step.absent), nullptr) << step.what;
    }
    const StoreValue* v = TypedStore::FindValue(k, step.present);
    ASSERT_NE(v, nullptr) << step.what;
    EXPECT_EQ(v->data[0], step.expected_byte) << step.what;
    EXPECT_EQ(Listing(k).find("LOST"), std::string::npos) << step.what << ": " << Listing(k);
  }
  EXPECT_FALSE(TypedStore::RemoveValue(k, u"v10")) << "a removed value is removed once";
  // Replacing keeps the value's place; the new spelling is the stored one.
  EXPECT_EQ(k->values()[5].name, u"V7");
  EXPECT_EQ(k->values().back().name, u"\u00c9t\u00e9");

  // A store read back, a copy of the key and a cleared key answer alike.
  TypedStore back = TypedStore::Parse(s.Serialize());
  const StoreKey* bk = back.FindKey(u"PRINTERS\\office\\printerdriverdata");
  ASSERT_NE(bk, nullptr);
  EXPECT_EQ(Listing(bk), Listing(k));
  StoreKey* copy = s.CreateKey(u"Copy");
  TypedStore::CopyValues(copy, *k);
  EXPECT_EQ(Listing(copy), Listing(k));
  TypedStore::ClearValues(k);
  EXPECT_EQ(TypedStore::FindValue(k, u"v4"), nullptr);
  EXPECT_NE(TypedStore::FindValue(copy, u"v4"), nullptr) << "the copy keeps its own values";
  EXPECT_EQ(TypedStore::FindValue(nullptr, u"v4"), nullptr);
}

TEST(TypedStoreValues, AReadOfTwoSpellingsOfOneNameKeepsTheLast) {
  // A file edited by hand may name a value twice: the later line wins, in the first one's place.
  TypedStore s = TypedStore::Parse("VELMSTORE\t1\nK\tA\nV\tA\tx\t4\t01000000\nV\tA\ty\t4\t02000000\nV\tA\tX\t4\t03000000\n");
  const StoreKey* k = s.FindKey(u"a");
  ASSERT_NE(k, nullptr);
  ASSERT_EQ(k->values().size(), 2u);
  EXPECT_EQ(k->values()[0].name, u"X");
  EXPECT_EQ(TypedStore::FindValue(k, u"x")->data[0], 3);
}

TEST(TypedStoreValues, ValueLinesOfKeysInAnyOrderLandInTheirKeys) {
  // Lines of a key, another key, the first again (by another spelling), and a
  // key named only by its values: each value in its own key, parents made.
  TypedStore s = TypedStore::Parse(
      "VELMSTORE\t1\nV\tA\\B\ta\t4\t01000000\nV\tC\tc\t4\t02000000\nV\ta\\b\tb\t4\t03000000\n"
      "V\tC\td\t4\t04000000\n");
  const StoreKey* ab = s.FindKey(u"A\\B");
  const StoreKey* c = s.FindKey(u"c");
  ASSERT_NE(ab, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(s.FindKey(u"A"), nullptr) << "the parent of a key named by a value";
  EXPECT_EQ(Listing(ab), "a=1 b=3 ");
  EXPECT_EQ(Listing(c), "c=2 d=4 ");
  EXPECT_EQ(s.keys.size(), 3u);
}

// Printer data read through the spooler, while other processes add, change
// and delete values: each reading is the store as the last writer left it.
TEST(TypedStoreValues, PrinterDataFollowsOtherProcessesWrites) {
  TempMachine machine;
  std::string why;
  ASSERT_TRUE(test_support::AddVelmPrinter(u"Office", 0, nullptr, &why)) << why;
  HANDLE h = nullptr;
  char16_t printer[] = u"Office";
  ASSERT_TRUE(OpenPrinterW(printer, &h, nullptr));
  auto read = [&](std::u16string name) -> DWORD {
    DWORD type = 0, needed = 0, v = 0;
    return GetPrinterDataW(h, name.data(), &type, reinterpret_cast<BYTE*>(&v), 4, &needed) == ERROR_SUCCESS
               ? v
               : 0xFFFFFFFF;
  };
  auto in_child = [](std::u16string name, DWORD value, bool erase) {
    return InChild([name, value, erase] {
      HANDLE ch = nullptr;
      char16_t office[] = u"Office";
      if (!OpenPrinterW(office, &ch, nullptr)) return 1;
      std::u16string n = name;
      DWORD v = value;
      DWORD r = erase ? DeletePrinterDataW(ch, n.data())
                      : SetPrinterDataW(ch, n.data(), REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
      ClosePrinter(ch);
      return r == ERROR_SUCCESS ? 0 : 2;
    });
  };
  for (DWORD i = 0; i < 30; ++i) {
    std::u16string n = u"Item" + plat::FromUtf8(std::to_string(i));
    DWORD v = i + 100;
    ASSERT_EQ(SetPrinterDataW(h, n.data(), REG_DWORD, reinterpret_cast<BYTE*>(&v), 4), DWORD(ERROR_SUCCESS));
  }
  EXPECT_EQ(read(u"ITEM12"), 112u);  // read once so that the store is cached
  ASSERT_EQ(in_child(u"item12", 7, false), 0);
  EXPECT_EQ(read(u"Item12"), 7u) << "changed by another process";
  ASSERT_EQ(in_child(u"Item5", 0, true), 0);
  EXPECT_EQ(read(u"item5"), 0xFFFFFFFFu) << "deleted by another process";
  EXPECT_EQ(read(u"Item6"), 106u) << "the values after a deleted one";
  EXPECT_EQ(read(u"Item29"), 129u);
  ASSERT_EQ(in_child(u"New", 9, false), 0);
  EXPECT_EQ(read(u"NEW"), 9u) << "added by another process";
  // The printer removed by another process: its handle reads nothing more.
  ASSERT_EQ(InChild([] { return plat::SpoolDeletePrinter(u"Office") ? 0 : 1; }), 0);
  DWORD type = 0, needed = 0, v = 0;
  char16_t item[] = u"Item6";
  EXPECT_EQ(GetPrinterDataW(h, item, &type, reinterpret_cast<BYTE*>(&v), 4, &needed), DWORD(ERROR_INVALID_HANDLE));
  ClosePrinter(h);
}

}  // namespace
