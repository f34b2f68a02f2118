// Process roles: the role from the command line, the engine settings of the
// browser process, and secondary processes of the real executable ending by
// themselves with 0 and without a display.
#include "app/process_role.h"

#include <gtest/gtest.h>

#include "app/data_dir.h"
#include "app/engine_settings.h"
#include "tests/support/child_process.h"

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

TEST(EngineSettings, WindowedWhiteSandboxedWithTheCacheUnderTheDataDirectory) {
  CefSettings settings;
  FillEngineSettings(settings);
  EXPECT_FALSE(settings.single_process);
  // The web processes are confined where the machine allows it, and read
  // the data directory, which holds the bundle, in their confinement.
  EXPECT_FALSE(settings.no_sandbox);
  ASSERT_EQ(settings.sandbox_read_only_paths.size(), 1u);
  EXPECT_EQ(settings.sandbox_read_only_paths[0].ToWString(), GetDataDir());
  EXPECT_TRUE(settings.multi_threaded_message_loop);
  EXPECT_FALSE(settings.windowless_rendering_enabled);
  EXPECT_EQ(settings.background_color, 0xFFFFFFFFu);
  EXPECT_EQ(settings.cache_path.ToWString(), GetDataDir() + L"/cache");
  EXPECT_TRUE(settings.browser_subprocess_path.empty());
}

TEST(ProcessRole, SecondaryProcessesOfTheClientEndByThemselvesWithZero) {
  for (const char* argument : {"--type=renderer", "--type=gpu-process", "--type=utility"}) {
    // No display: a secondary process must not need one.
    test_support::ChildProcess client({QUORBITAL_BINARY_DIR "/quorbital", argument}, {"DISPLAY"});
    EXPECT_EQ(client.Wait(), 0) << argument;
  }
}

}  // namespace
