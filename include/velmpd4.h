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

/* ---- the VELMDrv interface ---------------------------------------------------------- */
/*
 * A handle on one printer: VELMDrvEnable, then any of VELMDrvGetCaps,
 * VELMDrvGetStatus, VELMDrvSetStatus and VELMDrvGetDevmode, then
 * VELMDrvDisable. A handle holds no open printer between calls; every call
 * opens the printer by name and answers -1 when it cannot. One handle is
 * used by one thread at a time.
 */
typedef struct VELMDrvHandle VELMDrvHandle;

/* VELMDrvGetDevmode modes; VELM_DRV_DEVMODE_REFRESH may be or-ed in to ask
   the device for its installed trays first. */
#define VELM_DRV_DEVMODE_DEFAULT 1
#define VELM_DRV_DEVMODE_CURRENT 2
#define VELM_DRV_DEVMODE_RESOLUTION 4
#define VELM_DRV_DEVMODE_REFRESH 0x10
/* The DEVMODE VELMDrvGetDevmode copies: the UTF-16 public part (220 bytes)
   and the private part. */
#define VELM_DRV_DEVMODE_SIZE 1260

/* VELMDrvGetCaps ids besides the capabilities 1-56. */
#define VELM_DRV_CAPS_SUPPORTED_ITEMS 0
#define VELM_DRV_CAPS_BUILD_RECORD ((int32_t)0x80000001u)
#define VELM_DRV_CAPS_FREE_RECORD ((int32_t)0x80000002u)
#define VELM_DRV_CAPS_MASK_SIZE 32

/* Lists of names use fixed slots, each NUL-terminated inside its slot. */
typedef char VELM_DRV_NAME24[24];
typedef char VELM_DRV_NAME64[64];
typedef struct VELM_DRV_SIZE_PAIR {
  int32_t width;  /* 0.1 mm */
  int32_t length;
} VELM_DRV_SIZE_PAIR;

/*
 * The capability record of VELMDrvGetCaps(h, VELM_DRV_CAPS_BUILD_RECORD, NULL):
 * every capability answer in one allocation; give it back with
 * VELMDrvGetCaps(h, VELM_DRV_CAPS_FREE_RECORD, record) before disabling the
 * handle. A list is a count and a pointer (NULL with count 0 when the query
 * failed or was empty). Natural x86_64 alignment; the offsets in the
 * comments are checked when the library is built.
 */
typedef struct VELM_CAPS_RECORD {
  uint8_t* supportedItems;               /*   0: 32-byte mask (id 0) */
  int32_t presetFile;                    /*   8: id 1 */
  int32_t inputTrayCount;                /*  12: id 2 */
  int32_t* inputTrays;                   /*  16 */
  int32_t inputTrayNameCount;            /*  24: id 3 */
  VELM_DRV_NAME24* inputTrayNames;       /*  32 */
  int32_t mediaTypeCount;                /*  40: id 4 */
  int32_t* mediaTypes;                   /*  48 */
  int32_t mediaTypeNameCount;            /*  56: id 5 */
  VELM_DRV_NAME64* mediaTypeNames;       /*  64 */
  int32_t outputTrayCount;               /*  72: id 6 */
  int32_t* outputTrays;                  /*  80 */
  int32_t outputTrayNameCount;           /*  88: id 7 */
  VELM_DRV_NAME64* outputTrayNames;      /*  96 */
  int32_t color;                         /* 104: id 8 */
  int32_t orientation;                   /* 108: id 9 */
  int32_t paperCount;                    /* 112: id 10 */
  int32_t* papers;                       /* 120 */
  int32_t paperNameCount;                /* 128: id 11 */
  VELM_DRV_NAME64* paperNames;           /* 136 */
  int32_t paperSizeCount;                /* 144: id 12 */
  VELM_DRV_SIZE_PAIR* paperSizes;        /* 152 */
  uint16_t maxExtentWidth;               /* 160: id 13 */
  uint16_t maxExtentLength;              /* 162 */
  uint16_t minExtentWidth;               /* 164: id 14 */
  uint16_t minExtentLength;              /* 166 */
  int32_t outputPaperCount;              /* 168: id 15 */
  int32_t* outputPapers;                 /* 176 */
  int32_t outputPaperNameCount;          /* 184: id 16 */
  VELM_DRV_NAME64* outputPaperNames;     /* 192 */
  int32_t maxCopies;                     /* 200: id 17 */
  int32_t printMethodCount;              /* 204: id 18 */
  int32_t* printMethods;                 /* 208 */
  int32_t scaling;                       /* 216: id 19 */
  uint16_t maxScaleH;                    /* 220: id 20 */
  uint16_t maxScaleV;                    /* 222 */
  uint16_t minScaleH;                    /* 224: id 21 */
  uint16_t minScaleV;                    /* 226 */
  int32_t coverSheets;                   /* 228: id 22 */
  int32_t markSheets;                    /* 232: id 23 */
  int32_t nup;                           /* 236: id 24 */
  int32_t duplex;                        /* 240: id 25 */
  int32_t maxMarginOdd;                  /* 244: id 26 */
  int32_t minMarginOdd;                  /* 248: id 27 */
  int32_t maxMarginEven;                 /* 252: id 28 */
  int32_t minMarginEven;                 /* 256: id 29 */
  int32_t watermarkKindCount;            /* 260: id 30 */
  int32_t* watermarkKinds;               /* 264 */
  int32_t watermarkEntry;                /* 272: id 31 */
  int32_t watermarkEntryCount;           /* 276: id 32 */
  int32_t* watermarkEntries;             /* 280 */
  int32_t watermarkEntryNameCount;       /* 288: id 33 */
  VELM_DRV_NAME64* watermarkEntryNames;  /* 296 */
  int32_t margins;                       /* 304: id 34 */
  int32_t maxSimplexMargin;              /* 308: id 35 */
  int32_t minSimplexMargin;              /* 312: id 36 */
  int32_t maxShiftMargin;                /* 316: id 37 */
  int32_t minShiftMargin;                /* 320: id 38 */
  int32_t sortTypeCount;                 /* 324: id 39 */
  int32_t* sortTypes;                    /* 328 */
  int32_t stapleTypeCount;               /* 336: id 40 */
  int32_t* stapleTypes;                  /* 344 */
  int32_t punchTypeCount;                /* 352: id 41 */
  int32_t* punchTypes;                   /* 360 */
  int32_t outputDirection;               /* 368: id 42 */
  int32_t outputOrderly;                 /* 372: id 43 */
  int32_t outputWhitePaper;              /* 376: id 44 */
  int32_t emulationCount;                /* 380: id 45 */
  int32_t* emulations;                   /* 384 */
  int32_t userId;                        /* 392: id 46 */
  int32_t printAreaCount;                /* 396: id 47 */
  int32_t* printAreas;                   /* 400 */
  int32_t paperRotation;                 /* 408: id 48 */
  int32_t actionMerge;                   /* 412: id 49 */
  int32_t actionProof;                   /* 416: id 50 */
  int32_t actionSecurity;                /* 420: id 51 */
  int32_t actionStored;                  /* 424: id 52 */
  int32_t actionOverlay;                 /* 428: id 53 */
  int32_t resolutionCount;               /* 432: id 54 */
  int32_t* resolutions;                  /* 440 */
  int32_t colorPlanes;                   /* 448: id 55 */
  int32_t markSheetTypeCount;            /* 452: id 56 */
  int32_t* markSheetTypes;               /* 456 */
} VELM_CAPS_RECORD;                      /* 464 bytes */
#define VELM_CAPS_RECORD_SIZE 464

/*
 * The interface version (3 unless the driver ini names another); 0 for a
 * NULL or empty name.
 */
VELMPD4_API int32_t VELMDrvCheckAPIVer(const char* printer);
/* A handle on the printer, or NULL. */
VELMPD4_API VELMDrvHandle* VELMDrvEnable(const char* printer);
/* Releases the handle (NULL allowed); 1. */
VELMPD4_API int32_t VELMDrvDisable(VELMDrvHandle* handle);
/*
 * A DEVMODE of the printer by mode; VELM_DRV_DEVMODE_SIZE, or -1. There is
 * no size argument: call first with a NULL buffer for the size, then with a
 * buffer of at least that size.
 */
VELMPD4_API int32_t VELMDrvGetDevmode(VELMDrvHandle* handle, int32_t mode, void* devmode);
/*
 * A capability by id: a number, or the count of a list written to buffer.
 * Lists follow a two-call protocol without a size argument: call with NULL
 * for the count, then with room for that many entries. The count can change
 * between the two calls (another process may add watermark entries), so
 * allocate with room to spare or prefer the capability record, which the
 * library fills within what it allocated. Id 0 writes the 32-byte mask and
 * answers 32; VELM_DRV_CAPS_BUILD_RECORD answers a VELM_CAPS_RECORD pointer
 * (0 when out of memory); VELM_DRV_CAPS_FREE_RECORD frees the record passed
 * as buffer and answers 1. -1 without a handle or printer; 0 for an unknown id.
 */
VELMPD4_API intptr_t VELMDrvGetCaps(VELMDrvHandle* handle, int32_t id, void* buffer);

typedef int32_t (*PFN_VELMDrvCheckAPIVer)(const char*);
typedef VELMDrvHandle* (*PFN_VELMDrvEnable)(const char*);
typedef int32_t (*PFN_VELMDrvDisable)(VELMDrvHandle*);
typedef int32_t (*PFN_VELMDrvGetDevmode)(VELMDrvHandle*, int32_t, void*);
typedef intptr_t (*PFN_VELMDrvGetCaps)(VELMDrvHandle*, int32_t, void*);

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

VELMPD4_API int32_t VELMDrvSetStatus(VELMDrvHandle* handle, int32_t id, void* record, uint8_t* mask, int32_t mode);
VELMPD4_API int32_t VELMDrvGetStatus(VELMDrvHandle* handle, int32_t id, void* record, int32_t version);
typedef int32_t (*PFN_VELMDrvSetStatus)(VELMDrvHandle*, int32_t, void*, uint8_t*, int32_t);
typedef int32_t (*PFN_VELMDrvGetStatus)(VELMDrvHandle*, int32_t, void*, int32_t);

#ifdef __cplusplus
}
#endif

#endif /* VELMPD4_H */
