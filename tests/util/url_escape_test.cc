// Escaping of document paths and unescaping of download file names.
#include "util/url_escape.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "app/locations.h"
#include "util/text_convert.h"

namespace {

TEST(UrlEscape, SpacesAndNonAsciiBytes) {
  EXPECT_EQ(UrlEscape("a b"), "a%20b");
  EXPECT_EQ(UrlEscape("D:\\\xE8\xAF\xBE\xE4\xBB\xB6 1.zv"), "D:\\%E8%AF%BE%E4%BB%B6%201.zv");
  EXPECT_EQ(UrlEscape("\x80\xFF"), "%80%FF");
  EXPECT_EQ(UrlEscape(""), "");
}

TEST(UrlEscape, LeavesDelimitersAlone) {
  EXPECT_EQ(UrlEscape("/dir/x?y:z\\w=v;"), "/dir/x?y:z\\w=v;");
  EXPECT_EQ(UrlEscape("tab\there"), "tab\there");
}

TEST(UrlEscape, CharactersThatWouldCutTheFileValue) {
  EXPECT_EQ(UrlEscape("Q&A.zv"), "Q%26A.zv");
  EXPECT_EQ(UrlEscape("C++ notes.zv"), "C%2B%2B%20notes.zv");
  EXPECT_EQ(UrlEscape("#1.zv"), "%231.zv");
  // A '%' is a character of the name, never the start of an escape.
  EXPECT_EQ(UrlEscape("100%"), "100%25");
  EXPECT_EQ(UrlEscape("a%20b"), "a%2520b");
}

TEST(UrlUnescape, DecodesOnlyOutsideTheReservedSet) {
  EXPECT_EQ(UrlUnescape("a+b"), "a b");
  EXPECT_EQ(UrlUnescape("%41%2F%E4%BB%B6"), "%41%2F\xE4\xBB\xB6");
  EXPECT_EQ(UrlUnescape("%20%22%23%25%3C%3E%5B%5C%5D%5E%60%7B%7C%7D%7E"), " \"#%<>[\\]^`{|}~");
  EXPECT_EQ(UrlUnescape("%e4%bb%b6"), "\xE4\xBB\xB6");
  for (const char* kept : {"%21", "%24", "%26", "%27", "%28", "%29", "%2A", "%2B", "%2C", "%2D",
                           "%2E", "%2f", "%3A", "%3B", "%3D", "%3F", "%40", "%5F", "%7a"}) {
    EXPECT_EQ(UrlUnescape(kept), kept);
  }
  // A decoded '%' is not decoded again.
  EXPECT_EQ(UrlUnescape("%2520"), "%20");
  EXPECT_EQ(UrlUnescape(std::string("%00x", 4)), std::string("\0x", 2));
}

// File URL paths decode every escape, and a '+' is a '+'.
TEST(PercentDecode, DecodesEveryValidEscapeOnce) {
  EXPECT_EQ(PercentDecode("/a+b/%2E%2e/my%20doc%2Fx%25%32%30"), "/a+b/../my doc/x%20");
  EXPECT_EQ(PercentDecode("%E4%BB%B6%00"), std::string("\xE4\xBB\xB6\0", 4));
  EXPECT_EQ(PercentDecode("%zz%4%"), "%zz%4%");
}

TEST(UrlUnescape, MalformedEscapesAreCopied) {
  EXPECT_EQ(UrlUnescape("%zz"), "%zz");
  EXPECT_EQ(UrlUnescape("%"), "%");
  EXPECT_EQ(UrlUnescape("a%"), "a%");
  EXPECT_EQ(UrlUnescape("a%4"), "a%4");
  EXPECT_EQ(UrlUnescape("%4g"), "%4g");
  EXPECT_EQ(UrlUnescape("%\xE4\xBB"), "%\xE4\xBB");
  EXPECT_EQ(UrlUnescape(""), "");
}

class DocumentPath : public ::testing::Test {
 protected:
  void SetUp() override { setenv("LC_ALL", "C.UTF-8", 1); }
  void TearDown() override {
    unsetenv("LC_ALL");
    std::setlocale(LC_ALL, "C");
  }
};

TEST_F(DocumentPath, EscapedForTheOfflineEditor) {
  EXPECT_EQ(EscapeDocumentPath(L"/home/u/my docs/课件 1.zv"),
            L"/home/u/my%20docs/%E8%AF%BE%E4%BB%B6%201.zv");
  EXPECT_EQ(EscapeDocumentPath(L"D:\\my docs\\a.zv"), L"D:\\my%20docs\\a.zv");
  EXPECT_EQ(EscapeDocumentPath(L"/docs/Q&A #2.zv"), L"/docs/Q%26A%20%232.zv");
  EXPECT_EQ(EscapeDocumentPath(L""), L"");
  std::wstring location = std::wstring(L"/x/vexalio") + kOfflineEditorPrefix +
                          EscapeDocumentPath(L"/home/u/C++ notes.zv");
  EXPECT_EQ(location,
            L"/x/vexalio/contentEditor/editor/index.html?channel=offline&file="
            L"/home/u/C%2B%2B%20notes.zv");
}

// The editor page decodes the file value once, as decodeURIComponent does.
std::string DecodeOnce(const std::wstring& value) {
  std::string narrow(value.begin(), value.end()), out;
  for (size_t i = 0; i < narrow.size(); ++i) {
    if (narrow[i] == '%' && i + 2 < narrow.size()) {
      out += static_cast<char>(std::stoi(narrow.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += narrow[i];
    }
  }
  return out;
}

TEST_F(DocumentPath, EveryNameReachesTheEditorExactly) {
  for (const char* name : {"100% #1 & C++ ?.zv", "a;b ;?%25%%.zv", "课件 % + # & ; ?.zv"}) {
    const std::string path = std::string("/home/u/my docs/") + name;
    std::wstring wide_path;
    AnsiToWide(path, wide_path);
    const std::wstring value = EscapeDocumentPath(wide_path);
    EXPECT_EQ(value.find_first_of(L" #&+"), std::wstring::npos) << name;
    EXPECT_EQ(DecodeOnce(value), path) << name;
  }
}

TEST_F(DocumentPath, DownloadNamesDecodeToWideText) {
  EXPECT_EQ(UrlDecodeToWide(L"%E8%AF%BE%E4%BB%B6%201.pptx"), L"课件 1.pptx");
  EXPECT_EQ(UrlDecodeToWide(L"a+b%2Fc.pdf"), L"a b%2Fc.pdf");
  EXPECT_EQ(UrlDecodeToWide(L"plain.pdf"), L"plain.pdf");
  EXPECT_EQ(UrlDecodeToWide(L""), L"");
  // A decoded zero byte ends the name.
  EXPECT_EQ(UrlDecodeToWide(L"evil%00.exe"), L"evil");
}

}  // namespace
