// The spooler calls of VELMPD3: DrvConvertDevMode, DevQueryPrintEx,
// DrvUpgradePrinter, DrvPrinterEvent and DrvDocumentEvent, on the printer
// "Office" of the small model.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "ctx_test_machine.h"
#include "events/events.h"
#include "plat/calls.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "velm/devmode.h"

namespace {

constexpr const char16_t* kJobLog = u"C:\\Windows\\Temp\\ORVJC32.LOG";

class SpoolerCalls : public ctx_test::ModelMachine {
 protected:
  void SetUp() override {
    ModelMachine::SetUp();
    UseModel("data/models/small.mdf");
    handles_before_ = plat::OpenPrinterHandles();
  }
  void TearDown() override {
    for (DWORD mask : {kAccessAll, kAccessUse, kAccessRequired, kAccessUseOnly}) plat::SpoolRefuseAccess(mask, false);
    EXPECT_EQ(plat::OpenPrinterHandles(), handles_before_) << "a printer handle was left open";
    ModelMachine::TearDown();
  }

  LPWSTR Name() { return name_.data(); }
  static void Refuse(const std::vector<DWORD>& masks, bool refuse) {
    for (DWORD mask : masks) plat::SpoolRefuseAccess(mask, refuse);
  }

  // The driver default of the printer (1260 bytes).
  std::vector<uint8_t> Default() {
    std::vector<uint8_t> dm(dm::kTotalSize, 0);
    LONG size = LONG(dm.size());
    EXPECT_TRUE(DrvConvertDevMode(Name(), nullptr, reinterpret_cast<DEVMODEW*>(dm.data()), &size, CDM_DRIVER_DEFAULT));
    return dm;
  }
  static uint32_t Version(const std::vector<uint8_t>& dm) {
    uint32_t v;
    std::memcpy(&v, dm.data() + dm::kPrivateVersion, 4);
    return v;
  }
  static void SetVersion(std::vector<uint8_t>* dm, uint32_t v) { std::memcpy(dm->data() + dm::kPrivateVersion, &v, 4); }
  static uint32_t ModelVersion() { return CtxGetTemplate()->model->privateVersion; }

  // The job-information event codes the module received, in order.
  std::vector<int> JobEvents() {
    std::vector<int> codes;
    std::istringstream in(Get(kJobLog));
    std::string line;
    while (std::getline(in, line)) {
      if (line.rfind("event ", 0) != 0) continue;
      codes.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
    }
    return codes;
  }
  // The identity changes and printer opens of the spooler thread, in order.
  static std::vector<std::string> Steps() {
    std::vector<std::string> steps;
    for (const std::string& line : plat::CallLog())
      for (const char* what : {"RevertToPrinterSelf", "ImpersonatePrinterClient", "OpenPrinterW"})
        if (line.rfind(what, 0) == 0) steps.push_back(what);
    return steps;
  }

  std::u16string name_ = u"Office";
  long handles_before_ = 0;
};

// ---- DrvConvertDevMode ------------------------------------------------------------------

TEST_F(SpoolerCalls, ConvertAnswersSizesAndRefusesUnknownModes) {
  std::vector<uint8_t> out(dm::kTotalSize, 0);
  auto* dm = reinterpret_cast<DEVMODEW*>(out.data());
  struct Case {
    const char* name;
    LONG size;
    DWORD mode;
    DWORD error;
    LONG needed;
  } cases[] = {
      {"default into a small buffer", 100, CDM_DRIVER_DEFAULT, ERROR_INSUFFICIENT_BUFFER, LONG(dm::kTotalSize)},
      {"mode 3", LONG(dm::kTotalSize), 3, ERROR_INVALID_PARAMETER, LONG(dm::kTotalSize)},
      {"mode 8", LONG(dm::kTotalSize), 8, ERROR_INVALID_PARAMETER, LONG(dm::kTotalSize)},
      {"mode 0", LONG(dm::kTotalSize), 0, ERROR_INVALID_PARAMETER, LONG(dm::kTotalSize)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::ResetCalls();
    LONG size = c.size;
    SetLastError(0);
    EXPECT_FALSE(DrvConvertDevMode(Name(), nullptr, dm, &size, c.mode));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(size, c.needed);
    EXPECT_EQ(plat::CallCount("OpenPrinterW"), 0) << "no printer is opened";
  }
  SetLastError(0);
  EXPECT_FALSE(DrvConvertDevMode(Name(), nullptr, dm, nullptr, CDM_DRIVER_DEFAULT));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(SpoolerCalls, DriverDefaultIsThisDriversDevmode) {
  std::vector<uint8_t> dm = Default();
  EXPECT_EQ(dm[68] | dm[69] << 8, int(dm::kPublicSize));
  EXPECT_EQ(dm[70] | dm[71] << 8, int(dm::kDriverExtra));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(dm.data()) + dm::kSignature, 4), "VELM");
  EXPECT_EQ(Version(dm), ModelVersion());
  EXPECT_EQ(CtxGetFirstRun(), 0u);
}

TEST_F(SpoolerCalls, DriverDefaultOfAPrinterThatCannotBeOpenedFails) {
  struct Case {
    const char* name;
    std::vector<DWORD> refused;
    BOOL want;
  } cases[] = {
      {"nothing refused", {}, TRUE},
      {"use refused", {kAccessUse}, FALSE},
      {"all access refused (local printer)", {kAccessAll}, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Refuse(c.refused, true);
    std::vector<uint8_t> dm(dm::kTotalSize, 0);
    LONG size = LONG(dm.size());
    EXPECT_EQ(DrvConvertDevMode(Name(), nullptr, reinterpret_cast<DEVMODEW*>(dm.data()), &size, CDM_DRIVER_DEFAULT),
              c.want);
    Refuse(c.refused, false);
    EXPECT_EQ(CtxGetFirstRun(), 0u);
  }
}

TEST_F(SpoolerCalls, ConvertAfterAnUpdateByTheInputsVersion) {
  const std::vector<uint8_t> defaults = Default();
  const uint32_t model = ModelVersion();
  struct Case {
    const char* name;
    size_t length;        // bytes of the input that are declared
    uint32_t version;     // private version of the input
    uint32_t out_version; // private version of the output
  } cases[] = {
      {"same driver", dm::kTotalSize, model, model},
      {"older driver: restamped", dm::kTotalSize, model - 0x10000, model},
      {"newer driver: kept", dm::kTotalSize, model + 0x10000, model + 0x10000},
      {"another model: the defaults", dm::kTotalSize, model ^ 0x5, model},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> in = defaults;
    SetVersion(&in, c.version);
    // The spooler's output buffer carries the sizes it wants.
    std::vector<uint8_t> out = defaults;
    SetVersion(&out, 0);
    LONG size = LONG(out.size());
    EXPECT_TRUE(DrvConvertDevMode(Name(), reinterpret_cast<DEVMODEW*>(in.data()),
                                  reinterpret_cast<DEVMODEW*>(out.data()), &size, CDM_CONVERT))
        << "error " << GetLastError();
    EXPECT_EQ(Version(out), c.out_version);
    EXPECT_EQ(CtxGetFirstRun(), 0u);
  }
}

TEST_F(SpoolerCalls, AShortInputDevmodeCountsAsForeign) {
  // 300 bytes: a public part and a private part too short to hold the
  // version; nothing past them is read (the buffer ends there).
  for (uint16_t extra : {uint16_t(0), uint16_t(80), uint16_t(140)}) {
    SCOPED_TRACE(extra);
    std::vector<uint8_t> in(dm::kPublicSize + extra, 0);
    uint16_t size220 = uint16_t(dm::kPublicSize), version401 = 0x401;
    std::memcpy(in.data() + 64, &version401, 2);
    std::memcpy(in.data() + 68, &size220, 2);
    std::memcpy(in.data() + 70, &extra, 2);
    std::vector<uint8_t> out = Default();
    SetVersion(&out, 0);
    LONG size = LONG(out.size());
    EXPECT_TRUE(DrvConvertDevMode(Name(), reinterpret_cast<DEVMODEW*>(in.data()),
                                  reinterpret_cast<DEVMODEW*>(out.data()), &size, CDM_CONVERT));
    EXPECT_EQ(Version(out), ModelVersion()) << "a foreign DEVMODE gets the defaults";
  }
}

// ---- DevQueryPrintEx --------------------------------------------------------------------

TEST_F(SpoolerCalls, DevQueryPrint) {
  std::vector<uint8_t> dm = Default();
  DEVQUERYPRINT_INFO info{sizeof(DEVQUERYPRINT_INFO), 1, printer_, nullptr, nullptr, 0, 0};
  EXPECT_FALSE(DevQueryPrintEx(nullptr));
  EXPECT_TRUE(DevQueryPrintEx(&info)) << "no DEVMODE";
  info.pDevMode = reinterpret_cast<DEVMODEW*>(dm.data());
  EXPECT_TRUE(DevQueryPrintEx(&info));
  EXPECT_EQ(info.cchNeeded, 0u);
  // No context for the handle: the job may not print.
  info.hPrinter = reinterpret_cast<HANDLE>(uintptr_t(0x7777));
  EXPECT_FALSE(DevQueryPrintEx(&info));
}

// ---- DrvUpgradePrinter ------------------------------------------------------------------

TEST_F(SpoolerCalls, UpgradePrinter) {
  char16_t unknown[] = u"Nobody";
  DRIVER_UPGRADE_INFO_1W office{Name(), nullptr}, nobody{unknown, nullptr};
  struct Case {
    const char* name;
    DWORD level;
    DRIVER_UPGRADE_INFO_1W* info;
    BOOL want;
    DWORD error;
  } cases[] = {
      {"level 2", 2, &office, FALSE, ERROR_INVALID_PARAMETER},
      {"no record", 1, nullptr, FALSE, ERROR_INVALID_PARAMETER},
      {"unknown printer", 1, &nobody, FALSE, ERROR_INVALID_PARAMETER},
      {"the printer", 1, &office, TRUE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(DrvUpgradePrinter(c.level, reinterpret_cast<BYTE*>(c.info)), c.want);
    if (!c.want) {
      EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(plat::OpenPrinterHandles(), handles_before_);
  }
  // Printer data that cannot be written: the settings are not saved.
  plat::SpoolDenyDataWrites(u"Office", true);
  EXPECT_FALSE(DrvUpgradePrinter(1, reinterpret_cast<BYTE*>(&office)));
  plat::SpoolDenyDataWrites(u"Office", false);
  EXPECT_EQ(plat::OpenPrinterHandles(), handles_before_);
}

// ---- DrvPrinterEvent ---------------------------------------------------------------------

TEST_F(SpoolerCalls, PrinterEventsByAccessTheSpoolerGrants) {
  struct Case {
    const char* name;
    int event;
    std::vector<DWORD> refused;
    BOOL want;
  } cases[] = {
      {"add connection", PRINTER_EVENT_ADD_CONNECTION, {}, TRUE},
      {"add connection with use access only", PRINTER_EVENT_ADD_CONNECTION, {kAccessAll}, TRUE},
      {"add connection, no access", PRINTER_EVENT_ADD_CONNECTION, {kAccessAll, kAccessUse}, FALSE},
      {"delete connection, no access", PRINTER_EVENT_DELETE_CONNECTION,
       {kAccessAll, kAccessRequired, kAccessUseOnly}, TRUE},
      {"initialize", PRINTER_EVENT_INITIALIZE, {}, TRUE},
      {"initialize, no access", PRINTER_EVENT_INITIALIZE, {kAccessAll}, FALSE},
      {"delete, no access", PRINTER_EVENT_DELETE, {kAccessAll, kAccessRequired, kAccessUseOnly}, TRUE},
      {"cache refresh", PRINTER_EVENT_CACHE_REFRESH, {kAccessAll, kAccessRequired}, TRUE},
      {"cache refresh, no access", PRINTER_EVENT_CACHE_REFRESH, {kAccessAll, kAccessRequired, kAccessUseOnly}, FALSE},
      {"unknown event", 77, {kAccessAll, kAccessRequired, kAccessUseOnly, kAccessUse}, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Refuse(c.refused, true);
    EXPECT_EQ(DrvPrinterEvent(Name(), c.event, 0, 0), c.want);
    Refuse(c.refused, false);
    EXPECT_EQ(CtxGetFirstRun(), 0u);
    EXPECT_EQ(plat::OpenPrinterHandles(), handles_before_);
  }
}

TEST_F(SpoolerCalls, ConnectionEventsRunAsTheSpoolerAndThenAsTheClient) {
  struct Case {
    int event;
    std::vector<std::string> steps;
  } cases[] = {
      {PRINTER_EVENT_ADD_CONNECTION, {"RevertToPrinterSelf", "OpenPrinterW"}},
      {PRINTER_EVENT_DELETE_CONNECTION, {"RevertToPrinterSelf", "OpenPrinterW"}},
      {PRINTER_EVENT_INITIALIZE, {"OpenPrinterW", "RevertToPrinterSelf"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.event);
    plat::ResetCalls();
    DrvPrinterEvent(Name(), c.event, 0, 0);
    std::vector<std::string> steps = Steps();
    ASSERT_GE(steps.size(), 3u);
    EXPECT_EQ(steps[0], c.steps[0]);
    EXPECT_EQ(steps[1], c.steps[1]);
    EXPECT_EQ(steps.back(), "ImpersonatePrinterClient");
  }
  // DELETE and CACHE_REFRESH keep the client's identity.
  plat::ResetCalls();
  DrvPrinterEvent(Name(), PRINTER_EVENT_DELETE, 0, 0);
  DrvPrinterEvent(Name(), PRINTER_EVENT_CACHE_REFRESH, 0, 0);
  EXPECT_EQ(plat::CallCount("RevertToPrinterSelf"), 0);
}

TEST_F(SpoolerCalls, JobInformationEventsArriveInOrder) {
  Put(kJobLog, "");
  EXPECT_TRUE(DrvPrinterEvent(Name(), PRINTER_EVENT_DELETE_CONNECTION, 0, 0));
  EXPECT_EQ(JobEvents(), (std::vector<int>{2, 3, 4, 5, 8}));
  Put(kJobLog, "");
  EXPECT_TRUE(DrvPrinterEvent(Name(), PRINTER_EVENT_DELETE, 0, 0));
  EXPECT_EQ(JobEvents(), (std::vector<int>{256, 257, 258}));
}

// ---- DrvDocumentEvent --------------------------------------------------------------------

TEST_F(SpoolerCalls, DocumentEvents) {
  struct Case {
    int escape;
    int want;
  } cases[] = {
      {DOCUMENTEVENT_CREATEDCPRE, DOCUMENTEVENT_SUCCESS}, {DOCUMENTEVENT_CREATEDCPOST, DOCUMENTEVENT_SUCCESS},
      {DOCUMENTEVENT_STARTDOC, DOCUMENTEVENT_SUCCESS},    {DOCUMENTEVENT_STARTPAGE, DOCUMENTEVENT_SUCCESS},
      {DOCUMENTEVENT_RESETDCPRE, 0}, {DOCUMENTEVENT_ENDPAGE, 0}, {DOCUMENTEVENT_ENDDOC, 0},
      {DOCUMENTEVENT_ABORTDOC, 0},   {DOCUMENTEVENT_DELETEDC, 0}, {13, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escape);
    EXPECT_EQ(DrvDocumentEvent(printer_, nullptr, c.escape, 0, nullptr, 0, nullptr), c.want);
  }
  // A printer whose check cannot run still prints.
  EXPECT_EQ(DrvDocumentEvent(nullptr, nullptr, DOCUMENTEVENT_STARTDOC, 0, nullptr, 0, nullptr), DOCUMENTEVENT_SUCCESS);
}

}  // namespace
