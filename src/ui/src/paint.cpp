// Painting of windows: the bitmap each top-level window owns, the update
// state of each window, WM_ERASEBKGND and WM_PAINT sent as Windows sends
// them (parents before their children, each child clipped to its place),
// and a PNG of a window as painted.
#include <cairo.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "gdi_internal.h"
#include "plat/fonts.h"
#include "plat/kernel.h"
#include "wm.h"

namespace ui::detail {
namespace {

struct TopSurface {
  std::unique_ptr<Pixmap> pixmap;
  int users = 0;  // DCs open on it: it keeps its size while they draw
  // Bitmaps given up while DCs still drew on them, freed once unused.
  std::vector<std::unique_ptr<Pixmap>> retired;
};

struct PaintState {
  bool invalid = true;  // a window never painted is invalid as a whole
  bool erase = true;
  bool whole = true;    // the update area is the whole window
  RECT update{0, 0, 0, 0};
};

struct Painting {
  std::map<HWND, TopSurface> surfaces;
  std::map<HWND, PaintState> states;
};

Painting& P() {
  static Painting* p = new Painting();  // windows may outlive static destructors
  return *p;
}

// Forgets the windows that are gone.
void Prune() {
  Painting& p = P();
  for (auto it = p.surfaces.begin(); it != p.surfaces.end();) {
    if (!Find(it->first) && it->second.users == 0) {
      FreePixmap(it->second.pixmap.get());
      for (auto& r : it->second.retired) FreePixmap(r.get());
      it = p.surfaces.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = p.states.begin(); it != p.states.end();) it = Find(it->first) ? std::next(it) : p.states.erase(it);
}

RECT ClientOf(const Window& w) { return RECT{0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top}; }

bool Cut(const RECT& a, const RECT& b, RECT* out) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) r = RECT{0, 0, 0, 0};
  *out = r;
  return r.right > r.left;
}

PaintState& StateOf(HWND h) { return P().states[h]; }

void MarkInvalid(HWND h, const RECT* rect, bool erase, bool children) {
  std::shared_ptr<Window> w = Find(h);
  if (!w) return;
  PaintState& s = StateOf(h);
  if (!rect) {
    s.whole = true;
  } else if (!s.whole) {
    s.update = s.invalid ? RECT{std::min(s.update.left, rect->left), std::min(s.update.top, rect->top),
                                std::max(s.update.right, rect->right), std::max(s.update.bottom, rect->bottom)}
                         : *rect;
  }
  s.invalid = true;
  s.erase = s.erase || erase;
  if (!children) return;
  // A parent does not clip its children: what it paints over them, they
  // paint again.
  for (HWND c : std::vector<HWND>(w->children)) {
    std::shared_ptr<Window> cw = Find(c);
    if (!cw) continue;
    if (rect) {
      RECT in;
      RECT place = cw->rect;
      if (!Cut(place, *rect, &in)) continue;
      RECT local{in.left - place.left, in.top - place.top, in.right - place.left, in.bottom - place.top};
      MarkInvalid(c, &local, erase, true);
    } else {
      MarkInvalid(c, nullptr, erase, true);
    }
  }
}

void Validate(HWND h) {
  PaintState& s = StateOf(h);
  s.invalid = false;
  s.erase = false;
  s.whole = false;
  s.update = RECT{0, 0, 0, 0};
}

RECT UpdateRectOf(HWND h) {
  std::shared_ptr<Window> w = Find(h);
  if (!w) return RECT{0, 0, 0, 0};
  const PaintState& s = StateOf(h);
  if (!s.invalid) return RECT{0, 0, 0, 0};
  RECT r;
  Cut(s.whole ? ClientOf(*w) : s.update, ClientOf(*w), &r);
  return r;
}

// Sends WM_PAINT to a window that needs it; a window procedure that does
// not validate its window (no BeginPaint) is not asked again.
void PaintOne(HWND h) {
  if (!StateOf(h).invalid) return;
  SendMessageW(h, WM_PAINT, 0, 0);
  if (Find(h) && StateOf(h).invalid) Validate(h);
}

void PaintTree(HWND h, bool top) {
  std::shared_ptr<Window> w = Find(h);
  if (!w || (!top && !(w->style & WS_VISIBLE))) return;
  PaintOne(h);
  std::shared_ptr<Window> again = Find(h);
  if (!again) return;
  for (HWND c : std::vector<HWND>(again->children)) PaintTree(c, false);
}

HWND TopOf(HWND h) {
  std::shared_ptr<Window> w = Find(h);
  while (w && (w->style & WS_CHILD) && w->parent) {
    std::shared_ptr<Window> p = Find(w->parent);
    if (!p) break;
    w = p;
  }
  return w ? w->handle : nullptr;
}

HDC PlatGetDc(HWND window) { return OpenWindowDc(window); }
int PlatReleaseDc(HWND, HDC dc) { return CloseWindowDc(dc) ? 1 : 0; }

[[maybe_unused]] const bool g_dc_handlers = [] {
  plat::SetWindowDcHandlers(&PlatGetDc, &PlatReleaseDc);
  return true;
}();

}  // namespace

bool AcquireWindowTarget(HWND window, WindowTarget* target) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  Prune();
  std::shared_ptr<Window> w = Find(window);
  HWND top = TopOf(window);
  std::shared_ptr<Window> tw = Find(top);
  if (!w || !tw) return false;
  const LONG width = std::max<LONG>(1, tw->rect.right - tw->rect.left);
  const LONG height = std::max<LONG>(1, tw->rect.bottom - tw->rect.top);
  TopSurface& s = P().surfaces[top];
  if (!s.pixmap || s.pixmap->width != width || s.pixmap->height != height) {
    std::unique_ptr<Pixmap> fresh = NewPixmap(width, height, 32, false, nullptr);
    if (fresh) {
      if (s.pixmap && s.users) {
        s.retired.push_back(std::move(s.pixmap));
      } else if (s.pixmap) {
        FreePixmap(s.pixmap.get());
      }
      s.pixmap = std::move(fresh);
    }
    if (!s.pixmap) return false;
  }
  // The window's place on the bitmap, cut by each parent's client area.
  POINT origin{0, 0};
  RECT visible = ClientOf(*w);
  for (std::shared_ptr<Window> c = w; c && c->handle != top;) {
    std::shared_ptr<Window> p = Find(c->parent);
    if (!p) break;
    origin.x += c->rect.left;
    origin.y += c->rect.top;
    visible = RECT{visible.left + c->rect.left, visible.top + c->rect.top, visible.right + c->rect.left,
                   visible.bottom + c->rect.top};
    Cut(visible, ClientOf(*p), &visible);
    c = p;
  }
  Cut(visible, RECT{0, 0, width, height}, &visible);
  ++s.users;
  target->pixmap = s.pixmap.get();
  target->origin = origin;
  target->visible = visible;
  return true;
}

void ReleaseWindowTarget(HWND, Pixmap* pixmap) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  for (auto& [top, s] : P().surfaces) {
    if (s.pixmap.get() != pixmap &&
        std::none_of(s.retired.begin(), s.retired.end(), [&](const auto& r) { return r.get() == pixmap; }))
      continue;
    if (--s.users == 0) {
      for (auto& r : s.retired) FreePixmap(r.get());
      s.retired.clear();
    }
    break;
  }
}

LRESULT DefaultPaint(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (!dc) return 0;
  PaintStandardControl(window, dc);
  EndPaint(window, &ps);
  return 0;
}

LRESULT DefaultEraseBackground(HWND window, HDC dc) {
  std::shared_ptr<Window> w = Find(window);
  if (!w || !dc || !w->is_dialog) return 0;
  // A dialog's background is the brush its procedure answers to
  // WM_CTLCOLORDLG, else the face colour.
  auto brush = reinterpret_cast<HBRUSH>(SendMessageW(window, WM_CTLCOLORDLG, WPARAM(dc), LPARAM(window)));
  if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, brush);
  return 1;
}

}  // namespace ui::detail

using namespace ui::detail;

extern "C" {

HDC GetWindowDC(HWND window) { return OpenWindowDc(window); }

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!paint || !Find(window)) return nullptr;
  HDC dc = OpenWindowDc(window);
  if (!dc) return nullptr;
  const RECT update = UpdateRectOf(window);
  const bool erase = StateOf(window).erase;
  Validate(window);
  std::memset(paint, 0, sizeof *paint);
  paint->hdc = dc;
  paint->rcPaint = update;
  IntersectClipRect(dc, update.left, update.top, update.right, update.bottom);
  // The background goes first; fErase tells the procedure that it is
  // still to be erased (WM_ERASEBKGND answered 0).
  if (erase) paint->fErase = SendMessageW(window, WM_ERASEBKGND, WPARAM(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (!paint || !IsWindowDcOf(paint->hdc, window)) return FALSE;
  return CloseWindowDc(paint->hdc) ? TRUE : FALSE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!window) {
    // Every window, as Windows invalidates the whole screen.
    for (HWND top : ui::TopLevelWindows()) MarkInvalid(top, nullptr, erase, true);
    return TRUE;
  }
  if (!Find(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  MarkInvalid(window, rect, erase, true);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT*) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!Find(window)) return FALSE;
  Validate(window);
  return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!Find(window)) return FALSE;
  const RECT r = UpdateRectOf(window);
  if (rect) *rect = r;
  return r.right > r.left ? TRUE : FALSE;
}

// The windows of the machine are painted when asked: UpdateWindow paints
// the window and then its children that need it, as the WM_PAINT messages
// Windows would deliver next.
BOOL UpdateWindow(HWND window) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!Find(window)) return FALSE;
  PaintTree(window, true);
  return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT* rect, void*, UINT flags) {
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!Find(window)) return FALSE;
  if (flags & RDW_INVALIDATE) MarkInvalid(window, rect, (flags & RDW_ERASE) != 0, true);
  if (flags & RDW_VALIDATE) Validate(window);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) PaintTree(window, true);
  return TRUE;
}

}  // extern "C"

namespace ui {

bool SnapshotWindow(HWND top, const std::string& png_path, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = png_path + ": " + why;
    return false;
  };
  std::lock_guard<std::recursive_mutex> lock(Lock());
  if (!Find(top) || TopOf(top) != top) return fail("no top-level window to take a picture of");
  MarkInvalid(top, nullptr, true, true);
  PaintTree(top, true);
  WindowTarget t;
  if (!AcquireWindowTarget(top, &t)) return fail("the window has no picture");
  const Pixmap& pm = *t.pixmap;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pm.width, pm.height);
  bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_surface_flush(s);
    uint8_t* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (LONG y = 0; y < pm.height; ++y) {
      // Both are blue, green, red, unused in memory.
      std::memcpy(data + size_t(y) * size_t(stride), pm.Row(y), size_t(pm.width) * 4);
    }
    cairo_surface_mark_dirty(s);
  }
  ReleaseWindowTarget(top, t.pixmap);
  const cairo_status_t st = ok ? cairo_surface_write_to_png(s, png_path.c_str()) : cairo_surface_status(s);
  cairo_surface_destroy(s);
  if (st != CAIRO_STATUS_SUCCESS) return fail(std::string("cannot write the picture (") + cairo_status_to_string(st) + ")");
  return true;
}

}  // namespace ui
