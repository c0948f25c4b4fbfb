#include "desktop/file_search.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "desktop/folder_scan.h"
#include "temp_dir.h"

namespace tabulox {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBothTypes = "*.xls|*.xlsx|";

// Runs one search and returns the full paths it reported, sorted.
std::vector<std::string> Found(FileSearch& search) {
  std::vector<std::string> found;
  search.OnFileFind = [&](const std::string& folder, const FoundFile& info) {
    found.push_back(folder + info.Name);
  };
  search.search();
  std::sort(found.begin(), found.end());
  return found;
}

// a.xls, b.XLSX, c.txt, a hidden file and folder, a plain sub-folder, and a
// sub-folder named like a workbook.
class ScanTreeTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    dir_.WriteFile("a.xls", "x");
    dir_.WriteFile("b.XLSX", "x");
    dir_.WriteFile("c.txt", "x");
    dir_.WriteFile("noext", "x");
    dir_.WriteFile(".hidden.xls", "x");
    dir_.WriteFile(".secret/e.xls", "x");
    dir_.WriteFile("sub/d.xls", "x");
    dir_.WriteFile("book.xls/f.xlsx", "x");
  }
  std::string Root() const { return dir_.Path() + "/"; }
  TempDir dir_;
};

TEST_P(ScanTreeTest, FindsWantedVisibleFiles) {
  const bool recursive = GetParam();
  FileSearch search;
  search.setSearchDir(dir_.Path());
  search.setSearchExts(kBothTypes);
  search.setRecurseSubFolders(recursive);

  std::vector<std::string> expected = {Root() + "a.xls", Root() + "b.XLSX"};
  if (recursive) {
    expected.push_back(Root() + "book.xls/f.xlsx");
    expected.push_back(Root() + "sub/d.xls");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Found(search), expected);
}

TEST_P(ScanTreeTest, EntersOnlyVisibleFoldersWithTrailingSeparator) {
  const bool recursive = GetParam();
  FileSearch search;
  search.setSearchDir(Root());  // already ends in '/': not doubled
  search.setSearchExts(kBothTypes);
  search.setRecurseSubFolders(recursive);
  std::vector<std::string> folders;
  search.OnChangeFolder = [&](const std::string& folder) { folders.push_back(folder); };
  int finished = 0;
  search.OnFinish = [&] { ++finished; };
  search.search();

  std::sort(folders.begin(), folders.end());
  std::vector<std::string> expected = {Root()};
  if (recursive) {
    expected.push_back(Root() + "book.xls/");
    expected.push_back(Root() + "sub/");
  }
  EXPECT_EQ(folders, expected);
  EXPECT_EQ(finished, 1);
  EXPECT_FALSE(search.isSearching());
}

INSTANTIATE_TEST_SUITE_P(Recursion, ScanTreeTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "On" : "Off"; });

TEST(FileSearchTest, OnlyTickedTypeIsReported) {
  TempDir dir;
  dir.WriteFile("a.xls", "x");
  dir.WriteFile("b.XLSX", "x");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts("*.xlsx|");
  EXPECT_EQ(Found(search), std::vector<std::string>{dir.Path() + "/b.XLSX"});
}

TEST(FileSearchTest, ExtensionMatchesWholePatternsOnly) {
  TempDir dir;
  for (const char* name : {"a.xl", "a.ls", "a.xlsxx", "a.xls.bak", "a.", "b.Xls"}) {
    dir.WriteFile(name, "x");
  }
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  EXPECT_EQ(Found(search), std::vector<std::string>{dir.Path() + "/b.Xls"});
}

TEST(FileSearchTest, ReportsSizeOfFoundFile) {
  TempDir dir;
  dir.WriteFile("a.xls", "12345");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  std::uint64_t size = 0;
  search.OnFileFind = [&](const std::string&, const FoundFile& info) { size = info.Size; };
  search.search();
  EXPECT_EQ(size, 5u);
}

TEST(FileSearchTest, MissingFolderYieldsNothingAndFinishes) {
  TempDir dir;
  FileSearch search;
  search.setSearchDir(dir.Path() + "/missing");
  search.setSearchExts(kBothTypes);
  int finished = 0;
  search.OnFinish = [&] { ++finished; };
  EXPECT_TRUE(Found(search).empty());
  EXPECT_EQ(finished, 1);
}

TEST(FileSearchTest, EmptySearchDirSearchesNothing) {
  FileSearch search;
  search.setSearchExts(kBothTypes);
  int folders = 0;
  search.OnChangeFolder = [&](const std::string&) { ++folders; };
  search.search();
  EXPECT_EQ(folders, 0);
}

TEST(FileSearchTest, FileGivenAsFolderYieldsNothing) {
  TempDir dir;
  dir.WriteFile("a.xls", "x");
  FileSearch search;
  search.setSearchDir(dir.Path() + "/a.xls");
  search.setSearchExts(kBothTypes);
  EXPECT_TRUE(Found(search).empty());
}

TEST(FileSearchTest, UnreadableFolderYieldsNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  dir.WriteFile("locked/a.xls", "x");
  fs::permissions(dir.Path() + "/locked", fs::perms::none);
  FileSearch search;
  search.setSearchDir(dir.Path() + "/locked");
  search.setSearchExts(kBothTypes);
  EXPECT_TRUE(Found(search).empty());
  fs::permissions(dir.Path() + "/locked", fs::perms::owner_all);
}

TEST(FileSearchTest, LinkToParentFolderDoesNotLoop) {
  TempDir dir;
  dir.WriteFile("a.xls", "x");
  dir.WriteFile("sub/d.xls", "x");
  fs::create_directory_symlink("..", dir.Path() + "/sub/up");
  fs::create_directory_symlink(dir.Path() + "/sub", dir.Path() + "/again");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  const auto found = Found(search);
  // Each file once, whichever way the walk reached "sub".
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0], dir.Path() + "/a.xls");
  EXPECT_TRUE(found[1].ends_with("/d.xls"));
}

TEST(FileSearchTest, LinksToFilesAreFollowedDanglingOnesSkipped) {
  TempDir dir;
  dir.WriteFile("real/a.xls", "x");
  fs::create_symlink(dir.Path() + "/real/a.xls", dir.Path() + "/link.xls");
  fs::create_symlink(dir.Path() + "/nowhere.xls", dir.Path() + "/dangling.xls");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  search.setRecurseSubFolders(false);
  EXPECT_EQ(Found(search), std::vector<std::string>{dir.Path() + "/link.xls"});
}

// A stop() holds until clearStop(): a scan's next folder must not undo a stop()
// that another thread made between two searches.
TEST(FileSearchTest, StopFromFoundFileEndsSearchAndHoldsUntilCleared) {
  TempDir dir;
  for (int i = 0; i < 20; ++i) dir.WriteFile("f" + std::to_string(i) + ".xls", "x");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  int found = 0;
  int finished = 0;
  search.OnFinish = [&] { ++finished; };
  search.OnFileFind = [&](const std::string&, const FoundFile&) {
    if (++found == 3) search.stop();
  };
  search.search();
  EXPECT_EQ(found, 3);
  EXPECT_TRUE(search.userStopped());

  search.OnFileFind = [&](const std::string&, const FoundFile&) { ++found; };
  found = 0;
  search.search();
  EXPECT_EQ(found, 0);
  EXPECT_EQ(finished, 2);

  search.clearStop();
  EXPECT_FALSE(search.userStopped());
  search.search();
  EXPECT_EQ(found, 20);
  EXPECT_FALSE(search.userStopped());
}

// The search runs on a thread of its own and is stopped from another one.
TEST(FileSearchTest, StopFromAnotherThreadEndsSearch) {
  TempDir dir;
  for (int i = 0; i < 10; ++i) dir.WriteFile("f" + std::to_string(i) + ".xls", "x");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  std::atomic<int> found = 0;
  std::promise<void> stopped;
  std::shared_future<void> stoppedSeen = stopped.get_future().share();
  search.OnFileFind = [&](const std::string&, const FoundFile&) {
    if (++found == 1) stoppedSeen.wait();
  };
  std::thread worker([&] { search.search(); });
  while (found == 0) std::this_thread::yield();
  search.stop();
  stopped.set_value();
  worker.join();
  EXPECT_EQ(found, 1);
  EXPECT_FALSE(search.isSearching());
}

TEST(FileSearchTest, SearchFromInsideAnEventDoesNothing) {
  TempDir dir;
  dir.WriteFile("a.xls", "x");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  int finished = 0;
  search.OnFinish = [&] { ++finished; };
  search.OnFileFind = [&](const std::string&, const FoundFile&) { search.search(); };
  search.search();
  EXPECT_EQ(finished, 1);
}

TEST(FileSearchTest, ThrowingHandlerLeavesSearchIdle) {
  TempDir dir;
  dir.WriteFile("a.xls", "x");
  FileSearch search;
  search.setSearchDir(dir.Path());
  search.setSearchExts(kBothTypes);
  search.OnFileFind = [](const std::string&, const FoundFile&) { throw std::runtime_error("log full"); };
  EXPECT_THROW(search.search(), std::runtime_error);
  EXPECT_FALSE(search.isSearching());
  EXPECT_EQ(Found(search).size(), 1u);  // usable again, and the folder is entered again
}

TEST(SplitDirListTest, SkipsEmptyPieces) {
  EXPECT_EQ(SplitDirList(""), QStringList{});
  EXPECT_EQ(SplitDirList(";"), QStringList{});
  EXPECT_EQ(SplitDirList("/a;;/b;"), (QStringList{"/a", "/b"}));
  EXPECT_EQ(SplitDirList(";/home/jörg"), QStringList{"/home/jörg"});
}

TEST(SearchFoldersTest, SearchesFoldersInOrder) {
  TempDir one, two;
  one.WriteFile("a.xls", "x");
  two.WriteFile("b.xlsx", "x");
  FileSearch search;
  search.setSearchExts(kBothTypes);
  std::vector<std::string> found;
  search.OnFileFind = [&](const std::string&, const FoundFile& info) { found.push_back(info.Name); };
  const QString field = QString::fromStdString(one.Path() + ";" + two.Path());
  EXPECT_EQ(SearchFolders(search, SplitDirList(field)), 2);
  EXPECT_EQ(found, (std::vector<std::string>{"a.xls", "b.xlsx"}));
}

TEST(SearchFoldersTest, StopDuringFirstFolderSkipsTheRest) {
  TempDir one, two;
  one.WriteFile("a.xls", "x");
  one.WriteFile("b.xls", "x");
  two.WriteFile("c.xlsx", "x");
  FileSearch search;
  search.setSearchExts(kBothTypes);
  int found = 0;
  search.OnFileFind = [&](const std::string&, const FoundFile&) {
    ++found;
    search.stop();
  };
  const QStringList folders{QString::fromStdString(one.Path()), QString::fromStdString(two.Path())};
  EXPECT_EQ(SearchFolders(search, folders), 1);
  EXPECT_EQ(found, 1);
}

TEST(SearchFoldersTest, StopBeforeTheScanSearchesNoFolder) {
  TempDir one;
  one.WriteFile("a.xls", "x");
  FileSearch search;
  search.setSearchExts(kBothTypes);
  int entered = 0;
  search.OnChangeFolder = [&](const std::string&) { ++entered; };
  search.stop();
  EXPECT_EQ(SearchFolders(search, {QString::fromStdString(one.Path()), QString::fromStdString(one.Path())}), 0);
  EXPECT_EQ(entered, 0);
}

TEST(SearchFoldersTest, NonAsciiFolderName) {
  TempDir dir;
  dir.WriteFile("Bücher/a.xls", "x");
  FileSearch search;
  search.setSearchExts(kBothTypes);
  std::vector<std::string> found;
  search.OnFileFind = [&](const std::string& folder, const FoundFile& info) {
    found.push_back(folder + info.Name);
  };
  SearchFolders(search, {QString::fromStdString(dir.Path() + "/Bücher")});
  EXPECT_EQ(found, std::vector<std::string>{dir.Path() + "/Bücher/a.xls"});
  EXPECT_EQ(FromNativePath(found.front()), QString::fromStdString(dir.Path()) + QStringLiteral(u"/B\u00fccher/a.xls"));
}

}  // namespace
}  // namespace tabulox
