// The settings query library VELMPD4 as the host's commands reach it: loaded
// from the driver directory of the machine, as an outside program loads it,
// its exports looked up by name, freed when the holder goes; and the ANSI
// texts its interfaces speak.
#pragma once

#include <cstring>
#include <string>

#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"

namespace velm_query {

class QueryLibrary {
 public:
  QueryLibrary() = default;
  QueryLibrary(const QueryLibrary&) = delete;
  QueryLibrary& operator=(const QueryLibrary&) = delete;
  ~QueryLibrary() {
    if (module_) FreeLibrary(module_);
  }

  // Loads the library; false with the reason when it cannot be loaded.
  bool LoadModule(std::string* why) {
    std::u16string path = plat::SpoolDriverDirectory() + u"\\VELMPD4.DLL";
    module_ = LoadLibraryW(path.c_str());
    if (!module_) *why = "cannot load " + plat::ToUtf8(path.c_str());
    return module_ != nullptr;
  }

  // Looks an export up; false when the library lacks it.
  template <typename T>
  bool Find(T* out, const char* name) const {
    *out = reinterpret_cast<T>(GetProcAddress(module_, name));
    return *out != nullptr;
  }

 private:
  HMODULE module_ = nullptr;
};

// UTF-8 text of the command line in the system code page.
inline std::string ToAnsi(const std::string& utf8) {
  std::u16string wide = plat::FromUtf8(utf8);
  std::string out(wide.size() * 2 + 1, '\0');
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, out.data(), int(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? size_t(n - 1) : 0);
  return out;
}

// An ANSI text of at most bytes bytes (ended by a NUL or by the field) as
// UTF-8.
inline std::string AnsiToUtf8(const char* ansi, size_t bytes) {
  std::string text(ansi, strnlen(ansi, bytes));
  std::u16string wide(text.size() + 1, u'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), int(wide.size()));
  return plat::ToUtf8(n > 0 ? wide.c_str() : u"");
}
inline std::string AnsiToUtf8(const std::string& ansi) { return AnsiToUtf8(ansi.c_str(), ansi.size()); }

}  // namespace velm_query
