// The spool-side output module of a document: where it is loaded from, how
// its document ends, and the job-name block written to it.
#include <cstring>
#include <string>

#include "gr2k/cmdtext.h"
#include "gr2k/dlstream.h"
#include "gr2k/doc.h"
#include "gr2k/pdev.h"
#include "gr2k/spool_api.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/settings.h"
#include "velm/spooler.h"

namespace {

// Longest driver path the spooler may give for the module's directory.
constexpr size_t kMaxDriverPath = 240;

constexpr char kJobNamePrefix[] = "@PJL SET JOBNAME = \"";
constexpr char kJobNameSuffix[] = "\"\r\n";

}  // namespace

// ---- spool-side module ------------------------------------------------------------------

BOOL SpoolDllPath(const char16_t* dll_name, HANDLE printer, char16_t* out, uint32_t capacity) {
  if (!out || capacity == 0) return FALSE;
  out[0] = 0;
  if (!dll_name || !dll_name[0]) return FALSE;
  auto* info = static_cast<DRIVER_INFO_2W*>(SplGetDriverInfo(printer, 2));
  if (!info) return FALSE;
  std::u16string driver = info->pDriverPath ? info->pDriverPath : u"";
  MemFree(info);
  if (driver.empty() || driver.size() > kMaxDriverPath) return FALSE;
  size_t slash = driver.rfind(u'\\');
  if (slash == std::u16string::npos || slash == 0) return FALSE;
  const std::u16string dir = driver.substr(0, slash);

  // The module may load modules of its own from its directory.
  std::u16string path_var;
  DWORD need = GetEnvironmentVariableW(u"PATH", nullptr, 0);
  if (need > 0) {
    path_var.assign(need, u'\0');
    DWORD got = GetEnvironmentVariableW(u"PATH", path_var.data(), need);
    path_var.resize(got < need ? got : 0);
  }
  bool present = false;
  for (size_t at = 0; at <= path_var.size();) {
    size_t end = path_var.find(u';', at);
    if (end == std::u16string::npos) end = path_var.size();
    std::u16string element = path_var.substr(at, end - at);
    while (!element.empty() && element.back() == u'\\') element.pop_back();
    if (!element.empty() && plat::WCmpI(element.c_str(), dir.c_str()) == 0) present = true;
    at = end + 1;
  }
  if (!present) {
    std::u16string value = path_var.empty() ? dir : path_var + u";" + dir;
    SetEnvironmentVariableW(u"PATH", value.c_str());
  }

  std::u16string full = dir + u"\\" + dll_name;
  if (full.size() + 1 > capacity) return FALSE;
  std::memcpy(out, full.c_str(), (full.size() + 1) * sizeof(char16_t));
  return TRUE;
}

void GrSpoolUnbind(Pdev* pdev) {
  if (!pdev) return;
  DisplayListStream& s = pdev->stream;
  if (s.spoolModule) {
    HANDLE document = s.spoolDocument;
    if (auto end = reinterpret_cast<SplEndDocFn>(GetProcAddress(s.spoolModule, kSplEndDoc))) end(document);
    if (auto close = reinterpret_cast<SplCloseFn>(GetProcAddress(s.spoolModule, kSplClose))) close(document);
    if (FreeLibrary(s.spoolModule)) s.spoolModule = nullptr;
  }
  s.spoolDocument = nullptr;
  s.spoolWrite = nullptr;
}

BOOL JobWriteJobName(DisplayListStream* stream, const char* name, int32_t length) {
  if (!stream || !name || length <= 0) return TRUE;
  std::string value(name, size_t(length));
  JobTextAccumulator measure{0, nullptr, 0, false};
  JobAppendText(&measure, kJobNamePrefix);
  JobAppendQuotedValue(&measure, value.c_str());
  JobAppendText(&measure, kJobNameSuffix);
  std::string block(kBlockHeaderBytes + measure.length + 1, '\0');
  JobTextAccumulator fill{0, block.data() + kBlockHeaderBytes, measure.length + 1, false};
  JobAppendText(&fill, kJobNamePrefix);
  JobAppendQuotedValue(&fill, value.c_str());
  JobAppendText(&fill, kJobNameSuffix);
  if (fill.length != measure.length) return FALSE;
  block[0] = char(kBlockJobStart);
  const uint32_t n = fill.length;
  for (int i = 0; i < 4; ++i) block[4 + i] = char((n >> (8 * i)) & 0xFF);
  return SpoolWrite(stream, block.data(), kBlockHeaderBytes + n);
}

