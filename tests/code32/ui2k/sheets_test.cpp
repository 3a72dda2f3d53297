#include <gtest/gtest.h>

#include <cstring>

#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/le.h"
#include "plat/machineconf.h"
#include "sheet_test_machine.h"
#include "velm/context.h"
#include "velm/dm_merge.h"
#include "velm/inst.h"
#include "velm/paths.h"
#include "velm/settings.h"

namespace {

using sheet_test::ComRecorder;
using sheet_test::SheetMachine;

uint32_t Fields(const std::vector<uint8_t>& dm) {
  uint32_t v;
  std::memcpy(&v, dm.data() + 72, 4);
  return v;
}
int16_t Collate(const std::vector<uint8_t>& dm) {
  int16_t v;
  std::memcpy(&v, dm.data() + 100, 2);
  return v;
}

class Sheets : public SheetMachine {
 protected:
  std::string DriverIni() {
    DriverContext* c = OpenKind(4);
    std::string text = c ? plat_test::TempMachine::ReadHost(plat::MapPath(PathGetDriverIni(c))) : std::string();
    CtxCloseAs(c, kCloseDestroy);
    return text;
  }
  std::string Everything() { return Stored() + "--\n" + DriverIni(); }
};

TEST_F(Sheets, SizeQueryOpensNothing) {
  plat::ResetCalls();
  std::vector<uint8_t> in = std::vector<uint8_t>(dm::kTotalSize, 0);
  EXPECT_EQ(DocProps(nullptr, nullptr, 0), 1260);
  EXPECT_EQ(DocProps(nullptr, in.data(), DM_COPY), 1260) << "no output: the size";
  EXPECT_EQ(DocProps(in.data(), nullptr, 0), 1260) << "no mode: the size";
  EXPECT_EQ(UiAdvancedDocumentProperties(nullptr, printer_, Name(), nullptr, nullptr), 1260);
  EXPECT_EQ(plat::CallCount("OpenPrinterW"), 0);
  EXPECT_EQ(plat::CallCount("GetPrinterW"), 0) << "nothing asked of the spooler";
}

TEST_F(Sheets, CopyWithoutModifyIgnoresTheInput) {
  std::vector<uint8_t> stored = Defaults();
  std::vector<uint8_t> app = stored;
  const int16_t copies = 7;
  uint32_t fields = Fields(app) | 0x100;  // DM_COPIES
  std::memcpy(app.data() + 72, &fields, 4);
  std::memcpy(app.data() + 86, &copies, 2);
  std::vector<uint8_t> a(dm::kTotalSize), b(dm::kTotalSize);
  EXPECT_EQ(DocProps(a.data(), app.data(), DM_COPY), IDOK);
  EXPECT_EQ(a, stored) << "the stored settings, the input ignored";
  EXPECT_EQ(DocProps(b.data(), app.data(), DM_COPY | DM_MODIFY), IDOK);
  int16_t got;
  std::memcpy(&got, b.data() + 86, 2);
  EXPECT_EQ(got, copies) << "with DM_MODIFY the input is merged";
}

// An input whose sizes no DEVMODE has cannot give the output its sizes: the
// call fails and the output is left as it was, never reported as filled.
TEST_F(Sheets, AnInputOfImpossibleSizesFailsTheCopy) {
  std::vector<uint8_t> bad = Defaults();
  std::memset(bad.data() + 68, 0, 4);  // dmSize 0, dmDriverExtra 0
  for (DWORD mode : {DWORD(DM_COPY), DWORD(DM_COPY | DM_MODIFY)}) {
    std::vector<uint8_t> out(dm::kTotalSize, 0xEE);
    EXPECT_LT(DocProps(out.data(), bad.data(), mode), 0) << mode;
    EXPECT_EQ(out, std::vector<uint8_t>(dm::kTotalSize, 0xEE)) << mode;
  }
}

TEST_F(Sheets, ScriptedOkAndCancelOfTheDocumentSheet) {
  std::vector<uint8_t> out(dm::kTotalSize);
  ui::SetModalHandler([](HWND sheet) { return ui::ClickButton(sheet, IDCANCEL); });
  // The first sheet stores the printer's initial settings and probes with
  // one write whether presets may be refreshed; what a cancelled sheet
  // leaves is measured from there.
  EXPECT_EQ(DocProps(out.data(), nullptr, DM_PROMPT | DM_COPY), IDCANCEL);
  const std::string before = Everything();
  EXPECT_EQ(DocProps(out.data(), nullptr, DM_PROMPT | DM_COPY), IDCANCEL);
  EXPECT_EQ(out, std::vector<uint8_t>(dm::kTotalSize)) << "no output DEVMODE";
  EXPECT_EQ(Everything(), before) << "nothing saved";

  std::string title;
  ui::SetModalHandler([&](HWND sheet) {
    char16_t t[64];
    GetWindowTextW(sheet, t, 64);
    title = plat::ToUtf8(t);
    return ui::ClickButton(sheet, IDOK);
  });
  plat::ResetCalls();
  EXPECT_EQ(DocProps(out.data(), nullptr, DM_PROMPT | DM_COPY), IDOK);
  EXPECT_EQ(title, "Office Properties") << "titled with the header's printer name";
  EXPECT_EQ(plat::Get16(out.data() + 68) + plat::Get16(out.data() + 70), 1260) << "the committed DEVMODE copied out";
  EXPECT_GE(plat::CallCount("SetPrinterW"), 4) << "every callback with its context publishes";
  EXPECT_EQ(ui::LiveWindowCount(), 0u);
  EXPECT_EQ(ui::LivePropertySheetPages(), 0u);
}

TEST_F(Sheets, DestroyReportsTheResultByHowTheSheetEnded) {
  struct Case {
    const char* name;
    bool bidi_done;
    bool save;
    ULONG_PTR result;
    bool set_result;
  } cases[] = {
      {"OK", false, true, 1, true},
      {"Cancel", false, false, 0, false},
      {"Cancel after the default trays were applied", true, false, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.bidi_done) SetBidiDone();
    DOCUMENTPROPERTYHEADER h = DocHeader(nullptr, nullptr, DM_PROMPT | DM_COPY);
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, LPARAM(&h));
    ComRecorder::Calls().clear();
    ASSERT_EQ(UiDocumentPropertySheets(&info, LPARAM(&h)), 1);
    auto* ctx = reinterpret_cast<DriverContext*>(info.UserData);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->work->sheetSnapshot != nullptr, c.bidi_done);
    // The person changes a setting on a page; then OK or Cancel.
    const int32_t paper_before = OptGetValueById(ctx, 8);
    OptSetValueById(ctx, 8, paper_before == 9 ? 11 : 9);
    ctx->work->saveOnClose = c.save ? 1 : 0;
    const std::string stored_before = Everything();
    info.Reason = PROPSHEETUI_REASON_DESTROY;
    EXPECT_EQ(UiDocumentPropertySheets(&info, 0), 1);
    EXPECT_EQ(info.UserData, 0u);
    EXPECT_EQ(info.Result, c.result);
    bool set = !ComRecorder::Calls().empty() && ComRecorder::Calls().back() == "function 9 0 1";
    EXPECT_EQ(set, c.set_result);
    if (!c.save && !c.bidi_done) {
      EXPECT_EQ(Everything(), stored_before) << "Cancel saves nothing";
    }
    if (c.bidi_done) {
      // The DEVMODE as it was opened came back, not the change: the context,
      // closed into the cache, holds it.
      DriverContext* cached = CtxTakeFromCache(printer_, 0, kOpenEntryPoint, 0, nullptr);
      ASSERT_NE(cached, nullptr);
      EXPECT_EQ(OptGetValueById(cached, 8), paper_before);
      EXPECT_EQ(cached->work->sheetSnapshot, nullptr) << "the snapshot is given back";
      CtxCloseAs(cached, kCloseDestroy);
      uint32_t ex = 0;
      DWORD type = 0, needed = 0;
      EXPECT_EQ(GetPrinterDataW(printer_, const_cast<LPWSTR>(u"BidiExFlag"), &type, reinterpret_cast<BYTE*>(&ex), 4,
                                &needed),
                ERROR_SUCCESS)
          << "the trays count as taken over";
    }
  }
}

TEST_F(Sheets, EveryInitFailureAnswersMinusOneAndLeaksNothing) {
  SetBidiDone();  // with the snapshot buffer, one allocation more
  std::vector<uint8_t> in = Defaults();
  Restart();
  const long baseline = plat::LiveGlobalBlocks();
  int failures = 0;
  bool all_passed = false;
  for (int n = 1; n < 400 && !all_passed; ++n) {
    DOCUMENTPROPERTYHEADER h = DocHeader(reinterpret_cast<DEVMODEW*>(in.data()), nullptr, DM_PROMPT | DM_MODIFY);
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, LPARAM(&h));
    const uint32_t failed_before = MemAllocFailures();
    plat::FailNth("GlobalAlloc", n);
    LONG r = UiDocumentPropertySheets(&info, 0);
    plat::ClearFaults();
    all_passed = MemAllocFailures() == failed_before;  // INIT made fewer than n allocations
    if (r == 1) {
      info.Reason = PROPSHEETUI_REASON_DESTROY;
      UiDocumentPropertySheets(&info, 0);
    } else {
      EXPECT_EQ(r, -1) << n;
      EXPECT_EQ(info.UserData, 0u) << n;
      ++failures;
    }
    Restart();
    EXPECT_EQ(plat::LiveGlobalBlocks(), baseline) << "allocation " << n;
  }
  EXPECT_TRUE(all_passed);
  EXPECT_GT(failures, 3);
  // The other failures: no header, no printer, no model.
  PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, 0);
  EXPECT_EQ(UiDocumentPropertySheets(&info, 0), -1);
  DOCUMENTPROPERTYHEADER h = DocHeader(nullptr, nullptr, DM_PROMPT);
  info = Info(PROPSHEETUI_REASON_INIT, LPARAM(&h));
  plat::FailNth("GetPrinterW", 1);
  EXPECT_EQ(UiDocumentPropertySheets(&info, 0), -1);
  plat::ClearFaults();
  ASSERT_EQ(std::remove(plat::MapPath(ModelPath()).c_str()), 0);
  Restart();
  EXPECT_EQ(UiDocumentPropertySheets(&info, 0), -1) << "no model image";
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  EXPECT_EQ(UiDocumentPropertySheets(&info, 0), -1) << "no context from INIT";
  Restart();
  EXPECT_EQ(plat::LiveGlobalBlocks(), baseline);
}

TEST_F(Sheets, InfoHeaderIconAndPrinterSheetReasons) {
  DEVICEPROPERTYHEADER h{12, 0, printer_, Name()};
  PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, LPARAM(&h));
  ASSERT_EQ(UiDevicePropertySheets(&info, 0), 1);
  EXPECT_EQ(ComRecorder::Calls(), std::vector<std::string>{"add page"});
  PROPSHEETUI_INFO_HEADER header{sizeof header, 0, nullptr, nullptr, nullptr, 0};
  info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
  EXPECT_EQ(UiDevicePropertySheets(&info, LPARAM(&header)), 1);
  EXPECT_EQ(header.Flags, PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE);
  EXPECT_EQ(header.pTitle, Name());
  EXPECT_EQ(header.IconID, 64082u);
  info.Reason = PROPSHEETUI_REASON_GET_ICON;
  EXPECT_EQ(UiDevicePropertySheets(&info, 0), -1);
  SETRESULT_INFO r{sizeof r, 0, nullptr, 5};
  info.Reason = PROPSHEETUI_REASON_SET_RESULT;
  EXPECT_EQ(UiDevicePropertySheets(&info, LPARAM(&r)), 1);
  EXPECT_EQ(info.Result, 5u);

  // Apply on the printer sheet: published before compstui hears of it.
  auto* ctx = reinterpret_cast<DriverContext*>(info.UserData);
  plat::ResetCalls();
  ComRecorder::Calls().clear();
  const int32_t ui_mode = DmGetFlagUIModeChange(ctx);
  DmSetFlagUIModeChangeTo(ctx, ui_mode ? 0 : 1);
  EXPECT_EQ(UiCommitSheet(ctx), 1);
  EXPECT_EQ(DmGetFlagUIModeChange(ctx), ui_mode ? 0 : 1) << "the UI-mode flag is kept";
  EXPECT_EQ(ctx->work->sheetCommitted, 1);
  auto log = plat::CallLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "SetPrinterW 7 2"), log.end());
  EXPECT_EQ(ComRecorder::Calls(), std::vector<std::string>{"function 9 0 1"});

  info.Reason = PROPSHEETUI_REASON_DESTROY;
  EXPECT_EQ(UiDevicePropertySheets(&info, 0), 1);
  EXPECT_EQ(info.Result, 0u) << "not saved on close";
}

TEST_F(Sheets, PromptOnlyCommitSavesButWritesNoOutput) {
  std::vector<uint8_t> out(dm::kTotalSize, 0xEE);
  DOCUMENTPROPERTYHEADER h = DocHeader(nullptr, reinterpret_cast<DEVMODEW*>(out.data()), DM_PROMPT);
  PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, LPARAM(&h));
  ASSERT_EQ(UiDocumentPropertySheets(&info, 0), 1);
  auto* ctx = reinterpret_cast<DriverContext*>(info.UserData);
  OptSetValueById(ctx, 8, 3);
  ComRecorder::Calls().clear();
  EXPECT_EQ(UiCommitSheet(ctx), 1);
  EXPECT_TRUE(ComRecorder::Calls().empty()) << "no result set";
  EXPECT_EQ(out, std::vector<uint8_t>(dm::kTotalSize, 0xEE)) << "no output DEVMODE";
  EXPECT_EQ(ctx->work->sheetCommitted, 1);
  EXPECT_EQ(std::memcmp(ctx->work->savedDevmode, ctx->devmode, dm::kTotalSize), 0) << "the committed DEVMODE is kept";
  info.Reason = PROPSHEETUI_REASON_DESTROY;
  UiDocumentPropertySheets(&info, 0);
}

TEST_F(Sheets, CollateOfTheOutput) {
  // Collation as the small model offers it; an input whose DM_COLLATE asks
  // the opposite of the collate setting, one without DM_COLLATE, or none;
  // on NT 4 with the user default the setting wins over the input.
  DriverContext* probe = OpenKind(0);
  ASSERT_NE(probe, nullptr);
  const bool offered = DmIsCollateSupported(probe) != 0;
  const int16_t setting = OptGetValueById(probe, 64) ? 1 : 0;
  CtxCloseAs(probe, kCloseDestroy);
  std::vector<uint8_t> with = Defaults(), without = Defaults();
  uint32_t f = Fields(with) | 0x8000;
  std::memcpy(with.data() + 72, &f, 4);
  const int16_t opposite = setting ? 0 : 1;
  std::memcpy(with.data() + 100, &opposite, 2);
  f = Fields(without) & ~0x8000u;
  std::memcpy(without.data() + 72, &f, 4);
  std::memcpy(without.data() + 100, &opposite, 2);
  struct Case {
    const char* name;
    const std::vector<uint8_t>* input;
    bool nt4_user_default;
    bool keeps_input;
  } cases[] = {
      {"input with DM_COLLATE", &with, false, true},
      {"input without", &without, false, false},
      {"no input", nullptr, false, false},
      {"NT 4 with the user default", &with, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.nt4_user_default) {
      ASSERT_TRUE(plat::SetMachineSetting("os.major", "4"));
    }
    std::vector<uint8_t> out(dm::kTotalSize);
    DWORD mode = DM_COPY | DM_MODIFY | (c.nt4_user_default ? DM_USER_DEFAULT : 0);
    auto* in = c.input ? reinterpret_cast<DEVMODEW*>(const_cast<uint8_t*>(c.input->data())) : nullptr;
    DOCUMENTPROPERTYHEADER h = DocHeader(in, reinterpret_cast<DEVMODEW*>(out.data()), mode);
    EXPECT_EQ(UiDocumentPropertiesNoUi(&h, nullptr, 0), 1);
    if (!offered) {
      EXPECT_FALSE(Fields(out) & 0x8000) << "not offered: cleared";
      EXPECT_EQ(Collate(out), 0);
    } else {
      EXPECT_TRUE(Fields(out) & 0x8000);
      EXPECT_EQ(Collate(out), c.keeps_input ? opposite : setting);
    }
    plat::SetMachineSetting("os.major", "6");
  }
}

TEST_F(Sheets, InstallHandOverSetsTheLanguage) {
  ASSERT_EQ(PathCreateDataDir(), 1);
  char16_t path[260];
  DriverContext* c = OpenKind(4);
  ASSERT_TRUE(PathMakeInDataDir(path, 260, u"velmcfg.ini", c));
  CtxCloseAs(c, kCloseDestroy);
  struct Case {
    const char* name;
    const char* ini;  // null: no file
    int32_t language;  // -1: the model's default
  } cases[] = {
      {"no file", nullptr, -1},
      {"done with a language", "[Office]\r\nVelmInstDone=1\r\nDispLang=5\r\n", 5},
      {"done without a language", "[Office]\r\nVelmInstDone=1\r\n", 0},
      {"done with a language in the low byte", "[Office]\r\nVelmInstDone=257\r\nDispLang=262\r\n", 6},
      {"another printer's section", "[Other]\r\nVelmInstDone=1\r\nDispLang=5\r\n", -1},
  };
  int32_t model_default = -2;
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    std::remove(plat::MapPath(path).c_str());
    if (k.ini) Put(path, k.ini);
    DOCUMENTPROPERTYHEADER h = DocHeader(nullptr, nullptr, DM_PROMPT);
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT, LPARAM(&h));
    ASSERT_EQ(UiDocumentPropertySheets(&info, 0), 1);
    auto* ctx = reinterpret_cast<DriverContext*>(info.UserData);
    int32_t language = OptGetValueById(ctx, 177);
    if (model_default == -2) model_default = language;
    EXPECT_EQ(language, k.language < 0 ? model_default : k.language);
    info.Reason = PROPSHEETUI_REASON_DESTROY;
    UiDocumentPropertySheets(&info, 0);
    Restart();
  }
  EXPECT_NE(model_default, 5);
}

TEST_F(Sheets, WithoutTheCommonPropertySheets) {
  ASSERT_EQ(std::remove(plat::MapPath(u"C:\\Windows\\System32\\compstui.dll").c_str()), 0);
  ui::SetModalHandler([](HWND sheet) { return ui::ClickButton(sheet, IDOK); });
  EXPECT_FALSE(UiPrinterProperties(nullptr, printer_)) << "no sheet shown: nothing changed";
  std::vector<uint8_t> out(dm::kTotalSize);
  EXPECT_EQ(DocProps(out.data(), nullptr, DM_PROMPT | DM_COPY), -1);
  EXPECT_EQ(UiAdvancedDocumentProperties(nullptr, printer_, Name(), (DEVMODEW*)out.data(), nullptr), 0);
}

TEST_F(Sheets, PrinterPropertiesWithTheSheet) {
  ui::SetModalHandler([](HWND sheet) { return ui::ClickButton(sheet, IDOK); });
  EXPECT_TRUE(UiPrinterProperties(nullptr, printer_));
  DWORD type = 0, value = 0, needed = 0;
  EXPECT_EQ(GetPrinterDataW(printer_, const_cast<LPWSTR>(u"Permission"), &type, reinterpret_cast<BYTE*>(&value), 4,
                            &needed),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 1u);
  ui::SetModalHandler([](HWND sheet) { return ui::ClickButton(sheet, IDCANCEL); });
  EXPECT_FALSE(UiPrinterProperties(nullptr, printer_));
  // A user who may not change the printer still sees the sheet.
  plat::SpoolDenyDataWrites(u"Office", true);
  ui::SetModalHandler([](HWND sheet) { return ui::ClickButton(sheet, IDOK); });
  EXPECT_TRUE(UiPrinterProperties(nullptr, printer_));
  plat::SpoolDenyDataWrites(u"Office", false);
}

}  // namespace
