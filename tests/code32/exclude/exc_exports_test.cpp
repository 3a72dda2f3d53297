// The command interface of VELMPD4 as outside programs use it: the library
// loaded from the machine with LoadLibraryW and driven through its exports,
// on a printer of the reference model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "jobinfo_test.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/library.h"
#include "velm/paths.h"
#include "velm/presets.h"
#include "velm/settings.h"
#include "velm/store.h"
#include "velmpd4.h"

namespace {

const std::string kBase =
    "@PJL SET TRAY = TRAY1 \r\n@PJL SET DUPLEX = ON \r\n@PJL SET APLPAGESIZE = A4 \r\n"
    "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n@PJL SET PAPER = A4 \r\n";

class ExcExports : public jobinfo_test::JobInfoMachine {
 protected:
  void SetUp() override {
    jobinfo_test::JobInfoMachine::SetUp();
    Put((std::u16string(env_test::kDriverDir) + u"model.mdf").c_str(),
        mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf")));
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(VELMPD4_FILE, plat::MapPath(kLibrary), &why)) << why;
    module_ = LoadLibraryW(kLibrary);
    ASSERT_NE(module_, nullptr) << GetLastError();
    Bind(&get_exclusive_, "ExcGetExclusive");
    Bind(&free_exclusive_, "ExcFreeExclusive");
    Bind(&set_base_, "ExcSetCommandBase");
    Bind(&get_base_, "ExcGetCommandBase");
    Bind(&update_, "ExcUpdateCommand");
    Bind(&get_change_, "ExcGetCommandChange");
    Bind(&get_value_, "ExcGetCommandValue");
    Bind(&get_option_, "ExcGetPrinterOption");
    Bind(&get_printer_value_, "ExcGetPrinterValue");
    Bind(&get_watermarks_, "ExcGetWaterMarkList");
    Bind(&get_ini_, "ExcGetIniFileName");
    Bind(&get_devmode_, "ExcGetDriverDevmode");
  }
  void TearDown() override {
    for (ExcHandle* h : handles_) free_exclusive_(h);
    if (module_) {
      EXPECT_TRUE(FreeLibrary(module_));
    }
    jobinfo_test::JobInfoMachine::TearDown();
  }
  template <typename T>
  void Bind(T* out, const char* name) {
    *out = reinterpret_cast<T>(GetProcAddress(module_, name));
    ASSERT_NE(*out, nullptr) << name;
  }
  ExcHandle* Open(const char* printer = "Office") {
    ExcHandle* h = get_exclusive_(printer);
    if (h) handles_.push_back(h);
    return h;
  }
  void Close(ExcHandle* h) {
    free_exclusive_(h);
    handles_.erase(std::find(handles_.begin(), handles_.end(), h));
  }
  // A two-call answer as a string (empty when nothing is answered).
  static std::string Fetch(const std::function<int32_t(int32_t, char*, int32_t*)>& call) {
    int32_t needed = -7;
    if (call(0, nullptr, &needed) != 1 || needed <= 0) return {};
    std::string out(size_t(needed), '\0');
    EXPECT_EQ(call(needed, out.data(), &needed), 0);
    return out;
  }

  static constexpr const char16_t* kLibrary = u"C:\\Windows\\System32\\VELMPD4.DLL";
  HMODULE module_ = nullptr;
  std::vector<ExcHandle*> handles_;
  PFN_ExcGetExclusive get_exclusive_ = nullptr;
  PFN_ExcFreeExclusive free_exclusive_ = nullptr;
  PFN_ExcSetCommandBase set_base_ = nullptr;
  PFN_ExcGetCommandBase get_base_ = nullptr;
  PFN_ExcUpdateCommand update_ = nullptr;
  PFN_ExcGetCommandChange get_change_ = nullptr;
  PFN_ExcGetCommandValue get_value_ = nullptr;
  PFN_ExcGetPrinterOption get_option_ = nullptr;
  PFN_ExcGetPrinterValue get_printer_value_ = nullptr;
  PFN_ExcGetWaterMarkList get_watermarks_ = nullptr;
  PFN_ExcGetIniFileName get_ini_ = nullptr;
  PFN_ExcGetDriverDevmode get_devmode_ = nullptr;
};

// Every variable-size answer: size 0 and needed - 1 give 1 with the needed
// size, needed gives 0 and the whole text.
TEST_F(ExcExports, TwoCallTable) {
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  int32_t length = 0;
  ASSERT_EQ(set_base_(h, kBase.c_str(), &length), 0);
  ASSERT_EQ(update_(h, "@PJL SET APLPAGESIZE = A6 \r\n", &length), 1);
  EXPECT_GT(length, 0);

  struct Row {
    const char* name;
    std::function<int32_t(int32_t, char*, int32_t*)> call;
  } rows[] = {
      {"base", [&](int32_t s, char* b, int32_t* n) { return get_base_(h, s, b, n); }},
      {"value", [&](int32_t s, char* b, int32_t* n) { return get_value_(h, "TRAY", 0, s, b, n); }},
      {"option", [&](int32_t s, char* b, int32_t* n) { return get_option_(h, "TRAY", s, b, n); }},
      {"ini", [&](int32_t s, char* b, int32_t* n) { return get_ini_("Office", s, b, n); }},
      // Last: a copied change is dropped.
      {"change", [&](int32_t s, char* b, int32_t* n) { return get_change_(h, s, b, n); }},
  };
  for (const Row& r : rows) {
    int32_t needed = -1;
    ASSERT_EQ(r.call(0, nullptr, &needed), 1) << r.name;
    ASSERT_GT(needed, 1) << r.name;
    std::string buffer(size_t(needed) + 8, '#');
    int32_t again = -1;
    EXPECT_EQ(r.call(needed - 1, buffer.data(), &again), 1) << r.name;
    EXPECT_EQ(again, needed) << r.name;
    EXPECT_EQ(buffer, std::string(size_t(needed) + 8, '#')) << r.name << ": nothing copied";
    EXPECT_EQ(r.call(needed, buffer.data(), &again), 0) << r.name;
    EXPECT_EQ(buffer[size_t(needed) - 1], '\0') << r.name;
    EXPECT_EQ(buffer[size_t(needed)], '#') << r.name;
  }
  // The change was copied once: nothing is pending now.
  int32_t needed = -1;
  EXPECT_EQ(get_change_(h, 0, nullptr, &needed), 0);
  EXPECT_EQ(needed, 0);
  std::string list = Fetch([&](int32_t s, char* b, int32_t* n) { return get_value_(h, "TRAY", 0, s, b, n); });
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list.substr(list.size() - 2), std::string(2, '\0'));  // the list's extra NUL
}

// A command road only reads the stored settings: opening a handle, giving
// it a base, changing lines and asking values and options writes no file
// of the machine (no store, no ini, not the machine's settings).
TEST_F(ExcExports, ACommandRoadWritesNoFile) {
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  const auto files = Files();
  int32_t length = 0;
  ASSERT_EQ(set_base_(h, kBase.c_str(), &length), 0);
  ASSERT_EQ(update_(h, "@PJL SET APLPAGESIZE = A6 \r\n", &length), 1);
  char out[4096];
  int32_t needed = 0;
  EXPECT_EQ(get_value_(h, "PAPER", 0, sizeof out, out, &needed), 0);
  EXPECT_EQ(get_option_(h, "TRAY", sizeof out, out, &needed), 0);
  Close(h);
  EXPECT_TRUE(Files() == files) << "a command road wrote a file";
}

TEST_F(ExcExports, BaseCompleteness) {
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  const char* base_names[] = {"APLPAGESIZE", "APLPAGELAYOUT", "PAPER", "TRAY"};
  for (const char* missing : base_names) {
    std::string base;
    size_t at = 0;
    while (at < kBase.size()) {
      size_t end = kBase.find('\n', at) + 1;
      std::string line = kBase.substr(at, end - at);
      if (line.find(std::string("SET ") + missing + " ") == std::string::npos) base += line;
      at = end;
    }
    int32_t length = -1;
    EXPECT_EQ(set_base_(h, base.c_str(), &length), -2) << missing;
    EXPECT_EQ(length, 0) << missing;
    int32_t needed = -1;
    EXPECT_EQ(get_base_(h, 0, nullptr, &needed), 0) << missing;
    EXPECT_EQ(needed, 0) << missing;
  }
  int32_t length = -1;
  EXPECT_EQ(set_base_(h, nullptr, &length), -2);
  int32_t r = set_base_(h, kBase.c_str(), &length);
  EXPECT_TRUE(r == 0 || r == 1);
  EXPECT_EQ(Fetch([&](int32_t s, char* b, int32_t* n) { return get_base_(h, s, b, n); }), kBase + '\0');
}

TEST_F(ExcExports, MalformedLinesThenForcedFeed) {
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  const std::string long_token(300, 'X');
  struct Row {
    const char* name;
    std::string line;
  } rows[] = {
      {"no blank before =", "@PJL SET TRAY= TRAY1 \r\n"},
      {"LF without CR", "@PJL SET TRAY = TRAY1 \n"},
      {"lower-case set", "@PJL set TRAY = TRAY1 \r\n"},
      {"300-byte value", "@PJL SET TRAY = " + long_token + " \r\n"},
      {"300-byte name", "@PJL SET " + long_token + " = 1 \r\n"},
  };
  for (const Row& r : rows) {
    // The malformed line in the middle of a full base.
    std::string base = kBase.substr(0, kBase.find('\n') + 1) + r.line + kBase.substr(kBase.find('\n') + 1);
    int32_t length = -1;
    EXPECT_EQ(set_base_(h, base.c_str(), &length), -1) << r.name;
    EXPECT_EQ(length, 0) << r.name;
    int32_t needed = -1;
    EXPECT_EQ(get_base_(h, 0, nullptr, &needed), 0) << r.name;
    EXPECT_EQ(needed, 0) << r.name;
    // No base stored: an update of the one variable settable without a base
    // answers 0 and reads no missing base.
    EXPECT_EQ(update_(h, "@PJL SET FORCEFEED = SEF \r\n", &length), 0) << r.name;
    EXPECT_EQ(length, 0) << r.name;
    EXPECT_EQ(update_(h, r.line.c_str(), &length), -1) << r.name;
  }
}

TEST_F(ExcExports, NullHandles) {
  int32_t n = 5;
  char buffer[16];
  EXPECT_EQ(set_base_(nullptr, kBase.c_str(), &n), -1);
  EXPECT_EQ(get_base_(nullptr, 16, buffer, &n), -1);
  EXPECT_EQ(update_(nullptr, "@PJL SET TRAY = TRAY1 \r\n", &n), -1);
  EXPECT_EQ(get_change_(nullptr, 16, buffer, &n), -1);
  EXPECT_EQ(get_value_(nullptr, "TRAY", 0, 16, buffer, &n), -1);
  EXPECT_EQ(get_option_(nullptr, "TRAY", 16, buffer, &n), -1);
  EXPECT_EQ(get_printer_value_(nullptr, "USERCODE", 16, buffer, &n), -1);
  EXPECT_EQ(get_watermarks_(nullptr, 0, 16, buffer, &n), -1);
  free_exclusive_(nullptr);
  EXPECT_EQ(get_exclusive_(nullptr), nullptr);
  EXPECT_EQ(get_exclusive_(""), nullptr);
  EXPECT_EQ(get_exclusive_("Nobody"), nullptr);
  // A handle answers an update without a base with 0.
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(update_(h, "@PJL SET DUPLEX = OFF \r\n", &n), 0);
  EXPECT_EQ(update_(h, nullptr, &n), 0);
}

// The user code comes from the job-information module, cut to 8 bytes;
// without the module the stored value stays.
TEST_F(ExcExports, UserCodeFromTheJobInformationModule) {
  PutValue(1, "123456789");
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Fetch([&](int32_t s, char* b, int32_t* n) { return get_printer_value_(h, "USERCODE", s, b, n); }),
            std::string("\"12345678\"") + '\0');
  Close(h);
  // A double-byte character across the 8th byte is left out whole.
  Put(kValues, "");
  PutValue(1, "1234567\xe8\xa1\xa8");  // 7 digits and one character of two bytes in 932
  h = Open();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Fetch([&](int32_t s, char* b, int32_t* n) { return get_printer_value_(h, "USERCODE", s, b, n); }),
            std::string("\"1234567\"") + '\0');
  Close(h);
  ASSERT_TRUE(DeleteFileW(u"C:\\Windows\\System32\\ORVJC32.DLL"));
  h = Open();
  ASSERT_NE(h, nullptr);
  std::string stored =
      Fetch([&](int32_t s, char* b, int32_t* n) { return get_printer_value_(h, "USERCODE", s, b, n); });
  EXPECT_EQ(stored.find("1234567"), std::string::npos) << stored;
}

// Closing a handle empties the library's context caches: the next handle
// reads what was stored meanwhile.
// Closing a context empties the library's context caches: a handle reset by
// a new base, and a new handle, read what was stored meanwhile.
TEST_F(ExcExports, HandlesSeeSettingsStoredMeanwhile) {
  auto trays = [&](ExcHandle* h) {
    return Fetch([&](int32_t s, char* b, int32_t* n) { return get_option_(h, "TRAY", s, b, n); });
  };
  // Another program stores whether the paper bank (trays 3 and 4) is installed.
  auto store_bank = [&](int32_t installed) {
    CommonProcessAttach(nullptr);
    DriverContext* ctx = CtxOpenKind(printer_, printer_, 0, kOpenEntryPoint);
    ASSERT_NE(ctx, nullptr);
    SettingRecord* row = OptFindSetting(ctx, 10020);
    ASSERT_NE(row, nullptr);
    OptSetValue(ctx, row, installed);
    ASSERT_EQ(StoreSaveItem(printer_, ctx, row, nullptr), 1);
    CtxCloseAs(ctx, kCloseDestroy);
    CommonProcessDetach();
  };
  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(trays(h).find("TRAY3"), std::string::npos);
  store_bank(1);
  int32_t length = 0;
  ASSERT_GE(set_base_(h, kBase.c_str(), &length), 0);  // resets the handle and reopens its context
  EXPECT_NE(trays(h).find("TRAY3"), std::string::npos) << trays(h);
  Close(h);
  store_bank(0);
  h = Open();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(trays(h).find("TRAY4"), std::string::npos) << trays(h);
}

// Three text watermarks and one image watermark stored for the printer:
// kind 0 lists three blocks, any other kind the one image block.
TEST_F(ExcExports, WatermarkListThroughTheExport) {
  CommonProcessAttach(nullptr);
  PathCreateDataDir();
  DriverContext* ctx = CtxOpenKind(printer_, printer_, 0, kOpenEntryPoint);
  ASSERT_NE(ctx, nullptr);
  for (int32_t n = 0; n < 4; ++n) {
    OptSetValueById(ctx, 109, n < 3 ? 1 : 2);
    std::u16string text = u"MARK" + std::u16string(1, char16_t(u'0' + n));
    ASSERT_NE(OptSetText(ctx, OptFindSetting(ctx, 869), text.c_str()), nullptr);
    ASSERT_NE(StampSave(ctx, n), 0);
  }
  ASSERT_NE(StampWriteCount(ctx, 4), 0);
  CtxCloseAs(ctx, kCloseDestroy);
  CommonProcessDetach();

  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  auto blocks = [&](int32_t kind, std::string* all) {
    *all = Fetch([&](int32_t s, char* b, int32_t* n) { return get_watermarks_(h, kind, s, b, n); });
    int count = 0;
    for (size_t at = 0; at < all->size() && (*all)[at]; at += std::strlen(all->c_str() + at) + 1) ++count;
    return count;
  };
  std::string text, image;
  EXPECT_EQ(blocks(0, &text), 3) << text;
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - 2), std::string(2, '\0'));
  EXPECT_EQ(blocks(1, &image), 1) << image;
  EXPECT_EQ(blocks(7, &image), 1) << image;  // every non-zero kind asks for images
  // The walk leaves the handle's settings as they were: the list again is the same.
  std::string again;
  EXPECT_EQ(blocks(0, &again), 3);
  EXPECT_EQ(again, text);
}

// A text watermark with an empty text is listed with its own (empty)
// text, not with the text of the entry listed before it.
TEST_F(ExcExports, WatermarkWithAnEmptyTextIsListedEmpty) {
  CommonProcessAttach(nullptr);
  PathCreateDataDir();
  DriverContext* ctx = CtxOpenKind(printer_, printer_, 0, kOpenEntryPoint);
  ASSERT_NE(ctx, nullptr);
  for (int32_t n = 0; n < 2; ++n) {
    OptSetValueById(ctx, 109, 1);
    ASSERT_NE(OptSetText(ctx, OptFindSetting(ctx, 869), n == 0 ? u"MARK0" : u""), nullptr);
    ASSERT_NE(StampSave(ctx, n), 0);
  }
  ASSERT_NE(StampWriteCount(ctx, 2), 0);
  CtxCloseAs(ctx, kCloseDestroy);
  CommonProcessDetach();

  ExcHandle* h = Open();
  ASSERT_NE(h, nullptr);
  std::string all = Fetch([&](int32_t s, char* b, int32_t* n) { return get_watermarks_(h, 0, s, b, n); });
  std::vector<std::string> blocks;
  for (size_t at = 0; at < all.size() && all[at]; at += std::strlen(all.c_str() + at) + 1)
    blocks.push_back(all.c_str() + at);
  ASSERT_EQ(blocks.size(), 2u) << all;
  EXPECT_NE(blocks[0].find("MARK0"), std::string::npos) << blocks[0];
  EXPECT_EQ(blocks[1].find("MARK0"), std::string::npos) << blocks[1];
}

TEST_F(ExcExports, DriverDevmode) {
  VELM_DEVMODEA dm;
  int32_t needed = 0;
  EXPECT_EQ(get_devmode_("Office", 1, 0, nullptr, &needed), 1);
  EXPECT_EQ(needed, 1196);
  std::memset(&dm, 0x5A, sizeof dm);
  EXPECT_EQ(get_devmode_("Office", 1, 1195, &dm, &needed), 1);
  EXPECT_EQ(uint8_t(dm.dmDeviceName[0]), 0x5A);  // nothing written
  EXPECT_EQ(get_devmode_("Office", 2, 1196, &dm, &needed), -1);
  ASSERT_EQ(get_devmode_("Office", 1, 1196, &dm, &needed), 0);
  EXPECT_STREQ(dm.dmDeviceName, "Office");
  EXPECT_EQ(dm.dmSize, 156);
  EXPECT_EQ(dm.dmDriverExtra, 1040);
  EXPECT_EQ(std::memcmp(dm.dmDriverPrivate, "VELM", 4), 0);  // the private part follows unchanged
  EXPECT_EQ(std::memcmp(dm.dmDriverPrivate + 349 - 220, "priv", 4), 0);
  EXPECT_STREQ(dm.dmFormName, "A4");

  // A 40-byte name is cut to 31 bytes.
  const std::string forty = "Printer-" + std::string(32, 'P');
  AddPrinter(plat::FromUtf8(forty), u"VELM Driver");
  ASSERT_EQ(get_devmode_(forty.c_str(), 1, 1196, &dm, &needed), 0);
  EXPECT_EQ(std::string(dm.dmDeviceName), forty.substr(0, 31));
  // A double-byte character across byte 31 is left out whole.
  const std::string ansi = std::string(30, 'J') + "\x95\x5c" + "X";  // 30 bytes, one character of two, one more
  const std::u16string wide = std::u16string(30, u'J') + u"\u8868" + u"X";
  AddPrinter(wide, u"VELM Driver");
  ASSERT_EQ(get_devmode_(ansi.c_str(), 1, 1196, &dm, &needed), 0);
  EXPECT_EQ(std::string(dm.dmDeviceName), std::string(30, 'J'));

  // A name over 260 characters names no printer, even when its first 260 do.
  const std::string long_name(300, 'L');
  AddPrinter(plat::FromUtf8(long_name.substr(0, 260)), u"VELM Driver");
  EXPECT_EQ(get_devmode_(long_name.c_str(), 1, 1196, &dm, &needed), -1);
  EXPECT_EQ(get_exclusive_(long_name.c_str()), nullptr);
  int32_t n = 0;
  EXPECT_EQ(get_ini_(long_name.c_str(), 0, nullptr, &n), -1);
  ExcHandle* h = Open(long_name.substr(0, 260).c_str());
  EXPECT_NE(h, nullptr);
}

}  // namespace
