// The function table of the maker's bidirectional-communication library
// (orvbidiNT.dll, export OrvekInitializeBidiApiW). On this machine the
// table's layout is ours: an 8-byte head, then eight pointer-sized entries
// from the record's ninth byte on. Handles are pointer-sized as well.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plat/wintypes.h"

namespace bidi_api {

using OpenFn = int32_t (*)(const char16_t* printer, HANDLE* device, int32_t* ok);
using CloseFn = int32_t (*)(HANDLE device);
using BeginFn = int32_t (*)(HANDLE device, HANDLE* request, uint32_t mask, int32_t* value);
using OpenCategoryFn = int32_t (*)(HANDLE device, HANDLE* category, int32_t id, int32_t one);
using GetModelNameFn = int32_t (*)(HANDLE device, int32_t zero, char16_t* buffer, int32_t chars);
using UnusedFn = int32_t (*)();
// Answers a count or non-zero on success, -1 on failure; a call with no
// buffer answers the needed size in *needed.
using GetItemFn = int32_t (*)(HANDLE request, int32_t item, void* buffer, uint32_t size, uint32_t* needed);
using GetCategoryItemFn = int32_t (*)(HANDLE category, int32_t id, int32_t item, void* buffer, uint32_t size,
                                      uint32_t* needed);

struct Table {
  uint32_t size;     // sizeof(Table), set by the caller
  uint32_t version;  // set by the library
  OpenFn open;
  CloseFn close;
  BeginFn begin;
  OpenCategoryFn openCategory;
  GetModelNameFn getModelName;
  UnusedFn unused;
  GetItemFn getItem;
  GetCategoryItemFn getCategoryItem;
};
static_assert(offsetof(Table, open) == 8, "the entries start at the record's ninth byte");
static_assert(sizeof(Table) == 8 + 8 * sizeof(void*), "eight pointer-sized entries");

using InitializeFn = BOOL (*)(Table* table);

constexpr const char* kInitializeName = "OrvekInitializeBidiApiW";
constexpr const char16_t* kLibraryName = u"orvbidiNT.dll";
constexpr const char16_t* kLibraryName9x = u"orvbidi32.dll";

// Items of a request (GetItem) and of category 15 (GetCategoryItem).
constexpr int32_t kItemTrays = 1;
constexpr int32_t kItemOptions = 2;
constexpr int32_t kItemDeviceData = 8;
constexpr int32_t kItemMemory = 11;
constexpr int32_t kItemTrayPaper = 20;
constexpr int32_t kItemTrayMedia = 21;
constexpr int32_t kItemTrayStatus = 23;
constexpr int32_t kCategory = 15;
constexpr int32_t kCatItemData = 2;
constexpr int32_t kCatItemMemoryType = 258;
constexpr int32_t kCatItemOther = 259;
constexpr uint32_t kMaskQuick = 0x104;
constexpr uint32_t kMaskFull = 0x2011C;
constexpr int32_t kModelNameChars = 33;
constexpr DWORD kErrorNotReported = 102;

}  // namespace bidi_api
