// Conversions between UTF-8, UTF-16 and wide text (wchar_t, one code point
// per unit here). Every layer converts through these, so bad input gets the
// same treatment wherever it enters.
//
// The rule for invalid input: nothing fails and nothing is dropped; what the
// target form cannot carry becomes U+FFFD.
// - From UTF-8, each maximal invalid subpart becomes one U+FFFD: a stray byte,
//   or the longest prefix of a multi-byte sequence that could still have been
//   valid (an overlong form, an encoded surrogate or a value above U+10FFFF is
//   invalid from its first wrong byte). This is what web browsers do.
// - Into UTF-8, a value that is not a Unicode scalar value (a lone surrogate,
//   or above U+10FFFF) becomes U+FFFD.
// - Wide text and UTF-16 carry the same code units: a lone surrogate passes
//   between them unchanged, because script strings may hold one and must come
//   back as they went. Only a value above U+10FFFF becomes U+FFFD.
// Zero characters are text like any other; a null pointer is empty text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

std::wstring Utf8ToWide(std::string_view utf8);
std::wstring Utf8ToWide(const char* utf8);
std::string WideToUtf8(std::wstring_view wide);
std::string WideToUtf8(const wchar_t* wide);
std::wstring Utf16ToWide(std::u16string_view utf16);
std::u16string WideToUtf16(std::wstring_view wide);

// The same conversions appending to out; they return how many U+FFFD they
// put in for invalid input, for callers that must refuse such input instead.
std::size_t AppendUtf8AsWide(std::string_view utf8, std::wstring& out);
std::size_t AppendWideAsUtf8(std::wstring_view wide, std::string& out);

// Whether c is a format character (Unicode general category Cf): invisible
// marks that change how the text around them is shown, such as the
// bidirectional overrides and isolates, zero-width spaces and joiners, and
// the byte order mark.
bool IsFormatCharacter(char32_t c);

}  // namespace platform
