// A machine with a printer of VELMPD0 over the reference model, the stand-in
// spool-side module in its driver directory and the stand-in job-information
// module in the system directory; Pdevs enabled on it as the engine would,
// and the job stream the module received, split into its blocks and put in
// order with the module's calls.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "ddi/ddi_internal.h"
#include "eng/ddi.h"
#include "gr2k/ddi_entries.h"
#include "gr2k/doc.h"
#include "gr2k/pdev.h"
#include "jobinfo_test.h"
#include "plat/winspool.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/model_cache.h"
#include "velm/settings.h"

namespace doc_test {

struct Block {
  uint8_t kind;
  std::string data;
  uint64_t offset;  // of its header in the stream
};

class DocMachine : public jobinfo_test::JobInfoMachine {
 protected:
  void SetUp() override {
    JobInfoMachine::SetUp();
    Put(std::u16string(env_test::kDriverDir) + u"model.mdf",
        mdf_test::ReadFile(mdf_test::DataPath("../models/reference.mdf")));
    MdfFreeModelList();
    out_ = root_ + "/out.prn";
    log_ = root_ + "/spool.log";
    setenv("VELMOUT1_FILE", out_.c_str(), 1);
    setenv("VELMOUT1_LOG", log_.c_str(), 1);
    InstallSpoolModule(VELMOUT1_FULL);
    // The library's module handle, as its loader would have given it (no
    // resource of it is read by these tests).
    DllMain(reinterpret_cast<HINSTANCE>(&module_tag_), DLL_PROCESS_ATTACH, nullptr);
  }
  void TearDown() override {
    for (Pdev* p : pdevs_) DrvDisablePDEV(p);
    // As at the library's unload: the cached contexts and model images go.
    DllMain(reinterpret_cast<HINSTANCE>(&module_tag_), DLL_PROCESS_DETACH, nullptr);
    for (DWORD id : jobs_) plat::SpoolRemoveJob(id);
    for (const char* v : {"VELMOUT1_FILE", "VELMOUT1_LOG", "VELMOUT1_FAIL_WRITE", "VELMOUT1_SHORT_WRITE"})
      unsetenv(v);
    JobInfoMachine::TearDown();
  }

  static void InstallSpoolModule(const char* build) {
    std::string why;
    ASSERT_TRUE(test_support::CopyFile(build, plat::MapPath(std::u16string(env_test::kDriverDir) + u"VELMOUT1.DLL"),
                                       &why))
        << why;
  }

  // A DEVMODE of the printer with some settings changed. The page in dots
  // (items 44-49) is set as for A4 at 600 dpi.
  std::vector<uint8_t> Devmode(const std::vector<std::pair<uint32_t, int32_t>>& items) {
    DriverContext* ctx = CtxOpenKind(printer_, printer_, 0, kOpenEntryPoint);
    EXPECT_NE(ctx, nullptr);
    if (!ctx) return {};
    const std::pair<uint32_t, int32_t> page[] = {{44, 7016}, {45, 4961}, {46, 6816}, {47, 4761}, {48, 100}, {49, 100}};
    for (const auto& [id, value] : page) OptSetValueById(ctx, id, value);
    for (const auto& [id, value] : items) OptSetValueById(ctx, id, value);
    std::vector<uint8_t> dm(ctx->devmode, ctx->devmode + DmGetTotalSize());
    CtxCloseAs(ctx, kCloseDestroy);
    return dm;
  }

  // A Pdev as DrvEnablePDEV makes it for the DEVMODE (by default the
  // printer's own).
  Pdev* Enable(std::vector<uint8_t>* devmode = nullptr) {
    std::vector<uint8_t> printer_devmode;
    if (!devmode) {
      printer_devmode = Devmode({});
      devmode = &printer_devmode;
    }
    ULONG gdi[128] = {};
    DEVINFO dev{};
    DHPDEV d = DrvEnablePDEV(reinterpret_cast<DEVMODEW*>(devmode->data()), nullptr, 0, nullptr,
                             sizeof gdi, gdi, sizeof dev, &dev, nullptr, nullptr, printer_);
    EXPECT_NE(d, nullptr) << "error " << GetLastError();
    auto* pdev = static_cast<Pdev*>(d);
    if (pdev) pdevs_.push_back(pdev);
    return pdev;
  }
  SURFOBJ* Surface(Pdev* pdev) {
    surfaces_.push_back(std::make_unique<SURFOBJ>());
    SURFOBJ* so = surfaces_.back().get();
    std::memset(so, 0, sizeof *so);
    so->dhpdev = pdev;
    return so;
  }
  void Disable(Pdev* pdev) {
    DrvDisablePDEV(pdev);
    std::erase(pdevs_, pdev);
  }

  DWORD AddJob(const std::u16string& document, const std::u16string& user = u"alice") {
    DWORD id = plat::SpoolAddJob({u"Office", document, user});
    jobs_.push_back(id);
    return id;
  }

  // What the spool-side module has written: during a document its file
  // beside the output (renamed over the output at the document's end).
  std::string Output() const {
    const std::string part = out_ + ".velmout1-" + std::to_string(::getpid()) + ".part";
    struct stat st{};
    return plat_test::TempMachine::ReadHost(::stat(part.c_str(), &st) == 0 ? part : out_);
  }
  std::vector<std::string> SpoolCalls() const {
    std::vector<std::string> out;
    std::string text = plat_test::TempMachine::ReadHost(log_);
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find('\n', at);
      if (end == std::string::npos) end = text.size();
      out.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    return out;
  }
  void ClearSpoolLog() const { std::remove(log_.c_str()); }

  static std::vector<Block> Blocks(const std::string& stream) {
    std::vector<Block> out;
    uint64_t at = 0;
    while (at + 8 <= stream.size()) {
      uint32_t n = 0;
      std::memcpy(&n, stream.data() + at + 4, 4);
      if (at + 8 + n > stream.size()) break;
      out.push_back({uint8_t(stream[at]), stream.substr(at + 8, n), at});
      at += 8 + n;
    }
    return out;
  }
  static std::string Name(const Block& b) {
    static const char* hex = "0123456789ABCDEF";
    std::string s = "F";
    s += hex[b.kind & 0xF];
    if (b.kind == kBlockData) {
      s += "[";
      // The opcodes of the page records, in order: each record is aligned
      // and sized as its format says; only the page frame is named here.
      for (size_t i = 0; i + 4 <= b.data.size();) {
        uint8_t op = uint8_t(b.data[i]);
        if (i) s += " ";
        s += op == 0x60 ? "60" : op == 0x61 ? "61" : "??";
        i += op == 0x60 ? 16 : op == 0x61 ? 4 : b.data.size();
      }
      s += "]";
    }
    return s;
  }

  // The module's calls with the blocks in between, in the order they came:
  // each "Write n" adds n bytes to the stream, and a block is named where
  // its header begins.
  std::vector<std::string> Events() const {
    std::vector<Block> blocks = Blocks(Output());
    std::vector<std::string> out;
    uint64_t written = 0;
    size_t next = 0;
    for (const std::string& call : SpoolCalls()) {
      if (call.rfind("Write ", 0) == 0) {
        written += std::stoull(call.substr(6));
        while (next < blocks.size() && blocks[next].offset < written) out.push_back(Name(blocks[next++]));
        continue;
      }
      out.push_back(call);
    }
    return out;
  }

  static inline int module_tag_ = 0;
  std::string out_, log_;
  std::vector<Pdev*> pdevs_;
  std::vector<std::unique_ptr<SURFOBJ>> surfaces_;
  std::vector<DWORD> jobs_;
};

}  // namespace doc_test
