// The rules for arguments and options, the document path taken from real
// command lines, and the program mutex seen from a second process.
#include "app/command_line.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/unicode_text.h"
#include "platform/windows.h"
#include "tests/support/test_process.h"

namespace {

using test_support::RunChild;

// Started as a child by a test below, this binary answers with its document
// path, or with whether the program mutex already existed, and ends.
const bool kIsChild = [] {
  std::string mode = test_support::ChildMode();
  if (mode == "document")
    test_support::ChildAnswer("[" + platform::WideToUtf8(ReadCommandLine().document_path) + "]");
  if (mode == "mutex") test_support::ChildAnswer(CreateProgramMutex() ? "existed" : "new");
  return false;
}();

TEST(ReadCommandLine, OnlyASingleArgumentIsTheDocument) {
  EXPECT_EQ(RunChild("document", {}), "[]");
  EXPECT_EQ(RunChild("document", {"/home/u/a.zv"}), "[/home/u/a.zv]");
  EXPECT_EQ(RunChild("document", {"/home/u/a.zv", "/home/u/b.zv"}), "[]");
  EXPECT_EQ(RunChild("document", {"/home/u/my docs/课件 1.zv"}), "[/home/u/my docs/课件 1.zv]");
  // Any file is handed on; the main window decides what to do with it.
  EXPECT_EQ(RunChild("document", {"/tmp/say \"hi\" \\"}), "[/tmp/say \"hi\" \\]");
  EXPECT_EQ(RunChild("document", {""}), "[]");
}

TEST(ReadCommandLine, RelativePathsAreMadeAbsoluteAgainstTheWorkingDirectory) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
  const std::string here = cwd;
  const std::string parent = here.substr(0, here.rfind('/'));
  EXPECT_EQ(RunChild("document", {"notes.txt"}), "[" + here + "/notes.txt]");
  EXPECT_EQ(RunChild("document", {"my docs/课件 1.zv"}), "[" + here + "/my docs/课件 1.zv]");
  EXPECT_EQ(RunChild("document", {"./a//b/../100% #1.zv"}), "[" + here + "/a/100% #1.zv]");
  EXPECT_EQ(RunChild("document", {"../a.zv"}), "[" + parent + "/a.zv]");
  EXPECT_EQ(RunChild("document", {"/../../a.zv"}), "[/a.zv]");
}

using Action = CommandLineRequest::Action;

// Parses with the files of a made-up working directory.
CommandLineRequest Parse(std::vector<std::wstring> arguments) {
  return ParseArguments(arguments, [](const std::wstring& name) { return name == L"--help"; });
}

TEST(ParseArguments, OptionsAreArgumentsThatStartWithTwoDashesAndNameNoFile) {
  EXPECT_EQ(Parse({L"--version"}).action, Action::kVersion);
  EXPECT_EQ(Parse({L"--help", L"a.zv"}).action, Action::kOpen) << "a file named --help";
  EXPECT_EQ(Parse({L"--help"}).document_path, L"--help");
  EXPECT_EQ(Parse({L"--version", L"--help"}).action, Action::kVersion) << "the first one decides";
  // Options the program does not know are the engine's: ignored, and never a document.
  const CommandLineRequest engine = Parse({L"a.zv", L"--bogus", L"--help=x"});
  EXPECT_EQ(engine.action, Action::kOpen);
  EXPECT_EQ(engine.document_path, L"a.zv");
  EXPECT_EQ(engine.ignored_options, (std::vector<std::wstring>{L"--bogus", L"--help=x"}));
  EXPECT_EQ(Parse({L"--bogus", L"--version"}).action, Action::kVersion);
  // One dash is a name like any other.
  EXPECT_EQ(Parse({L"-name.zv"}).action, Action::kOpen);
  EXPECT_EQ(Parse({L"-name.zv"}).document_path, L"-name.zv");
}

TEST(ParseArguments, DoubleDashEndsTheOptionsAndOnlyASingleDocumentCounts) {
  EXPECT_EQ(Parse({L"--", L"-name.zv"}).document_path, L"-name.zv");
  EXPECT_EQ(Parse({L"--", L"--version"}).action, Action::kOpen);
  EXPECT_EQ(Parse({L"--", L"--version"}).document_path, L"--version");
  EXPECT_EQ(Parse({L"--", L"a.zv", L"b.zv"}).document_path, L"");
  EXPECT_EQ(Parse({L"a.zv", L"b.zv"}).document_path, L"");
  EXPECT_EQ(Parse({}).document_path, L"");
  EXPECT_EQ(Parse({L"./-name.zv"}).document_path, L"./-name.zv");
}

TEST(CreateProgramMutex, SecondProcessSeesTheFirst) {
  test_support::TempDir runtime("q-runtime");
  test_support::ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().c_str());
  // Each child ends before the next starts, so the mutex is new each time.
  EXPECT_EQ(RunChild("mutex", {}), "new");
  EXPECT_EQ(RunChild("mutex", {}), "new");
  // While this process holds it, a child finds it there.
  EXPECT_FALSE(CreateProgramMutex());
  EXPECT_EQ(RunChild("mutex", {}), "existed");
}

}  // namespace
