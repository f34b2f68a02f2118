// Labels: text drawing.
#include "ui/label_ui.h"

const wchar_t* CLabelUI::GetClass() const { return L"LabelUI"; }

void* CLabelUI::GetInterface(const wchar_t* name) {
  if (name != nullptr && std::wstring(name) == L"Label") return this;
  return CControlUI::GetInterface(name);
}

void CLabelUI::PaintText(_cairo* cr) {
  if (!text_.IsEmpty()) DrawText(cr, rect_, text_, text_color_);
}
