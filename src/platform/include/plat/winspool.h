// The print spooler of the emulated machine (winspool): a catalogue of
// printers and their drivers, kept in <machine root>/spool/spooler.reg, and
// each printer's typed printer data in a store file of its own under
// <machine root>/spool/data, all shared by every process. (A catalogue of
// the earlier layout, which also held the printer data, is still read; a
// printer's first data write moves its values into its own file.)
//
// GetPrinterW and GetPrinterDriverW follow the two-call convention: with a
// buffer that is too small (or none) they fail with
// ERROR_INSUFFICIENT_BUFFER and give the size needed; the record's strings
// and DEVMODE follow it in the same buffer.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "plat/wintypes.h"

struct DEVMODEW;  // the public DEVMODE, defined by the driver

// What DevQueryPrintEx of a driver is asked about a job (level 1).
struct DEVQUERYPRINT_INFO {
  DWORD cbSize;
  DWORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
};


struct PRINTER_INFO_1W {
  DWORD Flags;
  LPWSTR pDescription;
  LPWSTR pName;
  LPWSTR pComment;
};

struct PRINTER_INFO_2W {
  LPWSTR pServerName;
  LPWSTR pPrinterName;
  LPWSTR pShareName;
  LPWSTR pPortName;
  LPWSTR pDriverName;
  LPWSTR pComment;
  LPWSTR pLocation;
  DEVMODEW* pDevMode;
  LPWSTR pSepFile;
  LPWSTR pPrintProcessor;
  LPWSTR pDatatype;
  LPWSTR pParameters;
  void* pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
};
static_assert(offsetof(PRINTER_INFO_2W, pPrinterName) == sizeof(void*));
static_assert(offsetof(PRINTER_INFO_2W, Attributes) == 13 * sizeof(void*));

struct DRIVER_INFO_2W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
};

struct DRIVER_INFO_3W {
  DWORD cVersion;
  LPWSTR pName;
  LPWSTR pEnvironment;
  LPWSTR pDriverPath;
  LPWSTR pDataFile;
  LPWSTR pConfigFile;
  LPWSTR pHelpFile;
  LPWSTR pDependentFiles;  // names each terminated, ended by an empty one
  LPWSTR pMonitorName;
  LPWSTR pDefaultDataType;
};

struct JOB_INFO_1W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pDatatype;
  LPWSTR pStatus;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD TotalPages;
  DWORD PagesPrinted;
  SYSTEMTIME Submitted;
};

struct JOB_INFO_2W {
  DWORD JobId;
  LPWSTR pPrinterName;
  LPWSTR pMachineName;
  LPWSTR pUserName;
  LPWSTR pDocument;
  LPWSTR pNotifyName;
  LPWSTR pDatatype;
  LPWSTR pPrintProcessor;
  LPWSTR pParameters;
  LPWSTR pDriverName;
  DEVMODEW* pDevMode;
  LPWSTR pStatus;
  void* pSecurityDescriptor;
  DWORD Status;
  DWORD Priority;
  DWORD Position;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD TotalPages;
  DWORD Size;
  SYSTEMTIME Submitted;
  DWORD Time;
  DWORD PagesPrinted;
};

// Level 7: the directory-service publishing of a printer.
struct PRINTER_INFO_7W {
  LPWSTR pszObjectGUID;
  DWORD dwAction;
};
constexpr DWORD DSPRINT_PUBLISH = 0x1;
constexpr DWORD DSPRINT_UNPUBLISH = 0x4;
constexpr DWORD DSPRINT_UPDATE = 0x2;

// Level 9: the per-user default DEVMODE (null: the user has none).
struct PRINTER_INFO_9W {
  DEVMODEW* pDevMode;
};

struct PRINTER_DEFAULTSW {
  LPWSTR pDatatype;
  DEVMODEW* pDevMode;
  DWORD DesiredAccess;
};

constexpr DWORD PRINTER_ATTRIBUTE_SHARED = 0x00000008;
constexpr DWORD PRINTER_ATTRIBUTE_NETWORK = 0x00000010;
constexpr DWORD PRINTER_ATTRIBUTE_LOCAL = 0x00000040;
constexpr DWORD PRINTER_ATTRIBUTE_ENABLE_BIDI = 0x00000800;

constexpr DWORD ERROR_INVALID_LEVEL = 124;
constexpr DWORD ERROR_UNKNOWN_PRINTER_DRIVER = 1797;

extern "C" {
// ERROR_INVALID_PRINTER_NAME for a printer the machine does not have;
// ERROR_ACCESS_DENIED for a desired access plat::SpoolRefuseAccess refuses.
// Faults: "OpenPrinterW".
BOOL OpenPrinterW(LPWSTR name, HANDLE* printer, PRINTER_DEFAULTSW* defaults);
BOOL ClosePrinter(HANDLE printer);
// Levels 1, 2 and 9. Level 2's pDevMode is the per-user DEVMODE when the
// user has one, else the printer's own; level 9's is the per-user one or
// null. Faults: "GetPrinterW" (ERROR_ACCESS_DENIED) and
// "GetPrinterW.empty" (the call succeeds and needs 0 bytes).
BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
// Level 7: the machine has no directory service, so publishing does
// nothing but is logged ("SetPrinterW 7 <action>") for the callers' order.
// Level 9: stores the per-user default DEVMODE (the machine has one user),
// dmSize + dmDriverExtra bytes of it; a null pDevMode removes it; a DEVMODE
// whose dmSize is below its 72-byte header is refused with
// ERROR_INVALID_PARAMETER. command must be 0. Faults: "SetPrinterW"
// (ERROR_ACCESS_DENIED).
[[nodiscard]] BOOL SetPrinterW(HANDLE printer, DWORD level, BYTE* info, DWORD command);
// Levels 2 and 3, for the default environment when environment is null.
// Faults: "GetPrinterDriverW" (ERROR_ACCESS_DENIED).
BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
// Answers an error code: ERROR_FILE_NOT_FOUND for a missing value,
// ERROR_MORE_DATA with the size needed when the buffer is too small.
// Faults: "GetPrinterDataW" (ERROR_ACCESS_DENIED).
[[nodiscard]] DWORD GetPrinterDataW(HANDLE printer, LPWSTR name, DWORD* type, BYTE* data, DWORD size, DWORD* needed);
// ERROR_ACCESS_DENIED while the printer's data writes are denied
// (plat::SpoolDenyDataWrites). Faults: "SetPrinterDataW".
[[nodiscard]] DWORD SetPrinterDataW(HANDLE printer, LPWSTR name, DWORD type, BYTE* data, DWORD size);
[[nodiscard]] DWORD DeletePrinterDataW(HANDLE printer, LPWSTR name);
// Levels 1 and 2 of a job of the handle's printer (plat::SpoolAddJob);
// ERROR_INVALID_PARAMETER for a job the printer does not have. Two-call
// convention as GetPrinterW. Faults: "GetJobW" (ERROR_ACCESS_DENIED).
BOOL GetJobW(HANDLE printer, DWORD job_id, DWORD level, BYTE* buffer, DWORD size, DWORD* needed);
// A spooler thread's change of identity. Users have no meaning on this
// machine: both only log their call (the token a number counted up);
// ImpersonatePrinterClient fails with ERROR_INVALID_HANDLE for no token.
HANDLE RevertToPrinterSelf();
BOOL ImpersonatePrinterClient(HANDLE token);
}

namespace plat {

// Printer handles OpenPrinterW gave out that are not closed yet.
long OpenPrinterHandles();
// While set, OpenPrinterW refuses that desired access (exact mask) for
// every printer of this process.
void SpoolRefuseAccess(DWORD mask, bool refuse);

// Host-side management of the catalogue (what an administrator would do
// with the printer folder).
struct SpoolDriver {
  std::u16string name;
  std::u16string driverPath;  // full Windows paths
  std::u16string dataFile;
  std::u16string configFile;
  std::u16string helpFile;
  std::vector<std::u16string> dependentFiles;
};

struct SpoolPrinter {
  std::u16string name;
  std::u16string driverName;
  std::u16string serverName;  // empty: a local printer
  std::u16string shareName;
  std::u16string portName;
  DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
  std::vector<uint8_t> devmode;  // stored DEVMODE, empty for none
  std::vector<uint8_t> userDevmode;  // the per-user DEVMODE (level 9), empty for none
};

struct SpoolDataValue {
  std::u16string name;
  DWORD type = 0;
  std::vector<uint8_t> data;
};

// The driver directory of the machine: system directory +
// "\spool\drivers\w32x86\3".
std::u16string SpoolDriverDirectory();
// Adds or replaces a driver.
bool SpoolAddDriver(const SpoolDriver& driver);
// Adds a printer for a driver the catalogue has; false when the name is
// taken, empty or holds ',', or the driver is unknown.
bool SpoolAddPrinter(const SpoolPrinter& printer, std::string* error);
std::vector<SpoolPrinter> SpoolListPrinters();
// Replaces the printer's stored DEVMODE (the spooler keeps what the driver
// answered for the printer's defaults).
bool SpoolSetPrinterDevmode(const std::u16string& name, const std::vector<uint8_t>& devmode);
// Removes the printer and all its data; false when there is no such printer
// or a store cannot be written.
bool SpoolDeletePrinter(const std::u16string& name);
bool SpoolFindPrinter(const std::u16string& name, SpoolPrinter* out);
bool SpoolFindDriver(const std::u16string& name, SpoolDriver* out);
std::vector<SpoolDataValue> SpoolListPrinterData(const std::u16string& printer);
// Makes values, in their order, the printer's whole data in one rewrite of
// its store (what SpoolListPrinterData answered earlier puts the data back
// as it was then). False when there is no such printer, the store cannot be
// written, or a write batch is open on the thread.
bool SpoolReplacePrinterData(const std::u16string& printer, const std::vector<SpoolDataValue>& values);
// While set, SetPrinterDataW and DeletePrinterDataW of the printer fail with
// ERROR_ACCESS_DENIED (as for a user without the right to manage it).
bool SpoolDenyDataWrites(const std::u16string& printer, bool deny);

// The print jobs of this process (what an application's StartDoc makes the
// spooler create). Job ids are the machine's: numbered from 1 across every
// process of the machine, never one id twice (0 when the counter cannot be
// written: the last error says why, ERROR_DISK_FULL on a full disk). A job
// lives until removed; its record is not seen by other processes.
struct SpoolJob {
  std::u16string printer;
  std::u16string document;  // pDocument
  std::u16string user;      // pUserName; empty: the job carries none (null)
  std::u16string datatype = u"RAW";
};
DWORD SpoolAddJob(const SpoolJob& job);
bool SpoolRemoveJob(DWORD job_id);

}  // namespace plat
