// Which pages are the client's own, in both kinds of process. The rules: a
// document is the client's own when it is a document of the installed
// bundle (a file:// document inside EditorDir) or a page of the update
// service's origin. The record: which frame of a page shows which kind of
// document, noted when each document commits, kept alike by the web process
// (to bind page functions and report downloads) and by the client (to judge
// popups and page commands). Only the client's own pages get the page
// functions, the page callback, local files, downloads and full screen;
// every other page is an ordinary web page.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "engine/cef_browser.h"

struct OwnPlaces {
  // EditorDir, the folder of the installed bundle (narrow file-system text).
  std::string editor_dir;
  // The update service's origin as platform::UrlOrigin gives it (the
  // update check's transfers read it the same way); empty: none.
  std::string service_origin;
};

// The client's own places: EditorDir under the data directory, and the
// origin of "cloudHost" as the update check reads it from "version.ini".
OwnPlaces ClientOwnPlaces();

// What a document at url (as the engine reports a frame's address) is to the
// client: one of its own (a file:// document that, with ".." and symbolic
// links resolved, lies inside EditorDir, or a document of the service's
// origin; a file that does not exist is not); an about: document
// (about:blank, about:srcdoc: made by the script of the page around it, not
// loaded from an address of its own); a local file outside EditorDir (an
// ordinary page, but one that shares an origin with the bundle's pages
// wherever local files are given access to each other); or an ordinary web
// document. Anything that cannot be classified is a web document.
enum class DocumentKind { kOwn, kAbout, kLocal, kWeb };
DocumentKind ClassifyDocument(const std::string& url, const OwnPlaces& places);

// Which frame of one page shows which kind of document, as the process that
// keeps it learnt when each document committed. A frame that was never
// recorded shows a document nobody classified: a web document.
class FrameDocuments {
 public:
  // frame committed a document of this kind; a new document in the main
  // frame ends the record of every other frame (they belonged to the old one).
  void Commit(long long frame, bool is_main, DocumentKind kind);
  // frame has gone.
  void Forget(long long frame);
  // The kind recorded for frame, kWeb when none is.
  DocumentKind KindOf(long long frame) const;

  // Whether the browser's page is wholly the client's own: at least one of
  // its frames shows one of the client's documents and every other one an
  // about: document. Only then can nothing but the client's own script have
  // started what the page does (a navigation, a popup). The frames are those
  // the engine lists now (CefBrowser::GetFrameIdentifiers); frames it counts
  // beyond them (GetFrameCount) were never recorded.
  bool IsOwnPage(CefRefPtr<CefBrowser> browser) const;
  // The same for the frames present, and `unrecorded` frames more.
  bool IsOwnPage(const std::vector<long long>& present, std::size_t unrecorded) const;
  // Whether a frame the browser lists now holds a local file outside
  // EditorDir.
  bool HoldsLocalDocument(CefRefPtr<CefBrowser> browser) const;

 private:
  std::map<long long, DocumentKind> kinds_;
};
