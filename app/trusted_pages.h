// Which pages are the client's own: documents of the installed page bundle
// (file:// documents inside EditorDir) and pages of the update service's
// origin. Only they get the page functions, the registered callback, local
// files and downloads; every other page is an ordinary web page. Both the
// client and its renderers decide with these rules, each from the places the
// client names.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct TrustedPlaces {
  // EditorDir, the folder of the installed bundle (narrow file-system text).
  std::string editor_dir;
  // The update service's origin as WebOrigin gives it; empty: none.
  std::string service_origin;
};

// The client's own places: EditorDir under the data directory, and the
// origin of "cloudHost" as the update check reads it from "version.ini".
TrustedPlaces ClientTrustedPlaces();

// The origin of an http or https URL: "scheme://host:port" in lower case,
// with the scheme's default port written out. Empty for any other URL or
// one without a usable host and port.
std::string WebOrigin(const std::string& url);

// Whether the document at url (as the engine reports a frame's address) is
// one of the client's own: a file:// document that, with ".." and symbolic
// links resolved, lies inside EditorDir, or a document of the service's
// origin. A file that does not exist is not trusted.
bool IsTrustedDocument(const std::string& url, const TrustedPlaces& places);

// What a frame's document is to the client: one of its own, an about:
// document (about:blank, about:srcdoc: made by the script of the page around
// it, not loaded from an address of its own), a local file outside EditorDir
// (an ordinary page, but one that shares an origin with the bundle's pages
// wherever local files are given access to each other), or an ordinary web
// document. Anything that cannot be classified is a web document.
enum class DocumentKind { kOwn, kAbout, kLocal, kWeb };
DocumentKind ClassifyDocument(const std::string& url, const TrustedPlaces& places);

// Whether a page whose frames hold documents of these kinds is wholly the
// client's own: at least one document is, and every other one is an about:
// document. Only then can nothing but the client's own script have started
// what the page does (a navigation, a popup).
bool IsOwnPage(const std::vector<DocumentKind>& documents);

// Of two accounts of one frame's document, the one that trusts it less.
DocumentKind LessTrusted(DocumentKind a, DocumentKind b);

// Which frame of one page shows which kind of document, as the process that
// keeps it learnt when each document committed. A frame that was never
// recorded shows a document nobody classified, and counts as a web document.
class FrameDocuments {
 public:
  // frame committed a document of this kind; a new document in the main
  // frame ends the record of every other frame (they belonged to the old one).
  void Commit(long long frame, bool is_main, DocumentKind kind);
  // frame has gone.
  void Forget(long long frame);
  // The kind recorded for frame, kWeb when none is.
  DocumentKind KindOf(long long frame) const;
  // Whether the page is wholly the client's own (IsOwnPage) with these frames
  // in it now, each no more trusted than what it shows at this moment (a
  // later document may have come without telling anyone), and `unrecorded`
  // more frames that were never recorded.
  bool IsOwnPage(const std::vector<std::pair<long long, DocumentKind>>& present,
                 std::size_t unrecorded) const;
  // Whether a recorded frame holds a local file outside EditorDir.
  bool HoldsLocalDocument() const;

 private:
  std::map<long long, DocumentKind> kinds_;
};
