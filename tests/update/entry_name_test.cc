// Archive entry names: a name that would leave the directory it is written
// into is recognised, and whatever an archive calls an entry, the name that
// is written stays below that directory.
#include "update/entry_name.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring> Split(const std::wstring& name, bool* ok = nullptr) {
  std::vector<std::wstring> parts;
  const bool result = SplitEntryName(MakeSafeEntryName(name), parts);
  if (ok) *ok = result;
  return parts;
}

TEST(EntryNameTest, AbsoluteNamesAndNamesThatClimbOutLeave) {
  for (const wchar_t* name : {L"/abs/x.txt", L"\\x", L"//server/share/x", L"C:\\bundle\\a.html",
                              L"d:/x.txt", L"C:x", L"../x", L"..\\x", L"../../x", L"a/../../x",
                              L"contentEditor/../..", L"./../x", L"a/./../b/../../x"}) {
    EXPECT_TRUE(EntryNameLeaves(name)) << name;
  }
  for (const wchar_t* name : {L"contentEditor/index.html", L"a/../b.txt", L"a\\..\\b",
                              L"a/b/../../x", L"./x", L"a/.../b..c/..d", L"", L".", L"a//b/"}) {
    EXPECT_FALSE(EntryNameLeaves(name)) << name;
  }
}

TEST(EntryNameTest, DropsDrivePrefixesAndLeadingSeparatorsRepeatedly) {
  EXPECT_EQ(MakeSafeEntryName(L"C:\\bundle\\a.html"), L"bundle\\a.html");
  EXPECT_EQ(MakeSafeEntryName(L"d:/x.txt"), L"x.txt");
  EXPECT_EQ(MakeSafeEntryName(L"//server/share/x"), L"server/share/x");
  EXPECT_EQ(MakeSafeEntryName(L"C:C:/\\D:x"), L"x");
  EXPECT_EQ(MakeSafeEntryName(L"contentEditor/index.html"), L"contentEditor/index.html");
  EXPECT_EQ(MakeSafeEntryName(L""), L"");
  EXPECT_EQ(MakeSafeEntryName(L"C:"), L"");
}

TEST(EntryNameTest, DropsEverythingUpToParentStepsOfEitherSeparator) {
  EXPECT_EQ(MakeSafeEntryName(L"a/../b.txt"), L"b.txt");
  EXPECT_EQ(MakeSafeEntryName(L"a\\..\\b.txt"), L"b.txt");
  EXPECT_EQ(MakeSafeEntryName(L"a\\../b.txt"), L"b.txt");
  EXPECT_EQ(MakeSafeEntryName(L"a/..\\b.txt"), L"b.txt");
  EXPECT_EQ(MakeSafeEntryName(L"x/../y/../etc/passwd"), L"etc/passwd");
  EXPECT_EQ(MakeSafeEntryName(L"C:\\x\\..\\y/..\\z"), L"z");
  // "..." and names that merely contain dots are ordinary names.
  EXPECT_EQ(MakeSafeEntryName(L"a/.../b..c/d"), L"a/.../b..c/d");
}

TEST(EntryNameTest, SplitsOnBothSeparatorsAndRejectsResidualParents) {
  bool ok = false;
  EXPECT_EQ(Split(L"contentEditor\\css/site.css", &ok),
            (std::vector<std::wstring>{L"contentEditor", L"css", L"site.css"}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(Split(L"a//./b/", &ok), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_TRUE(ok);
  EXPECT_EQ(Split(L"/", &ok), std::vector<std::wstring>{});
  EXPECT_TRUE(ok);
  // Names the sanitiser cannot shorten any further but that still climb.
  for (const wchar_t* name : {L"../x", L"..\\x", L"/../x", L"C:..\\x", L"a/..", L"..", L"\\..",
                              L"x/y/../../../../etc/passwd", L"C:\\x\\..\\/..\\z"}) {
    Split(name, &ok);
    EXPECT_FALSE(ok) << name;
  }
}

}  // namespace
