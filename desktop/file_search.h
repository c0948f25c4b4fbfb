// TKvFileSearch: walks one folder (and, when asked, its sub-folders) and
// reports every file whose extension is among the wanted patterns.
//
// Runs on the caller's thread. Between entries it calls OnProcessMessages
// (about every kMessagePumpInterval), so a user interface can handle its events
// during a long search; an event handler may call Stop(), which ends the
// search at its next entry.
//
// Paths are native file-system byte strings (UTF-8 on the systems we build
// for). A folder path handed to the events always ends in '/'.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include <sys/types.h>

namespace tabulox {

// What the search knows about a found file.
struct TFoundFile {
  std::string Name;           // the entry's name inside its folder
  std::uint64_t Size = 0;     // bytes
  std::int64_t ModifiedTime = 0;  // seconds since the epoch
};

using TFindFileEvent = std::function<void(const std::string& fullpath, const TFoundFile& info)>;
using TChangeFolderEvent = std::function<void(const std::string& fullpath)>;
using TNotifyEvent = std::function<void()>;

class TKvFileSearch {
 public:
  // OnProcessMessages runs at most once per interval during a search: often
  // enough that a Cancel button answers at once, seldom enough that handling
  // events does not dominate a scan of many small folders.
  static constexpr std::chrono::milliseconds kMessagePumpInterval{15};

  // Folder to search; a trailing '/' is added when a search starts. An empty
  // text names no folder (not the root folder).
  void SetSearchDir(std::string dir) { searchDir_ = std::move(dir); }
  const std::string& SearchDir() const { return searchDir_; }

  // Wanted patterns, each "*" + extension + "|", e.g. "*.xls|*.xlsx|";
  // upper-cased (ASCII) when a search starts, so case does not matter.
  void SetSearchExts(std::string exts) { searchExts_ = std::move(exts); }
  const std::string& SearchExts() const { return searchExts_; }

  void SetRecurseSubFolders(bool recurse) { recurseSubFolders_ = recurse; }
  bool RecurseSubFolders() const { return recurseSubFolders_; }

  // Set by Stop(); cleared when the next search starts.
  bool UserStopped() const { return userStopped_; }
  // True from the start of Search() until its OnFinish has returned.
  bool Searching() const { return searching_; }

  TFindFileEvent OnFileFind;          // a wanted file: its folder and its record
  TChangeFolderEvent OnChangeFolder;  // the search enters a folder
  TNotifyEvent OnFinish;              // the search of SearchDir ended (done or stopped)
  TNotifyEvent OnProcessMessages;     // give the user interface a turn

  // Searches SearchDir, then raises OnFinish. Hidden entries (names starting
  // with '.') are neither reported nor entered; a folder that does not exist
  // or cannot be read yields nothing. Links are followed, but no folder is
  // entered twice in one search (identified by device and inode), so a link
  // to an ancestor cannot make the walk loop. A call made while a search is
  // running (from inside one of its events) does nothing.
  void Search();

  // Ends a running search at its next entry; may be called at any time.
  void Stop() { userStopped_ = true; }

 private:
  void SearchFolder(const std::string& folder);
  bool IsWanted(std::string_view name) const;
  void ProcessMessages();

  std::string searchDir_;
  std::string searchExts_;
  bool recurseSubFolders_ = true;
  bool userStopped_ = false;
  bool searching_ = false;
  std::set<std::pair<dev_t, ino_t>> visited_;
  std::chrono::steady_clock::time_point lastPump_;
};

}  // namespace tabulox
