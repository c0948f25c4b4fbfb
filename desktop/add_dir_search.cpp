#include "add_dir_search.h"

#include <QThread>

#include "add_folder_dialog.h"
#include "folder_scan.h"

namespace tabulox {

AddDirSearch::AddDirSearch(FileSearch& search, QObject* parent) : QObject(parent), search_(search) {
  // The events are raised on the scan's thread; the signals they emit are
  // queued to the receivers' thread.
  search_.OnFileFind = [this](const std::string& folder, const FoundFile& info) {
    emit FileFound(FromNativePath(folder + info.Name));
  };
  search_.OnChangeFolder = [this](const std::string& folder) { emit FolderEntered(FromNativePath(folder)); };
  search_.OnFinish = [this] { emit FolderSearched(); };
}

AddDirSearch::~AddDirSearch() {
  if (thread_ == nullptr) return;
  search_.Stop();
  thread_->wait();
  delete thread_;
}

void AddDirSearch::Start(const AddFolderDialog& dialog, const ProgramSettings& settings) {
  if (Running()) return;
  search_.SetRecurseSubFolders(dialog.recursiveCheck->isChecked());
  search_.SetSearchExts(BuildSearchExts(settings, dialog.tickedTypes()));
  // Cleared here, before the thread starts, so that a Stop() from the
  // progress dialog at any moment after this ends the scan.
  search_.ClearStop();
  const QStringList folders = SplitDirList(settings.addFolders);
  thread_ = QThread::create([this, folders] { SearchFolders(search_, folders); });
  connect(thread_, &QThread::finished, this, &AddDirSearch::ThreadFinished);
  thread_->start();
}

void AddDirSearch::ThreadFinished() {
  // Queued behind every signal the scan emitted.
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
  emit Finished();
}

}  // namespace tabulox
