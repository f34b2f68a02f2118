// Text laid out once and kept for the next drawing of the same text: a row of
// the download list redrawn for its progress shows the same name, sizes and
// buttons again, and shaping them anew (a dozen layouts when a name is fitted
// in its middle) is most of a redraw's time. Main thread only, as drawing is.
#pragma once

#include <pango/pangocairo.h>

#include <cstddef>
#include <string>
#include <unordered_map>

#include "platform/gobject_ptr.h"
#include "ui/render_engine.h"

namespace ui::render {

class TextLayoutCache {
 public:
  static TextLayoutCache& Get();

  // What makes a layout: font, room, the drawing flags, how the text is read
  // (kind: plain, or markup with or without its colours), the font options of
  // cr and its target (antialiasing and hinting change the glyphs), cr's
  // scale and rotation, and the text.
  static std::string Key(cairo_t* cr, const FontSpec& font, int width, unsigned style, char kind,
                         const std::wstring& text);

  // A kept layout: its key holds everything its context took from cr.
  PangoLayout* FindLayout(const std::string& key) const;
  void AddLayout(const std::string& key, platform::GObjectPtr<PangoLayout> layout);

  // The form of a text that fits its room, shortened in the middle.
  const std::wstring* FindFit(const std::string& key) const;
  void AddFit(const std::string& key, std::wstring fit);

 private:
  // Past this many the cache starts over: a new list of names replaced the
  // old, and what is drawn again comes back at once.
  static constexpr std::size_t kMostEntries = 512;
  std::unordered_map<std::string, platform::GObjectPtr<PangoLayout>> layouts_;
  std::unordered_map<std::string, std::wstring> fits_;
};

}  // namespace ui::render
