// Skin parsing with pugixml.
#include "ui/dialog_builder.h"

#include <sys/stat.h>

#include <pugixml.hpp>

#include "platform/log.h"
#include "platform/unicode_text.h"
#include "ui/attribute_parser.h"
#include "ui/button_ui.h"
#include "ui/container_ui.h"
#include "ui/horizontal_layout_ui.h"
#include "ui/label_ui.h"
#include "ui/list_container_element_ui.h"
#include "ui/list_ui.h"
#include "ui/paint_manager_ui.h"
#include "ui/progress_ui.h"
#include "ui/vertical_layout_ui.h"

namespace {

// Deeper nesting than this is not a real skin; stop before the stack does.
constexpr int kMaxDepth = 64;
// The largest skin file read; the client's own are a few kilobytes.
constexpr off_t kMaxSkinSize = 4 << 20;

std::wstring W(const char* text) { return platform::Utf8ToWide(text ? text : ""); }

void ApplyWindowAttributes(const pugi::xml_node& window, CPaintManagerUI* manager) {
  for (const pugi::xml_attribute& attr : window.attributes()) {
    std::wstring name = W(attr.name());
    std::wstring value = W(attr.value());
    if (name == L"size") {
      SIZE sz = ui::ParseSize(value);
      manager->SetInitSize(sz.cx, sz.cy);
    } else if (name == L"mininfo") {
      SIZE sz = ui::ParseSize(value);
      manager->SetMinInfo(sz.cx, sz.cy);
    } else if (name == L"caption") {
      manager->SetCaptionRect(ui::ParseRect(value));
    } else if (name == L"titlelabel") {
      manager->SetTitleLabel(value.c_str());
    } else if (name == L"scaling") {
      manager->SetTextOnlyScaling(value == L"text");
    } else if (name == L"sizebox") {
      manager->SetSizeBox(ui::ParseRect(value));
    } else if (name == L"bkcolor") {
      std::uint32_t color = 0;
      if (ui::ParseColor(value, &color)) manager->SetBkColor(color);
    } else if (name == L"defaulttextcolor") {
      std::uint32_t color = 0;
      if (ui::ParseColor(value, &color)) manager->SetDefaultTextColor(color);
    }
  }
}

void AddFont(const pugi::xml_node& node, CPaintManagerUI* manager) {
  ui::FontSpec font;
  font.family = W(node.attribute("name").as_string("Sans"));
  font.size = node.attribute("size").as_int(13);
  if (font.size <= 0 || font.size > 200) font.size = 13;
  font.bold = node.attribute("bold").as_bool(false);
  font.italic = node.attribute("italic").as_bool(false);
  font.underline = node.attribute("underline").as_bool(false);
  if (node.attribute("default").as_bool(false)) manager->SetDefaultFont(font);
  if (node.attribute("id")) manager->AddFont(node.attribute("id").as_int(0), font);
}

CControlUI* Build(const pugi::xml_node& node, CPaintManagerUI* manager,
                  IDialogBuilderCallback* callback, int depth) {
  std::wstring name = W(node.name());
  CControlUI* control = CDialogBuilder::CreateControlByName(name);
  if (control == nullptr && callback != nullptr) control = callback->CreateControl(name.c_str());
  if (control == nullptr) {
    platform::LogWarning("skin element <%s> is unknown; treated as a container", node.name());
    control = new CContainerUI;
  }
  if (manager != nullptr) {
    CDuiString defaults = manager->GetDefaultAttributeList(name.c_str());
    if (!defaults.IsEmpty()) control->ApplyAttributeList(defaults);
  }
  for (const pugi::xml_attribute& attr : node.attributes()) {
    control->SetAttribute(W(attr.name()).c_str(), W(attr.value()).c_str());
  }
  auto* container = static_cast<CContainerUI*>(control->GetInterface(L"Container"));
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    if (container == nullptr) {
      platform::LogWarning("skin element <%s> cannot hold <%s>; ignored", node.name(),
                           child.name());
      continue;
    }
    if (depth + 1 >= kMaxDepth) {
      platform::LogWarning("skin nested too deeply; the rest is ignored");
      break;
    }
    container->Add(Build(child, manager, callback, depth + 1));
  }
  return control;
}

CControlUI* BuildDocument(const pugi::xml_document& doc, CPaintManagerUI* manager,
                          IDialogBuilderCallback* callback, std::wstring* error) {
  pugi::xml_node window = doc.document_element();
  if (!window) {
    *error = L"the skin has no elements";
    return nullptr;
  }
  std::vector<pugi::xml_node> controls;
  if (std::string(window.name()) == "Window") {
    if (manager != nullptr) ApplyWindowAttributes(window, manager);
    for (const pugi::xml_node& child : window.children()) {
      if (child.type() != pugi::node_element) continue;
      std::string name = child.name();
      if (name == "Font") {
        if (manager != nullptr) AddFont(child, manager);
      } else if (name == "Default") {
        if (manager != nullptr) {
          manager->AddDefaultAttributeList(W(child.attribute("name").value()).c_str(),
                                           W(child.attribute("value").value()).c_str());
        }
      } else if (name == "Image" || name == "Style") {
        // Image preloading and style sheets: nothing to do here.
      } else {
        controls.push_back(child);
      }
    }
  } else {
    controls.push_back(window);
  }
  if (controls.empty()) {
    *error = L"the skin has no controls";
    return nullptr;
  }
  if (controls.size() == 1) return Build(controls[0], manager, callback, 0);
  auto* root = new CVerticalLayoutUI;
  for (const auto& node : controls) root->Add(Build(node, manager, callback, 1));
  return root;
}

}  // namespace

CControlUI* CDialogBuilder::CreateControlByName(const std::wstring& name) {
  if (name == L"Control") return new CControlUI;
  if (name == L"Container") return new CContainerUI;
  if (name == L"Label" || name == L"Text") return new CLabelUI;
  if (name == L"Button") return new CButtonUI;
  if (name == L"Progress") return new CProgressUI;
  if (name == L"HorizontalLayout") return new CHorizontalLayoutUI;
  if (name == L"VerticalLayout") return new CVerticalLayoutUI;
  if (name == L"List") return new CListUI;
  if (name == L"ListContainerElement") return new CListContainerElementUI;
  return nullptr;
}

CControlUI* CDialogBuilder::Create(const std::wstring& path, CPaintManagerUI* manager,
                                   IDialogBuilderCallback* callback) {
  error_.clear();
  // pugixml sizes its buffer from where the stream ends; a directory opens
  // as a stream ending near 2^63, and pugixml would ask for that much memory.
  // Only a regular file of a skin's size is read.
  const std::string file = platform::WideToUtf8(path);
  struct stat st;
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxSkinSize) {
    error_ = L"cannot read " + path;
    return nullptr;
  }
  pugi::xml_document doc;
  pugi::xml_parse_result result = doc.load_file(file.c_str());
  if (!result) {
    if (result.status == pugi::status_file_not_found || result.status == pugi::status_io_error) {
      error_ = L"cannot read " + path;
    } else {
      error_ = path + L" is malformed at byte " + std::to_wstring(result.offset) + L": " +
               W(result.description());
    }
    return nullptr;
  }
  CControlUI* root = BuildDocument(doc, manager, callback, &error_);
  if (root == nullptr) error_ = path + L": " + error_;
  return root;
}

CControlUI* CDialogBuilder::CreateFromString(const std::string& xml, CPaintManagerUI* manager,
                                             IDialogBuilderCallback* callback) {
  error_.clear();
  pugi::xml_document doc;
  pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size());
  if (!result) {
    error_ =
        L"malformed at byte " + std::to_wstring(result.offset) + L": " + W(result.description());
    return nullptr;
  }
  return BuildDocument(doc, manager, callback, &error_);
}
