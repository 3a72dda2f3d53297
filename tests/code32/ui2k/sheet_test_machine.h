// The printer "Office" of the small model for the sheet tests, with a
// recorder standing in for compstui's pfnComPropSheet when a test drives
// the sheet callbacks itself.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "plat/registry.h"
#include "plat/user.h"
#include "plat/winspool.h"
#include "sheets/sheets.h"
#include "ui/user32.h"
#include "velm/devmode.h"

namespace sheet_test {

struct ComRecorder {
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }
  // Adding a page takes it over, as compstui does.
  static LONG_PTR Proc(HANDLE, UINT function, LPARAM a, LPARAM b) {
    if (function == CPSFUNC_ADD_HPROPSHEETPAGE) {
      DestroyPropertySheetPage(reinterpret_cast<HPROPSHEETPAGE>(a));
      Calls().push_back("add page");
      return 1;
    }
    Calls().push_back("function " + std::to_string(function) + " " + std::to_string(a) + " " + std::to_string(b));
    return 1;
  }
};

class SheetMachine : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    ui::ResetWindowManager();
    ComRecorder::Calls().clear();
    plat::ClearMessageBoxLog();
  }
  void TearDown() override {
    ui::ResetWindowManager();
    ModelMachine::TearDown();
  }

  LPWSTR Name() { return name_.data(); }
  LONG DocProps(void* out, const void* in, DWORD mode) {
    return UiDocumentProperties(nullptr, printer_, Name(), static_cast<DEVMODEW*>(out),
                                static_cast<DEVMODEW*>(const_cast<void*>(in)), mode);
  }
  std::vector<uint8_t> Defaults() {
    std::vector<uint8_t> dm(dm::kTotalSize);
    EXPECT_EQ(DocProps(dm.data(), nullptr, DM_COPY), IDOK);
    return dm;
  }
  // A document sheet's INIT driven by hand, with the recorder as compstui.
  PROPSHEETUI_INFO Info(WORD reason, LPARAM init) {
    return PROPSHEETUI_INFO{sizeof(PROPSHEETUI_INFO), 0x100, 0, reason, this, ComRecorder::Proc, init, 0, 0};
  }
  DOCUMENTPROPERTYHEADER DocHeader(DEVMODEW* in, DEVMODEW* out, DWORD mode) {
    return DOCUMENTPROPERTYHEADER{28, 0, printer_, Name(), in, out, 0, mode};
  }
  // The printer's stored values: printer data and the driver ini.
  std::string Stored() {
    std::string all;
    for (const auto& v : plat::SpoolListPrinterData(u"Office"))
      all += plat::ToUtf8(v.name) + "=" + std::string(v.data.begin(), v.data.end()) + "\n";
    return all;
  }
  void SetBidiDone() {
    uint32_t one = 1;
    ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"BidiFlag"), REG_BINARY, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_SUCCESS);
  }

  std::u16string name_ = u"Office";
};

}  // namespace sheet_test
