#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <map>
#include <thread>
#include <vector>

#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "env_test_machine.h"
#include "velm/devmode.h"
#include "velm/library.h"

namespace {

HANDLE H(uintptr_t v) { return reinterpret_cast<HANDLE>(v); }

// A machine with two printers of the driver: handles 1 and 3 (as the tests
// name them) are two handles of "Office A", handle 2 is "Office B", and
// handle 9 is no printer at all.
class ContextCache : public env_test::EnvMachine {
 protected:
  void SetUp() override {
    env_test::EnvMachine::SetUp();
    handles_by_number_[1] = AddPrinter(u"Office A", u"VELM Driver");
    handles_by_number_[2] = AddPrinter(u"Office B", u"VELM Driver");
    handles_by_number_[3] = Open(u"Office A");
    handles_by_number_[9] = H(0x9999);
    plat::SetTickOverride(now_);
    CtxSweepCache(1);
    CommonProcessDetach();  // a fresh process: no listed model image
    CommonProcessAttach(nullptr);
    live_ = plat::LiveGlobalBlocks();
  }
  void TearDown() override {
    CtxSweepCache(1);
    // What a process holds until it ends: the listed model images and the
    // driver mutex handle.
    CommonProcessDetach();
    CommonProcessAttach(nullptr);
    EXPECT_EQ(plat::LiveGlobalBlocks(), live_);  // nothing leaked
    plat::ReleaseTickOverride();
    CtxSetFirstRun(0);
    env_test::EnvMachine::TearDown();
  }
  HANDLE P(uintptr_t n) const { return handles_by_number_.at(n); }
  void At(DWORD t) { plat::SetTickOverride(t); }

  // A context that may be cached: kind 4 with the cache option, given the
  // working DEVMODE that kinds 0-3 build.
  DriverContext* OpenCtx(uintptr_t printer, uint16_t kind_word = 0x804, uint32_t flags = kOpenEntryPoint) {
    DriverContext* c = CtxOpenKind(P(printer), P(printer), kind_word, flags);
    if (c && !c->devmode) {
      c->devmode = static_cast<uint8_t*>(MemAllocZeroed(dm::kWorkBufferSize));
      dm::StampRegionOffsets(c->devmode);
    }
    return c;
  }

  DWORD now_ = 1000000;
  long live_ = 0;
  std::map<uintptr_t, HANDLE> handles_by_number_;
};

TEST_F(ContextCache, ReuseWithinHalfASecondThenExpiry) {
  DriverContext* a = OpenCtx(1);
  ASSERT_NE(a, nullptr);
  CtxClose(a);
  At(now_ + 100);
  DriverContext* b = OpenCtx(1);
  EXPECT_EQ(b, a);  // taken back
  CtxClose(b);
  At(now_ + 100 + 600);
  DriverContext* c = OpenCtx(1);
  ASSERT_NE(c, nullptr);
  // The expired context was destroyed by the sweep of this open; the new one
  // is a fresh build (it may reuse the address, so compare by content).
  EXPECT_EQ(c->work->changeMask, 0u);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(ContextCache, ExpiryAcrossTheWrapOfTheTickCount) {
  At(0xFFFFFF00u);
  DriverContext* a = OpenCtx(1);
  a->work->changeMask = 0xABCD;  // marks this very context
  CtxClose(a);
  At(0x100u);  // 512 ms later, after the wrap
  DriverContext* b = OpenCtx(1);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->work->changeMask, 0u);  // not the stale one
  CtxClose(b);
  At(0x100u + 400);
  DriverContext* c = OpenCtx(1);
  EXPECT_EQ(c, b);  // 400 ms: still fresh
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(ContextCache, AFullCacheDisplacesTheOldest) {
  DriverContext* a = OpenCtx(1);
  DriverContext* b = OpenCtx(1);
  DriverContext* c = OpenCtx(1);
  a->work->changeMask = 1;
  b->work->changeMask = 2;
  c->work->changeMask = 3;
  CtxClose(a);
  At(now_ + 10);
  CtxClose(b);
  At(now_ + 20);
  long before = plat::LiveGlobalBlocks();
  CtxClose(c);  // displaces a, destroyed at once
  EXPECT_LT(plat::LiveGlobalBlocks(), before);
  DriverContext* x = OpenCtx(1);
  DriverContext* y = OpenCtx(1);
  EXPECT_EQ(x->work->changeMask, 3u);  // slots in order: c took a's slot 1, b keeps slot 2
  EXPECT_EQ(y->work->changeMask, 2u);
  DriverContext* z = OpenCtx(1);
  EXPECT_EQ(z->work->changeMask, 0u);  // nothing left: a new one
  for (DriverContext* d : {x, y, z}) CtxCloseAs(d, kCloseDestroy);
}

TEST_F(ContextCache, MatchRules) {
  struct Case {
    const char* name;
    uint32_t released_flags;
    uint32_t disposition;
    uintptr_t open_printer;
    uint16_t open_kind;
    uint32_t open_flags;
    bool taken;
  } cases[] = {
      {"same everything", kOpenEntryPoint, kCloseToCache, 1, 0x804, kOpenEntryPoint, true},
      {"kind word 0 takes", kOpenEntryPoint, kCloseToCache, 1, 0, kOpenEntryPoint, true},
      {"kind word 0x300 never takes", kOpenEntryPoint, kCloseToCache, 1, 0x300, kOpenEntryPoint, false},
      {"other handle, same printer", kOpenEntryPoint, kCloseToCache, 3, 0x804, kOpenEntryPoint, false},
      {"0x1B00 takes whatever the handle", kOpenEntryPoint, kCloseToCache, 3, 0x1B00, kOpenEntryPoint, true},
      {"other printer", kOpenEntryPoint, kCloseToCache, 2, 0x1B00, kOpenEntryPoint, false},
      {"other flags", kOpenEntryPoint, kCloseToCache, 1, 0x804, kOpenDocNoUi, false},
      {"capability context in its own cache", kOpenCapability, kCloseToCapsCache, 1, 0x804, kOpenCapability, true},
      {"capability context invisible to others", kOpenCapability, kCloseToCapsCache, 1, 0x804, kOpenEntryPoint, false},
      {"unknown printer name: no match", kOpenEntryPoint, kCloseToCache, 9, 0x1B00, kOpenEntryPoint, false},
  };
  for (const Case& c : cases) {
    DriverContext* a = OpenCtx(1, 0x804, c.released_flags);
    ASSERT_NE(a, nullptr) << c.name;
    a->work->changeMask = 0x5A5A;
    CtxCloseAs(a, c.disposition);
    DriverContext* b = CtxOpenKind(P(c.open_printer), P(c.open_printer), c.open_kind, c.open_flags);
    if ((c.open_kind & 0xFF) <= 3 && !b) {
      // Kinds 0-3 need a model image; without one nothing is taken or built.
      EXPECT_FALSE(c.taken) << c.name;
    } else {
      ASSERT_NE(b, nullptr) << c.name;
      EXPECT_EQ(b->work->changeMask == 0x5A5A, c.taken) << c.name;
      CtxCloseAs(b, kCloseDestroy);
    }
    CtxSweepCache(1);
  }
}

TEST_F(ContextCache, AHitServesItsNewCaller) {
  DriverContext* a = OpenCtx(1, 0x0300 | 0x804, kOpenEntryPoint);  // options 0x100 and 0x200
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->work->kindOptions, 0x0B00);
  CtxClose(a);
  DriverContext* b = CtxOpenKind(P(3), P(3), 0x1B00, kOpenEntryPoint);
  ASSERT_EQ(b, a);
  EXPECT_EQ(b->printer, P(3));  // the caller's handle, not the closed one
  EXPECT_EQ(b->queryPrinter, P(3));
  EXPECT_EQ(b->work->kindOptions, 0x1B00);  // no inherited mutex or admin option
  EXPECT_EQ(b->work->kind, 0);
  CtxCloseAs(b, kCloseDestroy);
}

TEST_F(ContextCache, DocumentModeTwoNeedsADocumentSheetContext) {
  DriverContext* a = OpenCtx(1, 0x804, kOpenDocNoUi);
  a->work->documentSheetMode = 1;
  CtxClose(a);
  DriverContext* b = CtxOpenKind(P(1), P(1), 0x804, kOpenDocNoUi);
  EXPECT_EQ(b, a);  // mode 0: no sheet test
  CtxClose(b);
  DriverContext* c = CtxCreate(P(1), P(1), 0x804, kOpenDocNoUi, 2, nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c, b);
  CtxCloseAs(c, kCloseDestroy);
  CtxSweepCache(1);
  DriverContext* d = OpenCtx(1, 0x804, kOpenDocNoUi);
  d->work->documentSheetMode = 2;
  CtxClose(d);
  EXPECT_EQ(CtxCreate(P(1), P(1), 0x804, kOpenDocNoUi, 2, nullptr), d);
  CtxCloseAs(d, kCloseDestroy);
}

TEST_F(ContextCache, WhatIsNeverCached) {
  // No working DEVMODE: nothing worth keeping.
  DriverContext* bare = CtxOpenKind(P(1), P(1), 0x804, kOpenEntryPoint);
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(CtxReleaseToCache(bare, kCloseToCache), bare);
  CtxCloseAs(bare, kCloseDestroy);
  // The job-linker mode forbids caching.
  DriverContext* linked = OpenCtx(1);
  ASSERT_EQ(OptSetValueById(linked, 714, 1), 1);
  CtxClose(linked);
  DriverContext* again = OpenCtx(1);
  EXPECT_EQ(OptGetValueById(again, 714), 0);
  // Other dispositions destroy.
  EXPECT_EQ(CtxReleaseToCache(again, kCloseKeepFonts), again);
  CtxCloseAs(again, kCloseDestroy);
}

TEST_F(ContextCache, OpenFlagsAsStored) {
  DriverContext* pdev = CtxOpenKind(P(1), P(1), 4, kOpenPdevRequest);
  ASSERT_NE(pdev, nullptr);
  EXPECT_EQ(pdev->work->openFlags, kOpenPdev);
  CtxCloseAs(pdev, kCloseDestroy);
  CtxSetFirstRun(1);
  DriverContext* first = CtxOpenKind(P(1), P(1), 4, kOpenEntryPoint);
  EXPECT_EQ(first->work->openFlags, kOpenEntryPoint | kOpenFirstRun);
  CtxCloseAs(first, kCloseDestroy);
  CtxSetFirstRun(0);
  DriverContext* k = CtxOpenKind(P(2), P(2), 0x0207, kOpenEntryPoint);
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(k->work->kind, 7);
  EXPECT_EQ(k->work->kindOptions, 0x0200);
  EXPECT_EQ(std::u16string(k->work->printerName), u"Office B");
  EXPECT_EQ(k->devmode, nullptr);
  EXPECT_EQ(k->image, nullptr);
  CtxCloseAs(k, kCloseDestroy);
}

TEST_F(ContextCache, KindsNeedingAModelFailCleanlyAndRetry) {
  // While the model cannot be compiled (here: the printers' model file is
  // empty), kinds 0-3 cannot open, nothing is left behind, and each open
  // tries again: once the file is good the next open succeeds.
  const std::u16string model = std::u16string(env_test::kDriverDir) + u"model.mdf";
  Put(model, "");
  for (uint16_t kind : {0, 1, 2, 3}) {
    EXPECT_EQ(CtxOpenKind(P(1), P(1), kind, kOpenEntryPoint), nullptr);
    EXPECT_EQ(plat::LiveGlobalBlocks(), live_);
  }
  Put(model, "*FileVersion: 3.62\n");
  DriverContext* c = CtxOpenKind(P(1), P(1), 0, kOpenEntryPoint);
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c->image, nullptr);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(ContextCache, EveryAllocationFailureReleasesWhatWasBuilt) {
  // Fail each allocation of an open in turn: the open either copes (the
  // printer information is optional) or returns null, and nothing leaks.
  int refused = 0;
  for (int nth = 1; nth <= 40; ++nth) {
    plat::FailNth("GlobalAlloc", nth);
    DriverContext* c = CtxOpenKind(P(1), P(1), 4, kOpenEntryPoint);
    plat::ClearFaults();
    if (c) CtxCloseAs(c, kCloseDestroy);
    else ++refused;
    EXPECT_EQ(plat::LiveGlobalBlocks(), live_) << "failure at allocation " << nth;
  }
  EXPECT_GE(refused, 5);  // the table copies, the work record and its buffers
}

TEST_F(ContextCache, TablesAreCopiedPerContext) {
  DriverContext* a = CtxOpenKind(P(1), P(1), 4, kOpenEntryPoint);
  DriverContext* b = CtxOpenKind(P(1), P(1), 4, kOpenEntryPoint);
  ASSERT_NE(a->settings, b->settings);
  OptFindSetting(a, 7)->dirty = 1;
  EXPECT_EQ(OptFindSetting(b, 7)->dirty, 0);
  EXPECT_EQ(OptFindSetting(CtxGetTemplate(), 7)->dirty, 0);
  ASSERT_NE(a->dialogs, nullptr);
  a->dialogs->rows[0].items[0].hidden = 1;
  EXPECT_EQ(b->dialogs->rows[0].items[0].hidden, 0u);
  EXPECT_EQ(CtxGetTemplate()->dialogs->rows[0].items[0].hidden, 0u);
  a->model->maxCopies = 5;
  EXPECT_EQ(b->model->maxCopies, 999);
  CtxCloseAs(a, kCloseDestroy);
  CtxCloseAs(b, kCloseDestroy);
}

TEST_F(ContextCache, SavedDevmodeOwnsCopiesOfTheFontTables) {
  DriverContext* c = OpenCtx(1);
  // Two device fonts of 68 bytes.
  auto* fonts = static_cast<uint8_t*>(MemAllocZeroed(2 * 68));
  std::memset(fonts, 0x41, 2 * 68);
  uint32_t handle = CtxBlobAdd(c, fonts);
  ASSERT_NE(handle, 0u);
  OptSetValueById(c, 10006, 2);
  OptSetValueById(c, 10007, int32_t(handle));
  // A count larger than its table is never copied past the table's end.
  auto* subst = static_cast<uint8_t*>(MemAllocZeroed(128));
  OptSetValueById(c, 10004, 5);
  OptSetValueById(c, 10005, int32_t(CtxBlobAdd(c, subst)));
  ASSERT_EQ(CtxSaveDevmode(c), 1);
  uint32_t saved = uint32_t(OptGetSavedValueById(c, 10007));
  ASSERT_NE(saved, 0u);
  EXPECT_NE(saved, handle);
  EXPECT_EQ(OptGetSavedValueById(c, 10006), 2);
  EXPECT_EQ(OptGetSavedValueById(c, 10004), 0);
  EXPECT_EQ(OptGetSavedValueById(c, 10005), 0);
  CtxBlobFree(c, handle);  // free the working table: the copy stays intact
  const auto* copy = static_cast<const uint8_t*>(CtxBlobGet(c, saved));
  ASSERT_NE(copy, nullptr);
  for (int i = 0; i < 2 * 68; ++i) ASSERT_EQ(copy[i], 0x41);
  // The saved copy's header carries the fixed region offsets.
  uint16_t off;
  std::memcpy(&off, c->work->savedDevmode + dm::kRegion3Offset, 2);
  EXPECT_EQ(off, 1768);
  EXPECT_EQ(CtxFreeSavedFontTables(c), 1);
  EXPECT_EQ(CtxBlobGet(c, saved), nullptr);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(ContextCache, FontCountsAreUnsigned) {
  DriverContext* c = OpenCtx(1);
  OptSetValueById(c, 10006, 40000);  // above 32767
  EXPECT_EQ(uint16_t(OptGetValueById(c, 10006)), 40000);
  ASSERT_EQ(CtxSaveDevmode(c), 1);  // no table: count 0 in the copy, no huge allocation
  EXPECT_EQ(OptGetSavedValueById(c, 10006), 0);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(ContextCache, ManyThreadsOpenAndClose) {
  plat::ReleaseTickOverride();
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([this, t, &failures] {
      for (int i = 0; i < 200; ++i) {
        DriverContext* c = OpenCtx(1 + uintptr_t((t + i) % 2));
        if (!c) {
          ++failures;
          continue;
        }
        OptSetValueById(c, 7, t);
        CtxCloseAs(c, (i % 3) ? kCloseToCache : kCloseToCapsCache);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

// The built-in model facts agree with one another and with the rules that
// use them: a value out of step with its neighbours is a fault a reader of
// the single constants would not see.
TEST(ContextTemplate, ModelInfoAndReadOnlyUse) {
  const ModelInfo& m = CtxGetTemplate()->model ? *CtxGetTemplate()->model : CtxGetBuiltinModelInfo();
  EXPECT_EQ(&m, &CtxGetBuiltinModelInfo());
  // The announced DEVMODE version is the one of a DEVMODE of the public size.
  std::vector<uint8_t> dm(dm::kTotalSize, 0);
  const uint16_t public_size = uint16_t(DmGetPublicSize());
  std::memcpy(dm.data() + 68, &public_size, 2);
  EXPECT_EQ(DmGetSpecVersion(dm.data(), dm.size()), m.specVersion);
  // A private header made from the facts is one this driver takes back.
  DmInitPrivateHeader(dm.data(), nullptr);
  dm[372] = m.machineId;
  dm[857] = m.modelFlag ? 1 : 0;
  EXPECT_EQ(DmIsCompatible(dm.data()), 1);
  // Public defaults inside the ranges the validators allow.
  const uint16_t orientation = m.publicDefaults[0], scale = m.publicDefaults[4], copies = m.publicDefaults[5];
  EXPECT_TRUE(orientation == 1 || orientation == 2);
  EXPECT_GE(scale, m.scaleMin);
  EXPECT_LE(scale, m.scaleMax);
  EXPECT_GE(copies, m.copiesMin);
  EXPECT_LE(copies, m.copiesMax);
  EXPECT_EQ(m.maxCopies, m.copiesMax);
  EXPECT_EQ(m.publicDefaults[7], m.defaultResolution);   // dmPrintQuality
  EXPECT_EQ(m.publicDefaults[10], m.dstResolution[1]);   // dmYResolution
  EXPECT_EQ(m.dstResolution[0], m.defaultResolution);
  // The default paper is an option of dmPaperSize.
  DriverContext* tmpl = CtxGetTemplate();
  EXPECT_EQ(OptListHasValue(tmpl, OptFindSetting(tmpl, 8), m.publicDefaults[1]), 1);
  // Custom sizes: a real range, whose display limits convert back inside it.
  EXPECT_LT(m.customWidthMin, m.customWidthMax);
  EXPECT_LT(m.customLengthMin, m.customLengthMax);
  for (const char16_t* text : {m.iniFileName, m.spoolDllName, m.driverVersionText, m.versionStrings[0],
                               m.versionStrings[1], m.resourceDataDll, m.defaultFormName}) {
    ASSERT_NE(text, nullptr);
    EXPECT_GT(std::u16string(text).size(), 0u);
    EXPECT_EQ(std::u16string(text).find_first_of(u"\\/:"), std::u16string::npos) << plat::ToUtf8(text);
  }
  // The version strings fit the 16-byte items the private header stores them in.
  for (const char16_t* text : {m.iniFileName, m.versionStrings[0], m.versionStrings[1]})
    EXPECT_LT(std::u16string(text).size(), 16u) << plat::ToUtf8(text);
  DriverContext* t = CtxGetTemplate();
  EXPECT_EQ(OptGetValueById(t, 8), 0);  // every setting reads 0 through the template
  CtxClose(t);                          // closing the template does nothing
  EXPECT_EQ(CtxGetTemplate(), t);
}

}  // namespace

namespace {

// The library keeps the module handle it was attached with (its resources
// are looked up through it) until it is detached.
TEST(CommonLibrary, KeepsItsModuleHandleFromAttachToDetach) {
  int anchor = 0;
  HINSTANCE module = reinterpret_cast<HINSTANCE>(&anchor);
  CommonProcessDetach();
  CommonProcessAttach(module);
  EXPECT_EQ(CommonModuleHandle(), module);
  CommonProcessDetach();
  EXPECT_EQ(CommonModuleHandle(), nullptr);
  CommonProcessAttach(nullptr);
}

}  // namespace
