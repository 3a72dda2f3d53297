// Helpers the spooler calls share: printer handles and contexts that close
// on every path, and the process-wide first-run flag that is always left 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "plat/winspool.h"
#include "velm/context.h"

namespace events {

// A printer opened by name with the first of the access masks the spooler
// grants; closed when it goes out of scope.
class Printer {
 public:
  Printer(const char16_t* name, std::initializer_list<DWORD> masks) {
    for (DWORD mask : masks) {
      PRINTER_DEFAULTSW defaults{nullptr, nullptr, mask};
      if (name && OpenPrinterW(const_cast<LPWSTR>(name), &handle_, &defaults)) return;
      handle_ = nullptr;
    }
  }
  ~Printer() { Close(); }
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;
  void Close() {
    if (handle_) ClosePrinter(handle_);
    handle_ = nullptr;
  }
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HANDLE handle_ = nullptr;
};

// A context closed when it goes out of scope.
class Context {
 public:
  explicit Context(DriverContext* ctx) : ctx_(ctx) {}
  ~Context() {
    if (ctx_) CtxClose(ctx_);
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;
  DriverContext* get() const { return ctx_; }
  explicit operator bool() const { return ctx_ != nullptr; }

 private:
  DriverContext* ctx_;
};

// Sets the first-run flag for its scope and leaves it 0 whatever happens.
class FirstRun {
 public:
  FirstRun() { CtxSetFirstRun(1); }
  ~FirstRun() { CtxSetFirstRun(0); }
  FirstRun(const FirstRun&) = delete;
  FirstRun& operator=(const FirstRun&) = delete;
};

// The bytes a DEVMODE declares (public and private part), 0 for none.
size_t DeclaredLength(const DEVMODEW* devmode);

}  // namespace events
