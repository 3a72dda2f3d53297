// A preview of a job: draws what the display list of one page of a job
// stream describes into an RGB picture, with cairo (the engine's 2D
// library). Rectangles, paths (fills with their fill rule, strokes with
// their line attributes and dashes), images of every depth with their
// palettes, brush patterns, the raster operations, rectangle and path clips,
// glyph bitmaps (plain or compressed), glyph runs, glyph outlines, and text
// in character codes drawn in a stand-in face (IPA Mincho or Gothic for the
// printer's Japanese fonts, the face of the same name otherwise).
//
// The job stream's block frame and the record sizes are checked by the job
// reader; the drawing is read from the records' own bytes here, so a picture
// that matches the document checks the encoders too. Command text is skipped.
// A record kind or value the preview does not draw is reported once in the
// warnings and the rest of the page is still drawn; a job that breaks the
// format gives an error and no picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jobrender {

struct Options {
  int page = 1;  // 1-based
  int dpi = 0;   // 0: the job's own resolution
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top first, 3 bytes a pixel: red, green, blue

  const uint8_t* At(int x, int y) const { return rgb.data() + (size_t(y) * size_t(width) + size_t(x)) * 3; }
};

struct Result {
  Picture picture;
  int pages = 0;         // pages of the job (begin-page records)
  int jobDpiX = 0;       // the page's own resolution
  int jobDpiY = 0;
  std::vector<std::string> warnings;  // each kind of warning once
  // Where the printable area lies in the picture. When the page start names
  // a standard paper, the picture is the whole sheet with the margin the
  // printer cannot print on marked grey (the area centred on the sheet);
  // otherwise it is the printable area alone.
  struct {
    int left = 0, top = 0, width = 0, height = 0;
  } printable;
};

// Largest picture drawn, in pixels a side and in all.
inline constexpr int kMaxSide = 32767;
inline constexpr uint64_t kMaxPixels = uint64_t(1) << 28;

// Draws page options.page of the job held in data. On failure error says why
// (a format error with its file offset, a missing page, a picture too large).
bool RenderJob(const uint8_t* data, size_t size, const Options& options, Result* out, std::string* error);

// Frees the font caches of cairo and fontconfig that drawing text filled
// (once, before the program ends, so that a leak check sees nothing left).
void ReleaseFontCaches();

// Writes a picture as PNG.
bool WritePng(const Picture& picture, const std::string& path, std::string* error);

}  // namespace jobrender
