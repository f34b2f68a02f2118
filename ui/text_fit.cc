// Shortening text in the middle.
#include "ui/text_fit.h"

#include <glib.h>

namespace ui {
namespace {

constexpr size_t kLongestExtension = 16;

// A combining mark belongs to the character before it: a cut never leaves
// one at the start of the kept end.
bool IsMark(wchar_t c) { return g_unichar_ismark(static_cast<gunichar>(c)); }

}  // namespace

std::wstring ShortenInMiddle(const std::wstring& text,
                             const std::function<bool(const std::wstring&)>& fits) {
  if (text.empty() || fits(text)) return text;
  const size_t dot = text.rfind(L'.');
  const bool has_extension =
      dot != std::wstring::npos && dot > 0 && text.size() - dot <= kLongestExtension;
  const std::wstring extension = has_extension ? text.substr(dot) : std::wstring();
  const std::wstring stem = text.substr(0, text.size() - extension.size());
  // keep characters of the stem: the first half from its start, the rest
  // from its end.
  auto shortened = [&](size_t keep) {
    size_t head = (keep + 1) / 2;
    size_t tail = keep - head;
    while (tail > 0 && IsMark(stem[stem.size() - tail])) --tail;
    while (head > 0 && head < stem.size() && IsMark(stem[head])) --head;
    return stem.substr(0, head) + L"\u2026" + stem.substr(stem.size() - tail) + extension;
  };
  // The largest number of kept characters that fits; the whole stem never
  // does, or text would have.
  size_t fitting = 0;
  size_t too_many = stem.size();
  while (too_many - fitting > 1) {
    const size_t keep = fitting + (too_many - fitting) / 2;
    if (fits(shortened(keep))) {
      fitting = keep;
    } else {
      too_many = keep;
    }
  }
  return shortened(fitting);
}

}  // namespace ui
