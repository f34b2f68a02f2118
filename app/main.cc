// Entry point of the client. Every process of the program starts here: the
// role is decided from the command line; the browser process initialises the
// engine, runs the main window's message loop and shuts the engine down.
#include "app/command_line.h"
#include "app/engine_settings.h"
#include "app/process_role.h"
#include "bridge/simple_app.h"
#include "engine/cef_app.h"
#include "platform/windows.h"

int wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPWSTR /*command_line*/, int /*show*/) {
  const std::wstring document_path = DocumentPathFromCommandLine();
  // Whether another process held the mutex is recorded, but nothing at start
  // depends on it: a second instance is not refused.
  const bool already_running = CreateProgramMutex();
  (void)already_running;

  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->InitFromString(GetCommandLineW());
  const ProcessRole role = GetProcessRole(command_line);

  CefRefPtr<CefApp> app;
  if (role != ProcessRole::kOther) app = new SimpleApp();

  CefMainArgs main_args(instance);
  if (CefExecuteProcess(main_args, app, nullptr) >= 0) return 0;

  CefSettings settings;
  FillEngineSettings(settings);
  CefInitialize(main_args, settings, app, nullptr);

  // The main window (CMainWnd with document_path) is created here and the
  // toolkit's message loop runs until it closes; it lands with the window
  // toolkit. Until then the browser process ends after initialising.
  (void)document_path;

  CefShutdown();
  return 0;
}

int main() { return wWinMain(nullptr, nullptr, GetCommandLineW(), 0); }
