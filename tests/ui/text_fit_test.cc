// Text shortened in the middle: what stays of a file name, by a measure of
// characters and in the toolkit's own font.
#include "ui/text_fit.h"

#include <gtest/gtest.h>

#include "ui/render_engine.h"

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

}  // namespace
