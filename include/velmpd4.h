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

#ifdef __cplusplus
}
#endif

#endif /* VELMPD4_H */
