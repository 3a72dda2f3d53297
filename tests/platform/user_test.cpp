#include <gtest/gtest.h>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/machineconf.h"
#include "plat/user.h"
#include "plat/wstr.h"
#include "temp_machine.h"

namespace {

using plat_test::TempMachine;

class MessageBox : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::ClearMessageBoxLog();
    plat::ClearFaults();
    plat::ResetCalls();
  }
  void TearDown() override {
    plat::ClearMessageBoxLog();
    plat::ClearFaults();
  }
  TempMachine machine_;
};

TEST_F(MessageBox, AnswersTheScriptThenTheMachineThenTheFirstButton) {
  struct Case {
    UINT type;
    int unscripted;  // the first button of the box
  };
  const Case cases[] = {{MB_OK, IDOK}, {MB_OKCANCEL, IDOK}, {MB_YESNO, IDYES}, {MB_YESNOCANCEL, IDYES},
                        {MB_ABORTRETRYIGNORE, IDABORT}, {MB_RETRYCANCEL, IDRETRY}};
  for (const Case& c : cases) EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", c.type | MB_ICONWARNING), c.unscripted);
  plat::ScriptMessageBoxAnswers({IDCANCEL, IDNO});
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_YESNO), IDNO);
  ASSERT_TRUE(plat::SetMachineSetting("msgbox.answer", "2"));
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OKCANCEL), IDCANCEL) << "the script is used up";
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(MessageBox, EveryBoxIsLoggedWithCaptionTextAndButtons) {
  plat::ScriptMessageBoxAnswers({IDCANCEL});
  MessageBoxW(nullptr, u"Paper jam\r\nin tray 2", u"Office", MB_OKCANCEL | MB_ICONWARNING);
  MessageBoxW(nullptr, nullptr, nullptr, MB_OK);
  auto log = plat::MessageBoxLog();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].caption, u"Office");
  EXPECT_EQ(log[0].text, u"Paper jam\r\nin tray 2");
  EXPECT_EQ(log[0].type, MB_OKCANCEL | MB_ICONWARNING);
  EXPECT_EQ(log[0].answer, IDCANCEL);
  EXPECT_EQ(log[1].caption, u"Error");
  EXPECT_EQ(log[1].text, u"");
  EXPECT_EQ(plat::MessageBoxButtonsText(log[0].type), "OK Cancel");
  auto calls = plat::CallLog();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "MessageBoxW Office | Paper jam\r\nin tray 2 | OK Cancel");
  EXPECT_EQ(plat::CallCount("MessageBoxW"), 2);
  for (int i = 0; i < 300; ++i) MessageBoxW(nullptr, u"t", u"c", MB_OK);
  EXPECT_EQ(plat::MessageBoxLog().size(), 256u) << "the newest boxes";
}

TEST_F(MessageBox, AFailedBoxAnswersZeroAndLogsNothing) {
  plat::FailNth("MessageBoxW", 1);
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OK), 0);
  EXPECT_TRUE(plat::MessageBoxLog().empty());
  EXPECT_EQ(MessageBoxW(nullptr, u"t", u"c", MB_OK), IDOK);
}

}  // namespace
