// Every text the windows show is drawn with real glyphs by the fonts installed
// on this machine: pango finds a face for each character of the skins' texts
// and of the texts the windows set themselves, so none is an empty box. A
// machine without a font with Chinese glyphs fails here.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/render_engine.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HasNonAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return true;
  }
  return false;
}

// The text and tooltip attributes of every skin file, entities decoded.
std::vector<std::string> SkinTexts() {
  std::vector<std::string> texts;
  const std::regex attribute(R"re(\b(?:text|tooltip)="([^"]*)")re");
  for (const auto& entry : fs::directory_iterator(QUORBITAL_SOURCE_DIR "/Skin")) {
    if (entry.path().extension() != ".xml") continue;
    const std::string xml = ReadFile(entry.path());
    for (std::sregex_iterator it(xml.begin(), xml.end(), attribute), end; it != end; ++it) {
      std::string text = (*it)[1];
      for (auto [entity, plain] : {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}}) {
        for (size_t pos; (pos = text.find(entity)) != std::string::npos;)
          text.replace(pos, std::string(entity).size(), plain);
      }
      if (!text.empty()) texts.push_back(text);
    }
  }
  return texts;
}

// Wide literals with non-ASCII characters in the windows' own sources: the
// captions, row texts and status texts they set at run time.
std::vector<std::string> SourceTexts() {
  std::vector<std::string> texts;
  const std::regex literal(R"re(L"((?:[^"\\]|\\.)*)")re");
  for (const char* folder : {"download", "update", "mainwnd"}) {
    for (const auto& entry : fs::directory_iterator(fs::path(QUORBITAL_SOURCE_DIR) / folder)) {
      if (entry.path().extension() != ".cc") continue;
      const std::string code = ReadFile(entry.path());
      for (std::sregex_iterator it(code.begin(), code.end(), literal), end; it != end; ++it) {
        if (HasNonAscii((*it)[1])) texts.push_back((*it)[1]);
      }
    }
  }
  return texts;
}

// Characters of text that no installed face has, laid out as the toolkit
// lays out a skin font.
int UnknownGlyphs(PangoContext* context, const std::string& text, bool bold) {
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, platform::WideToUtf8(ui::FontSpec().family).c_str());
  pango_font_description_set_absolute_size(desc, 13 * PANGO_SCALE);
  pango_font_description_set_weight(desc, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(layout, desc);
  pango_font_description_free(desc);
  pango_layout_set_text(layout, text.c_str(), -1);
  int unknown = pango_layout_get_unknown_glyphs_count(layout);
  g_object_unref(layout);
  return unknown;
}

TEST(SkinGlyphs, EveryChineseTextOfTheWindowsHasGlyphs) {
  std::vector<std::string> texts = SkinTexts();
  const size_t from_skins = texts.size();
  for (std::string& text : SourceTexts()) texts.push_back(std::move(text));
  int chinese = 0;
  for (const std::string& text : texts) chinese += HasNonAscii(text);
  // The skins name the download window "下载" and the update window "内容升级";
  // the windows set more texts themselves.
  ASSERT_GE(from_skins, 5u);
  ASSERT_GE(chinese, 8) << "the texts were not found";

  PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
  for (const std::string& text : texts) {
    EXPECT_EQ(UnknownGlyphs(context, text, false), 0) << text;
    EXPECT_EQ(UnknownGlyphs(context, text, true), 0) << text << " (bold)";
  }
  g_object_unref(context);
}

}  // namespace
