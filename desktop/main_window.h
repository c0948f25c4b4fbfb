// The main window: the file list, its commands and the conversion run.
#pragma once

#include <QAction>
#include <QFileDialog>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>
#include <memory>
#include <vector>

#include "activity_log.h"
#include "conversion_entry.h"
#include "conversion_worker.h"
#include "file_search.h"
#include "job_file.h"

namespace tabulox {

class TFmCancelCvt;
class TFmFileOverTp;
class TFmAbout;
class TFmViewLog;
class TFmOption;
class TFmAddDir;
class TFmCancelFind;
class TFmDirectory;
class AddDirSearch;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Command numbers carried in the "Tag" property of actions and buttons.
  enum Command {
    CmdOptions = 11,
    CmdExit = 12,
    CmdViewLog = 13,
    CmdAddFile = 21,
    CmdAddDir = 22,
    CmdPasteFile = 23,
    CmdDelete = 24,
    CmdSelectAll = 25,
    CmdConvertAll = 31,
    CmdConvertSelect = 32,
    CmdReConvert = 33,
    CmdLaunchSource = 34,
    CmdLaunchTarget = 35,
    CmdExploreSource = 36,
    CmdExploreTarget = 37,
    CmdLaunchMenu = 81,
    CmdExploreMenu = 82,
    CmdContents = 91,
    CmdAbout = 96,
  };

  // List columns; sub-item i of a row is column i + 1.
  enum Column { ColState, ColName, ColSource, ColSize, ColType, ColTarget, ColMessage, ColumnCount };
  enum SubItem { SubName, SubSource, SubSize, SubType, SubTarget, SubMessage, SubItemCount };
  enum StateIcon { StateWaiting = 0, StateConverted = 1, StateFailed = 2 };
  enum RunMode { ModeAll = 0, ModeSelected = 1, ModeReConvert = 2 };

  // How a launch or explore command reaches the desktop.
  enum class ShellAction { Open, ShowInFolder, OpenFolder };
  // Returns false when nothing could open the path.
  using ShellFunction = std::function<bool(ShellAction action, const QString& path)>;

  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // --- File list (adding, deleting, job file) ---
  void addFile(const QString& path);
  static qint64 fileSizeOf(const QString& path);
  static bool isDirectory(const QString& path);
  void scrollToSelection();
  void saveJobFile(const QString& path);
  void loadJobFile(const QString& path);
  void showStatusMessage(const QString& text);
  void updateCountPanel();
  // Files from a drop or a paste, handled as the drop and Paste File commands do.
  void dropFiles(const QStringList& paths);
  void pasteFiles(const QStringList& paths);
  // The files chosen in the file picker, added as the Add File command does.
  void addChosenFiles(const QStringList& paths);
  int rowCount() const { return rowCount_; }

  // Applies the selection of the rows addFile appended since the last call.
  // Everything that reads the selection calls it first.
  void flushAddedSelection();

  // Row access by list position.
  int stateOf(int row) const;
  QString subItemOf(int row, int subItem) const;
  void setState(int row, int state);
  void setSubItem(int row, int subItem, const QString& text);

  // --- Conversion run ---
  // Starts a run; it goes on in the background and ends with runFinished.
  void convertFiles(int mode);
  QString targetFileName(const QString& source) const;
  bool isConverting() const { return converting_; }
  // From the OK of the Add Dir dialog until the scan's last row is added.
  bool isScanning() const;

  // --- Commands ---
  // Runs command `tag`; an activity log that cannot be written ends the
  // command with an error message.
  void executeCommand(int tag);
  void updateActionStates();
  void onColumnClicked(int column);
  // <0, 0, >0 for row a against row b by the sort column, reversed when descending.
  int compareRows(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const;
  void launchOrExplore(bool source, bool launch);

  // Replaces the engine entry points (tests) and the desktop hand-off.
  void setConverters(ConvertFunction xls, ConvertFunction xlsx);
  void setShellFunction(ShellFunction shell);

  QAction* actionByTag(int tag) const;

  // Controls, named as the form defines them.
  QTreeWidget* fileList;
  QWidget* buttonRow;
  QToolButton* addFileButton;
  QToolButton* addDirButton;
  QToolButton* optionsButton;
  QToolButton* logButton;
  QToolButton* convertButton;
  QStatusBar* statusBar_;
  std::array<QLabel*, 3> statusPanels;
  QMenu* fileListMenu;
  QFileDialog* addFilesDialog;
  QTimer* selectionCountTimer;
  QList<QIcon> menuIcons;
  QList<QIcon> stateIcons;

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

  TFmCancelCvt* cancelConvertDialog;
  TFmFileOverTp* overwriteDialog;
  TFmAbout* aboutBox;
  TFmViewLog* logViewer;
  TFmOption* optionsDialog;
  TFmAddDir* addDirDialog;
  TFmCancelFind* cancelFindDialog;
  TFmDirectory* directoryDialog;

 public slots:
  void onMenuItemClicked();
  void placeConvertButton();
  void showHint(const QString& hint);
  void onContextMenuRequested(const QPoint& pos);
  void onSelectionChanged();
  void showSelectionCount();

 signals:
  // A conversion run ended (also by an error of the log), its rows updated.
  void runFinished();
  // A folder scan ended, its rows added.
  void scanFinished();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void createWindow();
  void saveOnExit();
  void raiseProgressDialogs();
  // Runs the command of a shortcut key; false when the key has none.
  bool runShortcut(QKeyEvent* key);
  void closeLeftoverPopups();
  void setHints();
  void createActions();
  void createMenus();
  void createFileList();
  void createButtonRow();
  void createStatusBar();

  void runCommand(int tag);
  void showLogWriteError(const LogWriteError& error);
  void onAddFile();
  void onPasteFile();
  void onDelete();
  void onSelectAll();
  void addDir(const QString& droppedFolder = QString());
  void onOptions();
  void onContents();
  void onViewLog();
  void onAbout();

  // Signals of the Add Dir scan, delivered on the window's thread.
  void onFileFound(const QString& path);
  void onFolderEntered(const QString& folder);
  void onFolderSearched();
  void onScanEnded();

  QTreeWidgetItem* appendRow(const JobRow& row);
  void selectAddedRow(QTreeWidgetItem* item);
  void forgetSource(const QString& source);
  static QString sourceKey(const QString& source);
  // The steps of a run: rows up to the next one handed to the worker, or the
  // end of the run; then the worker's outcome of that row.
  enum class RowStep { Done, Handed, StopRun };
  void continueRun();
  RowStep beginRow(int row);
  void onRowConverted(int row, int result);
  void finishRun();
  void endRun();
  void failRow(int row, const QString& message, const QString& logPath);
  // Closes the window once a run or scan that delayed the closing has ended.
  void closeIfAsked();
  static QStringList clipboardFileList();
  static bool defaultShell(ShellAction action, const QString& path);

  bool cancelRun_ = false;
  bool converting_ = false;
  // The run in progress.
  int runMode_ = ModeAll;
  int runRowCount_ = 0;  // rows when the run started
  int runNextRow_ = 0;
  std::int32_t runCodePage_ = 0;
  int runSuccessful_ = 0;
  int runFailed_ = 0;
  // The scan in progress.
  int scanRowsBefore_ = 0;
  bool scanLogFailed_ = false;
  bool closeWhenIdle_ = false;
  int rowCount_ = 0;
  int pendingFirst_ = -1;  // rows added but not yet selected, see selectAddedRow
  int pendingLast_ = -1;
  int sortColumn_ = -1;
  bool sortAscending_ = true;
  QHash<QString, int> sourceKeys_;  // upper-cased source path -> rows holding it
  QStringList pastedFiles_;         // the clipboard's file list, read by the enabling rules
  ShellFunction shell_;
  TKvFileSearch fileSearch_;  // the folder scan of Add Dir
  // Declared after what their threads use, so that they stop first.
  std::unique_ptr<AddDirSearch> addDirSearch_;
  std::unique_ptr<ConversionWorker> worker_;
};

}  // namespace tabulox
