#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/calls.h"

namespace {

class Calls : public ::testing::Test {
 protected:
  void SetUp() override { plat::ResetCalls(); }
  void TearDown() override { plat::ResetCalls(); }
};

// A service counted under names built at run time is one count, whichever
// copy of its name is given.
TEST_F(Calls, CountsByTheTextOfTheName) {
  std::string a = "SomeLongServiceNameW", b = a;
  plat::NoteCall(a.c_str());
  plat::NoteCall(b.c_str(), "with detail");
  EXPECT_EQ(plat::CallCount("SomeLongServiceNameW"), 2);
  EXPECT_EQ(plat::CallCount("SomeLongServiceName"), 0);
  ASSERT_EQ(plat::CallLog().size(), 1u);
  EXPECT_EQ(plat::CallLog()[0], "SomeLongServiceNameW with detail");
}

// The log keeps the newest 4096 entries oldest first, across any number of
// wraps, and starts over after a reset.
TEST_F(Calls, LogKeepsTheNewestEntriesInOrder) {
  struct Case {
    int logged;
  };
  for (Case c : std::vector<Case>{{1}, {4095}, {4096}, {4097}, {5000}, {3 * 4096 + 7}}) {
    SCOPED_TRACE(c.logged);
    plat::ResetCalls();
    for (int i = 0; i < c.logged; ++i) plat::NoteCall("Service", std::to_string(i));
    std::vector<std::string> log = plat::CallLog();
    const int kept = c.logged < 4096 ? c.logged : 4096;
    ASSERT_EQ(log.size(), size_t(kept));
    for (int i = 0; i < kept; ++i) {
      const int n = c.logged - kept + i;
      if (log[size_t(i)] != "Service " + std::to_string(n)) {
        ADD_FAILURE() << "entry " << i << " is " << log[size_t(i)] << ", not call " << n;
        break;
      }
    }
    EXPECT_EQ(plat::CallCount("Service"), c.logged);
  }
  plat::ResetCalls();
  plat::NoteCall("Other", "x");
  EXPECT_EQ(plat::CallLog(), std::vector<std::string>{"Other x"});
  EXPECT_EQ(plat::CallCount("Service"), 0);
}

}  // namespace
