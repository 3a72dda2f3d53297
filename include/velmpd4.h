/*
 * velmpd4.h - the settings query library VELMPD4 for outside programs.
 *
 * The library speaks in PJL SET lines (ANSI text in the system code page,
 * 932 on this machine):
 *
 *     "@PJL SET " name " = " value " \r\n"
 *
 * A command base, a change text and a watermark block are runs of such
 * lines, NUL-terminated. A value list is a run of NUL-terminated value texts
 * followed by one more NUL.
 *
 * Every function that answers a text of variable size follows one protocol:
 * `needed` (optional) always receives the bytes the answer takes, its NULs
 * included, or 0 when there is nothing to answer; a buffer smaller than that
 * gives EXC_MORE (nothing copied, nothing dropped); a large enough one gets
 * the text and EXC_OK. Call once with size 0 to learn the size, then again.
 *
 * Load the library with LoadLibraryW (or dlopen) and look each function up
 * by name; the typedefs below give their types.
 *
 * Layouts are those of x86_64 Linux: int32_t for LONG and BOOL, char for the
 * ANSI text, 1-byte packing where the Windows layout has it.
 */
#ifndef VELMPD4_H
#define VELMPD4_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Declarations of the library itself carry its export visibility. */
#if defined(VELMPD4_BUILDING) && defined(__GNUC__)
#define VELMPD4_API __attribute__((visibility("default")))
#else
#define VELMPD4_API
#endif

/* ---- results ---------------------------------------------------------------------- */
#define EXC_OK 0       /* done; or nothing to answer (needed 0) */
#define EXC_MORE 1     /* the buffer is too small (needed written); or forced changes wait */
#define EXC_FAILED (-1) /* no handle, malformed line, no memory, printer not reachable */
#define EXC_NOBASE (-2) /* no command base, or one without APLPAGESIZE, APLPAGELAYOUT, PAPER and TRAY */

/* ExcGetWaterMarkList kinds. */
#define EXC_WATERMARK_TEXT 0
#define EXC_WATERMARK_IMAGE 1

/* ExcGetDriverDevmode modes (only the printer's defaults are served). */
#define EXC_DEVMODE_DEFAULT 1

/* The opaque handle of one printer's settings. */
struct ExcHandle;

/* ---- the DEVMODE that ExcGetDriverDevmode writes ------------------------------------ */
#define VELM_CCHDEVICENAME 32
#define VELM_CCHFORMNAME 32
#define VELM_DEVMODEA_PUBLIC_SIZE 156
#define VELM_DEVMODE_PRIVATE_SIZE 1040
#define VELM_DEVMODEA_TOTAL_SIZE 1196

#pragma pack(push, 2)
typedef struct VELM_DEVMODEA {
  char dmDeviceName[VELM_CCHDEVICENAME]; /* the caller's printer name, at most 31 bytes */
  uint16_t dmSpecVersion;
  uint16_t dmDriverVersion;
  uint16_t dmSize; /* 156 */
  uint16_t dmDriverExtra; /* 1040 */
  uint32_t dmFields;
  int16_t dmOrientation;
  int16_t dmPaperSize;
  int16_t dmPaperLength;
  int16_t dmPaperWidth;
  int16_t dmScale;
  int16_t dmCopies;
  int16_t dmDefaultSource;
  int16_t dmPrintQuality;
  int16_t dmColor;
  int16_t dmDuplex;
  int16_t dmYResolution;
  int16_t dmTTOption;
  int16_t dmCollate;
  char dmFormName[VELM_CCHFORMNAME];
  uint16_t dmLogPixels;
  uint32_t dmBitsPerPel;
  uint32_t dmPelsWidth;
  uint32_t dmPelsHeight;
  uint32_t dmDisplayFlags;
  uint32_t dmDisplayFrequency;
  uint32_t dmICMMethod;
  uint32_t dmICMIntent;
  uint32_t dmMediaType;
  uint32_t dmDitherType;
  uint32_t dmReserved1;
  uint32_t dmReserved2;
  uint32_t dmPanningWidth;
  uint32_t dmPanningHeight;
  uint8_t dmDriverPrivate[VELM_DEVMODE_PRIVATE_SIZE]; /* the driver's private settings */
} VELM_DEVMODEA;
#pragma pack(pop)

/* ---- the exports ------------------------------------------------------------------ */
/* The driver ini of the printer (ANSI path). */
VELMPD4_API int32_t ExcGetIniFileName(const char* printer, int32_t size, char* buffer, int32_t* needed);
/* The printer's default settings as a VELM_DEVMODEA (mode EXC_DEVMODE_DEFAULT). */
VELMPD4_API int32_t ExcGetDriverDevmode(const char* printer, int32_t mode, int32_t size, VELM_DEVMODEA* buffer, int32_t* needed);
/* A handle on the printer's settings, or NULL. */
VELMPD4_API struct ExcHandle* ExcGetExclusive(const char* printer);
/* Frees a handle; NULL does nothing. */
VELMPD4_API void ExcFreeExclusive(struct ExcHandle* handle);
/* Loads the job's command base; EXC_MORE when the rules forced changes
   (fetch them with ExcGetCommandChange). */
VELMPD4_API int32_t ExcSetCommandBase(struct ExcHandle* handle, const char* base, int32_t* change_length);
/* The stored command base, rebuilt after every run in the caller's order. */
VELMPD4_API int32_t ExcGetCommandBase(struct ExcHandle* handle, int32_t size, char* buffer, int32_t* needed);
/* Proposes one line; EXC_MORE when the rules forced changes. */
VELMPD4_API int32_t ExcUpdateCommand(struct ExcHandle* handle, const char* line, int32_t* change_length);
/* The forced changes, dropped once copied. */
VELMPD4_API int32_t ExcGetCommandChange(struct ExcHandle* handle, int32_t size, char* buffer, int32_t* needed);
/* The values a command variable may take (only_allowed: those that force no other change). */
VELMPD4_API int32_t ExcGetCommandValue(struct ExcHandle* handle, const char* name, int32_t only_allowed, int32_t size,
                           char* buffer, int32_t* needed);
/* The values of a printer option the printer has now. */
VELMPD4_API int32_t ExcGetPrinterOption(struct ExcHandle* handle, const char* name, int32_t size, char* buffer,
                            int32_t* needed);
/* The current value of a printer value variable. */
VELMPD4_API int32_t ExcGetPrinterValue(struct ExcHandle* handle, const char* name, int32_t size, char* buffer,
                           int32_t* needed);
/* One block of lines per stored watermark of the kind, each NUL-terminated, then one more NUL. */
VELMPD4_API int32_t ExcGetWaterMarkList(struct ExcHandle* handle, int32_t kind, int32_t size, char* buffer, int32_t* needed);

/* Function types for GetProcAddress / dlsym. */
typedef int32_t (*PFN_ExcGetIniFileName)(const char*, int32_t, char*, int32_t*);
typedef int32_t (*PFN_ExcGetDriverDevmode)(const char*, int32_t, int32_t, VELM_DEVMODEA*, int32_t*);
typedef struct ExcHandle* (*PFN_ExcGetExclusive)(const char*);
typedef void (*PFN_ExcFreeExclusive)(struct ExcHandle*);
typedef int32_t (*PFN_ExcSetCommandBase)(struct ExcHandle*, const char*, int32_t*);
typedef int32_t (*PFN_ExcGetCommandBase)(struct ExcHandle*, int32_t, char*, int32_t*);
typedef int32_t (*PFN_ExcUpdateCommand)(struct ExcHandle*, const char*, int32_t*);
typedef int32_t (*PFN_ExcGetCommandChange)(struct ExcHandle*, int32_t, char*, int32_t*);
typedef int32_t (*PFN_ExcGetCommandValue)(struct ExcHandle*, const char*, int32_t, int32_t, char*, int32_t*);
typedef int32_t (*PFN_ExcGetPrinterOption)(struct ExcHandle*, const char*, int32_t, char*, int32_t*);
typedef int32_t (*PFN_ExcGetPrinterValue)(struct ExcHandle*, const char*, int32_t, char*, int32_t*);
typedef int32_t (*PFN_ExcGetWaterMarkList)(struct ExcHandle*, int32_t, int32_t, char*, int32_t*);


/* ---- status items: VELMDrvSetStatus / VELMDrvGetStatus ------------------------------
 *
 * 35 numbered status items (1-35), each read and written as one record. Every
 * record starts with its 32-bit version; the library's versions are 3, and 2
 * for the watermark (item 16). Records hold no pointers: the layouts below
 * are exact, little-endian, and the same on every machine.
 *
 * VELMDrvSetStatus(handle, id, record, mask, mode) answers -1 when the write
 * was refused (nothing changed: no setting, no stored file, no job
 * information), 0 when it stood, or the item's version when the record is
 * newer than the library's (mode VELM_STATUS_CHECK_VERSION answers that at
 * once without writing). Each write starts again from the printer's stored
 * settings: an earlier write on the same handle that was not stored is
 * replaced. mask (optional, VELM_STATUS_MASK_BYTES bytes) receives one bit
 * per status item that changed, item 1 the most significant bit of byte 0.
 *
 * VELMDrvGetStatus(handle, id, record, version) answers the record size
 * (and fills the record when one is given), or -1. version 0 asks for the
 * library's version; an older version is served as asked for.
 *
 * Text fields are NUL-terminated ANSI and must end inside their field.
 */
#define VELM_STATUS_FIRST 1
#define VELM_STATUS_LAST 35
#define VELM_STATUS_MASK_BYTES 32
#define VELM_STATUS_CHECK_VERSION 2

/* Items 2-9, 11-15, 17-25, 27-35. */
typedef struct VELM_STATUS_RECORD {
  int32_t version;
  int32_t value[4]; /* offsets 4, 8, 12, 16; by item */
  int32_t reserved[2];
  int32_t function; /* items with a function switch: 0 turns the function off */
} VELM_STATUS_RECORD;

/* Item 1: a preset settings file. */
typedef struct VELM_STATUS_PRESET_RECORD {
  int32_t version;
  char path[260];
  char name[37];
  char comment[513];
  char padding[2];
} VELM_STATUS_PRESET_RECORD;

/* Print-method flags: which texts of the record are given. */
#define VELM_PM_USER_ID 0x1
#define VELM_PM_JOB_PASSWORD 0x2
#define VELM_PM_STORED_PASSWORD 0x4
#define VELM_PM_OWNER 0x8
#define VELM_PM_DOCUMENT 0x10
#define VELM_PM_MERGE_FILE 0x20
#define VELM_PM_OVERLAY_PATH 0x40 /* with method 255: the job-tracking text */

/* Items 10 and 26: the print method and its texts. */
typedef struct VELM_STATUS_PRINT_METHOD_RECORD {
  int32_t version;
  int32_t method; /* 0 normal, 1 locked, 2 proof, 3 stored, 5 merge, 7 overlay, 255 job tracking */
  uint32_t flags;
  char userId[9];
  char jobPassword[5];
  char storedPassword[5];
  char owner[17];
  char document[17];
  char mergeFile[65];
  char overlayPath[260]; /* or the job-tracking text */
  char padding[2];
} VELM_STATUS_PRINT_METHOD_RECORD;

/* Item 16: the working watermark; version 1 ends at offset 372. */
typedef struct VELM_STATUS_WATERMARK_RECORD {
  int32_t version;
  int32_t kind; /* 0 off, 1 text, 2 image, 3 overlay, 128 text pattern */
  int32_t position;
  int32_t opaque;
  int32_t firstPageOnly;
  int32_t fontStyle;
  int32_t effect;
  int32_t colour;
  int32_t density;
  int32_t size;
  int32_t angle;
  char text[33];
  char fontName[32];
  char image[263];
  /* version 2 */
  int32_t linePitch;
  int32_t textPattern;
  int32_t tilePattern;
  int32_t tileColour;
  int32_t tileDensity;
  int32_t tileMask;
  int32_t flags; /* bit 0: rotated tiles */
  int32_t reserved[3];
} VELM_STATUS_WATERMARK_RECORD;
#define VELM_STATUS_WATERMARK_V1_SIZE 372

#if defined(__cplusplus)
static_assert(sizeof(VELM_STATUS_RECORD) == 32 && offsetof(VELM_STATUS_RECORD, function) == 28, "status record");
static_assert(sizeof(VELM_STATUS_PRESET_RECORD) == 816 && offsetof(VELM_STATUS_PRESET_RECORD, name) == 264 &&
                  offsetof(VELM_STATUS_PRESET_RECORD, comment) == 301,
              "preset record");
static_assert(sizeof(VELM_STATUS_PRINT_METHOD_RECORD) == 392 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, userId) == 12 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, jobPassword) == 21 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, storedPassword) == 26 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, owner) == 31 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, document) == 48 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, mergeFile) == 65 &&
                  offsetof(VELM_STATUS_PRINT_METHOD_RECORD, overlayPath) == 130,
              "print-method record");
static_assert(sizeof(VELM_STATUS_WATERMARK_RECORD) == 412 && offsetof(VELM_STATUS_WATERMARK_RECORD, text) == 44 &&
                  offsetof(VELM_STATUS_WATERMARK_RECORD, fontName) == 77 &&
                  offsetof(VELM_STATUS_WATERMARK_RECORD, image) == 109 &&
                  offsetof(VELM_STATUS_WATERMARK_RECORD, linePitch) == VELM_STATUS_WATERMARK_V1_SIZE &&
                  offsetof(VELM_STATUS_WATERMARK_RECORD, flags) == 396,
              "watermark record");
#else
_Static_assert(sizeof(VELM_STATUS_RECORD) == 32, "status record");
_Static_assert(sizeof(VELM_STATUS_PRESET_RECORD) == 816, "preset record");
_Static_assert(sizeof(VELM_STATUS_PRINT_METHOD_RECORD) == 392, "print-method record");
_Static_assert(sizeof(VELM_STATUS_WATERMARK_RECORD) == 412, "watermark record");
#endif

/* The handle is the one VELMDrvEnable answers. */
VELMPD4_API int32_t VELMDrvSetStatus(void* handle, int32_t id, void* record, uint8_t* mask, int32_t mode);
VELMPD4_API int32_t VELMDrvGetStatus(void* handle, int32_t id, void* record, int32_t version);
typedef int32_t (*PFN_VELMDrvSetStatus)(void*, int32_t, void*, uint8_t*, int32_t);
typedef int32_t (*PFN_VELMDrvGetStatus)(void*, int32_t, void*, int32_t);

#ifdef __cplusplus
}
#endif

#endif /* VELMPD4_H */
