// User paper sizes as each library's build of the common library treats
// them: the merge of the public paper fields, the source and output paper
// geometry, and the paper dimensions of the page. The graphics library keeps
// user sizes in the page's orientation; the query library takes the custom
// size from the public fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library_build_support.h"
#include "merge_test_support.h"
#include "velm/dm_merge.h"
#include "velm/model_query.h"
#include "velm/presets.h"
#include "velm/units.h"

namespace {

using build_test::ByLibrary;
using merge_test::Bytes;
using merge_test::MergeContext;

constexpr uint32_t DM_ORIENTATION = 0x1, DM_PAPERSIZE = 0x2, DM_PAPERLENGTH = 0x4, DM_PAPERWIDTH = 0x8;
constexpr uint32_t kPaperBits = DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH;
constexpr uint32_t kLengths = DM_PAPERLENGTH | DM_PAPERWIDTH;
constexpr int32_t kA4Width = 9921, kA4Length = 14031;  // 1/1200 inch

// Fills user paper-size slot n (1/1200 inch) after the slots were loaded
// once, so that the context goes on using what is written here.
void Slot(DriverContext* ctx, int n, int32_t width, int32_t length) {
  ASSERT_EQ(FreeSizeRefreshSlots(ctx), 1);
  ctx->work->freeSizes[n].width = width;
  ctx->work->freeSizes[n].length = length;
}

// A length in 1/1200 inch as dots at 600 dpi, and one in 0.1 mm as dots.
int32_t Dots(int32_t device) { return int32_t(UnitRescale(uint32_t(device), 1200, 600)); }
int32_t DotsOfMm10(int32_t mm10) { return Dots(int32_t(UnitUserToDevice(kUnitMm10, uint32_t(mm10), 1200))); }

TEST(LibraryBuild, EachProgramRunsItsLibrarysBuild) {
  EXPECT_EQ(LibGetBuild().id, build_test::kLibrary);
  // The home functions differ nowhere in the printer-interface library.
  const LibraryBuild& b = LibGetBuild();
  if (b.id == LibraryId::kInterface) {
    EXPECT_FALSE(b.mergeWithoutUi || b.userPaperInPageOrientation || b.customPaperFromPublic || b.optionAsPassed);
  }
}

struct PublicPaper {
  SHORT size, length, width;
  uint32_t bits;  // of kPaperBits
  bool operator==(const PublicPaper&) const = default;
};
std::ostream& operator<<(std::ostream& os, const PublicPaper& p) {
  return os << "{" << p.size << ", " << p.length << " x " << p.width << ", bits " << p.bits << "}";
}

PublicPaper PaperOf(const DEVMODEW& d) { return {d.dmPaperSize, d.dmPaperLength, d.dmPaperWidth, d.dmFields & kPaperBits}; }

// The merge of the paper fields: the working DEVMODE starts as given, the
// input announces the fields and holds the values of the case. User slots 0
// and 1 hold A4 (2100 x 2970 in 0.1 mm).
TEST(LibraryBuild, MergeKeepsUserSizesInThePagesOrientationInTheGraphicsLibrary) {
  struct Case {
    const char* name;
    PublicPaper working;
    uint32_t fields;
    SHORT size, length, width, orientation;
    ByLibrary<PublicPaper> want;
  } cases[] = {
      {"slot 385 with both dimensions in landscape", {9, 0, 0, DM_PAPERSIZE}, DM_ORIENTATION | kPaperBits, 385, 1500,
       1000, 2,
       {{385, 2970, 2100, kPaperBits}, {385, 1000, 1500, kLengths}, {385, 2970, 2100, kPaperBits}}},
      {"slot 385 with both dimensions in portrait", {9, 0, 0, DM_PAPERSIZE}, DM_ORIENTATION | kPaperBits, 385, 1500,
       1000, 1,
       {{385, 2970, 2100, kPaperBits}, {385, 1500, 1000, kLengths}, {385, 2970, 2100, kPaperBits}}},
      {"A4 with both dimensions: the dimensions are not taken", {9, 0, 0, DM_PAPERSIZE}, DM_ORIENTATION | kPaperBits,
       9, 1500, 1000, 2,
       {{9, 2100, 2970, DM_PAPERSIZE}, {9, 2100, 2970, DM_PAPERSIZE}, {9, 2100, 2970, DM_PAPERSIZE}}},
      {"dimensions without a paper code in landscape", {9, 0, 0, DM_PAPERSIZE}, DM_ORIENTATION | kLengths, 8, 1500,
       1000, 2, {{8, 1500, 1000, kLengths}, {256, 1000, 1500, kLengths}, {8, 1500, 1000, kLengths}}},
      {"a slot code alone in landscape", {9, 0, 0, DM_PAPERSIZE}, DM_ORIENTATION | DM_PAPERSIZE, 384, 0, 0, 2,
       {{384, 2970, 2100, kPaperBits}, {384, 2100, 2970, kPaperBits}, {384, 2970, 2100, kPaperBits}}},
      {"orientation alone over a custom size", {256, 1500, 1000, kLengths}, DM_ORIENTATION, 9, 0, 0, 2,
       {{256, 1500, 1000, kLengths}, {256, 1000, 1500, kLengths}, {256, 1500, 1000, kLengths}}},
      {"orientation alone over a slot", {384, 2970, 2100, kPaperBits}, DM_ORIENTATION, 9, 0, 0, 2,
       {{384, 2970, 2100, kPaperBits}, {384, 2100, 2970, kPaperBits}, {384, 2970, 2100, kPaperBits}}},
      {"orientation alone over A4 refreshes it", {9, 0, 0, DM_PAPERSIZE}, DM_ORIENTATION, 9, 0, 0, 2,
       {{9, 2100, 2970, DM_PAPERSIZE}, {9, 2100, 2970, DM_PAPERSIZE}, {9, 2100, 2970, DM_PAPERSIZE}}},
  };
  for (const Case& c : cases) {
    MergeContext m;
    Slot(m.ctx, 0, kA4Width, kA4Length);
    Slot(m.ctx, 1, kA4Width, kA4Length);
    m.SetPublic([&](DEVMODEW& d) {
      d.dmPaperSize = c.working.size;
      d.dmPaperLength = c.working.length;
      d.dmPaperWidth = c.working.width;
      d.dmFields = (d.dmFields & ~kPaperBits) | c.working.bits;
      d.dmOrientation = 1;
    });
    Bytes in = m.Input([&](DEVMODEW& d) {
      d.dmFields = c.fields;
      d.dmPaperSize = c.size;
      d.dmPaperLength = c.length;
      d.dmPaperWidth = c.width;
      d.dmOrientation = c.orientation;
    });
    DmMergePublicFields(m.ctx, m.ctx->devmode, in.data());
    EXPECT_EQ(PaperOf(m.Public()), c.want.Here()) << c.name << " in " << build_test::LibraryName();
  }
}

// The source geometry of a user paper code (items 44 and 45 in dots at
// 600 dpi) and the public dimensions it leaves. Slot 0 (code 384) and the
// custom slot 9 (code 256) hold A4; the public fields hold 150 x 100 mm.
TEST(LibraryBuild, SourceGeometryOfUserPaper) {
  struct Result {
    int32_t length, width;  // items 44 and 45
    SHORT public_length, public_width;
    bool operator==(const Result&) const = default;
  };
  const int32_t a4_l = Dots(kA4Length), a4_w = Dots(kA4Width);
  const int32_t pub_l = DotsOfMm10(1500), pub_w = DotsOfMm10(1000);
  struct Case {
    const char* name;
    SHORT size, orientation;
    bool oriented;
    ByLibrary<Result> want;
  } cases[] = {
      {"slot, portrait", 384, 1, false,
       {{a4_l, a4_w, 2970, 2100}, {a4_l, a4_w, 2970, 2100}, {a4_l, a4_w, 2970, 2100}}},
      {"slot, landscape, plain form", 384, 2, false,
       {{a4_l, a4_w, 2970, 2100}, {a4_w, a4_l, 2100, 2970}, {a4_l, a4_w, 2970, 2100}}},
      {"slot, landscape, oriented form", 384, 2, true,
       {{a4_w, a4_l, 2100, 2970}, {a4_w, a4_l, 2100, 2970}, {a4_w, a4_l, 2970, 2100}}},
      {"custom size, portrait", 256, 1, false,
       {{a4_l, a4_w, 2970, 2100}, {a4_l, a4_w, 2970, 2100}, {pub_l, pub_w, 1500, 1000}}},
      {"custom size, landscape, plain form", 256, 2, false,
       {{a4_l, a4_w, 2970, 2100}, {a4_w, a4_l, 2100, 2970}, {pub_l, pub_w, 1500, 1000}}},
      {"custom size, landscape, oriented form", 256, 2, true,
       {{a4_w, a4_l, 2100, 2970}, {a4_w, a4_l, 2100, 2970}, {pub_w, pub_l, 1500, 1000}}},
  };
  for (const Case& c : cases) {
    MergeContext m;
    m.Set(42, 600);
    m.Set(43, 600);
    Slot(m.ctx, 0, kA4Width, kA4Length);
    Slot(m.ctx, 9, kA4Width, kA4Length);
    m.SetPublic([&](DEVMODEW& d) {
      d.dmPaperSize = c.size;
      d.dmPaperLength = 1500;
      d.dmPaperWidth = 1000;
      d.dmOrientation = c.orientation;
      d.dmFields &= ~kPaperBits;
    });
    if (c.oriented) DmSetPaperOriented(c.size, 8, m.ctx, m.ctx->devmode);
    else DmSetPaper(c.size, 8, m.ctx, m.ctx->devmode);
    const DEVMODEW d = m.Public();
    const Result got{m.Get(44), m.Get(45), d.dmPaperLength, d.dmPaperWidth};
    const Result& want = c.want.Here();
    const std::string name = std::string(c.name) + " in " + build_test::LibraryName();
    EXPECT_EQ(got.length, want.length) << name;
    EXPECT_EQ(got.width, want.width) << name;
    EXPECT_EQ(got.public_length, want.public_length) << name;
    EXPECT_EQ(got.public_width, want.public_width) << name;
    EXPECT_EQ(d.dmFields & kPaperBits, kPaperBits) << name;
  }
}

// The query library brings the public custom size into the user limits for
// the derived items only; the public fields keep what the caller wrote.
TEST(LibraryBuild, CustomSizeOutsideTheLimitsIsClampedForTheItemsOnly) {
  MergeContext m;
  m.Set(42, 600);
  Slot(m.ctx, 9, kA4Width, kA4Length);
  m.SetPublic([](DEVMODEW& d) {
    d.dmPaperSize = 256;
    d.dmPaperLength = 30000;  // 3 m
    d.dmPaperWidth = 10;      // 1 mm
    d.dmOrientation = 1;
  });
  DmSetPaper(256, 8, m.ctx, m.ctx->devmode);
  if (!build_test::InQuery()) {
    EXPECT_EQ(m.Get(44), Dots(kA4Length));  // the slot's size
    EXPECT_EQ(m.Public().dmPaperLength, 2970);
    return;
  }
  int32_t lo = 0, hi = 0;
  ASSERT_EQ(UnitGetFreeSizeLimits(m.ctx, 860, &lo, &hi), 1);
  EXPECT_EQ(m.Get(45), Dots(UnitSetUserValue(m.ctx, 0, lo)));
  ASSERT_EQ(UnitGetFreeSizeLimits(m.ctx, 861, &lo, &hi), 1);
  EXPECT_EQ(m.Get(44), Dots(UnitSetUserValue(m.ctx, 0, hi)));
  EXPECT_EQ(m.Public().dmPaperLength, 30000);
  EXPECT_EQ(m.Public().dmPaperWidth, 10);
}

// Output code 1024 ("as the source"): the graphics library copies the source
// geometry whatever the source paper; the others only for a user slot.
TEST(LibraryBuild, OutputSameAsSourceCopiesForAnyPaperInTheGraphicsLibrary) {
  MergeContext m;
  m.Set(42, 600);
  m.Set(43, 600);
  m.SetPublic([](DEVMODEW& d) {
    d.dmPaperSize = 9;
    d.dmOrientation = 1;
  });
  DmSetPaper(9, 8, m.ctx, m.ctx->devmode);
  DmSetOutputPaper(9, 50, m.ctx, m.ctx->devmode);
  const std::vector<int32_t> a4 = m.Geometry(51);
  const std::vector<int32_t> source = {7000, 5000, 6900, 4800, 100, 100};
  for (uint32_t i = 0; i < 6; ++i) m.Set(44 + i, source[i]);
  DmSetOutputPaper(1024, 50, m.ctx, m.ctx->devmode);
  EXPECT_EQ(m.Geometry(51), (ByLibrary<std::vector<int32_t>>{a4, source, a4}.Here()))
      << build_test::LibraryName();
}

// The page's paper dimensions for a custom size: the DEVMODE's own values,
// never exchanged; in the graphics library also through the model query.
TEST(LibraryBuild, PaperDimsOfTheCustomSizeAreTheDevmodesOwn) {
  MergeContext m;
  for (SHORT orientation : {SHORT(1), SHORT(2)}) {
    for (uint32_t announced : {DM_PAPERSIZE | kLengths, kLengths}) {
      m.SetPublic([&](DEVMODEW& d) {
        d.dmPaperSize = 256;
        d.dmPaperLength = 1500;
        d.dmPaperWidth = 1000;
        d.dmOrientation = orientation;
        d.dmFields = (d.dmFields & ~kPaperBits) | announced;
      });
      PaperPair dims{};
      ASSERT_EQ(FreeSizeGetPaperDims(m.ctx, 256, &dims), 1);
      EXPECT_EQ(dims.width, 1000) << orientation;
      EXPECT_EQ(dims.length, 1500) << orientation;
      PaperPair query{};
      const int32_t answered = MdfGetPaperDims(m.ctx, &query);
      if (build_test::InGraphics()) {
        EXPECT_EQ(answered, 1);
        EXPECT_EQ(query.width, 1000) << orientation;
        EXPECT_EQ(query.length, 1500) << orientation;
      } else {
        // The model's table: its custom paper has no dimensions.
        EXPECT_TRUE(answered == 0 || (query.width != 1000 && query.length != 1500)) << orientation;
      }
    }
  }
}

}  // namespace
