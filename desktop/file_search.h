// FileSearch: walks one folder (and, when asked, its sub-folders) and
// reports every file whose extension is among the wanted patterns.
//
// Runs on the caller's thread, typically a worker thread; its events are
// raised on that thread. stop() may be called from any thread and ends the
// search at its next entry.
//
// Paths are native file-system byte strings (UTF-8 on the systems we build
// for). A folder path handed to the events always ends in '/'.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include <sys/types.h>

namespace tabulox {

// What the search knows about a found file.
struct FoundFile {
  std::string Name;           // the entry's name inside its folder
  std::uint64_t Size = 0;     // bytes
  std::int64_t ModifiedTime = 0;  // seconds since the epoch
};

using FileFoundHandler = std::function<void(const std::string& fullpath, const FoundFile& info)>;
using FolderEnteredHandler = std::function<void(const std::string& fullpath)>;
using SearchEndedHandler = std::function<void()>;

class FileSearch {
 public:
  // Folder to search; a trailing '/' is added when a search starts. An empty
  // text names no folder (not the root folder).
  void setSearchDir(std::string dir) { searchDir_ = std::move(dir); }
  const std::string& searchDir() const { return searchDir_; }

  // Wanted patterns, each "*" + extension + "|", e.g. "*.xls|*.xlsx|";
  // upper-cased (ASCII) when a search starts, so case does not matter.
  void setSearchExts(std::string exts) { searchExts_ = std::move(exts); }
  const std::string& searchExts() const { return searchExts_; }

  void setRecurseSubFolders(bool recurse) { recurseSubFolders_ = recurse; }
  bool recurseSubFolders() const { return recurseSubFolders_; }

  // Set by stop(); cleared only by clearStop(), so that a stop() from another
  // thread between two searches of one scan is not lost.
  bool userStopped() const { return userStopped_; }
  // True from the start of search() until its OnFinish has returned.
  bool isSearching() const { return searching_; }

  FileFoundHandler OnFileFind;          // a wanted file: its folder and its record
  FolderEnteredHandler OnChangeFolder;  // the search enters a folder
  SearchEndedHandler OnFinish;              // the search of SearchDir ended (done or stopped)

  // Searches SearchDir, then raises OnFinish. Hidden entries (names starting
  // with '.') are neither reported nor entered; a folder that does not exist
  // or cannot be read yields nothing. Links are followed, but no folder is
  // entered twice in one search (identified by device and inode), so a link
  // to an ancestor cannot make the walk loop. A call made while a search is
  // running (from inside one of its events) does nothing; a search started
  // while UserStopped is set finds nothing and raises OnFinish at once.
  void search();

  // Ends a running search at its next entry; may be called at any time, from
  // any thread.
  void stop() { userStopped_ = true; }
  // Makes the search usable again after a stop(); call it before a new scan.
  void clearStop() { userStopped_ = false; }

 private:
  void searchFolder(const std::string& folder);
  bool isWanted(std::string_view name) const;

  std::string searchDir_;
  std::string searchExts_;
  bool recurseSubFolders_ = true;
  std::atomic<bool> userStopped_ = false;
  std::atomic<bool> searching_ = false;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

}  // namespace tabulox
