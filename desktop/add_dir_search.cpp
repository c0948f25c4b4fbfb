#include "desktop/add_dir_search.h"

#include <QThread>

#include "desktop/add_folder_dialog.h"
#include "desktop/folder_scan.h"

namespace tabulox {

AddDirSearch::AddDirSearch(FileSearch& search, QObject* parent) : QObject(parent), search_(search) {
  // The events are raised on the scan's thread; the signals they emit are
  // queued to the receivers' thread.
  search_.OnFileFind = [this](const std::string& folder, const FoundFile& info) {
    emit fileFound(FromNativePath(folder + info.Name));
  };
  search_.OnChangeFolder = [this](const std::string& folder) { emit folderEntered(FromNativePath(folder)); };
  search_.OnFinish = [this] { emit folderSearched(); };
}

AddDirSearch::~AddDirSearch() {
  if (thread_ == nullptr) return;
  search_.stop();
  thread_->wait();
  delete thread_;
}

void AddDirSearch::start(const AddFolderDialog& dialog, const ProgramSettings& settings) {
  if (isRunning()) return;
  search_.setRecurseSubFolders(dialog.isRecursive());
  search_.setSearchExts(BuildSearchExts(settings, dialog.tickedTypes()));
  // Cleared here, before the thread starts, so that a stop() from the
  // progress dialog at any moment after this ends the scan.
  search_.clearStop();
  const QStringList folders = SplitDirList(settings.addFolders);
  thread_ = QThread::create([this, folders] { SearchFolders(search_, folders); });
  connect(thread_, &QThread::finished, this, &AddDirSearch::onThreadFinished);
  thread_->start();
}

void AddDirSearch::onThreadFinished() {
  // Queued behind every signal the scan emitted.
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  emit finished();
}

}  // namespace tabulox
