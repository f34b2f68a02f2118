// ShellExecuteW "open" over GIO: a file opens in its default application, and
// the file manager command the download window uses ("explorer.exe" with a
// folder as parameters) opens that folder in the desktop's file manager.
#include "platform/shell_execute.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdint>
#include <cwctype>
#include <mutex>

#include "platform/log.h"
#include "platform/own_environment.h"
#include "platform/unicode_text.h"
#include "platform/windows.h"

namespace platform {
namespace {

std::mutex g_hook_mutex;
std::function<void(const std::vector<std::string>&)> g_hook;

}  // namespace

void SetShellLaunchHookForTesting(std::function<void(const std::vector<std::string>& argv)> hook) {
  std::lock_guard<std::mutex> lock(g_hook_mutex);
  g_hook = std::move(hook);
}

}  // namespace platform

namespace {

// The platform's codes: above 32 is success.
constexpr std::intptr_t kLaunched = 42;
constexpr std::intptr_t kFileNotFound = 2;
constexpr std::intptr_t kPathNotFound = 3;
constexpr std::intptr_t kNoAssociation = 31;

HINSTANCE Code(std::intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

bool EqualsNoCase(LPCWSTR text, const wchar_t* literal) {
  if (text == nullptr) return false;
  for (; *text && *literal; ++text, ++literal) {
    if (std::towlower(*text) != std::towlower(*literal)) return false;
  }
  return *text == *literal;
}

// A target with a URI scheme ("https://...", "mailto:...") is handed on as it
// is; everything else is a path.
bool HasScheme(const std::string& target) {
  g_autofree gchar* scheme = g_uri_parse_scheme(target.c_str());
  bool has = scheme != nullptr && std::string(scheme).size() > 1;  // not a drive letter
  return has;
}

bool Launch(const std::string& uri) {
  const std::vector<std::string> argv = {"gio", "open", uri};
  {
    std::lock_guard<std::mutex> lock(platform::g_hook_mutex);
    if (platform::g_hook) {
      platform::g_hook(argv);
      return true;
    }
  }
  // The program opened is the user's, not the client's: it does not get the
  // variables the client set for its own processes, whichever way it starts.
  g_autoptr(GAppLaunchContext) context = platform::NewLaunchContextForOthers();
  g_autoptr(GError) error = nullptr;
  if (g_app_info_launch_default_for_uri(uri.c_str(), context, &error)) return true;
  platform::Log("shell: no default handler for %s: %s", uri.c_str(), error ? error->message : "");
  // Desktops without a GIO handler may still have the freedesktop opener.
  g_autofree gchar* opener = g_find_program_in_path("xdg-open");
  if (opener == nullptr) return false;
  gchar* spawn_argv[] = {opener, const_cast<gchar*>(uri.c_str()), nullptr};
  g_auto(GStrv) environment = g_app_launch_context_get_environment(context);
  bool ok = g_spawn_async(nullptr, spawn_argv, environment, G_SPAWN_DEFAULT, nullptr, nullptr,
                          nullptr, nullptr);
  return ok;
}

}  // namespace

HINSTANCE ShellExecuteW(HWND /*owner*/, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int /*show*/) {
  const bool open = verb == nullptr || *verb == L'\0' || EqualsNoCase(verb, L"open") ||
                    EqualsNoCase(verb, L"explore");
  if (!open) return Code(kNoAssociation);
  if (file == nullptr || *file == L'\0') return Code(kFileNotFound);

  // The file manager command: its parameters name the folder (home when empty).
  const bool file_manager = EqualsNoCase(file, L"explorer.exe") || EqualsNoCase(file, L"explorer");
  std::string target = platform::WideToUtf8(file_manager ? parameters : file);
  if (file_manager && target.empty()) target = g_get_home_dir();
  if (target.empty()) return Code(kFileNotFound);

  std::string uri;
  if (HasScheme(target)) {
    uri = target;
  } else {
    std::string base = platform::WideToUtf8(directory);
    g_autofree gchar* absolute =
        g_canonicalize_filename(target.c_str(), base.empty() ? nullptr : base.c_str());
    struct stat st {};
    bool exists = ::stat(absolute, &st) == 0;
    g_autofree gchar* file_uri = exists ? g_filename_to_uri(absolute, nullptr, nullptr) : nullptr;
    if (file_uri == nullptr) return Code(file_manager ? kPathNotFound : kFileNotFound);
    uri = file_uri;
  }
  return Code(Launch(uri) ? kLaunched : kNoAssociation);
}
