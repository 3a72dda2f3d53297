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
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/devmode.h"
#include "velm/dm_merge.h"
#include "velm/library.h"
#include "velm/setting_ids.h"
#include "velm/settings.h"

namespace velm {

namespace {

constexpr DWORD kDmCopies = 0x100;   // dmFields bit of dmCopies
constexpr int kMaxCopies = 32767;    // dmCopies is a 16-bit field
constexpr uint32_t kMaxJobFile = 99999;

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

// The printer's DEVMODE as a fresh context of the driver builds it: what an
// application gets for a job before it changes anything.
bool DefaultDevmode(HANDLE printer, std::vector<uint8_t>* out) {
  CommonProcessAttach(nullptr);
  DriverContext* ctx = CtxOpenKind(printer, printer, 0, kOpenEntryPoint);
  if (ctx) {
    out->assign(ctx->devmode, ctx->devmode + dm::kTotalSize);
    CtxCloseAs(ctx, kCloseDestroy);
  }
  CommonProcessDetach();
  return ctx != nullptr;
}

// The job's DEVMODE with the mode set: merged into a fresh context of the
// printer as an application's document-properties call merges it, the
// mode's setting changed and the private settings checked under the
// model's rules. False when the rules do not keep the mode.
bool SetMode(HANDLE printer, bool raster, std::vector<uint8_t>* devmode, std::string* error) {
  CommonProcessAttach(nullptr);
  DriverContext* ctx = CtxOpenKind(printer, printer, 0, kOpenEntryPoint);
  bool ok = false;
  if (!ctx) {
    *error = "cannot open a context for the printer: its model-description file is missing or cannot be compiled";
  } else if (!DmMergeInput(ctx, devmode->data(), devmode->size(), DM_IN_BUFFER | DM_OUT_BUFFER | kMergeDocNoSheet)) {
    *error = "cannot merge the job's DEVMODE";
  } else if (SettingRecord* row = OptFindSetting(ctx, setting::vdmImagePrint); !row || !OptSetValue(ctx, row, raster ? 1 : 0)) {
    *error = std::string("the model does not let the job be printed in ") + (raster ? "raster" : "vector") + " mode";
  } else {
    DmValidatePrivate(ctx->devmode, ctx, 2);
    DmPrivateToPublic(ctx->devmode, ctx, 2);
    if ((OptGetValueById(ctx, setting::vdmImagePrint) != 0) != raster) {
      *error = std::string("the model's rules do not keep ") + (raster ? "raster" : "vector") + " mode for this job";
    } else {
      devmode->assign(ctx->devmode, ctx->devmode + dm::kTotalSize);
      ok = true;
    }
  }
  if (ctx) CtxCloseAs(ctx, kCloseDestroy);
  CommonProcessDetach();
  return ok;
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

// The graphics driver module of the printer (a Windows path).
bool DriverPath(HANDLE printer, std::u16string* path) {
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed == 0) return false;
  std::vector<BYTE> buf(needed);
  if (!GetPrinterDriverW(printer, nullptr, 2, buf.data(), needed, &needed)) return false;
  auto* info = reinterpret_cast<DRIVER_INFO_2W*>(buf.data());
  if (!info->pDriverPath || !*info->pDriverPath) return false;
  *path = info->pDriverPath;
  return true;
}

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ErrorCode() { return "error " + std::to_string(GetLastError()); }

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
  std::u16string driver;
  if (!DriverPath(printer.h, &driver)) {
    *error = "the printer " + request.printer + " names no graphics driver";
    return false;
  }
  std::vector<uint8_t> devmode;
  if (!request.devmode.empty()) {
    if (!ReadDevmode(request.devmode, &devmode, error)) return false;
  } else if (!DefaultDevmode(printer.h, &devmode)) {
    *error = "cannot open a context for " + request.printer +
             ": its model-description file is missing or cannot be compiled";
    return false;
  }
  if (request.mode != PrintRequest::Mode::kModel &&
      !SetMode(printer.h, request.mode == PrintRequest::Mode::kRaster, &devmode, error))
    return false;
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
  result->job_id = job_record.id;
  std::string spool_file;
  if (!ReserveJobFile(&spool_file, error)) return false;
  result->output = request.output.empty() ? spool_file : request.output;
  // The spool folder keeps the job's file only when it holds the job's
  // stream, from the document's start on.
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
  const int bits = dc->surface() && dc->surface()->iBitmapFormat == BMF_1BPP ? 1 : 24;

  if (!dc->StartDoc(doc_name.c_str(), result->job_id)) {
    *error = "the driver did not start the document (" + ErrorCode() + ")";
    return false;
  }
  reservation.keep = request.output.empty();
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
    PlayStats stats;
    std::string why;
    bool ok = dc->StartPage();
    if (ok && !doc->Play(n - 1, play, dc.get(), &stats, &why)) {
      dc->AbortDoc();
      *error = "page " + std::to_string(n) + ": " + why + " (" + ErrorCode() + "); the job stream in " +
               result->output + " ends before it";
      return false;
    }
    ok = dc->EndPage() && ok;
    if (!ok) {
      std::string code = ErrorCode();
      dc->AbortDoc();
      *error = "page " + std::to_string(n) + ": the driver failed the page (" + code + "); the job stream in " +
               result->output + " ends before it";
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
  return true;
}

}  // namespace velm
