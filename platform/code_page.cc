// Code-page conversions. UTF-8 goes through the one converter every layer
// uses (platform/unicode_text.h), other code pages through iconv. Wide text is
// wchar_t, UTF-32 here. The ANSI code page is the charset of the process's
// current locale; the plain C/POSIX locale (ASCII) counts as UTF-8, the
// convention for file names here.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode_text.h"
#include "platform/windows.h"

namespace {

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr const char kWideCharset[] = "UTF-32LE";
#else
constexpr const char kWideCharset[] = "UTF-32BE";
#endif
static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32 on this platform");

constexpr wchar_t kReplacement = 0xFFFD;

std::string CharsetOf(UINT code_page) {
  if (code_page == CP_ACP) {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr || *codeset == '\0' || std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
      return "UTF-8";
    return codeset;
  }
  if (code_page == CP_UTF8) return "UTF-8";
  switch (code_page) {
    case 936:
      return "CP936";
    case 54936:
      return "GB18030";
    case 20127:
      return "ASCII";
    case 28591:
      return "ISO-8859-1";
    default:
      return "CP" + std::to_string(code_page);
  }
}

// The code page of a charset name, compared without case, '-' or '_'.
UINT CodePageOfCharset(std::string_view charset) {
  std::string name;
  for (char c : charset) {
    if (c != '-' && c != '_')
      name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (name == "GBK" || name == "CP936" || name == "GB2312" || name == "EUCCN") return 936;
  if (name == "GB18030") return 54936;
  if (name == "BIG5" || name == "CP950") return 950;
  if (name == "ISO88591") return 28591;
  return CP_UTF8;  // UTF-8, ASCII of the plain C locale, and what has no number here
}

// The charset part of a locale name ("zh_CN.GBK@euro" gives "GBK").
std::string_view CharsetOfLocaleName(std::string_view name) {
  size_t dot = name.find('.');
  if (dot == std::string_view::npos) return {};
  name.remove_prefix(dot + 1);
  return name.substr(0, name.find('@'));
}

// Owns one iconv descriptor.
class Converter {
 public:
  Converter(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// The double-byte code pages of the GB and Big5 families: a byte from 0x81
// to 0xFE leads a pair whose second byte is 0x40 to 0x7E or 0x80 to 0xFE.
bool IsDoubleByteCodePage(UINT code_page) { return code_page == 936 || code_page == 950; }
bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// Converts in to out. At a unit iconv cannot take (invalid input, or a
// character the target lacks) it skips skip_unit bytes and appends
// replacement, or fails when strict. A multi-byte character cut short gets
// cut_short instead: in a double-byte code page (double_byte), a lead byte at
// the end of the input or before a byte that cannot follow it is a question
// mark and the next byte is read on its own, as the original platform's
// double-byte code pages have it. Returns false on failure.
bool Convert(iconv_t cd, const char* in, size_t in_size, size_t skip_unit,
             const std::string& replacement, const std::string& cut_short, bool strict,
             bool double_byte, std::string& out, bool* replaced) {
  std::vector<char> buffer(in_size * 4 + 16);
  char* src = const_cast<char*>(in);
  size_t src_left = in_size;
  bool flushing = false;
  for (;;) {
    char* dst = buffer.data();
    size_t dst_left = buffer.size();
    size_t rc = flushing ? iconv(cd, nullptr, nullptr, &dst, &dst_left)
                         : iconv(cd, &src, &src_left, &dst, &dst_left);
    int error = errno;
    out.append(buffer.data(), buffer.size() - dst_left);
    if (rc != static_cast<size_t>(-1)) {
      if (flushing) return true;
      flushing = true;
      continue;
    }
    if (error == E2BIG) continue;
    if (error == EILSEQ || error == EINVAL) {
      if (strict) return false;
      if (replaced != nullptr) *replaced = true;
      const bool lead_alone = double_byte && src_left >= 2 &&
                              IsLeadByte(static_cast<unsigned char>(src[0])) &&
                              !IsTrailByte(static_cast<unsigned char>(src[1]));
      out += error == EINVAL || lead_alone ? cut_short : replacement;
      size_t skip = src_left < skip_unit ? src_left : skip_unit;
      src += skip;
      src_left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    return false;
  }
}

template <typename Char>
int CopyOut(const Char* result, size_t count, Char* target, int target_size) {
  if (count > 0x7FFFFFFF) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  if (target_size == 0) return static_cast<int>(count);
  if (count > static_cast<size_t>(target_size)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (count > 0) std::memcpy(target, result, count * sizeof(Char));
  return static_cast<int>(count);
}

}  // namespace

int MultiByteToWideChar(UINT code_page, DWORD flags, LPCSTR multi_byte, int cb_multi_byte,
                        LPWSTR wide, int cch_wide) {
  if (multi_byte == nullptr || cb_multi_byte == 0 || cb_multi_byte < -1 || cch_wide < 0 ||
      (wide == nullptr && cch_wide != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length =
      cb_multi_byte == -1 ? std::strlen(multi_byte) + 1 : static_cast<size_t>(cb_multi_byte);
  const bool strict = (flags & MB_ERR_INVALID_CHARS) != 0;
  const std::string charset = CharsetOf(code_page);
  if (charset == "UTF-8") {
    std::wstring converted;
    if (platform::AppendUtf8AsWide(std::string_view(multi_byte, length), converted) > 0 && strict) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    return CopyOut(converted.data(), converted.size(), wide, cch_wide);
  }
  Converter converter(kWideCharset, charset);
  if (!converter.ok()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string utf32;
  const auto as_utf32 = [](wchar_t c) {
    return std::string(reinterpret_cast<const char*>(&c), sizeof(wchar_t));
  };
  const bool double_byte = IsDoubleByteCodePage(CodePageOfCharset(charset));
  if (!Convert(converter.get(), multi_byte, length, 1, as_utf32(kReplacement), as_utf32(L'?'),
               strict, double_byte, utf32, nullptr)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  return CopyOut(reinterpret_cast<const wchar_t*>(utf32.data()), utf32.size() / sizeof(wchar_t),
                 wide, cch_wide);
}

int WideCharToMultiByte(UINT code_page, DWORD flags, LPCWSTR wide, int cch_wide, LPSTR multi_byte,
                        int cb_multi_byte, LPCSTR default_char, BOOL* used_default_char) {
  if (wide == nullptr || cch_wide == 0 || cch_wide < -1 || cb_multi_byte < 0 ||
      (multi_byte == nullptr && cb_multi_byte != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string charset = CharsetOf(code_page);
  bool utf8 = charset == "UTF-8";
  // As on the original platform, UTF-8 output has no default character.
  if (code_page == CP_UTF8 && (default_char != nullptr || used_default_char != nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = cch_wide == -1 ? std::wcslen(wide) + 1 : static_cast<size_t>(cch_wide);
  const bool strict = (flags & WC_ERR_INVALID_CHARS) != 0;
  if (utf8) {
    std::string converted;
    const bool replaced =
        platform::AppendWideAsUtf8(std::wstring_view(wide, length), converted) > 0;
    if (replaced && strict) {
      SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
    if (used_default_char != nullptr) *used_default_char = replaced ? TRUE : FALSE;
    return CopyOut(converted.data(), converted.size(), multi_byte, cb_multi_byte);
  }
  Converter converter(charset, kWideCharset);
  if (!converter.ok()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::string replacement = default_char ? default_char : "?";
  if (replacement.empty()) replacement = "?";
  bool replaced = false;
  std::string out;
  if (!Convert(converter.get(), reinterpret_cast<const char*>(wide), length * sizeof(wchar_t),
               sizeof(wchar_t), replacement, replacement, strict, false, out, &replaced)) {
    SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return 0;
  }
  if (used_default_char != nullptr) *used_default_char = replaced ? TRUE : FALSE;
  return CopyOut(out.data(), out.size(), multi_byte, cb_multi_byte);
}

UINT GetConsoleOutputCP() {
  // The locale the environment names, looked up afresh; when it is not
  // installed here, the charset its name carries still tells what the
  // terminal expects.
  locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (locale != static_cast<locale_t>(nullptr)) {
    const UINT code_page = CodePageOfCharset(nl_langinfo_l(CODESET, locale));
    freelocale(locale);
    return code_page;
  }
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return CodePageOfCharset(CharsetOfLocaleName(value));
  }
  return CP_UTF8;
}
