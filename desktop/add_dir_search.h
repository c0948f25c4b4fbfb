// The search part of the Add Dir command, after its dialog was closed with OK:
// takes the recursion and the ticked types from the dialog and searches the
// folders of the stored add-directory text in order, on a thread of its own,
// until one search is stopped. What the search meets reaches the signals,
// queued to the thread that owns this object, in the order it was met.
#pragma once

#include <QObject>
#include <QString>

#include "desktop/file_search.h"
#include "desktop/global_settings.h"

class QThread;

namespace tabulox {

class AddFolderDialog;

class AddDirSearch : public QObject {
  Q_OBJECT

 public:
  // `search` must outlive this object and be used by nothing else while a
  // scan runs.
  explicit AddDirSearch(FileSearch& search, QObject* parent = nullptr);
  // Stops a running scan and waits for its thread.
  ~AddDirSearch() override;

  // Starts a scan; does nothing while one runs.
  void start(const AddFolderDialog& dialog, const ProgramSettings& settings);
  // From start() until the finished signal has been delivered.
  bool isRunning() const { return thread_ != nullptr; }

 signals:
  void fileFound(const QString& path);
  void folderEntered(const QString& folder);  // with its trailing '/'
  void folderSearched();                      // the search of one folder ended
  void finished();                            // the whole scan ended, done or stopped

 private:
  void onThreadFinished();

  FileSearch& search_;
  QThread* thread_ = nullptr;
};

}  // namespace tabulox
