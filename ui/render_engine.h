// Drawing primitives of the toolkit over cairo and pango: filled and rounded
// rectangles, borders, images (scaled, with optional nine-slice corners and
// fading) and text (plain or with the small tag language of showhtml).
#pragma once

#include <cstdint>
#include <string>

#include "platform/windows.h"
#include "ui/attribute_parser.h"

struct _cairo;
struct _cairo_surface;

namespace ui {

struct FontSpec {
  std::wstring family = L"Sans";
  int size = 13;  // pixels
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

namespace render {

void FillRect(_cairo* cr, const RECT& rc, std::uint32_t color, SIZE round);
void DrawBorder(_cairo* cr, const RECT& rc, int size, std::uint32_t color, SIZE round);
// Draws the look's source part of image into rc (or its dest inside rc).
// With a tint (high contrast), the image's shape is drawn in that one
// colour instead of its own.
void DrawImage(_cairo* cr, _cairo_surface* image, const ImageSpec& look, const RECT& rc,
               std::uint32_t tint = 0);
// style: DT_* bits of control_ui.h. With DT_PATH_ELLIPSIS a single line of
// plain text that does not fit is shortened in its middle (ui/text_fit.h).
// With one_color (high contrast), the colours of the text's <c> tags give
// way to color.
void DrawText(_cairo* cr, const RECT& rc, const std::wstring& text, std::uint32_t color,
              const FontSpec& font, UINT style, bool html, bool one_color = false);

// What DrawText shows of plain text on one line width pixels wide with
// DT_PATH_ELLIPSIS.
std::wstring TextInWidth(const std::wstring& text, const FontSpec& font, int width);

// The keyboard focus ring of a control at rc. A control with edges of its
// own (a background or a border) gets a 2-pixel ring around it, 2 pixels
// out, in the colour (a dark blue or white) that stands out from the
// background around it; one without (an image on the caption) a 2-pixel
// band inside its edge with a 1-pixel line of the other colour inside that.
// A high-contrast theme gives the ring its ink colour (ink), and the inner
// line of a ring inside the control the ground's (ground).
void DrawFocusRing(_cairo* cr, const RECT& rc, bool outside, std::uint32_t background,
                   std::uint32_t ink = 0, std::uint32_t ground = 0);
// The contrast ratio of two opaque colours (0xAARRGGBB), 1 to 21, as the
// accessibility guidelines define it.
double ContrastRatio(std::uint32_t a, std::uint32_t b);

// The showhtml tags (<b>, <i>, <u>, <n> for a line break, <c #AARRGGBB> for
// a colour) as pango markup; everything else is shown as text. Unbalanced
// tags are closed or dropped, so the result always parses.
std::string HtmlToMarkup(const std::wstring& text, bool keep_colors = true);

}  // namespace render
}  // namespace ui
