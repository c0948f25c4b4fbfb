#include "desktop/main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/about_box.h"
#include "desktop/add_dir_search.h"
#include "desktop/add_folder_dialog.h"
#include "desktop/conversion_cancel_dialog.h"
#include "desktop/damaged_file.h"
#include "desktop/directory_dialog.h"
#include "desktop/file_types.h"
#include "desktop/global_settings.h"
#include "desktop/help_pages.h"
#include "desktop/log_viewer.h"
#include "desktop/options_dialog.h"
#include "desktop/output_options.h"
#include "desktop/overwrite_dialog.h"
#include "desktop/password_dialog.h"
#include "desktop/picker_folder.h"
#include "desktop/scan_cancel_dialog.h"
#include "desktop/target_file.h"

// The icon set lives in a static library, so its registration is explicit.
static void InitIconResources() { Q_INIT_RESOURCE(tabulox); }

namespace tabulox {

namespace {

using Column = FileListModel::Column;
using RowState = FileListModel::RowState;

const QString kProductName = QStringLiteral("KV-Tabulox");
const QString kProductPanel = QStringLiteral("KV-Tabulox 3.0");
const QString kStoppingMessage = QStringLiteral(u"Stopping after the current file\u2026");
const QString kTargetExistsMessage = QStringLiteral("Target file already exists, user canceled");
const QString kDeleteRefusedMessage = QStringLiteral("Files cannot be deleted while a conversion runs.");

constexpr int kSelectTimerMs = 50;
constexpr int kButtonWidth = 65;
constexpr int kMaxButtonWidth = 78;
constexpr int kButtonRowHeight = 34;

// Draws a cell as usual, then its grid lines on the right and at the bottom.
class GridLineDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
    painter->restore();
  }
};

bool IsDirectory(const QString& path) { return QFileInfo(path).isDir(); }

qint64 FileSizeOf(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() ? info.size() : 0;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  InitIconResources();
  setObjectName(QStringLiteral("mainWindow"));
  resize(580, 430);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setWindowTitle(kProductName);
  setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  for (int i = 0; i < 8; ++i) menuIcons_ << QIcon(QStringLiteral(":/icons/menu%1.png").arg(i));
  shell_ = defaultShell;
  worker_ = std::make_unique<ConversionWorker>();
  connect(worker_.get(), &ConversionWorker::converted, this, &MainWindow::onRowConverted);
  connect(worker_.get(), &ConversionWorker::sheetsListed, this, &MainWindow::onSheetsListed);

  createActions();
  createMenus();
  createFileList();
  createStatusBar();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(fileList, 1);
  layout->addWidget(createButtonRow());
  setCentralWidget(central);
  // Never narrower than the button row needs, and room for a few rows.
  setMinimumHeight(240);

  addFilesDialog = new QFileDialog(this);
  addFilesDialog->setObjectName(QStringLiteral("addFilesDialog"));
  addFilesDialog->setFileMode(QFileDialog::ExistingFiles);
  addFilesDialog->setOption(QFileDialog::HideNameFilterDetails);
  selectionCountTimer = new QTimer(this);
  selectionCountTimer->setSingleShot(true);
  selectionCountTimer->setInterval(kSelectTimerMs);
  connect(selectionCountTimer, &QTimer::timeout, this, &MainWindow::showSelectionCount);

  createDialogs();
  setHints();
  setAcceptDrops(true);
  loadJobFile(JobFilePath());
}

MainWindow::~MainWindow() {
  if (saveJobFileAtExit_ && EnsureConfigDir()) saveJobFile(JobFilePath());
}

// ---------------------------------------------------------------------------
// Construction of the window

void MainWindow::createActions() {
  const auto make = [this](const QString& caption, void (MainWindow::*slot)(), int icon = -1) {
    auto* action = new QAction(caption, this);
    if (icon >= 0) action->setIcon(menuIcons_.value(icon));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  optionsAction = make(QStringLiteral("&Options"), &MainWindow::onOptions, 0);
  exitAction = new QAction(QStringLiteral("&Exit"), this);
  connect(exitAction, &QAction::triggered, this, &QWidget::close);
  viewLogAction = make(QStringLiteral("&View Log"), &MainWindow::onViewLog, 7);
  addFileAction = make(QStringLiteral("Add &File"), &MainWindow::onAddFile, 5);
  addFileAction->setShortcut(Qt::CTRL | Qt::Key_F);
  addDirAction = make(QStringLiteral("Add &Dir"), &MainWindow::onAddDir, 6);
  addDirAction->setShortcut(Qt::CTRL | Qt::Key_D);
  pasteFileAction = make(QStringLiteral("&Paste File"), &MainWindow::onPasteFile, 2);
  pasteFileAction->setShortcut(Qt::CTRL | Qt::Key_V);
  // A menu names the Delete key "Del" unless the caption gives its own text
  // after a tab.
  deleteAction = make(QStringLiteral("Delete\tDelete"), &MainWindow::onDelete);
  deleteAction->setShortcuts({QKeySequence(Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_Delete)});
  selectAllAction = make(QStringLiteral("Select &All"), &MainWindow::onSelectAll);
  selectAllAction->setShortcut(Qt::CTRL | Qt::Key_A);
  convertAllAction = make(QStringLiteral("&Convert All"), &MainWindow::onConvertAll, 3);
  convertAllAction->setShortcut(Qt::CTRL | Qt::Key_G);
  convertSelectedAction = make(QStringLiteral("Convert &Selected"), &MainWindow::onConvertSelected);
  reconvertAction = make(QStringLiteral("&ReConvert Selected"), &MainWindow::onReconvert);
  launchSourceAction = new QAction(QStringLiteral("Source"), this);
  connect(launchSourceAction, &QAction::triggered, this, [this] { guarded([this] { launchOrExplore(true, true); }); });
  launchTargetAction = new QAction(QStringLiteral("Target"), this);
  connect(launchTargetAction, &QAction::triggered, this, [this] { guarded([this] { launchOrExplore(false, true); }); });
  exploreSourceAction = new QAction(QStringLiteral("Source"), this);
  connect(exploreSourceAction, &QAction::triggered, this, [this] { guarded([this] { launchOrExplore(true, false); }); });
  exploreTargetAction = new QAction(QStringLiteral("Target"), this);
  connect(exploreTargetAction, &QAction::triggered, this, [this] { guarded([this] { launchOrExplore(false, false); }); });
  contentsAction = make(QStringLiteral("&Contents"), &MainWindow::onContents, 1);
  contentsAction->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_F1)});
  aboutAction = make(QStringLiteral("&About"), &MainWindow::onAbout);
  // Shortcuts act wherever the focus is in the window, menus open or not.
  addActions({addFileAction, addDirAction, pasteFileAction, deleteAction, selectAllAction, convertAllAction,
              contentsAction});
}

void MainWindow::createMenus() {
  // Each menu runs the enabling rules when it opens and hands the actions
  // back whole when it closes, so that the shortcuts stay usable.
  const auto wire = [this](QMenu* menu) {
    connect(menu, &QMenu::hovered, this, [this](QAction* action) { showHint(action->statusTip()); });
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateActionStates);
    connect(menu, &QMenu::aboutToHide, this, &MainWindow::enableAllActions);
  };
  const auto submenu = [](QMenu* parentMenu, const QString& title, QAction* source, QAction* target) {
    QMenu* menu = parentMenu->addMenu(title);
    menu->addAction(source);
    menu->addAction(target);
  };

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File "));
  file->addAction(optionsAction);
  file->addSeparator();
  file->addAction(viewLogAction);
  file->addSeparator();
  file->addAction(exitAction);
  wire(file);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit "));
  edit->addAction(addFileAction);
  edit->addAction(addDirAction);
  edit->addAction(pasteFileAction);
  edit->addSeparator();
  edit->addAction(deleteAction);
  edit->addAction(selectAllAction);
  wire(edit);

  QMenu* convert = menuBar()->addMenu(QStringLiteral("Con&vert "));
  convert->addAction(convertAllAction);
  convert->addAction(convertSelectedAction);
  convert->addAction(reconvertAction);
  convert->addSeparator();
  submenu(convert, QStringLiteral("&Launch"), launchSourceAction, launchTargetAction);
  submenu(convert, QStringLiteral("&Explore"), exploreSourceAction, exploreTargetAction);
  wire(convert);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help "));
  help->addAction(contentsAction);
  help->addSeparator();
  help->addAction(aboutAction);
  wire(help);

  fileListMenu = new QMenu(this);
  fileListMenu->setObjectName(QStringLiteral("fileListMenu"));
  fileListMenu->addAction(convertAllAction);
  fileListMenu->addAction(convertSelectedAction);
  fileListMenu->addAction(reconvertAction);
  fileListMenu->addSeparator();
  fileListMenu->addAction(addFileAction);
  fileListMenu->addAction(addDirAction);
  fileListMenu->addAction(deleteAction);
  fileListMenu->addSeparator();
  fileListMenu->addAction(selectAllAction);
  fileListMenu->addSeparator();
  submenu(fileListMenu, QStringLiteral("Launch"), launchSourceAction, launchTargetAction);
  submenu(fileListMenu, QStringLiteral("Explore"), exploreSourceAction, exploreTargetAction);
  connect(fileListMenu, &QMenu::aboutToHide, this, &MainWindow::enableAllActions);
}

void MainWindow::createFileList() {
  fileListModel = new FileListModel(this);
  fileList = new QTreeView(this);
  fileList->setObjectName(QStringLiteral("fileList"));
  fileList->setModel(fileListModel);
  fileList->setRootIsDecorated(false);
  fileList->setItemsExpandable(false);
  fileList->setUniformRowHeights(true);
  fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
  fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fileList->setAllColumnsShowFocus(true);
  fileList->setIconSize(QSize(16, 16));
  const int widths[FileListModel::kColumnCount] = {40, 100, 300, 62, 40, 300, 300};
  for (int c = 0; c < FileListModel::kColumnCount; ++c) fileList->setColumnWidth(c, widths[c]);
  fileList->header()->setSectionsClickable(true);
  fileList->header()->setSortIndicatorShown(false);
  fileList->header()->setStretchLastSection(false);
  fileList->setContextMenuPolicy(Qt::CustomContextMenu);

  // Rows alternate: tooltip colour from the first row (index 0), white for odd rows.
  QPalette palette = fileList->palette();
  palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::ToolTipBase));
  palette.setColor(QPalette::AlternateBase, Qt::white);
  fileList->setPalette(palette);
  fileList->setAlternatingRowColors(true);
  fileList->setItemDelegate(new GridLineDelegate(fileList));

  connect(fileList->header(), &QHeaderView::sectionClicked, this, &MainWindow::onColumnClicked);
  connect(fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::onSelectionChanged);
  connect(fileList, &QWidget::customContextMenuRequested, this, &MainWindow::onContextMenuRequested);
}

QWidget* MainWindow::createButtonRow() {
  auto* row = new QWidget(this);
  row->setObjectName(QStringLiteral("buttonRow"));
  row->setFixedHeight(kButtonRowHeight);
  auto* layout = new QHBoxLayout(row);
  // The Convert button keeps to the right end, the row's left margin
  // mirrored less 4 pixels.
  constexpr int kLeftMargin = 49;
  layout->setContentsMargins(kLeftMargin, 0, kLeftMargin + 4, 0);
  layout->setSpacing(16);
  const auto make = [this, row](const QString& name, const QString& caption, int icon, void (MainWindow::*slot)()) {
    auto* button = new QToolButton(row);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(menuIcons_.value(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    // 65 pixels, or wider when the caption needs it.
    button->setFixedWidth(std::clamp(button->sizeHint().width(), kButtonWidth, kMaxButtonWidth));
    connect(button, &QToolButton::clicked, this, slot);
    return button;
  };
  addFileButton = make(QStringLiteral("addFileButton"), QStringLiteral("&Add File"), 5, &MainWindow::onAddFile);
  addDirButton = make(QStringLiteral("addDirButton"), QStringLiteral("Add &Dir"), 6, &MainWindow::onAddDir);
  optionsButton = make(QStringLiteral("optionsButton"), QStringLiteral("&Options"), 0, &MainWindow::onOptions);
  logButton = make(QStringLiteral("logButton"), QStringLiteral("&Log"), 7, &MainWindow::onViewLog);
  convertButton = make(QStringLiteral("convertButton"), QStringLiteral("&Convert"), 3, &MainWindow::onConvertAll);
  convertButton->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid navy; }"));
  for (QToolButton* button : {addFileButton, addDirButton, optionsButton, logButton}) layout->addWidget(button);
  layout->addStretch(1);
  layout->addWidget(convertButton);
  return row;
}

void MainWindow::createStatusBar() {
  statusBar()->setSizeGripEnabled(true);
  productPanel = new QLabel(kProductPanel, statusBar());
  productPanel->setFrameShape(QFrame::NoFrame);
  countPanel = new QLabel(QStringLiteral("0 File(s)"), statusBar());
  messagePanel = new QLabel(statusBar());
  for (QLabel* panel : {countPanel, messagePanel}) {
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
  }
  statusBar()->addWidget(productPanel);
  statusBar()->addWidget(countPanel);
  statusBar()->addWidget(messagePanel, 1);
}

void MainWindow::createDialogs() {
  cancelConvertDialog = new ConversionCancelDialog(this);
  connect(cancelConvertDialog, &ConversionCancelDialog::cancelRequested, this, &MainWindow::stopRunAfterCurrentFile);
  aboutBox = new AboutBox(this);
  overwriteDialog = new OverwriteDialog(this);
  passwordDialog = new PasswordDialog(this);
  logViewer = new LogViewer(this);
  optionsDialog = new OptionsDialog(GlobalSettings(), ProgramDir(), this);
  directoryDialog = new DirectoryDialog(GlobalSettings().addFolders, this);
  addDirDialog = new AddFolderDialog(GlobalSettings(), *directoryDialog, this);
  cancelFindDialog = new ScanCancelDialog(fileSearch_, this);
  addDirSearch_ = std::make_unique<AddDirSearch>(fileSearch_, this);
  connect(addDirSearch_.get(), &AddDirSearch::fileFound, this, &MainWindow::onFileFound);
  connect(addDirSearch_.get(), &AddDirSearch::folderEntered, this, &MainWindow::onFolderEntered);
  connect(addDirSearch_.get(), &AddDirSearch::folderSearched, this, &MainWindow::scrollToSelection);
  connect(addDirSearch_.get(), &AddDirSearch::finished, this, &MainWindow::onScanEnded);
}

void MainWindow::setHints() {
  const std::pair<QAction*, const char*> hints[] = {
      {optionsAction, "Set KV-Tabulox options"},
      {viewLogAction, "View KV-Tabulox logs"},
      {exitAction, "Exit from KV-Tabulox"},
      {addDirAction, "Add file(s) by selecting director(ies)"},
      {addFileAction, "Add file(s) by selecting file(s)"},
      {pasteFileAction, "Add file(s) by pasting from clipboard"},
      {deleteAction, "Delete selected file(s) name from listview"},
      {selectAllAction, "Select all file(s) in listview"},
      {convertAllAction, "Convert all file(s) in listview"},
      {convertSelectedAction, "Convert selected file(s)"},
      {reconvertAction, "Convert selected file(s) again"},
      {launchSourceAction, "Open source file with default program"},
      {launchTargetAction, "Open target file with default program"},
      {exploreSourceAction, "Explore folder which source file in"},
      {exploreTargetAction, "Explore folder which target file in"},
      {contentsAction, "Show help contents"},
      {aboutAction, "Show about window"},
  };
  for (const auto& [action, hint] : hints) action->setStatusTip(QString::fromLatin1(hint));
  addDirButton->setStatusTip(addDirAction->statusTip());
  addFileButton->setStatusTip(addFileAction->statusTip());
  optionsButton->setStatusTip(optionsAction->statusTip());
  logButton->setStatusTip(viewLogAction->statusTip());
  convertButton->setStatusTip(convertAllAction->statusTip());
}

// ---------------------------------------------------------------------------
// Window behaviour

void MainWindow::raiseProgressDialogs() {
  if (cancelConvertDialog->isVisible()) cancelConvertDialog->raise();
  if (cancelFindDialog->isVisible()) cancelFindDialog->raise();
}

void MainWindow::showHint(const QString& hint) { showStatusMessage(hint); }

void MainWindow::showStatusMessage(const QString& text) {
  // The panel cuts a long text; its tooltip holds the whole of it.
  messagePanel->setText(text);
  messagePanel->setToolTip(text);
}

void MainWindow::updateCountPanel() {
  flushAddedSelection();
  countPanel->setText(QString::number(rowCount()) + QStringLiteral(" File(s)"));
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    showHint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  if (event->type() == QEvent::WindowActivate) raiseProgressDialogs();
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // A run in progress stops after the workbook in hand, a folder scan at its
  // next entry; the window closes when they have ended (closeIfAsked), so
  // that the last outcome reaches the list, the log and the job file.
  if (converting_ || isScanning()) {
    stopRunAfterCurrentFile();
    fileSearch_.stop();
    closeWhenIdle_ = true;
    event->ignore();
    return;
  }
  CloseHelpWindow();  // else it would keep the program running
  QMainWindow::closeEvent(event);
}

void MainWindow::closeIfAsked() {
  if (!closeWhenIdle_ || converting_ || isScanning()) return;
  closeWhenIdle_ = false;
  // After the handler that ended the run or scan has finished.
  QTimer::singleShot(0, this, &QWidget::close);
}

// ---------------------------------------------------------------------------
// Commands

void MainWindow::guarded(const std::function<void()>& command) {
  flushAddedSelection();
  try {
    command();
  } catch (const LogWriteError& error) {
    showLogWriteError(error);
  }
}

void MainWindow::showLogWriteError(const LogWriteError& error) {
  QMessageBox::critical(this, kProductName, QString::fromStdString(error.what()));
}

void MainWindow::onOptions() { optionsDialog->exec(); }

void MainWindow::onViewLog() {
  logViewer->loadLog();
  logViewer->exec();
}

void MainWindow::onContents() { ShowHelp(ProgramDir(), QString::fromLatin1(kHelpContentsPage)); }

void MainWindow::onAbout() { aboutBox->exec(); }

void MainWindow::onConvertAll() {
  guarded([this] { convertFiles(RunMode::kAll); });
}

void MainWindow::onConvertSelected() {
  guarded([this] { convertFiles(RunMode::kSelected); });
}

void MainWindow::onReconvert() {
  guarded([this] { convertFiles(RunMode::kReConvert); });
}

void MainWindow::onAddDir() {
  guarded([this] { addDir(); });
}

void MainWindow::addDir(const QString& droppedFolder) {
  // One scan at a time, and none while a run reads the rows.
  if (converting_ || isScanning()) return;
  if (!droppedFolder.isEmpty()) addDirDialog->folderEdit->setText(droppedFolder);
  if (addDirDialog->exec() != QDialog::Accepted) return;
  fileList->clearSelection();
  scanRowsBefore_ = rowCount();
  scanLogFailed_ = false;
  cancelFindDialog->show();
  cancelFindDialog->raise();
  addDirSearch_->start(*addDirDialog, GlobalSettings());
}

bool MainWindow::isScanning() const { return addDirSearch_->isRunning(); }

void MainWindow::onFileFound(const QString& path) {
  // Files found before the scan was stopped for a log error are not added.
  if (scanLogFailed_) return;
  try {
    addFile(path);
  } catch (const LogWriteError& error) {
    scanLogFailed_ = true;
    fileSearch_.stop();
    showLogWriteError(error);
  }
}

void MainWindow::onFolderEntered(const QString& folder) { cancelFindDialog->showFolder(folder); }

void MainWindow::onScanEnded() {
  cancelFindDialog->hide();
  scrollToSelection();
  updateCountPanel();
  // The scan's summary stands for the selection of its rows as well.
  selectionCountTimer->stop();
  // A scan ended by a log error reports nothing more.
  if (!scanLogFailed_) {
    showStatusMessage(QStringLiteral("Done Scanning, add ") + QString::number(rowCount() - scanRowsBefore_) +
                      QStringLiteral(" file(s)."));
  }
  emit scanFinished();
  closeIfAsked();
}

void MainWindow::enableAllActions() {
  for (QAction* action : {convertAllAction, convertSelectedAction, reconvertAction, deleteAction, launchSourceAction,
                          launchTargetAction, exploreSourceAction, exploreTargetAction, pasteFileAction}) {
    action->setEnabled(true);
  }
}

void MainWindow::updateActionStates() {
  flushAddedSelection();
  convertAllAction->setEnabled(false);
  convertSelectedAction->setEnabled(false);
  reconvertAction->setEnabled(false);
  for (int row = 0; row < rowCount(); ++row) {
    const bool selected = isRowSelected(row);
    if (stateOf(row) == RowState::kWaiting) {
      convertAllAction->setEnabled(true);
      if (selected) convertSelectedAction->setEnabled(true);
    } else if (selected) {
      reconvertAction->setEnabled(true);
    }
    if (convertAllAction->isEnabled() && convertSelectedAction->isEnabled() && reconvertAction->isEnabled()) break;
  }
  const bool anySelected = fileList->selectionModel()->hasSelection();
  for (QAction* action :
       {deleteAction, launchSourceAction, launchTargetAction, exploreSourceAction, exploreTargetAction}) {
    action->setEnabled(anySelected);
  }
  if (converting_) deleteAction->setEnabled(false);
  pasteFileAction->setEnabled(!clipboardFileList().isEmpty());
}

void MainWindow::onContextMenuRequested(const QPoint& pos) {
  // No context menu while a run's or a scan's progress dialog is up.
  if (cancelConvertDialog->isVisible() || cancelFindDialog->isVisible()) return;
  updateActionStates();
  fileListMenu->popup(fileList->viewport()->mapToGlobal(pos));
}

void MainWindow::onSelectionChanged() {
  if (!selectionCountTimer->isActive()) selectionCountTimer->start();
}

void MainWindow::showSelectionCount() {
  selectionCountTimer->stop();
  showStatusMessage(QStringLiteral("Select ") + QString::number(fileList->selectionModel()->selectedRows().size()) +
                    QStringLiteral(" file(s)."));
}

void MainWindow::onColumnClicked(int column) {
  // A run addresses its rows by position, so they keep their order until it ends.
  if (converting_) return;
  if (column < 0 || column >= FileListModel::kColumnCount) return;
  flushAddedSelection();
  fileListModel->sortByColumn(static_cast<Column>(column));
  // The sort marker widens the caption; a narrower column would clip it, from
  // the left where the caption is right-aligned.
  QHeaderView* header = fileList->header();
  header->resizeSection(column, std::max(header->sectionSize(column), header->sectionSizeHint(column)));
  const QList<int> selected = selectedRows();
  if (!selected.isEmpty()) fileList->scrollTo(fileListModel->index(selected.front(), 0));
}

void MainWindow::launchOrExplore(bool source, bool launch) {
  flushAddedSelection();
  const QList<int> selected = selectedRows();
  if (selected.isEmpty()) return;
  const QString path = cellText(selected.front(), source ? Column::kSource : Column::kTarget);
  // What failed to open: the file when launched, its folder when explored.
  const QString folder = path.left(path.lastIndexOf(u'/') + 1);
  bool opened;
  if (launch) opened = shell_(ShellAction::kOpen, path);
  else if (QFileInfo(path).isFile()) opened = shell_(ShellAction::kShowInFolder, path);
  else opened = shell_(ShellAction::kOpenFolder, folder);
  if (!opened) {
    const QString message = QStringLiteral("No application could open ") + (launch ? path : folder);
    showStatusMessage(message);
    WriteLog(message);
  }
}

bool MainWindow::defaultShell(ShellAction action, const QString& path) {
  if (action == ShellAction::kShowInFolder) {
    const QUrl folder = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return QDesktopServices::openUrl(folder);
    // Freedesktop file manager interface: opens the folder with the file
    // selected. The answer may take seconds (a file manager starting), so it
    // is awaited by the event loop; a failed call opens the folder instead.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 3000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [folder](QDBusPendingCallWatcher* done) {
      if (done->isError()) QDesktopServices::openUrl(folder);
      done->deleteLater();
    });
    return true;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void MainWindow::closeLeftoverPopups() {
  // A file dialog closed by Enter while its name completion showed leaves the
  // completion list open over this window, holding the keys.
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
}

void MainWindow::setConverters(ConvertFunction xls, ConvertFunction xlsx) {
  if (!converting_) worker_->setConverters(std::move(xls), std::move(xlsx));
}

void MainWindow::setShellFunction(ShellFunction shell) { shell_ = std::move(shell); }

// ---------------------------------------------------------------------------
// File list

bool MainWindow::isRowSelected(int row) const { return fileList->selectionModel()->isRowSelected(row, QModelIndex()); }

QList<int> MainWindow::selectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : fileList->selectionModel()->selectedRows()) rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void MainWindow::addFile(const QString& path) {
  if (fileListModel->containsSource(path)) {
    showStatusMessage(QStringLiteral("File [") + path + QStringLiteral("] already added!"));
    WriteLog(QStringLiteral("Add file failed: already added (") + path + u')');
    return;
  }
  const std::optional<FileType> type = FindFileType(GlobalSettings(), path);
  if (!type) {
    showStatusMessage(QStringLiteral("File [") + path + QStringLiteral("] type not support!"));
    WriteLog(QStringLiteral("Add file failed: type not support (") + path + u')');
    return;
  }
  JobRow row;
  row.subItems = {path.mid(path.lastIndexOf(u'/') + 1), path, QString::number(FileSizeOf(path)),
                  QString::fromLatin1(FileTypeInfo(*type).name),
                  TargetFileName(path, GlobalSettings()), QString()};
  fileListModel->appendRow(row);
  // Selecting rows one by one costs a layout of the view each, so a run of
  // additions is selected in one step (flushAddedSelection) before anything
  // reads the selection or the event loop runs.
  const int added = rowCount() - 1;
  if (pendingFirst_ >= 0 && added != pendingLast_ + 1) flushAddedSelection();
  if (pendingFirst_ < 0) {
    pendingFirst_ = added;
    QTimer::singleShot(0, this, &MainWindow::flushAddedSelection);
  }
  pendingLast_ = added;
}

void MainWindow::flushAddedSelection() {
  if (pendingFirst_ < 0) return;
  const int last = std::min(pendingLast_, rowCount() - 1);
  const int first = pendingFirst_;
  pendingFirst_ = pendingLast_ = -1;
  if (first > last) return;
  fileList->selectionModel()->select(
      QItemSelection(fileListModel->index(first, 0), fileListModel->index(last, FileListModel::kColumnCount - 1)),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  fileList->selectionModel()->setCurrentIndex(fileListModel->index(last, 0), QItemSelectionModel::NoUpdate);
}

void MainWindow::scrollToSelection() {
  flushAddedSelection();
  QModelIndex target = fileList->currentIndex();
  if (!target.isValid() || !isRowSelected(target.row())) {
    const QList<int> selected = selectedRows();
    target = selected.isEmpty() ? QModelIndex() : fileListModel->index(selected.front(), 0);
  }
  if (target.isValid()) fileList->scrollTo(target);
}

void MainWindow::onAddFile() {
  if (converting_) return;
  addFilesDialog->setNameFilters(FilePickerFilters(GlobalSettings()));
  addFilesDialog->setDirectory(PickerStartFolder());
  const int answer = addFilesDialog->exec();
  closeLeftoverPopups();
  if (answer != QDialog::Accepted) return;
  const QStringList chosen = addFilesDialog->selectedFiles();
  if (!chosen.isEmpty()) RememberPickerFolderOf(chosen.front());
  guarded([this, &chosen] { addChosenFiles(chosen); });
}

void MainWindow::addStartPaths(const QStringList& files, const QStringList& folders) {
  guarded([&] {
    if (!files.isEmpty()) addChosenFiles(files);
    if (!folders.isEmpty()) addDir(folders.join(u';'));
  });
}

void MainWindow::addChosenFiles(const QStringList& paths) {
  if (converting_) return;
  fileList->clearSelection();
  for (const QString& path : paths) addFile(path);
  scrollToSelection();
  updateCountPanel();
}

QStringList MainWindow::clipboardFileList() {
  QStringList files;
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  return files;
}

void MainWindow::onPasteFile() {
  guarded([this] { pasteFiles(clipboardFileList()); });
}

void MainWindow::pasteFiles(const QStringList& paths) {
  if (converting_) return;
  for (const QString& path : paths) addFile(path);
  updateCountPanel();
}

void MainWindow::dropFiles(const QStringList& paths) {
  if (converting_ || paths.isEmpty()) return;
  fileList->clearSelection();
  if (paths.size() == 1) {
    if (IsDirectory(paths.front())) {
      activateWindow();
      addDir(paths.front());
    } else {
      addFile(paths.front());
      scrollToSelection();
    }
  } else {
    for (const QString& path : paths) {
      if (!IsDirectory(path)) addFile(path);
    }
    scrollToSelection();
  }
  updateCountPanel();
  activateWindow();
  raise();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  if (!(event->possibleActions() & Qt::CopyAction)) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  guarded([this, &paths] { dropFiles(paths); });
}

void MainWindow::onDelete() {
  if (converting_) {
    showStatusMessage(cancelRun_ ? kStoppingMessage + u' ' + kDeleteRefusedMessage : kDeleteRefusedMessage);
    return;
  }
  flushAddedSelection();
  fileListModel->removeRows(selectedRows());
  updateCountPanel();
  // Taking rows out resets the selection without a selection signal.
  showSelectionCount();
}

void MainWindow::onSelectAll() { fileList->selectAll(); }

void MainWindow::saveJobFile(const QString& path) const { SaveJobFile(path, fileListModel->rows()); }

void MainWindow::loadJobFile(const QString& path) {
  std::optional<JobFileContents> contents = LoadJobFile(path);
  if (!contents) return;
  if (contents->damaged) reportDamagedJobFile(path, *contents);
  fileListModel->setRows(std::move(contents->rows));
  updateCountPanel();
}

void MainWindow::reportDamagedJobFile(const QString& path, const JobFileContents& contents) {
  const QString keptAs = KeepDamagedFile(path);
  if (keptAs.isEmpty()) saveJobFileAtExit_ = false;  // the damaged file is all there is of the lost rows
  const QString message = DamagedJobFileMessage(path, contents, keptAs);
  try {
    WriteLog(message);
  } catch (const LogWriteError&) {
    // The box below says it all the same.
  }
  // Once the window is up, over it.
  QTimer::singleShot(0, this, [this, message] { QMessageBox::warning(this, kProductName, message); });
}

// ---------------------------------------------------------------------------
// Conversion run

void MainWindow::failRow(int row, const QString& message, const QString& logPath) {
  fileListModel->setState(row, RowState::kFailed);
  fileListModel->setText(row, Column::kMessage, message);
  ++runFailed_;
  WriteLog(QStringLiteral("Failed: ") + message + QStringLiteral(" (") + logPath + QStringLiteral("), layout ") +
           runLayoutName_);
}

void MainWindow::convertFiles(RunMode mode) {
  flushAddedSelection();
  if (converting_ || rowCount() == 0) return;
  cancelRun_ = false;
  runMode_ = mode;
  runCodePage_ = GlobalSettings().outputCodePage != 0 ? GlobalSettings().outputCodePage : Engine::LocaleCodePage();
  runOptions_ = OutputConversionOptions(GlobalSettings());
  runFilePerSheet_ = GlobalSettings().filePerSheet;
  runLayoutName_ = OutputLayoutName(GlobalSettings());
  runSuccessful_ = 0;
  runFailed_ = 0;
  WriteLog(QStringLiteral("Conversion start..."));
  runRowCount_ = rowCount();
  runNextRow_ = 0;
  cancelConvertDialog->resetProgress(runRowCount_);
  cancelConvertDialog->show();
  cancelRun_ = false;
  converting_ = true;
  continueRun();
}

void MainWindow::continueRun() {
  // An error of the log ends the run where it stands: no summary, and the
  // rows not reached keep their columns.
  try {
    while (runNextRow_ < runRowCount_) {
      // Cancel is seen between rows; the row in hand has finished.
      if (cancelRun_) break;
      const int row = runNextRow_++;
      cancelConvertDialog->showFileName(cellText(row, Column::kSource));
      const bool selected = isRowSelected(row);
      const bool waiting = stateOf(row) == RowState::kWaiting;
      const bool chosen = (runMode_ == RunMode::kAll && waiting) || (runMode_ == RunMode::kSelected && selected && waiting) ||
                          (runMode_ == RunMode::kReConvert && selected && !waiting);
      if (!chosen) {
        if (!waiting) cancelConvertDialog->stepProgress();
        continue;
      }
      const RowStep step = beginRow(row);
      if (step == RowStep::kHanded) return;  // onRowConverted goes on
      if (step == RowStep::kStopRun) break;
    }
    finishRun();
  } catch (const LogWriteError& error) {
    endRun();
    showLogWriteError(error);
  }
}

MainWindow::TargetChoice MainWindow::settleTarget(QString& target, bool& replaceTarget) {
  replaceTarget = false;
  if (!TargetExists(target)) return TargetChoice::kWrite;
  int policy = GlobalSettings().overwritePolicy;
  if (policy == static_cast<int>(FileOverType::kPrompt)) {
    // Asked here, on the window's thread; the worker has nothing in hand.
    cancelConvertDialog->stepAside();
    const int answer = overwriteDialog->ask(target);
    cancelConvertDialog->stepBack();
    switch (answer) {
      case OverwriteDialog::ResultStopConvert: return TargetChoice::kStopRun;
      case OverwriteDialog::ResultAutoRename: policy = static_cast<int>(FileOverType::kAutoRename); break;
      case OverwriteDialog::ResultOverwrite: policy = static_cast<int>(FileOverType::kOverwrite); break;
      default: policy = static_cast<int>(FileOverType::kCancel); break;
    }
  }
  if (policy == static_cast<int>(FileOverType::kAutoRename)) {
    target = AutoRenameTarget(target);
    return TargetChoice::kWrite;
  }
  if (policy == static_cast<int>(FileOverType::kOverwrite)) {
    replaceTarget = true;
    return TargetChoice::kWrite;
  }
  return TargetChoice::kSkip;
}

MainWindow::RowStep MainWindow::beginRow(int row) {
  const QString source = cellText(row, Column::kSource);
  QString target = TargetFileName(source, GlobalSettings());
  bool replaceTarget = false;
  // With one file per sheet the sheets' targets are settled once they are known.
  if (!runFilePerSheet_) {
    switch (settleTarget(target, replaceTarget)) {
      case TargetChoice::kStopRun: return RowStep::kStopRun;
      case TargetChoice::kSkip:
        failRow(row, kTargetExistsMessage, cellText(row, Column::kTarget));
        cancelConvertDialog->stepProgress();
        return RowStep::kDone;
      case TargetChoice::kWrite: break;
    }
    fileListModel->setText(row, Column::kTarget, target);
  }
  cancelConvertDialog->stepProgress();

  // The Type column as the row was added, or as an older job file kept it.
  const std::optional<FileType> type = FileTypeNamed(cellText(row, Column::kType));
  if (!type) {
    failRow(row, QStringLiteral("File type not support"), source);
    return RowStep::kDone;
  }
  rowJob_ = ConversionJob{row, source, target, replaceTarget, FileTypeInfo(*type).engineType, runCodePage_,
                          runOptions_, {}};
  rowJob_.options.password = runPassword_;
  handRowToWorker();
  return RowStep::kHanded;
}

void MainWindow::handRowToWorker() {
  if (runFilePerSheet_ && rowJob_.sheets.empty()) worker_->listSheets(rowJob_);
  else worker_->convert(rowJob_);
}

void MainWindow::onSheetsListed(int row, int result, bool passwordRefused, const std::vector<SheetInfo>& sheets) {
  if (!converting_ || row != rowJob_.row) return;
  if (passwordRefused && retryWithPassword(row)) return;
  if (result < 0 || sheets.empty()) {
    onRowConverted(row, result < 0 ? result : 0, false);
    return;
  }
  try {
    const QStringList targets = SheetTargetNames(rowJob_.target, sheets);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      SheetTarget sheet{sheets[i].number, targets[static_cast<qsizetype>(i)], false};
      switch (settleTarget(sheet.target, sheet.replaceTarget)) {
        case TargetChoice::kStopRun: finishRun(); return;
        case TargetChoice::kSkip: continue;
        case TargetChoice::kWrite: rowJob_.sheets.push_back(sheet); break;
      }
    }
    if (rowJob_.sheets.empty()) {
      failRow(row, kTargetExistsMessage, targets.front());
      continueRun();
      return;
    }
    fileListModel->setText(row, Column::kTarget, rowJob_.sheets.front().target);
  } catch (const LogWriteError& error) {
    endRun();
    showLogWriteError(error);
    return;
  }
  worker_->convert(rowJob_);
}

bool MainWindow::retryWithPassword(int row) {
  if (row != rowJob_.row) return false;
  if (runPassword_ && rowJob_.options.password != runPassword_) {
    rowJob_.options.password = runPassword_;
  } else {
    bool forRestOfRun = false;
    cancelConvertDialog->stepAside();
    const std::optional<QString> password = passwordDialog->ask(rowJob_.source, forRestOfRun);
    cancelConvertDialog->stepBack();
    if (!password || cancelRun_) return false;
    rowJob_.options.password = password->toStdString();
    if (forRestOfRun) runPassword_ = rowJob_.options.password;
  }
  handRowToWorker();
  return true;
}

void MainWindow::onRowConverted(int row, int result, bool passwordRefused) {
  if (!converting_) return;  // a run ended by a log error while the row was in hand
  if (passwordRefused && retryWithPassword(row)) return;
  try {
    if (result < 0) {
      failRow(row, ConvertMessageForResult(result),
              cellText(row, result == kDestinationCreateFailed ? Column::kTarget : Column::kSource));
    } else {
      const QString message = ConvertMessageForResult(result);
      fileListModel->setState(row, RowState::kConverted);
      fileListModel->setText(row, Column::kMessage, message);
      ++runSuccessful_;
      WriteLog(message + QStringLiteral(" (") + cellText(row, Column::kSource) + QStringLiteral("), layout ") +
               runLayoutName_);
    }
  } catch (const LogWriteError& error) {
    endRun();
    showLogWriteError(error);
    return;
  }
  continueRun();
}

void MainWindow::stopRunAfterCurrentFile() {
  if (!converting_ || cancelRun_) {
    cancelRun_ = true;
    return;
  }
  cancelRun_ = true;
  showStatusMessage(kStoppingMessage);
}

void MainWindow::finishRun() {
  // Closing the progress dialog asks for a stop; the run has none to make.
  converting_ = false;
  cancelConvertDialog->close();
  WriteLog(QStringLiteral("Conversion end. Successful: ") + QString::number(runSuccessful_) +
           QStringLiteral(", Failed: ") + QString::number(runFailed_) + QStringLiteral(", Total: ") +
           QString::number(runSuccessful_ + runFailed_) + QStringLiteral("\r\n"));
  endRun();
}

void MainWindow::endRun() {
  converting_ = false;
  runPassword_.reset();
  rowJob_.options.password.reset();
  cancelConvertDialog->close();
  if (messagePanel->text().startsWith(kStoppingMessage)) showStatusMessage(QStringLiteral("Conversion stopped."));
  emit runFinished();
  closeIfAsked();
}

}  // namespace tabulox
