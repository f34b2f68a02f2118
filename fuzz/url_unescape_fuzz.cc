// Percent-decoding of file names taken from download links: any byte string,
// and any wide string a link can carry, decodes without a fault; decoding
// never lengthens the text, and undoes escaping wherever escaping was the
// only change made to it.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "util/url_escape.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // As the client does: narrow text is in the charset of the user's locale.
  std::setlocale(LC_CTYPE, "");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::string plain = UrlUnescape(text);
  FUZZ_CHECK(plain.size() <= text.size());
  if (text.find_first_of("%+&") == std::string::npos) {
    FUZZ_CHECK(UrlUnescape(UrlEscape(text)) == text);
  }

  // Wide text as the page hands it over: UTF-16 code units, lone surrogates
  // included, and on this platform any 32-bit value besides.
  std::wstring wide;
  for (size_t i = 0; i + 1 < size; i += 2) {
    wchar_t unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (data[i + 1] == 0xFF) unit = static_cast<wchar_t>(unit << 8 | data[i]);
    wide.push_back(unit);
  }
  UrlDecodeToWide(wide);
  return 0;
}
