#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pjl_test_support.h"
#include "plat/kernel.h"
#include "velm/settings.h"

namespace {

using pjl_test::Engine;
using pjl_test::Line;
using pjl_test::MinimalBase;

constexpr uint32_t kFin1000 = 10049, kDuplexUnit = 10014;
// The installed duplex unit as the option conditions read it: the DEVMODE
// copy of the printer-wide item, and the model's support of it.
constexpr uint32_t kDuplexUnitCopy = 443, kDuplexSupport = 250;

std::string ReferenceModel() { return ctx_test::ReadFile(ctx_test::DataPath("../models/reference.mdf")); }

// ---- bases ---------------------------------------------------------------------------

TEST(PjlBase, NeedsAllFourBaseVariables) {
  const char* names[] = {"APLPAGESIZE", "APLPAGELAYOUT", "PAPER", "TRAY"};
  const char* values[] = {"A4", "PORTRAIT", "A4", "TRAY1"};
  for (int missing = 0; missing < 4; ++missing) {
    std::string base = Line("COLLATE", "OFF");
    for (int i = 0; i < 4; ++i)
      if (i != missing) base += Line(names[i], values[i]);
    Engine e;
    EXPECT_EQ(e.SetBase(base), kExcNoBase) << "without " << names[missing];
    EXPECT_EQ(e.h.baseText, nullptr);
    EXPECT_EQ(e.h.baseLength, 0);
    for (uint32_t item = 1; item <= 732; ++item) EXPECT_FALSE(e.Recorded(item)) << "item " << item;
  }
  Engine e;
  EXPECT_EQ(e.SetBase(MinimalBase()), kExcOk);
  EXPECT_EQ(e.h.baseLength, int32_t(MinimalBase().size() + 1));
  EXPECT_EQ(e.Value(8), 9);
  EXPECT_EQ(e.Value(7), 1);
  EXPECT_EQ(e.Value(50), 9);
  EXPECT_EQ(e.Value(13), 1);
  Engine none;
  int32_t length = -7;
  EXPECT_EQ(ExcSetBase(&none.h, nullptr, &length), kExcNoBase);
  EXPECT_EQ(length, 0);
}

TEST(PjlBase, MalformedLineMidBaseLeavesNothingBehind) {
  for (const std::string& bad : {std::string("@PJL SET TRAY= TRAY1 \r\n"), std::string("@PJL SET TRAY = TRAY1 \n"),
                                 std::string("@PJL set TRAY = TRAY1 \r\n"), Line("TRAY", std::string(300, 'T'))}) {
    Engine e;
    EXPECT_EQ(e.SetBase(Line("STAPLE", "LEFTTOP") + MinimalBase() + bad + Line("COLLATE", "OFF")), kExcFailed);
    EXPECT_EQ(e.h.baseText, nullptr);
    EXPECT_FALSE(e.Recorded(66)) << "the lines before the bad one are forgotten";
    EXPECT_FALSE(e.Recorded(8));
    // The forced-feed variable is settable without a base; with none it
    // finds nothing to compare.
    EXPECT_EQ(e.Update(Line("FORCEFEED", "LEF")), kExcOk);
    EXPECT_EQ(e.h.changeText, nullptr);
    EXPECT_EQ(e.h.baseText, nullptr);
  }
}

TEST(PjlBase, RebuildKeepsTheCallersOrderAndDropsUnknownNames) {
  Engine e;
  std::string base = Line("TRAY", "TRAY1") + Line("NOSUCH", "1") + Line("PAPER", "A4") + Line("COLLATE", "OFF") +
                     Line("APLPAGELAYOUT", "PORTRAIT") + Line("APLPAGESIZE", "A4");
  EXPECT_EQ(e.SetBase(base), kExcOk);
  EXPECT_EQ(e.Base(), Line("TRAY", "TRAY1") + Line("PAPER", "A4") + Line("COLLATE", "OFF") +
                          Line("APLPAGELAYOUT", "PORTRAIT") + Line("APLPAGESIZE", "A4"));
  // The rendered text is in item order instead.
  EXPECT_EQ(e.Rendered(), Line("APLPAGELAYOUT", "PORTRAIT") + Line("APLPAGESIZE", "A4") + Line("TRAY", "TRAY1") +
                              Line("PAPER", "A4") + Line("COLLATE", "OFF"));
}

TEST(PjlUpdate, NeedsASettableCommandVariable) {
  Engine e;
  ASSERT_EQ(e.SetBase(MinimalBase()), kExcOk);
  std::string before = e.Base();
  EXPECT_EQ(e.Update(Line("STAPLE", "LEFTTOP")), kExcOk) << "not set by the base";
  EXPECT_FALSE(e.Recorded(136));
  EXPECT_EQ(e.Update(Line("USERCODE", "\"1\"")), kExcOk) << "a printer value, not a command variable";
  EXPECT_EQ(e.Update(Line("NOSUCH", "1")), kExcOk);
  EXPECT_EQ(e.Update(""), kExcOk);
  int32_t length = -7;
  EXPECT_EQ(ExcUpdateLine(&e.h, nullptr, &length), kExcOk);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(e.Update("@PJL SET TRAY=TRAY2 \r\n"), kExcFailed);
  EXPECT_EQ(e.Base(), before);
  EXPECT_EQ(e.Value(13), 1);
}

// ---- forced feed direction -------------------------------------------------------------

// Finishing side 1, 2 or neither: the Fin1000 finisher staples slant
// position 33 along a portrait sheet (side 1), 34 across it (side 2); with
// stapling off the side is neither.
TEST(PjlForcedFeed, TheFinishingSideRewritesTheBaseLine) {
  struct Side {
    const char* staple;
    const char* word;
  } sides[] = {{"RIGHTTOPSLANT", "SEF"}, {"LEFTTOPSLANT", "LEF"}, {"OFF", "ALL"}};
  for (const Side& side : sides) {
    for (const char* in_base : {"SEF", "LEF", "ALL"}) {
      SCOPED_TRACE(std::string(side.staple) + " with " + in_base + " in the base");
      Engine e;
      OptSetValueById(e.ctx(), kFin1000, 1);
      std::string base = MinimalBase() + Line("FORCEFEED", in_base) + Line("STAPLE", side.staple);
      bool differs = std::strcmp(side.word, in_base) != 0;
      EXPECT_EQ(e.SetBase(base), differs ? kExcChanged : kExcOk);
      EXPECT_EQ(e.Change(), differs ? Line("FORCEFEED", side.word) : "");
      EXPECT_EQ(e.Base(), MinimalBase() + Line("FORCEFEED", side.word) + Line("STAPLE", side.staple));
    }
  }
  // Neither stapling nor punching recorded: the line is left alone.
  Engine e;
  OptSetValueById(e.ctx(), kFin1000, 1);
  EXPECT_EQ(e.SetBase(MinimalBase() + Line("FORCEFEED", "LEF")), kExcOk);
  EXPECT_EQ(e.h.changeText, nullptr);
  EXPECT_EQ(e.Update(Line("FORCEFEED", "SEF")), kExcOk);
  EXPECT_EQ(e.h.changeText, nullptr);
}

TEST(PjlForcedFeed, ARefusedUpdateReportsTheBaseValueTwiceAndKeepsTheBase) {
  Engine e;
  OptSetValueById(e.ctx(), kFin1000, 1);
  ASSERT_EQ(e.SetBase(MinimalBase() + Line("STAPLE", "RIGHTTOPSLANT") + Line("FORCEFEED", "SEF")), kExcOk);
  std::string base = e.Base();
  // Once from the compare, once from the forced-feed check: callers count
  // on the line being there, and it comes twice.
  EXPECT_EQ(e.Update(Line("FORCEFEED", "LEF")), kExcChanged);
  EXPECT_EQ(e.Change(), Line("FORCEFEED", "SEF") + Line("FORCEFEED", "SEF"));
  EXPECT_EQ(e.h.changeLength, int32_t(2 * Line("FORCEFEED", "SEF").size() + 1));
  EXPECT_EQ(e.Base(), base);
  // Asking for the value the base has is no change at all.
  EXPECT_EQ(e.Update(Line("FORCEFEED", "SEF")), kExcOk);
  EXPECT_EQ(e.h.changeText, nullptr);
  EXPECT_EQ(e.Base(), base);
}

// ---- booklet and binding -------------------------------------------------------------------

TEST(PjlBooklet, BindingValuesFollowTheBookletValue) {
  struct Booklet {
    const char* text;
    int32_t value;
    int32_t first;  // the binding value of "TOP"
  } booklets[] = {{"OFF", 0, 1}, {"BOOKLETC", 1, 17}, {"BOOKLETF", 2, 20}};
  struct Binding {
    const char* text;
    int32_t offset;
  } bindings[] = {{"LEFT", 2}, {"RIGHT", 1}, {"TOP", 0}};
  for (const Booklet& b : booklets) {
    for (const Binding& d : bindings) {
      SCOPED_TRACE(std::string(b.text) + " x " + d.text);
      // Either order of the lines gives the same binding value.
      for (bool booklet_first : {true, false}) {
        Engine e;
        std::string lines = booklet_first ? Line("BOOKLET", b.text) + Line("BINDING", d.text)
                                          : Line("BINDING", d.text) + Line("BOOKLET", b.text);
        ASSERT_EQ(e.SetBase(MinimalBase() + Line("DUPLEX", "ON") + lines), kExcOk) << e.Change();
        EXPECT_EQ(e.Value(102), b.first + d.offset);
        EXPECT_EQ(e.Value(732), b.value);
        std::string rendered = e.Rendered();
        EXPECT_NE(rendered.find(Line("BINDING", d.text)), std::string::npos) << rendered;
        EXPECT_NE(rendered.find(Line("BOOKLET", b.text)), std::string::npos) << rendered;
      }
    }
  }
}

TEST(PjlBooklet, AnUpdateOfTheBookletMovesTheBinding) {
  Engine e;
  ASSERT_EQ(e.SetBase(MinimalBase() + Line("DUPLEX", "ON") + Line("BINDING", "LEFT") + Line("BOOKLET", "OFF")),
            kExcOk);
  EXPECT_EQ(e.Value(102), 3);
  EXPECT_EQ(e.Update(Line("BOOKLET", "BOOKLETC")), kExcOk);
  EXPECT_EQ(e.Value(102), 19);
  EXPECT_EQ(OptGetValueById(e.ctx(), 102), 19);
  EXPECT_EQ(e.Value(732), 1);
  EXPECT_EQ(e.Base(), MinimalBase() + Line("DUPLEX", "ON") + Line("BINDING", "LEFT") + Line("BOOKLET", "BOOKLETC"));
  EXPECT_EQ(e.Update(Line("BINDING", "TOP")), kExcOk);
  EXPECT_EQ(e.Value(102), 17);
  EXPECT_EQ(e.Value(732), 1) << "derived back from the binding";
}

// ---- collate ---------------------------------------------------------------------------

TEST(PjlCollate, OffClearsTheSwitchAndKeepsTheSortType) {
  Engine e;
  ASSERT_EQ(e.SetBase(MinimalBase() + Line("COLLATE", "SHIFT")), kExcOk);
  EXPECT_EQ(e.Value(64), 1);
  EXPECT_EQ(e.Value(129), 4);
  EXPECT_EQ(e.Update(Line("COLLATE", "OFF")), kExcOk);
  EXPECT_EQ(e.Value(64), 0);
  EXPECT_EQ(OptGetValueById(e.ctx(), 64), 0);
  EXPECT_EQ(e.Value(129), 4) << "the default row sets nothing of its own";
  EXPECT_EQ(e.Rendered(), Line("APLPAGELAYOUT", "PORTRAIT") + Line("APLPAGESIZE", "A4") + Line("TRAY", "TRAY1") +
                              Line("PAPER", "A4") + Line("COLLATE", "OFF"));
  EXPECT_EQ(e.Base(), MinimalBase() + Line("COLLATE", "OFF"));
  EXPECT_EQ(e.Update(Line("COLLATE", "SORT")), kExcOk);
  EXPECT_EQ(e.Value(64), 1);
  EXPECT_EQ(e.Value(129), 1);
}

// ---- the model's rules ---------------------------------------------------------------------

// The reference model turns duplex printing off on small paper (a Transact
// of its paper-size feature): a base for A4 portrait from tray 1 with
// duplex on, then A6.
struct ReferenceScenario {
  ReferenceScenario() : e(ReferenceModel()) {
    for (uint32_t item : {kDuplexUnit, kDuplexUnitCopy, kDuplexSupport, kFin1000}) OptSetValueById(e.ctx(), item, 1);
  }
  std::string BaseText() const {
    return Line("COLLATE", "OFF") + Line("UNKNOWN", "X") + Line("DUPLEX", "ON") + MinimalBase() +
           Line("STAPLE", "OFF");
  }
  Engine e;
};

TEST(PjlRules, AForcedChangeIsReportedAndTheBaseKeepsItsOrder) {
  ReferenceScenario s;
  ASSERT_EQ(s.e.SetBase(s.BaseText()), kExcOk) << s.e.Change();
  const std::string rebuilt = Line("COLLATE", "OFF") + Line("DUPLEX", "ON") + MinimalBase() + Line("STAPLE", "OFF");
  EXPECT_EQ(s.e.Base(), rebuilt);

  EXPECT_EQ(s.e.Update(Line("APLPAGESIZE", "A6")), kExcChanged);
  EXPECT_EQ(s.e.Change(), Line("DUPLEX", "OFF")) << "exactly the forced line, not the update itself";
  EXPECT_EQ(s.e.h.changeLength, int32_t(Line("DUPLEX", "OFF").size() + 1));
  EXPECT_EQ(s.e.Base(), Line("COLLATE", "OFF") + Line("DUPLEX", "OFF") + Line("APLPAGESIZE", "A6") +
                            Line("APLPAGELAYOUT", "PORTRAIT") + Line("PAPER", "A4") + Line("TRAY", "TRAY1") +
                            Line("STAPLE", "OFF"));
  EXPECT_EQ(s.e.Value(61), 0);

  // Asking for duplex again on A6 is refused: the line reports the value
  // that stands, and the base keeps it.
  std::string base = s.e.Base();
  EXPECT_EQ(s.e.Update(Line("DUPLEX", "ON")), kExcChanged);
  EXPECT_EQ(s.e.Change(), Line("DUPLEX", "OFF"));
  EXPECT_EQ(s.e.Base(), base);

  // Back on A4 duplex is allowed again: nothing forced.
  EXPECT_EQ(s.e.Update(Line("APLPAGESIZE", "A4")), kExcOk);
  EXPECT_EQ(s.e.Update(Line("DUPLEX", "ON")), kExcOk);
  EXPECT_EQ(s.e.h.changeText, nullptr);
  EXPECT_EQ(s.e.Base(), rebuilt);
}

TEST(PjlRules, OnlyAllowedValuesPassATrial) {
  ReferenceScenario s;
  ASSERT_EQ(s.e.SetBase(s.BaseText()), kExcOk);
  auto list = [&](const char* name, int32_t only_allowed) {
    ExcTextBuffer b{};
    EXPECT_TRUE(ExcTextInit(&b));
    EXPECT_EQ(ExcBuildValueList(&s.e.h, name, only_allowed, &b), kExcOk);
    std::vector<std::string> entries = pjl_test::ListEntries(b.text, b.length);
    ExcTextFree(&b);
    return entries;
  };
  EXPECT_EQ(list("DUPLEX", 1), (std::vector<std::string>{"ON", "OFF"}));
  ASSERT_EQ(s.e.Update(Line("APLPAGESIZE", "A6")), kExcChanged);
  EXPECT_EQ(list("DUPLEX", 1), (std::vector<std::string>{"OFF"})) << "duplex would be turned off again";
  EXPECT_EQ(list("DUPLEX", 0), (std::vector<std::string>{"ON", "OFF"}));
}

TEST(PjlRules, ATrialLeavesTheHandleAndTheSettingsByteIdentical) {
  ReferenceScenario s;
  ASSERT_EQ(s.e.SetBase(s.BaseText() + Line("BOOKLET", "BOOKLETC") + Line("BINDING", "LEFT")), kExcOk);
  ASSERT_EQ(s.e.Update(Line("APLPAGESIZE", "A6")), kExcChanged);
  DriverContext* ctx = s.e.ctx();
  std::vector<uint8_t> work(ctx->devmode, ctx->devmode + kWorkBufferSize);
  std::vector<uint8_t> flags(s.e.h.setFlags, s.e.h.setFlags + kExcItemCount);
  std::vector<int32_t> values(s.e.h.values, s.e.h.values + kExcItemCount);
  std::string base = s.e.Base(), change = s.e.Change();
  uint32_t mask = ctx->work->changeMask;
  for (const char* name : {"DUPLEX", "TRAY", "PAPER", "APLPAGESIZE", "BINDING", "BOOKLET", "COLLATE", "STAPLE",
                           "FORCEFEED", "COPIES", "NUP"}) {
    ExcTextBuffer b{};
    ASSERT_TRUE(ExcTextInit(&b));
    EXPECT_EQ(ExcBuildValueList(&s.e.h, name, 1, &b), kExcOk) << name;
    ExcTextFree(&b);
    EXPECT_TRUE(std::equal(work.begin(), work.end(), ctx->devmode)) << name << ": the work buffer changed";
    EXPECT_TRUE(std::equal(flags.begin(), flags.end(), s.e.h.setFlags)) << name;
    EXPECT_TRUE(std::equal(values.begin(), values.end(), s.e.h.values)) << name;
    EXPECT_EQ(ctx->work->changeMask, mask) << name;
  }
  EXPECT_EQ(s.e.Base(), base);
  EXPECT_EQ(s.e.Change(), change);
}

TEST(PjlRules, AllocationFailureInARunGivesFailureAndKeepsTheBase) {
  // The run without a fault, for comparison.
  std::string clean_change, clean_base;
  int32_t clean = 0;
  {
    ReferenceScenario s;
    ASSERT_EQ(s.e.SetBase(s.BaseText()), kExcOk);
    clean = s.e.Update(Line("APLPAGESIZE", "A6"));
    clean_change = s.e.Change();
    clean_base = s.e.Base();
  }
  ASSERT_EQ(clean, kExcChanged);
  int failed_runs = 0;
  for (int nth = 1; nth < 200; ++nth) {
    ReferenceScenario s;
    ASSERT_EQ(s.e.SetBase(s.BaseText()), kExcOk);
    std::string before = s.e.Base();
    uint32_t refused = MemAllocFailures();
    plat::FailNth("GlobalAlloc", nth);
    int32_t r = s.e.Update(Line("APLPAGESIZE", "A6"));
    plat::ClearFaults();
    bool hit = MemAllocFailures() != refused;
    if (r == kExcFailed) {
      ++failed_runs;
      EXPECT_EQ(s.e.Base(), before) << "allocation " << nth;
      EXPECT_EQ(s.e.h.changeText, nullptr) << "allocation " << nth;
      EXPECT_EQ(s.e.h.changeLength, 0);
    } else {
      // A refusal the run could do without must not change its answer.
      EXPECT_EQ(r, clean) << "allocation " << nth;
      EXPECT_EQ(s.e.Change(), clean_change) << "allocation " << nth;
      EXPECT_EQ(s.e.Base(), clean_base) << "allocation " << nth;
    }
    if (!hit) break;
  }
  EXPECT_GE(failed_runs, 3) << "the run's own texts are allocated";
}

}  // namespace
