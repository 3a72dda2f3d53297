#include <gtest/gtest.h>

#include "plat/kernel.h"
#include "plat/user.h"
#include "qst_test_machine.h"
#include "velm/messages.h"
#include "ui/dialog_template.h"
#include "ui/user32.h"
#include "velm/context.h"

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


// Layouts and formats with strings of their own, and the wait dialog.
class MessageLayouts : public Messages {
 protected:
  void SetUp() override {
    Messages::SetUp();
    std::u16string many;
    for (int i = 0; i < 512; ++i) many += u"%d";  // 1024 characters, all conversions
    ui::DialogTemplate wait;
    wait.title = u"Status";
    wait.cx = 180;
    wait.cy = 40;
    ui::DialogItemTemplate text;
    text.class_name = u"STATIC";
    text.id = 5005;
    text.cx = 160;
    text.cy = 20;
    wait.items.push_back(text);
    std::vector<plat::ResourceEntry> strings = {
        plat::StringResource(300, u"%d %d %d %d %d %d %d %d|%d"),
        plat::StringResource(301, u"%s%s%S%hs%999999999d%n%p%.99999s%*d%-*s%I64d%c%%%"),
        plat::StringResource(302, many),
        plat::StringResource(303, u"Plain"),
        plat::StringResource(7001, u"Asking the printer"),
        ui::DialogResource(4006, wait)};
    ASSERT_TRUE(plat::WriteResourceModule(plat::MapPath(std::u16string(env_test::kDriverDir) + u"TESTUI"),
                                          plat::StandinModuleDir() + "/velmres.dll", strings));
  }
  std::string Show(uint16_t id, int16_t kind, uint16_t count, const void* argument, const char16_t* prefix = nullptr,
                   const char16_t* suffix = nullptr) {
    UiMessageRequest r{};
    r.textId = id;
    r.argumentKind = kind;
    r.numberCount = count;
    r.argument = argument;
    r.prefix = prefix;
    r.suffix = suffix;
    return Shown(r);
  }
};

TEST_F(MessageLayouts, NumbersPrefixSuffixAndCaption) {
  const uint16_t n[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(Show(300, 2, 8, n), "1 2 3 4 5 6 7 8|%d") << "eight numbers fill eight conversions";
  EXPECT_EQ(Show(300, 2, 9, n), "1 %d %d %d %d %d %d %d|%d") << "nine numbers format with the first only";
  EXPECT_EQ(Show(303, 0, 0, nullptr, u"P", u"S"), "P\r\n\r\nPlain\r\n\r\nS\r\n\r\n");
  EXPECT_EQ(Show(303, 0, 0, nullptr, nullptr, u"S"), "Plain\r\n\r\nS\r\n\r\n");
  // Caption 0: the printer's name.
  EXPECT_EQ(plat::ToUtf8(plat::MessageBoxLog().back().caption), "Office");
}

TEST_F(MessageLayouts, HostileFormatsStayBounded) {
  const uint16_t n[8] = {65535, 2, 3, 4, 5, 6, 7, 8};
  std::u16string long_prefix(5000, u'p'), long_arg(3000, u'a');
  // Conversions without arguments stay as text; none reads beyond what was given.
  std::string shown = Show(301, 1, 0, long_arg.c_str());
  EXPECT_EQ(shown.substr(0, 3000), std::string(3000, 'a'));
  EXPECT_NE(shown.find("%S%hs%999999999d%n%p"), std::string::npos) << shown.substr(3000);
  shown = Show(301, 2, 8, n, long_prefix.c_str(), long_prefix.c_str());
  EXPECT_EQ(shown.find("%s%s%S%hs"), 5004u) << "no text argument for %s with numbers";
  EXPECT_EQ(shown.size() - shown.rfind("\r\n\r\n"), 4u) << "the frame of blank lines is whole";
  // The longest format, all conversions, with a prefix and a suffix: the
  // whole frame fits.
  shown = Show(302, 2, 8, n, u"Before", u"After");
  EXPECT_EQ(shown.substr(0, 10), "Before\r\n\r\n");
  EXPECT_EQ(shown.substr(10, 20), "655352345678%d%d%d%d");
  EXPECT_EQ(shown.substr(shown.size() - 13), "\r\n\r\nAfter\r\n\r\n");
  EXPECT_EQ(shown.size(), 10u + 12 + (1024 - 16) + 13);
}

TEST_F(MessageLayouts, TheWaitDialogShowsItsText) {
  HWND d = UiShowWaitDialog(ctx_, nullptr, 7001);
  ASSERT_NE(d, nullptr);
  char16_t text[64];
  EXPECT_GT(GetDlgItemTextW(d, 5005, text, 64), 0u);
  EXPECT_EQ(plat::ToUtf8(text), "Asking the printer");
  GetWindowTextW(d, text, 64);
  EXPECT_EQ(plat::ToUtf8(text), "Office");
  EXPECT_TRUE(IsWindowVisible(d));
  EXPECT_TRUE(UiCloseWaitDialog(d));
  EXPECT_FALSE(IsWindow(d));
  EXPECT_EQ(ui::LiveWindowCount(), 0u);
}
}  // namespace
