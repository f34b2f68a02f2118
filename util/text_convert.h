// Narrow/wide text conversions. Narrow text is either the system code page
// (AnsiToUtf8, Utf8ToAnsi, AnsiToWide) or the user's default code page as the
// C runtime sees it (WideToAnsi); on this platform both are the charset of the
// user's locale, UTF-8 where the locale is the plain C one.
#pragma once

#include <string>

std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
int AnsiToWide(const std::string& ansi, std::wstring& wide);
int WideToAnsi(const std::wstring& wide, std::string& ansi);
