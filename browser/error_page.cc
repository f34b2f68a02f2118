// The error page's words, its action addresses and its markup.
#include "browser/error_page.h"

#include "engine/cef_types.h"

namespace {

constexpr char kActionScheme[] = "quorbital-error:";
constexpr char kRetryName[] = "retry";
constexpr char kHomeName[] = "home";
constexpr char kNonceMark[] = "?n=";

// Each error number the engine reports, in plain words: what failed, and what
// the person can do. Numbers that mean the same to a person share words.
struct Entry {
  int code;
  const char* headline;
  const char* advice;
};

constexpr char kNetworkAdvice[] = "请检查网络连接，然后点“重试”。";
constexpr char kBusyAdvice[] = "网络可能很慢，或服务器正忙。请稍后点“重试”。";
constexpr char kLaterAdvice[] = "请稍后点“重试”；如果问题依旧，请点“返回首页”。";

const Entry kTable[] = {
    {ERR_FILE_NOT_FOUND, "找不到要打开的文件。",
     "它可能已被移动、改名或删除。请确认文件还在原处，然后点“重试”。"},
    {ERR_ACCESS_DENIED, "没有读取这个文件的权限。", "请检查文件的访问权限，然后点“重试”。"},
    {ERR_FILE_TOO_BIG, "文件太大，无法打开。", "请点“返回首页”。"},
    {ERR_INSUFFICIENT_RESOURCES, "系统资源不足，页面无法加载。",
     "请关闭一些程序或窗口，然后点“重试”。"},
    {ERR_NAME_NOT_RESOLVED, "找不到这个地址的服务器。",
     "请检查地址是否正确、网络是否已连接，然后点“重试”。"},
    {ERR_INTERNET_DISCONNECTED, "网络未连接。", kNetworkAdvice},
    {ERR_ADDRESS_UNREACHABLE, "无法访问服务器所在的网络。", kNetworkAdvice},
    {ERR_CONNECTION_REFUSED, "服务器拒绝了连接。", "服务器可能暂时没有运行。请稍后点“重试”。"},
    {ERR_CONNECTION_TIMED_OUT, "服务器长时间没有响应。", kBusyAdvice},
    {ERR_TIMED_OUT, "服务器长时间没有响应。", kBusyAdvice},
    {ERR_CONNECTION_CLOSED, "与服务器的连接意外中断。", kLaterAdvice},
    {ERR_CONNECTION_RESET, "与服务器的连接意外中断。", kLaterAdvice},
    {ERR_CONNECTION_ABORTED, "与服务器的连接意外中断。", kLaterAdvice},
    {ERR_CONNECTION_FAILED, "无法连接到服务器。", kLaterAdvice},
    {ERR_EMPTY_RESPONSE, "服务器没有返回任何内容。", kLaterAdvice},
    {ERR_INVALID_RESPONSE, "服务器返回的内容无法识别。", kLaterAdvice},
    {ERR_SSL_PROTOCOL_ERROR, "无法与服务器建立安全连接。",
     "服务器的证书或加密设置有问题。请稍后点“重试”；如果问题依旧，请联系服务的提供方。"},
    {ERR_CERT_INVALID, "服务器的安全证书无效。",
     "连接可能不安全。请稍后点“重试”；如果问题依旧，请联系服务的提供方。"},
    {ERR_TOO_MANY_REDIRECTS, "这个网页的重定向次数过多。", kLaterAdvice},
    {ERR_INVALID_URL, "这个地址无效。", "请检查地址是否正确，或点“返回首页”。"},
    {ERR_DISALLOWED_URL_SCHEME, "这个地址无法在编辑器中打开。", "请点“返回首页”。"},
    {ERR_UNKNOWN_URL_SCHEME, "这个地址无法在编辑器中打开。", "请点“返回首页”。"},
    {ERR_UNSAFE_PORT, "出于安全原因，这个地址不能打开。",
     "它使用了一个受限制的端口。请点“返回首页”。"},
    {ERR_BLOCKED_BY_RESPONSE, "这个内容无法在编辑器中显示。", "请点“返回首页”。"},
};

}  // namespace

ErrorPageText ErrorTextFor(int error_code) {
  for (const Entry& entry : kTable) {
    if (entry.code == error_code) return {entry.headline, entry.advice};
  }
  return {"页面无法加载。", "请点“重试”；如果问题依旧，请点“返回首页”。"};
}

ErrorPageText DataFolderText(DataFolderProblem problem, const std::string& folder) {
  switch (problem) {
    case DataFolderProblem::kNotWritable:
      return {"无法写入数据文件夹，编辑器的页面无法安装。",
              "Quorbital 把它的页面保存在文件夹“" + folder +
                  "”中。请确认您有权写入这个文件夹，且它所在的磁盘不是只读的，然后点“重试”。"};
    case DataFolderProblem::kFull:
      return {"磁盘已满，编辑器的页面无法安装。",
              "数据文件夹“" + folder +
                  "”所在的磁盘没有足够的空间。请删除一些不需要的文件，然后点“重试”。"};
    case DataFolderProblem::kNone:
      break;
  }
  return {};
}

std::string ErrorPageActionUrl(ErrorPageAction action, const std::string& nonce) {
  return std::string(kActionScheme) + (action == ErrorPageAction::kRetry ? kRetryName : kHomeName) +
         kNonceMark + nonce;
}

bool IsErrorPageActionUrl(const std::string& url) {
  const std::string scheme = kActionScheme;
  if (url.size() < scheme.size()) return false;
  for (size_t i = 0; i < scheme.size(); ++i) {
    // Schemes are compared without regard to case, as the engine does.
    const char c = url[i] >= 'A' && url[i] <= 'Z' ? static_cast<char>(url[i] - 'A' + 'a') : url[i];
    if (c != scheme[i]) return false;
  }
  return true;
}

bool ParseErrorPageActionUrl(const std::string& url, ErrorPageAction* action, std::string* nonce) {
  if (!IsErrorPageActionUrl(url)) return false;
  const std::string rest = url.substr(std::string(kActionScheme).size());
  const size_t mark = rest.find(kNonceMark);
  if (mark == std::string::npos) return false;
  const std::string name = rest.substr(0, mark);
  if (name == kRetryName) {
    *action = ErrorPageAction::kRetry;
  } else if (name == kHomeName) {
    *action = ErrorPageAction::kHome;
  } else {
    return false;
  }
  *nonce = rest.substr(mark + std::string(kNonceMark).size());
  return !nonce->empty();
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ActionPageHtml(const ActionPage& page, const std::string& nonce) {
  const std::string retry = HtmlEscape(ErrorPageActionUrl(ErrorPageAction::kRetry, nonce));
  const std::string home = HtmlEscape(ErrorPageActionUrl(ErrorPageAction::kHome, nonce));
  std::string details;
  for (const std::string& line : page.details) {
    details += (details.empty() ? "" : "<br>") + HtmlEscape(line);
  }
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
         "<title>" +
         HtmlEscape(page.title) +
         "</title><style>"
         "body{margin:0;background:#fff;color:#1f2937;font-family:sans-serif}"
         "main{max-width:36em;margin:12vh auto 0;padding:0 2em}"
         "h1{font-size:1.5em;font-weight:normal;margin:0 0 .8em}"
         "p{line-height:1.7;margin:0 0 1em}"
         "nav{margin:2em 0 3em}"
         "nav a{display:inline-block;margin-right:1em;padding:.45em 1.6em;border-radius:4px;"
         "border:1px solid #2563eb;color:#2563eb;text-decoration:none}"
         "nav a:first-child{background:#2563eb;color:#fff}"
         "nav a:focus{outline:2px solid #1e3a8a;outline-offset:2px}"
         ".details{font-size:.8em;color:#6b7280;word-break:break-all}"
         "</style></head><body><main>"
         "<h1>" +
         HtmlEscape(page.text.headline) + "</h1><p>" + HtmlEscape(page.text.advice) +
         "</p><nav><a id=\"retry\" href=\"" + retry + "\"" +
         (page.focus_retry ? " autofocus" : "") + ">" + HtmlEscape(page.retry_label) +
         "</a><a id=\"home\" href=\"" + home + "\">返回首页</a></nav><p class=\"details\">" +
         details + "</p></main></body></html>";
}

std::string ErrorPageHtml(const ErrorPageText& text, const std::string& failed_url, int error_code,
                          const std::string& error_name, const std::string& nonce) {
  return ActionPageHtml(
      {"无法打开页面",
       text,
       "重试",
       {"地址：" + failed_url, "错误：" + error_name + " (" + std::to_string(error_code) + ")"}},
      nonce);
}
