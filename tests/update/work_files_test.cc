// Leftovers of dead runs in the data directory: only the client's own scratch
// names go, and only when no other client is working there.
#include "update/work_files.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
  return names;
}

TEST(WorkFilesTest, StaleScratchGoesUnlessAClientIsWorking) {
  std::string tmpl = (fs::temp_directory_path() / "qwork-XXXXXX").string();
  ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
  const fs::path data = tmpl;
  const std::set<std::string> users = {"contentEditor", "cache",   "version.ini",
                                       "notes.txt",     ".hidden", "updatehtml.zip.mine"};
  const std::set<std::string> scratch = {"updateinfo.txt",         "updatehtml.zip",
                                         ".bundle-staging-Ab12Cd", ".contentEditor.default-77",
                                         ".qdl-AbCdEfGh",          ".version.ini.x1Y2z3"};
  auto plant = [&] {
    for (const auto& name : users) std::ofstream(data / name) << "keep";
    fs::remove(data / "contentEditor");
    fs::create_directories(data / "contentEditor");
    for (const auto& name : scratch) std::ofstream(data / name) << "stale";
    fs::remove(data / ".bundle-staging-Ab12Cd");
    fs::create_directories(data / ".bundle-staging-Ab12Cd" / "old" / "contentEditor");
    fs::create_directory_symlink(data / "contentEditor",
                                 data / ".bundle-staging-Ab12Cd" / "old" / "link");
  };
  plant();
  std::set<std::string> all = users;
  all.insert(scratch.begin(), scratch.end());
  {
    // A client at work (here in this process; the lock is per opening).
    DataDirWork work(data.string());
    EXPECT_EQ(RemoveStaleWorkFiles(data.string()), 0);
    EXPECT_EQ(Names(data), all);
  }
  EXPECT_EQ(RemoveStaleWorkFiles(data.string()), static_cast<int>(scratch.size()));
  EXPECT_EQ(Names(data), users);
  EXPECT_TRUE(fs::is_directory(data / "contentEditor")) << "a link in a staging is not followed";

  for (const auto& name : scratch) EXPECT_TRUE(IsClientWorkName(name)) << name;
  for (const auto& name : users) EXPECT_FALSE(IsClientWorkName(name)) << name;
  EXPECT_EQ(RemoveStaleWorkFiles((data / "missing").string()), 0);
  fs::remove_all(data);
}

}  // namespace
