// The message boxes of the common library as VELMPD0 and VELMPD4 have them:
// nothing is shown, every box answers 0 and there is no wait dialog.
#include <gtest/gtest.h>

#include "plat/user.h"
#include "velm/messages.h"

namespace {

TEST(NoUiMessages, ShowNothingAndAnswerZero) {
  plat::ClearMessageBoxLog();
  plat::ScriptMessageBoxAnswers({IDOK, IDOK, IDOK});
  EXPECT_EQ(UiMessageBoxId(nullptr, nullptr, 10023), 0);
  EXPECT_EQ(UiMessageBoxIdOkCancel(nullptr, nullptr, 10017), 0);
  EXPECT_EQ(UiMessageBoxIdArg(nullptr, nullptr, 10023, u"C:\\\\x.qst"), 0);
  EXPECT_EQ(UiShowWaitDialog(nullptr, nullptr, 7001), nullptr);
  EXPECT_TRUE(plat::MessageBoxLog().empty());
}

}  // namespace
