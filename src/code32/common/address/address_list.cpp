// The address book file VELMADDR.CSV and its in-memory list: a pool of 1000
// records and a ring of 1000 nodes in file order (velm/address_list.h).
#include "velm/address_list.h"

#include <cstring>
#include <string>

#include "plat/files.h"
#include "plat/kernel.h"
#include "plat/wstr.h"
#include "velm/context.h"
#include "velm/paths.h"
#include "velm/settings.h"

namespace {

constexpr char16_t kFileName[] = u"\\VELMADDR.CSV";
// Larger than any file of 1000 full lines and a modest unparsed tail; a
// bigger file is taken as unreadable rather than read into memory.
constexpr DWORD kMaxFileBytes = 64u << 20;

// A fixed field of a record: its text and its room in bytes of the file
// (the wide text holds one more unit, for the terminator). Null for the two
// sub-list fields 7 and 8.
char16_t* FixedField(CsvRecord& r, int32_t field, uint32_t* bytes) {
  switch (field) {
    case 1: *bytes = 64; return r.name;
    case 2: case 3: case 4: case 5: *bytes = 64; return r.text[field - 2];
    case 6: *bytes = 32; return r.telNo;
    case 9: *bytes = 4; return r.field9;
    case 10: *bytes = 8; return r.line;
    case 11: case 12: case 13: *bytes = 1; return r.flags[field - 11];
    default: *bytes = 0; return nullptr;
  }
}

bool Named(const CsvNode* node) { return node->record && node->record->name[0] != 0; }

void FreeSubLists(CsvRecord& r) {
  for (char16_t*& s : r.lists) {
    MemFree(s);
    s = nullptr;
  }
}

// The node at the 1-based position, counting named entries only when asked.
CsvNode* NodeAt(CsvList* list, int32_t position, bool named_only) {
  if (position <= 0 || !list->head) return nullptr;
  int32_t k = 0;
  CsvNode* p = list->head;
  for (uint16_t i = 0; i < list->count; ++i, p = p->next) {
    if (named_only && !Named(p)) continue;
    if (++k == position) return p;
  }
  return nullptr;
}

bool FileMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool FilePath(DriverContext* ctx, char16_t* path, uint32_t capacity) {
  if (PathGetDataDir(path, capacity, ctx) <= 0) return false;
  return plat::WAppend(path, capacity, kFileName);
}

// Skips the rest of the line (fields past the 13th).
void SkipToLineEnd(CsvList* list) {
  while (list->pos < list->size) {
    const uint8_t b = list->buffer[list->pos++];
    if (IsDBCSLeadByte(b)) {
      if (list->pos < list->size) ++list->pos;
      continue;
    }
    if (b == '\n') return;
  }
}

// True when the bytes from pos on hold a line with a ',' (a line the parse
// would have read as an entry).
bool RestHoldsEntries(const CsvList* list) {
  for (uint32_t i = list->pos; i < list->size; ++i) {
    const uint8_t b = list->buffer[i];
    if (IsDBCSLeadByte(b)) {
      ++i;
      continue;
    }
    if (b == ',') return true;
  }
  return false;
}

void ResetPool(CsvList* list) {
  CsvClearSubLists(list);
  std::memset(list->pool, 0, sizeof(CsvRecord) * kCsvPoolSize);
  list->used = 0;
  list->emptyNames = 0;
  MemFree(list->unparsed);
  list->unparsed = nullptr;
  list->unparsedSize = 0;
}

// Appends the ANSI form of text, cut to the field's room without splitting
// a double-byte character (a longer field would make the file unreadable).
void AppendAnsi(std::string& out, const char16_t* text, size_t room) {
  if (!text || !text[0]) return;
  const size_t chars = plat::WLen(text);
  std::string bytes(plat::WideToAnsiLength(text, chars), '\0');
  bytes.resize(plat::WideToAnsi(text, chars, bytes.data(), bytes.size()));
  if (bytes.size() > room) {
    std::string cut(room, '\0');
    cut.resize(plat::WideToAnsi(text, chars, cut.data(), room));
    bytes.swap(cut);
  }
  out += bytes;
}

// A sub-list written item by item, each cut to an item's room.
void AppendSubList(std::string& out, const char16_t* text) {
  if (!text) return;
  bool first = true;
  const char16_t* p = text;
  while (true) {
    const char16_t* end = p;
    while (*end && *end != u'|') ++end;
    if (end > p) {
      if (!first) out += '|';
      first = false;
      std::u16string item(p, end);
      AppendAnsi(out, item.c_str(), kCsvListItemBytes);
    }
    if (!*end) break;
    p = end + 1;
  }
}

}  // namespace

CsvList* CsvGetList(DriverContext* ctx) { return ctx && ctx->work ? ctx->work->addressList : nullptr; }

HANDLE CsvOpenFile(const char16_t* path, DWORD* error) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (error) *error = h == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  return h;
}

int32_t CsvAllocList(DriverContext* ctx) {
  if (!ctx || !ctx->work) return 0;
  if (ctx->work->addressList) CsvFreeList(ctx);
  auto* list = static_cast<CsvList*>(MemAllocZeroed(sizeof(CsvList)));
  if (!list) return 0;
  list->pool = static_cast<CsvRecord*>(MemAllocZeroed(sizeof(CsvRecord) * kCsvPoolSize));
  list->nodes = static_cast<CsvNode*>(MemAllocZeroed(sizeof(CsvNode) * kCsvPoolSize));
  if (!list->pool || !list->nodes) {
    MemFree(list->pool);
    MemFree(list->nodes);
    MemFree(list);
    return 0;
  }
  for (uint16_t i = 0; i < kCsvPoolSize; ++i) list->nodes[i].next = i + 1 < kCsvPoolSize ? &list->nodes[i + 1] : nullptr;
  list->freeNodes = &list->nodes[0];
  list->selection = -1;
  ctx->work->addressList = list;
  return 1;
}

void CsvClearSubLists(CsvList* list) {
  if (!list) return;
  for (uint16_t i = 0; i < list->used; ++i) FreeSubLists(list->pool[i]);
  list->selection = -1;
}

int32_t CsvFreeList(DriverContext* ctx) {
  CsvList* list = CsvGetList(ctx);
  if (!list) return 1;
  CsvClearSubLists(list);
  MemFree(list->pool);
  MemFree(list->nodes);
  MemFree(list->unparsed);
  MemFree(list);
  ctx->work->addressList = nullptr;
  return 1;
}

int32_t CsvReadField(CsvList* list, char* out, uint32_t capacity, int32_t* line_end, int32_t* file_end,
                     int32_t* item_end) {
  *line_end = 0;
  *file_end = 0;
  if (item_end) *item_end = 0;
  uint32_t n = 0;
  auto store = [&](uint8_t b) {
    if (n >= capacity) return false;
    out[n++] = char(b);
    return true;
  };
  while (true) {
    if (list->pos >= list->size) {
      *file_end = 1;
      *line_end = 1;
      break;
    }
    const uint8_t b = list->buffer[list->pos++];
    if (IsDBCSLeadByte(b)) {
      // The next byte is text whatever it is; a lead byte at the very end
      // stands alone.
      bool ok = store(b);
      if (ok && list->pos < list->size) ok = store(list->buffer[list->pos++]);
      if (!ok) {
        out[n] = 0;
        return -1;
      }
      continue;
    }
    if (b == ',') break;
    if (b == '\n') {
      *line_end = 1;
      break;
    }
    if (b == '\r') continue;
    if (item_end && b == '|') {
      *item_end = 1;
      break;
    }
    if (!store(b)) {
      out[n] = 0;
      return -1;
    }
  }
  out[n] = 0;
  return int32_t(n);
}

int32_t CsvReadSubList(CsvList* list, char16_t** target, int32_t* line_end, int32_t* file_end) {
  std::u16string joined;
  uint32_t items = 0;
  char item[kCsvListItemBytes + 1];
  char16_t wide[kCsvListItemBytes + 1];
  while (true) {
    int32_t item_end = 0;
    const int32_t n = CsvReadField(list, item, kCsvListItemBytes, line_end, file_end, &item_end);
    if (n < 0) return 0;
    if (n > 0) {
      // An empty item ("a||b") is passed over; it does not end the field.
      if (++items > kCsvListItemMax) return 0;
      if (!joined.empty()) joined += u'|';
      joined.append(wide, plat::AnsiToWide(item, size_t(n), wide, kCsvListItemBytes));
    }
    if (!item_end) break;
  }
  MemFree(*target);
  *target = nullptr;
  if (!joined.empty()) {
    *target = static_cast<char16_t*>(MemAllocZeroed((joined.size() + 1) * sizeof(char16_t)));
    if (!*target) return 0;
    std::memcpy(*target, joined.data(), joined.size() * sizeof(char16_t));
  }
  return 1;
}

int32_t CsvParseRecords(CsvList* list) {
  uint16_t records = 0;
  uint16_t empty_names = 0;
  char field[kCsvListItemBytes + 1];
  while (true) {
    if (records == kCsvPoolSize) {
      // Entries past the pool are not loaded; they are carried as they are
      // so that a save does not lose them.
      if (RestHoldsEntries(list)) {
        list->unparsedSize = list->size - list->pos;
        list->unparsed = static_cast<char*>(MemAllocZeroed(list->unparsedSize));
        if (!list->unparsed) return 0;
        std::memcpy(list->unparsed, list->buffer + list->pos, list->unparsedSize);
      }
      break;
    }
    int32_t line_end = 0, file_end = 0;
    int32_t n = CsvReadField(list, field, 64, &line_end, &file_end, nullptr);
    if (n < 0) return 0;
    if (file_end) break;   // the last line holds no ','
    if (line_end) continue;  // a line without ',' is skipped
    CsvRecord& r = list->pool[records];
    std::memset(&r, 0, sizeof r);
    list->used = uint16_t(records + 1);  // so that a failure frees its sub-lists
    uint32_t room = 0;
    for (int32_t f = 1; f <= kCsvFieldCount; ++f) {
      if (f > 1) {
        if (line_end) break;
        if (f == 7 || f == 8) {
          if (!CsvReadSubList(list, &r.lists[f - 7], &line_end, &file_end)) return 0;
          continue;
        }
        char16_t* text = FixedField(r, f, &room);
        n = CsvReadField(list, field, room, &line_end, &file_end, nullptr);
        if (n < 0) return 0;
        text[plat::AnsiToWide(field, size_t(n), text, room)] = 0;
      } else {
        FixedField(r, 1, &room);
        r.name[plat::AnsiToWide(field, size_t(n), r.name, room)] = 0;
      }
    }
    if (!line_end) SkipToLineEnd(list);
    r.number = ++records;
    if (!r.name[0]) ++empty_names;
  }
  list->used = records;
  list->emptyNames = empty_names;
  return 1;
}

CsvNode* CsvInsertNode(CsvList* list, int32_t position, int32_t named_only) {
  if (!list || position <= 0) return nullptr;
  const int32_t total = named_only ? CsvNamedCount(list) : list->count;
  if (position > total + 1) return nullptr;
  if (!list->freeNodes || list->count >= kCsvPoolSize) return nullptr;
  CsvNode* before = NodeAt(list, position, named_only != 0);
  CsvNode* node = list->freeNodes;
  list->freeNodes = node->next;
  node->record = nullptr;
  if (!list->head) {
    node->next = node->prev = node;
    list->head = list->tail = node;
  } else if (before) {
    node->next = before;
    node->prev = before->prev;
    before->prev->next = node;
    before->prev = node;
    if (before == list->head) list->head = node;
  } else {
    node->prev = list->tail;
    node->next = list->head;
    list->tail->next = node;
    list->head->prev = node;
    list->tail = node;
  }
  ++list->count;
  return node;
}

CsvNode* CsvRemoveNode(CsvList* list, int32_t position, int32_t named_only) {
  if (!list) return nullptr;
  CsvNode* node = NodeAt(list, position, named_only != 0);
  if (!node) return nullptr;
  if (list->count == 1) {
    list->head = list->tail = nullptr;
  } else {
    node->prev->next = node->next;
    node->next->prev = node->prev;
    if (list->head == node) list->head = node->next;
    if (list->tail == node) list->tail = node->prev;
  }
  node->prev = nullptr;
  node->next = list->freeNodes;
  list->freeNodes = node;
  --list->count;
  return node;
}

CsvRecord* CsvNewEntry(DriverContext* ctx, int32_t position) {
  CsvList* list = CsvGetList(ctx);
  CsvNode* node = CsvInsertNode(list, position, 1);
  if (!node) return nullptr;
  CsvRecord* r = nullptr;
  uint16_t number = 0;
  if (list->used < kCsvPoolSize) {
    r = &list->pool[list->used++];
    number = list->used;
  } else {
    for (uint16_t i = 0; i < kCsvPoolSize && !r; ++i)
      if (list->pool[i].number == 0) {
        r = &list->pool[i];
        number = uint16_t(i + 1);
      }
  }
  if (!r) {
    // Every record is in the ring: give the node back. Its record is null,
    // so the named entries cannot find it; find it by its place instead.
    int32_t place = 1;
    for (CsvNode* p = list->head; p != node; p = p->next) ++place;
    CsvRemoveNode(list, place, 0);
    return nullptr;
  }
  FreeSubLists(*r);
  std::memset(r, 0, sizeof *r);
  r->number = number;
  node->record = r;
  return r;
}

CsvRecord* CsvDeleteEntry(DriverContext* ctx, int32_t position) {
  CsvList* list = CsvGetList(ctx);
  CsvNode* node = CsvRemoveNode(list, position, 1);
  if (!node) return nullptr;
  CsvRecord* r = node->record;
  node->record = nullptr;
  if (r) {
    FreeSubLists(*r);
    std::memset(r, 0, sizeof *r);
  }
  return r;
}

int32_t CsvLinkLoadedRecords(CsvList* list) {
  for (uint16_t i = 0; i < list->used; ++i) {
    if (list->pool[i].number == 0) continue;
    CsvNode* node = CsvInsertNode(list, list->count + 1, 0);
    if (!node) return 0;
    node->record = &list->pool[i];
  }
  return 1;
}

int32_t CsvLoadList(DriverContext* ctx) {
  if (!CsvAllocList(ctx)) return 0;
  CsvList* list = CsvGetList(ctx);
  char16_t path[MAX_PATH + 16];
  if (!FilePath(ctx, path, MAX_PATH + 16)) {
    list->loadState = kCsvLoadNoAccess;
    return 1;
  }
  DWORD error = 0;
  HANDLE h = CsvOpenFile(path, &error);
  if (h == INVALID_HANDLE_VALUE) {
    list->loadState = FileMissing(error) ? kCsvLoadMissing : kCsvLoadNoAccess;
    return 1;
  }
  std::string bytes;
  const DWORD size = GetFileSize(h, nullptr);
  bool read_ok = size != INVALID_FILE_SIZE && size <= kMaxFileBytes;
  if (read_ok && size > 0) {
    bytes.resize(size);
    DWORD got = 0;
    read_ok = ReadFile(h, bytes.data(), size, &got, nullptr) && got == size;
  }
  CloseHandle(h);
  if (!read_ok) {
    list->loadState = kCsvLoadReadError;
    return 1;
  }
  list->buffer = reinterpret_cast<const uint8_t*>(bytes.data());
  list->size = uint32_t(bytes.size());
  list->pos = 0;
  const int32_t parsed = CsvParseRecords(list);
  list->buffer = nullptr;
  list->size = 0;
  list->pos = 0;
  if (!parsed || !CsvLinkLoadedRecords(list)) {
    ResetPool(list);
    list->head = list->tail = nullptr;
    list->count = 0;
    for (uint16_t i = 0; i < kCsvPoolSize; ++i) list->nodes[i].next = i + 1 < kCsvPoolSize ? &list->nodes[i + 1] : nullptr;
    list->freeNodes = &list->nodes[0];
    list->loadState = kCsvLoadBadField;
    return 1;
  }
  list->loadState = kCsvLoadWhole;
  return 1;
}

int32_t CsvSaveList(DriverContext* ctx) {
  CsvList* list = CsvGetList(ctx);
  if (!list) return 0;
  // A file that is there but could not be read whole is never written over:
  // its entries would be lost.
  if (list->loadState != kCsvLoadWhole && list->loadState != kCsvLoadMissing) return 0;
  char16_t path[MAX_PATH + 16];
  if (!FilePath(ctx, path, MAX_PATH + 16)) return 0;
  std::string out;
  CsvNode* p = list->head;
  for (uint16_t i = 0; i < list->count; ++i, p = p->next) {
    CsvRecord& r = *p->record;
    for (int32_t f = 1; f <= kCsvFieldCount; ++f) {
      if (f == 7 || f == 8) {
        AppendSubList(out, r.lists[f - 7]);
      } else {
        uint32_t room = 0;
        const char16_t* text = FixedField(r, f, &room);
        AppendAnsi(out, text, room);
      }
      out += f < kCsvFieldCount ? "," : "\r\n";
    }
  }
  if (list->unparsed) out.append(list->unparsed, list->unparsedSize);
  if (!plat::ReplaceFileContent(path, out.data(), out.size(), nullptr)) return 0;
  // The file now holds what the list holds.
  list->loadState = kCsvLoadWhole;
  return 1;
}

uint16_t CsvNamedCount(const CsvList* list) {
  if (!list) return 0;
  uint16_t n = 0;
  const CsvNode* p = list->head;
  for (uint16_t i = 0; i < list->count; ++i, p = p->next)
    if (Named(p)) ++n;
  return n;
}

CsvRecord* CsvNamedRecord(CsvList* list, int32_t index) {
  if (!list || index < 0) return nullptr;
  CsvNode* node = NodeAt(list, index + 1, true);
  return node ? node->record : nullptr;
}

CsvRecord* CsvRecordByNumber(CsvList* list, uint16_t number) {
  if (!list || number == 0 || number > kCsvPoolSize) return nullptr;
  CsvRecord* r = &list->pool[number - 1];
  return r->number == number ? r : nullptr;
}

int32_t CsvNamedIndexOf(const CsvList* list, const CsvRecord* record) {
  if (!list || !record) return -1;
  int32_t k = 0;
  const CsvNode* p = list->head;
  for (uint16_t i = 0; i < list->count; ++i, p = p->next) {
    if (!Named(p)) continue;
    if (p->record == record) return k;
    ++k;
  }
  return -1;
}
