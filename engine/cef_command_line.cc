// Splitting and querying of the engine's command line.
#include "engine/cef_command_line.h"

CefRefPtr<CefCommandLine> CefCommandLine::CreateCommandLine() { return new CefCommandLine(); }

void CefCommandLine::InitFromString(const CefString& command_line) {
  program_.clear();
  switches_.clear();
  arguments_.clear();
  const std::wstring text = command_line.ToWString();
  bool first = true;
  bool switches_done = false;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    if (i >= text.size()) break;
    std::wstring word;
    bool quoted = false;
    for (; i < text.size(); ++i) {
      wchar_t c = text[i];
      if (c == L'\\' && i + 1 < text.size() && text[i + 1] == L'"') {
        word.push_back(L'"');
        ++i;
      } else if (c == L'"') {
        quoted = !quoted;
      } else if (!quoted && (c == L' ' || c == L'\t')) {
        break;
      } else {
        word.push_back(c);
      }
    }
    if (first) {
      program_ = word;
      first = false;
    } else {
      AddWord(word, switches_done);
    }
  }
}

void CefCommandLine::InitFromArgv(int argc, const char* const* argv) {
  program_.clear();
  switches_.clear();
  arguments_.clear();
  bool switches_done = false;
  for (int i = 0; i < argc && argv && argv[i]; ++i) {
    CefString word(argv[i]);
    if (i == 0) {
      program_ = word.ToWString();
    } else {
      AddWord(word.ToWString(), switches_done);
    }
  }
}

// "--" ends the switches; everything after it is an argument.
void CefCommandLine::AddWord(const std::wstring& word, bool& switches_done) {
  if (!switches_done && word == L"--") {
    switches_done = true;
    return;
  }
  if (!switches_done && word.size() > 2 && word.compare(0, 2, L"--") == 0) {
    std::size_t eq = word.find(L'=');
    if (eq == std::wstring::npos) {
      switches_[word.substr(2)] = std::wstring();
    } else {
      switches_[word.substr(2, eq - 2)] = word.substr(eq + 1);
    }
    return;
  }
  arguments_.emplace_back(word);
}

bool CefCommandLine::HasSwitch(const CefString& name) const {
  return switches_.count(name.ToWString()) != 0;
}

CefString CefCommandLine::GetSwitchValue(const CefString& name) const {
  auto it = switches_.find(name.ToWString());
  return it == switches_.end() ? CefString() : CefString(it->second);
}
