// JavaScript strings as JSON string literals, both ways.
#include "engine/webext/js_text.h"

#include <glib.h>

#include <string_view>

#include "platform/unicode_text.h"

namespace engine {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The units of one JSON string literal (as JSON.stringify writes it: UTF-8
// with escapes). Stops at the closing quote or at a malformed escape.
std::u16string ParseJsonString(const char* json) {
  std::u16string out;
  if (!json || *json != '"') return out;
  const char* p = json + 1;
  while (*p && *p != '"') {
    if (*p != '\\') {
      // A run of plain text up to the next escape or the closing quote; both
      // are ASCII, so the run never ends inside a character.
      const char* run = p;
      while (*p && *p != '"' && *p != '\\') ++p;
      out += platform::WideToUtf16(platform::Utf8ToWide(std::string_view(run, p - run)));
      continue;
    }
    const char escape = p[1];
    p += 2;
    switch (escape) {
      case '"':
        out.push_back(u'"');
        break;
      case '\\':
        out.push_back(u'\\');
        break;
      case '/':
        out.push_back(u'/');
        break;
      case 'b':
        out.push_back(u'\b');
        break;
      case 'f':
        out.push_back(u'\f');
        break;
      case 'n':
        out.push_back(u'\n');
        break;
      case 'r':
        out.push_back(u'\r');
        break;
      case 't':
        out.push_back(u'\t');
        break;
      case 'u': {
        char16_t unit = 0;
        for (int i = 0; i < 4; ++i) {
          const int digit = HexDigit(p[i]);
          if (digit < 0) return out;
          unit = static_cast<char16_t>((unit << 4) | digit);
        }
        out.push_back(unit);
        p += 4;
        break;
      }
      default:
        return out;
    }
  }
  return out;
}

}  // namespace

std::u16string JsStringUnits(JSCValue* value) {
  if (!value || !jsc_value_is_string(value)) return std::u16string();
  g_autofree gchar* json = jsc_value_to_json(value, 0);
  std::u16string units = ParseJsonString(json);
  return units;
}

JSCValue* NewJsString(JSCContext* context, const std::u16string& units) {
  // Printable ASCII as it is, every other unit escaped: the literal is plain
  // ASCII and JSON.parse gives back exactly these units.
  std::string json = "\"";
  json.reserve(units.size() + 2);
  for (char16_t unit : units) {
    if (unit >= 0x20 && unit < 0x7F && unit != u'"' && unit != u'\\') {
      json.push_back(static_cast<char>(unit));
    } else {
      char escaped[7];
      g_snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(unit));
      json += escaped;
    }
  }
  json.push_back('"');
  return jsc_value_new_from_json(context, json.c_str());
}

}  // namespace engine
