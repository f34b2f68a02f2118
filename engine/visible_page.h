// Which page a browser shows, as far as showing it again goes: the document
// committed last, or the page its client has asked for since, until that
// load has committed or ended without a document. The view's news of loads
// started earlier (an empty page that commits just after the client asked
// for the first real one) changes nothing meanwhile. Addresses are as the
// view names them. Not thread-safe: its owner guards it.
#pragma once

#include <string>

namespace engine {

class VisiblePage {
 public:
  void Requested(const std::string& uri) { requested_ = uri; }
  void Committed(const std::string& uri) {
    committed_ = uri;
    if (uri == requested_) requested_.clear();
  }
  // A load of uri ended without a document (failed, cancelled, turned into
  // a download).
  void Ended(const std::string& uri) {
    if (uri == requested_) requested_.clear();
  }
  const std::string& Url() const { return requested_.empty() ? committed_ : requested_; }

 private:
  std::string committed_;
  std::string requested_;
};

}  // namespace engine
