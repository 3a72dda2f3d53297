// libFuzzer target: arbitrary bytes as the address book VELMADDR.CSV
// through its load, an edit and its save.
//
// Checks:
// - a file that did not load whole is never written over;
// - a file that loaded whole saves to bytes that load whole again and save
//   to themselves;
// - "the same bytes": a file already in the saved form saves to exactly its
//   own bytes, where the saved form is: every line ends with LF, a CR stands
//   only right before an LF, every line has 13 fields, the lists of fields
//   7 and 8 hold no empty item, every field fits its room, holds no NUL
//   (a text ends there) and reads back unchanged through code page 932. An LF-only file of that form saves
//   as the same bytes with a CR before every LF;
// - an entry added at a position taken from the input lands at that
//   position among the named entries, and deleting it again saves the file
//   as before the edit.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/winspool.h"
#include "plat/wstr.h"
#include "standin_machine.h"
#include "velm/address_list.h"
#include "velm/context.h"
#include "velm/paths.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

struct Fixture {
  DriverContext* ctx = nullptr;
  std::u16string file;
};

Fixture* Setup() {
  auto* f = new Fixture;
  std::string why;
  const std::string root = test_support::MakeOfficeMachine("velm-address-fuzz", VELM_ADDRESS_FUZZ_MODEL, &why);
  Check(!root.empty(), why.c_str());
  HANDLE printer = nullptr;
  char16_t name[] = u"Office";
  Check(OpenPrinterW(name, &printer, nullptr) != 0, "open the printer");
  f->ctx = CtxOpenKind(printer, printer, 4, kOpenEntryPoint);
  Check(f->ctx != nullptr, "a context");
  Check(PathCreateDataDir() == 1, "the data directory");
  char16_t dir[MAX_PATH];
  Check(PathGetDataDir(dir, MAX_PATH, f->ctx) > 0, "the data directory's path");
  f->file = std::u16string(dir) + u"\\VELMADDR.CSV";
  return f;
}

std::string Read(const std::u16string& path) {
  std::ifstream in(plat::MapPath(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const std::u16string& path, const std::string& bytes) {
  std::ofstream(plat::MapPath(path), std::ios::binary | std::ios::trunc) << bytes;
}

// The room of field f (1-based) in bytes, or of one item for fields 7 and 8.
size_t Room(int f) {
  static const size_t rooms[13] = {64, 64, 64, 64, 64, 32, 64, 64, 4, 8, 1, 1, 1};
  return rooms[f - 1];
}

bool ReadsBack(const std::string& bytes) {
  if (bytes.find('\0') != std::string::npos) return false;  // a text ends at a NUL
  std::u16string wide(bytes.size() + 1, u'\0');
  wide.resize(plat::AnsiToWide(bytes.data(), bytes.size(), wide.data(), wide.size()));
  std::string back(bytes.size() * 2 + 2, '\0');
  back.resize(plat::WideToAnsi(wide.data(), wide.size(), back.data(), back.size()));
  return back == bytes;
}

// The saved form of the input when the input is already in it (give or
// take CRs before LFs); false otherwise. Fields are cut at ',' and lines at
// LF outside double-byte characters, as the file's rules say.
bool SavedForm(const std::string& in, std::string* out) {
  if (!in.empty() && in.back() != '\n') return false;
  out->clear();
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < in.size(); ++i) {
    const uint8_t b = uint8_t(in[i]);
    if (IsDBCSLeadByte(b)) {
      if (i + 1 >= in.size()) return false;
      fields.back() += in.substr(i, 2);
      ++i;
      continue;
    }
    if (b == '\r') {
      if (i + 1 >= in.size() || in[i + 1] != '\n') return false;
      continue;
    }
    if (b == ',') {
      fields.emplace_back();
      continue;
    }
    if (b != '\n') {
      fields.back() += char(b);
      continue;
    }
    if (fields.size() != 13) return false;
    for (int f = 1; f <= 13; ++f) {
      const std::string& text = fields[size_t(f - 1)];
      if (!ReadsBack(text)) return false;
      if ((f == 7 || f == 8) && !text.empty()) {
        // Items split at '|' outside double-byte characters; none empty.
        size_t item = 0;
        for (size_t k = 0; k <= text.size(); ++k) {
          if (k < text.size() && IsDBCSLeadByte(uint8_t(text[k]))) {
            ++k;
            item += 2;
            continue;
          }
          if (k == text.size() || text[k] == '|') {
            if (item == 0 || item > Room(f)) return false;
            item = 0;
          } else {
            ++item;
          }
        }
      } else if (f != 7 && f != 8 && text.size() > Room(f)) {
        return false;
      }
      *out += text;
      *out += f < 13 ? "," : "\r\n";
    }
    fields.assign(1, std::string());
  }
  // A last line whose LF was the second byte of a double-byte character
  // never ended: not the saved form.
  return fields.size() == 1 && fields[0].empty();
}

std::vector<std::u16string> Names(DriverContext* ctx) {
  std::vector<std::u16string> out;
  CsvList* list = CsvGetList(ctx);
  for (int32_t i = 0; i < CsvNamedCount(list); ++i) out.emplace_back(CsvNamedRecord(list, i)->name);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Fixture* f = Setup();
  DriverContext* ctx = f->ctx;
  const std::string input(reinterpret_cast<const char*>(data), size);
  Write(f->file, input);
  Check(CsvLoadList(ctx) == 1, "the load");
  CsvList* list = CsvGetList(ctx);
  Check(list != nullptr, "a list after the load");
  Check(list->count == CsvNamedCount(list) + [&] {
    uint16_t empty = 0;
    CsvNode* p = list->head;
    for (uint16_t i = 0; i < list->count; ++i, p = p->next) empty += p->record->name[0] == 0;
    return empty;
  }(), "the ring holds named and empty-name records only");

  if (list->loadState != kCsvLoadWhole) {
    Check(list->count == 0, "a file not read whole loads empty");
    CsvRecord* r = CsvNewEntry(ctx, 1);
    Check(r != nullptr, "an entry in an empty list");
    r->name[0] = u'x';
    Check(CsvSaveList(ctx) == 0, "a file not read whole is not saved over");
    Check(Read(f->file) == input, "the file is left as it was");
    CsvFreeList(ctx);
    return 0;
  }

  const bool carried = list->unparsed != nullptr;
  Check(CsvSaveList(ctx) == 1, "the save");
  const std::string saved = Read(f->file);
  std::string form;
  if (!carried && SavedForm(input, &form)) {
    if (saved != form) std::fprintf(stderr, "saved:\n%s\nexpected:\n%s\n", saved.c_str(), form.c_str());
    Check(saved == form, "a file in the saved form saves to itself");
  }

  // The saved bytes are a fixed point.
  Check(CsvLoadList(ctx) == 1, "the reload");
  list = CsvGetList(ctx);
  Check(list->loadState == kCsvLoadWhole, "the saved file loads whole");
  Check(CsvSaveList(ctx) == 1, "the second save");
  Check(Read(f->file) == saved, "a saved file saves to itself");

  // Add an entry and take it away again.
  const std::vector<std::u16string> before = Names(ctx);
  const int32_t position = size ? int32_t(data[0] % (before.size() + 2)) : 0;
  CsvRecord* r = CsvNewEntry(ctx, position);
  if (position < 1 || size_t(position) > before.size() + 1) {
    Check(r == nullptr, "a position outside the list is refused");
  } else if (r) {
    plat::WCopy(r->name, kCsvNameChars, u"fuzz");
    std::vector<std::u16string> want = before;
    want.insert(want.begin() + (position - 1), u"fuzz");
    Check(Names(ctx) == want, "the entry lands at its position");
    Check(CsvNamedIndexOf(list, r) == position - 1, "its index");
    Check(CsvDeleteEntry(ctx, position) == r, "the same entry is deleted");
    Check(Names(ctx) == before, "the list is as before");
    Check(CsvSaveList(ctx) == 1, "the save after the edit");
    Check(Read(f->file) == saved, "adding and deleting an entry leaves the file as it was");
  } else {
    Check(list->count == kCsvPoolSize, "a refused entry means a full list");
  }
  CsvFreeList(ctx);
  return 0;
}
