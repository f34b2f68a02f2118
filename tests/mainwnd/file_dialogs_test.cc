// The file dialogs' placement on their owner and the plain names they offer.
#include "mainwnd/file_dialogs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DialogPlacement, CentresOnTheReferenceRoundingTowardZero) {
  // A 400x300 dialog client centred on a 1001x701 reference at (10, 20).
  POINT p = DialogPlacement(10, 20, RECT{0, 0, 400, 300}, RECT{0, 0, 1001, 701});
  EXPECT_EQ(p.x, 10 + 300);
  EXPECT_EQ(p.y, 20 + 200);
  // A reference smaller than the dialog moves it up and left; -1/2 is 0.
  p = DialogPlacement(100, 100, RECT{0, 0, 401, 301}, RECT{0, 0, 400, 300});
  EXPECT_EQ(p.x, 100);
  EXPECT_EQ(p.y, 100);
  // With its own client rectangle as reference the frame stays at (cx, cy).
  p = DialogPlacement(50, 60, RECT{0, 0, 400, 300}, RECT{0, 0, 400, 300});
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);
}

TEST(PlainFileName, KeepsOnlyAPlainNameOfAtMost200Bytes) {
  EXPECT_EQ(PlainFileName(L"a b.pdf"), L"a b.pdf");
  EXPECT_EQ(PlainFileName(L"../../.bashrc"), L"bashrc");
  EXPECT_EQ(PlainFileName(L"/home/u/.profile"), L"profile");
  EXPECT_EQ(PlainFileName(L"..\\x\\..config"), L"config");
  // Slashes drawn like the separator are separators too.
  EXPECT_EQ(PlainFileName(L"\uFF0F..\uFF0Fetc\uFF0Fpasswd"), L"passwd");
  EXPECT_EQ(PlainFileName(L"a\u2215b\u2044c\u29F8.d.pdf"), L"d.pdf");
  EXPECT_EQ(PlainFileName(L"dir/"), L"");
  EXPECT_EQ(PlainFileName(L".."), L"");
  EXPECT_EQ(PlainFileName(L"a\nb\tc.pdf"), L"abc.pdf");
  EXPECT_EQ(PlainFileName(L"v1.2.pdf"), L"v1.2.pdf") << "inner dots stay";
  // Format characters would show the name as another one: "invoice\u202Efdp.exe"
  // reads as "invoiceexe.pdf".
  EXPECT_EQ(PlainFileName(L"invoice\u202Efdp.exe"), L"invoicefdp.exe");
  EXPECT_EQ(PlainFileName(L"\u200B.\u2066a\u200Fb\uFEFF\u2069\u00AD\U000E0001.pdf"), L"ab.pdf");
  // 200 bytes of UTF-8 at most, cut before a character that would not fit:
  // 66 three-byte characters are 198 bytes, a 67th would make 201.
  std::wstring long_name(70, L'文');
  EXPECT_EQ(PlainFileName(long_name), std::wstring(66, L'文'));
  EXPECT_EQ(PlainFileName(std::wstring(250, L'a')), std::wstring(200, L'a'));
  EXPECT_EQ(PlainFileName(std::wstring(199, L'a') + L"\U0001F600"), std::wstring(199, L'a'));
}

}  // namespace
