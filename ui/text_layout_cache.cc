#include "ui/text_layout_cache.h"

#include <cstdio>
#include <utility>

#include "platform/unicode_text.h"

namespace ui::render {

TextLayoutCache& TextLayoutCache::Get() {
  static TextLayoutCache cache;
  return cache;
}

std::string TextLayoutCache::Key(cairo_t* cr, const FontSpec& font, int width, unsigned style,
                                 char kind, const std::wstring& text) {
  // The layout's context took these from the first cr; the same ones now
  // mean the same glyphs in the same places.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_get_font_options(cr, options);
  const unsigned long set = cairo_font_options_hash(options);
  cairo_surface_get_font_options(cairo_get_target(cr), options);
  const unsigned long target = cairo_font_options_hash(options);
  cairo_font_options_destroy(options);
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  char look[160];
  std::snprintf(look, sizeof look, "%lx/%lx/%g/%g/%g/%g", set, target, m.xx, m.yx, m.xy, m.yy);
  const std::string family = platform::WideToUtf8(font.family);
  std::string key = std::to_string(family.size()) + ':' + family;
  key += kind + std::to_string(font.size) + (font.bold ? 'b' : '-') + (font.italic ? 'i' : '-') +
         (font.underline ? 'u' : '-');
  key += '\x1f' + std::to_string(width) + '\x1f' + std::to_string(style) + '\x1f' + look + '\x1f';
  key += platform::WideToUtf8(text);
  return key;
}

PangoLayout* TextLayoutCache::FindLayout(const std::string& key) const {
  const auto it = layouts_.find(key);
  return it == layouts_.end() ? nullptr : it->second.get();
}

void TextLayoutCache::AddLayout(const std::string& key, platform::GObjectPtr<PangoLayout> layout) {
  if (layouts_.size() >= kMostEntries) layouts_.clear();
  layouts_[key] = std::move(layout);
}

const std::wstring* TextLayoutCache::FindFit(const std::string& key) const {
  const auto it = fits_.find(key);
  return it == fits_.end() ? nullptr : &it->second;
}

void TextLayoutCache::AddFit(const std::string& key, std::wstring fit) {
  if (fits_.size() >= kMostEntries) fits_.clear();
  fits_[key] = std::move(fit);
}

}  // namespace ui::render
