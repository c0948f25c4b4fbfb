#include "main_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSet>
#include <QStyledItemDelegate>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include "activity_log.h"
#include "add_dir_search.h"
#include "file_types.h"
#include "fm_about.h"
#include "fm_add_dir.h"
#include "fm_cancel_cvt.h"
#include "fm_cancel_find.h"
#include "fm_directory.h"
#include "fm_file_over_tp.h"
#include "fm_option.h"
#include "fm_view_log.h"
#include "folder_scan.h"
#include "global_settings.h"
#include "help_pages.h"
#include "target_file.h"

// The icon set lives in a static library, so its registration is explicit.
static void InitIconResources() { Q_INIT_RESOURCE(tabulox); }

namespace tabulox {

namespace {

const char* const kTagProperty = "Tag";
const QString kProductName = QStringLiteral("KV-Tabulox");
const QString kProductPanel = QStringLiteral("KV-Tabulox 3.0");
const QString kAscendingMarker = QStringLiteral("(->)");
const QString kDescendingMarker = QStringLiteral("(<-)");

constexpr int kStateRole = Qt::UserRole;
constexpr int kSelectTimerMs = 50;
constexpr int kButtonWidth = 65;
constexpr int kButtonHeight = 22;
constexpr int kMaxButtonWidth = 78;  // the narrowest gap between two button lefts, less 2
constexpr int kButtonRowHeight = 34;

// A list row that sorts through the main window's comparison.
class TListRow : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    const auto* form = qobject_cast<const MainWindow*>(treeWidget()->window());
    return form ? form->compareRows(this, &other) < 0 : QTreeWidgetItem::operator<(other);
  }
};

// Draws a cell as usual, then its grid lines on the right and at the bottom.
class TGridDelegate : public QStyledItemDelegate {
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

// Compares as text with A-Z folded to upper case and every other character by its code.
int CompareTextAsciiNoCase(const QString& a, const QString& b) {
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    char16_t x = a[i].unicode();
    char16_t y = b[i].unicode();
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - (u'a' - u'A'));
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - (u'a' - u'A'));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A size text as a number; a text that is not one counts as 0.
qint64 SizeValue(const QString& text) {
  bool ok = false;
  const qint64 value = text.trimmed().toLongLong(&ok);
  return ok ? value : 0;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  InitIconResources();
  setObjectName(QStringLiteral("mainWindow"));
  shell_ = defaultShell;
  worker_ = std::make_unique<ConversionWorker>();
  connect(worker_.get(), &ConversionWorker::Converted, this, &MainWindow::onRowConverted);
  createWindow();
}

MainWindow::~MainWindow() { saveOnExit(); }

// ---------------------------------------------------------------------------
// Construction of the window

void MainWindow::createActions() {
  const auto make = [this](int tag, const QString& caption, int image = -1) {
    auto* action = new QAction(caption, this);
    action->setProperty(kTagProperty, tag);
    if (image >= 0) action->setIcon(menuIcons.value(image));
    connect(action, &QAction::triggered, this, &MainWindow::onMenuItemClicked);
    return action;
  };
  optionsAction = make(CmdOptions, QStringLiteral("&Options"), 0);
  exitAction = make(CmdExit, QStringLiteral("&Exit"));
  viewLogAction = make(CmdViewLog, QStringLiteral("&View Log"), 7);
  addFileAction = make(CmdAddFile, QStringLiteral("Add &File                   CTRL+F"), 5);
  addDirAction = make(CmdAddDir, QStringLiteral("Add &Dir                    CTRL+D"), 6);
  pasteFileAction = make(CmdPasteFile, QStringLiteral("&Paste File                CTRL+V"), 2);
  deleteAction = make(CmdDelete, QStringLiteral("Delete                     Delete"));
  selectAllAction = make(CmdSelectAll, QStringLiteral("Select &All                 CTRL+A"));
  convertAllAction = make(CmdConvertAll, QStringLiteral("&Convert All               Ctrl+G"), 3);
  convertSelectedAction = make(CmdConvertSelect, QStringLiteral("Convert &Selected"));
  reconvertAction = make(CmdReConvert, QStringLiteral("&ReConvert Selected"));
  launchSourceAction = make(CmdLaunchSource, QStringLiteral("Source"));
  launchTargetAction = make(CmdLaunchTarget, QStringLiteral("Target"));
  exploreSourceAction = make(CmdExploreSource, QStringLiteral("Source"));
  exploreTargetAction = make(CmdExploreTarget, QStringLiteral("Target"));
  contentsAction = make(CmdContents, QStringLiteral("&Contents           F1"), 1);
  aboutAction = make(CmdAbout, QStringLiteral("&About"));
}

void MainWindow::createMenus() {
  // Each menu shows the hint of the entry under the pointer and runs the
  // enabling rules when it opens.
  const auto wire = [this](QMenu* menu) {
    connect(menu, &QMenu::hovered, this, [this](QAction* a) { showHint(a->statusTip()); });
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateActionStates);
  };
  const auto submenu = [this](QMenu* parentMenu, const QString& title, int tag, QAction* source,
                              QAction* target) {
    QMenu* menu = parentMenu->addMenu(title);
    menu->menuAction()->setProperty(kTagProperty, tag);
    menu->addAction(source);
    menu->addAction(target);
    connect(menu, &QMenu::hovered, this, [this](QAction* a) { showHint(a->statusTip()); });
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
  submenu(convert, QStringLiteral("&Launch"), CmdLaunchMenu, launchSourceAction, launchTargetAction);
  submenu(convert, QStringLiteral("&Explore"), CmdExploreMenu, exploreSourceAction, exploreTargetAction);
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
  submenu(fileListMenu, QStringLiteral("Launch"), CmdLaunchMenu, launchSourceAction, launchTargetAction);
  submenu(fileListMenu, QStringLiteral("Explore"), CmdExploreMenu, exploreSourceAction, exploreTargetAction);
  connect(fileListMenu, &QMenu::hovered, this, [this](QAction* a) { showHint(a->statusTip()); });
}

void MainWindow::createFileList() {
  fileList = new QTreeWidget(this);
  fileList->setObjectName(QStringLiteral("fileList"));
  fileList->setRootIsDecorated(false);
  fileList->setItemsExpandable(false);
  fileList->setUniformRowHeights(true);
  fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
  fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  fileList->setAllColumnsShowFocus(true);
  fileList->setIconSize(QSize(16, 16));
  fileList->setColumnCount(ColumnCount);
  fileList->setHeaderLabels({QStringLiteral("State"), QStringLiteral("Name"),
                              QStringLiteral("Source file"), QStringLiteral("Size(Byte)"),
                              QStringLiteral("Type"), QStringLiteral("Target file"),
                              QStringLiteral("Convert Message")});
  const int widths[ColumnCount] = {40, 100, 300, 62, 40, 300, 300};
  for (int c = 0; c < ColumnCount; ++c) fileList->setColumnWidth(c, widths[c]);
  fileList->headerItem()->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
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
  fileList->setItemDelegate(new TGridDelegate(fileList));

  connect(fileList->header(), &QHeaderView::sectionClicked, this, &MainWindow::onColumnClicked);
  connect(fileList, &QTreeWidget::itemSelectionChanged, this, &MainWindow::onSelectionChanged);
  connect(fileList, &QWidget::customContextMenuRequested, this, &MainWindow::onContextMenuRequested);
}

void MainWindow::createButtonRow() {
  buttonRow = new QWidget(this);
  buttonRow->setObjectName(QStringLiteral("buttonRow"));
  buttonRow->setFixedHeight(kButtonRowHeight);
  const auto make = [this](const QString& name, const QString& caption, int tag, int image, int left) {
    auto* button = new QToolButton(buttonRow);
    button->setObjectName(name);
    button->setText(caption);
    button->setProperty(kTagProperty, tag);
    button->setIcon(menuIcons.value(image));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    // 65 pixels, or wider up to the next button's left when the caption needs it.
    const int width = std::clamp(button->sizeHint().width(), kButtonWidth, kMaxButtonWidth);
    button->setGeometry(left, (kButtonRowHeight - kButtonHeight) / 2, width, kButtonHeight);
    connect(button, &QToolButton::clicked, this, &MainWindow::onMenuItemClicked);
    return button;
  };
  addFileButton = make(QStringLiteral("addFileButton"), QStringLiteral("&Add File"), CmdAddFile, 5, 49);
  addDirButton = make(QStringLiteral("addDirButton"), QStringLiteral("Add &Dir"), CmdAddDir, 6, 130);
  optionsButton = make(QStringLiteral("optionsButton"), QStringLiteral("&Options"), CmdOptions, 0, 213);
  logButton = make(QStringLiteral("logButton"), QStringLiteral("&Log"), CmdViewLog, 7, 293);
  convertButton = make(QStringLiteral("convertButton"), QStringLiteral("&Convert"), CmdConvertAll, 3, 0);
  convertButton->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid navy; }"));
}

void MainWindow::createStatusBar() {
  statusBar_ = statusBar();
  statusBar_->setObjectName(QStringLiteral("statusBar_"));
  statusBar_->setSizeGripEnabled(true);
  for (auto& panel : statusPanels) panel = new QLabel(statusBar_);
  statusPanels[0]->setText(kProductPanel);
  statusPanels[0]->setFrameShape(QFrame::NoFrame);
  statusPanels[1]->setText(QStringLiteral("0 File(s)"));
  statusPanels[1]->setFrameShape(QFrame::Panel);
  statusPanels[1]->setFrameShadow(QFrame::Sunken);
  statusPanels[2]->setFrameShape(QFrame::Panel);
  statusPanels[2]->setFrameShadow(QFrame::Sunken);
  statusBar_->addWidget(statusPanels[0]);
  statusBar_->addWidget(statusPanels[1]);
  statusBar_->addWidget(statusPanels[2], 1);
}

void MainWindow::createWindow() {
  resize(580, 430);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setWindowTitle(kProductName);
  setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  for (int i = 0; i < 8; ++i) menuIcons << QIcon(QStringLiteral(":/icons/menu%1.png").arg(i));
  for (int i = 0; i < 3; ++i) stateIcons << QIcon(QStringLiteral(":/icons/state%1.png").arg(i));

  createActions();
  createMenus();
  createFileList();
  createButtonRow();
  createStatusBar();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(fileList, 1);
  layout->addWidget(buttonRow);
  setCentralWidget(central);
  // The Convert button keeps to the right edge (placeConvertButton); never narrower
  // than leaves it clear of the Log button, and room for a few rows.
  constexpr int kButtonGap = 8;
  constexpr int kLeastHeight = 240;
  setMinimumSize(logButton->geometry().right() + 1 + kButtonGap + convertButton->width() +
                     addFileButton->x() + 4,
                 kLeastHeight);

  addFilesDialog = new QFileDialog(this);
  addFilesDialog->setObjectName(QStringLiteral("addFilesDialog"));
  addFilesDialog->setFileMode(QFileDialog::ExistingFiles);
  addFilesDialog->setOption(QFileDialog::DontUseNativeDialog);
  addFilesDialog->setOption(QFileDialog::HideNameFilterDetails);
  selectionCountTimer = new QTimer(this);
  selectionCountTimer->setSingleShot(true);
  selectionCountTimer->setInterval(kSelectTimerMs);
  connect(selectionCountTimer, &QTimer::timeout, this, &MainWindow::showSelectionCount);

  cancelConvertDialog = new TFmCancelCvt(this);
  connect(cancelConvertDialog, &TFmCancelCvt::CancelRequested, this, [this] { cancelRun_ = true; });
  aboutBox = new TFmAbout(this);
  overwriteDialog = new TFmFileOverTp(this);
  logViewer = new TFmViewLog(this);
  optionsDialog = new TFmOption(GlobalSettings(), ProgramDir(), this);
  directoryDialog = new TFmDirectory(GlobalSettings().adddir, this);
  addDirDialog = new TFmAddDir(GlobalSettings(), *directoryDialog, this);
  cancelFindDialog = new TFmCancelFind(fileSearch_, this);
  addDirSearch_ = std::make_unique<AddDirSearch>(fileSearch_, this);

  setHints();
  setAcceptDrops(true);
  qApp->installEventFilter(this);
  rowCount_ = 0;
  cancelRun_ = false;
  sortColumn_ = -1;
  sortAscending_ = true;
  loadJobFile(JobFilePath());
  connect(addDirSearch_.get(), &AddDirSearch::FileFound, this, &MainWindow::onFileFound);
  connect(addDirSearch_.get(), &AddDirSearch::FolderEntered, this, &MainWindow::onFolderEntered);
  connect(addDirSearch_.get(), &AddDirSearch::FolderSearched, this, &MainWindow::onFolderSearched);
  connect(addDirSearch_.get(), &AddDirSearch::Finished, this, &MainWindow::onScanEnded);
  placeConvertButton();
}

void MainWindow::saveOnExit() {
  qApp->removeEventFilter(this);
  if (EnsureConfigDir()) saveJobFile(JobFilePath());
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

QAction* MainWindow::actionByTag(int tag) const {
  for (QAction* action : findChildren<QAction*>()) {
    if (action->property(kTagProperty).toInt() == tag) return action;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Window behaviour

void MainWindow::placeConvertButton() {
  convertButton->move(width() - convertButton->width() - addFileButton->x() - 4, convertButton->y());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  placeConvertButton();
}

void MainWindow::raiseProgressDialogs() {
  if (cancelConvertDialog->isVisible()) cancelConvertDialog->raise();
  if (cancelFindDialog->isVisible()) cancelFindDialog->raise();
}

void MainWindow::showHint(const QString& hint) { statusPanels[2]->setText(hint); }

void MainWindow::showStatusMessage(const QString& text) { statusPanels[2]->setText(text); }

void MainWindow::updateCountPanel() {
  flushAddedSelection();
  statusPanels[1]->setText(QString::number(rowCount_) + QStringLiteral(" File(s)"));
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
    cancelRun_ = true;
    fileSearch_.Stop();
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

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // Key preview: the window sees every key meant for one of its controls
  // before that control does, and leaves it to the control afterwards.
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    const bool focusTarget = widget == QApplication::focusWidget() ||
                             (QApplication::focusWidget() == nullptr && widget == this);
    // A key the window acts on is consumed: passed on, it would reach the
    // window again through its parents whenever a dialog it opened left no
    // widget with the focus, and act a second time.
    if (focusTarget && widget->window() == this && runShortcut(static_cast<QKeyEvent*>(event))) {
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::runShortcut(QKeyEvent* key) {
  const Qt::KeyboardModifiers shift = key->modifiers();
  if (shift & Qt::AltModifier) return false;
  int command = -1;
  if (key->key() == Qt::Key_F1) {
    command = CmdContents;
  } else if (shift & Qt::ControlModifier) {
    switch (key->key()) {
      case Qt::Key_A: command = CmdSelectAll; break;
      case Qt::Key_V: command = CmdPasteFile; break;
      case Qt::Key_F: command = CmdAddFile; break;
      case Qt::Key_D: command = CmdAddDir; break;
      case Qt::Key_G: command = CmdConvertAll; break;
      default: break;
    }
  }
  if (key->key() == Qt::Key_Delete) command = CmdDelete;
  if (command < 0) return false;
  executeCommand(command);
  return true;
}

// ---------------------------------------------------------------------------
// Commands

void MainWindow::onMenuItemClicked() {
  if (QObject* source = sender()) executeCommand(source->property(kTagProperty).toInt());
}

void MainWindow::executeCommand(int tag) {
  flushAddedSelection();
  try {
    runCommand(tag);
  } catch (const LogWriteError& error) {
    showLogWriteError(error);
  }
}

void MainWindow::showLogWriteError(const LogWriteError& error) {
  QMessageBox::critical(this, kProductName, QString::fromStdString(error.what()));
}

void MainWindow::runCommand(int tag) {
  switch (tag) {
    case CmdOptions: onOptions(); break;
    case CmdExit: close(); break;
    case CmdViewLog: onViewLog(); break;
    case CmdAddFile: onAddFile(); break;
    case CmdAddDir: addDir(); break;
    case CmdPasteFile: onPasteFile(); break;
    case CmdDelete: onDelete(); break;
    case CmdSelectAll: onSelectAll(); break;
    case CmdConvertAll: convertFiles(ModeAll); break;
    case CmdConvertSelect: convertFiles(ModeSelected); break;
    case CmdReConvert: convertFiles(ModeReConvert); break;
    case CmdLaunchSource: launchOrExplore(true, true); break;
    case CmdLaunchTarget: launchOrExplore(false, true); break;
    case CmdExploreSource: launchOrExplore(true, false); break;
    case CmdExploreTarget: launchOrExplore(false, false); break;
    case CmdContents: onContents(); break;
    case CmdAbout: onAbout(); break;
    default: break;
  }
}

void MainWindow::onOptions() { optionsDialog->exec(); }

void MainWindow::addDir(const QString& droppedFolder) {
  // One scan at a time, and none while a run reads the rows.
  if (converting_ || isScanning()) return;
  if (!droppedFolder.isEmpty()) addDirDialog->EditDir->setText(droppedFolder);
  if (addDirDialog->exec() != QDialog::Accepted) return;
  fileList->clearSelection();
  scanRowsBefore_ = rowCount_;
  scanLogFailed_ = false;
  cancelFindDialog->show();
  cancelFindDialog->raise();
  addDirSearch_->Start(*addDirDialog, GlobalSettings());
}

bool MainWindow::isScanning() const { return addDirSearch_->Running(); }

void MainWindow::onFileFound(const QString& path) {
  // Files found before the scan was stopped for a log error are not added.
  if (scanLogFailed_) return;
  try {
    addFile(path);
  } catch (const LogWriteError& error) {
    scanLogFailed_ = true;
    fileSearch_.Stop();
    showLogWriteError(error);
  }
}

void MainWindow::onFolderEntered(const QString& folder) { cancelFindDialog->ShowFolder(folder); }

void MainWindow::onFolderSearched() { scrollToSelection(); }

void MainWindow::onScanEnded() {
  cancelFindDialog->hide();
  scrollToSelection();
  updateCountPanel();
  // A scan ended by a log error reports nothing more.
  if (!scanLogFailed_) {
    showStatusMessage(QStringLiteral("Done Scanning, add ") + QString::number(rowCount_ - scanRowsBefore_) +
                      QStringLiteral(" file(s)."));
  }
  emit scanFinished();
  closeIfAsked();
}

void MainWindow::onContents() { ShowHelp(ProgramDir(), QString::fromLatin1(kHelpContentsPage)); }

void MainWindow::onViewLog() {
  logViewer->LoadLog();
  logViewer->exec();
}

void MainWindow::onAbout() { aboutBox->exec(); }

void MainWindow::updateActionStates() {
  flushAddedSelection();
  convertAllAction->setEnabled(false);
  convertSelectedAction->setEnabled(false);
  reconvertAction->setEnabled(false);
  bool anySelected = false;
  for (int i = 0; i < fileList->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = fileList->topLevelItem(i);
    const bool selected = item->isSelected();
    anySelected = anySelected || selected;
    if (stateOf(i) == StateWaiting) {
      convertAllAction->setEnabled(true);
      if (selected) convertSelectedAction->setEnabled(true);
    } else if (selected) {
      reconvertAction->setEnabled(true);
    }
    if (convertAllAction->isEnabled() && convertSelectedAction->isEnabled() && reconvertAction->isEnabled()) break;
  }
  if (!anySelected) anySelected = !fileList->selectedItems().isEmpty();
  for (QAction* action : {deleteAction, launchSourceAction, launchTargetAction, exploreSourceAction, exploreTargetAction}) {
    action->setEnabled(anySelected);
  }
  pastedFiles_ = clipboardFileList();
  pasteFileAction->setEnabled(!pastedFiles_.isEmpty());
}

void MainWindow::onContextMenuRequested(const QPoint& pos) {
  // No context menu while a run's progress dialog is up.
  if (cancelConvertDialog->isVisible() || cancelFindDialog->isVisible()) return;
  updateActionStates();
  fileListMenu->popup(fileList->viewport()->mapToGlobal(pos));
}

void MainWindow::onSelectionChanged() {
  if (!selectionCountTimer->isActive()) selectionCountTimer->start();
}

void MainWindow::showSelectionCount() {
  selectionCountTimer->stop();
  showStatusMessage(QStringLiteral("Select ") + QString::number(fileList->selectedItems().size()) +
                    QStringLiteral(" file(s)."));
}

void MainWindow::onColumnClicked(int column) {
  // A run addresses its rows by position, so they keep their order until it ends.
  if (converting_) return;
  flushAddedSelection();
  QTreeWidgetItem* header = fileList->headerItem();
  for (int c = 0; c < ColumnCount; ++c) {
    if (header->text(c).startsWith(u'(')) header->setText(c, header->text(c).mid(4));
  }
  if (column != sortColumn_) sortAscending_ = true;
  header->setText(column, (sortAscending_ ? kAscendingMarker : kDescendingMarker) + header->text(column));
  sortColumn_ = column;
  fileList->sortItems(column, Qt::AscendingOrder);
  sortAscending_ = !sortAscending_;
  const QList<QTreeWidgetItem*> selected = fileList->selectedItems();
  if (!selected.isEmpty()) {
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < fileList->topLevelItemCount() && !first; ++i) {
      if (fileList->topLevelItem(i)->isSelected()) first = fileList->topLevelItem(i);
    }
    fileList->scrollToItem(first);
  }
}

int MainWindow::compareRows(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const {
  int result = 0;
  if (sortColumn_ == ColState) {
    const int x = a->data(ColState, kStateRole).toInt();
    const int y = b->data(ColState, kStateRole).toInt();
    result = x < y ? -1 : (x > y ? 1 : 0);
  } else if (sortColumn_ == ColSize) {
    const qint64 x = SizeValue(a->text(ColSize));
    const qint64 y = SizeValue(b->text(ColSize));
    result = x < y ? -1 : (x > y ? 1 : 0);
  } else if (sortColumn_ > 0 && sortColumn_ < ColumnCount) {
    result = CompareTextAsciiNoCase(a->text(sortColumn_), b->text(sortColumn_));
  }
  return sortAscending_ ? result : -result;
}

void MainWindow::launchOrExplore(bool source, bool launch) {
  flushAddedSelection();
  QString path;
  bool found = false;
  for (int i = 0; i < fileList->topLevelItemCount() && !found; ++i) {
    if (fileList->topLevelItem(i)->isSelected()) {
      path = subItemOf(i, source ? SubSource : SubTarget);
      found = true;
    }
  }
  if (!found) return;
  bool opened;
  if (launch) opened = shell_(ShellAction::Open, path);
  else if (QFileInfo(path).isFile()) opened = shell_(ShellAction::ShowInFolder, path);
  else opened = shell_(ShellAction::OpenFolder, path.left(path.lastIndexOf(u'/') + 1));
  if (!opened) showStatusMessage(QStringLiteral("No application could open ") + path);
}

bool MainWindow::defaultShell(ShellAction action, const QString& path) {
  if (action == ShellAction::ShowInFolder) {
    // Freedesktop file manager interface: opens the folder with the file selected.
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ErrorMessage) return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
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
  if (!converting_) worker_->SetConverters(std::move(xls), std::move(xlsx));
}

void MainWindow::setShellFunction(ShellFunction shell) { shell_ = std::move(shell); }

// ---------------------------------------------------------------------------
// File list

QString MainWindow::sourceKey(const QString& source) { return source.toUpper(); }

int MainWindow::stateOf(int row) const {
  return fileList->topLevelItem(row)->data(ColState, kStateRole).toInt();
}

QString MainWindow::subItemOf(int row, int subItem) const {
  return fileList->topLevelItem(row)->text(subItem + 1);
}

void MainWindow::setState(int row, int state) {
  QTreeWidgetItem* item = fileList->topLevelItem(row);
  item->setData(ColState, kStateRole, state);
  item->setIcon(ColState, stateIcons.value(state));
}

void MainWindow::setSubItem(int row, int subItem, const QString& text) {
  fileList->topLevelItem(row)->setText(subItem + 1, text);
}

QTreeWidgetItem* MainWindow::appendRow(const JobRow& row) {
  auto* item = new TListRow;
  item->setData(ColState, kStateRole, row.state);
  item->setIcon(ColState, stateIcons.value(row.state));
  item->setText(ColState, row.caption);
  for (int i = 0; i < SubItemCount && i < row.subItems.size(); ++i) item->setText(i + 1, row.subItems[i]);
  item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
  fileList->addTopLevelItem(item);
  ++sourceKeys_[sourceKey(item->text(ColSource))];
  return item;
}

void MainWindow::forgetSource(const QString& source) {
  const auto it = sourceKeys_.find(sourceKey(source));
  if (it != sourceKeys_.end() && --it.value() <= 0) sourceKeys_.erase(it);
}

qint64 MainWindow::fileSizeOf(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() ? info.size() : 0;
}

bool MainWindow::isDirectory(const QString& path) { return QFileInfo(path).isDir(); }

void MainWindow::addFile(const QString& path) {
  if (sourceKeys_.contains(sourceKey(path))) {
    showStatusMessage(QStringLiteral("File [") + path + QStringLiteral("] already added!"));
    WriteLog(QStringLiteral("Add file failed: already added (") + path + u')');
    return;
  }
  const QString type = FindFileType(GlobalSettings(), path);
  if (type.isEmpty()) {
    showStatusMessage(QStringLiteral("File [") + path + QStringLiteral("] type not support!"));
    WriteLog(QStringLiteral("Add file failed: type not support (") + path + u')');
    return;
  }
  JobRow row;
  row.subItems = {path.mid(path.lastIndexOf(u'/') + 1), path, QString::number(fileSizeOf(path)), type,
                  targetFileName(path), QString()};
  selectAddedRow(appendRow(row));
  ++rowCount_;
}

void MainWindow::selectAddedRow(QTreeWidgetItem* item) {
  // Selecting one row makes the list lay out all its rows, so a run of
  // additions is selected in one step (flushAddedSelection) before anything
  // reads the selection or the event loop runs.
  const int row = fileList->topLevelItemCount() - 1;
  if (fileList->topLevelItem(row) != item) return;
  if (pendingFirst_ >= 0 && row != pendingLast_ + 1) flushAddedSelection();
  if (pendingFirst_ < 0) {
    pendingFirst_ = row;
    QTimer::singleShot(0, this, &MainWindow::flushAddedSelection);
  }
  pendingLast_ = row;
}

void MainWindow::flushAddedSelection() {
  if (pendingFirst_ < 0) return;
  const int last = std::min(pendingLast_, fileList->topLevelItemCount() - 1);
  const int first = pendingFirst_;
  pendingFirst_ = pendingLast_ = -1;
  if (first > last) return;
  QAbstractItemModel* model = fileList->model();
  fileList->selectionModel()->select(
      QItemSelection(model->index(first, 0), model->index(last, ColumnCount - 1)),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  fileList->selectionModel()->setCurrentIndex(model->index(last, 0), QItemSelectionModel::NoUpdate);
}

void MainWindow::scrollToSelection() {
  flushAddedSelection();
  QTreeWidgetItem* target = fileList->currentItem();
  if (!target || !target->isSelected()) {
    target = nullptr;
    for (int i = 0; i < fileList->topLevelItemCount() && !target; ++i) {
      if (fileList->topLevelItem(i)->isSelected()) target = fileList->topLevelItem(i);
    }
  }
  if (target) fileList->scrollToItem(target);
}

void MainWindow::onAddFile() {
  if (converting_) return;
  addFilesDialog->setNameFilters(FilePickerFilters(GlobalSettings()));
  const int answer = addFilesDialog->exec();
  closeLeftoverPopups();
  if (answer != QDialog::Accepted) return;
  addChosenFiles(addFilesDialog->selectedFiles());
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

void MainWindow::onPasteFile() { pasteFiles(clipboardFileList()); }

void MainWindow::pasteFiles(const QStringList& paths) {
  if (converting_) return;
  for (const QString& path : paths) addFile(path);
  updateCountPanel();
}

void MainWindow::dropFiles(const QStringList& paths) {
  if (converting_ || paths.isEmpty()) return;
  fileList->clearSelection();
  if (paths.size() == 1) {
    if (isDirectory(paths.front())) {
      activateWindow();
      addDir(paths.front());
    } else {
      addFile(paths.front());
      scrollToSelection();
    }
  } else {
    for (const QString& path : paths) {
      if (!isDirectory(path)) addFile(path);
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
  try {
    dropFiles(paths);
  } catch (const LogWriteError& error) {
    showLogWriteError(error);
  }
}

void MainWindow::onDelete() {
  if (converting_) return;
  flushAddedSelection();
  const QList<QTreeWidgetItem*> selectedList = fileList->selectedItems();
  if (!selectedList.isEmpty()) {
    // The rows are taken out and the kept ones put back in two bulk steps;
    // removing rows one by one costs time in the list's length per row.
    const QSet<QTreeWidgetItem*> selected(selectedList.begin(), selectedList.end());
    QList<QTreeWidgetItem*> kept;
    for (QTreeWidgetItem* item : fileList->invisibleRootItem()->takeChildren()) {
      if (selected.contains(item)) {
        forgetSource(item->text(ColSource));
        delete item;
        --rowCount_;
      } else {
        kept << item;
      }
    }
    fileList->addTopLevelItems(kept);
  }
  updateCountPanel();
}

void MainWindow::onSelectAll() { fileList->selectAll(); }

void MainWindow::saveJobFile(const QString& path) {
  std::vector<JobRow> rows;
  rows.reserve(static_cast<std::size_t>(fileList->topLevelItemCount()));
  for (int i = 0; i < fileList->topLevelItemCount(); ++i) {
    JobRow row;
    row.state = stateOf(i);
    row.caption = fileList->topLevelItem(i)->text(ColState);
    for (int s = 0; s < SubItemCount; ++s) row.subItems << subItemOf(i, s);
    rows.push_back(std::move(row));
  }
  tabulox::SaveJobFile(path, rows);
}

void MainWindow::loadJobFile(const QString& path) {
  const std::optional<std::vector<JobRow>> rows = tabulox::LoadJobFile(path);
  if (!rows) return;
  fileList->clear();
  sourceKeys_.clear();
  for (const JobRow& row : *rows) appendRow(row);
  rowCount_ = static_cast<int>(rows->size());
  updateCountPanel();
}

// ---------------------------------------------------------------------------
// Conversion run

QString MainWindow::targetFileName(const QString& source) const {
  return tabulox::TargetFileName(source, GlobalSettings());
}

void MainWindow::failRow(int row, const QString& message, const QString& logPath) {
  setState(row, StateFailed);
  setSubItem(row, SubMessage, message);
  ++runFailed_;
  WriteLog(QStringLiteral("Failed: ") + message + QStringLiteral(" (") + logPath + u')');
}

void MainWindow::convertFiles(int mode) {
  flushAddedSelection();
  if (converting_ || fileList->topLevelItemCount() == 0) return;
  converting_ = true;
  cancelRun_ = false;
  runMode_ = mode;
  runCodePage_ = GlobalSettings().sourcecode != 0 ? GlobalSettings().sourcecode : Engine::LocaleCodePage();
  runSuccessful_ = 0;
  runFailed_ = 0;
  try {
    WriteLog(QStringLiteral("Conversion start..."));
  } catch (const LogWriteError&) {
    converting_ = false;
    throw;
  }
  runRowCount_ = fileList->topLevelItemCount();
  runNextRow_ = 0;
  cancelConvertDialog->ResetProgress(runRowCount_);
  cancelConvertDialog->show();
  cancelRun_ = false;
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
      cancelConvertDialog->LblFileName->setText(subItemOf(row, SubSource));
      const bool selected = fileList->topLevelItem(row)->isSelected();
      const bool waiting = stateOf(row) == StateWaiting;
      const bool chosen = (runMode_ == ModeAll && waiting) || (runMode_ == ModeSelected && selected && waiting) ||
                          (runMode_ == ModeReConvert && selected && !waiting);
      if (!chosen) {
        if (!waiting) cancelConvertDialog->StepProgress();
        continue;
      }
      const RowStep step = beginRow(row);
      if (step == RowStep::Handed) return;  // onRowConverted goes on
      if (step == RowStep::StopRun) break;
    }
    finishRun();
  } catch (const LogWriteError& error) {
    endRun();
    showLogWriteError(error);
  }
}

MainWindow::RowStep MainWindow::beginRow(int row) {
  const QString source = subItemOf(row, SubSource);
  QString target = targetFileName(source);

  bool replaceTarget = false;
  if (TargetExists(target)) {
    int policy = GlobalSettings().fileovertp;
    if (policy == static_cast<int>(FileOverType::Prompt)) {
      // Asked here, on the window's thread; the worker has nothing in hand.
      switch (overwriteDialog->Ask(target)) {
        case TFmFileOverTp::ResultStopConvert: return RowStep::StopRun;
        case TFmFileOverTp::ResultAutoRename: policy = static_cast<int>(FileOverType::AutoRename); break;
        case TFmFileOverTp::ResultOverwrite: policy = static_cast<int>(FileOverType::Overwrite); break;
        default: policy = static_cast<int>(FileOverType::Cancel); break;
      }
    }
    if (policy == static_cast<int>(FileOverType::AutoRename)) {
      target = AutoRenameTarget(target);
    } else if (policy == static_cast<int>(FileOverType::Overwrite)) {
      replaceTarget = true;
    } else {
      failRow(row, QStringLiteral("Target file already exists, user canceled"), subItemOf(row, SubTarget));
      cancelConvertDialog->StepProgress();
      return RowStep::Done;
    }
  }

  setSubItem(row, SubTarget, target);
  cancelConvertDialog->StepProgress();

  const QString type = subItemOf(row, SubType);
  ConversionJob job{row, source, target, replaceTarget, WorkbookType::kXls, runCodePage_};
  if (type == QStringLiteral("XLS")) {
    job.type = WorkbookType::kXls;
  } else if (type == QStringLiteral("XLSX")) {
    job.type = WorkbookType::kXlsx;
  } else {
    failRow(row, QStringLiteral("File type not support"), source);
    return RowStep::Done;
  }
  worker_->Convert(job);
  return RowStep::Handed;
}

void MainWindow::onRowConverted(int row, int result) {
  if (!converting_) return;  // a run ended by a log error while the row was in hand
  try {
    if (result < 0) {
      failRow(row, ConvertMessageForResult(result),
              subItemOf(row, result == kDestinationCreateFailed ? SubTarget : SubSource));
    } else {
      const QString message = ConvertMessageForResult(result);
      setState(row, StateConverted);
      setSubItem(row, SubMessage, message);
      ++runSuccessful_;
      WriteLog(message + QStringLiteral(" (") + subItemOf(row, SubSource) + u')');
    }
  } catch (const LogWriteError& error) {
    endRun();
    showLogWriteError(error);
    return;
  }
  continueRun();
}

void MainWindow::finishRun() {
  cancelConvertDialog->close();
  WriteLog(QStringLiteral("Conversion end. Successful: ") + QString::number(runSuccessful_) +
           QStringLiteral(", Failed: ") + QString::number(runFailed_) + QStringLiteral(", Total: ") +
           QString::number(runSuccessful_ + runFailed_) + QStringLiteral("\r\n"));
  endRun();
}

void MainWindow::endRun() {
  cancelConvertDialog->close();
  converting_ = false;
  emit runFinished();
  closeIfAsked();
}

}  // namespace tabulox
