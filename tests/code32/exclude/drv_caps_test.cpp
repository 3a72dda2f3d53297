// The capability queries of the VELMDrv interface on the reference model and
// the small model: the table, the supported-items mask, every id within the
// buffer it was sized for, the named cases, the capability record, and the
// count that grows between a count and a fill.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "api/api_support.h"
#include "ctx_test_machine.h"
#include "drv_caps.h"
#include "drv_handle.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/winspool.h"
#include "velm/os.h"
#include "velm/paths.h"
#include "velm/devmode.h"
#include "velm/presets.h"
#include "velm/resources.h"
#include "velm/selectable.h"
#include "velm/save_stack.h"
#include "velm/settings.h"
#include "velmpd4.h"

namespace {

class DrvCaps : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ctx_test::ModelMachine::SetUp();
    PathCreateDataDir();
    open_ = plat::OpenPrinterHandles();
  }
  void TearDown() override {
    for (DriverContext* c : handles_) DrvDisable(c);
    plat::SetMachineSetting("orvtse.result", "0");
    ctx_test::ModelMachine::TearDown();
  }
  DriverContext* Enable(const std::string& model = "../models/reference.mdf") {
    UseModel(model);
    DriverContext* c = DrvEnable("Office");
    EXPECT_NE(c, nullptr) << model;
    if (c) handles_.push_back(c);
    return c;
  }
  // A list answer in a block of exactly the entries counted first, so that
  // the address checker sees any write past it.
  std::vector<uint8_t> List(DriverContext* c, int32_t id, int32_t* count) {
    *count = DrvCapsQuery(c, id, nullptr);
    const DrvCapsRow* row = DrvCapsFindRow(id);
    size_t entry = DrvCapsEntryBytes(row->kind);
    if (*count <= 0 || entry == 0) return {};
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size_t(*count) * entry]);
    EXPECT_EQ(DrvCapsQuery(c, id, exact.get()), *count) << id;
    return std::vector<uint8_t>(exact.get(), exact.get() + size_t(*count) * entry);
  }
  std::vector<int32_t> Values(DriverContext* c, int32_t id) {
    int32_t n = 0;
    std::vector<uint8_t> raw = List(c, id, &n);
    std::vector<int32_t> out(raw.size() / 4);
    if (!raw.empty()) std::memcpy(out.data(), raw.data(), raw.size());
    return out;
  }
  std::vector<std::string> Names(DriverContext* c, int32_t id, size_t slot) {
    int32_t n = 0;
    std::vector<uint8_t> raw = List(c, id, &n);
    std::vector<std::string> out;
    for (size_t at = 0; at + slot <= raw.size(); at += slot) {
      const char* s = reinterpret_cast<const char*>(raw.data() + at);
      EXPECT_LT(strnlen(s, slot), slot) << "id " << id << ": a name without its NUL";
      out.emplace_back(s, strnlen(s, slot));
    }
    return out;
  }
  void SetFunc1(const char* value) {
    Put(std::u16string(env_test::kDriverDir) + u"velmsetup.ini", std::string("[VELMAPI]\r\nVELMAPIFunc1=") + value + "\r\n");
  }
  long open_ = 0;
  std::vector<DriverContext*> handles_;
};

TEST_F(DrvCaps, TableRows) {
  const DrvCapsRow* rows = DrvCapsTable();
  std::set<int> served;
  for (int32_t i = 0; i < kDrvCapsCount; ++i) {
    const DrvCapsRow& r = rows[i];
    EXPECT_EQ(r.id, i + 1);
    EXPECT_EQ(r.enabled, 1);
    EXPECT_EQ(r.version, 3);
    EXPECT_EQ(r.reserved, 0);
    EXPECT_NE(r.handler, nullptr);
    EXPECT_GE(r.statusItem, 1);
    EXPECT_LE(r.statusItem, 35);
    EXPECT_EQ(DrvCapsFindRow(r.id), &r);
    served.insert(r.statusItem);
  }
  EXPECT_EQ(served.size(), 35u) << "every status item has a capability";
  EXPECT_EQ(DrvCapsFindRow(0), nullptr);
  EXPECT_EQ(DrvCapsFindRow(57), nullptr);
}

TEST_F(DrvCaps, SupportedItemsMask) {
  EXPECT_EQ(DrvCapsSupportedItems(nullptr), 32);
  uint8_t mask[32];
  std::memset(mask, 0xFF, sizeof mask);
  EXPECT_EQ(DrvCapsSupportedItems(mask), 32);
  for (int bit = 1; bit <= 256; ++bit) {
    bool set = (mask[(bit - 1) / 8] & (0x80 >> ((bit - 1) % 8))) != 0;
    EXPECT_EQ(set, bit <= 35) << "bit " << bit;
  }
}

TEST_F(DrvCaps, IdsOutsideTheTableAndNoPrinter) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  for (int32_t id : {57, -1, int32_t(0x80000003u), 1000})
    EXPECT_EQ(DrvCapsQuery(c, id, nullptr), 0) << id;
  EXPECT_EQ(DrvCapsQuery(nullptr, 1, nullptr), -1);
  plat::FailNth("OpenPrinterW", 1);
  EXPECT_EQ(DrvCapsQuery(c, 1, nullptr), -1);
  EXPECT_EQ(plat::OpenPrinterHandles(), open_);
}

// Every id on both models: lists fit the count they announced, names end
// inside their slots, and no printer stays open.
TEST_F(DrvCaps, EveryIdOnBothModels) {
  for (const char* model : {"../models/reference.mdf", "data/models/small.mdf"}) {
    SCOPED_TRACE(model);
    DriverContext* c = Enable(model);
    ASSERT_NE(c, nullptr);
    for (int32_t id = 1; id <= kDrvCapsCount; ++id) {
      const DrvCapsRow* row = DrvCapsFindRow(id);
      if (row->kind == DrvCapsKind::Names24 || row->kind == DrvCapsKind::Names64) {
        Names(c, id, DrvCapsEntryBytes(row->kind));
      } else if (row->kind != DrvCapsKind::Number && row->kind != DrvCapsKind::Pair16) {
        int32_t n = 0;
        List(c, id, &n);
        EXPECT_GE(n, -1) << id;
      } else {
        DrvCapsQuery(c, id, nullptr);
      }
      EXPECT_EQ(plat::OpenPrinterHandles(), open_) << "id " << id;
    }
    // Values and their names pair up.
    for (auto [values, names] : {std::pair{2, 3}, std::pair{4, 5}, std::pair{6, 7}, std::pair{10, 11}, std::pair{15, 16}}) {
      int32_t nv = DrvCapsQuery(c, values, nullptr), nn = DrvCapsQuery(c, names, nullptr);
      if (nv > 0 && nn > 0) {
        EXPECT_EQ(nv, nn) << values;
      }
    }
    EXPECT_EQ(DrvCapsQuery(c, 10, nullptr), DrvCapsQuery(c, 12, nullptr));
    EXPECT_EQ(DrvCapsQuery(c, 1, nullptr), 1);
    EXPECT_EQ(DrvCapsQuery(c, 24, nullptr), 1);
    EXPECT_EQ(DrvCapsQuery(c, 31, nullptr), 1);
  }
}

// With the printer's settings as stored fewer than two trays are
// selectable: the list is the 0 alone.
TEST_F(DrvCaps, OutputTraysStartWithZero) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  std::vector<int32_t> trays = Values(c, 6);
  EXPECT_EQ(trays, std::vector<int32_t>{0});
  std::vector<std::string> names = Names(c, 7, 64);
  EXPECT_EQ(names.size(), 1u);
}

// With the conditions of every output tray met, the list is 0 and then
// every tray that is not 0.
TEST_F(DrvCaps, OutputTraysWhenSeveralAreSelectable) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  const PjlVariableRow* row = OptFindSelectableRow(c, 57, kPjlAccessCommand);
  ASSERT_NE(row, nullptr);
  ASSERT_NE(row->options, nullptr);
  std::vector<int32_t> expected{0};
  for (uint32_t i = 0; i < row->options->count; ++i) {
    const PjlOptionRow& o = row->options->rows[i];
    for (const PjlCondition* t = o.conditions; t; t = t->next) OptSetValueById(c, t->settingId, t->value);
  }
  int32_t count = 0;
  ASSERT_NE(OptListSelectable(c, 57, 0, nullptr, &count), kSelectableNoMemory);
  std::vector<int32_t> selectable(size_t(std::max(count, 1)), 0);
  OptListSelectable(c, 57, count, selectable.data(), &count);
  selectable.resize(size_t(count));
  for (int32_t v : selectable)
    if (v != 0) expected.push_back(v);
  ASSERT_GE(expected.size(), 3u) << "the case needs two trays or more";
  // The handle's settings are the current ones: no reload between calls.
  EXPECT_EQ(DrvWithPrinter(c, [&](DriverContext* x) {
              std::vector<int32_t> out(expected.size() + 4, -7);
              int32_t n = DrvCapsRun(x, 6, out.data(), int32_t(out.size()));
              out.resize(size_t(std::max(n, 0)));
              EXPECT_EQ(out, expected);
              return n;
            }),
            int32_t(expected.size()));
}

TEST_F(DrvCaps, MaxCopies) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  ApiRange r{};
  ASSERT_EQ(DrvWithPrinter(c, [&](DriverContext* x) { return ApiGetMaxCopies(x, &r) ? 1 : 0; }), 1);
  EXPECT_EQ(DrvCapsQuery(c, 17, nullptr), r.maximum);
  EXPECT_GT(r.maximum, 1);
}

TEST_F(DrvCaps, PrintMethodsAndWatermarkKindsFollowTheSwitches) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  SetFunc1("0");
  std::vector<int32_t> methods = Values(c, 18);
  std::vector<int32_t> kinds = Values(c, 30);
  EXPECT_EQ(std::count(methods.begin(), methods.end(), 255), 0);
  ASSERT_GE(kinds.size(), 2u);
  EXPECT_EQ(kinds[0], 1);
  EXPECT_EQ(kinds[1], 2);
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 128), 0);
  const bool overlay = DrvWithPrinter(c, [](DriverContext* x) { return ApiIsOverlayAllowed(x) ? 1 : 0; }) == 1;
  EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 3), overlay ? 1 : 0);

  SetFunc1("9");  // bits 0x1 and 0x8
  std::vector<int32_t> more = Values(c, 18);
  if (!methods.empty()) {
    ASSERT_EQ(more.size(), methods.size() + 1);
    EXPECT_EQ(more.back(), 255);
  }
  std::vector<int32_t> all_kinds = Values(c, 30);
  ASSERT_EQ(all_kinds.size(), kinds.size() + 1);
  EXPECT_EQ(all_kinds.back(), 128);
  SetFunc1("1");
  EXPECT_EQ(Values(c, 18), methods);
}

TEST_F(DrvCaps, ActionsAnswerZeroUnderTerminalServices) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  ASSERT_TRUE(plat::SetMachineSetting("orvtse.result", "1"));
  OsResetTerminalServerCache();
  ASSERT_EQ(DrvWithPrinter(c, [](DriverContext* x) { return ApiIsTerminalServices(x) ? 1 : 0; }), 1);
  for (int32_t id = 49; id <= 53; ++id) EXPECT_EQ(DrvCapsQuery(c, id, nullptr), 0) << id;
  OsResetTerminalServerCache();
}

// Entries 256, then 1 to the count, named after the stored entries; the
// handle's settings are the same afterwards.
TEST_F(DrvCaps, WatermarkEntriesAndNames) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  struct Entry {
    int32_t kind;
    const char16_t* text;
    const char16_t* image;
    const char* expected;
  } entries[] = {
      {1, u"Draft", u"", "Draft"},
      {1, u"", u"", ""},  // an empty text: not the text of the entry before
      {2, u"", u"logo.bmp", "logo.bmp"},
      {128, u"Secret", u"", "Secret"},
      {7, u"Other", u"x", ""},
  };
  constexpr int32_t kEntries = int32_t(sizeof entries / sizeof entries[0]);
  ASSERT_EQ(DrvWithPrinter(c,
                           [&](DriverContext* x) {
                             DmPushSettings(x);
                             for (int32_t i = 0; i < kEntries; ++i) {
                               OptSetValueById(x, 109, entries[i].kind);
                               OptSetText(x, OptFindSetting(x, 871), entries[i].text);
                               OptSetText(x, OptFindSetting(x, 872), entries[i].image);
                               if (StampSave(x, i) != 1) return 0;
                             }
                             DmPopSettings(x, 1);
                             return 1;
                           }),
            1);
  std::vector<uint8_t> before(c->devmode, c->devmode + DmGetWorkBufferSize());
  EXPECT_EQ(Values(c, 32), (std::vector<int32_t>{256, 1, 2, 3, 4, 5}));
  std::vector<std::string> names = Names(c, 33, 64);
  EXPECT_EQ(names, (std::vector<std::string>{"", "Draft", "", "logo.bmp", "Secret", ""}));
  EXPECT_EQ(std::memcmp(before.data(), c->devmode, before.size()), 0) << "the handle's settings changed";
}

TEST_F(DrvCaps, NamesEndInsideTheirSlots) {
  char slot[24];
  struct Row {
    const char* what;
    std::u16string name;
    size_t slot;
    std::string expected;
  } rows[] = {
      {"short", u"Tray 1", 24, "Tray 1"},
      {"empty", u"", 24, ""},
      {"long", std::u16string(80, u'x'), 24, std::string(23, 'x')},
      {"exactly full", std::u16string(23, u'y'), 24, std::string(23, 'y')},
      // 12 double-byte characters need 24 bytes: the 12th does not fit.
      {"dbcs at the cut", std::u16string(12, u'\u3042'), 24, ""},
  };
  for (const Row& r : rows) {
    std::memset(slot, 0x7F, sizeof slot);
    ASSERT_TRUE(DrvCapsCopyName(slot, r.slot, r.name.c_str())) << r.what;
    EXPECT_EQ(slot[r.slot - 1], 0) << r.what;
    size_t n = strnlen(slot, r.slot);
    if (std::string(r.what) == "dbcs at the cut") {
      EXPECT_EQ(n, 22u);
      for (size_t i = 0; i < n; i += 2) EXPECT_TRUE(IsDBCSLeadByte(BYTE(slot[i]))) << i;
    } else {
      EXPECT_EQ(std::string(slot, n), r.expected) << r.what;
    }
    for (size_t i = n; i < r.slot; ++i) EXPECT_EQ(slot[i], 0) << r.what << " padding " << i;
  }
}

// Names follow the values through the full list; a value the full list
// lacks is named by the UI's "unknown" string; unequal full lists fail.
TEST_F(DrvCaps, NamesMatchedToValues) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  char16_t unknown_wide[80] = {};
  ResLoadString(c, 204, unknown_wide, 80, 0);
  char unknown[64];
  ASSERT_TRUE(DrvCapsCopyName(unknown, 64, unknown_wide));
  const int32_t full_values[] = {1, 2, 7};
  const char16_t* full_names[] = {u"One", u"Two", u"Seven"};
  const int32_t values[] = {7, 5, 1};
  char out[4][64];
  std::memset(out, 0x55, sizeof out);
  ASSERT_EQ(DrvCapsMatchNames(c, values, 3, full_values, 3, full_names, 3, 64, out, 3), 3);
  EXPECT_STREQ(out[0], "Seven");
  EXPECT_STREQ(out[1], unknown);
  EXPECT_STREQ(out[2], "One");
  EXPECT_EQ(uint8_t(out[3][0]), 0x55) << "written past the three slots";
  // Room for one: one written, three answered.
  std::memset(out, 0x55, sizeof out);
  EXPECT_EQ(DrvCapsMatchNames(c, values, 3, full_values, 3, full_names, 3, 64, out, 1), 3);
  EXPECT_STREQ(out[0], "Seven");
  EXPECT_EQ(uint8_t(out[1][0]), 0x55);
  // Three values, two names.
  EXPECT_EQ(DrvCapsMatchNames(c, values, 3, full_values, 3, full_names, 2, 64, out, 3), -1);
  EXPECT_EQ(DrvCapsMatchNames(c, values, 0, full_values, 3, full_names, 3, 64, out, 3), 0);
}

// Another process adds watermark entries between the count and the fill:
// the fill stays within the count it was given.
TEST_F(DrvCaps, GrowingListStaysWithinItsCapacity) {
  DriverContext* c = Enable();
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(DrvWithPrinter(c, [](DriverContext* x) { return StampWriteCount(x, 2); }), 1);
  for (int32_t id : {32, 33}) {
    size_t entry = DrvCapsEntryBytes(DrvCapsFindRow(id)->kind);
    int32_t written = DrvWithPrinter(c, [&](DriverContext* x) -> int32_t {
      int32_t count = DrvCapsRun(x, id, nullptr, 0);
      EXPECT_EQ(count, 3);
      StampWriteCount(x, 9);  // meanwhile
      std::unique_ptr<uint8_t[]> exact(new uint8_t[size_t(count) * entry + 8]);
      std::memset(exact.get(), 0xEE, size_t(count) * entry + 8);
      int32_t answer = DrvCapsRun(x, id, exact.get(), count);
      for (size_t i = 0; i < 8; ++i) EXPECT_EQ(exact[size_t(count) * entry + i], 0xEE) << "overrun, id " << id;
      StampWriteCount(x, 2);
      return answer;
    });
    EXPECT_EQ(written, 10) << "the answer tells the list's size now";
  }
}

// ---- the record ------------------------------------------------------------------------------
TEST_F(DrvCaps, RecordMatchesTheQueriesOnBothModels) {
  for (const char* model : {"../models/reference.mdf", "data/models/small.mdf"}) {
    SCOPED_TRACE(model);
    DriverContext* c = Enable(model);
    ASSERT_NE(c, nullptr);
    auto* r = static_cast<VELM_CAPS_RECORD*>(DrvCapsBuildRecord(c));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(plat::OpenPrinterHandles(), open_);
    ASSERT_NE(r->supportedItems, nullptr);
    EXPECT_EQ(r->supportedItems[0], 0xFF);
    EXPECT_EQ(r->supportedItems[4], 0xE0);
    EXPECT_EQ(r->presetFile, 1);
    EXPECT_EQ(r->nup, 1);
    EXPECT_EQ(r->watermarkEntry, 1);
    EXPECT_EQ(r->maxCopies, DrvCapsQuery(c, 17, nullptr));
    struct ListRow {
      int32_t id;
      int32_t count;
      const void* list;
    } lists[] = {
        {2, r->inputTrayCount, r->inputTrays},       {3, r->inputTrayNameCount, r->inputTrayNames},
        {4, r->mediaTypeCount, r->mediaTypes},       {5, r->mediaTypeNameCount, r->mediaTypeNames},
        {6, r->outputTrayCount, r->outputTrays},     {7, r->outputTrayNameCount, r->outputTrayNames},
        {10, r->paperCount, r->papers},              {11, r->paperNameCount, r->paperNames},
        {12, r->paperSizeCount, r->paperSizes},      {15, r->outputPaperCount, r->outputPapers},
        {16, r->outputPaperNameCount, r->outputPaperNames},
        {18, r->printMethodCount, r->printMethods},  {30, r->watermarkKindCount, r->watermarkKinds},
        {32, r->watermarkEntryCount, r->watermarkEntries},
        {33, r->watermarkEntryNameCount, r->watermarkEntryNames},
        {39, r->sortTypeCount, r->sortTypes},        {40, r->stapleTypeCount, r->stapleTypes},
        {41, r->punchTypeCount, r->punchTypes},      {45, r->emulationCount, r->emulations},
        {47, r->printAreaCount, r->printAreas},      {54, r->resolutionCount, r->resolutions},
        {56, r->markSheetTypeCount, r->markSheetTypes},
    };
    for (const ListRow& l : lists) {
      int32_t asked = DrvCapsQuery(c, l.id, nullptr);
      EXPECT_EQ(l.count, asked > 0 ? asked : 0) << "id " << l.id;
      EXPECT_EQ(l.list != nullptr, l.count > 0) << "id " << l.id;
    }
    // The margin limits only exist with the margins (the small model has none).
    EXPECT_EQ(r->margins, DrvCapsQuery(c, 34, nullptr));
    if (r->margins == 0) {
      EXPECT_EQ(r->maxSimplexMargin, 0);
      EXPECT_EQ(r->minSimplexMargin, 0);
      EXPECT_EQ(r->maxShiftMargin, 0);
      EXPECT_EQ(r->minShiftMargin, 0);
    } else {
      EXPECT_EQ(r->maxSimplexMargin, DrvCapsQuery(c, 35, nullptr));
      EXPECT_EQ(r->minShiftMargin, DrvCapsQuery(c, 38, nullptr));
    }
    if (r->paperSizeCount > 0) {
      EXPECT_GT(r->paperSizes[0].width, 0);
    }
    // The same record with the printer opened once.
    void* single = nullptr;
    DrvWithPrinter(c, [&](DriverContext* x) {
      single = DrvCapsBuildRecord(x, false);
      return 0;
    });
    ASSERT_NE(single, nullptr);
    auto* s = static_cast<VELM_CAPS_RECORD*>(single);
    EXPECT_EQ(s->paperCount, r->paperCount);
    EXPECT_EQ(s->outputTrayCount, r->outputTrayCount);
    EXPECT_EQ(s->resolutionCount, r->resolutionCount);
    DrvCapsFreeRecord(single);
    DrvCapsFreeRecord(r);
    DrvCapsFreeRecord(nullptr);
    EXPECT_EQ(plat::OpenPrinterHandles(), open_);
  }
}

}  // namespace
