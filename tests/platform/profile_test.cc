// Profile files: reading with trimming, case-insensitive names, truncation and
// defaults; writing that keeps every other line and replaces the file whole;
// bad files and unwritable directories.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/windows.h"
#include "tests/support/test_process.h"

namespace {

class Profile : public ::testing::Test {
 protected:
  void Put(const std::string& content) { std::ofstream(file_, std::ios::binary) << content; }
  std::string Content() const { return test_support::ReadFile(file_); }
  std::string Get(const char* section, const char* key, const char* def = "dflt", DWORD size = 256,
                  DWORD* result = nullptr) {
    std::string buffer(size + 1, '#');
    DWORD n = GetPrivateProfileStringA(section, key, def, buffer.data(), size, file_.c_str());
    if (result != nullptr) *result = n;
    EXPECT_EQ(buffer[n], '\0');
    EXPECT_EQ(buffer[size], '#');  // nothing written past the buffer
    return buffer.substr(0, n);
  }

  test_support::TempDir temp_{"q-profile"};
  std::string dir_ = temp_.path();
  std::string file_ = temp_ / "version.ini";
};

TEST_F(Profile, ReadsTrimmedValuesWithCaseInsensitiveNames) {
  Put("; the page bundle\n"
      "[Other]\nbuild=1\n"
      "  [ versionInformation ]  \n"
      "  Build   =  1207  \r\n"
      "cloudHost= http://127.0.0.1:8080/ \n"
      "quoted=\"  spaced  \"\n"
      "empty=\n"
      "bare\n"
      "[versionInformation]\nbuild=9999\n");
  EXPECT_EQ(Get("versioninformation", "BUILD"), "1207");
  EXPECT_EQ(Get("VersionInformation", "cloudhost"), "http://127.0.0.1:8080/");
  EXPECT_EQ(Get("versionInformation", "quoted"), "  spaced  ");
  EXPECT_EQ(Get("versionInformation", "empty"), "");
  EXPECT_EQ(Get("versionInformation", "bare"), "dflt");  // no '=', no key
  EXPECT_EQ(Get("other", "build"), "1");
}

TEST_F(Profile, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Get("versionInformation", "build", "0"), "0");
  Put("[versionInformation]\nbuild=5\n");
  EXPECT_EQ(Get("nosuch", "build", "0"), "0");
  EXPECT_EQ(Get("versionInformation", "nosuch", "  pad  "), "  pad");
  EXPECT_EQ(Get("versionInformation", "nosuch", nullptr), "");
  // Keys of another section do not leak into the one asked for.
  Put("[a]\nx=1\n[b]\ny=2\n");
  EXPECT_EQ(Get("b", "x"), "dflt");
}

// Cases a real file can hold, read as the original call reads them.
TEST_F(Profile, LineEndingsBareLinesAndOpenHeaders) {
  const struct {
    const char* content;
    const char* section;
    const char* key;
    const char* value;
  } cases[] = {
      {"[s]\rk=cr\r[t]\rk=2\r", "s", "k", "cr"},
      {"[s]\rk=cr", "s", "k", "cr"},
      {"[s]\r\nk=crlf\r\n", "s", "k", "crlf"},
      {"[s]\nk\nk=later\n", "s", "k", "later"},
      {"[s\nk=open\n", "s", "k", "dflt"},
      {"[s]\nk=1\n[t\nj=2\n", "s", "j", "2"},  // the open header is no section
  };
  for (const auto& c : cases) {
    Put(c.content);
    EXPECT_EQ(Get(c.section, c.key), c.value) << c.content;
  }
  Put("[s]\na=1\nbare\n[open\nb=2\r[t]\r");
  char buffer[64];
  DWORD n = GetPrivateProfileStringA("s", nullptr, "", buffer, sizeof(buffer), file_.c_str());
  EXPECT_EQ(std::string(buffer, n + 1), std::string("a\0b\0\0", 5));
  n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof(buffer), file_.c_str());
  EXPECT_EQ(std::string(buffer, n + 1), std::string("s\0t\0\0", 5));
  // A write keeps every line's own ending and gives new lines the file's.
  ASSERT_TRUE(WritePrivateProfileStringA("t", "c", "3", file_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("s", "b", "4", file_.c_str()));
  EXPECT_EQ(Content(), "[s]\na=1\nbare\n[open\nb=4\r[t]\rc=3\n");
}

TEST_F(Profile, MissingFileAndFolderSetTheLastError) {
  SetLastError(0);
  EXPECT_EQ(Get("s", "k"), "dflt");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  const std::string in_missing_dir = dir_ + "/none/version.ini";
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", in_missing_dir.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Profile, LongValueIsCutToTheBuffer) {
  Put("[s]\nkey=0123456789\n");
  DWORD n = 0;
  EXPECT_EQ(Get("s", "key", "", 5, &n), "0123");
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(Get("s", "key", "", 1, &n), "");
  EXPECT_EQ(Get("s", "missing", "defaultvalue", 4, &n), "def");
  EXPECT_EQ(n, 3u);
  char untouched = 'z';
  EXPECT_EQ(GetPrivateProfileStringA("s", "key", "", &untouched, 0, file_.c_str()), 0u);
  EXPECT_EQ(untouched, 'z');
}

TEST_F(Profile, ListsSectionAndKeyNames) {
  Put("[one]\na=1\n; note\nb=2\n[two]\n");
  char buffer[64];
  DWORD n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof(buffer), file_.c_str());
  EXPECT_EQ(std::string(buffer, n + 1), std::string("one\0two\0\0", 9));
  n = GetPrivateProfileStringA("ONE", nullptr, "", buffer, sizeof(buffer), file_.c_str());
  EXPECT_EQ(std::string(buffer, n + 1), std::string("a\0b\0\0", 5));
  n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, 5, file_.c_str());
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(std::string(buffer, 5), std::string("one\0\0", 5));
}

TEST_F(Profile, WriteCreatesFileAndSection) {
  ASSERT_TRUE(WritePrivateProfileStringA("versionInformation", "build", "12", file_.c_str()));
  EXPECT_EQ(Content(), "[versionInformation]\nbuild=12\n");
  ASSERT_TRUE(WritePrivateProfileStringA("versionInformation", "cloudHost", "h", file_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("second", "k", "v", file_.c_str()));
  EXPECT_EQ(Content(), "[versionInformation]\nbuild=12\ncloudHost=h\n[second]\nk=v\n");
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Profile, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
  const std::string before =
      "; managed by the client\r\n"
      "[Other]\r\nbuild = 1\r\n\r\n"
      "[VERSIONINFORMATION]\r\n"
      "  Build =  7   ; old\r\n"
      "# comment inside\r\n"
      "cloudHost=http://h/\r\n"
      "\r\n"
      "[tail]\r\nz=1";
  Put(before);
  chmod(file_.c_str(), 0600);
  ASSERT_TRUE(WritePrivateProfileStringA("versionInformation", "build", "8", file_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("versionInformation", "added", "yes", file_.c_str()));
  EXPECT_EQ(Content(),
            "; managed by the client\r\n"
            "[Other]\r\nbuild = 1\r\n\r\n"
            "[VERSIONINFORMATION]\r\n"
            "  Build =  8\r\n"
            "# comment inside\r\n"
            "cloudHost=http://h/\r\n"
            "added=yes\r\n"
            "\r\n"
            "[tail]\r\nz=1");
  struct stat st;
  ASSERT_EQ(stat(file_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // the file keeps its permissions
  EXPECT_EQ(Get("versionInformation", "build"), "8");
  EXPECT_EQ(Get("tail", "z"), "1");
}

TEST_F(Profile, NullValueDeletesKeyAndNullKeyDeletesSection) {
  Put("[a]\nx=1\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(WritePrivateProfileStringA("a", "x", nullptr, file_.c_str()));
  EXPECT_EQ(Content(), "[a]\ny=2\n[b]\nz=3\n");
  ASSERT_TRUE(WritePrivateProfileStringA("A", nullptr, nullptr, file_.c_str()));
  EXPECT_EQ(Content(), "[b]\nz=3\n");
}

TEST_F(Profile, AppendsToAFileWithoutTrailingNewline) {
  Put("[s]\nk=v");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "n", "1", file_.c_str()));
  EXPECT_EQ(Content(), "[s]\nk=v\nn=1\n");
}

TEST_F(Profile, RefusesTextThatWouldAddLines) {
  Put("[s]\nk=v\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "1\n[evil]\nx=y", file_.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s]\n[t", "k", "1", file_.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "a=b", "1", file_.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "1", nullptr));
  EXPECT_EQ(Content(), "[s]\nk=v\n");
}

TEST_F(Profile, BadFilesReadWithoutHarm) {
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  Put(garbage + "\n[s]\nk=found\n");
  EXPECT_EQ(Get("s", "k"), "found");
  Put(garbage);
  Get("s", "k");

  std::string long_value(1 << 20, 'x');
  Put("[s]\nk=" + long_value);  // one very long line, no trailing newline
  DWORD n = 0;
  EXPECT_EQ(Get("s", "k", "", 100, &n), std::string(99, 'x'));
  std::string big(2 << 20, '\0');
  n = GetPrivateProfileStringA("s", "k", "", big.data(), static_cast<DWORD>(big.size()),
                               file_.c_str());
  EXPECT_EQ(n, long_value.size());

  Put("\xEF\xBB\xBF[s]\nk=bom");
  EXPECT_EQ(Get("s", "k"), "bom");
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "kept", file_.c_str()));
  EXPECT_EQ(Content(), "\xEF\xBB\xBF[s]\nk=kept");

  // A directory or a pipe in the file's place gives the default, not a hang.
  std::string fifo = dir_ + "/fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  char buffer[8];
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buffer, 8, fifo.c_str()), 1u);
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buffer, 8, dir_.c_str()), 1u);
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", fifo.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", dir_.c_str()));
}

TEST_F(Profile, UnwritableDirectoryFailsAndKeepsTheOldFile) {
  Put("[versionInformation]\nbuild=3\n");
  ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
  // Root ignores permission bits, so the write is tried by an unprivileged
  // child; its exit code says what it saw.
  pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(3);
    BOOL ok = WritePrivateProfileStringA("versionInformation", "build", "4", file_.c_str());
    _exit(ok ? 1 : 0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  chmod(dir_.c_str(), 0700);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Content(), "[versionInformation]\nbuild=3\n");
  // No temporary file is left behind either.
  EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 1").c_str()), 0);
}

}  // namespace
