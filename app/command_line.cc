// The command line's arguments and options, and the program's named mutex.
#include "app/command_line.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/locations.h"
#include "platform/unicode_text.h"
#include "platform/windows.h"

namespace {

// A relative path means a file in the directory the user started the program
// from, which neither the running client (a second start hands the path to it)
// nor the editor page knows; so it is made absolute here, before anything else
// sees it. A path that cannot be resolved is kept as it was given.
std::wstring FullPath(const std::wstring& path) {
  if (path.empty()) return path;
  DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (written == 0 || written >= needed) return path;
  full.resize(written);
  return full;
}

// Whether a file of that name is there, seen from the working directory.
bool FileExists(const std::wstring& name) {
  std::error_code ignored;
  // The file system's names are bytes: the UTF-8 form, never the locale's.
  return !name.empty() &&
         std::filesystem::exists(std::filesystem::path(platform::WideToUtf8(name)), ignored);
}

constexpr char kUsage[] =
    "用法：quorbital [文档.zv]\n"
    "打开 Quorbital 的首页；给出一个文档时，在离线编辑器中打开它。\n"
    "名称以“-”开头的文档请写作 ./-名称.zv，或写在 -- 之后。\n"
    "\n"
    "  --help     显示本说明，然后退出\n"
    "  --version  显示版本，然后退出\n";

}  // namespace

CommandLineRequest ParseArguments(const std::vector<std::wstring>& arguments,
                                  const std::function<bool(const std::wstring&)>& exists) {
  CommandLineRequest request;
  std::vector<std::wstring> documents;
  bool options_done = false;
  for (const std::wstring& argument : arguments) {
    if (options_done || exists(argument) || argument.rfind(L"--", 0) != 0) {
      documents.push_back(argument);
    } else if (argument == L"--") {
      options_done = true;
    } else if (argument == L"--help" || argument == L"--version") {
      if (request.action == CommandLineRequest::Action::kOpen) {
        request.action = argument == L"--help" ? CommandLineRequest::Action::kHelp
                                               : CommandLineRequest::Action::kVersion;
      }
    } else {
      request.ignored_options.push_back(argument);
    }
  }
  if (documents.size() == 1) request.document_path = documents.front();
  return request;
}

CommandLineRequest ReadCommandLine() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return {};
  std::vector<std::wstring> arguments(argv + std::min(argc, 1), argv + argc);
  LocalFree(argv);
  CommandLineRequest request = ParseArguments(arguments, FileExists);
  request.document_path = FullPath(request.document_path);
  return request;
}

int AnswerCommandLine(const CommandLineRequest& request) {
  switch (request.action) {
    case CommandLineRequest::Action::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case CommandLineRequest::Action::kVersion:
      std::printf("Quorbital %s\n", kClientVersion);
      return 0;
    case CommandLineRequest::Action::kOpen:
      for (const std::wstring& option : request.ignored_options) {
        std::fprintf(stderr,
                     "quorbital: 不认识的选项“%s”，已忽略。用 quorbital --help 查看用法。\n",
                     platform::WideToUtf8(option).c_str());
      }
      break;
  }
  return 0;
}

bool CreateProgramMutex() {
  // The handle is never closed: the mutex is held until the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
  return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}
