// Code-page conversions: the ANSI code page follows the locale, UTF-8 and
// GBK (code page 936) by number, sizes, terminators and invalid input.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/unicode_text.h"
#include "platform/windows.h"

namespace {

std::wstring ToWide(UINT cp, const std::string& s, DWORD flags = 0) {
  int n = MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string ToNarrow(UINT cp, const std::wstring& w, const char* default_char = nullptr,
                     BOOL* used = nullptr) {
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, default_char,
                              used);
  std::string s(static_cast<size_t>(n), '\0');
  if (n > 0)
    WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, default_char,
                        used);
  return s;
}

const char kKejianUtf8[] = "\xE8\xAF\xBE\xE4\xBB\xB6";  // 课件
const char kKejianGbk[] = "\xBF\xCE\xBC\xFE";

class CodePage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr); }
  void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

TEST_F(CodePage, AnsiFollowsTheLocaleAndPlainCMeansUtf8) {
  EXPECT_EQ(ToWide(CP_ACP, kKejianUtf8), L"课件");
  EXPECT_EQ(ToNarrow(CP_ACP, L"课件"), kKejianUtf8);
  std::setlocale(LC_CTYPE, "C");
  EXPECT_EQ(ToWide(CP_ACP, kKejianUtf8), L"课件");
  EXPECT_EQ(ToNarrow(CP_ACP, L"课件 1.zv"), std::string(kKejianUtf8) + " 1.zv");
}

TEST_F(CodePage, Gbk936BothWays) {
  EXPECT_EQ(ToWide(936, kKejianGbk), L"课件");
  EXPECT_EQ(ToNarrow(936, L"D:\\课件 1.zv"), std::string("D:\\") + kKejianGbk + " 1.zv");
  EXPECT_EQ(ToNarrow(936, L"\u20AC"), "\x80");  // the euro sign of this code page
  // Supplementary characters survive UTF-8 but not GBK.
  EXPECT_EQ(ToWide(CP_UTF8, "\xF0\x9F\x98\x80"), L"\U0001F600");
  BOOL used = FALSE;
  EXPECT_EQ(ToNarrow(936, L"a\U0001F600b", nullptr, &used), "a?b");
  EXPECT_TRUE(used);
  EXPECT_EQ(ToNarrow(936, L"a\U0001F600b", "*", &used), "a*b");
  ToNarrow(936, L"plain", nullptr, &used);
  EXPECT_FALSE(used);
}

TEST_F(CodePage, MinusOneCountsTheTerminatorAndZeroSizeAsks) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kKejianUtf8, -1, nullptr, 0), 3);
  wchar_t wide[8];
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, kKejianUtf8, -1, wide, 8), 3);
  EXPECT_EQ(std::wstring(wide), L"课件");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"课件", -1, nullptr, 0, nullptr, nullptr), 7);
  // An explicit length stops at it and does not add a terminator.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 2, nullptr, 0), 2);
  // Embedded zeros are converted like any other character.
  EXPECT_EQ(ToWide(CP_UTF8, std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST_F(CodePage, TooSmallBufferAndBadArgumentsFail) {
  wchar_t wide[2];
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, wide, 2), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  char narrow[3];
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"课", -1, narrow, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "", 0, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, nullptr, 0), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", -2, nullptr, 0), 0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 5), 0);
  EXPECT_EQ(MultiByteToWideChar(4242, 0, "a", 1, nullptr, 0), 0);  // no such code page
  BOOL used;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a", 1, nullptr, 0, "?", nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"a", 1, nullptr, 0, nullptr, &used), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// One replacement per maximal invalid subpart, the same through the call and
// through the converter every layer uses.
TEST_F(CodePage, InvalidUtf8GivesOneReplacementPerInvalidSequence) {
  const struct {
    const char* input;
    const wchar_t* wide;
  } cases[] = {
      {"a\xFF"
       "b",
       L"a\uFFFDb"},
      {"\x80\xBF", L"\uFFFD\uFFFD"},                      // continuation bytes alone
      {"\xC0\xAF", L"\uFFFD\uFFFD"},                      // an overlong '/'
      {"\xE0\x80\x80", L"\uFFFD\uFFFD\uFFFD"},            // overlong from its second byte
      {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
      {"ok\xE4\xBB", L"ok\uFFFD"},                        // cut short at the end
      {"\xF0\x9F\x98"
       "!",
       L"\uFFFD!"},  // cut short before a character
      {"\xE4\xBBx\xF0\x9F\x98\x80", L"\uFFFDx\U0001F600"},
      {"\xF5\xC1", L"\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToWide(CP_UTF8, c.input), c.wide) << c.input;
    EXPECT_EQ(platform::Utf8ToWide(c.input), c.wide) << c.input;
  }
}

TEST_F(CodePage, InvalidInputIsReplacedUnlessStrict) {
  // A lead byte of code page 936 with nothing after it is a question mark.
  EXPECT_EQ(ToWide(936, "a\xBF"), L"a?");
  EXPECT_EQ(ToWide(936, std::string("\xBF\xCE\xBC", 3)), L"\u8BFE?");
  // So is one before a byte that cannot follow it, which is then read alone.
  EXPECT_EQ(ToWide(936, std::string("\xBF\xB4\xC7\x00", 4)), std::wstring(L"\u770B?\0", 3));
  EXPECT_EQ(ToWide(936, "\xC7\x30x"), L"?0x");
  SetLastError(0);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);

  // A lone surrogate is not a character: UTF-8 gets the replacement mark.
  std::wstring lone(1, static_cast<wchar_t>(0xD800));
  EXPECT_EQ(ToNarrow(CP_UTF8, L"x" + lone), "x\xEF\xBF\xBD");
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone.c_str(), 1, nullptr, 0, nullptr,
                                nullptr),
            0);
  EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
  EXPECT_EQ(platform::WideToUtf8(L"x" + lone + wchar_t(0x110000)), "x\xEF\xBF\xBD\xEF\xBF\xBD");
  // UTF-16 carries a lone surrogate both ways; nothing carries 0x110000.
  EXPECT_EQ(platform::WideToUtf16(lone + wchar_t(0x110000)), std::u16string(u"\xD800\uFFFD"));
}

TEST_F(CodePage, ConsoleCodePageFollowsTheLocaleOfTheEnvironment) {
  const char* saved = std::getenv("LC_ALL");
  const std::string restore = saved ? saved : "";
  const struct {
    const char* locale;
    UINT code_page;
  } cases[] = {{"C.UTF-8", CP_UTF8},
               {"C", CP_UTF8},
               {"zh_CN.GBK", 936},
               {"zh_CN.gb2312", 936},
               {"zh_CN.GB18030@x", 54936}};  // a locale not installed here by its name
  for (const auto& c : cases) {
    setenv("LC_ALL", c.locale, 1);
    EXPECT_EQ(GetConsoleOutputCP(), c.code_page) << c.locale;
  }
  if (saved)
    setenv("LC_ALL", restore.c_str(), 1);
  else
    unsetenv("LC_ALL");
}

TEST_F(CodePage, LongTextConvertsWhole) {
  std::wstring big;
  for (int i = 0; i < 100000; ++i) big += (i % 3 == 0) ? L'课' : L'x';
  std::string utf8 = ToNarrow(CP_UTF8, big);
  EXPECT_EQ(ToWide(CP_UTF8, utf8), big);
  EXPECT_EQ(ToWide(936, ToNarrow(936, big)), big);
}

}  // namespace
