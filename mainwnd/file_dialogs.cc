// The open and save dialogs of the main window.
#include "mainwnd/file_dialogs.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/locations.h"
#include "platform/unicode_text.h"

namespace {

// "/" and "\", and the slashes drawn like them (fullwidth, division,
// fraction and big solidus): a name with one of those would look like a path
// ("／..／etc／passwd") to whoever reads it.
constexpr wchar_t kSeparators[] = L"/\\\uFF0F\u2215\u2044\u29F8";

}  // namespace

std::wstring PlainFileName(const std::wstring& name) {
  const std::size_t separator = name.find_last_of(kSeparators);
  const std::wstring plain = separator == std::wstring::npos ? name : name.substr(separator + 1);
  std::wstring out;
  std::size_t bytes = 0;
  for (wchar_t c : plain) {
    const std::uint32_t code = static_cast<char32_t>(c);
    // Control characters and values that are no character at all cannot be
    // part of a name the user reads; invisible format characters (a
    // right-to-left override, say) would show the name as another one.
    if (code < 0x20 || code == 0x7F || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        platform::IsFormatCharacter(code)) {
      continue;
    }
    if (out.empty() && c == L'.') continue;
    const std::size_t size = platform::WideToUtf8(std::wstring_view(&c, 1)).size();
    if (bytes + size > kMaxSuggestedNameBytes) break;
    bytes += size;
    out += c;
  }
  return out;
}

CDuiString ShowSaveFileDialog(const CDuiString& suggestedName) {
  std::vector<wchar_t> buffer(2048, L'\0');
  // The name comes from a link: it may only ever name a file in the folder
  // the user picks, never a path or a hidden file.
  std::wstring suggested = PlainFileName(suggestedName.GetData());
  suggested.copy(buffer.data(), std::min<size_t>(suggested.size(), buffer.size() - 1));
  OPENFILENAMEW ofn;
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = FindWindowW(kMainWndClass, nullptr);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  // An existing file is replaced only when the user says so.
  ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  ofn.FlagsEx = OFN_EX_NOPLACESBAR;
  ofn.lpfnHook = DialogPlacementHook;
  if (!GetSaveFileNameW(&ofn)) return L"";
  return buffer.data();
}

CDuiString ShowOpenFileDialog() {
  std::vector<wchar_t> buffer(2048, L'\0');
  OPENFILENAMEW ofn;
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = FindWindowW(kMainWndClass, nullptr);
  ofn.lpstrFilter = L"zv files (*.zv)\0*.zv\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = L"打开";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&ofn)) return L"";
  return buffer.data();
}

POINT DialogPlacement(LONG cx, LONG cy, const RECT& frame_client, const RECT& reference) {
  LONG frame_w = frame_client.right - frame_client.left;
  LONG frame_h = frame_client.bottom - frame_client.top;
  LONG ref_w = reference.right - reference.left;
  LONG ref_h = reference.bottom - reference.top;
  return POINT{cx + (ref_w - frame_w) / 2, cy + (ref_h - frame_h) / 2};
}

UINT_PTR DialogPlacementHook(HWND dialog, UINT message, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  if (message != WM_INITDIALOG) return 1;
  HWND frame = GetParent(dialog);
  RECT client{}, outer{};
  if (!frame || !GetClientRect(frame, &client) || !GetWindowRect(frame, &outer)) return 1;
  // The dialog is centred over the main window: the reference rectangle is
  // the main window's, taken relative to the frame's client origin.
  RECT reference = client;
  HWND main = FindWindowW(kMainWndClass, nullptr);
  RECT main_rect{};
  if (main && GetWindowRect(main, &main_rect)) {
    reference = RECT{main_rect.left - outer.left, main_rect.top - outer.top,
                     main_rect.right - outer.left, main_rect.bottom - outer.top};
  }
  POINT at = DialogPlacement(
      outer.left + reference.left, outer.top + reference.top, client,
      RECT{0, 0, reference.right - reference.left, reference.bottom - reference.top});
  SetWindowPos(frame, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return 1;
}
