// A printer of the machine with a context of the driver open on it, as an
// entry point opens one: the inspection commands that work on the stored
// settings, presets and the address book share it.
#pragma once

#include <cstdio>
#include <string>

#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/library.h"
#include "velm/paths.h"

namespace velm_cli {

inline int FailCommand(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "velm %s: %s\n", what.c_str(), why.c_str());
  return 1;
}

class PrinterSession {
 public:
  // kind: the context kind (0 the stored settings, 4 a query's).
  PrinterSession(const std::string& what, const std::string& printer, uint16_t kind) : what_(what) {
    std::u16string name = plat::FromUtf8(printer);
    if (!OpenPrinterW(name.data(), &h_, nullptr)) {
      error_ = "no printer " + printer + " on the machine in " + plat::MachineRoot();
      return;
    }
    CommonProcessAttach(nullptr);
    attached_ = true;
    ctx_ = CtxOpenKind(h_, h_, kind, kOpenEntryPoint);
    if (!ctx_) {
      error_ = "cannot open a context for " + printer +
               ": its model-description file is missing or cannot be compiled";
      return;
    }
    // The driver's data directory (driver ini, preset files, address
    // book), as the printer's set-up makes it.
    PathCreateDataDir();
  }
  ~PrinterSession() {
    if (ctx_) CtxCloseAs(ctx_, kCloseDestroy);
    if (attached_) CommonProcessDetach();
    if (h_) ClosePrinter(h_);
    std::fflush(stdout);
  }
  PrinterSession(const PrinterSession&) = delete;
  PrinterSession& operator=(const PrinterSession&) = delete;

  bool ok() const { return ctx_ != nullptr; }
  int Refuse() const { return FailCommand(what_, error_); }
  DriverContext* ctx() const { return ctx_; }
  HANDLE printer() const { return h_; }
  const std::string& what() const { return what_; }

 protected:
  // Ends the session as failed with the reason (the context is closed).
  void Abandon(const std::string& why) {
    error_ = why;
    if (ctx_) CtxCloseAs(ctx_, kCloseDestroy);
    ctx_ = nullptr;
  }

 private:
  std::string what_;
  std::string error_;
  HANDLE h_ = nullptr;
  bool attached_ = false;
  DriverContext* ctx_ = nullptr;
};

}  // namespace velm_cli
