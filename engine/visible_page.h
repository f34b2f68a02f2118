// Which page a browser shows, and which it is to show again after its web
// process ended, kept in one place from two sources: what the client asked
// the view for, and the view's news of its loads.
//
// The page asked for counts until its load has committed or ended without a
// document; meanwhile the view's news of loads started earlier (an empty
// page that commits just after the client asked for the first real one)
// changes nothing. A request is noted as the client made it, never by
// reading the view's address back: inside some of the view's own signals
// (the end of a web process among them) that address still names the page
// before the request. Addresses are written the way the view writes them
// (ViewAddress). Not thread-safe: its owner guards it.
#pragma once

#include <string>
#include <utility>

namespace engine {

class VisiblePage {
 public:
  // The client asked the view for the page at uri.
  void Requested(std::string uri) { requested_ = std::move(uri); }
  // The load under way was sent on to uri by its server: the page asked
  // for commits there.
  void Redirected(const std::string& uri) {
    if (!requested_.empty() && !uri.empty()) requested_ = uri;
  }
  // The main frame's new document stands at uri.
  void Committed(const std::string& uri) {
    document_ = uri;
    if (uri == requested_) requested_.clear();
  }
  // A load of uri ended without a document (failed, cancelled, turned into
  // a download).
  void Ended(const std::string& uri) {
    if (uri == requested_) requested_.clear();
  }

  // The page to show again: the one asked for while it is on its way,
  // otherwise the document committed last.
  const std::string& Url() const { return requested_.empty() ? document_ : requested_; }
  // The document committed last ("" before the first).
  const std::string& Document() const { return document_; }

 private:
  std::string document_;
  std::string requested_;
};

}  // namespace engine
