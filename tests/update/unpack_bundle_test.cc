// Bundle installation against real archives made at test time by Python's
// zipfile and by the zip tool: hostile names, links, damaged archives and
// failures half-way. Nothing may land outside the data directory, and every
// failure must leave the installed bundle exactly as it was.
#include "update/unpack_bundle.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "update/bundle_extract.h"
#include "update/work_files.h"

namespace fs = std::filesystem;

namespace {

// Helpers every archive script starts with; out and token come from argv.
constexpr char kPythonPrelude[] = R"PY(
import os, stat, sys, warnings, zipfile
warnings.simplefilter('ignore')
out, token = sys.argv[1], sys.argv[2]
def entry(name, data=b'', attr=None, system=None, date=(2021, 6, 15, 10, 20, 30),
          method=zipfile.ZIP_DEFLATED):
    zi = zipfile.ZipInfo(name, date_time=date)
    zi.compress_type = method
    if system is not None:
        zi.create_system = system
    if attr is not None:
        zi.external_attr = attr
    return zi, data
def write(entries):
    with zipfile.ZipFile(out, 'w') as z:
        for zi, data in entries:
            z.writestr(zi, data)
)PY";

// Path -> kind and content, links not followed.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const fs::path& dir) {
  Snapshot snap;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string rel = fs::relative(it->path(), dir, ec).string();
    if (it->is_symlink(ec)) {
      snap[rel] = "link:" + fs::read_symlink(it->path(), ec).string();
    } else if (it->is_directory(ec)) {
      snap[rel] = "dir";
    } else {
      std::ifstream in(it->path(), std::ios::binary);
      std::stringstream content;
      content << in.rdbuf();
      snap[rel] = "file:" + content.str();
    }
  }
  return snap;
}

std::string Read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void Write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

class UnpackBundleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "qupd-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    root_ = tmpl;
    token_ = root_.filename().string() + "-escaped";
    data_ = root_ / "data";
    in_ = root_ / "in";
    outside_ = root_ / "outside";
    fs::create_directories(in_);
    Write(outside_ / "sentinel.txt", "outside");
    Write(data_ / "contentEditor" / "index.html", "old index");
    Write(data_ / "contentEditor" / "js" / "app.js", "old app");
    Write(data_ / "version.ini", "[versionInformation]\nbuild=1000\n");
    outsideBefore_ = Take(outside_);
  }

  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
    // Names the hostile archives aimed at, next to the fixture's directory.
    fs::remove_all(root_.parent_path() / token_, ec);
    fs::remove_all(root_.parent_path() / (token_ + ".txt"), ec);
  }

  fs::path PythonZip(const std::string& name, const std::string& body) {
    const fs::path script = in_ / (name + ".py");
    Write(script, std::string(kPythonPrelude) + body);
    const fs::path zip = in_ / name;
    const std::string cmd =
        "python3 '" + script.string() + "' '" + zip.string() + "' '" + token_ + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << body;
    return zip;
  }

  bool Unpack(const fs::path& zip, const std::function<bool()>& record = {}) {
    return UnpackBundleInto(data_.string(), zip.string(), record);
  }

  // Nothing outside the data directory changed, and no staging was left.
  void ExpectContained(const fs::path& zip) {
    EXPECT_EQ(Take(outside_), outsideBefore_);
    for (const auto& item : fs::directory_iterator(root_)) {
      const std::string name = item.path().filename().string();
      EXPECT_TRUE(name == "data" || name == "in" || name == "outside") << name;
    }
    EXPECT_FALSE(fs::exists(root_.parent_path() / token_));
    EXPECT_FALSE(fs::exists(root_.parent_path() / (token_ + ".txt")));
    for (const auto& item : fs::directory_iterator(data_)) {
      EXPECT_EQ(item.path().filename().string().rfind(".bundle-staging-", 0), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(zip)) << "the archive is deleted in every case";
  }

  fs::path root_, data_, in_, outside_;
  std::string token_;
  Snapshot outsideBefore_;
};

TEST_F(UnpackBundleTest, WritesSanitisedNamesInsideTheDataDirectory) {
  const fs::path zip = PythonZip("good.zip", R"PY(
write([
    entry('contentEditor/index.html', b'new index'),
    entry('contentEditor\\css\\site.css', b'css'),
    entry('contentEditor/p/../q.txt', b'q'),
    entry('contentEditor/\u9875\u9762/\u6587\u6863.html', 'utf8'.encode()),
    entry('contentEditor/empty/'),
    entry('contentEditor/ro.txt', b'ro', attr=(0o100444 << 16) | 0x01),
    entry('contentEditor/dup.txt', b'one'),
    entry('contentEditor/dup.txt', b'two'),
])
)PY");
  ASSERT_TRUE(Unpack(zip));
  ExpectContained(zip);
  EXPECT_EQ(Read(data_ / "contentEditor/index.html"), "new index");
  EXPECT_EQ(Read(data_ / "contentEditor/css/site.css"), "css");
  EXPECT_EQ(Read(data_ / "q.txt"), "q");
  EXPECT_EQ(Read(data_ / "contentEditor/\u9875\u9762/\u6587\u6863.html"), "utf8");
  EXPECT_TRUE(fs::is_directory(data_ / "contentEditor/empty"));
  EXPECT_EQ(Read(data_ / "contentEditor/dup.txt"), "two");
  EXPECT_FALSE(fs::exists(data_ / "contentEditor/js")) << "the old bundle is replaced whole";
  EXPECT_EQ(Read(data_ / "version.ini"), "[versionInformation]\nbuild=1000\n");

  struct stat st;
  ASSERT_EQ(stat((data_ / "contentEditor/ro.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  ASSERT_EQ(stat((data_ / "contentEditor/index.html").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
  std::tm local{};
  local.tm_year = 2021 - 1900;
  local.tm_mon = 5;
  local.tm_mday = 15;
  local.tm_hour = 10;
  local.tm_min = 20;
  local.tm_sec = 30;
  local.tm_isdst = -1;
  EXPECT_EQ(st.st_mtime, std::mktime(&local));
}

TEST_F(UnpackBundleTest, AbsoluteAndClimbingNamesRefuseTheArchiveAndKeepTheOldBundle) {
  const Snapshot before = Take(data_);
  const char* const names[] = {"../{t}.txt",
                               "..\\\\{t}.txt",
                               "../../{t}.txt",
                               "/../{t}.txt",
                               "/abs/{t}.txt",
                               "\\\\{t}.txt",
                               "C:\\\\drive\\\\{t}.txt",
                               "D:/{t}.txt",
                               "C:..\\\\{t}.txt",
                               "contentEditor/../../{t}.txt",
                               "a/b/../../../../{t}.txt"};
  int n = 0;
  for (const char* pattern : names) {
    const fs::path zip = PythonZip("climb" + std::to_string(n++) + ".zip",
                                   "write([entry('contentEditor/index.html', b'new'),\n"
                                   "       entry('" +
                                       std::string(pattern) + "'.format(t=token), b'evil')])\n");
    EXPECT_EQ(InstallBundleArchive(data_.string(), zip.string(), {}), UnpackResult::kUnsafeName)
        << pattern;
    ExpectContained(zip);
    EXPECT_EQ(Take(data_), before) << pattern;
  }
}

TEST_F(UnpackBundleTest, LinkEntriesAreNeverCreated) {
  // The zip tool stores links as links (-y); Python writes one by hand, and
  // a later entry tries to write through the link's name.
  const fs::path src = root_ / "in" / "src";
  Write(src / "contentEditor/index.html", "tool index");
  Write(src / "contentEditor/sub/a.js", "a");
  fs::create_directory_symlink("../../../outside", src / "contentEditor/up");
  fs::create_directory_symlink(outside_, src / "contentEditor/abs");
  const fs::path toolZip = in_ / "tool.zip";
  ASSERT_EQ(
      std::system(("cd '" + src.string() + "' && zip -qry '" + toolZip.string() + "' contentEditor")
                      .c_str()),
      0);
  fs::remove_all(src);
  ASSERT_TRUE(Unpack(toolZip));
  ExpectContained(toolZip);
  EXPECT_EQ(Read(data_ / "contentEditor/index.html"), "tool index");
  EXPECT_EQ(Read(data_ / "contentEditor/sub/a.js"), "a");
  EXPECT_FALSE(fs::exists(fs::symlink_status(data_ / "contentEditor/up")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(data_ / "contentEditor/abs")));

  const fs::path pyZip = PythonZip("link.zip", R"PY(
write([
    entry('contentEditor/esc', b'../../outside', system=3, attr=(stat.S_IFLNK | 0o777) << 16),
    entry('contentEditor/esc/pwned.txt', b'pwned'),
    entry('contentEditor/index.html', b'py index'),
])
)PY");
  ASSERT_TRUE(Unpack(pyZip));
  ExpectContained(pyZip);
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(data_ / "contentEditor/esc")));
  EXPECT_EQ(Read(data_ / "contentEditor/esc/pwned.txt"), "pwned");
}

TEST_F(UnpackBundleTest, ExistingLinksInTheDataDirectoryAreNeverFollowed) {
  // The bundle's own folder is replaced, link and all; any other link stays
  // as the user made it, and nothing is written where it points.
  fs::remove_all(data_ / "contentEditor");
  fs::create_directory_symlink(outside_, data_ / "contentEditor");
  fs::create_directory_symlink(outside_, data_ / "abs");
  const fs::path zip = PythonZip("over.zip", R"PY(
write([entry('contentEditor/index.html', b'new'), entry('contentEditor/sentinel.txt', b'new'),
       entry('abs/sentinel.txt', b'new')])
)PY");
  ASSERT_TRUE(Unpack(zip));
  ExpectContained(zip);
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(data_ / "contentEditor")));
  EXPECT_TRUE(fs::is_symlink(data_ / "abs"));
}

TEST_F(UnpackBundleTest, DamagedArchivesFailAndKeepTheOldBundle) {
  const Snapshot before = Take(data_);
  const std::string body = R"PY(
payload = bytes((i * 7919) % 251 for i in range(200000))
write([entry('contentEditor/index.html', b'new'),
       entry('contentEditor/big.bin', payload, method=zipfile.ZIP_STORED),
       entry('contentEditor/more.bin', payload)])
)PY";
  const fs::path good = PythonZip("good.zip", body);
  const std::string bytes = Read(good);
  ASSERT_GT(bytes.size(), 200000u);

  Write(in_ / "truncated.zip", bytes.substr(0, bytes.size() / 2));
  // One byte changed in the stored payload: only the CRC can tell.
  std::string flipped = bytes;
  flipped[bytes.size() / 4] ^= 0x55;
  Write(in_ / "crc.zip", flipped);
  // The directory promises more data than the entry's stream holds.
  const fs::path liar = PythonZip("liar.zip", body + R"PY(
raw = bytearray(open(out, 'rb').read())
pos = raw.rfind(b'contentEditor/more.bin')
pos = raw.rfind(b'PK\x01\x02', 0, pos)
size = int.from_bytes(raw[pos + 24:pos + 28], 'little')
raw[pos + 24:pos + 28] = (size + 1000).to_bytes(4, 'little')
open(out, 'wb').write(bytes(raw))
)PY");
  Write(in_ / "garbage.zip", "this is not an archive");
  for (const char* name : {"truncated.zip", "crc.zip", "liar.zip", "garbage.zip"}) {
    EXPECT_FALSE(Unpack(in_ / name)) << name;
    ExpectContained(in_ / name);
    EXPECT_EQ(Take(data_), before) << name;
  }
}

TEST_F(UnpackBundleTest, EmptyArchiveKeepsTheBundle) {
  const Snapshot before = Take(data_);
  const fs::path zip = PythonZip("empty.zip", "write([])\n");
  EXPECT_FALSE(Unpack(zip));
  ExpectContained(zip);
  EXPECT_EQ(Take(data_), before);
}

TEST_F(UnpackBundleTest, ArchiveWithoutAStartPageIsRefused) {
  const Snapshot before = Take(data_);
  for (const char* body : {"write([entry('other/readme.txt', b'r')])\n",
                           "write([entry('contentEditor/main.html', b'm'),\n"
                           "       entry('contentEditor/index.html/', b'')])\n",
                           "write([entry('contentEditor/sub/index.html', b'i'),\n"
                           "       entry('index.html', b'i')])\n"}) {
    const fs::path zip = PythonZip("nostart.zip", body);
    EXPECT_FALSE(Unpack(zip)) << body;
    ExpectContained(zip);
    EXPECT_EQ(Take(data_), before) << body;
  }
}

TEST_F(UnpackBundleTest, OtherEntriesAreMergedAndTheUsersDataIsKept) {
  Write(data_ / "cache/keep", "cookies");
  Write(data_ / "other/keep.txt", "keep");
  Write(data_ / "other/old.txt", "old");
  Write(data_ / "mine/file", "a folder of the user's");
  const fs::path zip = PythonZip("merge.zip", R"PY(
write([entry('contentEditor/index.html', b'new index'),
       entry('cache/keep', b'evil'), entry('cache/new', b'evil'),
       entry('version.ini', b'[versionInformation]\ncloudHost=http://evil/\n'),
       entry('updatehtml.zip', b'x'), entry('.bundle-staging-x/new/y', b'y'),
       entry('other/new.txt', b'new'), entry('other/old.txt', b'replaced'),
       entry('other/deeper/more.txt', b'more'), entry('mine', b'a file where a folder is'),
       entry('top.txt', b'top')])
)PY");
  ASSERT_TRUE(Unpack(zip));
  ExpectContained(zip);
  EXPECT_EQ(Read(data_ / "contentEditor/index.html"), "new index");
  EXPECT_FALSE(fs::exists(data_ / "contentEditor/js")) << "the bundle is replaced whole";
  EXPECT_EQ(Read(data_ / "cache/keep"), "cookies");
  EXPECT_FALSE(fs::exists(data_ / "cache/new"));
  EXPECT_EQ(Read(data_ / "version.ini"), "[versionInformation]\nbuild=1000\n");
  EXPECT_FALSE(fs::exists(data_ / "updatehtml.zip"));
  EXPECT_EQ(Read(data_ / "other/keep.txt"), "keep");
  EXPECT_EQ(Read(data_ / "other/new.txt"), "new");
  EXPECT_EQ(Read(data_ / "other/old.txt"), "replaced");
  EXPECT_EQ(Read(data_ / "other/deeper/more.txt"), "more");
  EXPECT_EQ(Read(data_ / "mine/file"), "a folder of the user's");
  EXPECT_EQ(Read(data_ / "top.txt"), "top");
}

TEST_F(UnpackBundleTest, ABuildThatCannotBeRecordedPutsTheOldBundleBack) {
  Write(data_ / "other/old.txt", "old");
  const Snapshot before = Take(data_);
  const fs::path zip = PythonZip("new.zip", R"PY(
write([entry('contentEditor/index.html', b'new index'), entry('other/old.txt', b'replaced'),
       entry('other/new.txt', b'new'), entry('fresh/a.txt', b'a')])
)PY");
  bool recordSawNewBundle = false;
  EXPECT_FALSE(Unpack(zip, [&] {
    recordSawNewBundle = Read(data_ / "contentEditor/index.html") == "new index" &&
                         Read(data_ / "other/old.txt") == "replaced";
    return false;
  }));
  EXPECT_TRUE(recordSawNewBundle);
  ExpectContained(zip);
  EXPECT_EQ(Take(data_), before);
}

TEST_F(UnpackBundleTest, FailureHalfWayLeavesEverythingAsItWas) {
  Write(data_ / "other/keep.txt", "keep");
  const Snapshot before = Take(data_);
  // A file where a later entry needs a directory, and a name too long for
  // the file system: both fail after earlier entries were written.
  const fs::path clash = PythonZip("clash.zip", R"PY(
write([entry('other/new.txt', b'n'), entry('contentEditor/index.html', b'new'),
       entry('contentEditor/a', b'file'), entry('contentEditor/a/b.txt', b'under a file')])
)PY");
  const fs::path longName = PythonZip("long.zip", R"PY(
write([entry('other/new.txt', b'n'), entry('contentEditor/index.html', b'new'),
       entry('contentEditor/' + 'x' * 300 + '.html', b'too long')])
)PY");
  // Declared sizes far beyond any free space fail before anything is written.
  const fs::path huge = PythonZip("huge.zip", R"PY(
z = zipfile.ZipFile(out, 'w')
z.writestr(entry('contentEditor/index.html', b'new')[0], b'new')
z.writestr(entry('contentEditor/huge.bin')[0], b'small')
z.filelist[-1].file_size = 1 << 60
z.close()
)PY");
  for (const fs::path& zip : {clash, longName, huge}) {
    EXPECT_FALSE(Unpack(zip)) << zip;
    ExpectContained(zip);
    EXPECT_EQ(Take(data_), before) << zip;
  }
}

TEST_F(UnpackBundleTest, BytesWrittenAndEntriesAreBounded) {
  const Snapshot before = Take(data_);
  // 5 entries; 100,009 bytes of data, most of it in an entry whose declared
  // size is the truth (a liar fails its check in any case).
  const fs::path zip = PythonZip("bounds.zip", R"PY(
write([entry('contentEditor/', b''), entry('contentEditor/index.html', b'new index'),
       entry('contentEditor/zeros.bin', bytes(100000)), entry('contentEditor/a/'),
       entry('contentEditor/a/b.txt', b'')])
)PY");
  const fs::path copy = in_ / "copy.zip";
  const auto unpack = [&](std::uint64_t bytes, std::size_t entries) {
    fs::copy_file(zip, copy, fs::copy_options::overwrite_existing);
    UnpackOptions options;
    options.maxBytes = bytes;
    options.maxEntries = entries;
    return InstallBundleArchive(data_.string(), copy.string(), {}, options);
  };
  EXPECT_EQ(unpack(100008, 5), UnpackResult::kTooLarge);
  ExpectContained(copy);
  EXPECT_EQ(Take(data_), before);
  EXPECT_EQ(unpack(100009, 4), UnpackResult::kTooManyEntries);
  ExpectContained(copy);
  EXPECT_EQ(Take(data_), before);
  EXPECT_EQ(unpack(100009, 5), UnpackResult::kInstalled);
  EXPECT_EQ(Read(data_ / "contentEditor/index.html"), "new index");
}

TEST_F(UnpackBundleTest, TwoThreadsWriteWhatOneWouldWithinTheSameBounds) {
  const Snapshot before = Take(data_);
  // 8 stored files of 20,000 bytes in 4 directories, 160,003 bytes in all.
  const std::string body = R"PY(
files = [entry('contentEditor/index.html', b'new')]
for i in range(8):
    data = bytes((j * 31 + i) % 251 for j in range(20000))
    files.append(entry('contentEditor/d%d/f%d.bin' % (i // 2, i), data, method=zipfile.ZIP_STORED))
write(files)
)PY";
  const fs::path good = PythonZip("split.zip", body);
  // One byte of the last file changed: only its CRC, read by the second thread, can tell.
  const fs::path damaged = PythonZip("split-damaged.zip", body + R"PY(
raw = bytearray(open(out, 'rb').read())
raw[raw.find(b'contentEditor/d3/f7.bin') + 200] ^= 0x55
open(out, 'wb').write(bytes(raw))
)PY");
  const auto unpack = [&](const fs::path& zip, std::uint64_t bytes) {
    const fs::path copy = in_ / "copy.zip";
    fs::copy_file(zip, copy, fs::copy_options::overwrite_existing);
    UnpackOptions options;
    options.threads = 2;
    options.maxBytes = bytes;
    return InstallBundleArchive(data_.string(), copy.string(), {}, options);
  };
  EXPECT_EQ(unpack(damaged, kMaxUnpackedBytes), UnpackResult::kBroken);
  EXPECT_EQ(Take(data_), before);
  EXPECT_EQ(unpack(good, 160002), UnpackResult::kTooLarge);
  EXPECT_EQ(Take(data_), before);
  ASSERT_EQ(unpack(good, 160003), UnpackResult::kInstalled);
  for (int i : {0, 7}) {
    const std::string file =
        Read(data_ / "contentEditor" /
             ("d" + std::to_string(i / 2) + "/f" + std::to_string(i) + ".bin"));
    ASSERT_EQ(file.size(), 20000u);
    EXPECT_EQ(static_cast<unsigned char>(file[19999]), (19999 * 31 + i) % 251);
  }
}

TEST(BundleShards, SplitAtADirectoryPastHalfTheBytesAndNeverAcrossOneName) {
  const auto file = [](std::vector<std::string> path, std::uint64_t size) {
    PlannedEntry entry;
    entry.components = std::move(path);
    entry.size = size;
    return entry;
  };
  std::vector<PlannedEntry> plan = {file({"e", "a", "1"}, 30), file({"e", "a", "2"}, 30),
                                    file({"e", "a", "3"}, 1), file({"e", "b", "1"}, 60)};
  EXPECT_EQ(SecondShardStart(plan, 2), 3u);  // a's files stay together
  EXPECT_EQ(SecondShardStart(plan, 1), 0u);
  EXPECT_EQ(SecondShardStart(plan, 0), 0u);  // too small for a second thread
  // An entry naming the data directory itself has no components.
  PlannedEntry root = file({}, 0);
  root.skipped = true;
  plan.insert(plan.begin() + 1, root);
  EXPECT_EQ(SecondShardStart(plan, 2), 4u);
  plan.insert(plan.begin() + 3, root);
  EXPECT_EQ(SecondShardStart(plan, 2), 5u);
  // A name written twice: the later entry replaces the earlier only in order.
  plan.push_back(file({"e", "a", "2"}, 5));
  EXPECT_EQ(SecondShardStart(plan, 2), 0u);
}

TEST_F(UnpackBundleTest, AKillAtAnyStepOfTheSwapLeavesEveryNameWholeAtTheNextStart) {
  Write(data_ / "other/old.txt", "old");
  const Snapshot before = Take(data_);
  const fs::path zip = PythonZip("swap.zip", R"PY(
write([entry('contentEditor/index.html', b'new index'), entry('contentEditor/js/new.js', b'js'),
       entry('other/old.txt', b'replaced'), entry('other/new.txt', b'new'),
       entry('fresh/a.txt', b'a')])
)PY");
  const auto editorOf = [](const Snapshot& snap) {
    Snapshot editor;
    for (const auto& [path, what] : snap) {
      if (path.rfind("contentEditor", 0) == 0) editor[path] = what;
    }
    return editor;
  };
  Snapshot newEditor;
  for (int killAt = 1;; ++killAt) {
    ASSERT_LT(killAt, 20) << "the swap ends in a few steps";
    fs::remove_all(data_);
    for (const auto& [path, what] : before) {
      if (what == "dir") fs::create_directories(data_ / path);
      if (what.rfind("file:", 0) == 0) Write(data_ / path, what.substr(5));
    }
    const fs::path copy = in_ / "copy.zip";
    fs::copy_file(zip, copy, fs::copy_options::overwrite_existing);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      UnpackOptions options;
      options.afterStep = [killAt](int step) {
        if (step == killAt) raise(SIGKILL);
      };
      const auto record = [&] {
        std::ofstream(data_ / "version.ini") << "[versionInformation]\nbuild=1234\n";
        return true;
      };
      _exit(InstallBundleArchive(data_.string(), copy.string(), record, options) ==
                    UnpackResult::kInstalled
                ? 0
                : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    // What the next start does before it looks at the bundle.
    RemoveStaleWorkFiles(data_.string());
    const Snapshot now = Take(data_);
    const bool recorded = Read(data_ / "version.ini").find("build=1234") != std::string::npos;
    if (WIFEXITED(status)) {
      // The hook was never reached: the installation ran to its end.
      ASSERT_EQ(WEXITSTATUS(status), 0);
      EXPECT_TRUE(recorded);
      EXPECT_EQ(editorOf(now), newEditor);
      EXPECT_EQ(Read(data_ / "other/new.txt"), "new");
      EXPECT_EQ(killAt, 6) << "four renames and the record";
      break;
    }
    ASSERT_TRUE(WIFSIGNALED(status));
    const Snapshot editor = editorOf(now);
    if (killAt == 1) newEditor = editor;  // the bundle is exchanged first
    EXPECT_EQ(editor.at("contentEditor/index.html"), "file:new index") << killAt;
    EXPECT_EQ(editor, newEditor) << "killed after step " << killAt;
    EXPECT_TRUE(now.at("other/old.txt") == "file:old" ||
                now.at("other/old.txt") == "file:replaced");
    for (const auto& [path, what] : now) {
      EXPECT_EQ(path.find(".bundle-staging-"), std::string::npos) << path;
    }
  }
}

TEST_F(UnpackBundleTest, AFileSystemThatCannotExchangeNamesStillInstallsAndUndoes) {
  Write(data_ / "other/old.txt", "old");
  const Snapshot before = Take(data_);
  const std::string body = R"PY(
write([entry('contentEditor/index.html', b'new index'), entry('other/old.txt', b'replaced')])
)PY";
  UnpackOptions options;
  options.exchange = false;
  EXPECT_EQ(InstallBundleArchive(
                data_.string(), PythonZip("a.zip", body).string(), [] { return false; }, options),
            UnpackResult::kNotRecorded);
  EXPECT_EQ(Take(data_), before);
  EXPECT_EQ(InstallBundleArchive(data_.string(), PythonZip("b.zip", body).string(), {}, options),
            UnpackResult::kInstalled);
  EXPECT_EQ(Read(data_ / "contentEditor/index.html"), "new index");
  EXPECT_FALSE(fs::exists(data_ / "contentEditor/js"));
  EXPECT_EQ(Read(data_ / "other/old.txt"), "replaced");
}

TEST_F(UnpackBundleTest, InstallsIntoThePerUserDataDirectory) {
  const fs::path xdg = root_ / "data" / "xdg";
  ASSERT_EQ(setenv("XDG_DATA_HOME", xdg.c_str(), 1), 0);
  Write(xdg / "vexalio" / "contentEditor" / "old.html", "old");
  const fs::path zip = PythonZip("user.zip", "write([entry('contentEditor/index.html', b'u')])\n");
  EXPECT_TRUE(UnpackBundle(zip.wstring()));
  ExpectContained(zip);
  EXPECT_EQ(Read(xdg / "vexalio" / "contentEditor" / "index.html"), "u");
  EXPECT_FALSE(fs::exists(xdg / "vexalio" / "contentEditor" / "old.html"));
}

}  // namespace
