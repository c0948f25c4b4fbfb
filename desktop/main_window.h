// The main window: the file list, its commands and the conversion run.
#pragma once

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <functional>
#include <memory>

#include "desktop/activity_log.h"
#include "desktop/conversion_entry.h"
#include "desktop/conversion_worker.h"
#include "desktop/file_list_model.h"
#include "desktop/file_search.h"

namespace tabulox {

class ConversionCancelDialog;
class OverwriteDialog;
class PasswordDialog;
class AboutBox;
class LogViewer;
class OptionsDialog;
class AddFolderDialog;
class ScanCancelDialog;
class DirectoryDialog;
class AddDirSearch;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Which rows a run converts: the waiting ones, the selected waiting ones,
  // or the selected ones converted before.
  enum class RunMode { kAll, kSelected, kReConvert };

  // How a launch or explore command reaches the desktop.
  enum class ShellAction { kOpen, kShowInFolder, kOpenFolder };
  // Returns false when nothing could open the path.
  using ShellFunction = std::function<bool(ShellAction action, const QString& path)>;

  explicit MainWindow(QWidget* parent = nullptr);
  // Saves the file list to the job file.
  ~MainWindow() override;

  // --- File list ---
  // Checks a path (duplicate, supported type) and appends its row, selected;
  // a refused path gets a status message and a log line.
  void addFile(const QString& path);
  // The files chosen in the file picker, from a paste or from a drop, handled
  // as those commands do.
  void addChosenFiles(const QStringList& paths);
  // The files and folders of the command line: the files as the Add File
  // command adds chosen files, then the folders, joined by ";", through the
  // Add directory dialog as a dropped folder is.
  void addStartPaths(const QStringList& files, const QStringList& folders);
  void pasteFiles(const QStringList& paths);
  void dropFiles(const QStringList& paths);
  int rowCount() const { return fileListModel->rowCount(); }
  FileListModel::RowState stateOf(int row) const { return fileListModel->state(row); }
  QString cellText(int row, FileListModel::Column column) const { return fileListModel->text(row, column); }
  bool isRowSelected(int row) const;
  void scrollToSelection();
  void showStatusMessage(const QString& text);
  void updateCountPanel();
  // Applies the selection of the rows addFile appended since the last call.
  // Everything that reads the selection calls it first.
  void flushAddedSelection();
  void saveJobFile(const QString& path) const;
  void loadJobFile(const QString& path);
  // Keeps a damaged job file under a new name and tells the user what was lost.
  void reportDamagedJobFile(const QString& path, const JobFileContents& contents);

  // --- Conversion run and folder scan ---
  // Starts a run; it goes on in the background and ends with runFinished.
  void convertFiles(RunMode mode);
  bool isConverting() const { return converting_; }
  // From the OK of the Add Dir dialog until the scan's last row is added.
  bool isScanning() const;

  // The enabling rules, run whenever a menu opens.
  void updateActionStates();
  // Opens the first selected row's source or target (launch), or shows it in
  // its folder; what could not be opened is named in the status bar and the log.
  void launchOrExplore(bool source, bool launch);

  // Replaces the engine entry points (tests) and the desktop hand-off.
  void setConverters(ConvertFunction xls, ConvertFunction xlsx);
  void setShellFunction(ShellFunction shell);

  FileListModel* fileListModel;
  QTreeView* fileList;
  QMenu* fileListMenu;
  QToolButton* addFileButton;
  QToolButton* addDirButton;
  QToolButton* optionsButton;
  QToolButton* logButton;
  QToolButton* convertButton;
  QLabel* productPanel;
  QLabel* countPanel;
  QLabel* messagePanel;
  QFileDialog* addFilesDialog;
  QTimer* selectionCountTimer;

  QAction* optionsAction;
  QAction* exitAction;
  QAction* viewLogAction;
  QAction* addFileAction;
  QAction* addDirAction;
  QAction* pasteFileAction;
  QAction* deleteAction;
  QAction* selectAllAction;
  QAction* convertAllAction;
  QAction* convertSelectedAction;
  QAction* reconvertAction;
  QAction* launchSourceAction;
  QAction* launchTargetAction;
  QAction* exploreSourceAction;
  QAction* exploreTargetAction;
  QAction* contentsAction;
  QAction* aboutAction;

  ConversionCancelDialog* cancelConvertDialog;
  OverwriteDialog* overwriteDialog;
  PasswordDialog* passwordDialog;
  AboutBox* aboutBox;
  LogViewer* logViewer;
  OptionsDialog* optionsDialog;
  AddFolderDialog* addDirDialog;
  ScanCancelDialog* cancelFindDialog;
  DirectoryDialog* directoryDialog;

 public slots:
  void onOptions();
  void onViewLog();
  void onAddFile();
  void onAddDir();
  void onPasteFile();
  void onDelete();
  void onSelectAll();
  void onConvertAll();
  void onConvertSelected();
  void onReconvert();
  void onContents();
  void onAbout();
  void onColumnClicked(int column);
  void showHint(const QString& hint);

 signals:
  // A conversion run ended (also by an error of the log), its rows updated.
  void runFinished();
  // A folder scan ended, its rows added.
  void scanFinished();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createFileList();
  QWidget* createButtonRow();
  void createStatusBar();
  void createDialogs();
  void setHints();
  void enableAllActions();
  void raiseProgressDialogs();
  void closeLeftoverPopups();
  void onContextMenuRequested(const QPoint& pos);
  void onSelectionChanged();
  void showSelectionCount();
  // Cancel of the progress dialog, or closing the window during a run: the
  // run ends after the workbook in hand, and the message panel says so.
  void stopRunAfterCurrentFile();

  // Runs a command; an activity log that cannot be written ends it with an
  // error message.
  void guarded(const std::function<void()>& command);
  void showLogWriteError(const LogWriteError& error);
  void addDir(const QString& droppedFolder = QString());
  QList<int> selectedRows() const;

  // Signals of the Add Dir scan, delivered on the window's thread.
  void onFileFound(const QString& path);
  void onFolderEntered(const QString& folder);
  void onScanEnded();

  // The steps of a run: rows up to the next one handed to the worker, or the
  // end of the run; then the worker's outcome of that row.
  enum class RowStep { kDone, kHanded, kStopRun };
  // What the overwrite policy makes of a target.
  enum class TargetChoice { kWrite, kSkip, kStopRun };
  // Applies the policy (asking when it says so) to `target`, which an
  // automatic rename changes; `replaceTarget` tells whether to overwrite it.
  TargetChoice settleTarget(QString& target, bool& replaceTarget);
  // Hands rowJob_ on: its sheets to list first with one file per sheet, else to convert.
  void handRowToWorker();
  void onSheetsListed(int row, int result, bool passwordRefused, const std::vector<SheetInfo>& sheets);
  void continueRun();
  RowStep beginRow(int row);
  void onRowConverted(int row, int result, bool passwordRefused);
  // A workbook of the run that no password so far opened: converts it again
  // with the run's password or one the user gives; false when the user skips it.
  bool retryWithPassword(int row);
  void finishRun();
  void endRun();
  void failRow(int row, const QString& message, const QString& logPath);
  // Closes the window once a run or scan that delayed the closing has ended.
  void closeIfAsked();
  static QStringList clipboardFileList();
  static bool defaultShell(ShellAction action, const QString& path);

  bool cancelRun_ = false;
  bool converting_ = false;
  bool saveJobFileAtExit_ = true;  // false while a damaged job file could not be kept
  // The run in progress.
  RunMode runMode_ = RunMode::kAll;
  int runRowCount_ = 0;  // rows when the run started
  int runNextRow_ = 0;
  std::int32_t runCodePage_ = 0;
  ConversionOptions runOptions_;
  bool runFilePerSheet_ = false;
  QString runLayoutName_;  // named in each row's log line
  ConversionJob rowJob_;  // the row in hand, for a conversion with a password
  // The password the user gave for the rest of the run; dropped when it ends.
  std::optional<std::string> runPassword_;
  int runSuccessful_ = 0;
  int runFailed_ = 0;
  // The scan in progress.
  int scanRowsBefore_ = 0;
  bool scanLogFailed_ = false;
  bool closeWhenIdle_ = false;
  int pendingFirst_ = -1;  // rows added but not yet selected, see addFile
  int pendingLast_ = -1;
  QList<QIcon> menuIcons_;
  ShellFunction shell_;
  FileSearch fileSearch_;  // the folder scan of Add Dir
  // Declared after what their threads use, so that they stop first.
  std::unique_ptr<AddDirSearch> addDirSearch_;
  std::unique_ptr<ConversionWorker> worker_;
};

}  // namespace tabulox
