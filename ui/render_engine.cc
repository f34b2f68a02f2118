// Drawing primitives over cairo and pango.
#include "ui/render_engine.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gobject_ptr.h"
#include "platform/unicode_text.h"
#include "ui/control_ui.h"
#include "ui/text_fit.h"
#include "ui/text_layout_cache.h"

namespace ui::render {
namespace {

void SetColor(cairo_t* cr, std::uint32_t color) {
  cairo_set_source_rgba(cr, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                        (color & 0xFF) / 255.0, ((color >> 24) & 0xFF) / 255.0);
}

void RoundedPath(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  if (r <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -G_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, G_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, G_PI / 2, G_PI);
  cairo_arc(cr, x + r, y + r, r, G_PI, 3 * G_PI / 2);
  cairo_close_path(cr);
}

void DrawPiece(cairo_t* cr, cairo_surface_t* image, double sx, double sy, double sw, double sh,
               double dx, double dy, double dw, double dh, double alpha) {
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, dx, dy, dw, dh);
  cairo_clip(cr);
  cairo_translate(cr, dx, dy);
  cairo_scale(cr, dw / sw, dh / sh);
  // Draw from a sub-surface so scaling never bleeds in pixels from beside
  // the source rectangle.
  cairo_surface_t* part = cairo_surface_create_for_rectangle(image, sx, sy, sw, sh);
  cairo_set_source_surface(cr, part, 0, 0);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint_with_alpha(cr, alpha);
  cairo_surface_destroy(part);
  cairo_restore(cr);
}

void AppendEscaped(std::string* out, wchar_t c) {
  switch (c) {
    case L'&':
      *out += "&amp;";
      break;
    case L'<':
      *out += "&lt;";
      break;
    case L'>':
      *out += "&gt;";
      break;
    case L'"':
      *out += "&quot;";
      break;
    case L'\'':
      *out += "&apos;";
      break;
    default:
      *out += platform::WideToUtf8(std::wstring(1, c));
  }
}

}  // namespace

void FillRect(cairo_t* cr, const RECT& rc, std::uint32_t color, SIZE round) {
  if ((color >> 24) == 0) return;
  cairo_save(cr);
  RoundedPath(cr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, round.cx / 2.0);
  SetColor(cr, color);
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawBorder(cairo_t* cr, const RECT& rc, int size, std::uint32_t color, SIZE round) {
  if (size <= 0 || (color >> 24) == 0) return;
  cairo_save(cr);
  double half = size / 2.0;
  RoundedPath(cr, rc.left + half, rc.top + half, rc.right - rc.left - size,
              rc.bottom - rc.top - size, round.cx / 2.0);
  SetColor(cr, color);
  cairo_set_line_width(cr, size);
  cairo_stroke(cr);
  cairo_restore(cr);
}

namespace {

double Channel(std::uint32_t value) {
  const double c = (value & 0xFF) / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(std::uint32_t color) {
  return 0.2126 * Channel(color >> 16) + 0.7152 * Channel(color >> 8) + 0.0722 * Channel(color);
}

}  // namespace

double ContrastRatio(std::uint32_t a, std::uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void DrawFocusRing(cairo_t* cr, const RECT& rc, bool outside, std::uint32_t background,
                   std::uint32_t ink, std::uint32_t ground) {
  const std::uint32_t kBlue = ink != 0 ? ink : 0xFF1D4ED8u;
  const std::uint32_t kWhite = ink != 0 ? ground : 0xFFFFFFFFu;
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w < 8 || h < 8) return;
  const bool blue =
      ink != 0 || ContrastRatio(kBlue, background) >= ContrastRatio(kWhite, background);
  cairo_save(cr);
  cairo_set_line_width(cr, 2);
  if (outside) {
    RoundedPath(cr, rc.left - 3, rc.top - 3, w + 6, h + 6, 6);
    SetColor(cr, blue ? kBlue : kWhite);
    cairo_stroke(cr);
  } else {
    RoundedPath(cr, rc.left + 1, rc.top + 1, w - 2, h - 2, 3);
    SetColor(cr, blue ? kBlue : kWhite);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1);
    RoundedPath(cr, rc.left + 2.5, rc.top + 2.5, w - 5, h - 5, 2);
    SetColor(cr, blue ? kWhite : kBlue);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void DrawImage(cairo_t* cr, cairo_surface_t* image, const ImageSpec& look, const RECT& rc,
               std::uint32_t tint) {
  if (image == nullptr || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) return;
  if (tint != 0) {
    // The image as drawn, used as the mask of one colour.
    cairo_push_group(cr);
    DrawImage(cr, image, look, rc, 0);
    cairo_pattern_t* shape = cairo_pop_group(cr);
    cairo_save(cr);
    SetColor(cr, tint);
    cairo_mask(cr, shape);
    cairo_restore(cr);
    cairo_pattern_destroy(shape);
    return;
  }
  // Source rectangles are in layout pixels: an image drawn at twice the size
  // carries a device scale of 2 and is half its pixel size here.
  double scale_x = 1, scale_y = 1;
  cairo_surface_get_device_scale(image, &scale_x, &scale_y);
  double iw = cairo_image_surface_get_width(image) / scale_x;
  double ih = cairo_image_surface_get_height(image) / scale_y;
  double sx = 0, sy = 0, sw = iw, sh = ih;
  if (look.has_source) {
    sx = std::clamp<double>(look.source.left, 0, iw);
    sy = std::clamp<double>(look.source.top, 0, ih);
    sw = std::clamp<double>(look.source.right, sx, iw) - sx;
    sh = std::clamp<double>(look.source.bottom, sy, ih) - sy;
  }
  double dx = rc.left, dy = rc.top, dw = rc.right - rc.left, dh = rc.bottom - rc.top;
  if (look.has_dest) {
    dx = rc.left + look.dest.left;
    dy = rc.top + look.dest.top;
    dw = std::min<double>(look.dest.right - look.dest.left, rc.right - dx);
    dh = std::min<double>(look.dest.bottom - look.dest.top, rc.bottom - dy);
  }
  double alpha = look.fade / 255.0;
  const RECT& c = look.corner;
  if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
    DrawPiece(cr, image, sx, sy, sw, sh, dx, dy, dw, dh, alpha);
    return;
  }
  // Nine slices: corners keep their size, edges stretch along one axis and
  // the middle along both. Corners shrink when the target is too small.
  double l = std::min<double>(c.left, dw / 2), r = std::min<double>(c.right, dw / 2);
  double t = std::min<double>(c.top, dh / 2), b = std::min<double>(c.bottom, dh / 2);
  double cols_s[3][2] = {{sx, (double)c.left},
                         {sx + c.left, sw - c.left - c.right},
                         {sx + sw - c.right, (double)c.right}};
  double rows_s[3][2] = {{sy, (double)c.top},
                         {sy + c.top, sh - c.top - c.bottom},
                         {sy + sh - c.bottom, (double)c.bottom}};
  double cols_d[3][2] = {{dx, l}, {dx + l, dw - l - r}, {dx + dw - r, r}};
  double rows_d[3][2] = {{dy, t}, {dy + t, dh - t - b}, {dy + dh - b, b}};
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      DrawPiece(cr, image, cols_s[col][0], rows_s[row][0], cols_s[col][1], rows_s[row][1],
                cols_d[col][0], rows_d[row][0], cols_d[col][1], rows_d[row][1], alpha);
    }
  }
}

std::string HtmlToMarkup(const std::wstring& text, bool keep_colors) {
  std::string out;
  std::vector<std::string> open;  // tag names of open pango elements
  auto close_to = [&](const std::string& name) {
    auto it = std::find(open.rbegin(), open.rend(), name);
    if (it == open.rend()) return;
    size_t keep = static_cast<size_t>(open.rend() - it) - 1;
    while (open.size() > keep) {
      const std::string& top = open.back();
      out += "</" + (top == "c" ? std::string("span") : top) + ">";
      open.pop_back();
    }
  };
  size_t i = 0;
  while (i < text.size()) {
    wchar_t ch = text[i];
    if (ch == L'<') {
      size_t end = text.find(L'>', i);
      if (end == std::wstring::npos) {
        AppendEscaped(&out, ch);
        ++i;
        continue;
      }
      std::wstring tag = text.substr(i + 1, end - i - 1);
      i = end + 1;
      bool closing = !tag.empty() && tag[0] == L'/';
      if (closing) tag.erase(0, 1);
      std::wstring name = tag.substr(0, tag.find(L' '));
      std::wstring arg = name.size() < tag.size() ? tag.substr(name.size() + 1) : L"";
      if (name == L"b" || name == L"i" || name == L"u") {
        std::string n = platform::WideToUtf8(name);
        if (closing) {
          close_to(n);
        } else {
          out += "<" + n + ">";
          open.push_back(n);
        }
      } else if (name == L"n" && !closing) {
        out += "\n";
      } else if (name == L"c" && keep_colors) {
        if (closing) {
          close_to("c");
        } else {
          std::uint32_t color = 0xFF000000u;
          ParseColor(arg, &color);
          char buf[64];
          g_snprintf(buf, sizeof buf, "<span foreground=\"#%06X\">", color & 0xFFFFFFu);
          out += buf;
          open.emplace_back("c");
        }
      }
      // Other tags (links, fonts, images) are dropped; their text stays.
      continue;
    }
    AppendEscaped(&out, ch);
    ++i;
  }
  while (!open.empty()) close_to(open.back());
  return out;
}

namespace {

// A layout of cr for text in font, one line or wrapped as style says.
platform::GObjectPtr<PangoLayout> TextLayout(cairo_t* cr, const FontSpec& font, int width,
                                             UINT style) {
  platform::GObjectPtr<PangoLayout> layout = platform::AdoptGObject(pango_cairo_create_layout(cr));
  PangoFontDescription* desc = pango_font_description_new();
  std::string family = platform::WideToUtf8(font.family);
  pango_font_description_set_family(desc, family.c_str());
  pango_font_description_set_absolute_size(desc, font.size * PANGO_SCALE);
  pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout.get(), desc);
  pango_font_description_free(desc);
  if (font.underline) {
    PangoAttrList* attrs = pango_attr_list_new();
    pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout.get(), attrs);
    pango_attr_list_unref(attrs);
  }
  pango_layout_set_width(layout.get(), width * PANGO_SCALE);
  if (style & DT_SINGLELINE) {
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
  } else {
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  }
  return layout;
}

// text, shortened in its middle until one line of the layout holds it.
std::wstring FitInMiddle(cairo_t* cr, PangoLayout* layout, const FontSpec& font,
                         const std::wstring& text, int width) {
  TextLayoutCache& cache = TextLayoutCache::Get();
  const std::string key =
      TextLayoutCache::Key(cr, font, width, DT_SINGLELINE | DT_PATH_ELLIPSIS, 'f', text);
  if (const std::wstring* known = cache.FindFit(key)) return *known;
  std::wstring fit = ShortenInMiddle(text, [&](const std::wstring& candidate) {
    const std::string plain = platform::WideToUtf8(candidate);
    pango_layout_set_text(layout, plain.c_str(), -1);
    if (pango_layout_is_ellipsized(layout)) return false;
    int lw = 0;
    pango_layout_get_pixel_size(layout, &lw, nullptr);
    return lw <= width;
  });
  cache.AddFit(key, fit);
  return fit;
}

// The layout of text as DrawText shows it, made once and then kept.
PangoLayout* ShownLayout(cairo_t* cr, const std::wstring& text, const FontSpec& font, int w,
                         UINT style, bool html, bool one_color) {
  TextLayoutCache& cache = TextLayoutCache::Get();
  const std::string key =
      TextLayoutCache::Key(cr, font, w, style, html ? (one_color ? 'm' : 'c') : 'p', text);
  if (PangoLayout* known = cache.FindLayout(key)) return known;
  platform::GObjectPtr<PangoLayout> layout = TextLayout(cr, font, w, style);
  pango_layout_set_alignment(layout.get(), (style & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                           : (style & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                : PANGO_ALIGN_LEFT);
  bool marked = false;
  if (html) {
    std::string markup = HtmlToMarkup(text, !one_color);
    if (pango_parse_markup(markup.c_str(), -1, 0, nullptr, nullptr, nullptr, nullptr)) {
      pango_layout_set_markup(layout.get(), markup.c_str(), -1);
      marked = true;
    }
  }
  if (!marked) {
    const bool in_middle = (style & DT_PATH_ELLIPSIS) && (style & DT_SINGLELINE);
    std::string plain =
        platform::WideToUtf8(in_middle ? FitInMiddle(cr, layout.get(), font, text, w) : text);
    pango_layout_set_text(layout.get(), plain.c_str(), -1);
  }
  PangoLayout* shown = layout.get();
  cache.AddLayout(key, std::move(layout));
  return shown;
}

}  // namespace

void DrawText(cairo_t* cr, const RECT& rc, const std::wstring& text, std::uint32_t color,
              const FontSpec& font, UINT style, bool html, bool one_color) {
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (text.empty() || w <= 0 || h <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, rc.left, rc.top, w, h);
  cairo_clip(cr);
  PangoLayout* layout = ShownLayout(cr, text, font, w, style, html, one_color);
  int lw = 0, lh = 0;
  pango_layout_get_pixel_size(layout, &lw, &lh);
  double y = rc.top;
  if (style & DT_VCENTER)
    y = rc.top + (h - lh) / 2.0;
  else if (style & DT_BOTTOM)
    y = rc.bottom - lh;
  cairo_move_to(cr, rc.left, std::floor(y));
  SetColor(cr, color);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
}

std::wstring TextInWidth(const std::wstring& text, const FontSpec& font, int width) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  std::wstring shown;
  {
    const platform::GObjectPtr<PangoLayout> layout =
        TextLayout(cr, font, width, DT_SINGLELINE | DT_PATH_ELLIPSIS);
    shown = FitInMiddle(cr, layout.get(), font, text, width);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return shown;
}

}  // namespace ui::render
