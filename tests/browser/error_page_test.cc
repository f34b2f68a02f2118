// The error page's words for each error number, its button addresses, and
// the escaping of everything it shows from outside.
#include "browser/error_page.h"

#include <gtest/gtest.h>

#include "engine/cef_types.h"

namespace {

TEST(ErrorTextFor, EveryNumberIsToldInPlainChineseWords) {
  const int known[] = {ERR_FILE_NOT_FOUND,
                       ERR_ACCESS_DENIED,
                       ERR_NAME_NOT_RESOLVED,
                       ERR_INTERNET_DISCONNECTED,
                       ERR_CONNECTION_REFUSED,
                       ERR_CONNECTION_TIMED_OUT,
                       ERR_CONNECTION_RESET,
                       ERR_SSL_PROTOCOL_ERROR,
                       ERR_UNKNOWN_URL_SCHEME,
                       ERR_UNSAFE_PORT,
                       ERR_BLOCKED_BY_RESPONSE,
                       ERR_FAILED,
                       -999};
  for (int code : known) {
    const ErrorPageText text = ErrorTextFor(code);
    SCOPED_TRACE(code);
    // What failed, and what to do: always one of the page's two buttons.
    EXPECT_FALSE(text.headline.empty());
    EXPECT_TRUE(text.advice.find("“重试”") != std::string::npos ||
                text.advice.find("“返回首页”") != std::string::npos)
        << text.advice;
    // None of the engine's own words.
    EXPECT_EQ((text.headline + text.advice).find("ERR_"), std::string::npos);
    EXPECT_EQ((text.headline + text.advice).find("Failed"), std::string::npos);
  }
  EXPECT_EQ(ErrorTextFor(ERR_FILE_NOT_FOUND).headline, "找不到要打开的文件。");
  EXPECT_EQ(ErrorTextFor(ERR_INTERNET_DISCONNECTED).headline, "网络未连接。");
  EXPECT_EQ(ErrorTextFor(ERR_CONNECTION_REFUSED).headline, "服务器拒绝了连接。");
  EXPECT_EQ(ErrorTextFor(ERR_NAME_NOT_RESOLVED).headline, "找不到这个地址的服务器。");
  // Numbers the table does not know get general words.
  EXPECT_EQ(ErrorTextFor(-999).headline, ErrorTextFor(ERR_FAILED).headline);
  EXPECT_EQ(ErrorTextFor(-999).headline, "页面无法加载。");
}

TEST(DataFolderText, NamesTheFolderAndTheCause) {
  const ErrorPageText locked = DataFolderText(DataFolderProblem::kNotWritable, "/home/u/数据");
  EXPECT_EQ(locked.headline, "无法写入数据文件夹，编辑器的页面无法安装。");
  EXPECT_NE(locked.advice.find("“/home/u/数据”"), std::string::npos);
  const ErrorPageText full = DataFolderText(DataFolderProblem::kFull, "/data");
  EXPECT_EQ(full.headline, "磁盘已满，编辑器的页面无法安装。");
  EXPECT_NE(full.advice.find("“/data”"), std::string::npos);
  EXPECT_TRUE(DataFolderText(DataFolderProblem::kNone, "/data").headline.empty());
}

TEST(ErrorPageActionUrl, CarriesTheActionAndTheNonceAndNothingElseParses) {
  ErrorPageAction action = ErrorPageAction::kHome;
  std::string nonce;
  ASSERT_TRUE(ParseErrorPageActionUrl(ErrorPageActionUrl(ErrorPageAction::kRetry, "ab12"), &action,
                                      &nonce));
  EXPECT_EQ(action, ErrorPageAction::kRetry);
  EXPECT_EQ(nonce, "ab12");
  ASSERT_TRUE(
      ParseErrorPageActionUrl(ErrorPageActionUrl(ErrorPageAction::kHome, "cd"), &action, &nonce));
  EXPECT_EQ(action, ErrorPageAction::kHome);
  EXPECT_TRUE(IsErrorPageActionUrl("Quorbital-Error:retry?n=1"));
  for (const char* bad : {"quorbital-error:retry", "quorbital-error:retry?n=",
                          "quorbital-error:open?n=1", "http://x/quorbital-error:retry?n=1", ""}) {
    EXPECT_FALSE(ParseErrorPageActionUrl(bad, &action, &nonce)) << bad;
  }
  EXPECT_FALSE(IsErrorPageActionUrl("http://quorbital-error:retry?n=1"));
}

TEST(ErrorPageHtml, EscapesEveryTextFromOutside) {
  const std::string html =
      ErrorPageHtml({"<b>head</b>", "a & b"}, "http://x/?a=<script>&b=\"'", -2, "ERR_<X>", "n1");
  EXPECT_NE(html.find("<h1>&lt;b&gt;head&lt;/b&gt;</h1><p>a &amp; b</p>"), std::string::npos);
  EXPECT_NE(
      html.find("地址：http://x/?a=&lt;script&gt;&amp;b=&quot;&#39;<br>错误：ERR_&lt;X&gt; (-2)"),
      std::string::npos);
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("href=\"quorbital-error:retry?n=n1\">重试</a>"), std::string::npos);
  EXPECT_NE(html.find("href=\"quorbital-error:home?n=n1\">返回首页</a>"), std::string::npos);
}

}  // namespace
