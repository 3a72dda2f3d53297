#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/kernel.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/model_cache.h"
#include "velm/model_query.h"

namespace {

using ctx_test::ModelMachine;

class CtxOpenModel : public ModelMachine {};

TEST_F(CtxOpenModel, KindsZeroToThreeBuildTheirModelParts) {
  UseModel("data/models/small.mdf");
  ModelImage* shared = nullptr;
  for (uint16_t kind : {0, 1, 2, 3}) {
    DriverContext* c = OpenKind(kind);
    ASSERT_NE(c, nullptr) << kind;
    EXPECT_EQ(c->work->kind, kind);
    ASSERT_NE(c->image, nullptr) << kind;
    if (!shared) shared = c->image;
    EXPECT_EQ(c->image, shared) << kind << ": one image for the model file";
    EXPECT_NE(c->work->evalStack, nullptr) << kind;
    ASSERT_NE(c->devmode, nullptr) << kind;
    EXPECT_EQ(DmIsCompatible(c->devmode), 1) << kind;
    EXPECT_EQ(OptGetValueById(c, 4), 220) << kind;
    EXPECT_EQ(OptGetOptionById(c, 8), ctx_test::Option("IDS_PAPERSIZE_A4")) << kind << ": the model's default";
    // The saved copy is the DEVMODE as it was at the open, with font tables
    // of its own: equal blocks behind other handles.
    std::vector<uint8_t> saved(c->work->savedDevmode, c->work->savedDevmode + dm::kWorkBufferSize);
    for (uint32_t table : {10005u, 10007u, 10009u}) {
      const SettingRecord* row = OptFindSetting(c, table);
      uint32_t mine = uint32_t(OptGetValueById(c, table)), theirs = uint32_t(OptGetSavedValueById(c, table));
      ASSERT_EQ(mine == 0, theirs == 0) << kind << " " << table;
      if (mine) {
        EXPECT_NE(mine, theirs) << kind << " " << table;
        void* a = CtxBlobGet(c, mine);
        void* b = CtxBlobGet(c, theirs);
        ASSERT_EQ(GlobalSize(a), GlobalSize(b));
        EXPECT_EQ(std::memcmp(a, b, GlobalSize(a)), 0) << kind << " " << table;
      }
      std::memcpy(saved.data() + kRegionStart[kRegionOptions] + row->offset, &mine, 4);
    }
    EXPECT_EQ(std::memcmp(saved.data(), c->devmode, dm::kWorkBufferSize), 0) << kind;
    EXPECT_NE(MdfFindItem(c, 8), 0u) << kind;
    CtxCloseAs(c, kCloseDestroy);
  }
  EXPECT_EQ(MdfListCount(), 1u);
  DriverContext* none = OpenKind(4);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->image, nullptr);
  EXPECT_EQ(none->devmode, nullptr);
  EXPECT_EQ(none->work->evalStack, nullptr);
  CtxCloseAs(none, kCloseDestroy);
}

// Models whose features are opened again (with a second word that is no
// variant number, or without one after a variant): the open compiles them,
// and every command pair of the image reads back as one of the file's texts.
TEST_F(CtxOpenModel, FeaturesOpenedAgainCompileWithTheirOwnCommandPairs) {
  for (const char* file : {"uaf_variant_word.mdf", "uaf_variant_zero.mdf", "uaf_variant_65536.mdf",
                           "uaf_reopen.mdf"}) {
    SCOPED_TRACE(file);
    Restart();
    UseModel(std::string("data/models/regress/") + file);
    DriverContext* c = OpenKind(0);
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->image, nullptr);
    int32_t pairs = 0;
    ImgFeature f;
    for (MdfItem item = MdfImgSlot(c->image, mdf_image::kSlotFeatures); item && MdfReadItem(c, item, &f);
         item = f.next) {
      ImgCommandPair pair;
      if (!f.commands || !MdfImgReadCommandPair(c->image, f.commands, &pair)) continue;
      ++pairs;
      const char* first = MdfImgText(c->image, pair.first);
      ASSERT_NE(first, nullptr);
      EXPECT_TRUE(std::strcmp(first, "@PJL SET SECOND = ") == 0 || std::strcmp(first, "@PJL SET RENDERMODE = ") == 0)
          << first;
      EXPECT_STREQ(MdfImgText(c->image, pair.second), "\r\n");
    }
    EXPECT_GE(pairs, 1);
    CtxCloseAs(c, kCloseDestroy);
  }
}

TEST_F(CtxOpenModel, AModelThatCannotBeCompiledFailsCleanlyAndTheNextOpenRetries) {
  const long before = plat::LiveGlobalBlocks();
  // No model file, then an empty one: nothing opens, nothing stays.
  EXPECT_EQ(OpenKind(0), nullptr);
  UseModelText("");
  for (uint16_t kind : {0, 1, 2, 3}) {
    EXPECT_EQ(OpenKind(kind), nullptr) << kind;
    EXPECT_EQ(plat::LiveGlobalBlocks(), before) << kind;
  }
  EXPECT_EQ(MdfListCount(), 0u);
  // Once the file is there the next open compiles it.
  UseModel("data/models/small.mdf");
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(MdfListCount(), 1u);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(CtxOpenModel, TheImageComesFromTheListThenTheCacheFile) {
  UseModel("../models/reference.mdf");  // its file version is the driver's: the compile writes the cache
  DriverContext* a = OpenKind(0);
  ASSERT_NE(a, nullptr);
  const uint32_t size = MdfImageSize(a->image);
  DriverContext* b = OpenKind(0x300);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->image, a->image);  // from the list
  CtxCloseAs(a, kCloseDestroy);
  CtxCloseAs(b, kCloseDestroy);
  std::string cache = Get(std::u16string(env_test::kDriverDir) + u"model.BCS");
  ASSERT_EQ(cache.size(), size);
  Restart();  // a new process: the list is empty, the cache file serves
  DriverContext* c = OpenKind(0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(MdfImageSize(c->image), size);
  EXPECT_EQ(std::memcmp(MdfImageBytes(c->image), cache.data(), size), 0);
  CtxCloseAs(c, kCloseDestroy);
}

TEST_F(CtxOpenModel, ACacheHitKeepsItsDevmodeAndServesTheNewCaller) {
  UseModel("data/models/small.mdf");
  plat::SetTickOverride(5000);
  DriverContext* a = OpenKind(0);
  ASSERT_NE(a, nullptr);
  OptSetValueById(a, 7, 2);
  CtxClose(a);
  plat::SetTickOverride(5100);
  HANDLE other = Open(u"Office");
  DriverContext* b = OpenKind(0x1B00, other);
  ASSERT_EQ(b, a);
  EXPECT_EQ(OptGetValueById(b, 7), 2);
  EXPECT_EQ(b->printer, other);
  EXPECT_NE(b->image, nullptr);
  EXPECT_NE(b->work->evalStack, nullptr);
  CtxCloseAs(b, kCloseDestroy);
  plat::ReleaseTickOverride();
}

// True when the allocation failure armed for the nth call was never reached.
bool FailureStillArmed(int nth) {
  for (int i = 0; i < nth; ++i)
    if (plat::ShouldFail("GlobalAlloc")) return true;
  return false;
}

TEST_F(CtxOpenModel, EveryAllocationFailureOfAnOpenReleasesWhatWasBuilt) {
  UseModel("data/models/small.mdf");
  const long before = plat::LiveGlobalBlocks();
  // Fail each allocation of a kind-0 open in turn, the model compile
  // included, until the open makes fewer allocations than the one to fail:
  // each open either copes or returns null, and nothing leaks either way.
  int refused = 0, nth = 1;
  for (;; ++nth) {
    MdfFreeModelList();
    plat::FailNth("GlobalAlloc", nth);
    DriverContext* c = OpenKind(0);
    bool reached = !FailureStillArmed(nth);
    plat::ClearFaults();
    if (c) {
      EXPECT_NE(c->devmode, nullptr) << nth;
      EXPECT_NE(c->work->evalStack, nullptr) << nth;
      CtxCloseAs(c, kCloseDestroy);
    } else {
      ++refused;
    }
    MdfFreeModelList();
    ASSERT_EQ(plat::LiveGlobalBlocks(), before) << "failure at allocation " << nth;
    if (!reached) {
      EXPECT_NE(c, nullptr) << "an open without any failure";
      break;
    }
  }
  EXPECT_GT(nth, 100);
  EXPECT_GE(refused, 20);
}

TEST_F(CtxOpenModel, EightThreadsOpenAndCloseKindsZeroToThreeOnTwoPrinters) {
  UseModel("data/models/small.mdf");
  HANDLE printers[2] = {printer_, AddPrinter(u"Office B", u"VELM Driver")};
  const int32_t a4 = ctx_test::Option("IDS_PAPERSIZE_A4");
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        uint16_t kind = uint16_t((t + i) % 4);
        DriverContext* c = OpenKind(kind, printers[(t + i) % 2]);
        if (!c || !c->devmode || !c->image) {
          ++failures;
          if (c) CtxCloseAs(c, kCloseDestroy);
          continue;
        }
        OptSetValueById(c, 7, 1 + (i % 2));
        if (RuleEvalJudge(c, 0) != 0 || MdfGetItemDefault(c, 8) != a4) ++failures;
        static const uint32_t kDispositions[] = {kCloseToCache, kCloseToCapsCache, kCloseDestroy};
        CtxCloseAs(c, kDispositions[i % 3]);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(MdfListCount(), 1u);
}

}  // namespace
