// The page shown when a page cannot be loaded: what failed and what to do, in
// the client's language, with the two ways on ("重试" loads the address again,
// "返回首页" shows the start page) and the engine's details in small print
// for support.
#pragma once

#include <string>
#include <vector>

// Why the data folder could not take the client's own pages.
enum class DataFolderProblem {
  kNone,
  kNotWritable,  // no permission, or a read-only file system
  kFull,         // no space left (or the user's quota is used up)
};

// The page's plain words: what failed, and what the person can do about it.
// UTF-8.
struct ErrorPageText {
  std::string headline;
  std::string advice;
};

// The words for one of the engine's error numbers; a number the table does
// not know gets general words.
ErrorPageText ErrorTextFor(int error_code);

// The words for a page of the client's own that is missing because the data
// folder (folder, UTF-8) could not take it. kNone gives empty text.
ErrorPageText DataFolderText(DataFolderProblem problem, const std::string& folder);

// The two buttons of the page.
enum class ErrorPageAction { kRetry, kHome };

// The address a button of the page navigates to: it carries the action and
// the page's nonce, so that only the page that holds the nonce can ask for
// the action. Nothing is ever loaded from it.
std::string ErrorPageActionUrl(ErrorPageAction action, const std::string& nonce);
// Whether url is an address of the error page's scheme at all; such an
// address is never loaded.
bool IsErrorPageActionUrl(const std::string& url);
// The action and nonce an action address carries; false for anything else.
bool ParseErrorPageActionUrl(const std::string& url, ErrorPageAction* action, std::string* nonce);

// The whole page, UTF-8. Every text in it is HTML-escaped: the failed address
// and the engine's text come from outside and must not put markup or script
// into a page that may have the page functions bound.
std::string ErrorPageHtml(const ErrorPageText& text, const std::string& failed_url, int error_code,
                          const std::string& error_name, const std::string& nonce);

// What a page of this kind says: the client's pages that stand in for a page
// that could not be shown (this error page, the notice of a page whose web
// process ended). The two buttons load the address again (retry_label) and
// show the start page; details are lines of small print. Plain UTF-8 text.
struct ActionPage {
  std::string title;
  ErrorPageText text;
  std::string retry_label;
  std::vector<std::string> details;
  // Whether the retry button has the focus when the page shows, so Return
  // presses it.
  bool focus_retry = false;
};
std::string ActionPageHtml(const ActionPage& page, const std::string& nonce);

// Text made safe for HTML content and attribute values.
std::string HtmlEscape(const std::string& text);
