// The rules that tell the client's own pages from ordinary web pages, and the
// record of a page's frames.
#include "app/own_pages.h"

#include <filesystem>
#include <system_error>

#include "platform/page_origin.h"
#include "util/url_escape.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

// The file-system path of a file:// URL (its query and fragment dropped,
// escapes decoded); empty when the URL names no local absolute path.
std::string FilePathOf(const std::string& url) {
  std::string rest = url.substr(5);  // after "file:"
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.rfind("//", 0) == 0) {
    const std::size_t slash = rest.find('/', 2);
    const std::string host =
        Lower(rest.substr(2, slash == std::string::npos ? rest.npos : slash - 2));
    if (!host.empty() && host != "localhost") return std::string();
    rest = slash == std::string::npos ? std::string() : rest.substr(slash);
  }
  if (rest.empty() || rest[0] != '/') return std::string();
  std::string path = PercentDecode(rest);
  // A decoded zero would end the path early in the file system's calls.
  if (path.find('\0') != std::string::npos) return std::string();
  return path;
}

// Whether path, resolved, lies strictly inside folder, resolved.
bool IsInside(const std::string& path, const std::string& folder) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(path, error);
  if (error) return false;
  const std::filesystem::path root = std::filesystem::canonical(folder, error);
  if (error) return false;
  auto p = resolved.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++p) {
    if (p == resolved.end() || *p != *r) return false;
  }
  return p != resolved.end();
}

// Whether a page holding documents of these kinds is wholly the client's own
// (see FrameDocuments::IsOwnPage).
bool AllOwn(const std::vector<DocumentKind>& documents) {
  bool own = false;
  for (DocumentKind kind : documents) {
    if (kind == DocumentKind::kWeb || kind == DocumentKind::kLocal) return false;
    own = own || kind == DocumentKind::kOwn;
  }
  return own;
}

bool IsOwnDocument(const std::string& url, const OwnPlaces& places) {
  if (StartsWithNoCase(url, "file:")) {
    const std::string path = FilePathOf(url);
    return !path.empty() && !places.editor_dir.empty() && IsInside(path, places.editor_dir);
  }
  // The address is the engine's, already in its standard form; it is read
  // without the transfers' parser, which the web processes do not load.
  const std::string origin = platform::PageOrigin(url);
  return !origin.empty() && origin == places.service_origin;
}

// The frames the browser lists now, and how many more it counts.
std::vector<long long> PresentFrames(CefRefPtr<CefBrowser> browser, std::size_t* unrecorded) {
  std::vector<long long> present;
  browser->GetFrameIdentifiers(present);
  const std::size_t count = browser->GetFrameCount();
  *unrecorded = count > present.size() ? count - present.size() : 0;
  return present;
}

}  // namespace

DocumentKind ClassifyDocument(const std::string& url, const OwnPlaces& places) {
  if (StartsWithNoCase(url, "about:")) return DocumentKind::kAbout;
  if (IsOwnDocument(url, places)) return DocumentKind::kOwn;
  return StartsWithNoCase(url, "file:") ? DocumentKind::kLocal : DocumentKind::kWeb;
}

void FrameDocuments::Commit(long long frame, bool is_main, DocumentKind kind) {
  if (is_main) kinds_.clear();
  kinds_[frame] = kind;
}

void FrameDocuments::Forget(long long frame) { kinds_.erase(frame); }

DocumentKind FrameDocuments::KindOf(long long frame) const {
  auto it = kinds_.find(frame);
  return it == kinds_.end() ? DocumentKind::kWeb : it->second;
}

bool FrameDocuments::IsOwnPage(const std::vector<long long>& present,
                               std::size_t unrecorded) const {
  std::vector<DocumentKind> documents;
  documents.reserve(present.size() + 1);
  for (long long frame : present) documents.push_back(KindOf(frame));
  if (unrecorded > 0) documents.push_back(DocumentKind::kWeb);
  return AllOwn(documents);
}

bool FrameDocuments::IsOwnPage(CefRefPtr<CefBrowser> browser) const {
  if (!browser) return false;
  std::size_t unrecorded = 0;
  const std::vector<long long> present = PresentFrames(browser, &unrecorded);
  return IsOwnPage(present, unrecorded);
}

bool FrameDocuments::HoldsLocalDocument(CefRefPtr<CefBrowser> browser) const {
  if (!browser) return false;
  std::size_t unrecorded = 0;
  for (long long frame : PresentFrames(browser, &unrecorded)) {
    if (KindOf(frame) == DocumentKind::kLocal) return true;
  }
  return false;
}
