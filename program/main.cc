// Entry point of the client. Every process of the program starts here: the
// role is decided from the command line; the browser process answers its
// options, initialises the engine, runs the main window's message loop and
// shuts the engine down.

#include <cstdio>

#include "app/command_line.h"
#include "app/data_dir.h"
#include "app/engine_settings.h"
#include "app/locations.h"
#include "app/process_role.h"
#include "app/runtime_files.h"
#include "bridge/simple_app.h"
#include "engine/cef_app.h"
#include "engine/rendering_path.h"
#include "mainwnd/main_wnd.h"
#include "mainwnd/second_start.h"
#include "platform/display.h"
#include "platform/log.h"
#include "platform/process_time.h"
#include "platform/windows.h"
#include "ui/window_styles.h"
#include "util/text_convert.h"

namespace {

// The client keeps everything under the data directory; without one it would
// write relative to the root. It says so and ends before creating anything.
int ExitWithoutDataDir(HINSTANCE instance) {
  platform::LogError(
      "cannot determine the data directory: XDG_DATA_HOME is not set and there is no usable home "
      "directory (HOME)");
  CPaintManagerUI::SetInstance(instance);
  MessageBoxW(nullptr,
              L"无法确定数据目录：没有设置 XDG_DATA_HOME，也没有可用的主目录（HOME）。\n"
              L"Quorbital 无法启动。",
              kMainWndTitle, MB_OK | MB_ICONERROR);
  return 1;
}

// Without a display there is no window to show anything in: the person at
// the terminal reads one line instead of the toolkit's complaint.
int ExitWithoutDisplay() {
  std::fputs(
      "quorbital: 无法打开图形显示（DISPLAY 或 WAYLAND_DISPLAY 没有设置，或连接不上）。"
      "请在图形桌面中启动 Quorbital。\n",
      stderr);
  return 1;
}

}  // namespace

int wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR /*command_line*/, int /*show*/) {
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->InitFromString(GetCommandLineW());
  const ProcessRole role = GetProcessRole(command_line);
  // Only the process the user started reads arguments; the engine's own
  // processes are told their role with --type.
  std::wstring document_path;
  if (role == ProcessRole::kBrowser) {
    platform::LogStartStep("main");
    const CommandLineRequest request = ReadCommandLine();
    const int status = AnswerCommandLine(request);
    if (request.action != CommandLineRequest::Action::kOpen) return status;
    // Before the display opens any thread.
    engine::PrepareRenderingPath();
    if (!platform::OpenDisplay()) return ExitWithoutDisplay();
    if (GetDataDir().empty()) return ExitWithoutDataDir(instance);
    document_path = request.document_path;
  }

  // Every process holds the program's mutex; whether another held it first
  // tells a second start of the client.
  const bool already_running = CreateProgramMutex();

  // A second start hands its document to the running client and ends. If no
  // main window answers within its bound (a client that crashed, is stopped
  // or busy, or one still ending), it goes on as a normal start.
  if (role == ProcessRole::kBrowser && already_running && HandOffToRunningClient(document_path)) {
    return 0;
  }

  CefRefPtr<CefApp> app;
  if (role != ProcessRole::kOther) app = new SimpleApp(nullptr, ClientOwnPlaces);

  CefMainArgs main_args(instance);
  if (CefExecuteProcess(main_args, app, nullptr) >= 0) return 0;

  platform::LogStartStep("command line, display, data directory and mutex done");
  CefSettings settings;
  FillEngineSettings(settings);
  CefInitialize(main_args, settings, app, nullptr);
  platform::LogStartStep("engine ready");

  // Skins and images beside the executable, or in the installed data folder.
  const std::string skins = FindRuntimeFolder("Skin");
  if (!skins.empty()) {
    std::wstring root;
    AnsiToWide(skins.substr(0, skins.size() - std::string("Skin").size()), root);
    CPaintManagerUI::SetInstancePath(root.c_str());
  }
  CPaintManagerUI::SetInstance(instance);

  CMainWnd* main_window = new CMainWnd(document_path);
  main_window->Create(nullptr, kMainWndTitle, kFrameWindowStyle, WS_EX_ACCEPTFILES, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT);
  // Un-maximised, the window has the size and place the user gave it last
  // time; the first time it is centred. Both before it is shown: a move of a
  // shown window would race the window manager's maximising of it.
  const bool placed = main_window->RestoreLastPlacement();
  if (!placed) main_window->CenterWindow();
  main_window->ShowWindow(true, true);
  platform::LogStartStep("main window shown");
  CPaintManagerUI::MessageLoop();

  CefShutdown();
  return 0;
}

int main() { return wWinMain(nullptr, nullptr, GetCommandLineW(), 0); }
