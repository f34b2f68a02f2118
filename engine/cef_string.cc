// Conversions of the engine's text type, through the platform's converter so
// that invalid input gets the same treatment here as everywhere else.
#include "engine/cef_string.h"

#include "platform/unicode_text.h"

void CefString::FromString(const std::string& utf8) { text_ = platform::Utf8ToWide(utf8); }

std::string CefString::ToString() const { return platform::WideToUtf8(text_); }

void CefString::FromString16(const std::u16string& units) { text_ = platform::Utf16ToWide(units); }

std::u16string CefString::ToString16() const { return platform::WideToUtf16(text_); }
