#include <gtest/gtest.h>

#include "plat/kernel.h"
#include "plat/user.h"
#include "qst_test_machine.h"
#include "velm/messages.h"

namespace {

class Messages : public qst_test::QstMachine {
 protected:
  std::string Shown(const UiMessageRequest& r) {
    plat::ClearMessageBoxLog();
    UiShowMessage(ctx_, &r, nullptr);
    auto log = plat::MessageBoxLog();
    return log.empty() ? "<none>" : plat::ToUtf8(log.back().text);
  }
};

TEST_F(Messages, RequestsAreFormattedAndRefused) {
  const uint16_t numbers[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const char16_t* path = u"C:\\a.qst";
  struct Case {
    const char* name;
    int16_t kind;
    uint16_t count;
    const void* argument;
    const char16_t* prefix;
    const char16_t* suffix;
    const char* shown;
  };
  const std::string fmt = qst_test::kMismatchText;
  const Case cases[] = {
      {"one string", 1, 0, path, nullptr, nullptr, "The settings file C:\\a.qst does not fit this printer."},
      {"kind 1 without argument shows the plain text", 1, 0, nullptr, nullptr, nullptr, qst_test::kMismatchText},
      {"prefix and suffix", 0, 0, nullptr, u"Before", u"After",
       "Before\r\n\r\nThe settings file %s does not fit this printer.\r\n\r\nAfter\r\n\r\n"},
      {"kind 0 with an argument is refused", 0, 0, path, nullptr, nullptr, "<none>"},
      {"kind 2 without numbers is refused", 2, 0, numbers, nullptr, nullptr, "<none>"},
      {"nine numbers format with the first", 2, 9, numbers, nullptr, nullptr,
       "The settings file %s does not fit this printer."},
  };
  for (const Case& c : cases) {
    UiMessageRequest r{};
    r.textId = 10023;
    r.iconFlags = MB_ICONWARNING;
    r.argumentKind = c.kind;
    r.numberCount = c.count;
    r.argument = c.argument;
    r.prefix = c.prefix;
    r.suffix = c.suffix;
    EXPECT_EQ(Shown(r), c.shown) << c.name;
  }
  EXPECT_EQ(UiShowMessage(ctx_, nullptr, nullptr), 0);
}

// The format comes from the resource module: conversions without an
// argument of their kind stay as they are, never read a missing argument.
TEST_F(Messages, TheFormatTakesOnlyTheArgumentsThereAre) {
  const uint16_t numbers[2] = {3, 10};
  UiMessageRequest r{};
  r.textId = 200;
  r.argumentKind = 2;
  r.numberCount = 2;
  r.argument = numbers;
  EXPECT_EQ(Shown(r), "3 of 10 (%x) %s 100%");
  r.argumentKind = 1;
  r.numberCount = 0;
  r.argument = u"C:\\x";
  EXPECT_EQ(Shown(r), "%d of %u (%x) C:\\x 100%");
}

TEST_F(Messages, NumbersAndCaptions) {
  // String 109 has no conversion; a format of our own through a caption id.
  UiMessageRequest r{};
  r.textId = 109;
  r.captionId = 110;
  plat::ClearMessageBoxLog();
  EXPECT_EQ(UiShowMessage(ctx_, &r, nullptr), IDOK);
  auto log = plat::MessageBoxLog();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(plat::ToUtf8(log[0].caption), "User size 2");
  EXPECT_EQ(plat::ToUtf8(log[0].text), "User size 1");
  plat::ScriptMessageBoxAnswers({IDCANCEL});
  EXPECT_EQ(UiMessageBoxIdOkCancel(ctx_, nullptr, 109), IDCANCEL);
  EXPECT_EQ(plat::MessageBoxLog().back().type, MB_OKCANCEL | MB_ICONWARNING);
  plat::FailNth("GlobalAlloc", 2);
  EXPECT_EQ(UiMessageBoxId(ctx_, nullptr, 109), 0) << "out of memory";
  plat::ClearFaults();
}

}  // namespace
