// The print spooler: printer catalogue, driver records and printer data.
#include "plat/winspool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "batch_internal.h"
#include "objects.h"
#include "plat/calls.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/registry.h"
#include "plat/wstr.h"
#include "changeboard.h"
#include "hostfs.h"
#include "typedstore.h"

namespace {

using plat::detail::StoreKey;
using plat::detail::StoreValue;
using plat::detail::TypedStore;

// The catalogue: printers, their settings and their drivers.
std::string SpoolPath() { return plat::MachineRoot() + "/spool/spooler.reg"; }
plat::detail::StoreFile g_spool(SpoolPath);

constexpr const char16_t* kEnvironment = u"Windows NT x86";
constexpr const char16_t* kDataKey = u"PrinterDriverData";

// A printer name as one key component: connections ("\\server\name") keep
// their backslashes as commas, as the Windows registry does.
std::u16string Component(const std::u16string& name) {
  std::u16string out = name;
  for (char16_t& c : out)
    if (c == u'\\') c = u',';
  return out;
}
std::u16string PrinterKey(const std::u16string& name) { return u"Printers\\" + Component(name); }
std::u16string DataKey(const std::u16string& name) { return PrinterKey(name) + u"\\" + kDataKey; }
std::u16string DriverKey(const std::u16string& name) { return u"Drivers\\" + Component(name); }

// Each printer's data lives in a store file of its own,
// <machine root>/spool/data/<hash of the case-folded name>.reg, under the
// same key as in the catalogue (Printers\<name>\PrinterDriverData), so that
// a write rewrites and flushes only that printer's values, however large
// another printer's are. Two names of one hash would simply share a file.
//
// Machines made before this layout kept the values in the catalogue under
// that key: while a printer has no file of its own they are read from
// there, and its first write moves them into its own file.
uint64_t Fnv1a(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::string DataPath(const std::u16string& printer) {
  std::u16string folded = Component(printer);
  for (char16_t& c : folded) c = plat::WToLower(c);
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.reg", static_cast<unsigned long long>(Fnv1a(plat::ToUtf8(folded))));
  return plat::MachineRoot() + "/spool/data" + name;
}

// The store that holds a printer's data now: its own file, else the
// catalogue.
std::shared_ptr<const TypedStore> DataStore(const std::u16string& printer) {
  bool exists = false;
  std::shared_ptr<const TypedStore> own = plat::detail::ReadStoreFile(DataPath(printer), &exists);
  return exists ? own : g_spool.Read();
}

// Changes a printer's data in its own file (moving the values a catalogue
// of the earlier layout still holds, at its first write).
bool UpdateData(const std::u16string& printer, const std::function<bool(TypedStore&)>& change, DWORD* error) {
  std::string own = DataPath(printer);
  ::mkdir((plat::MachineRoot() + "/spool").c_str(), 0777);
  bool moved = false;
  bool ok = plat::detail::UpdateStoreFile(
      own,
      [&](TypedStore& s, bool existed) {
        if (!existed) {
          StoreKey* key = s.CreateKey(DataKey(printer));
          if (const StoreKey* old = g_spool.Read()->FindKey(DataKey(printer))) {
            TypedStore::CopyValues(key, *old);
            moved = !old->values().empty();
          }
        }
        bool changed = change(s);
        return changed || moved;
      },
      error);
  std::shared_ptr<const TypedStore> catalogue = g_spool.Read();
  const StoreKey* left = catalogue->FindKey(DataKey(printer));
  if (ok && left && !left->values().empty() && plat::detail::IsHostFile(own)) {
    // Now that the printer's own file holds them (moved now, or by a write
    // that was cut short before this step), the catalogue sheds them.
    g_spool.Update(
        [&](TypedStore& s) {
          StoreKey* k = s.FindKey(DataKey(printer));
          if (!k || k->values().empty()) return false;
          TypedStore::ClearValues(k);
          return true;
        },
        nullptr);
  }
  return ok;
}

struct PrinterObject : plat::detail::KernelObject {
  std::u16string name;
  bool ClosedByCloseHandle() const override { return false; }
};

template <class T>
T Fail(DWORD error, T value) {
  SetLastError(error);
  return value;
}

std::vector<uint8_t> Text(const std::u16string& s) {
  std::vector<uint8_t> out((s.size() + 1) * 2, 0);
  std::memcpy(out.data(), s.data(), s.size() * 2);
  return out;
}

std::u16string AsText(const StoreValue* v) {
  if (!v) return {};
  std::u16string s(v->data.size() / 2, u'\0');
  if (!s.empty()) std::memcpy(s.data(), v->data.data(), s.size() * 2);
  size_t nul = s.find(u'\0');
  return nul == std::u16string::npos ? s : s.substr(0, nul);
}

DWORD AsDword(const StoreValue* v) {
  DWORD d = 0;
  if (v && v->data.size() == 4) std::memcpy(&d, v->data.data(), 4);
  return d;
}

void Put(StoreKey* k, const std::u16string& name, DWORD type, std::vector<uint8_t> data) {
  TypedStore::PutValue(k, StoreValue{name, type, std::move(data)});
}

void PutDword(StoreKey* k, const std::u16string& name, DWORD d) {
  std::vector<uint8_t> b(4);
  std::memcpy(b.data(), &d, 4);
  Put(k, name, REG_DWORD, b);
}

// The per-user DEVMODE lies beside the printer's own: the machine has one
// user.
constexpr const char16_t* kUserDevmodeValue = u"UserDevMode";

bool ReadPrinter(const TypedStore& s, const std::u16string& name, plat::SpoolPrinter* out) {
  const StoreKey* k = s.FindKey(PrinterKey(name));
  if (!k) return false;
  out->name = AsText(TypedStore::FindValue(k, u"Name"));
  out->driverName = AsText(TypedStore::FindValue(k, u"Driver"));
  out->serverName = AsText(TypedStore::FindValue(k, u"ServerName"));
  out->shareName = AsText(TypedStore::FindValue(k, u"ShareName"));
  out->portName = AsText(TypedStore::FindValue(k, u"PortName"));
  out->attributes = AsDword(TypedStore::FindValue(k, u"Attributes"));
  const StoreValue* dm = TypedStore::FindValue(k, u"DevMode");
  out->devmode = dm ? dm->data : std::vector<uint8_t>();
  const StoreValue* user = TypedStore::FindValue(k, kUserDevmodeValue);
  out->userDevmode = user ? user->data : std::vector<uint8_t>();
  return true;
}

bool ReadDriver(const TypedStore& s, const std::u16string& name, plat::SpoolDriver* out) {
  const StoreKey* k = s.FindKey(DriverKey(name));
  if (!k) return false;
  out->name = AsText(TypedStore::FindValue(k, u"Name"));
  out->driverPath = AsText(TypedStore::FindValue(k, u"DriverPath"));
  out->dataFile = AsText(TypedStore::FindValue(k, u"DataFile"));
  out->configFile = AsText(TypedStore::FindValue(k, u"ConfigFile"));
  out->helpFile = AsText(TypedStore::FindValue(k, u"HelpFile"));
  out->dependentFiles.clear();
  if (const StoreValue* v = TypedStore::FindValue(k, u"DependentFiles")) {
    std::u16string all(v->data.size() / 2, u'\0');
    if (!all.empty()) std::memcpy(all.data(), v->data.data(), all.size() * 2);
    size_t pos = 0;
    while (pos < all.size() && all[pos]) {
      size_t nul = all.find(u'\0', pos);
      if (nul == std::u16string::npos) nul = all.size();
      out->dependentFiles.push_back(all.substr(pos, nul - pos));
      pos = nul + 1;
    }
  }
  return true;
}

// Lays out a record followed by its strings (and a DEVMODE) in one buffer.
class Packer {
 public:
  explicit Packer(size_t record) : size_(record) {}
  // Reserves room and returns a placeholder index.
  size_t AddText(const std::u16string* s) {
    texts_.push_back(s);
    if (s) size_ += (s->size() + 1) * 2;
    return texts_.size() - 1;
  }
  size_t AddMultiText(const std::vector<std::u16string>& list) {
    multi_.clear();
    for (const auto& s : list) {
      multi_ += s;
      multi_.push_back(0);
    }
    return AddText(&multi_);  // the extra terminator comes from AddText
  }
  void AddBlob(const std::vector<uint8_t>& b) {
    blob_ = &b;
    size_ = (size_ + 7) & ~size_t(7);
    blob_offset_ = size_;
    size_ += b.size();
  }
  size_t Size() const { return size_; }
  // Writes the texts and blob after the record; answers their addresses.
  std::vector<LPWSTR> Write(BYTE* buffer, size_t record, DEVMODEW** devmode) {
    std::vector<LPWSTR> out;
    size_t pos = record;
    if (blob_) {
      if (!blob_->empty()) std::memcpy(buffer + blob_offset_, blob_->data(), blob_->size());
      if (devmode) *devmode = blob_->empty() ? nullptr : reinterpret_cast<DEVMODEW*>(buffer + blob_offset_);
      pos = blob_offset_ + blob_->size();
    }
    for (const std::u16string* s : texts_) {
      if (!s) {
        out.push_back(nullptr);
        continue;
      }
      auto* p = reinterpret_cast<char16_t*>(buffer + pos);
      if (!s->empty()) std::memcpy(p, s->data(), s->size() * 2);
      p[s->size()] = 0;
      out.push_back(p);
      pos += (s->size() + 1) * 2;
    }
    return out;
  }

 private:
  size_t size_;
  std::vector<const std::u16string*> texts_;
  std::u16string multi_;
  const std::vector<uint8_t>* blob_ = nullptr;
  size_t blob_offset_ = 0;
};

std::shared_ptr<PrinterObject> PrinterOf(HANDLE h) { return plat::detail::FindHandleAs<PrinterObject>(h); }

// Printer-data changes held by the calling thread's write batch, oldest
// first.
struct HeldChange {
  std::u16string printer;
  StoreValue value;
  bool erase = false;
};
thread_local std::vector<HeldChange> t_held;

// The newest held change of a value: true with *out the value (null when
// the change deletes it); false when the batch holds none.
bool HeldValue(const std::u16string& printer, const char16_t* name, const StoreValue** out) {
  for (auto it = t_held.rbegin(); it != t_held.rend(); ++it) {
    if (plat::WCmpI(it->printer.c_str(), printer.c_str()) == 0 && plat::WCmpI(it->value.name.c_str(), name) == 0) {
      *out = it->erase ? nullptr : &it->value;
      return true;
    }
  }
  return false;
}

// The held changes of one printer applied to its own data file, written
// beside it and not yet renamed (see plat/batch.h).
bool UpdateDataPrepared(const std::u16string& printer, plat::detail::PreparedWrite* out, DWORD* error) {
  ::mkdir((plat::MachineRoot() + "/spool").c_str(), 0777);
  return plat::detail::PrepareStoreFile(
      DataPath(printer),
      [&](TypedStore& s, bool existed) {
        StoreKey* dk = s.CreateKey(DataKey(printer));
        if (!existed)
          if (const StoreKey* old = g_spool.Read()->FindKey(DataKey(printer))) TypedStore::CopyValues(dk, *old);
        for (const HeldChange& c : t_held) {
          if (plat::WCmpI(c.printer.c_str(), printer.c_str()) != 0) continue;
          if (!c.erase) {
            Put(dk, c.value.name, c.value.type, c.value.data);
            continue;
          }
          TypedStore::RemoveValue(dk, c.value.name);
        }
        return true;
      },
      out, error);
}

// Printer handles opened and not yet closed, for callers that must not
// keep one between operations.
std::atomic<long> g_open_printers{0};

// Access masks OpenPrinterW refuses (as for a user without those rights).
std::mutex g_refused_mutex;
std::vector<DWORD> g_refused;

bool AccessRefused(DWORD mask) {
  std::lock_guard<std::mutex> lock(g_refused_mutex);
  return std::find(g_refused.begin(), g_refused.end(), mask) != g_refused.end();
}

std::atomic<long> g_token{0};

}  // namespace

long plat::OpenPrinterHandles() { return g_open_printers.load(); }

void plat::SpoolRefuseAccess(DWORD mask, bool refuse) {
  std::lock_guard<std::mutex> lock(g_refused_mutex);
  g_refused.erase(std::remove(g_refused.begin(), g_refused.end(), mask), g_refused.end());
  if (refuse) g_refused.push_back(mask);
}

HANDLE RevertToPrinterSelf() {
  long token = g_token.fetch_add(1) + 1;
  plat::NoteCall("RevertToPrinterSelf", std::to_string(token));
  return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(token));
}

BOOL ImpersonatePrinterClient(HANDLE token) {
  plat::NoteCall("ImpersonatePrinterClient", std::to_string(reinterpret_cast<uintptr_t>(token)));
  return token ? TRUE : Fail(ERROR_INVALID_HANDLE, FALSE);
}

namespace {
// A printer's data key as the last reading of this thread found it. It is
// trusted while the machine's change board shows no change since (no
// process has rewritten the catalogue or a data file in between, see
// changeboard.h), so that each of the thousand reads of a driver context's
// set-up is one look-up of a value rather than of the catalogue, the
// printer's file and its key.
struct DataLookup {
  std::string root;
  uint64_t token = 0;
  std::u16string printer;
  bool listed = false;                      // the catalogue names the printer
  std::shared_ptr<const TypedStore> store;  // holds key
  const StoreKey* key = nullptr;            // its data key, null when it has none
};

const DataLookup& LookUpData(const std::u16string& printer) {
  thread_local DataLookup last;
  const std::string root = plat::MachineRoot();
  // Taken before the stores are read: a change after it changes it.
  const uint64_t token = plat::detail::MachineChangeToken(root);
  if (token != 0 && last.token == token && last.root == root && last.printer == printer) return last;
  last.token = 0;
  last.listed = g_spool.Read()->FindKey(PrinterKey(printer)) != nullptr;
  last.store = last.listed ? DataStore(printer) : nullptr;
  last.key = last.store ? last.store->FindKey(DataKey(printer)) : nullptr;
  last.root = root;
  last.printer = printer;
  last.token = token;
  return last;
}
}  // namespace

extern "C" {

BOOL OpenPrinterW(LPWSTR name, HANDLE* printer, PRINTER_DEFAULTSW* defaults) {
  plat::NoteCall("OpenPrinterW", plat::ToUtf8(name));
  if (!printer) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *printer = nullptr;
  if (plat::ShouldFail("OpenPrinterW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (defaults && AccessRefused(defaults->DesiredAccess)) return Fail(ERROR_ACCESS_DENIED, FALSE);
  plat::SpoolPrinter p;
  if (!name || !ReadPrinter(*g_spool.Read(), name, &p)) return Fail(ERROR_INVALID_PRINTER_NAME, FALSE);
  auto obj = std::make_shared<PrinterObject>();
  obj->name = p.name;
  *printer = plat::detail::AddHandle(obj);
  g_open_printers.fetch_add(1);
  return TRUE;
}

BOOL ClosePrinter(HANDLE printer) {
  if (!plat::detail::RemoveHandleAs<PrinterObject>(printer)) return Fail(ERROR_INVALID_HANDLE, FALSE);
  g_open_printers.fetch_sub(1);
  return TRUE;
}

namespace {

// SetPrinterW level 9: the per-user DEVMODE replaced, or removed for null.
BOOL SetUserDevmode(const std::u16string& name, const DEVMODEW* devmode) {
  plat::NoteCall("SetPrinterW", "9");
  if (plat::ShouldFail("SetPrinterW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  std::vector<uint8_t> bytes;
  if (devmode) {
    constexpr size_t kHeader = 72;  // through dmDriverExtra and dmFields
    const auto* b = reinterpret_cast<const uint8_t*>(devmode);
    const uint16_t size = uint16_t(b[68] | (b[69] << 8)), extra = uint16_t(b[70] | (b[71] << 8));
    if (size < kHeader) return Fail(ERROR_INVALID_PARAMETER, FALSE);
    bytes.assign(b, b + size + extra);
  }
  bool found = false;
  bool ok = g_spool.Update(
      [&](TypedStore& s) {
        StoreKey* k = s.FindKey(PrinterKey(name));
        if (!k) return false;
        found = true;
        if (bytes.empty()) {
          TypedStore::RemoveValue(k, kUserDevmodeValue);
        } else {
          Put(k, kUserDevmodeValue, REG_BINARY, bytes);
        }
        return true;
      },
      nullptr);
  if (!found) return Fail(ERROR_INVALID_PRINTER_NAME, FALSE);
  return ok ? TRUE : Fail(ERROR_DISK_FULL, FALSE);
}

}  // namespace

BOOL SetPrinterW(HANDLE printer, DWORD level, BYTE* info, DWORD command) {
  auto h = PrinterOf(printer);
  if (!h) {
    plat::NoteCall("SetPrinterW");
    return Fail(ERROR_INVALID_HANDLE, FALSE);
  }
  if ((level != 7 && level != 9) || !info || command != 0) {
    plat::NoteCall("SetPrinterW");
    return Fail(level != 7 && level != 9 ? ERROR_INVALID_LEVEL : ERROR_INVALID_PARAMETER, FALSE);
  }
  if (level == 9) return SetUserDevmode(h->name, reinterpret_cast<const PRINTER_INFO_9W*>(info)->pDevMode);
  DWORD action = reinterpret_cast<const PRINTER_INFO_7W*>(info)->dwAction;
  plat::NoteCall("SetPrinterW", "7 " + std::to_string(action));
  if (plat::ShouldFail("SetPrinterW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  return TRUE;
}

BOOL GetPrinterW(HANDLE printer, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  plat::NoteCall("GetPrinterW");
  if (!needed) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *needed = 0;
  auto h = PrinterOf(printer);
  if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (plat::ShouldFail("GetPrinterW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (plat::ShouldFail("GetPrinterW.empty")) return TRUE;
  if (level != 1 && level != 2 && level != 9) return Fail(ERROR_INVALID_LEVEL, FALSE);
  plat::SpoolPrinter p;
  if (!ReadPrinter(*g_spool.Read(), h->name, &p)) return Fail(ERROR_INVALID_PRINTER_NAME, FALSE);
  if (level == 9) {
    Packer pack(sizeof(PRINTER_INFO_9W));
    pack.AddBlob(p.userDevmode);
    *needed = DWORD(pack.Size());
    if (!buffer || size < *needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    std::memset(buffer, 0, *needed);
    PRINTER_INFO_9W info{};
    pack.Write(buffer, sizeof(PRINTER_INFO_9W), &info.pDevMode);
    std::memcpy(buffer, &info, sizeof info);
    return TRUE;
  }

  const std::u16string empty, processor = u"winprint", datatype = u"RAW";
  if (level == 1) {
    std::u16string description = p.name + u"," + p.driverName + u",";
    Packer pack(sizeof(PRINTER_INFO_1W));
    pack.AddText(&description);
    pack.AddText(&p.name);
    pack.AddText(&empty);
    *needed = DWORD(pack.Size());
    if (!buffer || size < *needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
    std::memset(buffer, 0, *needed);
    std::vector<LPWSTR> t = pack.Write(buffer, sizeof(PRINTER_INFO_1W), nullptr);
    PRINTER_INFO_1W info{0x00800000 /* PRINTER_ENUM_ICON8 */, t[0], t[1], t[2]};
    std::memcpy(buffer, &info, sizeof info);
    return TRUE;
  }
  Packer pack(sizeof(PRINTER_INFO_2W));
  pack.AddBlob(p.userDevmode.empty() ? p.devmode : p.userDevmode);
  pack.AddText(p.serverName.empty() ? nullptr : &p.serverName);
  pack.AddText(&p.name);
  pack.AddText(&p.shareName);
  pack.AddText(&p.portName);
  pack.AddText(&p.driverName);
  pack.AddText(&empty);
  pack.AddText(&empty);
  pack.AddText(&empty);
  pack.AddText(&processor);
  pack.AddText(&datatype);
  pack.AddText(&empty);
  *needed = DWORD(pack.Size());
  if (!buffer || size < *needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  std::memset(buffer, 0, *needed);
  PRINTER_INFO_2W info{};
  std::vector<LPWSTR> t = pack.Write(buffer, sizeof(PRINTER_INFO_2W), &info.pDevMode);
  info.pServerName = t[0];
  info.pPrinterName = t[1];
  info.pShareName = t[2];
  info.pPortName = t[3];
  info.pDriverName = t[4];
  info.pComment = t[5];
  info.pLocation = t[6];
  info.pSepFile = t[7];
  info.pPrintProcessor = t[8];
  info.pDatatype = t[9];
  info.pParameters = t[10];
  info.Attributes = p.attributes;
  info.Priority = info.DefaultPriority = 1;
  std::memcpy(buffer, &info, sizeof info);
  return TRUE;
}

BOOL GetPrinterDriverW(HANDLE printer, LPWSTR environment, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  plat::NoteCall("GetPrinterDriverW");
  if (!needed) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *needed = 0;
  auto h = PrinterOf(printer);
  if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (plat::ShouldFail("GetPrinterDriverW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (environment && plat::WCmpI(environment, kEnvironment) != 0)
    return Fail(ERROR_UNKNOWN_PRINTER_DRIVER, FALSE);
  if (level != 2 && level != 3) return Fail(ERROR_INVALID_LEVEL, FALSE);
  auto store = g_spool.Read();
  plat::SpoolPrinter p;
  plat::SpoolDriver d;
  if (!ReadPrinter(*store, h->name, &p)) return Fail(ERROR_INVALID_PRINTER_NAME, FALSE);
  if (!ReadDriver(*store, p.driverName, &d)) return Fail(ERROR_UNKNOWN_PRINTER_DRIVER, FALSE);
  const std::u16string env = kEnvironment, empty, datatype = u"RAW";
  size_t record = level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W);
  Packer pack(record);
  pack.AddText(&d.name);
  pack.AddText(&env);
  pack.AddText(&d.driverPath);
  pack.AddText(&d.dataFile);
  pack.AddText(&d.configFile);
  if (level == 3) {
    pack.AddText(&d.helpFile);
    pack.AddMultiText(d.dependentFiles);
    pack.AddText(&empty);
    pack.AddText(&datatype);
  }
  *needed = DWORD(pack.Size());
  if (!buffer || size < *needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  std::memset(buffer, 0, *needed);
  std::vector<LPWSTR> t = pack.Write(buffer, record, nullptr);
  if (level == 2) {
    DRIVER_INFO_2W info{3, t[0], t[1], t[2], t[3], t[4]};
    std::memcpy(buffer, &info, sizeof info);
  } else {
    DRIVER_INFO_3W info{3, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]};
    std::memcpy(buffer, &info, sizeof info);
  }
  return TRUE;
}

DWORD GetPrinterDataW(HANDLE printer, LPWSTR name, DWORD* type, BYTE* data, DWORD size, DWORD* needed) {
  plat::NoteCall("GetPrinterDataW", plat::ToUtf8(name));
  auto h = PrinterOf(printer);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!needed || !name) return ERROR_INVALID_PARAMETER;
  *needed = 0;
  if (plat::ShouldFail("GetPrinterDataW")) return ERROR_ACCESS_DENIED;
  const DataLookup& found = LookUpData(h->name);
  if (!found.listed) return ERROR_INVALID_HANDLE;
  const StoreValue* v = nullptr;
  bool held = plat::detail::BatchActive() && HeldValue(h->name, name, &v);
  if (!held) v = TypedStore::FindValue(found.key, name);
  if (!v) return ERROR_FILE_NOT_FOUND;
  *needed = DWORD(v->data.size());
  if (type) *type = v->type;
  if (!data || size < *needed) return ERROR_MORE_DATA;
  if (*needed) std::memcpy(data, v->data.data(), *needed);
  return ERROR_SUCCESS;
}

}  // extern "C"

namespace {
// The printer still exists and its data may be written; else the error.
bool MayWriteData(const TypedStore& s, const std::u16string& printer, DWORD* error) {
  const StoreKey* pk = s.FindKey(PrinterKey(printer));
  if (!pk) {
    *error = ERROR_INVALID_HANDLE;
    return false;
  }
  if (AsDword(TypedStore::FindValue(pk, u"DenyDataWrites"))) {
    *error = ERROR_ACCESS_DENIED;
    return false;
  }
  return true;
}
}  // namespace

extern "C" {

DWORD SetPrinterDataW(HANDLE printer, LPWSTR name, DWORD type, BYTE* data, DWORD size) {
  plat::NoteCall("SetPrinterDataW", plat::ToUtf8(name));
  auto h = PrinterOf(printer);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!name || (!data && size)) return ERROR_INVALID_PARAMETER;
  if (plat::ShouldFail("SetPrinterDataW")) return ERROR_ACCESS_DENIED;
  DWORD result = ERROR_SUCCESS;
  if (!MayWriteData(*g_spool.Read(), h->name, &result)) return result;
  if (plat::detail::BatchActive()) {
    t_held.push_back({h->name, {name, type, std::vector<uint8_t>(data, data + size)}, false});
    return ERROR_SUCCESS;
  }
  bool ok = UpdateData(
      h->name,
      [&](TypedStore& s) {
        Put(s.CreateKey(DataKey(h->name)), name, type, std::vector<uint8_t>(data, data + size));
        return true;
      },
      &result);
  (void)ok;  // a failed write leaves its error in result
  return result;
}

DWORD DeletePrinterDataW(HANDLE printer, LPWSTR name) {
  plat::NoteCall("DeletePrinterDataW", plat::ToUtf8(name));
  auto h = PrinterOf(printer);
  if (!h) return ERROR_INVALID_HANDLE;
  if (!name) return ERROR_INVALID_PARAMETER;
  DWORD result = ERROR_FILE_NOT_FOUND;
  if (!MayWriteData(*g_spool.Read(), h->name, &result)) return result;
  if (plat::detail::BatchActive()) {
    const StoreValue* v = nullptr;
    if (!HeldValue(h->name, name, &v)) v = TypedStore::FindValue(DataStore(h->name)->FindKey(DataKey(h->name)), name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    t_held.push_back({h->name, {name, 0, {}}, true});
    return ERROR_SUCCESS;
  }
  bool ok = UpdateData(
      h->name,
      [&](TypedStore& s) {
        StoreKey* dk = s.FindKey(DataKey(h->name));
        if (!dk) return false;
        if (!TypedStore::RemoveValue(dk, name)) return false;
        result = ERROR_SUCCESS;
        return true;
      },
      &result);
  (void)ok;  // a failed write leaves its error in result
  return result;
}

}  // extern "C"

std::u16string plat::SpoolDriverDirectory() {
  char16_t system[MAX_PATH];
  UINT n = GetSystemDirectoryW(system, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::u16string(system) + u"\\spool\\drivers\\w32x86\\3";
}

bool plat::SpoolAddDriver(const SpoolDriver& driver) {
  if (driver.name.empty()) return false;
  return g_spool.Update(
      [&](TypedStore& s) {
        s.DeleteKey(DriverKey(driver.name));
        StoreKey* k = s.CreateKey(DriverKey(driver.name));
        Put(k, u"Name", REG_SZ, Text(driver.name));
        Put(k, u"DriverPath", REG_SZ, Text(driver.driverPath));
        Put(k, u"DataFile", REG_SZ, Text(driver.dataFile));
        Put(k, u"ConfigFile", REG_SZ, Text(driver.configFile));
        Put(k, u"HelpFile", REG_SZ, Text(driver.helpFile));
        std::u16string multi;
        for (const auto& f : driver.dependentFiles) multi += f + std::u16string(1, u'\0');
        Put(k, u"DependentFiles", REG_MULTI_SZ, Text(multi));
        return true;
      },
      nullptr);
}

bool plat::SpoolAddPrinter(const SpoolPrinter& printer, std::string* error) {
  auto fail = [&](const char* why) {
    if (error) *error = why;
    return false;
  };
  if (printer.name.empty() || printer.name.find(u',') != std::u16string::npos)
    return fail("a printer name must not be empty nor hold ','");
  std::string why;
  bool ok = g_spool.Update(
      [&](TypedStore& s) {
        if (s.FindKey(PrinterKey(printer.name))) {
          why = "a printer of that name exists";
          return false;
        }
        if (!s.FindKey(DriverKey(printer.driverName))) {
          why = "the driver is not installed";
          return false;
        }
        StoreKey* k = s.CreateKey(PrinterKey(printer.name));
        Put(k, u"Name", REG_SZ, Text(printer.name));
        Put(k, u"Driver", REG_SZ, Text(printer.driverName));
        if (!printer.serverName.empty()) Put(k, u"ServerName", REG_SZ, Text(printer.serverName));
        Put(k, u"ShareName", REG_SZ, Text(printer.shareName));
        Put(k, u"PortName", REG_SZ, Text(printer.portName));
        PutDword(k, u"Attributes", printer.attributes);
        if (!printer.devmode.empty()) Put(k, u"DevMode", REG_BINARY, printer.devmode);
        s.CreateKey(DataKey(printer.name));
        return true;
      },
      nullptr);
  if (!ok) return fail("cannot write the spooler's catalogue");
  if (!why.empty()) return fail(why.c_str());
  return true;
}

bool plat::SpoolSetPrinterDevmode(const std::u16string& name, const std::vector<uint8_t>& devmode) {
  bool found = false;
  bool ok = g_spool.Update(
      [&](TypedStore& s) {
        StoreKey* k = s.FindKey(PrinterKey(name));
        if (!k) return false;
        found = true;
        Put(k, u"DevMode", REG_BINARY, devmode);
        return true;
      },
      nullptr);
  return ok && found;
}

bool plat::SpoolDeletePrinter(const std::u16string& name) {
  if (!g_spool.Read()->FindKey(PrinterKey(name))) return false;
  // The values first: a printer never outlives its data half-deleted.
  DWORD error = 0;
  if (!UpdateData(
          name,
          [&](TypedStore& s) {
            StoreKey* k = s.FindKey(DataKey(name));
            if (!k || k->values().empty()) return false;
            TypedStore::ClearValues(k);
            return true;
          },
          &error))
    return false;
  bool ok = g_spool.Update([&](TypedStore& s) { return s.DeleteKey(PrinterKey(name)); }, nullptr);
  if (ok) ::unlink(DataPath(name).c_str());
  return ok;
}

std::vector<plat::SpoolPrinter> plat::SpoolListPrinters() {
  auto store = g_spool.Read();
  std::vector<SpoolPrinter> out;
  for (const std::u16string& c : store->SubKeys(u"Printers")) {
    SpoolPrinter p;
    if (ReadPrinter(*store, c, &p)) out.push_back(p);
  }
  return out;
}

bool plat::SpoolFindPrinter(const std::u16string& name, SpoolPrinter* out) {
  return ReadPrinter(*g_spool.Read(), name, out);
}

bool plat::SpoolFindDriver(const std::u16string& name, SpoolDriver* out) {
  return ReadDriver(*g_spool.Read(), name, out);
}

std::vector<plat::SpoolDataValue> plat::SpoolListPrinterData(const std::u16string& printer) {
  auto store = DataStore(printer);
  std::vector<SpoolDataValue> out;
  if (const StoreKey* k = store->FindKey(DataKey(printer)))
    for (const StoreValue& v : k->values()) out.push_back({v.name, v.type, v.data});
  return out;
}

bool plat::SpoolReplacePrinterData(const std::u16string& printer, const std::vector<SpoolDataValue>& values) {
  if (plat::detail::BatchActive() || !g_spool.Read()->FindKey(PrinterKey(printer))) return false;
  return UpdateData(
      printer,
      [&](TypedStore& s) {
        StoreKey* k = s.CreateKey(DataKey(printer));
        TypedStore::ClearValues(k);
        for (const SpoolDataValue& v : values) TypedStore::PutValue(k, {v.name, v.type, v.data});
        return true;
      },
      nullptr);
}

bool plat::SpoolDenyDataWrites(const std::u16string& printer, bool deny) {
  bool found = false;
  bool ok = g_spool.Update(
      [&](TypedStore& s) {
        StoreKey* k = s.FindKey(PrinterKey(printer));
        if (!k) return false;
        found = true;
        PutDword(k, u"DenyDataWrites", deny ? 1 : 0);
        return true;
      },
      nullptr);
  return ok && found;
}

bool plat::detail::SpoolBatchPrepare(std::vector<PreparedWrite>* out) {
  if (t_held.empty()) return true;
  DWORD error = ERROR_SUCCESS;
  // Every printer of the batch must take writes, or nothing is written.
  std::shared_ptr<const TypedStore> catalogue = g_spool.Read();
  std::vector<std::u16string> printers;
  for (const HeldChange& c : t_held) {
    if (!MayWriteData(*catalogue, c.printer, &error)) {
      SetLastError(error);
      return false;
    }
    bool seen = false;
    for (const std::u16string& p : printers) seen = seen || plat::WCmpI(p.c_str(), c.printer.c_str()) == 0;
    if (!seen) printers.push_back(c.printer);
  }
  // Each printer's own data file is written beside; values a catalogue of
  // the earlier layout still holds move with the first write, as in
  // UpdateData (the catalogue sheds them at the printer's next plain write).
  for (const std::u16string& printer : printers) {
    out->emplace_back();
    bool ok = UpdateDataPrepared(printer, &out->back(), &error);
    if (!ok) {
      SetLastError(error);
      return false;
    }
  }
  return true;
}

void plat::detail::SpoolBatchDrop() { t_held.clear(); }

// ---- print jobs ----------------------------------------------------------------

namespace {

std::mutex g_jobs_mutex;
std::map<DWORD, plat::SpoolJob>& Jobs() {
  static std::map<DWORD, plat::SpoolJob> jobs;
  return jobs;
}

// Job ids are the machine's, as a spooler's are: the next one is kept in a
// small store of the spool folder, taken under its lock by every process.
std::string JobCounterPath() { return plat::MachineRoot() + "/spool/jobs.reg"; }

}  // namespace

DWORD plat::SpoolAddJob(const SpoolJob& job) {
  ::mkdir((plat::MachineRoot() + "/spool").c_str(), 0777);
  DWORD id = 0, error = ERROR_SUCCESS;
  bool ok = plat::detail::UpdateStoreFile(
      JobCounterPath(),
      [&](TypedStore& s, bool) {
        StoreKey* k = s.CreateKey(u"Jobs");
        id = AsDword(TypedStore::FindValue(k, u"NextJobId"));
        if (id == 0 || id > 0x7FFFFFFF) id = 1;
        PutDword(k, u"NextJobId", id + 1);
        return true;
      },
      &error);
  if (!ok) {
    SetLastError(error);
    return 0;
  }
  std::lock_guard<std::mutex> lock(g_jobs_mutex);
  Jobs()[id] = job;
  return id;
}

bool plat::SpoolRemoveJob(DWORD job_id) {
  std::lock_guard<std::mutex> lock(g_jobs_mutex);
  return Jobs().erase(job_id) == 1;
}

extern "C" BOOL GetJobW(HANDLE printer, DWORD job_id, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  plat::NoteCall("GetJobW", std::to_string(job_id) + " " + std::to_string(level));
  if (!needed) return Fail(ERROR_INVALID_PARAMETER, FALSE);
  *needed = 0;
  auto h = PrinterOf(printer);
  if (!h) return Fail(ERROR_INVALID_HANDLE, FALSE);
  if (plat::ShouldFail("GetJobW")) return Fail(ERROR_ACCESS_DENIED, FALSE);
  if (level != 1 && level != 2) return Fail(ERROR_INVALID_LEVEL, FALSE);
  plat::SpoolJob job;
  {
    std::lock_guard<std::mutex> lock(g_jobs_mutex);
    auto it = Jobs().find(job_id);
    if (it == Jobs().end() || plat::WCmpI(it->second.printer.c_str(), h->name.c_str()) != 0)
      return Fail(ERROR_INVALID_PARAMETER, FALSE);
    job = it->second;
  }
  plat::SpoolPrinter p;
  if (!ReadPrinter(*g_spool.Read(), h->name, &p)) return Fail(ERROR_INVALID_PRINTER_NAME, FALSE);
  const std::u16string empty, processor = u"winprint";
  const std::u16string* user = job.user.empty() ? nullptr : &job.user;
  const size_t record = level == 1 ? sizeof(JOB_INFO_1W) : sizeof(JOB_INFO_2W);
  Packer pack(record);
  pack.AddText(&p.name);
  pack.AddText(&empty);
  pack.AddText(user);
  pack.AddText(&job.document);
  pack.AddText(&job.datatype);
  if (level == 2) {
    pack.AddText(&processor);
    pack.AddText(&p.driverName);
  }
  *needed = DWORD(pack.Size());
  if (!buffer || size < *needed) return Fail(ERROR_INSUFFICIENT_BUFFER, FALSE);
  std::memset(buffer, 0, *needed);
  std::vector<LPWSTR> t = pack.Write(buffer, record, nullptr);
  if (level == 1) {
    JOB_INFO_1W info{};
    info.JobId = job_id;
    info.pPrinterName = t[0];
    info.pMachineName = t[1];
    info.pUserName = t[2];
    info.pDocument = t[3];
    info.pDatatype = t[4];
    info.Priority = 1;
    std::memcpy(buffer, &info, sizeof info);
  } else {
    JOB_INFO_2W info{};
    info.JobId = job_id;
    info.pPrinterName = t[0];
    info.pMachineName = t[1];
    info.pUserName = t[2];
    info.pDocument = t[3];
    info.pDatatype = t[4];
    info.pPrintProcessor = t[5];
    info.pDriverName = t[6];
    info.Priority = 1;
    std::memcpy(buffer, &info, sizeof info);
  }
  return TRUE;
}
