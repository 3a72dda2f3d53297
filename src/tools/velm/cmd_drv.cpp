// velm drv PRINTER OPERATION...: a printer reached through the VELMDrv
// interface of the settings query library, loaded from the driver directory
// and driven by its exports only, as an outside program does.
//
//   devmode MODE -o FILE   the DEVMODE of a mode (1 or 17 defaults, 2 or 18
//                          current settings, 4 with the resolution rules;
//                          17 and 18 ask the device first) into a file
//   caps [ID]              every capability answer, or one, as numbers and lists
//   status get ID [version=N]
//                          a status item's record, field by field
//   status set ID FIELD=VALUE...
//                          a status item written: the record starts as the
//                          item reads now, the fields given replace theirs;
//                          prints the answer, the changed-items mask and the
//                          record read back after the write
//
// The handle is enabled once for the command and disabled at its end.
// Exit code 1 when an operation answers -1.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "query_library.h"
#include "velmpd4.h"

namespace {

using velm_query::AnsiToUtf8;
using velm_query::ToAnsi;

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm drv: %s\n", why.c_str());
  return 1;
}

int Usage() {
  std::fprintf(stderr,
               "usage: velm drv PRINTER devmode MODE -o FILE | caps [ID] | status get ID [version=N] |\n"
               "       status set ID FIELD=VALUE...\n");
  return 2;
}

// The library's exports.
struct Library : velm_query::QueryLibrary {
  PFN_VELMDrvEnable enable = nullptr;
  PFN_VELMDrvDisable disable = nullptr;
  PFN_VELMDrvGetDevmode getDevmode = nullptr;
  PFN_VELMDrvGetCaps getCaps = nullptr;
  PFN_VELMDrvSetStatus setStatus = nullptr;
  PFN_VELMDrvGetStatus getStatus = nullptr;

  bool Load(std::string* why) {
    if (!LoadModule(why)) return false;
    bool ok = Find(&enable, "VELMDrvEnable") && Find(&disable, "VELMDrvDisable") &&
              Find(&getDevmode, "VELMDrvGetDevmode") && Find(&getCaps, "VELMDrvGetCaps") &&
              Find(&setStatus, "VELMDrvSetStatus") && Find(&getStatus, "VELMDrvGetStatus");
    if (!ok) *why = "the library lacks an export";
    return ok;
  }
};

bool ParseInt(const std::string& text, int32_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 0);
  if (*end || v < INT32_MIN || v > int64_t(UINT32_MAX)) return false;
  *out = int32_t(uint32_t(v));
  return true;
}

// What each capability id answers: N a number, P two 16-bit values, V a
// list of values, S a list of size pairs, a / b names in 24 / 64-byte slots.
constexpr const char kCapsKinds[] = "NVaVbVbNNVbSPPVbNVNPPNNNNNNNNVNVbNNNNNVVVNNNVNVNNNNNNVNV";
static_assert(sizeof kCapsKinds == 57);

struct Session {
  Library* lib;
  VELMDrvHandle* h;
};

int Devmode(Session& s, const std::vector<std::string>& args) {
  int32_t mode = 0;
  if (args.size() != 3 || args[1] != "-o" || !ParseInt(args[0], &mode)) return Usage();
  intptr_t size = s.lib->getDevmode(s.h, mode, nullptr);
  if (size <= 0) return Fail("the library gave no DEVMODE for mode " + args[0]);
  std::vector<uint8_t> bytes(size_t(size), 0);
  if (s.lib->getDevmode(s.h, mode, bytes.data()) != size) return Fail("the DEVMODE changed size");
  std::string why;
  if (!plat::ReplaceHostFileContent(args[2], bytes.data(), bytes.size(), &why))
    return Fail("cannot write " + args[2] + ": " + why);
  std::printf("devmode mode %d: %zu bytes\n", mode, bytes.size());
  return 0;
}

// One capability printed; 1 when it answered -1.
int PrintCaps(Session& s, int32_t id) {
  intptr_t answer = s.lib->getCaps(s.h, id, nullptr);
  char kind = id >= 1 && id <= 56 ? kCapsKinds[id - 1] : 'N';
  if (kind == 'N' || answer <= 0) {
    if (kind == 'P' && answer > 0) {
      std::printf("caps %d: %u %u\n", id, unsigned(answer & 0xFFFF), unsigned((uint32_t(answer) >> 16) & 0xFFFF));
    } else {
      std::printf("caps %d: %ld\n", id, long(answer));
    }
    return answer == -1 ? 1 : 0;
  }
  if (kind == 'P') {
    uint16_t pair[2] = {};
    s.lib->getCaps(s.h, id, pair);
    std::printf("caps %d: %u %u\n", id, pair[0], pair[1]);
    return 0;
  }
  size_t entry = kind == 'V' ? 4 : kind == 'S' ? 8 : kind == 'a' ? 24 : 64;
  // Room to spare: the list may grow between the count and the fill.
  std::vector<uint8_t> buffer((size_t(answer) * 2 + 16) * entry, 0);
  intptr_t n = s.lib->getCaps(s.h, id, buffer.data());
  if (n < 0) return std::printf("caps %d: %ld\n", id, long(n)), 1;
  n = std::min<intptr_t>(n, intptr_t(buffer.size() / entry));
  std::printf("caps %d: %ld [", id, long(n));
  for (intptr_t i = 0; i < n; ++i) {
    const uint8_t* p = buffer.data() + size_t(i) * entry;
    int32_t v[2] = {};
    std::memcpy(v, p, kind == 'S' ? 8 : 4);
    if (i) std::printf(", ");
    if (kind == 'V') std::printf("%d", v[0]);
    else if (kind == 'S') std::printf("%dx%d", v[0], v[1]);
    else std::printf("\"%s\"", AnsiToUtf8(reinterpret_cast<const char*>(p), entry).c_str());
  }
  std::printf("]\n");
  return 0;
}

int Caps(Session& s, const std::vector<std::string>& args) {
  if (args.size() > 1) return Usage();
  if (args.size() == 1) {
    int32_t id = 0;
    if (!ParseInt(args[0], &id)) return Usage();
    if (id == 0) {
      uint8_t mask[VELM_DRV_CAPS_MASK_SIZE] = {};
      intptr_t r = s.lib->getCaps(s.h, 0, mask);
      std::printf("caps 0: %ld", long(r));
      for (uint8_t b : mask) std::printf(" %02x", b);
      std::printf("\n");
      return r < 0 ? 1 : 0;
    }
    return PrintCaps(s, id);
  }
  int rc = 0;
  for (int32_t id = 1; id <= 56; ++id) rc |= PrintCaps(s, id);
  return rc;
}

// ---- status items ------------------------------------------------------------------------
// A field of a status record: a 32-bit number, or an ANSI text of size bytes.
struct Field {
  const char* name;
  size_t offset, size;
  bool text;
};
#define NUM(n, o) {n, o, 4, false}
#define TXT(n, o, s) {n, o, s, true}
constexpr Field kPlainFields[] = {NUM("version", 0), NUM("v1", 4),  NUM("v2", 8),
                                  NUM("v3", 12),     NUM("v4", 16), NUM("function", 28)};
constexpr Field kPresetFields[] = {NUM("version", 0), TXT("path", 4, 260), TXT("name", 264, 37),
                                   TXT("comment", 301, 513)};
constexpr Field kMethodFields[] = {NUM("version", 0),           NUM("method", 4),         NUM("flags", 8),
                                   TXT("userId", 12, 9),        TXT("jobPassword", 21, 5), TXT("storedPassword", 26, 5),
                                   TXT("owner", 31, 17),        TXT("document", 48, 17),  TXT("mergeFile", 65, 65),
                                   TXT("overlayPath", 130, 260)};
constexpr Field kWatermarkFields[] = {
    NUM("version", 0),      NUM("kind", 4),          NUM("position", 8),     NUM("opaque", 12),
    NUM("firstPageOnly", 16), NUM("fontStyle", 20),  NUM("effect", 24),      NUM("colour", 28),
    NUM("density", 32),     NUM("size", 36),         NUM("angle", 40),       TXT("text", 44, 33),
    TXT("fontName", 77, 32), TXT("image", 109, 263), NUM("linePitch", 372),  NUM("textPattern", 376),
    NUM("tilePattern", 380), NUM("tileColour", 384), NUM("tileDensity", 388), NUM("tileMask", 392),
    NUM("flags", 396)};
#undef NUM
#undef TXT

struct FieldSet {
  const Field* fields;
  size_t count;
};
FieldSet FieldsOf(int32_t id) {
  if (id == 1) return {kPresetFields, std::size(kPresetFields)};
  if (id == 10 || id == 26) return {kMethodFields, std::size(kMethodFields)};
  if (id == 16) return {kWatermarkFields, std::size(kWatermarkFields)};
  return {kPlainFields, std::size(kPlainFields)};
}

void PrintRecord(int32_t id, const std::vector<uint8_t>& record, size_t size) {
  const FieldSet set = FieldsOf(id);
  for (size_t i = 0; i < set.count; ++i) {
    const Field& f = set.fields[i];
    if (f.offset + f.size > size) continue;
    if (f.text) {
      const char* text = reinterpret_cast<const char*>(record.data() + f.offset);
      std::printf("  %s=\"%s\"\n", f.name, AnsiToUtf8(text, f.size).c_str());
    } else {
      int32_t v;
      std::memcpy(&v, record.data() + f.offset, 4);
      std::printf("  %s=%d\n", f.name, v);
    }
  }
}

// The record of an item as it reads now (version 0: the library's), or
// empty when the read fails.
std::vector<uint8_t> ReadStatus(Session& s, int32_t id, int32_t version, int32_t* size) {
  std::vector<uint8_t> record(816, 0);
  *size = s.lib->getStatus(s.h, id, record.data(), version);
  if (*size <= 0) record.clear();
  return record;
}

int StatusGet(Session& s, int32_t id, const std::vector<std::string>& args) {
  int32_t version = 0;
  for (const std::string& a : args) {
    if (a.rfind("version=", 0) != 0 || !ParseInt(a.substr(8), &version)) return Usage();
  }
  int32_t size = 0;
  std::vector<uint8_t> record = ReadStatus(s, id, version, &size);
  std::printf("status %d: %d\n", id, size);
  if (size <= 0) return 1;
  PrintRecord(id, record, size_t(size));
  return 0;
}

int StatusSet(Session& s, int32_t id, const std::vector<std::string>& args) {
  int32_t size = 0;
  std::vector<uint8_t> record = ReadStatus(s, id, 0, &size);
  if (size <= 0) {
    // An item that cannot be read now (a watermark without its working
    // entry) starts from an empty record of the library's version.
    record.assign(816, 0);
    const int32_t version = id == 16 ? 2 : 3;
    std::memcpy(record.data(), &version, 4);
  }
  const FieldSet set = FieldsOf(id);
  for (const std::string& a : args) {
    const size_t eq = a.find('=');
    if (eq == std::string::npos) return Usage();
    const std::string name = a.substr(0, eq), value = a.substr(eq + 1);
    const Field* f = nullptr;
    for (size_t i = 0; i < set.count; ++i)
      if (name == set.fields[i].name) f = &set.fields[i];
    if (!f) return Fail("status " + std::to_string(id) + " has no field " + name);
    if (f->text) {
      const std::string ansi = ToAnsi(value);
      if (ansi.size() >= f->size) return Fail(name + " takes at most " + std::to_string(f->size - 1) + " bytes");
      std::memset(record.data() + f->offset, 0, f->size);
      std::memcpy(record.data() + f->offset, ansi.data(), ansi.size());
    } else {
      int32_t v = 0;
      if (!ParseInt(value, &v)) return Fail("not a number: " + value);
      std::memcpy(record.data() + f->offset, &v, 4);
    }
  }
  uint8_t mask[VELM_STATUS_MASK_BYTES] = {};
  const int32_t r = s.lib->setStatus(s.h, id, record.data(), mask, 0);
  std::printf("status set %d: %d\nmask:", id, r);
  for (uint8_t b : mask) std::printf(" %02x", b);
  std::printf("\n");
  int32_t after = 0;
  std::vector<uint8_t> now = ReadStatus(s, id, 0, &after);
  std::printf("status %d: %d\n", id, after);
  if (after > 0) PrintRecord(id, now, size_t(after));
  return r == -1 ? 1 : 0;
}

int Status(Session& s, const std::vector<std::string>& args) {
  int32_t id = 0;
  if (args.size() < 2 || !ParseInt(args[1], &id)) return Usage();
  const std::vector<std::string> rest(args.begin() + 2, args.end());
  if (args[0] == "get") return StatusGet(s, id, rest);
  if (args[0] == "set") return StatusSet(s, id, rest);
  return Usage();
}

// The operations; each takes the arguments after its name.
struct Operation {
  const char* name;
  int (*run)(Session& s, const std::vector<std::string>& args);
};
constexpr Operation kOperations[] = {
    {"devmode", Devmode},
    {"caps", Caps},
    {"status", Status},
};

int Run(const velm_cli::Args& args) {
  if (args.size() < 2) return Usage();
  const Operation* op = nullptr;
  for (const Operation& o : kOperations)
    if (args[1] == o.name) op = &o;
  if (!op) return Usage();
  Library lib;
  std::string why;
  if (!lib.Load(&why)) return Fail(why);
  VELMDrvHandle* h = lib.enable(ToAnsi(args[0]).c_str());
  if (!h) return Fail("cannot enable printer " + args[0] + " on the machine in " + plat::MachineRoot());
  Session s{&lib, h};
  int rc = op->run(s, std::vector<std::string>(args.begin() + 2, args.end()));
  lib.disable(h);
  std::fflush(stdout);
  return rc;
}

}  // namespace

VELM_COMMAND("drv",
             "drv PRINTER OP   the printer through the query library's VELMDrv interface; OP is\n"
             "                      devmode MODE -o FILE | caps [ID] | status get ID | status set ID FIELD=VALUE...",
             Run);
