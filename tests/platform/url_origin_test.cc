// The one origin of an address: the engine's pages, the update service's
// trust and the download queue all read it here.
#include <gtest/gtest.h>

#include "platform/page_origin.h"
#include "platform/url_fetch.h"

using platform::PageOrigin;
using platform::UrlOrigin;

TEST(UrlOrigin, SchemeHostAndPortInLowerCaseWithTheDefaultPortWritten) {
  EXPECT_EQ(UrlOrigin("https://api.example/"), "https://api.example:443");
  EXPECT_EQ(UrlOrigin("http://127.0.0.1:8080/api/"), "http://127.0.0.1:8080");
  EXPECT_EQ(UrlOrigin("HTTP://User:pw@LOCALHOST:80"), "http://localhost:80");
  EXPECT_EQ(UrlOrigin("http://[::1]:9/x"), "http://[::1]:9");
  EXPECT_EQ(UrlOrigin("http://[::1]/x"), "http://[::1]:80");
  // What a page's address and the service's "cloudHost" look like alike.
  EXPECT_EQ(UrlOrigin("http://127.0.0.1:8765/index.html?x=1#top"),
            UrlOrigin("http://127.0.0.1:8765"));
  for (const char* bad : {"ftp://host/", "file:///tmp", "about:blank", "http://", "http://h:x/",
                          "http://h:65536/", "api/software/1", "", "javascript:alert(1)"}) {
    EXPECT_EQ(UrlOrigin(bad), "") << bad;
  }
}

// A page's origin is read with another parser than the transfers' (the web
// processes do not load theirs); for the same address both must agree, or a
// page of the service would not be known as the client's own.
TEST(UrlOrigin, APagesOriginReadsAsTheTransfersRead) {
  for (const char* url :
       {"https://api.example/", "http://127.0.0.1:8080/api/", "HTTP://User:pw@LOCALHOST:80",
        "http://[::1]:9/x", "http://[::1]/x", "https://API.Example:443/x?y#z",
        "https://api.example.:8443/", "http://xn--bcher-kva.example/", "ftp://host/", "file:///tmp",
        "about:blank", "http://", "http://h:x/", "http://h:65536/", "api/software/1", "",
        "javascript:alert(1)", "https://api.example@evil.example/"}) {
    EXPECT_EQ(PageOrigin(url), UrlOrigin(url)) << url;
  }
}
