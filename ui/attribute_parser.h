// Parsing of skin attribute values: colours, rectangles, sizes, booleans,
// attribute lists and image descriptions. Pure functions, shared by the skin
// builder and the controls; bad text gives a default, never an error.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/windows.h"

namespace ui {

// "#AARRGGBB", "#RRGGBB" (opaque) or "0xAARRGGBB". Returns false for
// anything else and leaves color alone.
bool ParseColor(const std::wstring& text, std::uint32_t* color);
// Comma-separated integers; missing fields are 0.
RECT ParseRect(const std::wstring& text);
SIZE ParseSize(const std::wstring& text);
int ParseInt(const std::wstring& text, int fallback = 0);
// "true"/"1" are true; everything else false.
bool ParseBool(const std::wstring& text);

// name="value" name2='value2' ... in order. Parsing stops at the first
// malformed pair; what was read before it is kept.
std::vector<std::pair<std::wstring, std::wstring>> ParseAttributeList(const std::wstring& list);

// An image description: either a plain file name or a list of
// file='..' source='l,t,r,b' dest='l,t,r,b' corner='l,t,r,b' fade='0..255'.
struct ImageSpec {
  std::wstring file;
  RECT source;
  bool has_source = false;
  RECT dest;
  bool has_dest = false;
  RECT corner;
  int fade = 255;
};
ImageSpec ParseImageSpec(const std::wstring& text);

}  // namespace ui
