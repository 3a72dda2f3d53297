// The graphics library's record of one device context (PDEV), taken
// zero-filled from its own memory pool. The fields here are those the
// graphics core uses; the DDI layer fills them from the driver context.
#pragma once

#include <cstdint>

#include "gr2k/dlrecords.h"
#include "gr2k/dlstream.h"
#include "gr2k/glyph.h"
#include "gr2k/pool.h"
#include "plat/osinfo.h"
#include "plat/wintypes.h"

struct DriverContext;
struct DeviceFontTable;

inline constexpr uint32_t kPdevMagic = 0x19651013;

// State flags.
inline constexpr uint32_t kPdevDocStarted = 0x4;
inline constexpr uint32_t kPdevOutputFailed = 0x8;  // a write to the spool-side module failed
inline constexpr uint32_t kPdevPageOpen = 0x8000;
inline constexpr uint32_t kPdevContinued = 0x100000;  // document continued by DrvResetPDEV

inline constexpr int32_t kUnknownRop = -1;

// Line attributes as the line records carry them.
struct GsLineAttrs {
  uint16_t dashUnit;   // pixels per step of the dash mask, 1 to 255
  uint16_t join;       // 0 round, 1 bevel, 2 miter
  uint16_t endCap;     // 0 round, 1 butt, 2 square
  int16_t width;       // device pixels, 1 to 32,767
  int16_t dashOffset;  // steps, 0 to 31
  uint32_t miterLimit;  // times 256
  uint32_t dashMask;    // 32 steps, the first in the top bit; 0xFFFFFFFF solid
  uint32_t color;
};

// The colour state of one drawing call. Colours are the engine's
// (0x00RRGGBB, blue in the low byte).
inline constexpr int16_t kDrawFill = 0;
inline constexpr int16_t kDrawStroke = 1;
inline constexpr int16_t kDrawText = 2;
inline constexpr int16_t kDrawStrokeAndFill = 3;
inline constexpr int16_t kDrawImage = 4;
struct GsColorState {
  int16_t rop2;      // foreground mix
  int16_t backMode;  // 1 transparent, 2 opaque
  uint32_t background, foreground, third;
  int16_t hasThird;
  int16_t kind;  // kDraw*
  uint32_t hostCorrected;
};

struct Pdev {
  uint32_t magicFirst;
  DriverContext* context;
  GrPool* pool;
  HANDLE printer;
  uint32_t flags;
  int32_t pageCount;     // pages begun in the current document
  int16_t rasterMode;    // the page is drawn into bands (image records get the band flag)
  uint16_t resolution;   // dots per inch
  uint16_t passThrough;  // page 1 carries the application's own data
  uint32_t machineColor;  // 0: the device prints monochrome only
  uint32_t color;         // dmColor: 1 monochrome, 2 colour
  uint32_t printMethod;
  uint32_t apiUseFlag;

  // device set-up
  // Engine handles are kept untyped here so that the core needs no engine
  // header: the HDEV, the surface (HSURF) and the default palette (HPALETTE).
  HMODULE module;  // this library, whose resources hold the device fonts
  void* engineDevice;
  void* surface;
  void* palette;
  // Paper geometry: paper in 0.1 mm, the page in dots (whole sheet and
  // printable area), the printable area in 0.1 mm, the offset of the
  // printable area in dots.
  int32_t paperWidth, paperLength;
  int32_t physWidthDots, physLengthDots;
  int32_t printWidthDots, printLengthDots;
  int32_t printWidthMm10, printLengthMm10;
  int32_t paperSize;
  int32_t offsetXDots, offsetYDots;
  uint32_t deviceFontCount;
  DeviceFontTable* deviceFonts;  // vector mode: the device fonts (pool), or null
  int16_t copies;
  int16_t colorProcess;
  int16_t orientation;  // dmOrientation - 1
  int16_t languageId;
  uint32_t emfSpool;
  int16_t extPrintArea;  // 2: GDIINFO sizes in millimetres
  uint32_t defaultFontAllowed;
  uint32_t eudcAsGlyphs;
  uint32_t drawingSuppressed;  // drawing calls succeed without output
  int16_t oneBitSurface;       // a one-bit device surface may be used
  int16_t stretchBltRopUnhooked;
  uint32_t textAsDeviceFonts;
  uint8_t colorMatching;
  uint8_t icmType;
  uint32_t printMethod7;
  int32_t imageReduction;
  const char16_t* spoolDllName;  // file name of the spool-side output module
  HANDLE colorTransform;  // owned by exactly one Pdev (handed over on reset)
  HANDLE colorProfile;
  uint8_t* devmodeCopy;  // the DEVMODE given at enable (pool), or null
  uint32_t devmodeCopyBytes;
  OSVERSIONINFOW osVersion;
  // Banding: the current band's origin, the bands of this page, the band
  // height, the page in dots, and whether banding began the page itself.
  int32_t bandX, bandY;
  int32_t bandCount;
  int32_t bandHeight;
  int32_t pageWidth, pageHeight;
  int32_t pageBegunByBanding;

  // document
  // The spooler's job of the document, and the job name as multibyte text in
  // the pool (not terminated; null when the document has none).
  DWORD jobId;
  char* jobName;
  int32_t jobNameLength;

  // graphics state
  // What the display list last set; kUnknownRop / false after a page start,
  // so that each page repeats the state it needs.
  int32_t currentRop;  // -1: not sent on this page
  bool clipActive;     // a clip record is in force
  // The other caches of the state last sent; each "valid" flag is cleared at
  // every page start (PdevForgetGraphicsState).
  bool lineValid;
  GsLineAttrs line;
  bool backModeValid;
  uint8_t backMode;
  bool patternValid;
  uint32_t patternKind;
  int32_t patternOriginX, patternOriginY;
  bool colorValid;
  GsColorState colorState;
  // The clip last sent: kind 0 none, 1 rectangle, 3 path (with the clip
  // object's identity). The kind outlives a page start; the rest does not.
  bool clipValid;
  uint32_t clipUniq;
  int32_t clipKind;
  int32_t clipLeft, clipTop, clipRight, clipBottom;
  // The font select last sent: the font's identity and orientation kind.
  bool fontValid;
  uint32_t fontId;
  uint8_t fontOrientation;
  // The realization of a plain-colour brush, and the copy of a pattern
  // brush's realization with the call's origin.
  DlBrush plainBrush;
  DlBrush patternBrush;

  DisplayListStream stream;
  GlyphCache glyphs;
  OutlineCache outlines;
  uint32_t magicLast;
};

// A new pool with a zeroed Pdev in it: both magic words, the pool, the
// printer handle (also in the stream), the stream's back pointer and an empty
// buffer. Null when an allocation fails (nothing is left behind).
Pdev* PdevCreate(HANDLE printer);
// Releases the pool and with it the Pdev and everything taken from it.
void PdevDestroy(Pdev* pdev);
// Forgets the graphics state sent so far (at each page start); the clip kind
// stays, so that the first unclipped drawing of a page may reset a clip.
void PdevForgetGraphicsState(Pdev* pdev);
// Non-null with both magic words in place.
bool GrIsValidPdev(const Pdev* pdev);
