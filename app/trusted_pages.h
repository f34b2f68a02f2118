// Which pages are the client's own: documents of the installed page bundle
// (file:// documents inside EditorDir) and pages of the update service's
// origin. Only they get the page functions, the registered callback, local
// files and downloads; every other page is an ordinary web page. Both the
// client and its renderers decide with these rules, each from the places the
// client names.
#pragma once

#include <string>
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
// it, not loaded from an address of its own), or an ordinary web document.
enum class DocumentKind { kOwn, kAbout, kWeb };
DocumentKind ClassifyDocument(const std::string& url, const TrustedPlaces& places);

// Whether a page whose frames hold documents of these kinds is wholly the
// client's own: at least one document is, and every other one is an about:
// document. Only then can nothing but the client's own script have started
// what the page does (a navigation, a popup).
bool IsOwnPage(const std::vector<DocumentKind>& documents);
