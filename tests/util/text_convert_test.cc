// Narrow/wide conversions under a UTF-8 locale and under the plain C locale.
#include "util/text_convert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

// The conversions read the locale from the environment, as the client does.
class TextConvert : public ::testing::Test {
 protected:
  void UseLocale(const char* name) {
    setenv("LC_ALL", name, 1);
    ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr);
  }
  void SetUp() override { UseLocale("C.UTF-8"); }
  void TearDown() override {
    unsetenv("LC_ALL");
    std::setlocale(LC_ALL, "C");
  }
};

const char kKejian[] = "\xE8\xAF\xBE\xE4\xBB\xB6";  // 课件 in UTF-8

TEST_F(TextConvert, AnsiAndUtf8AgreeUnderAUtf8Locale) {
  EXPECT_EQ(AnsiToUtf8(kKejian), kKejian);
  EXPECT_EQ(Utf8ToAnsi(kKejian), kKejian);
  EXPECT_EQ(AnsiToUtf8(""), "");
  // Text ends at the first zero byte.
  EXPECT_EQ(AnsiToUtf8(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(Utf8ToAnsi(std::string("ab\0cd", 5)), "ab");
  // Bytes that are not UTF-8 come out as the replacement character.
  EXPECT_EQ(Utf8ToAnsi("a\xFF"), "a\xEF\xBF\xBD");
}

TEST_F(TextConvert, AnsiToWideDropsTheByteOrderMarkAndStopsAtZero) {
  std::wstring wide = L"before";
  EXPECT_EQ(AnsiToWide("", wide), 0);
  EXPECT_EQ(wide, L"before");
  EXPECT_EQ(AnsiToWide("\xEF\xBB\xBF"
                       "build",
                       wide),
            1);
  EXPECT_EQ(wide, L"build");
  // Only a leading mark is dropped.
  EXPECT_EQ(AnsiToWide("a\xEF\xBB\xBF", wide), 1);
  EXPECT_EQ(wide, L"a\uFEFF");
  EXPECT_EQ(AnsiToWide("\xEF\xBB\xBF", wide), 1);
  EXPECT_EQ(wide, L"");
  EXPECT_EQ(AnsiToWide(std::string("ab\0cd", 5), wide), 1);
  EXPECT_EQ(wide, L"ab");
  EXPECT_EQ(AnsiToWide(std::string("\0x", 2), wide), 1);
  EXPECT_EQ(wide, L"");
  EXPECT_EQ(AnsiToWide(kKejian, wide), 1);
  EXPECT_EQ(wide, L"课件");
}

TEST_F(TextConvert, WideToAnsiUsesTheUserLocale) {
  std::string narrow = "before";
  EXPECT_EQ(WideToAnsi(L"", narrow), 1);
  EXPECT_EQ(narrow, "");
  EXPECT_EQ(WideToAnsi(L"/home/u/课件 1.zv", narrow), 1);
  EXPECT_EQ(narrow, std::string("/home/u/") + kKejian + " 1.zv");
  // The locale it set stays in force for the process.
  unsetenv("LC_ALL");
  std::setlocale(LC_ALL, "C");
  setenv("LC_ALL", "C.UTF-8", 1);
  WideToAnsi(L"x", narrow);
  EXPECT_STRNE(std::setlocale(LC_CTYPE, nullptr), "C");
}

TEST_F(TextConvert, WideToAnsiKeepsTheRestAroundAnUnwritableCharacter) {
  std::wstring text = L"ab";
  text += static_cast<wchar_t>(0xD800);  // a lone surrogate is no character
  text += L"课";
  std::string narrow;
  EXPECT_EQ(WideToAnsi(text, narrow), 1);
  EXPECT_EQ(narrow, "ab?\xE8\xAF\xBE");
}

TEST_F(TextConvert, PlainCLocaleMeansUtf8) {
  UseLocale("C");
  std::string narrow;
  WideToAnsi(L"课件", narrow);
  EXPECT_EQ(narrow, kKejian);
  std::wstring wide;
  EXPECT_EQ(AnsiToWide(narrow, wide), 1);
  EXPECT_EQ(wide, L"课件");
  EXPECT_EQ(AnsiToUtf8(kKejian), kKejian);
}

}  // namespace
