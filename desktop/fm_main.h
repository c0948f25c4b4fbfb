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
#include <vector>

#include "activity_log.h"
#include "conversion_entry.h"
#include "file_search.h"
#include "job_file.h"

namespace tabulox {

class ConversionCancelDialog;
class OverwriteDialog;
class AboutBox;
class LogViewer;
class OptionsDialog;
class AddFolderDialog;
class ScanCancelDialog;
class DirectoryDialog;

class TFmMain : public QMainWindow {
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

  explicit TFmMain(QWidget* parent = nullptr);
  ~TFmMain() override;

  // --- File list (adding, deleting, job file) ---
  void AddFile(const QString& path);
  static qint64 FileSizeOf(const QString& path);
  static bool IsDirectory(const QString& path);
  void ScrollToSelection();
  void SaveJobFile(const QString& path);
  void LoadJobFile(const QString& path);
  void ShowStatusMessage(const QString& text);
  void UpdateCountPanel();
  // Files from a drop or a paste, handled as the drop and Paste File commands do.
  void DropFiles(const QStringList& paths);
  void PasteFiles(const QStringList& paths);
  // The files chosen in the file picker, added as the Add File command does.
  void AddChosenFiles(const QStringList& paths);
  // The files and folders of the command line: the files as the Add File
  // command adds chosen files, then the folders, joined by ";", through the
  // Add directory dialog as a dropped folder is.
  void AddStartPaths(const QStringList& files, const QStringList& folders);
  int RowCount() const { return FRowCount; }

  // Applies the selection of the rows AddFile appended since the last call.
  // Everything that reads the selection calls it first.
  void FlushAddedSelection();

  // Row access by list position.
  int StateOf(int row) const;
  QString SubItemOf(int row, int subItem) const;
  void SetState(int row, int state);
  void SetSubItem(int row, int subItem, const QString& text);

  // --- Conversion run ---
  void ConvertFiles(int mode);
  QString TargetFileName(const QString& source) const;
  bool IsConverting() const { return FConverting; }

  // --- Commands ---
  // Runs command `tag`; an activity log that cannot be written ends the
  // command with an error message.
  void ExecuteCommand(int tag);
  void ActionMainMenuBar1Paint();
  void ListView1ColumnClick(int column);
  // <0, 0, >0 for row a against row b by the sort column, reversed when descending.
  int ListView1Compare(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const;
  void LaunchOrExplore(bool source, bool launch);

  // Replaces the engine entry points (tests) and the desktop hand-off.
  void SetConverters(ConvertFunction xls, ConvertFunction xlsx);
  void SetShellFunction(ShellFunction shell);

  QAction* ActionByTag(int tag) const;

  // Controls, named as the form defines them.
  QTreeWidget* ListView1;
  QWidget* Panel2;
  QToolButton* BtnAddFile;
  QToolButton* BtnAddDir;
  QToolButton* BtnOption;
  QToolButton* BtnLog;
  QToolButton* BtnConvert;
  QStatusBar* StatusBar1;
  std::array<QLabel*, 3> StatusPanels;
  QMenu* PopupMenu1;
  QFileDialog* OpenDialog1;
  QTimer* TimerSelectItems;
  QList<QIcon> ImageMenu;
  QList<QIcon> ImageStatus;

  QAction* ActOptions;
  QAction* ActExit;
  QAction* ActViewLog;
  QAction* ActAddFile;
  QAction* ActAddDir;
  QAction* ActPasteFile;
  QAction* ActDelete;
  QAction* ActSelectAll;
  QAction* ActConvertAll;
  QAction* ActConvertSelect;
  QAction* ActReConvert;
  QAction* ActLaunchSource;
  QAction* ActLaunchTarget;
  QAction* ActExploreSource;
  QAction* ActExploreTarget;
  QAction* ActContents;
  QAction* ActAbout;

  ConversionCancelDialog* FmCancelCvt;
  OverwriteDialog* FmFileOverTp;
  AboutBox* FmAbout;
  LogViewer* FmViewLog;
  OptionsDialog* FmOption;
  AddFolderDialog* FmAddDir;
  ScanCancelDialog* FmCancelFind;
  DirectoryDialog* FmDirectory;

 public slots:
  void MenuItemClick();
  void FormResize();
  void ApplicationEvents1Hint(const QString& hint);
  void PopupMenu1Popup(const QPoint& pos);
  void ListView1SelectItem();
  void TimerSelectItemsTimer();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate();
  void FormDestroy();
  void FormActivate();
  // Runs the command of a shortcut key; false when the key has none.
  bool FormKeyDown(QKeyEvent* key);
  void CloseLeftoverPopups();
  void SetHints();
  void CreateActions();
  void CreateMenus();
  void CreateListView();
  void CreateButtonRow();
  void CreateStatusBar();

  void RunCommand(int tag);
  void ShowLogWriteError(const LogWriteError& error);
  void AddFileCommand();
  void PasteFileCommand();
  void DeleteCommand();
  void SelectAllCommand();
  void AddDirCommand(const QString& droppedFolder = QString());
  void OptionsCommand();
  void ContentsCommand();
  void ViewLogCommand();
  void AboutCommand();

  // Events of FFileSearch during Add Dir.
  void SearchFileFound(const std::string& folder, const TFoundFile& info);
  void SearchFolderChanged(const std::string& folder);
  void SearchFinished();

  QTreeWidgetItem* AppendRow(const JobRow& row);
  void SelectAddedRow(QTreeWidgetItem* item);
  void ForgetSource(const QString& source);
  static QString SourceKey(const QString& source);
  // The run's handling of one row; false when the run must stop at once.
  bool ConvertRow(int row, std::int32_t codePage, int& successful, int& failed);
  void FailRow(int row, const QString& message, const QString& logPath, int& failed);
  static QStringList ClipboardFileList();
  static bool DefaultShell(ShellAction action, const QString& path);

  OutputBlock FOutBuffer;
  bool FCancelConvert = false;
  bool FConverting = false;
  int FRowCount = 0;
  int FPendingFirst = -1;  // rows added but not yet selected, see SelectAddedRow
  int FPendingLast = -1;
  int FSortColumn = -1;
  bool FSortAscending = true;
  QHash<QString, int> FSourceKeys;  // upper-cased source path -> rows holding it
  QStringList FPastedFiles;         // the clipboard's file list, read by the enabling rules
  Engine engine_;
  ConvertFunction FConvertXls;
  ConvertFunction FConvertXlsx;
  ShellFunction FShell;
  TKvFileSearch FFileSearch;  // the folder scan of Add Dir
};

}  // namespace tabulox
