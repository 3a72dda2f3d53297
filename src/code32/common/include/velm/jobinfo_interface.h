// The interface of the maker's job-information module ORVJC32.DLL, as the
// driver libraries call it. The module exports two functions:
//
//   JCGetInterface(version, &interface)  0 and a non-null interface on success
//   JCDisposeInterface(interface)        once, before the module is freed
//
// The interface is a table of function addresses. On this machine the slots
// are pointer-sized (slot n at byte n * 8); this layout is ours, the module
// stand-in in src/jobinfo builds the same. Slots 1 and 9 are unused. Versions
// 0x101 and 0x102 give slots 0-8 (JobInfoInterface); 0x103 adds slot 10 and
// gives a JobInfoInterface103, whose first part is a JobInfoInterface.
#pragma once

#include <cstddef>
#include <cstdint>

// Interface versions.
constexpr uint16_t kJobInfoVersion101 = 0x101;
constexpr uint16_t kJobInfoVersion102 = 0x102;  // adds the types 256-258
constexpr uint16_t kJobInfoVersion103 = 0x103;  // adds slot 10

// Value kinds.
constexpr uint32_t kJobInfoKindText = 1;    // wide text, terminated
constexpr uint32_t kJobInfoKindNumber = 4;  // 32-bit number

// Information types.
constexpr uint32_t kJobInfoTypeUserCode = 1;
constexpr uint32_t kJobInfoTypeOwnerName = 2;
constexpr uint32_t kJobInfoTypeJobPassword = 3;
constexpr uint32_t kJobInfoTypeUserId = 4;
constexpr uint32_t kJobInfoTypeDocumentName = 5;
constexpr uint32_t kJobInfoTypeFaxNumber = 6;
constexpr uint32_t kJobInfoTypeFaxLine = 7;
constexpr uint32_t kJobInfoTypeStoredPassword = 8;
constexpr uint32_t kJobInfoTypePdlName = 256;
constexpr uint32_t kJobInfoTypeDriverVersion = 257;
constexpr uint32_t kJobInfoTypeLanguage = 258;  // kind 4: sub-language << 10 | primary

// Results: 0 success; 0x20000001 the buffer is too small (the needed size is
// set) or, from the driver's own routines, a type they do not handle. The
// graphics and query libraries take 13 from a get as "no value".
constexpr int32_t kJobInfoOk = 0;
constexpr int32_t kJobInfoMoreData = 0x20000001;
constexpr int32_t kJobInfoNoValue = 13;

// Query flags (slot 4).
constexpr uint32_t kJobInfoHasValue = 0x1;

// The record of the locale slot (8).
struct JobInfoLocaleRecord {
  uint32_t size;  // 8
  uint16_t primary;
  uint16_t sublang;
};
static_assert(sizeof(JobInfoLocaleRecord) == 8);
static_assert(offsetof(JobInfoLocaleRecord, primary) == 4 && offsetof(JobInfoLocaleRecord, sublang) == 6);

extern "C" {
// Slot 0: the printer entry; its result goes back to the caller as it is.
typedef int32_t (*JobInfoPrinterEntryFn)(const char16_t* printer);
// Slot 2: opens a session (handle never 0) for the printer; 0 on success.
typedef int32_t (*JobInfoOpenSessionFn)(const char16_t* printer, uint32_t* session);
// Slot 3.
typedef int32_t (*JobInfoCloseSessionFn)(uint32_t session);
// Slot 4: flags bit 0 set when the type has a value.
typedef int32_t (*JobInfoQueryFn)(uint32_t session, uint32_t type, uint32_t* flags);
// Slot 5: buffer null (size 0) asks the needed size in bytes; a buffer too
// small answers kJobInfoMoreData with the needed size set.
typedef int32_t (*JobInfoGetFn)(uint32_t session, uint32_t type, uint32_t kind, void* buffer, uint32_t size,
                                uint32_t* needed);
// Slot 6.
typedef int32_t (*JobInfoSetFn)(uint32_t session, uint32_t type, uint32_t kind, const void* data, uint32_t size);
// Slot 7.
typedef int32_t (*JobInfoEventFn)(uint32_t session, uint32_t code);
// Slot 8.
typedef int32_t (*JobInfoLocaleFn)(uint32_t session, uint32_t code, const JobInfoLocaleRecord* record);
// Slot 10 (version 0x103): as slot 5, for the named user.
typedef int32_t (*JobInfoGetForUserFn)(uint32_t session, uint32_t type, uint32_t kind, const char16_t* user,
                                       void* buffer, uint32_t size, uint32_t* needed);
}

struct JobInfoInterface {
  JobInfoPrinterEntryFn printerEntry;  // 0
  void* unused1;                       // 1
  JobInfoOpenSessionFn openSession;    // 2
  JobInfoCloseSessionFn closeSession;  // 3
  JobInfoQueryFn query;                // 4
  JobInfoGetFn get;                    // 5
  JobInfoSetFn set;                    // 6
  JobInfoEventFn event;                // 7
  JobInfoLocaleFn locale;              // 8
};

struct JobInfoInterface103 {
  JobInfoInterface base;            // 0-8
  void* unused9;                    // 9
  JobInfoGetForUserFn getForUser;   // 10
};

constexpr size_t kJobInfoSlotBytes = sizeof(void*);
static_assert(offsetof(JobInfoInterface, printerEntry) == 0 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, openSession) == 2 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, closeSession) == 3 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, query) == 4 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, get) == 5 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, set) == 6 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, event) == 7 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface, locale) == 8 * kJobInfoSlotBytes);
static_assert(sizeof(JobInfoInterface) == 9 * kJobInfoSlotBytes);
static_assert(offsetof(JobInfoInterface103, getForUser) == 10 * kJobInfoSlotBytes);
static_assert(sizeof(JobInfoInterface103) == 11 * kJobInfoSlotBytes);

extern "C" {
typedef int32_t (*JobInfoGetInterfaceFn)(uint16_t version, JobInfoInterface** out);
typedef int32_t (*JobInfoDisposeInterfaceFn)(JobInfoInterface* iface);
}

// The module's name in the system directory and its exports.
constexpr const char16_t* kJobInfoModuleName = u"ORVJC32.DLL";
constexpr const char* kJobInfoGetInterfaceName = "JCGetInterface";
constexpr const char* kJobInfoDisposeInterfaceName = "JCDisposeInterface";
