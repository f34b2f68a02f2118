// Text shortened in the middle: what stays of a file name, by a measure of
// characters and in the toolkit's own font.
#include "ui/text_fit.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ui/control_ui.h"
#include "ui/render_engine.h"
#include "ui/text_layout_cache.h"

namespace {

// Text fits when it has at most width characters.
std::function<bool(const std::wstring&)> AtMost(size_t width) {
  return [width](const std::wstring& text) { return text.size() <= width; };
}

TEST(ShortenInMiddle, KeepsStartEndAndExtension) {
  EXPECT_EQ(ui::ShortenInMiddle(L"short.pdf", AtMost(20)), L"short.pdf");
  EXPECT_EQ(ui::ShortenInMiddle(L"abcdefghijklmnop.pdf", AtMost(12)), L"abcd\u2026nop.pdf");
  // A long tail after the last dot is no extension: the middle of it goes.
  EXPECT_EQ(ui::ShortenInMiddle(L"a.bcdefghijklmnopqrstuvwxyz", AtMost(9)), L"a.bc\u2026wxyz");
  // Not even the extension fits: the shortest form all the same.
  EXPECT_EQ(ui::ShortenInMiddle(L"abcdefghij.pdf", AtMost(3)), L"\u2026.pdf");
  // A combining mark stays with the letter before it.
  const std::wstring marked = L"aaaaae\u0301bbbbb.txt";
  for (size_t width = 5; width < marked.size(); ++width) {
    const std::wstring shown = ui::ShortenInMiddle(marked, AtMost(width));
    const size_t cut = shown.find(L'\u2026');
    ASSERT_NE(cut, std::wstring::npos) << width;
    EXPECT_NE(shown[cut + 1], L'\u0301') << width;
  }
}

TEST(TextInWidth, ALongFileNameFitsItsRoomWithItsExtension) {
  const ui::FontSpec font;
  const std::wstring name =
      L"lecture-slides-for-the-spring-term-chapter-twelve-revised-final-v3.pdf";
  const std::wstring shown = ui::render::TextInWidth(name, font, 300);
  ASSERT_NE(shown, name);
  EXPECT_EQ(shown.substr(0, 10), name.substr(0, 10));
  EXPECT_EQ(shown.substr(shown.size() - 12), name.substr(name.size() - 12));
  EXPECT_NE(shown.find(L'\u2026'), std::wstring::npos);
  // Most of the room is used.
  EXPECT_GT(shown.size(), 30u);
  EXPECT_EQ(ui::render::TextInWidth(L"课件.pdf", font, 300), L"课件.pdf");
}

// The pixels of text drawn into a fresh 200x40 image at scale.
std::vector<unsigned char> Drawn(const std::wstring& text, UINT style, double scale = 1) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 40);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  ui::render::DrawText(cr, RECT{0, 0, 120, 20}, text, 0xFF000000u, ui::FontSpec(), style, false,
                       false);
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  std::vector<unsigned char> pixels(data, data + cairo_image_surface_get_stride(surface) * 40);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return pixels;
}

TEST(TextLayoutCache, AKeptLayoutDrawsWhatANewOneWouldAndNothingElseSharesIt) {
  const UINT style = DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS;
  const std::wstring name = L"lecture-slides-for-the-spring-term-final.pdf";
  const std::vector<unsigned char> first = Drawn(name, style);
  EXPECT_EQ(Drawn(name, style), first);  // from the cache
  EXPECT_NE(Drawn(name, style | DT_CENTER), first);
  EXPECT_NE(Drawn(name, style, 2), first);
  EXPECT_NE(Drawn(L"lecture-slides-for-the-spring-term-final.ppt", style), first);

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  using Cache = ui::render::TextLayoutCache;
  const ui::FontSpec font;
  const std::string key = Cache::Key(cr, font, 100, style, 'p', name);
  ui::FontSpec bold = font;
  bold.bold = true;
  EXPECT_NE(Cache::Key(cr, bold, 100, style, 'p', name), key);
  EXPECT_NE(Cache::Key(cr, font, 101, style, 'p', name), key);
  EXPECT_NE(Cache::Key(cr, font, 100, style, 'm', name), key);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
  EXPECT_NE(Cache::Key(cr, font, 100, style, 'p', name), key);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

}  // namespace
