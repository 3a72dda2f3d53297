// DrvEnablePDEV over printers of a test machine: the rendering settings read
// from the context, what reaches the engine's GDIINFO and DEVINFO, refused
// page sizes, allocation failures at every step, and a page printed through
// the engine of the machine in raster mode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ctx_test_model.h"
#include "ddi_printer_machine.h"
#include "ddi_test_support.h"
#include "eng/dc.h"
#include "eng/text.h"
#include "gr2k/doc.h"
#include "env_test_machine.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/model_cache.h"
#include "velm/settings.h"

namespace {

using namespace gr_item;

// ---- the rendering settings ---------------------------------------------------------------------

// A Pdev read from a context whose items the case sets (a zeroed DEVMODE
// with an A4 page at 600 dpi).
struct Settings {
  Settings() {
    pdev = PdevCreate(nullptr);
    const std::pair<uint32_t, int32_t> a4[] = {{kSrcPaperWidthDot, 5100}, {kSrcPaperLengthDot, 7200},
                                               {kSrcPrnWidthDot, 4961},   {kSrcPrnLengthDot, 7016},
                                               {kDstPrnWidthDot, 4961},   {kDstPrnLengthDot, 7016},
                                               {kSrcXOffset, 70},         {kSrcYOffset, 92}};
    for (auto [id, v] : a4) Set(id, v);
  }
  ~Settings() { PdevDestroy(pdev); }
  void Set(uint32_t id, int32_t value) {
    EXPECT_NE(OptFindSetting(m.ctx, id), nullptr) << id;
    OptSetValueById(m.ctx, id, value);
  }
  bool Read() { return GrReadRenderSettings(pdev, m.ctx); }
  ctx_test::ModelContext m{"*FileVersion: 1.0\n"};
  Pdev* pdev = nullptr;
};

TEST(DdiRenderSettings, ResolutionGeometryAndModes) {
  Settings s;
  s.pdev->flags = kPdevDocStarted | kPdevOutputFailed;
  s.pdev->pageCount = 4;
  ASSERT_TRUE(s.Read());
  EXPECT_EQ(s.pdev->flags, 0u) << "a fresh Pdev starts with no state";
  EXPECT_EQ(s.pdev->pageCount, 0);
  EXPECT_EQ(s.pdev->resolution, 600) << "resolution 0 reads as 600";
  EXPECT_EQ(s.pdev->printWidthMm10, 4961 * 254 / 600);
  EXPECT_EQ(s.pdev->printLengthMm10, 7016 * 254 / 600);
  EXPECT_EQ(s.pdev->physWidthDots, 5100);
  EXPECT_EQ(s.pdev->offsetYDots, 92);
  EXPECT_EQ(s.pdev->rasterMode, 0);

  s.Set(kPrintQuality, 1200);
  s.Set(kImagePrint, 1);
  s.Set(kOrientation, 2);
  ASSERT_TRUE(s.Read());
  EXPECT_EQ(s.pdev->resolution, 1200);
  EXPECT_EQ(s.pdev->printWidthMm10, 4961 * 254 / 1200);
  EXPECT_EQ(s.pdev->rasterMode, 1);
  EXPECT_EQ(s.pdev->orientation, 1);

  // Pass-through data is never banded.
  s.Set(kJobLinker, 3);
  ASSERT_TRUE(s.Read());
  EXPECT_EQ(s.pdev->passThrough, 1);
  EXPECT_EQ(s.pdev->rasterMode, 0);
}

TEST(DdiRenderSettings, DerivedSwitches) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint32_t, int32_t>> items;
    int16_t colorProcess;
    uint32_t textAsDeviceFonts, eudc;
  } cases[] = {
      {"nothing set", {}, 0, 0, 0},
      {"vector, hidden colour switch", {{kHidden2Func9, 1}}, 2, 0, 0},
      {"raster keeps process 0", {{kImagePrint, 1}, {kHidden2Func9, 1}}, 0, 0, 0},
      {"vector keeps a set process", {{kColorProcess, 1}, {kHidden2Func9, 1}}, 1, 0, 0},
      {"text item 372", {{kTextDeviceFonts, 5}}, 0, 1, 0},
      {"394 selects 395 (off)", {{kTextBitmapSupport, 1}, {kTextDeviceFonts, 1}}, 0, 0, 0},
      {"394 selects 395 (on)", {{kTextBitmapSupport, 1}, {kTextBitmap, 1}}, 0, 1, 0},
      {"end-user characters by 361", {{kEudcGlyphs, 2}}, 0, 0, 1},
      {"end-user characters by 249", {{kFrontFunc, 0x80}}, 0, 0, 1},
      {"249 without 0x80", {{kFrontFunc, 0x7F}}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    for (auto [id, v] : c.items) s.Set(id, v);
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.pdev->colorProcess, c.colorProcess);
    EXPECT_EQ(s.pdev->textAsDeviceFonts, c.textAsDeviceFonts);
    EXPECT_EQ(s.pdev->eudcAsGlyphs, c.eudc);
  }
}

TEST(DdiRenderSettings, ImageReductionEachCondition) {
  struct Case {
    const char* name;
    std::vector<std::pair<uint32_t, int32_t>> items;
    int32_t reduction;
  } cases[] = {
      {"all hold", {}, 1},
      {"output page longer", {{kDstPrnLengthDot, 7017}}, 0},
      {"output page wider", {{kDstPrnWidthDot, 4962}}, 0},
      {"N-up with kind 9", {{kFuncSelectNup, 1}, {kNupPostKind, 9}}, 0},
      {"N-up with another kind", {{kFuncSelectNup, 1}, {kNupPostKind, 8}}, 1},
      {"kind 9 without N-up", {{kNupPostKind, 9}}, 1},
      {"horizontal scale 101", {{kScaleH, 101}}, 0},
      {"vertical scale 101", {{kScaleV, 101}}, 0},
      {"scales 100", {{kScaleH, 100}, {kScaleV, 100}}, 1},
      {"print method 5", {{kPrnMethod, 5}}, 0},
      {"print method 7", {{kPrnMethod, 7}}, 0},
      {"print method 6", {{kPrnMethod, 6}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    for (auto [id, v] : c.items) s.Set(id, v);
    ASSERT_TRUE(s.Read());
    EXPECT_EQ(s.pdev->imageReduction, c.reduction);
  }
}

// Page sizes come from settings an outside DEVMODE reaches: a page no paper
// could have is refused before anything is sized from it.
TEST(DdiRenderSettings, AbsurdPageSizesRefused) {
  struct Case {
    const char* name;
    uint32_t id;
    int32_t value;
    bool ok;
  } cases[] = {
      {"zero printable width", kSrcPrnWidthDot, 0, false},
      {"negative printable length", kSrcPrnLengthDot, -7016, false},
      {"zero sheet width", kSrcPaperWidthDot, 0, false},
      {"negative sheet length", kSrcPaperLengthDot, -1, false},
      {"120 inches", kSrcPrnLengthDot, 72000, true},
      {"beyond 120 inches", kSrcPrnLengthDot, 72001, false},
      {"beyond any bitmap", kSrcPrnWidthDot, 0x7FFFFFFF, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings s;
    s.Set(c.id, c.value);
    SetLastError(0);
    EXPECT_EQ(s.Read(), c.ok);
    if (!c.ok) {
      EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
  }
}

// ---- enable over a printer ----------------------------------------------------------------------------

const HINSTANCE kModule = reinterpret_cast<HINSTANCE>(0x51000);

class DdiEnable : public ddi_test::PrinterMachine {
 protected:
  DdiEnable() : PrinterMachine(kModule) {}

  DHPDEV Enable(const std::vector<uint8_t>* devmode, GDIINFO* gdi, DEVINFO* dev, ULONG gdi_size = sizeof(GDIINFO),
                ULONG dev_size = sizeof(DEVINFO)) {
    HSURF patterns[6];
    std::memset(patterns, 0x5A, sizeof patterns);
    std::u16string name = u"Office";
    DHPDEV p = DrvEnablePDEV(devmode ? reinterpret_cast<DEVMODEW*>(const_cast<uint8_t*>(devmode->data())) : nullptr,
                             nullptr, 6, patterns, gdi_size, reinterpret_cast<ULONG*>(gdi), dev_size, dev, nullptr,
                             name.data(), printer_);
    if (p) {
      for (HSURF h : patterns) EXPECT_EQ(h, nullptr) << "pattern surfaces are cleared";
    }
    return p;
  }

  // Everything a failed or finished enable may leave in the caches goes.
  static void Sweep() {
    CtxSweepCache(1);
    MdfFreeModelList();
  }
};

TEST_F(DdiEnable, FromThePrinterAndTheJobDevmode) {
  GDIINFO gdi{};
  DEVINFO dev{};
  const long palettes = eng::LivePalettes();
  std::vector<uint8_t> job = JobDevmode({{kImagePrint, 1}, {kColorProcess, 1}, {kColor, 1}, {kPrintQuality, 600}});
  Pdev* p = static_cast<Pdev*>(Enable(&job, &gdi, &dev));
  ASSERT_NE(p, nullptr) << GetLastError();
  EXPECT_TRUE(GrIsValidPdev(p));
  EXPECT_EQ(p->module, kModule);
  EXPECT_EQ(p->printer, printer_);
  EXPECT_EQ(p->stream.printer, printer_);
  ASSERT_NE(p->context, nullptr);
  EXPECT_EQ(p->context->work->openFlags & kOpenPdev, kOpenPdev);
  EXPECT_EQ(p->rasterMode, 1);
  EXPECT_EQ(p->resolution, 600);
  EXPECT_EQ(p->printWidthDots, OptGetValueById(p->context, kSrcPrnWidthDot));
  EXPECT_GT(p->printWidthDots, 0);
  EXPECT_EQ(gdi.ulHorzRes, ULONG(p->printWidthDots));
  EXPECT_EQ(gdi.ulVertRes, ULONG(p->printLengthDots));
  EXPECT_EQ(gdi.cBitsPixel, 1u);
  EXPECT_EQ(dev.iDitherFormat, BMF_1BPP);
  EXPECT_EQ(dev.hpalDefault, p->palette);
  EXPECT_EQ(eng::LivePalettes(), palettes + 1);
  ASSERT_EQ(p->devmodeCopyBytes, job.size());
  EXPECT_EQ(std::vector<uint8_t>(p->devmodeCopy, p->devmodeCopy + job.size()), job);
  EXPECT_EQ(std::u16string(p->spoolDllName), u"VELMOUT1.DLL");
  EXPECT_EQ(p->osVersion.dwOSVersionInfoSize, 276u);
  DrvCompletePDEV(p, reinterpret_cast<HDEV>(0x600D));
  EXPECT_EQ(p->engineDevice, reinterpret_cast<HDEV>(0x600D));
  DrvDisablePDEV(p);
  EXPECT_EQ(eng::LivePalettes(), palettes);
}

TEST_F(DdiEnable, CopiesNoMoreThanBothRecordsHold) {
  struct Case {
    ULONG gdiSize, devSize;
  } cases[] = {{100, 50}, {304, 300}, {sizeof(GDIINFO), sizeof(DEVINFO)}, {0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.gdiSize << " " << c.devSize);
    std::vector<uint8_t> gdi(sizeof(GDIINFO) + 64, 0xEE), dev(sizeof(DEVINFO) + 64, 0xEE);
    DHPDEV p = Enable(nullptr, reinterpret_cast<GDIINFO*>(gdi.data()), reinterpret_cast<DEVINFO*>(dev.data()),
                      c.gdiSize + 64, c.devSize + 64);
    ASSERT_NE(p, nullptr);
    DrvDisablePDEV(p);
    // The engine says it has size + 64 bytes: ours are copied whole when
    // they are shorter, and nothing past them is touched.
    const size_t gdi_copied = std::min<size_t>(c.gdiSize + 64, sizeof(GDIINFO));
    const size_t dev_copied = std::min<size_t>(c.devSize + 64, sizeof(DEVINFO));
    EXPECT_EQ(gdi[gdi_copied], 0xEE);
    EXPECT_EQ(dev[dev_copied], 0xEE);
    ULONG version;
    std::memcpy(&version, gdi.data(), 4);
    EXPECT_EQ(version, 0x500u);
  }
  std::vector<uint8_t> gdi(sizeof(GDIINFO), 0xEE), dev(sizeof(DEVINFO), 0xEE);
  DHPDEV p = Enable(nullptr, reinterpret_cast<GDIINFO*>(gdi.data()), reinterpret_cast<DEVINFO*>(dev.data()), 12, 8);
  ASSERT_NE(p, nullptr);
  DrvDisablePDEV(p);
  EXPECT_EQ(gdi[12], 0xEE);
  EXPECT_EQ(dev[8], 0xEE);
}

TEST_F(DdiEnable, WithoutModuleHandleNothingIsBuilt) {
  Sweep();
  const long blocks = plat::LiveGlobalBlocks();
  DllMain(kModule, DLL_PROCESS_DETACH, nullptr);
  GDIINFO gdi{};
  DEVINFO dev{};
  SetLastError(0);
  EXPECT_EQ(Enable(nullptr, &gdi, &dev), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  DllMain(kModule, DLL_PROCESS_ATTACH, nullptr);
  Sweep();
  EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);
}

TEST_F(DdiEnable, RefusedPageSizeLeavesNothing) {
  // A job DEVMODE whose custom paper gives no printable page.
  std::vector<uint8_t> job = JobDevmode({});
  DEVMODEW pub;
  std::memcpy(&pub, job.data(), sizeof pub);
  pub.dmFields |= 0x2 | 0xC;  // DM_PAPERSIZE, DM_PAPERLENGTH, DM_PAPERWIDTH
  pub.dmPaperSize = 256;
  pub.dmPaperLength = -5;
  pub.dmPaperWidth = -5;
  std::memcpy(job.data(), &pub, sizeof pub);
  Sweep();
  const long blocks = plat::LiveGlobalBlocks();
  const long palettes = eng::LivePalettes();
  GDIINFO gdi{};
  DEVINFO dev{};
  DHPDEV p = Enable(&job, &gdi, &dev);
  if (p) {
    // The merge may bring the size into the model's limits; then the page
    // is sound and must be positive.
    EXPECT_GT(static_cast<Pdev*>(p)->printWidthDots, 0);
    DrvDisablePDEV(p);
  }
  Sweep();
  EXPECT_EQ(plat::LiveGlobalBlocks(), blocks);
  EXPECT_EQ(eng::LivePalettes(), palettes);
}

// Calls of a service that one enable and disable make: the fault switch is
// armed far ahead and what is left of it read back.
int CallsOf(const char* service, const std::function<void()>& run) {
  constexpr int kFar = 1000000;
  plat::FailNth(service, kFar);
  run();
  int left = 1;
  while (!plat::ShouldFail(service)) ++left;
  plat::ClearFaults();
  return kFar - left;
}

// Every allocation of an enable fails in turn: each gives NULL, or a whole
// Pdev when the open could do without what it lost, and leaves nothing
// behind.
TEST_F(DdiEnable, AllocationFailureAtEveryStep) {
  std::vector<uint8_t> job = JobDevmode({{kImagePrint, 1}});
  GDIINFO gdi{};
  DEVINFO dev{};
  auto enable_disable = [&] {
    DHPDEV p = Enable(&job, &gdi, &dev);
    if (p) DrvDisablePDEV(p);
    Sweep();
  };
  enable_disable();  // warms what the process keeps for good
  const long blocks = plat::LiveGlobalBlocks();
  const long palettes = eng::LivePalettes();
  const long eng_blocks = eng::LiveEngBlocks();
  for (const char* service : {"GlobalAlloc", "EngAllocMem"}) {
    const int calls = CallsOf(service, enable_disable);
    ASSERT_GT(calls, 0) << service;
    int refused = 0;
    for (int nth = 1; nth <= calls; ++nth) {
      plat::FailNth(service, nth);
      DHPDEV p = Enable(&job, &gdi, &dev);
      plat::ClearFaults();
      if (p) {
        EXPECT_TRUE(GrIsValidPdev(static_cast<Pdev*>(p)));
        EXPECT_NE(static_cast<Pdev*>(p)->palette, nullptr);
        DrvDisablePDEV(p);
      } else {
        ++refused;
      }
      Sweep();
      ASSERT_EQ(plat::LiveGlobalBlocks(), blocks) << service << " failure " << nth << " of " << calls;
      ASSERT_EQ(eng::LivePalettes(), palettes) << service << " failure " << nth;
      ASSERT_EQ(eng::LiveEngBlocks(), eng_blocks) << service << " failure " << nth;
    }
    EXPECT_GT(refused, 0) << service;
  }
}

TEST_F(DdiEnable, DisableClosesTheColourHandlesItHolds) {
  GDIINFO gdi{};
  DEVINFO dev{};
  Pdev* p = static_cast<Pdev*>(Enable(nullptr, &gdi, &dev));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(DrvIcmCreateColorTransform(p, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0), nullptr);
  EXPECT_EQ(p->colorTransform, nullptr) << "no colour management on this machine";
  DrvDisablePDEV(p);
}

// ---- a page through the engine of the machine ---------------------------------------------------

class DdiPrint : public DdiEnable {
 protected:
  void SetUp() override {
    DdiEnable::SetUp();
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(VELMPD0_FILE, plat::MapPath(std::u16string(env_test::kDriverDir) + u"VELMPD0.DLL"), &why))
        << why;
    // The spool-side module a document binds (its output is not read here).
    ASSERT_TRUE(test_support::CopyFile(VELMOUT1_FULL, plat::MapPath(std::u16string(env_test::kDriverDir) + u"VELMOUT1.DLL"), &why))
        << why;
    setenv("VELMOUT1_FILE", (root_ + "/out.prn").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("VELMOUT1_FILE");
    DdiEnable::TearDown();
  }

  // The engine's DC of the printer over the driver, with the job DEVMODE.
  std::unique_ptr<eng::PrinterDc> OpenDc(const std::vector<uint8_t>& job) {
    eng::DcOpenParams params;
    const std::u16string driver = std::u16string(env_test::kDriverDir) + u"VELMPD0.DLL";
    params.driver_path = driver.c_str();
    params.device_name = u"Office";
    params.printer = printer_;
    params.devmode = reinterpret_cast<const DEVMODEW*>(job.data());
    return eng::DcOpen(params);
  }
};

// A Pdev disabled in the middle of its document ends that document at the
// spool-side module and frees the module; a Pdev whose document went on in
// another after a reset leaves the module to that one.
TEST_F(DdiPrint, DisableEndsADocumentLeftOpen) {
  const std::string log = root_ + "/spool.log";
  setenv("VELMOUT1_LOG", log.c_str(), 1);
  std::vector<uint8_t> job = JobDevmode({{kImagePrint, 1}});
  GDIINFO gdi{};
  DEVINFO dev{};
  Pdev* first = static_cast<Pdev*>(Enable(&job, &gdi, &dev));
  Pdev* second = static_cast<Pdev*>(Enable(&job, &gdi, &dev));
  ASSERT_TRUE(first && second);
  SURFOBJ so{};
  so.dhpdev = first;
  std::u16string name = u"Open";
  ASSERT_TRUE(DrvStartDoc(&so, name.data(), 0));
  ASSERT_NE(first->stream.spoolModule, nullptr);
  ASSERT_TRUE(DrvResetPDEV(first, second));
  DrvDisablePDEV(first);
  std::string text = plat_test::TempMachine::ReadHost(log);
  EXPECT_EQ(text.find("EndDoc"), std::string::npos) << "the document went on in the new Pdev:\n" << text;
  DrvDisablePDEV(second);
  text = plat_test::TempMachine::ReadHost(log);
  unsetenv("VELMOUT1_LOG");
  const size_t end = text.find("EndDoc"), close = text.find("Close"), unload = text.find("Unload");
  ASSERT_NE(end, std::string::npos) << text;
  ASSERT_NE(close, std::string::npos) << text;
  ASSERT_NE(unload, std::string::npos) << text;
  EXPECT_LT(end, close);
  EXPECT_LT(close, unload);
}

TEST_F(DdiPrint, RasterPageBandByBand) {
  std::vector<uint8_t> job = JobDevmode({{kImagePrint, 1}, {kColorProcess, 1}, {kColor, 1}, {kPrintQuality, 600}});
  std::unique_ptr<eng::PrinterDc> dc = OpenDc(job);
  ASSERT_NE(dc, nullptr) << GetLastError();
  EXPECT_TRUE(dc->banding());
  EXPECT_EQ(dc->hooks(), FLONG(0xB));
  SURFOBJ* so = dc->surface();
  ASSERT_NE(so, nullptr);
  const LONG width = LONG(dc->gdi_info().ulHorzRes), height = LONG(dc->gdi_info().ulVertRes);
  EXPECT_EQ(so->iBitmapFormat, BMF_1BPP);
  EXPECT_EQ(so->sizlBitmap.cx, width);
  EXPECT_EQ(so->sizlBitmap.cy, GrBandHeight(width, height));
  EXPECT_EQ(so->lDelta, LONG(ImgStride(BMF_1BPP, width)));

  ASSERT_TRUE(dc->StartDoc(u"Banded", 3));
  grtest::SpoolRecorder spool;
  Pdev* pdev = static_cast<Pdev*>(so->dhpdev);
  ASSERT_TRUE(GrIsValidPdev(pdev));
  GrSpoolUnbind(pdev);  // the stream goes to the recorder instead
  ddi_test::Bind(pdev, &spool);
  ASSERT_TRUE(dc->StartPage());
  const LONG band = so->sizlBitmap.cy;
  // A black square across the first band's bottom edge.
  ASSERT_TRUE(dc->FillRect(RECTL{64, band - 8, 96, band + 8}, 0x000000));
  ASSERT_TRUE(dc->EndPage());
  ASSERT_TRUE(dc->EndDoc());

  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(spool.bytes.data(), spool.bytes.size(), &stream, &error)) << error.message;
  std::vector<jobread::Record> images = ddi_test::ImageRecords(stream);
  ASSERT_EQ(images.size(), size_t(height / band + 1));
  const int64_t row_bytes = ImgStride(BMF_1BPP, width);
  auto black = [&](const jobread::Record& r, LONG x, LONG y) {
    const std::vector<uint8_t>& px = r.Bytes("pixels");
    return ((px[size_t(y * row_bytes + x / 8)] >> (7 - x % 8)) & 1) == 0;
  };
  EXPECT_TRUE(black(images[0], 64, band - 1));
  EXPECT_TRUE(black(images[0], 95, band - 8));
  EXPECT_FALSE(black(images[0], 63, band - 1));
  EXPECT_FALSE(black(images[0], 64, band - 9));
  EXPECT_TRUE(black(images[1], 64, 0));
  EXPECT_TRUE(black(images[1], 95, 7));
  EXPECT_FALSE(black(images[1], 64, 8));
  EXPECT_FALSE(black(images[1], 96, 0));
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_EQ(images[i].Int("top"), LONG(i) * band);
    EXPECT_EQ(images[i].Int("band"), 1);
  }
}

// A vector page through the engine's DC: fills, a dashed stroke, a Bezier, a
// rectangle clip and a complex clip become state and path records that the
// job-stream reader reads back.
TEST_F(DdiPrint, VectorPageOfPathsAndClips) {
  std::vector<uint8_t> job = JobDevmode({{kImagePrint, 0}, {kPrintQuality, 600}});
  std::unique_ptr<eng::PrinterDc> dc = OpenDc(job);
  ASSERT_NE(dc, nullptr) << GetLastError();
  ASSERT_FALSE(dc->banding());
  ASSERT_TRUE(dc->StartDoc(u"Vector", 4));
  grtest::SpoolRecorder spool;
  Pdev* pdev = static_cast<Pdev*>(dc->surface()->dhpdev);
  ASSERT_TRUE(GrIsValidPdev(pdev));
  GrSpoolUnbind(pdev);
  ddi_test::Bind(pdev, &spool);
  ASSERT_TRUE(dc->StartPage());

  eng::Path square;
  square.Rectangle(100, 100, 200, 200);
  ASSERT_TRUE(dc->FillPath(square, 0x0000FF));
  eng::Pen dashed;
  dashed.dashes = {3, 1};
  eng::Path line;
  line.MoveTo(50, 300);
  line.LineTo(500, 300);
  ASSERT_TRUE(dc->StrokePath(line, dashed, 0x000000));
  eng::Path curve;
  curve.MoveTo(300, 100);
  curve.BezierTo(350, 50, 400, 150, 450, 100);
  curve.Close();
  ASSERT_TRUE(dc->FillPath(curve, 0x00FF00, eng::FillMode::kWinding));
  dc->ClipRect(RECTL{120, 120, 180, 180});
  ASSERT_TRUE(dc->FillPath(square, 0x0000FF));
  eng::Path two;
  two.Rectangle(100, 100, 140, 140);
  two.Rectangle(160, 160, 200, 200);
  ASSERT_TRUE(dc->ClipPath(two, eng::FillMode::kAlternate));
  ASSERT_TRUE(dc->FillPath(square, 0x0000FF));
  dc->ResetClip();
  ASSERT_TRUE(dc->FillPath(square, 0x0000FF));
  ASSERT_TRUE(dc->StrokeAndFillPath(square, eng::Pen{}, 0x000000, 0x00FFFF));
  ASSERT_TRUE(dc->EndPage());
  ASSERT_TRUE(dc->EndDoc());

  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(spool.bytes.data(), spool.bytes.size(), &stream, &error)) << error.message;
  std::vector<int64_t> uses;
  std::vector<uint8_t> clips;
  int64_t dash_mask = 0;
  size_t curves = 0;
  for (const jobread::Record& r : stream.records) {
    if (r.opcode == kOpPathLines || r.opcode == kOpPathCurves) uses.push_back(r.Int("use"));
    if (r.opcode == kOpPathCurves) ++curves;
    if (r.opcode == kOpLineWidth && r.Int("dash_mask") != 0xFFFFFFFF) dash_mask = r.Int("dash_mask");
    if ((r.opcode == kOpRect && r.Int("kind") == 5) || r.opcode == kOpClipReset) clips.push_back(r.opcode);
    if (r.opcode == kOpPathLines && r.Int("use") == 5) clips.push_back(r.opcode);
  }
  EXPECT_EQ(uses, (std::vector<int64_t>{1, 0, 2, 1, 5, 1, 1, 3}));
  EXPECT_EQ(curves, 1u);
  EXPECT_EQ(dash_mask, 0xFFFFFF00);  // 3 on, 1 off at 600 dpi
  EXPECT_EQ(clips, (std::vector<uint8_t>{kOpRect, kOpPathLines, kOpClipReset}));
}

// Font mapping on a vector page: a face asked for by any of the usual
// names of the Mincho and Gothic faces, without font bytes, is the driver's
// device font of that face, and its text goes as character codes; the same
// name with the font's bytes stays the document's font.
TEST_F(DdiPrint, UsualFaceNamesRealiseTheDeviceFonts) {
  std::vector<uint8_t> job = JobDevmode({{kImagePrint, 0}, {kPrintQuality, 600}});
  std::unique_ptr<eng::PrinterDc> dc = OpenDc(job);
  ASSERT_NE(dc, nullptr) << GetLastError();
  ASSERT_EQ(dc->dev_info().cFonts, 4u);
  ASSERT_TRUE(dc->StartDoc(u"Fonts", 5));
  grtest::SpoolRecorder spool;
  Pdev* pdev = static_cast<Pdev*>(dc->surface()->dhpdev);
  GrSpoolUnbind(pdev);
  ddi_test::Bind(pdev, &spool);
  ASSERT_TRUE(dc->StartPage());

  const std::string mincho = "\x96\xbe\x92\xa9", gothic = "\xba\xde\xbc\xaf\xb8";  // 明朝, ｺﾞｼｯｸ in code page 932
  const struct {
    std::u16string asked;
    std::string face;  // the device font's face; empty: no device font
  } cases[] = {
      {u"明朝", mincho},          {u"Mincho", mincho},         {u"MS Mincho", mincho},
      {u"ＭＳ 明朝", mincho},     {u"MS-Mincho", mincho},      {u"msmincho", mincho},
      {u"Ryumin-Light", mincho},  {u"@MS Mincho", "@" + mincho}, {u"@明朝", "@" + mincho},
      {u"ｺﾞｼｯｸ", gothic},        {u"Gothic", gothic},         {u"MS Gothic", gothic},
      {u"ＭＳ ゴシック", gothic}, {u"MS-Gothic", gothic},      {u"GothicBBB-Medium", gothic},
      {u"@ＭＳ ゴシック", "@" + gothic},
      {u"MS PMincho", ""},        {u"Mincho Pro", ""},         {u"Gothic720", ""},
  };
  LONG y = 100;
  std::vector<std::string> faces;
  for (const auto& c : cases) {
    SCOPED_TRACE(plat::ToUtf8(c.asked));
    eng::FontSpec wanted;
    wanted.face_name = c.asked;
    wanted.height = -50;
    const bool selected = dc->SelectFont(wanted);
    EXPECT_EQ(selected && dc->selected_font()->is_device(), !c.face.empty());
    if (c.face.empty()) continue;
    ASSERT_TRUE(selected);
    ASSERT_TRUE(dc->TextOut(100, y += 60, u"Aあ", 0));
    faces.push_back(c.face);
  }
  // The document's own bytes under a device font's name: its own font.
  eng::FontSpec embedded;
  embedded.face_name = u"MS Mincho";
  embedded.data = eng::ReadFontFile("/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf");
  ASSERT_NE(embedded.data, nullptr);
  embedded.height = -50;
  ASSERT_TRUE(dc->SelectFont(embedded));
  EXPECT_FALSE(dc->selected_font()->is_device());
  ASSERT_TRUE(dc->EndPage());
  ASSERT_TRUE(dc->EndDoc());

  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(spool.bytes.data(), spool.bytes.size(), &stream, &error)) << error.message;
  std::vector<std::string> selected;
  std::vector<std::vector<int64_t>> strings;
  for (const jobread::Record& r : stream.records) {
    if (r.opcode == 0x50) {
      EXPECT_EQ(r.Int("kind"), 2);  // character codes
      selected.push_back(r.Text("face"));
    }
    if (r.opcode == 0x52) strings.push_back(r.List("chars"));
    EXPECT_NE(r.opcode, 0x51);
    EXPECT_NE(r.opcode, 0x55);
  }
  EXPECT_EQ(selected, faces);
  ASSERT_EQ(strings.size(), faces.size());
  for (const auto& codes : strings) EXPECT_EQ(codes, (std::vector<int64_t>{u'A', u'あ'}));
}

}  // namespace

namespace {

// A vector page on a one-bit device surface (item 376 on a one-bit page):
// a stretched image is halftoned by the engine, which hands the one-bit
// result back to DrvCopyBits; it goes out as one one-bit image record of
// the destination's size, half its pixels white for mid grey.
TEST_F(DdiPrint, OneBitDeviceSurfaceHalftonesStretchedImages) {
  std::vector<uint8_t> job =
      JobDevmode({{kImagePrint, 0}, {kColorProcess, 1}, {kColor, 1}, {kOneBitSurface, 1}, {kPrintQuality, 600}});
  std::unique_ptr<eng::PrinterDc> dc = OpenDc(job);
  ASSERT_NE(dc, nullptr) << GetLastError();
  ASSERT_EQ(dc->surface()->iBitmapFormat, BMF_1BPP);
  ASSERT_EQ(dc->surface()->iType, STYPE_DEVICE);
  ASSERT_TRUE(dc->StartDoc(u"Mono", 5));
  grtest::SpoolRecorder spool;
  Pdev* pdev = static_cast<Pdev*>(dc->surface()->dhpdev);
  GrSpoolUnbind(pdev);
  ddi_test::Bind(pdev, &spool);
  ASSERT_TRUE(dc->StartPage());
  std::vector<uint8_t> grey(4 * 12, 0x80);
  eng::Image image;
  image.width = 4;
  image.height = 4;
  image.bits = 24;
  image.stride = 12;
  image.data = grey.data();
  ASSERT_TRUE(dc->DrawImage(image, RECTL{100, 200, 132, 232}, RECTL{0, 0, 4, 4}, COLORONCOLOR));
  ASSERT_TRUE(dc->EndPage());
  ASSERT_TRUE(dc->EndDoc());

  jobread::Stream stream;
  jobread::Error error;
  ASSERT_TRUE(jobread::ReadStream(spool.bytes.data(), spool.bytes.size(), &stream, &error)) << error.message;
  std::vector<jobread::Record> images = ddi_test::ImageRecords(stream);
  ASSERT_EQ(images.size(), 1u);
  const jobread::Record& im = images[0];
  EXPECT_EQ(im.Int("bits"), 1);
  EXPECT_EQ(im.Int("left"), 100);
  EXPECT_EQ(im.Int("top"), 200);
  EXPECT_EQ(im.Int("width"), 32);
  EXPECT_EQ(im.Int("rows"), 32);
  const std::vector<uint8_t> pixels = im.Bytes("pixels");
  ASSERT_EQ(pixels.size(), 32u * 4u);
  int white = 0;
  for (uint8_t b : pixels)
    for (int i = 0; i < 8; ++i) white += (b >> i) & 1;
  EXPECT_EQ(white, 512);
}

}  // namespace
