#include "desktop/file_search.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace tabulox {
namespace {

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

}  // namespace

void FileSearch::search() {
  if (searching_) return;
  searching_ = true;
  // An event handler that throws ends the search; the object is idle again.
  struct EndOfSearch {
    FileSearch& search;
    ~EndOfSearch() {
      search.visited_.clear();
      search.searching_ = false;
    }
  } endOfSearch{*this};
  searchExts_ = AsciiUpper(searchExts_);

  if (!searchDir_.empty()) {
    std::string start = searchDir_;
    if (start.back() != '/') start += '/';
    searchFolder(start);
  }
  if (OnFinish) OnFinish();
}

void FileSearch::searchFolder(const std::string& folder) {
  struct stat folderStat {};
  if (stat(folder.c_str(), &folderStat) != 0 || !S_ISDIR(folderStat.st_mode)) return;
  if (userStopped_ || !visited_.emplace(folderStat.st_dev, folderStat.st_ino).second) return;

  if (OnChangeFolder) OnChangeFolder(folder);

  DirHandle dir(opendir(folder.c_str()));
  if (!dir) return;
  const int dirFd = dirfd(dir.get());

  while (!userStopped_) {
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) break;
    const std::string_view name(entry->d_name);
    // Covers "." and ".." as well as hidden files and folders.
    if (name.empty() || name.front() == '.') continue;

    struct stat entryStat {};
    if (fstatat(dirFd, entry->d_name, &entryStat, 0) != 0) continue;  // e.g. a dangling link
    if (S_ISDIR(entryStat.st_mode)) {
      if (recurseSubFolders_) searchFolder(folder + entry->d_name + '/');
    } else if (S_ISREG(entryStat.st_mode) && isWanted(name)) {
      if (OnFileFind) {
        const FoundFile found{std::string(name), static_cast<std::uint64_t>(entryStat.st_size),
                               static_cast<std::int64_t>(entryStat.st_mtime)};
        OnFileFind(folder, found);
      }
    }
  }
}

bool FileSearch::isWanted(std::string_view name) const {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string key = "*" + AsciiUpper(name.substr(dot)) + "|";
  return searchExts_.find(key) != std::string::npos;
}

}  // namespace tabulox
