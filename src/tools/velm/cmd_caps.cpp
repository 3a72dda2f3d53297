// velm caps PRINTER QUERY [--devmode FILE]: a device-capability query of a
// printer of the machine, asked as applications ask it: the printer's
// interface library (the driver's configuration file) is loaded and its
// DrvDeviceCapabilities export answers, with the DEVMODE of FILE or none.
//
// QUERY is a DC_ name (DC_PAPERS ...) or its index (1-35). A list prints one
// entry a line (codes; "A B" pairs for sizes and resolutions; names), a value
// query its answer; an answer of -1 prints "-1". The lower-case list names of
// earlier releases (bins, binnames, papers, papernames, papersizes,
// resolutions, extents) are still understood.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "command.h"
#include "plat/kernel.h"
#include "plat/machine.h"
#include "plat/winspool.h"
#include "plat/wstr.h"

namespace {

using DrvDeviceCapabilitiesFn = DWORD (*)(HANDLE, LPWSTR, WORD, void*, void*);

int Fail(const std::string& why) {
  std::fprintf(stderr, "velm caps: %s\n", why.c_str());
  return 1;
}

// How an answer is printed.
enum class Shape {
  kValue,   // the answer itself
  kWords,   // 16-bit codes
  kLongs,   // 32-bit values
  kPairs,   // 32-bit pairs
  kNames,   // fixed-width names
  kExtent,  // width and length packed in the answer
};

struct Query {
  const char* name;
  WORD index;
  Shape shape;
  int chars;  // width of a name entry
};

constexpr Query kQueries[] = {
    {"DC_FIELDS", 1, Shape::kValue, 0},          {"DC_PAPERS", 2, Shape::kWords, 0},
    {"DC_PAPERSIZE", 3, Shape::kPairs, 0},       {"DC_MINEXTENT", 4, Shape::kExtent, 0},
    {"DC_MAXEXTENT", 5, Shape::kExtent, 0},      {"DC_BINS", 6, Shape::kWords, 0},
    {"DC_DUPLEX", 7, Shape::kValue, 0},          {"DC_SIZE", 8, Shape::kValue, 0},
    {"DC_EXTRA", 9, Shape::kValue, 0},           {"DC_VERSION", 10, Shape::kValue, 0},
    {"DC_DRIVER", 11, Shape::kValue, 0},         {"DC_BINNAMES", 12, Shape::kNames, 24},
    {"DC_ENUMRESOLUTIONS", 13, Shape::kPairs, 0}, {"DC_FILEDEPENDENCIES", 14, Shape::kNames, 64},
    {"DC_TRUETYPE", 15, Shape::kValue, 0},       {"DC_PAPERNAMES", 16, Shape::kNames, 64},
    {"DC_ORIENTATION", 17, Shape::kValue, 0},    {"DC_COPIES", 18, Shape::kValue, 0},
    {"DC_BINADJUST", 19, Shape::kValue, 0},      {"DC_EMF_COMPLIANT", 20, Shape::kValue, 0},
    {"DC_DATATYPE_PRODUCED", 21, Shape::kNames, 32}, {"DC_COLLATE", 22, Shape::kValue, 0},
    {"DC_MANUFACTURER", 23, Shape::kNames, 64},  {"DC_MODEL", 24, Shape::kNames, 64},
    {"DC_PERSONALITY", 25, Shape::kNames, 32},   {"DC_PRINTRATE", 26, Shape::kValue, 0},
    {"DC_PRINTRATEUNIT", 27, Shape::kValue, 0},  {"DC_PRINTERMEM", 28, Shape::kValue, 0},
    {"DC_MEDIAREADY", 29, Shape::kNames, 64},    {"DC_STAPLE", 30, Shape::kValue, 0},
    {"DC_PRINTRATEPPM", 31, Shape::kValue, 0},   {"DC_COLORDEVICE", 32, Shape::kValue, 0},
    {"DC_NUP", 33, Shape::kLongs, 0},            {"DC_MEDIATYPENAMES", 34, Shape::kNames, 64},
    {"DC_MEDIATYPES", 35, Shape::kLongs, 0},
};

// The list names of earlier releases.
struct Alias {
  const char* name;
  WORD index;
};
constexpr Alias kAliases[] = {{"bins", 6},        {"binnames", 12},   {"papers", 2}, {"papernames", 16},
                              {"papersizes", 3},   {"resolutions", 13}};

const Query* FindQuery(const std::string& word) {
  for (const Query& q : kQueries)
    if (word == q.name) return &q;
  for (const Alias& a : kAliases)
    if (word == a.name) return &kQueries[a.index - 1];
  if (!word.empty() && word.size() <= 2 && word.find_first_not_of("0123456789") == std::string::npos) {
    int index = std::stoi(word);
    if (index >= 1 && index <= int(sizeof kQueries / sizeof kQueries[0])) return &kQueries[index - 1];
  }
  return nullptr;
}

// An interface library loaded for one command.
struct Driver {
  HMODULE module = nullptr;
  DrvDeviceCapabilitiesFn caps = nullptr;
  ~Driver() {
    if (module) FreeLibrary(module);
  }
};

// The printer's configuration file: the library the spooler and
// applications load for its capabilities.
bool LoadDriver(HANDLE printer, Driver* d, std::string* why) {
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed ? needed : 1);
  if (!needed || !GetPrinterDriverW(printer, nullptr, 2, buffer.data(), needed, &needed)) {
    *why = "the spooler does not know the printer's driver";
    return false;
  }
  auto* info = reinterpret_cast<DRIVER_INFO_2W*>(buffer.data());
  if (!info->pConfigFile || !info->pConfigFile[0]) {
    *why = "the printer's driver has no configuration file";
    return false;
  }
  d->module = LoadLibraryW(info->pConfigFile);
  if (!d->module) {
    *why = "cannot load " + plat::ToUtf8(info->pConfigFile);
    return false;
  }
  d->caps = reinterpret_cast<DrvDeviceCapabilitiesFn>(GetProcAddress(d->module, "DrvDeviceCapabilities"));
  if (!d->caps) {
    *why = plat::ToUtf8(info->pConfigFile) + " has no DrvDeviceCapabilities";
    return false;
  }
  return true;
}

// A DEVMODE file: at least its header, and as many bytes as its header
// declares (a caller's buffer holds that much).
bool ReadDevmode(const std::string& path, std::vector<uint8_t>* out, std::string* why) {
  if (!velm_cli::ReadHostBytes(path, out)) {
    *why = "cannot read " + path;
    return false;
  }
  if (out->size() < 72) {
    *why = path + " is not a DEVMODE (" + std::to_string(out->size()) + " bytes)";
    return false;
  }
  size_t declared = size_t((*out)[68] | (*out)[69] << 8) + size_t((*out)[70] | (*out)[71] << 8);
  if (out->size() < declared) {
    *why = path + " holds " + std::to_string(out->size()) + " bytes but its header declares " +
           std::to_string(declared);
    return false;
  }
  return true;
}

void PrintAnswer(const Query& q, int32_t answer, const std::vector<uint8_t>& out) {
  if (answer < 0) {
    std::printf("-1\n");
    return;
  }
  auto count = size_t(answer);
  switch (q.shape) {
    case Shape::kValue: std::printf("%d\n", answer); break;
    case Shape::kExtent: std::printf("%d %d\n", answer & 0xFFFF, (answer >> 16) & 0xFFFF); break;
    case Shape::kWords:
      for (size_t i = 0; i < count; ++i) {
        uint16_t v;
        std::memcpy(&v, out.data() + 2 * i, 2);
        std::printf("%u\n", v);
      }
      break;
    case Shape::kLongs:
      for (size_t i = 0; i < count; ++i) {
        int32_t v;
        std::memcpy(&v, out.data() + 4 * i, 4);
        std::printf("%d\n", v);
      }
      break;
    case Shape::kPairs:
      for (size_t i = 0; i < count; ++i) {
        int32_t v[2];
        std::memcpy(v, out.data() + 8 * i, 8);
        std::printf("%d %d\n", v[0], v[1]);
      }
      break;
    case Shape::kNames:
      for (size_t i = 0; i < count; ++i) {
        std::u16string name(size_t(q.chars), u'\0');
        std::memcpy(name.data(), out.data() + 2 * size_t(q.chars) * i, 2 * size_t(q.chars));
        name.resize(std::char_traits<char16_t>::length(name.c_str()));
        std::printf("%s\n", plat::ToUtf8(name.c_str()).c_str());
      }
      break;
  }
}

// Bytes a list of count entries of the query takes.
size_t OutputBytes(const Query& q, int32_t count) {
  size_t n = count > 0 ? size_t(count) : 0;
  switch (q.shape) {
    case Shape::kWords: return 2 * n;
    case Shape::kLongs: return 4 * n;
    case Shape::kPairs: return 8 * n;
    case Shape::kNames: return 2 * size_t(q.chars) * n;
    default: return 4;  // extents write a pair of 16-bit values
  }
}

int Usage() {
  std::fprintf(stderr, "usage: velm caps PRINTER DC_NAME|INDEX|extents [--devmode FILE]\n");
  return 2;
}

int Run(const velm_cli::Args& args) {
  if (args.size() != 2 && args.size() != 4) return Usage();
  std::string devmode_path;
  if (args.size() == 4) {
    if (args[2] != "--devmode") return Usage();
    devmode_path = args[3];
  }
  const bool extents = args[1] == "extents";
  const Query* q = extents ? nullptr : FindQuery(args[1]);
  if (!extents && !q) return Usage();

  std::vector<uint8_t> devmode;
  std::string why;
  if (!devmode_path.empty() && !ReadDevmode(devmode_path, &devmode, &why)) return Fail(why);

  std::u16string name = plat::FromUtf8(args[0]);
  HANDLE h = nullptr;
  if (!OpenPrinterW(name.data(), &h, nullptr))
    return Fail("no printer " + args[0] + " on the machine in " + plat::MachineRoot());
  int rc = 0;
  {
    Driver driver;
    if (!LoadDriver(h, &driver, &why)) {
      rc = Fail(why);
    } else {
      void* dm = devmode.empty() ? nullptr : devmode.data();
      if (extents) {
        // Both custom-size limits, as earlier releases printed them.
        for (WORD index : {WORD(4), WORD(5)}) {
          int32_t answer = int32_t(driver.caps(h, name.data(), index, nullptr, dm));
          std::printf("%s %d %d\n", index == 4 ? "min" : "max", answer & 0xFFFF, (answer >> 16) & 0xFFFF);
        }
      } else {
        // Two calls, as applications make them: the count, then the entries.
        int32_t count = int32_t(driver.caps(h, name.data(), q->index, nullptr, dm));
        std::vector<uint8_t> out(OutputBytes(*q, count) + 16, 0);
        int32_t answer = count;
        if (q->shape != Shape::kValue && q->shape != Shape::kExtent && count > 0)
          answer = int32_t(driver.caps(h, name.data(), q->index, out.data(), dm));
        if (answer > count) {
          rc = Fail("the driver answered " + std::to_string(answer) + " entries after announcing " +
                    std::to_string(count));
        } else {
          PrintAnswer(*q, answer, out);
        }
      }
    }
  }
  ClosePrinter(h);
  std::fflush(stdout);
  return rc;
}

}  // namespace

VELM_COMMAND("caps",
             "caps PRINTER QUERY [--devmode FILE]  a device-capability query of a printer through its\n"
             "                      driver's DrvDeviceCapabilities; QUERY is DC_PAPERS ... (or 1-35),\n"
             "                      or one of bins|binnames|papers|papernames|papersizes|resolutions|extents",
             Run);
