// Process roles: the role from the command line, the engine settings of the
// browser process, and secondary processes of the real executable ending at
// once with 0 and without a window.
#include "app/process_role.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "app/data_dir.h"
#include "app/engine_settings.h"

namespace {

ProcessRole RoleOf(const wchar_t* text) {
  auto command_line = CefCommandLine::CreateCommandLine();
  command_line->InitFromString(text);
  return GetProcessRole(command_line);
}

TEST(ProcessRole, IsDecidedByTheTypeSwitchAlone) {
  EXPECT_EQ(RoleOf(L"quorbital"), ProcessRole::kBrowser);
  EXPECT_EQ(RoleOf(L"quorbital /home/u/a.zv"), ProcessRole::kBrowser);
  EXPECT_EQ(RoleOf(L"quorbital --off-screen-rendering-enabled"), ProcessRole::kBrowser);
  EXPECT_EQ(RoleOf(L"quorbital --type=renderer --lang=de"), ProcessRole::kRenderer);
  EXPECT_EQ(RoleOf(L"quorbital --type=Renderer"), ProcessRole::kOther);
  EXPECT_EQ(RoleOf(L"quorbital --type=gpu-process"), ProcessRole::kOther);
  EXPECT_EQ(RoleOf(L"quorbital --type="), ProcessRole::kOther);
}

TEST(EngineSettings, WindowedWhiteNoSandboxWithTheCacheUnderTheDataDirectory) {
  CefSettings settings;
  FillEngineSettings(settings);
  EXPECT_FALSE(settings.single_process);
  EXPECT_TRUE(settings.no_sandbox);
  EXPECT_TRUE(settings.multi_threaded_message_loop);
  EXPECT_FALSE(settings.windowless_rendering_enabled);
  EXPECT_EQ(settings.background_color, 0xFFFFFFFFu);
  EXPECT_EQ(settings.cache_path.ToWString(), GetDataDir() + L"/cache");
  EXPECT_TRUE(settings.browser_subprocess_path.empty());
}

// Runs the client with one argument; returns its exit status, or -1 when it
// did not end within two seconds.
int RunClient(const char* argument, double* seconds) {
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    // No display: a secondary process must not need one.
    unsetenv("DISPLAY");
    const std::string exe = std::string(QUORBITAL_BINARY_DIR) + "/quorbital";
    execl(exe.c_str(), exe.c_str(), argument, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  for (int i = 0; i < 200; ++i) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }
    usleep(10000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

TEST(ProcessRole, SecondaryProcessesOfTheClientEndAtOnceWithZero) {
  for (const char* argument : {"--type=renderer", "--type=gpu-process", "--type=utility"}) {
    double seconds = 0;
    EXPECT_EQ(RunClient(argument, &seconds), 0) << argument;
    EXPECT_LT(seconds, 1.0) << argument;
  }
}

}  // namespace
