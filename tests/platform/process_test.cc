// Command-line splitting and rebuilding, named mutexes across processes, the
// last-error value and the tick count.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/process_time.h"
#include "platform/unicode_text.h"
#include "platform/windows.h"
#include "tests/support/test_process.h"

namespace {

// Started as a child by a test below, this binary writes what it split from
// its own command line, each argument ended by a zero, and ends.
const bool kIsChild = [] {
  if (test_support::ChildMode() != "argv") return false;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::string answer;
  for (int i = 0; i < argc; ++i) answer += platform::WideToUtf8(argv[i]) + '\0';
  test_support::ChildAnswer(answer);
}();

std::vector<std::string> Split(const wchar_t* line) {
  int argc = -1;
  LPWSTR* argv = CommandLineToArgvW(line, &argc);
  std::vector<std::string> out;
  if (argv == nullptr) return out;
  for (int i = 0; i < argc; ++i) out.push_back(platform::WideToUtf8(argv[i]));
  EXPECT_EQ(argv[argc], nullptr);
  LocalFree(argv);
  return out;
}

using Args = std::vector<std::string>;

TEST(CommandLineToArgvW, DocumentedSplittingRules) {
  EXPECT_EQ(Split(LR"(prog "abc" d e)"), (Args{"prog", "abc", "d", "e"}));
  EXPECT_EQ(Split(LR"(prog a\\\b d"e f"g h)"), (Args{"prog", R"(a\\\b)", "de fg", "h"}));
  EXPECT_EQ(Split(LR"(prog a\\\"b c d)"), (Args{"prog", R"(a\"b)", "c", "d"}));
  EXPECT_EQ(Split(LR"(prog a\\\\"b c" d e)"), (Args{"prog", R"(a\\b c)", "d", "e"}));
  // Inside quotes "" gives one quote and ends the quoted part.
  EXPECT_EQ(Split(LR"(prog a"b"" c d)"), (Args{"prog", R"(ab")", "c", "d"}));
  EXPECT_EQ(Split(LR"(prog "a""b" c)"), (Args{"prog", R"(a"b c)"}));
  EXPECT_EQ(Split(LR"(prog "" x "")"), (Args{"prog", "", "x", ""}));
  EXPECT_EQ(Split(L"prog \t a\tb   "), (Args{"prog", "a", "b"}));
  EXPECT_EQ(Split(LR"(prog "unterminated arg)"), (Args{"prog", "unterminated arg"}));
  EXPECT_EQ(Split(LR"(prog C:\dir\ x)"), (Args{"prog", R"(C:\dir\)", "x"}));
}

TEST(CommandLineToArgvW, ProgramNameHasItsOwnRule) {
  // Backslashes are literal and a quote only delimits.
  EXPECT_EQ(Split(LR"("C:\my apps\p.exe" "D:\my docs\a.zv")"),
            (Args{R"(C:\my apps\p.exe)", R"(D:\my docs\a.zv)"}));
  EXPECT_EQ(Split(LR"(C:\a\p.exe\ x)"), (Args{R"(C:\a\p.exe\)", "x"}));
  EXPECT_EQ(Split(L"/usr/bin/quorbital"), (Args{"/usr/bin/quorbital"}));
  EXPECT_EQ(Split(L"\"/opt/q b/quorbital\"x y"), (Args{"/opt/q b/quorbital", "x", "y"}));
}

TEST(CommandLineToArgvW, EmptyLineNamesTheProgramAndNullIsRefused) {
  EXPECT_EQ(Split(L""), Args{test_support::SelfPath()});

  int argc = 0;
  SetLastError(0);
  EXPECT_EQ(CommandLineToArgvW(nullptr, &argc), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(CommandLineToArgvW(L"x", nullptr), nullptr);
}

// What a child started as program with these arguments splits from its own
// command line.
Args ChildArgs(const std::string& program, const Args& args) {
  bool exit_ok = false;
  std::string answer = test_support::RunChild("argv", args, program, &exit_ok);
  EXPECT_TRUE(exit_ok);
  Args result;
  size_t start = 0;
  for (size_t end; (end = answer.find('\0', start)) != std::string::npos; start = end + 1)
    result.push_back(answer.substr(start, end - start));
  return result;
}

TEST(GetCommandLineW, SplitsBackIntoTheProcessArguments) {
  std::string self = test_support::SelfPath();
  const Args cases[] = {
      {},
      {"/home/u/my docs/课件 1.zv"},
      {"a", "b"},
      {"", "tab\there", "  lead and trail  "},
      {R"(say "hi")", R"(\")", R"(back\)", R"(two\\)", R"(\\"\\)", "\"", "\"\""},
      {R"(C:\dir with space\)", "--type=renderer", "x=\"y z\"\\"},
  };
  for (const Args& args : cases) {
    Args expected{self};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(ChildArgs(self, args), expected);
  }
}

TEST(GetCommandLineW, ProgramPathWithBlanks) {
  test_support::TempDir dir("q-prog dir");
  std::string link = dir / "my prog";
  ASSERT_EQ(symlink(test_support::SelfPath().c_str(), link.c_str()), 0);
  EXPECT_EQ(ChildArgs(link, {"doc.zv"}), (Args{link, "doc.zv"}));
}

std::wstring UniqueMutexName(const char* tag) {
  std::string name = std::string("q-test/") + tag + "-" + std::to_string(getpid());
  return std::wstring(name.begin(), name.end());
}

// A child that takes the named mutex, reports whether it already existed,
// and waits to be killed.
pid_t StartMutexHolder(const std::wstring& name, bool* existed) {
  int pipe_fds[2];
  EXPECT_EQ(pipe(pipe_fds), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    CreateMutexW(nullptr, FALSE, name.c_str());
    char report = GetLastError() == ERROR_ALREADY_EXISTS ? '1' : '0';
    if (write(pipe_fds[1], &report, 1) != 1) _exit(1);
    for (;;) pause();
  }
  close(pipe_fds[1]);
  char report = '?';
  EXPECT_EQ(read(pipe_fds[0], &report, 1), 1);
  close(pipe_fds[0]);
  *existed = report == '1';
  return pid;
}

void Kill(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(CreateMutexW, ReportsAnotherLiveHolderAndOutlivesNone) {
  std::wstring name = UniqueMutexName("live");
  bool existed = true;
  pid_t holder = StartMutexHolder(name, &existed);
  EXPECT_FALSE(existed);

  HANDLE mine = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

  // The holder is killed (as in a crash); our own handle still holds it.
  Kill(holder);
  pid_t second = StartMutexHolder(name, &existed);
  EXPECT_TRUE(existed);
  Kill(second);

  EXPECT_TRUE(CloseHandle(mine));
  HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  // A second handle in the same process sees the name taken, as on the
  // original platform.
  HANDLE same = CreateMutexW(nullptr, FALSE, name.c_str());
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  CloseHandle(same);
  CloseHandle(again);
}

TEST(CreateMutexW, ProgramsStartedByTheHolderDoNotKeepIt) {
  std::wstring name = UniqueMutexName("exec");
  // The pipe's write end closes exactly when the child execs.
  int pipe_fds[2];
  ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);
  pid_t pid = fork();
  if (pid == 0) {
    close(pipe_fds[0]);
    CreateMutexW(nullptr, FALSE, name.c_str());
    char ok = '1';
    if (write(pipe_fds[1], &ok, 1) != 1) _exit(1);
    execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_fds[1]);
  char ok = 0;
  ASSERT_EQ(read(pipe_fds[0], &ok, 1), 1);
  char rest;
  EXPECT_EQ(read(pipe_fds[0], &rest, 1), 0);
  close(pipe_fds[0]);
  // Exec closes the lock's descriptor just after the pipe's, so give it a
  // moment; a lock kept across exec would stay held by sleep for 30 s.
  DWORD error = ERROR_ALREADY_EXISTS;
  const DWORD asked = GetTickCount();
  while (error == ERROR_ALREADY_EXISTS &&
         GetTickCount() - asked < static_cast<DWORD>(test_support::kEventWaitMs)) {
    HANDLE h = CreateMutexW(nullptr, FALSE, name.c_str());
    error = GetLastError();
    CloseHandle(h);
    if (error == ERROR_ALREADY_EXISTS) Sleep(10);  // the lock is asked for again
  }
  EXPECT_EQ(error, ERROR_SUCCESS);
  Kill(pid);
}

TEST(CreateMutexW, OddNamesStayInsideTheRuntimeDirectory) {
  for (const wchar_t* name : {L"../../etc/passwd", L"名字 with/slash", L"."}) {
    HANDLE h = CreateMutexW(nullptr, FALSE, name);
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(CloseHandle(h));
  }
  HANDLE unnamed = CreateMutexW(nullptr, FALSE, nullptr);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(CloseHandle(unnamed));
  EXPECT_FALSE(CloseHandle(unnamed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(LastError, BelongsToEachThread) {
  SetLastError(42);
  DWORD seen = 1;
  std::thread([&] {
    seen = GetLastError();
    SetLastError(7);
  }).join();
  EXPECT_EQ(seen, 0u);
  EXPECT_EQ(GetLastError(), 42u);
}

TEST(GetTickCount, CountsMillisecondsAcrossSleep) {
  DWORD start = GetTickCount();
  Sleep(50);
  DWORD spent = GetTickCount() - start;  // unsigned difference survives a wrap
  EXPECT_GE(spent, 50u);
  EXPECT_LT(spent, 10000u);  // milliseconds, not a finer unit, however busy the machine
}

TEST(ProcessAgeMs, CountsFromTheStartOfTheProcess) {
  const long first = platform::ProcessAgeMs();
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 10L * 60 * 1000);
  Sleep(120);
  const long second = platform::ProcessAgeMs();
  EXPECT_GE(second - first, 100);  // the clock counts in ticks of 10 ms at most
  EXPECT_LT(second - first, 20000);
}

}  // namespace
