// The address book: VELMADDR.CSV in the common data directory, one file for
// every printer of the machine, loaded into the context's work record for a
// dialog session, edited there and written back whole.
//
// The file is ANSI text (code page 932, double-byte characters allowed), one
// entry a line of 13 fields separated by ','. LF ends a line; a CR is dropped
// wherever it stands; there is no quoting; the byte after a lead byte is
// always text. Fields 7 and 8 are lists of items separated by '|'. A line
// without ',' is skipped, fields past the 13th are dropped, missing fields
// are empty. A save writes CR LF after every line.
//
// A file that could not be read whole (a field too long, a read error, a
// file held by someone else) loads as an empty list and is never saved over;
// lines past the 1000th entry are kept as they are and written back after
// the entries. A save writes a new file beside the old one and renames it
// over, so a save that dies midway leaves the old file whole.
#pragma once

#include <cstdint>

#include "plat/wintypes.h"

struct DriverContext;

inline constexpr uint16_t kCsvPoolSize = 1000;   // records and list nodes
inline constexpr int32_t kCsvFieldCount = 13;
inline constexpr uint32_t kCsvListItemBytes = 64;   // one item of fields 7 and 8
inline constexpr uint32_t kCsvListItemMax = 1000;   // items of fields 7 and 8
inline constexpr uint32_t kCsvNameChars = 65;       // field 1 with its terminator
inline constexpr uint32_t kCsvTelNoChars = 33;      // field 6
inline constexpr uint32_t kCsvLineChars = 9;        // field 10

struct CsvRecord {
  char16_t name[kCsvNameChars];  // field 1; an empty name is not counted as an entry
  char16_t text[4][65];          // fields 2-5
  char16_t telNo[kCsvTelNoChars];  // field 6
  char16_t* lists[2];            // fields 7 and 8, items joined by '|'; owned, null when empty
  char16_t field9[5];
  char16_t line[kCsvLineChars];  // field 10
  char16_t flags[3][2];          // fields 11-13
  uint16_t number;               // 1-based place in the pool; 0 free
};

struct CsvNode {
  CsvNode* next;
  CsvNode* prev;
  CsvRecord* record;
};

// How the last load went.
enum CsvLoadState : int32_t {
  kCsvLoadWhole = 0,     // the file was read and parsed whole
  kCsvLoadMissing = 1,   // there was no file: an empty list
  kCsvLoadNoAccess = 2,  // the file could not be opened (held, denied)
  kCsvLoadReadError = 3, // reading failed or the file is too large
  kCsvLoadBadField = 4,  // a field or an item longer than its room, or too many items
};

struct CsvList {
  CsvRecord* pool;  // kCsvPoolSize records
  uint16_t used;    // pool records handed out so far (high-water mark)
  CsvNode* nodes;   // kCsvPoolSize nodes
  CsvNode* freeNodes;  // singly linked through next
  CsvNode* head;       // the ring of entries in file order
  CsvNode* tail;
  uint16_t count;       // nodes in the ring
  uint16_t emptyNames;  // records with an empty name at the load
  int16_t selection;    // -1 none
  CsvLoadState loadState;
  // The file's bytes from the line that would have been entry 1001 on,
  // written back unchanged after the entries (null when none).
  char* unparsed;
  uint32_t unparsedSize;
  // During a load: the file's bytes, their size and the read position.
  const uint8_t* buffer;
  uint32_t size;
  uint32_t pos;
};

// The address list of the context's work record (null before a load).
CsvList* CsvGetList(DriverContext* ctx);

// Loads the file into the work record: 0 when the list cannot be allocated
// (nothing kept); else 1, also when the file is missing or unreadable (the
// list is then empty and loadState tells why).
int32_t CsvLoadList(DriverContext* ctx);
// Frees the sub-list strings, the pool, the nodes and the list; 1.
int32_t CsvFreeList(DriverContext* ctx);
// Writes the list back: 1 when the whole file was replaced; 0 when the load
// did not read the file whole (the file is left alone) or the write failed.
int32_t CsvSaveList(DriverContext* ctx);
// A new entry inserted before the named entry at the 1-based position (at
// the end for the named count + 1), with its record cleared and numbered;
// null for position 0, a position past the end + 1, or a full pool.
CsvRecord* CsvNewEntry(DriverContext* ctx, int32_t position);
// Removes the named entry at the 1-based position and clears its record
// (sub-lists freed, number 0); the record, or null when there is no such entry.
CsvRecord* CsvDeleteEntry(DriverContext* ctx, int32_t position);
// Allocates the pool and the nodes, chains the nodes into the free list and
// empties the ring; 1, or 0 with everything freed.
int32_t CsvAllocList(DriverContext* ctx);
// Frees the sub-list strings of every used record; the selection becomes -1.
void CsvClearSubLists(CsvList* list);
// Opens the file for reading (shared for reading, existing only); the handle
// or INVALID_HANDLE_VALUE with the reason in *error.
HANDLE CsvOpenFile(const char16_t* path, DWORD* error);

// One field from the load buffer: bytes up to ',' or LF (or '|' when
// item_end is asked for) outside a double-byte character, CRs dropped,
// null-terminated into out. The number of bytes read, or -1 when they do not
// fit in capacity bytes (out then holds a prefix). line_end and file_end tell
// how the field ended.
int32_t CsvReadField(CsvList* list, char* out, uint32_t capacity, int32_t* line_end, int32_t* file_end,
                     int32_t* item_end);
// Field 7 or 8 from the load buffer into *target (replacing its string):
// items of at most 64 bytes joined by '|', empty items skipped; 1, or 0 when
// an item is too long or there are more than 1000 items.
int32_t CsvReadSubList(CsvList* list, char16_t** target, int32_t* line_end, int32_t* file_end);
// Parses the load buffer into the pool; 1 when the whole text was read.
int32_t CsvParseRecords(CsvList* list);
// Appends a node for every used record, in pool order; 1, or 0 when nodes ran out.
int32_t CsvLinkLoadedRecords(CsvList* list);
// Links a free node in before the node at the 1-based position (counting
// named entries only when named_only); the node, or null.
CsvNode* CsvInsertNode(CsvList* list, int32_t position, int32_t named_only);
// Unlinks the node at the 1-based position (likewise counted) onto the free
// list; the node, or null.
CsvNode* CsvRemoveNode(CsvList* list, int32_t position, int32_t named_only);

// ---- reading the list -----------------------------------------------------------
// The number of entries (records with a name).
uint16_t CsvNamedCount(const CsvList* list);
// The entry at the 0-based index among the named entries, or null.
CsvRecord* CsvNamedRecord(CsvList* list, int32_t index);
// The record of the number, or null when it is free.
CsvRecord* CsvRecordByNumber(CsvList* list, uint16_t number);
// The 0-based index of the record among the named entries, or -1.
int32_t CsvNamedIndexOf(const CsvList* list, const CsvRecord* record);
