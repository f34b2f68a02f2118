// The engine's view of a process command line: the program, its switches
// ("--name" or "--name=value") and its other arguments.
#pragma once

#include <map>
#include <vector>

#include "engine/cef_ref_ptr.h"
#include "engine/cef_string.h"

class CefCommandLine : public CefBaseRefCounted {
 public:
  // A new, empty command line.
  static CefRefPtr<CefCommandLine> CreateCommandLine();

  // Fills the command line from a whole command-line text: the first word is
  // the program; words are separated by blanks, double quotes group blanks
  // into a word (a backslash before a quote makes it literal). Replaces any
  // earlier content.
  void InitFromString(const CefString& command_line);
  void InitFromArgv(int argc, const char* const* argv);

  CefString GetProgram() const { return program_; }
  bool HasSwitches() const { return !switches_.empty(); }
  // Switch names are compared as given, without the leading dashes.
  bool HasSwitch(const CefString& name) const;
  // The value of a switch, empty when it has none or is absent.
  CefString GetSwitchValue(const CefString& name) const;
  std::vector<CefString> GetArguments() const { return arguments_; }

 private:
  CefCommandLine() = default;
  void AddWord(const std::wstring& word, bool& switches_done);

  std::wstring program_;
  std::map<std::wstring, std::wstring> switches_;
  std::vector<CefString> arguments_;

  IMPLEMENT_REFCOUNTING(CefCommandLine);
};
