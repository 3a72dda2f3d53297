// The print road of the host: document, device context, driver, job file.
#include "print_road.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "eng/dc.h"
#include "pdf_document.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/security.h"
#include "plat/user.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/devmode.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace velm {

namespace {

constexpr DWORD kDmCopies = 0x100;   // dmFields bit of dmCopies
constexpr int kMaxCopies = 32767;    // dmCopies is a 16-bit field
constexpr uint32_t kMaxJobFile = 99999;
constexpr SHORT kDmColorMonochrome = 1;  // dmColor of a job in black only
constexpr DWORD kDmPaperSize = 0x2;       // dmFields bit of dmPaperSize
constexpr WORD kDcPapers = 2, kDcPaperSize = 3;  // DrvDeviceCapabilities: paper ids, sizes in 0.1 mm

std::u16string SpoolFolder() {
  char16_t dir[MAX_PATH] = {};
  UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  std::u16string system = n && n < MAX_PATH ? std::u16string(dir, n) : u"C:\\Windows\\System32";
  return system + u"\\spool\\PRINTERS";
}

std::string Utf8(const char16_t* s) { return s ? plat::ToUtf8(std::u16string(s)) : std::string(); }

// Takes the lowest free number of a job file in the machine's spool
// folder: the file is created exclusively, so two processes never share
// one. It holds the job's stream by default.
bool ReserveJobFile(std::string* host_path, std::string* error) {
  std::u16string folder = SpoolFolder();
  if (!plat::EnsureWindowsDir(folder.c_str())) {
    *error = "cannot make the spool folder " + plat::ToUtf8(folder);
    return false;
  }
  for (uint32_t n = 1; n <= kMaxJobFile; ++n) {
    std::string path = plat::MapPath(SpoolJobPath(n));
    if (path.empty()) break;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      *host_path = path;
      return true;
    }
    if (errno != EEXIST) {
      *error = "cannot create a job file in the spool folder: " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  *error = "no free job file name in the spool folder " + plat::ToUtf8(folder);
  return false;
}

// The logged-on user, whom the spooler names as the job's owner.
std::u16string UserName() {
  char16_t buf[257] = {};
  DWORD size = 257;
  return GetUserNameW(buf, &size) ? std::u16string(buf) : std::u16string();
}

constexpr uint32_t kImagePrintItem = setting::vdmImagePrint;  // 1 raster mode, 0 vector mode

using DocumentPropertiesProc = LONG (*)(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD);

// The printer's interface module, loaded as the spooler loads it for an
// application's document-properties call, and freed at the end.
struct InterfaceModule {
  HMODULE module = nullptr;
  ~InterfaceModule() {
    if (module) FreeLibrary(module);
  }
};

// Where the mode's setting lies in a DEVMODE: its byte in the driver's
// private part, as the setting catalogue places it.
size_t ImagePrintOffset() {
  const SettingTable& table = OptGetBuiltinTable();
  for (int i = 0; i < table.count; ++i)
    if (table.rows[i].id == kImagePrintItem && DescRegion(table.rows[i].descriptor) == 1)
      return kRegionStart[1] + table.rows[i].offset;
  return 0;
}

// A DEVMODE file as an application hands it over: the public part and the
// private part its header declares, both in the file. The driver merges
// and checks the settings.
bool ReadDevmode(const std::string& path, std::vector<uint8_t>* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot read the DEVMODE file " + path;
    return false;
  }
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    *error = "cannot read the DEVMODE file " + path;
    return false;
  }
  constexpr size_t kHeader = offsetof(DEVMODEW, dmFields) + sizeof(DWORD);
  if (out->size() < kHeader) {
    *error = path + ": not a DEVMODE (" + std::to_string(out->size()) + " bytes)";
    return false;
  }
  const auto* dm = reinterpret_cast<const DEVMODEW*>(out->data());
  if (dm->dmSize < kHeader || dm->dmSize > sizeof(DEVMODEW) ||
      size_t(dm->dmSize) + dm->dmDriverExtra > out->size()) {
    *error = path + ": not a DEVMODE (dmSize " + std::to_string(dm->dmSize) + ", dmDriverExtra " +
             std::to_string(dm->dmDriverExtra) + ", " + std::to_string(out->size()) + " bytes in the file)";
    return false;
  }
  out->resize(size_t(dm->dmSize) + dm->dmDriverExtra);
  return true;
}

// The graphics driver module of the printer and its interface module
// (Windows paths).
bool DriverPath(HANDLE printer, std::u16string* path, std::u16string* interface_module) {
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> buf(needed);
  if (!GetPrinterDriverW(printer, nullptr, 2, buf.data(), needed, &needed)) return false;
  auto* info = reinterpret_cast<DRIVER_INFO_2W*>(buf.data());
  if (!info->pDriverPath || !*info->pDriverPath || !info->pConfigFile || !*info->pConfigFile) return false;
  *path = info->pDriverPath;
  *interface_module = info->pConfigFile;
  return true;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The last error as the reason a step failed: a full disk by name.
std::string ErrorCode() {
  const DWORD code = GetLastError();
  if (code == ERROR_DISK_FULL) return "the disk is full, error " + std::to_string(code);
  return "error " + std::to_string(code);
}

// The job's DEVMODE as an application gets it: DrvDocumentProperties of
// the printer's interface module with DM_IN_BUFFER | DM_OUT_BUFFER, the
// input (a DEVMODE file's, or none for the printer's defaults) merged and
// checked by the driver into its output.
bool DocumentDevmode(HANDLE printer, std::u16string name, const std::u16string& interface_module,
                     const std::vector<uint8_t>* input, std::vector<uint8_t>* out, std::string* error) {
  InterfaceModule ui;
  ui.module = LoadLibraryW(interface_module.c_str());
  auto entry = ui.module ? reinterpret_cast<DocumentPropertiesProc>(GetProcAddress(ui.module, "DrvDocumentProperties"))
                         : nullptr;
  if (!entry) {
    *error = "cannot load DrvDocumentProperties of the printer interface " + plat::ToUtf8(interface_module) + " (" +
             ErrorCode() + ")";
    return false;
  }
  const LONG size = entry(nullptr, printer, name.data(), nullptr, nullptr, 0);
  if (size < LONG(sizeof(DEVMODEW))) {
    *error = "the printer interface gives no DEVMODE size (" + ErrorCode() + ")";
    return false;
  }
  std::vector<uint8_t> in_copy;
  if (input) in_copy = *input;
  out->assign(size_t(size), 0);
  const LONG r = entry(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(out->data()),
                       input ? reinterpret_cast<DEVMODEW*>(in_copy.data()) : nullptr, DM_IN_BUFFER | DM_OUT_BUFFER);
  if (r != IDOK) {
    *error = std::string(input ? "the driver did not take the job's DEVMODE" : "the driver gave no DEVMODE") + " (" +
             ErrorCode() + ")";
    return false;
  }
  const auto* dm = reinterpret_cast<const DEVMODEW*>(out->data());
  out->resize(std::min(out->size(), size_t(dm->dmSize) + dm->dmDriverExtra));
  return true;
}

using DeviceCapabilitiesProc = DWORD (*)(HANDLE, LPWSTR, WORD, void*, void*);

// The model's paper whose size is the page's within a point, as the
// interface module's DrvDeviceCapabilities lists them; 0 for none.
SHORT MatchingPaper(HANDLE printer, std::u16string name, const std::u16string& interface_module, double width_pt,
                    double height_pt) {
  InterfaceModule ui;
  ui.module = LoadLibraryW(interface_module.c_str());
  auto caps = ui.module ? reinterpret_cast<DeviceCapabilitiesProc>(GetProcAddress(ui.module, "DrvDeviceCapabilities"))
                        : nullptr;
  if (!caps) return 0;
  const DWORD n = caps(printer, name.data(), kDcPapers, nullptr, nullptr);
  if (n == 0 || n > 4096 || caps(printer, name.data(), kDcPaperSize, nullptr, nullptr) != n) return 0;
  std::vector<WORD> ids(n);
  std::vector<POINTL> sizes(n);  // two LONGs, as DC_PAPERSIZE fills them
  if (caps(printer, name.data(), kDcPapers, ids.data(), nullptr) != n ||
      caps(printer, name.data(), kDcPaperSize, sizes.data(), nullptr) != n)
    return 0;
  for (DWORD i = 0; i < n; ++i) {
    const double w = sizes[i].x * 72.0 / 254.0, h = sizes[i].y * 72.0 / 254.0;
    if (std::fabs(w - width_pt) <= 1.0 && std::fabs(h - height_pt) <= 1.0) return SHORT(ids[i]);
  }
  return 0;
}

// What a failed job leaves in output: nothing when the disk was full (the
// spool-side module keeps no part of such a stream), else the pages before.
std::string StreamLeft(const std::string& code, const std::string& output) {
  if (code.rfind("the disk is full", 0) == 0) return "; no job stream was kept in " + output;
  return "; the job stream in " + output + " ends before it";
}

// A job stream can be written to path: a device or pipe there, or a new
// file in its folder (made and removed again). The spool-side module
// writes beside the file and renames, so the folder must take a new file.
bool CheckOutput(const std::string& path, std::string* error) {
  struct stat st{};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      *error = "cannot write the job stream to " + path + ": it is a folder";
      return false;
    }
    if (!S_ISREG(st.st_mode)) return true;
  }
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string probe = folder + "/.velm-print-XXXXXX";
  const int fd = ::mkstemp(probe.data());
  if (fd < 0) {
    *error = "cannot write the job stream to " + path + ": the folder " + folder + " takes no new file (" +
             std::strerror(errno) + ")";
    return false;
  }
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// The spool-side module of this machine writes the stream of a document to
// the host file VELMOUT1_FILE names; the variable is set for this job and
// put back afterwards.
class OutputBinding {
 public:
  explicit OutputBinding(const std::string& path) {
    if (const char* old = std::getenv(kVariable)) old_ = old;
    setenv(kVariable, path.c_str(), 1);
  }
  ~OutputBinding() {
    if (old_) setenv(kVariable, old_->c_str(), 1);
    else unsetenv(kVariable);
  }

 private:
  static constexpr const char* kVariable = "VELMOUT1_FILE";
  std::optional<std::string> old_;
};

struct PrinterHandle {
  HANDLE h = nullptr;
  ~PrinterHandle() {
    if (h) ClosePrinter(h);
  }
};

}  // namespace

std::u16string SpoolJobPath(uint32_t n) {
  char name[16];
  std::snprintf(name, sizeof name, "%05u.SPL", n);
  return SpoolFolder() + u"\\" + plat::FromUtf8(name);
}

bool PrintDocument(const PrintRequest& request, PrintResult* result, std::string* error,
                   const std::function<void(const PrintedPage&)>& on_page) {
  *result = PrintResult{};
  if (request.copies < 0 || request.copies > kMaxCopies) {
    *error = "copies must lie between 1 and " + std::to_string(kMaxCopies);
    return false;
  }
  // The document and its pages.
  std::unique_ptr<PdfDocument> doc = PdfDocument::Open(request.document, error);
  if (!doc) return false;
  const int count = doc->PageCount();
  if (count <= 0) {
    *error = request.document + ": the document has no pages";
    return false;
  }
  const int first = request.first_page, last = request.last_page ? request.last_page : count;
  if (first < 1 || last < first || last > count) {
    *error = "pages " + std::to_string(first) + "-" + std::to_string(last) + " are not in the document (" +
             std::to_string(count) + " page" + (count == 1 ? "" : "s") + ")";
    return false;
  }

  // The printer, its driver and the job's DEVMODE.
  PrinterHandle printer;
  std::u16string name = plat::FromUtf8(request.printer);
  if (!OpenPrinterW(name.data(), &printer.h, nullptr)) {
    *error = "no printer " + request.printer + " on the machine in " + plat::MachineRoot();
    return false;
  }
  std::u16string driver, interface_module;
  if (!DriverPath(printer.h, &driver, &interface_module)) {
    *error = "the printer " + request.printer + " names no graphics driver and interface";
    return false;
  }
  // The job's DEVMODE from the driver as an application gets it: the
  // DEVMODE file and the mode go in as the input.
  std::vector<uint8_t> input, devmode;
  if (!request.devmode.empty() && !ReadDevmode(request.devmode, &input, error)) return false;
  if (request.devmode.empty()) {
    // The paper as an application's print dialog chooses it: the model's
    // paper of the document's (first printed) page size, else the
    // DEVMODE's with a warning.
    double width_pt = 0, height_pt = 0;
    if (!doc->PageSize(first - 1, &width_pt, &height_pt, error)) return false;
    if (!DocumentDevmode(printer.h, name, interface_module, nullptr, &input, error)) return false;
    auto* in = reinterpret_cast<DEVMODEW*>(input.data());
    if (const SHORT paper = MatchingPaper(printer.h, name, interface_module, width_pt, height_pt)) {
      in->dmPaperSize = paper;
      in->dmFields |= kDmPaperSize;
    } else if (request.warn) {
      char size[64];
      std::snprintf(size, sizeof size, "%.1f x %.1f points", width_pt, height_pt);
      request.warn("page " + std::to_string(first) + " is " + size + ", which no paper of the model fits within a " +
                   "point; it prints on the DEVMODE's paper " + std::to_string(in->dmPaperSize) +
                   " and may not fit");
    }
  }
  if (request.mode != PrintRequest::Mode::kModel) {
    const bool raster = request.mode == PrintRequest::Mode::kRaster;
    const size_t at = ImagePrintOffset();
    if (input.empty() && !DocumentDevmode(printer.h, name, interface_module, nullptr, &input, error)) return false;
    const auto* in = reinterpret_cast<const DEVMODEW*>(input.data());
    if (at == 0 || at >= size_t(in->dmSize) + in->dmDriverExtra) {
      *error = "the job's DEVMODE has no place for the mode (a private part of " +
               std::to_string(in->dmDriverExtra) + " bytes)";
      return false;
    }
    input[at] = raster ? 1 : 0;
    if (!DocumentDevmode(printer.h, name, interface_module, &input, &devmode, error)) return false;
    if (at >= devmode.size() || (devmode[at] != 0) != raster) {
      *error = std::string("the model's rules do not keep ") + (raster ? "raster" : "vector") + " mode for this job";
      return false;
    }
  } else if (!DocumentDevmode(printer.h, name, interface_module, input.empty() ? nullptr : &input, &devmode,
                              error)) {
    return false;
  }
  auto* dm = reinterpret_cast<DEVMODEW*>(devmode.data());
  if (request.copies > 0) {
    if (dm->dmSize < offsetof(DEVMODEW, dmCopies) + sizeof(dm->dmCopies)) {
      *error = request.devmode + ": the DEVMODE is too short to hold a number of copies";
      return false;
    }
    dm->dmCopies = SHORT(request.copies);
    dm->dmFields |= kDmCopies;
  }

  // The job: the spooler's record, which the driver reads, and the file its
  // stream goes to.
  std::u16string doc_name = plat::FromUtf8(BaseName(request.document));
  plat::SpoolJob job;
  job.printer = name;
  job.document = doc_name;
  job.user = UserName();
  struct JobRecord {
    DWORD id;
    ~JobRecord() { plat::SpoolRemoveJob(id); }
  } job_record{plat::SpoolAddJob(job)};
  if (job_record.id == 0) {
    *error = "the spooler could not number the job in " + plat::MachineRoot() + " (" + ErrorCode() + ")";
    return false;
  }
  result->job_id = job_record.id;
  if (!request.output.empty() && !CheckOutput(request.output, error)) return false;
  std::string spool_file;
  if (!ReserveJobFile(&spool_file, error)) return false;
  result->output = request.output.empty() ? spool_file : request.output;
  // The spool folder keeps the job's file only when it holds the stream of
  // a job that printed whole.
  struct Reservation {
    std::string path;
    bool keep = false;
    ~Reservation() {
      if (!keep) ::unlink(path.c_str());
    }
  } reservation{spool_file};
  OutputBinding binding(result->output);

  // The device context: the driver loaded and enabled for this printer.
  eng::DcOpenParams params;
  params.driver_path = driver.c_str();
  params.device_name = name.c_str();
  params.printer = printer.h;
  params.devmode = dm;
  std::unique_ptr<eng::PrinterDc> dc = eng::DcOpen(params);
  if (!dc) {
    *error = "the graphics driver " + Utf8(driver.c_str()) + " did not open a device context (" + ErrorCode() + ")";
    return false;
  }
  const GDIINFO& gi = dc->gdi_info();
  const int dpi = int(gi.ulLogPixelsX);
  if (dpi <= 0 || gi.ulLogPixelsY != gi.ulLogPixelsX) {
    *error = "the driver reports a resolution of " + std::to_string(gi.ulLogPixelsX) + " x " +
             std::to_string(gi.ulLogPixelsY) + " dpi; pages are rendered at one resolution only";
    return false;
  }
  // A job the DEVMODE sets to monochrome prints in one bit, whatever the
  // device's surface (vector mode has none of its own).
  const bool mono = dm->dmSize >= offsetof(DEVMODEW, dmColor) + sizeof(dm->dmColor) && dm->dmColor == kDmColorMonochrome;
  const int bits = mono || (dc->surface() && dc->surface()->iBitmapFormat == BMF_1BPP) ? 1 : 24;

  if (!dc->StartDoc(doc_name.c_str(), result->job_id)) {
    *error = "the driver did not start the document (" + ErrorCode() + ")";
    return false;
  }
  for (int n = first; n <= last; ++n) {
    // The page is played onto the paper: the device's origin is the corner
    // of the printable area, which sits at the physical offset.
    double width_pt = 0, height_pt = 0;
    if (!doc->PageSize(n - 1, &width_pt, &height_pt, error)) {
      dc->AbortDoc();
      *error = "page " + std::to_string(n) + ": " + *error;
      return false;
    }
    PlayParams play;
    play.dpi = dpi;
    play.origin_x = gi.ptlPhysOffset.x;
    play.origin_y = gi.ptlPhysOffset.y;
    play.grey = bits == 1;
    play.banded = dc->banding();
    PlayStats stats;
    std::string why;
    bool ok = dc->StartPage();
    if (ok && !doc->Play(n - 1, play, dc.get(), &stats, &why)) {
      const std::string code = ErrorCode();
      dc->AbortDoc();
      *error = "page " + std::to_string(n) + ": " + why + " (" + code + ")" + StreamLeft(code, result->output);
      return false;
    }
    ok = dc->EndPage() && ok;
    if (!ok) {
      std::string code = ErrorCode();
      dc->AbortDoc();
      *error = "page " + std::to_string(n) + ": the driver failed the page (" + code + ")" +
               StreamLeft(code, result->output);
      return false;
    }
    ++result->pages;
    if (on_page) {
      PrintedPage p;
      p.number = n;
      p.dpi = dpi;
      p.bits = bits;
      // The paper in pixels, as MuPDF rounds a page's box outwards.
      p.width = int32_t(std::ceil(width_pt * dpi / 72.0 - 0.001));
      p.height = int32_t(std::ceil(height_pt * dpi / 72.0 - 0.001));
      p.area_width = LONG(gi.ulHorzRes);
      p.area_height = LONG(gi.ulVertRes);
      p.offset_x = gi.ptlPhysOffset.x;
      p.offset_y = gi.ptlPhysOffset.y;
      p.banding = dc->banding();
      p.stats = stats;
      on_page(p);
    }
  }
  if (!dc->EndDoc()) {
    *error = "the driver did not end the document (" + ErrorCode() + "); the job stream in " + result->output +
             " may be incomplete";
    return false;
  }
  dc.reset();
  // The spool-side module made the file at the document's start, and a
  // job stream is never empty (a device such as /dev/null takes it whole).
  struct stat st{};
  if (::stat(result->output.c_str(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size == 0)) {
    *error = "the spool-side module wrote no job stream to " + result->output;
    return false;
  }
  reservation.keep = request.output.empty();
  return true;
}

}  // namespace velm
