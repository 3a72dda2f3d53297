// PATHOBJ enumeration in batches of a size a caller sets, and paths made of
// given batches.
#include <gtest/gtest.h>

#include <vector>

#include "eng/objects.h"

namespace {

struct Batch {
  FLONG flags;
  std::vector<POINTFIX> pts;
};

std::vector<Batch> Enumerate(PATHOBJ* ppo) {
  std::vector<Batch> out;
  PATHOBJ_vEnumStart(ppo);
  bool more = true;
  while (more) {
    PATHDATA pd{};
    more = PATHOBJ_bEnum(ppo, &pd);
    out.push_back({pd.flags, std::vector<POINTFIX>(pd.pptfx, pd.pptfx + pd.count)});
    if (out.size() > 1000) break;
  }
  return out;
}

eng::Path CurvyPath() {
  eng::Path p;
  p.MoveTo(0, 0);
  p.BezierTo(1, 2, 3, 4, 5, 6);
  p.BezierTo(7, 8, 9, 10, 11, 12);
  p.LineTo(20, 0);
  p.LineTo(30, 0);
  p.LineTo(40, 0);
  p.Close();
  p.MoveTo(100, 100);
  p.LineTo(110, 100);
  return p;
}

TEST(PathBatches, AnyLimitHandsOutTheSamePointsAndFlags) {
  eng::PathObject whole(CurvyPath());
  const std::vector<Batch> runs = Enumerate(whole.get());
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].flags, PD_BEGINSUBPATH | PD_BEZIERS);
  EXPECT_EQ(runs[0].pts.size(), 7u);
  EXPECT_EQ(runs[1].flags, PD_ENDSUBPATH | PD_CLOSEFIGURE);
  EXPECT_EQ(whole.get()->cCurves, 6u);

  for (ULONG limit : {1u, 2u, 3u, 4u, 5u}) {
    SCOPED_TRACE(limit);
    eng::PathObject path(CurvyPath());
    path.SetBatchPoints(limit);
    std::vector<Batch> batches = Enumerate(path.get());
    ASSERT_GT(batches.size(), runs.size());
    // Glue the batches back into runs: a run ends with a batch whose flags
    // end a subpath or change kind.
    size_t run = 0;
    std::vector<POINTFIX> pts;
    FLONG flags = 0;
    for (size_t i = 0; i < batches.size(); ++i) {
      const Batch& b = batches[i];
      EXPECT_LE(b.pts.size(), std::max<ULONG>(limit, 4)) << "batch " << i;
      if (b.flags & PD_BEZIERS) {
        const size_t lead = (b.flags & PD_BEGINSUBPATH) ? 1 : 0;
        EXPECT_EQ((b.pts.size() - lead) % 3, 0u) << "batch " << i;
      }
      if (pts.empty()) flags = b.flags & (PD_BEGINSUBPATH | PD_BEZIERS);
      EXPECT_EQ(b.flags & PD_BEZIERS, runs[run].flags & PD_BEZIERS);
      pts.insert(pts.end(), b.pts.begin(), b.pts.end());
      if (pts.size() == runs[run].pts.size()) {
        flags |= b.flags & (PD_ENDSUBPATH | PD_CLOSEFIGURE);
        EXPECT_EQ(flags, runs[run].flags) << "run " << run;
        for (size_t k = 0; k < pts.size(); ++k) {
          EXPECT_EQ(pts[k].x, runs[run].pts[k].x);
          EXPECT_EQ(pts[k].y, runs[run].pts[k].y);
        }
        pts.clear();
        ++run;
      } else {
        EXPECT_EQ(b.flags & (PD_ENDSUBPATH | PD_CLOSEFIGURE), 0u) << "batch " << i;
      }
    }
    EXPECT_EQ(run, runs.size());
  }
}

TEST(PathBatches, GivenBatchesComeBackAsTheyAre) {
  const std::vector<eng::PathBatch> given = {
      {PD_BEGINSUBPATH, {POINTFIX{16, 16}}},
      {PD_BEZIERS, {POINTFIX{1, 2}, POINTFIX{3, 4}, POINTFIX{5, 6}, POINTFIX{7, 8}}},
      {PD_ENDSUBPATH, {}},
  };
  eng::PathObject path(given, 99);
  ASSERT_NE(path.get(), nullptr);
  EXPECT_EQ(path.get()->cCurves, 99u);
  std::vector<Batch> got = Enumerate(path.get());
  ASSERT_EQ(got.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(got[i].flags, given[i].flags);
    EXPECT_EQ(got[i].pts.size(), given[i].pts.size());
  }
  RECTFX bounds{};
  PATHOBJ_vGetBounds(path.get(), &bounds);
  EXPECT_EQ(bounds.xLeft, 1);
  EXPECT_EQ(bounds.yBottom, 16);
  // Past the end the walk hands out nothing.
  PATHDATA pd{};
  EXPECT_FALSE(PATHOBJ_bEnum(path.get(), &pd));
  EXPECT_EQ(pd.count, 0u);
}

}  // namespace
