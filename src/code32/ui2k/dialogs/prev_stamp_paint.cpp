// The stamp (watermark) drawn on the page of a preview: a text in its font,
// size, style, angle, colour and density, framed by a rectangle or a circle
// or drawn as an outline, or a bitmap file, at one of the positions or
// repeated over the page. It is drawn into a work bitmap as large as the
// page and copied into the composition: opaquely over the page, or ANDed so
// that the page shows through its white.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "prev_stamp_internal.h"
#include "ui/user32.h"
#include "ui2k/controls.h"
#include "velm/dialog_blocks.h"
#include "velm/settings.h"

namespace {

// Entries of the preview block, by what they name.
enum Entry {
  kText = 0, kFontFace, kFontStyle, kEffect, kColour, kDensity, kAngle, kPointSize,
  kImagePath, kImageScale, kPosition, kTile, kOpaque,
};

constexpr int32_t kTextStamp = 1, kBitmapStamp = 2;
constexpr int32_t kEffectRectangle = 1, kEffectCircle = 2, kEffectOutline = 3;
// A font taller than this many pixels shows nothing more on a preview page
// a few dozen pixels high; it only costs memory.
constexpr LONG kMaxFontPixels = 2000;

struct Block {
  DriverContext* ctx;
  const CtlPreviewBlock* b;
  int32_t Value(Entry e) const {
    const int16_t id = b->entries[e];
    return id > 0 ? OptGetValueById(ctx, uint32_t(id)) : 0;
  }
  std::u16string Text(Entry e) const {
    const int16_t id = b->entries[e];
    const SettingRecord* row = id > 0 ? OptFindSetting(ctx, uint32_t(id)) : nullptr;
    if (!row) return {};
    std::vector<char16_t> buffer(std::max<size_t>(DescSize(row->descriptor), 6) + 1, 0);
    if (!OptGetText(ctx, row, buffer.data())) return {};
    buffer.back() = 0;
    return std::u16string(buffer.data());
  }
};

// A memory DC with a bitmap of its own, compatible with another DC.
class MemoryDc {
 public:
  MemoryDc(HDC like, int32_t w, int32_t h) {
    dc_ = CreateCompatibleDC(like);
    bitmap_ = dc_ ? CreateCompatibleBitmap(like, w, h) : nullptr;
    if (bitmap_) old_ = SelectObject(dc_, bitmap_);
  }
  ~MemoryDc() {
    if (old_) SelectObject(dc_, old_);
    if (bitmap_) DeleteObject(bitmap_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  bool ok() const { return old_ != nullptr; }
  HDC get() const { return dc_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// Selects an object for the scope, then the one before, and deletes it.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), object_(object) { old_ = object ? SelectObject(dc, object) : nullptr; }
  ~Selected() {
    if (old_) SelectObject(dc_, old_);
    if (object_) DeleteObject(object_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ object_;
  HGDIOBJ old_ = nullptr;
};

// The top-left corners of the stamps of box w x h on a page of pw x ph:
// repeated with a pixel between them, or once at the position.
std::vector<POINT> Places(int32_t pw, int32_t ph, int32_t bw, int32_t bh, bool tile, int32_t gap, int32_t position) {
  std::vector<POINT> out;
  if (tile) {
    for (int32_t y = 0; y < ph; y += bh + gap)
      for (int32_t x = 0; x < pw; x += bw + gap) out.push_back(POINT{x, y});
    return out;
  }
  const int32_t cx = (pw - bw) / 2, right = pw - bw, bottom = ph - bh;
  switch (position) {
    case 0: out.push_back(POINT{cx, (ph - bh) / 2}); break;
    case 2: out.push_back(POINT{cx, 0}); break;
    case 4: out.push_back(POINT{right, 0}); break;
    case 8: out.push_back(POINT{0, bottom}); break;
    case 16: out.push_back(POINT{cx, bottom}); break;
    case 32: out.push_back(POINT{right, bottom}); break;
    default: out.push_back(POINT{0, 0}); break;
  }
  return out;
}

// a x b / c rounded to the nearest integer (halves away from 0), as
// Windows' MulDiv; -1 when c is 0 or the result does not fit.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t n = int64_t(a) * b, d = c;
  const int64_t q = ((n < 0 ? -n : n) + (d < 0 ? -d : d) / 2) / (d < 0 ? -d : d);
  const int64_t r = (n < 0) != (d < 0) ? -q : q;
  return r > INT32_MAX || r < INT32_MIN ? -1 : int32_t(r);
}

COLORREF StampColour(int32_t density, int32_t colour) {
  const int32_t v = std::clamp(MulDiv(255, 100 - density, 100), 0, 255);
  uint8_t r = uint8_t(v), g = uint8_t(v), b = uint8_t(v);
  switch (colour) {
    case 1: r = 255; break;
    case 2: g = 255; break;
    case 3: b = 255; break;
    case 4: g = b = 255; break;
    case 5: r = b = 255; break;
    case 6: r = g = 255; break;
    default: break;
  }
  return RGB(r, g, b);
}

// The font of the text stamp: the dialog's font with the stamp's face,
// height, angle and style.
LOGFONTW StampFont(const Block& s, HWND preview, LONG height, int32_t angle) {
  LOGFONTW lf{};
  HWND parent = preview ? GetParent(preview) : nullptr;
  HGDIOBJ font = parent ? reinterpret_cast<HGDIOBJ>(SendMessageW(parent, WM_GETFONT, 0, 0)) : nullptr;
  if (!font || GetObjectW(font, sizeof lf, &lf) != INT(sizeof lf)) GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
  lf.lfCharSet = 1;
  lf.lfPitchAndFamily = 0;
  const std::u16string face = s.Text(kFontFace);
  std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
  std::memcpy(lf.lfFaceName, face.data(), std::min<size_t>(face.size(), LF_FACESIZE - 1) * sizeof(char16_t));
  if (angle != 0 && height <= 2) height = 3;
  else if (height <= 1) height = 2;
  lf.lfHeight = std::min(height, kMaxFontPixels);
  lf.lfEscapement = angle * 10;
  const int32_t style = s.Value(kFontStyle);
  if (style == 1 || style == 3) lf.lfWeight = 700;
  if (style == 2 || style == 3) lf.lfItalic = 1;
  return lf;
}

// The width of the text with the overhangs of its first and last glyphs.
LONG InkWidth(HDC dc, const std::u16string& text, LONG extent) {
  LONG sum = 0;
  ABC first{}, last{};
  for (size_t i = 0; i < text.size(); ++i) {
    ABC abc{};
    if (!GetCharABCWidthsW(dc, text[i], text[i], &abc)) return extent;
    sum += abc.abcA + LONG(abc.abcB) + abc.abcC;
    if (i == 0) first = abc;
    last = abc;
  }
  if (first.abcA < 0) sum -= first.abcA;
  if (last.abcC < 0) sum -= last.abcC;
  return std::max(extent, sum);
}

// The shape of a text stamp turned by the angle: its frame's corners, the
// text's origin and the box that holds them, from the box's top-left.
struct Shape {
  POINT corner[4];
  POINT origin;
  int32_t boxW, boxH;
};

Shape TurnedShape(int32_t width, int32_t height, int32_t angle, bool circle) {
  const int32_t r = (360 - angle) % 360;
  const int32_t c = PrevStampCosine()[r], s = PrevStampSine()[r];
  auto turn = [&](POINT p, POINT about) {
    const int32_t x = p.x - about.x, y = p.y - about.y;
    return POINT{about.x + (c * x - s * y) / 100, about.y + (s * x + c * y) / 100};
  };
  Shape sh{};
  if (circle) {
    const int32_t side = std::max(width, height) + 12;
    const POINT tl{(side - width) / 2, (side - height) / 2}, centre{side / 2, side / 2};
    const POINT pts[4] = {tl, {tl.x, tl.y + height}, {tl.x + width, tl.y + height}, {tl.x + width, tl.y}};
    for (int i = 0; i < 4; ++i) sh.corner[i] = turn(pts[i], centre);
    sh.origin = turn(POINT{tl.x + 1, tl.y + 5}, centre);
    sh.boxW = sh.boxH = side;
    return sh;
  }
  const POINT pts[4] = {{0, 0}, {0, height}, {width, height}, {width, 0}};
  for (int i = 0; i < 4; ++i) sh.corner[i] = turn(pts[i], POINT{0, 0});
  sh.origin = turn(POINT{1, 5}, POINT{0, 0});
  LONG minX = sh.origin.x, minY = sh.origin.y;
  for (const POINT& p : sh.corner) {
    minX = std::min(minX, p.x);
    minY = std::min(minY, p.y);
  }
  auto shift = [&](POINT& p) { p = POINT{p.x - minX, p.y - minY}; };
  for (POINT& p : sh.corner) shift(p);
  shift(sh.origin);
  sh.boxW = sh.origin.x;
  sh.boxH = sh.origin.y;
  for (const POINT& p : sh.corner) {
    sh.boxW = std::max<int32_t>(sh.boxW, p.x);
    sh.boxH = std::max<int32_t>(sh.boxH, p.y);
  }
  return sh;
}

void PaintText(const Block& s, DialogItemRecord* item, HDC work, int32_t w, int32_t h, int32_t divisor,
               bool opaque) {
  const std::u16string text = s.Text(kText);
  if (text.empty()) return;
  const COLORREF colour = StampColour(s.Value(kDensity), s.Value(kColour));
  // A DC that cannot show the colour gets the text in black on white,
  // coloured afterwards.
  const bool exact = GetNearestColor(work, colour) == colour;
  std::optional<MemoryDc> second;
  if (!exact) {
    second.emplace(work, w, h);
    if (!second->ok()) return;
    PatBlt(second->get(), 0, 0, w, h, WHITENESS);
  }
  HDC dc = exact ? work : second->get();
  const COLORREF ink = exact ? colour : 0;

  const int32_t angle = ((s.Value(kAngle) % 360) + 360) % 360;
  const LOGFONTW lf = StampFont(s, item->window, MulDiv(s.Value(kPointSize), 50, 72) / divisor, angle);
  Selected font(dc, CreateFontIndirectW(&lf));
  const int32_t effect = s.Value(kEffect);
  SIZE extent{};
  if (!GetTextExtentPoint32W(dc, text.data(), INT(text.size()), &extent) || extent.cx <= 0 || extent.cy <= 0) return;
  const int32_t width = InkWidth(dc, text, extent.cx) + 2, height = extent.cy + 10;
  const Shape sh = TurnedShape(width, height, angle, effect == kEffectCircle);

  Selected pen(dc, CreatePen(PS_SOLID, 1, ink));
  SetTextColor(dc, ink);
  SetBkMode(dc, TRANSPARENT);
  if (effect == kEffectOutline) BeginPath(dc);
  for (const POINT& at : Places(w, h, sh.boxW, sh.boxH, s.Value(kTile) == 1, 1, s.Value(kPosition))) {
    TextOutW(dc, at.x + sh.origin.x, at.y + sh.origin.y, text.data(), INT(text.size()));
    if (effect == kEffectRectangle) {
      MoveToEx(dc, at.x + sh.corner[0].x, at.y + sh.corner[0].y, nullptr);
      for (int i : {1, 2, 3, 0}) LineTo(dc, at.x + sh.corner[i].x, at.y + sh.corner[i].y);
    } else if (effect == kEffectCircle) {
      const int32_t midY = at.y + sh.boxH / 2, right = at.x + sh.boxW;
      Arc(dc, at.x, at.y, right, at.y + sh.boxH, right, midY, right, midY);
    }
  }
  if (effect == kEffectOutline) {
    EndPath(dc);
    StrokePath(dc);
  }
  if (exact) return;
  HBRUSH brush = CreateSolidBrush(colour);
  PrevColourDrawing(work, dc, w, h, brush, opaque);
  DeleteObject(brush);
}

void PaintBitmap(const Block& s, HDC work, int32_t w, int32_t h, int32_t shortSide, int32_t resolution,
                 PrevBitmapLoader load) {
  const std::u16string path = s.Text(kImagePath);
  if (path.empty() || !load) return;
  int32_t bw = 0, bh = 0;
  HBITMAP bitmap = load(path.c_str(), &bw, &bh);
  if (!bitmap) return;
  // The file's pixels on the page: scaled, at the printer's resolution, and
  // the paper's short side shown 50 pixels long; a pixel at least.
  const int64_t scale = s.Value(kImageScale);
  auto onPage = [&](int32_t size) -> int32_t {
    if (size <= 0) return 0;
    const int64_t v = size * scale / 100 * (resolution / 100) * 50 / shortSide;
    return int32_t(std::clamp<int64_t>(v, 1, int64_t(1) << 20));
  };
  const int32_t sw = onPage(bw), sh = onPage(bh);
  HDC source = CreateCompatibleDC(work);
  HGDIOBJ old = source ? SelectObject(source, bitmap) : nullptr;
  if (old && sw > 0 && sh > 0) {
    SetStretchBltMode(work, STRETCH_DELETESCANS);
    if (s.Value(kTile) == 1) {
      MemoryDc tile(work, sw, sh);
      if (tile.ok()) {
        SetStretchBltMode(tile.get(), STRETCH_DELETESCANS);
        StretchBlt(tile.get(), 0, 0, sw, sh, source, 0, 0, bw, bh, SRCCOPY);
        for (const POINT& at : Places(w, h, sw, sh, true, 0, 0)) BitBlt(work, at.x, at.y, sw, sh, tile.get(), 0, 0, SRCCOPY);
      }
    } else {
      const POINT at = Places(w, h, sw, sh, false, 0, s.Value(kPosition)).front();
      StretchBlt(work, at.x, at.y, sw, sh, source, 0, 0, bw, bh, SRCCOPY);
    }
  }
  if (old) SelectObject(source, old);
  if (source) DeleteDC(source);
  DeleteObject(bitmap);
}

}  // namespace

void PrevColourDrawing(HDC work, HDC drawing, int32_t width, int32_t height, HBRUSH brush, bool opaque) {
  HGDIOBJ old = SelectObject(drawing, brush);
  if (opaque) {
    // Black where drawn over the page, then the colour ORed in there.
    BitBlt(work, 0, 0, width, height, drawing, 0, 0, SRCAND);
    PatBlt(drawing, 0, 0, width, height, DSTINVERT);
    PatBlt(drawing, 0, 0, width, height, 0xA000C9);  // dest AND pattern
    BitBlt(work, 0, 0, width, height, drawing, 0, 0, SRCPAINT);
  } else {
    PatBlt(drawing, 0, 0, width, height, 0xFA0089);  // dest OR pattern
    BitBlt(work, 0, 0, width, height, drawing, 0, 0, SRCAND);
  }
  if (old) SelectObject(drawing, old);
}

void PrevPaintStampInto(DriverContext* ctx, DialogItemRecord* item, HDC dc, int32_t pageWidth, int32_t pageHeight,
                        const RECT* target, const RECT* rect, PrevBitmapLoader load) {
  if (!ctx || !item || !dc) return;
  auto* block = static_cast<const CtlPreviewBlock*>(CtlGetExtraBlock(item, kCtlTagPreview));
  if (!block || !OptGetValueById(ctx, setting::vdmFuncSelectWaterMark)) return;
  const Block s{ctx, block};
  const int32_t kind = OptGetValueById(ctx, setting::vdmWmKind);
  if (kind != kTextStamp && kind != kBitmapStamp) return;

  // The paper's short side in dots and the resolution divide the stamp's
  // sizes: a stamp whose divisor would be 0 (no paper size, no resolution,
  // a paper under an inch) is not drawn.
  // The output paper; with the print size "Same" it is the document's paper,
  // whose output size in dots the sheet leaves at 0.
  int32_t paperWidth = OptGetValueById(ctx, setting::vdmDstPaperWidthDot);
  int32_t paperLength = OptGetValueById(ctx, setting::vdmDstPaperLengthDot);
  if (paperWidth == 0 && paperLength == 0) {
    paperWidth = OptGetValueById(ctx, setting::vdmSrcPaperWidthDot);
    paperLength = OptGetValueById(ctx, setting::vdmSrcPaperLengthDot);
  }
  const int32_t shortSide = std::min(paperWidth, paperLength);
  const int32_t resolution = OptGetValueById(ctx, setting::vdmDstResolutionW);
  if (shortSide <= 0) return;
  const int32_t divisor = resolution > 0 ? shortSide / resolution : 0;
  if (kind == kTextStamp && divisor <= 0) return;

  const int32_t w = pageWidth - 2, h = pageHeight - 2;
  if (w <= 0 || h <= 0) return;
  // The page's place: the w x h box centred in the rectangle, a pixel left
  // and two (three on a lying page) up.
  RECT place{0, 0, 0, 0};
  if (target || !item->window) {
    const RECT* given = rect ? rect : target;
    if (!given) return;
    place = RECT{0, 0, given->right - given->left, given->bottom - given->top};
  } else if (!GetClientRect(item->window, &place)) {
    return;
  }
  const int32_t x0 = place.left + (place.right - place.left - w) / 2 - 1;
  const int32_t y0 = place.top + (place.bottom - place.top - h) / 2 - (pageWidth > pageHeight ? 3 : 2);

  const bool opaque = s.Value(kOpaque) == 1;
  MemoryDc work(dc, w, h);
  if (!work.ok()) return;
  if (opaque) BitBlt(work.get(), 0, 0, w, h, dc, x0, y0, SRCCOPY);
  else PatBlt(work.get(), 0, 0, w, h, WHITENESS);
  if (kind == kTextStamp) PaintText(s, item, work.get(), w, h, divisor, opaque);
  else PaintBitmap(s, work.get(), w, h, shortSide, resolution, load);
  BitBlt(dc, x0, y0, w, h, work.get(), 0, 0, opaque ? SRCCOPY : SRCAND);
}
