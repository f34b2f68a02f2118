// Size texts at the unit boundaries and at the 32-bit limit.
#include "download/size_text.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

TEST(SizeText, UnitBoundaries) {
  EXPECT_EQ(SizeText(0), L"1KB");
  EXPECT_EQ(SizeText(512), L"1KB");
  EXPECT_EQ(SizeText(1024), L"1KB");
  EXPECT_EQ(SizeText(1025), L"1.00KB");
  EXPECT_EQ(SizeText(1536), L"1.50KB");
  EXPECT_EQ(SizeText(524288), L"512.00KB");
  EXPECT_EQ(SizeText(1048575), L"1024.00KB");  // 1023.999 rounds up but stays in KB
  EXPECT_EQ(SizeText(1048576), L"1.00MB");
  EXPECT_EQ(SizeText(2621440), L"2.50MB");
  EXPECT_EQ(SizeText(3u * 1048576), L"3.00MB");
  EXPECT_EQ(SizeText(3221225472u), L"3072.00MB");
  EXPECT_EQ(SizeText(4294967295u), L"4096.00MB");
}

TEST(SizeText, DecimalPointDoesNotFollowTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no German locale here";
  EXPECT_EQ(SizeText(1536), L"1.50KB");
  std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
