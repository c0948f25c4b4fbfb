#include "fm_main.h"

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

#include "about_box.h"
#include "activity_log.h"
#include "add_dir_search.h"
#include "add_folder_dialog.h"
#include "conversion_cancel_dialog.h"
#include "directory_dialog.h"
#include "file_types.h"
#include "folder_scan.h"
#include "global_settings.h"
#include "help_pages.h"
#include "log_viewer.h"
#include "options_dialog.h"
#include "overwrite_dialog.h"
#include "picker_folder.h"
#include "scan_cancel_dialog.h"
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
    const auto* form = qobject_cast<const TFmMain*>(treeWidget()->window());
    return form ? form->ListView1Compare(this, &other) < 0 : QTreeWidgetItem::operator<(other);
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

TFmMain::TFmMain(QWidget* parent) : QMainWindow(parent) {
  InitIconResources();
  setObjectName(QStringLiteral("FmMain"));
  FConvertXls = EngineConverter(engine_, WorkbookType::kXls);
  FConvertXlsx = EngineConverter(engine_, WorkbookType::kXlsx);
  FShell = DefaultShell;
  FormCreate();
}

TFmMain::~TFmMain() { FormDestroy(); }

// ---------------------------------------------------------------------------
// Construction of the window

void TFmMain::CreateActions() {
  const auto make = [this](int tag, const QString& caption, int image = -1) {
    auto* action = new QAction(caption, this);
    action->setProperty(kTagProperty, tag);
    if (image >= 0) action->setIcon(ImageMenu.value(image));
    connect(action, &QAction::triggered, this, &TFmMain::MenuItemClick);
    return action;
  };
  ActOptions = make(CmdOptions, QStringLiteral("&Options"), 0);
  ActExit = make(CmdExit, QStringLiteral("&Exit"));
  ActViewLog = make(CmdViewLog, QStringLiteral("&View Log"), 7);
  ActAddFile = make(CmdAddFile, QStringLiteral("Add &File                   CTRL+F"), 5);
  ActAddDir = make(CmdAddDir, QStringLiteral("Add &Dir                    CTRL+D"), 6);
  ActPasteFile = make(CmdPasteFile, QStringLiteral("&Paste File                CTRL+V"), 2);
  ActDelete = make(CmdDelete, QStringLiteral("Delete                     Delete"));
  ActSelectAll = make(CmdSelectAll, QStringLiteral("Select &All                 CTRL+A"));
  ActConvertAll = make(CmdConvertAll, QStringLiteral("&Convert All               Ctrl+G"), 3);
  ActConvertSelect = make(CmdConvertSelect, QStringLiteral("Convert &Selected"));
  ActReConvert = make(CmdReConvert, QStringLiteral("&ReConvert Selected"));
  ActLaunchSource = make(CmdLaunchSource, QStringLiteral("Source"));
  ActLaunchTarget = make(CmdLaunchTarget, QStringLiteral("Target"));
  ActExploreSource = make(CmdExploreSource, QStringLiteral("Source"));
  ActExploreTarget = make(CmdExploreTarget, QStringLiteral("Target"));
  ActContents = make(CmdContents, QStringLiteral("&Contents           F1"), 1);
  ActAbout = make(CmdAbout, QStringLiteral("&About"));
}

void TFmMain::CreateMenus() {
  // Each menu shows the hint of the entry under the pointer and runs the
  // enabling rules when it opens.
  const auto wire = [this](QMenu* menu) {
    connect(menu, &QMenu::hovered, this, [this](QAction* a) { ApplicationEvents1Hint(a->statusTip()); });
    connect(menu, &QMenu::aboutToShow, this, &TFmMain::ActionMainMenuBar1Paint);
  };
  const auto submenu = [this](QMenu* parentMenu, const QString& title, int tag, QAction* source,
                              QAction* target) {
    QMenu* menu = parentMenu->addMenu(title);
    menu->menuAction()->setProperty(kTagProperty, tag);
    menu->addAction(source);
    menu->addAction(target);
    connect(menu, &QMenu::hovered, this, [this](QAction* a) { ApplicationEvents1Hint(a->statusTip()); });
  };

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File "));
  file->addAction(ActOptions);
  file->addSeparator();
  file->addAction(ActViewLog);
  file->addSeparator();
  file->addAction(ActExit);
  wire(file);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit "));
  edit->addAction(ActAddFile);
  edit->addAction(ActAddDir);
  edit->addAction(ActPasteFile);
  edit->addSeparator();
  edit->addAction(ActDelete);
  edit->addAction(ActSelectAll);
  wire(edit);

  QMenu* convert = menuBar()->addMenu(QStringLiteral("Con&vert "));
  convert->addAction(ActConvertAll);
  convert->addAction(ActConvertSelect);
  convert->addAction(ActReConvert);
  convert->addSeparator();
  submenu(convert, QStringLiteral("&Launch"), CmdLaunchMenu, ActLaunchSource, ActLaunchTarget);
  submenu(convert, QStringLiteral("&Explore"), CmdExploreMenu, ActExploreSource, ActExploreTarget);
  wire(convert);

  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help "));
  help->addAction(ActContents);
  help->addSeparator();
  help->addAction(ActAbout);
  wire(help);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PopupMenu1->addAction(ActConvertAll);
  PopupMenu1->addAction(ActConvertSelect);
  PopupMenu1->addAction(ActReConvert);
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(ActAddFile);
  PopupMenu1->addAction(ActAddDir);
  PopupMenu1->addAction(ActDelete);
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(ActSelectAll);
  PopupMenu1->addSeparator();
  submenu(PopupMenu1, QStringLiteral("Launch"), CmdLaunchMenu, ActLaunchSource, ActLaunchTarget);
  submenu(PopupMenu1, QStringLiteral("Explore"), CmdExploreMenu, ActExploreSource, ActExploreTarget);
  connect(PopupMenu1, &QMenu::hovered, this, [this](QAction* a) { ApplicationEvents1Hint(a->statusTip()); });
}

void TFmMain::CreateListView() {
  ListView1 = new QTreeWidget(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  ListView1->setRootIsDecorated(false);
  ListView1->setItemsExpandable(false);
  ListView1->setUniformRowHeights(true);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setAllColumnsShowFocus(true);
  ListView1->setIconSize(QSize(16, 16));
  ListView1->setColumnCount(ColumnCount);
  ListView1->setHeaderLabels({QStringLiteral("State"), QStringLiteral("Name"),
                              QStringLiteral("Source file"), QStringLiteral("Size(Byte)"),
                              QStringLiteral("Type"), QStringLiteral("Target file"),
                              QStringLiteral("Convert Message")});
  const int widths[ColumnCount] = {40, 100, 300, 62, 40, 300, 300};
  for (int c = 0; c < ColumnCount; ++c) ListView1->setColumnWidth(c, widths[c]);
  ListView1->headerItem()->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
  ListView1->header()->setSectionsClickable(true);
  ListView1->header()->setSortIndicatorShown(false);
  ListView1->header()->setStretchLastSection(false);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

  // Rows alternate: tooltip colour from the first row (index 0), white for odd rows.
  QPalette palette = ListView1->palette();
  palette.setColor(QPalette::Base, QApplication::palette().color(QPalette::ToolTipBase));
  palette.setColor(QPalette::AlternateBase, Qt::white);
  ListView1->setPalette(palette);
  ListView1->setAlternatingRowColors(true);
  ListView1->setItemDelegate(new TGridDelegate(ListView1));

  connect(ListView1->header(), &QHeaderView::sectionClicked, this, &TFmMain::ListView1ColumnClick);
  connect(ListView1, &QTreeWidget::itemSelectionChanged, this, &TFmMain::ListView1SelectItem);
  connect(ListView1, &QWidget::customContextMenuRequested, this, &TFmMain::PopupMenu1Popup);
}

void TFmMain::CreateButtonRow() {
  Panel2 = new QWidget(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  Panel2->setFixedHeight(kButtonRowHeight);
  const auto make = [this](const QString& name, const QString& caption, int tag, int image, int left) {
    auto* button = new QToolButton(Panel2);
    button->setObjectName(name);
    button->setText(caption);
    button->setProperty(kTagProperty, tag);
    button->setIcon(ImageMenu.value(image));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    // 65 pixels, or wider up to the next button's left when the caption needs it.
    const int width = std::clamp(button->sizeHint().width(), kButtonWidth, kMaxButtonWidth);
    button->setGeometry(left, (kButtonRowHeight - kButtonHeight) / 2, width, kButtonHeight);
    connect(button, &QToolButton::clicked, this, &TFmMain::MenuItemClick);
    return button;
  };
  BtnAddFile = make(QStringLiteral("BtnAddFile"), QStringLiteral("&Add File"), CmdAddFile, 5, 49);
  BtnAddDir = make(QStringLiteral("BtnAddDir"), QStringLiteral("Add &Dir"), CmdAddDir, 6, 130);
  BtnOption = make(QStringLiteral("BtnOption"), QStringLiteral("&Options"), CmdOptions, 0, 213);
  BtnLog = make(QStringLiteral("BtnLog"), QStringLiteral("&Log"), CmdViewLog, 7, 293);
  BtnConvert = make(QStringLiteral("BtnConvert"), QStringLiteral("&Convert"), CmdConvertAll, 3, 0);
  BtnConvert->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid navy; }"));
}

void TFmMain::CreateStatusBar() {
  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(true);
  for (auto& panel : StatusPanels) panel = new QLabel(StatusBar1);
  StatusPanels[0]->setText(kProductPanel);
  StatusPanels[0]->setFrameShape(QFrame::NoFrame);
  StatusPanels[1]->setText(QStringLiteral("0 File(s)"));
  StatusPanels[1]->setFrameShape(QFrame::Panel);
  StatusPanels[1]->setFrameShadow(QFrame::Sunken);
  StatusPanels[2]->setFrameShape(QFrame::Panel);
  StatusPanels[2]->setFrameShadow(QFrame::Sunken);
  StatusBar1->addWidget(StatusPanels[0]);
  StatusBar1->addWidget(StatusPanels[1]);
  StatusBar1->addWidget(StatusPanels[2], 1);
}

void TFmMain::FormCreate() {
  resize(580, 430);
  setFont(QFont(QStringLiteral("Tahoma"), 8));
  setWindowTitle(kProductName);
  setWindowIcon(QIcon(QStringLiteral(":/icons/tabulox.png")));
  for (int i = 0; i < 8; ++i) ImageMenu << QIcon(QStringLiteral(":/icons/menu%1.png").arg(i));
  for (int i = 0; i < 3; ++i) ImageStatus << QIcon(QStringLiteral(":/icons/state%1.png").arg(i));

  CreateActions();
  CreateMenus();
  CreateListView();
  CreateButtonRow();
  CreateStatusBar();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ListView1, 1);
  layout->addWidget(Panel2);
  setCentralWidget(central);
  // The Convert button keeps to the right edge (FormResize); never narrower
  // than leaves it clear of the Log button, and room for a few rows.
  constexpr int kButtonGap = 8;
  constexpr int kLeastHeight = 240;
  setMinimumSize(BtnLog->geometry().right() + 1 + kButtonGap + BtnConvert->width() +
                     BtnAddFile->x() + 4,
                 kLeastHeight);

  OpenDialog1 = new QFileDialog(this);
  OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
  OpenDialog1->setFileMode(QFileDialog::ExistingFiles);
  OpenDialog1->setOption(QFileDialog::HideNameFilterDetails);
  TimerSelectItems = new QTimer(this);
  TimerSelectItems->setSingleShot(true);
  TimerSelectItems->setInterval(kSelectTimerMs);
  connect(TimerSelectItems, &QTimer::timeout, this, &TFmMain::TimerSelectItemsTimer);

  FmCancelCvt = new ConversionCancelDialog(this);
  connect(FmCancelCvt, &ConversionCancelDialog::CancelRequested, this, [this] { FCancelConvert = true; });
  FmAbout = new AboutBox(this);
  FmFileOverTp = new OverwriteDialog(this);
  FmViewLog = new LogViewer(this);
  FmOption = new OptionsDialog(GlobalSettings(), ProgramDir(), this);
  FmDirectory = new DirectoryDialog(GlobalSettings().adddir, this);
  FmAddDir = new AddFolderDialog(GlobalSettings(), *FmDirectory, this);
  FmCancelFind = new ScanCancelDialog(FFileSearch, this);

  SetHints();
  setAcceptDrops(true);
  qApp->installEventFilter(this);
  FRowCount = 0;
  FCancelConvert = false;
  FSortColumn = -1;
  FSortAscending = true;
  LoadJobFile(JobFilePath());
  FFileSearch.OnFileFind = [this](const std::string& folder, const TFoundFile& info) {
    SearchFileFound(folder, info);
  };
  FFileSearch.OnChangeFolder = [this](const std::string& folder) { SearchFolderChanged(folder); };
  FFileSearch.OnFinish = [this] { SearchFinished(); };
  FormResize();
}

void TFmMain::FormDestroy() {
  qApp->removeEventFilter(this);
  FOutBuffer = OutputBlock();
  if (EnsureConfigDir()) SaveJobFile(JobFilePath());
}

void TFmMain::SetHints() {
  const std::pair<QAction*, const char*> hints[] = {
      {ActOptions, "Set KV-Tabulox options"},
      {ActViewLog, "View KV-Tabulox logs"},
      {ActExit, "Exit from KV-Tabulox"},
      {ActAddDir, "Add file(s) by selecting director(ies)"},
      {ActAddFile, "Add file(s) by selecting file(s)"},
      {ActPasteFile, "Add file(s) by pasting from clipboard"},
      {ActDelete, "Delete selected file(s) name from listview"},
      {ActSelectAll, "Select all file(s) in listview"},
      {ActConvertAll, "Convert all file(s) in listview"},
      {ActConvertSelect, "Convert selected file(s)"},
      {ActReConvert, "Convert selected file(s) again"},
      {ActLaunchSource, "Open source file with default program"},
      {ActLaunchTarget, "Open target file with default program"},
      {ActExploreSource, "Explore folder which source file in"},
      {ActExploreTarget, "Explore folder which target file in"},
      {ActContents, "Show help contents"},
      {ActAbout, "Show about window"},
  };
  for (const auto& [action, hint] : hints) action->setStatusTip(QString::fromLatin1(hint));
  BtnAddDir->setStatusTip(ActAddDir->statusTip());
  BtnAddFile->setStatusTip(ActAddFile->statusTip());
  BtnOption->setStatusTip(ActOptions->statusTip());
  BtnLog->setStatusTip(ActViewLog->statusTip());
  BtnConvert->setStatusTip(ActConvertAll->statusTip());
}

QAction* TFmMain::ActionByTag(int tag) const {
  for (QAction* action : findChildren<QAction*>()) {
    if (action->property(kTagProperty).toInt() == tag) return action;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Window behaviour

void TFmMain::FormResize() {
  BtnConvert->move(width() - BtnConvert->width() - BtnAddFile->x() - 4, BtnConvert->y());
}

void TFmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TFmMain::FormActivate() {
  if (FmCancelCvt->isVisible()) FmCancelCvt->raise();
  if (FmCancelFind->isVisible()) FmCancelFind->raise();
}

void TFmMain::ApplicationEvents1Hint(const QString& hint) { StatusPanels[2]->setText(hint); }

void TFmMain::ShowStatusMessage(const QString& text) { StatusPanels[2]->setText(text); }

void TFmMain::UpdateCountPanel() {
  FlushAddedSelection();
  StatusPanels[1]->setText(QString::number(FRowCount) + QStringLiteral(" File(s)"));
}

bool TFmMain::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    ApplicationEvents1Hint(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(event);
}

void TFmMain::closeEvent(QCloseEvent* event) {
  // A run in progress stops before its next row; the window closes as asked.
  if (FConverting) FCancelConvert = true;
  FFileSearch.Stop();  // a folder scan ends at its next entry
  CloseHelpWindow();   // else it would keep the program running
  QMainWindow::closeEvent(event);
}

bool TFmMain::eventFilter(QObject* watched, QEvent* event) {
  // Key preview: the window sees every key meant for one of its controls
  // before that control does, and leaves it to the control afterwards.
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    const bool focusTarget = widget == QApplication::focusWidget() ||
                             (QApplication::focusWidget() == nullptr && widget == this);
    // A key the window acts on is consumed: passed on, it would reach the
    // window again through its parents whenever a dialog it opened left no
    // widget with the focus, and act a second time.
    if (focusTarget && widget->window() == this && FormKeyDown(static_cast<QKeyEvent*>(event))) {
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TFmMain::FormKeyDown(QKeyEvent* key) {
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
  ExecuteCommand(command);
  return true;
}

// ---------------------------------------------------------------------------
// Commands

void TFmMain::MenuItemClick() {
  if (QObject* source = sender()) ExecuteCommand(source->property(kTagProperty).toInt());
}

void TFmMain::ExecuteCommand(int tag) {
  FlushAddedSelection();
  try {
    RunCommand(tag);
  } catch (const LogWriteError& error) {
    ShowLogWriteError(error);
  }
}

void TFmMain::ShowLogWriteError(const LogWriteError& error) {
  QMessageBox::critical(this, kProductName, QString::fromStdString(error.what()));
}

void TFmMain::RunCommand(int tag) {
  switch (tag) {
    case CmdOptions: OptionsCommand(); break;
    case CmdExit: close(); break;
    case CmdViewLog: ViewLogCommand(); break;
    case CmdAddFile: AddFileCommand(); break;
    case CmdAddDir: AddDirCommand(); break;
    case CmdPasteFile: PasteFileCommand(); break;
    case CmdDelete: DeleteCommand(); break;
    case CmdSelectAll: SelectAllCommand(); break;
    case CmdConvertAll: ConvertFiles(ModeAll); break;
    case CmdConvertSelect: ConvertFiles(ModeSelected); break;
    case CmdReConvert: ConvertFiles(ModeReConvert); break;
    case CmdLaunchSource: LaunchOrExplore(true, true); break;
    case CmdLaunchTarget: LaunchOrExplore(false, true); break;
    case CmdExploreSource: LaunchOrExplore(true, false); break;
    case CmdExploreTarget: LaunchOrExplore(false, false); break;
    case CmdContents: ContentsCommand(); break;
    case CmdAbout: AboutCommand(); break;
    default: break;
  }
}

void TFmMain::OptionsCommand() { FmOption->exec(); }

void TFmMain::AddDirCommand(const QString& droppedFolder) {
  // One scan at a time, and none while a run reads the rows.
  if (FConverting || FFileSearch.Searching()) return;
  if (!droppedFolder.isEmpty()) FmAddDir->folderEdit->setText(droppedFolder);
  if (FmAddDir->exec() != QDialog::Accepted) return;
  ListView1->clearSelection();
  const int before = FRowCount;
  RunAddDirSearch(FFileSearch, *FmCancelFind, *FmAddDir, GlobalSettings());
  ScrollToSelection();
  UpdateCountPanel();
  ShowStatusMessage(QStringLiteral("Done Scanning, add ") + QString::number(FRowCount - before) +
                    QStringLiteral(" file(s)."));
}

void TFmMain::SearchFileFound(const std::string& folder, const TFoundFile& info) {
  AddFile(FromNativePath(folder + info.Name));
}

void TFmMain::SearchFolderChanged(const std::string& folder) { FmCancelFind->ShowFolder(FromNativePath(folder)); }

void TFmMain::SearchFinished() { ScrollToSelection(); }

void TFmMain::ContentsCommand() { ShowHelp(ProgramDir(), QString::fromLatin1(kHelpContentsPage)); }

void TFmMain::ViewLogCommand() {
  FmViewLog->LoadLog();
  FmViewLog->exec();
}

void TFmMain::AboutCommand() { FmAbout->exec(); }

void TFmMain::ActionMainMenuBar1Paint() {
  FlushAddedSelection();
  ActConvertAll->setEnabled(false);
  ActConvertSelect->setEnabled(false);
  ActReConvert->setEnabled(false);
  bool anySelected = false;
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = ListView1->topLevelItem(i);
    const bool selected = item->isSelected();
    anySelected = anySelected || selected;
    if (StateOf(i) == StateWaiting) {
      ActConvertAll->setEnabled(true);
      if (selected) ActConvertSelect->setEnabled(true);
    } else if (selected) {
      ActReConvert->setEnabled(true);
    }
    if (ActConvertAll->isEnabled() && ActConvertSelect->isEnabled() && ActReConvert->isEnabled()) break;
  }
  if (!anySelected) anySelected = !ListView1->selectedItems().isEmpty();
  for (QAction* action : {ActDelete, ActLaunchSource, ActLaunchTarget, ActExploreSource, ActExploreTarget}) {
    action->setEnabled(anySelected);
  }
  FPastedFiles = ClipboardFileList();
  ActPasteFile->setEnabled(!FPastedFiles.isEmpty());
}

void TFmMain::PopupMenu1Popup(const QPoint& pos) {
  // No context menu while a run's progress dialog is up.
  if (FmCancelCvt->isVisible() || FmCancelFind->isVisible()) return;
  ActionMainMenuBar1Paint();
  PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
}

void TFmMain::ListView1SelectItem() {
  if (!TimerSelectItems->isActive()) TimerSelectItems->start();
}

void TFmMain::TimerSelectItemsTimer() {
  TimerSelectItems->stop();
  ShowStatusMessage(QStringLiteral("Select ") + QString::number(ListView1->selectedItems().size()) +
                    QStringLiteral(" file(s)."));
}

void TFmMain::ListView1ColumnClick(int column) {
  FlushAddedSelection();
  QTreeWidgetItem* header = ListView1->headerItem();
  for (int c = 0; c < ColumnCount; ++c) {
    if (header->text(c).startsWith(u'(')) header->setText(c, header->text(c).mid(4));
  }
  if (column != FSortColumn) FSortAscending = true;
  header->setText(column, (FSortAscending ? kAscendingMarker : kDescendingMarker) + header->text(column));
  FSortColumn = column;
  ListView1->sortItems(column, Qt::AscendingOrder);
  FSortAscending = !FSortAscending;
  const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
  if (!selected.isEmpty()) {
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < ListView1->topLevelItemCount() && !first; ++i) {
      if (ListView1->topLevelItem(i)->isSelected()) first = ListView1->topLevelItem(i);
    }
    ListView1->scrollToItem(first);
  }
}

int TFmMain::ListView1Compare(const QTreeWidgetItem* a, const QTreeWidgetItem* b) const {
  int result = 0;
  if (FSortColumn == ColState) {
    const int x = a->data(ColState, kStateRole).toInt();
    const int y = b->data(ColState, kStateRole).toInt();
    result = x < y ? -1 : (x > y ? 1 : 0);
  } else if (FSortColumn == ColSize) {
    const qint64 x = SizeValue(a->text(ColSize));
    const qint64 y = SizeValue(b->text(ColSize));
    result = x < y ? -1 : (x > y ? 1 : 0);
  } else if (FSortColumn > 0 && FSortColumn < ColumnCount) {
    result = CompareTextAsciiNoCase(a->text(FSortColumn), b->text(FSortColumn));
  }
  return FSortAscending ? result : -result;
}

void TFmMain::LaunchOrExplore(bool source, bool launch) {
  FlushAddedSelection();
  QString path;
  bool found = false;
  for (int i = 0; i < ListView1->topLevelItemCount() && !found; ++i) {
    if (ListView1->topLevelItem(i)->isSelected()) {
      path = SubItemOf(i, source ? SubSource : SubTarget);
      found = true;
    }
  }
  if (!found) return;
  bool opened;
  if (launch) opened = FShell(ShellAction::Open, path);
  else if (QFileInfo(path).isFile()) opened = FShell(ShellAction::ShowInFolder, path);
  else opened = FShell(ShellAction::OpenFolder, path.left(path.lastIndexOf(u'/') + 1));
  if (!opened) ShowStatusMessage(QStringLiteral("No application could open ") + path);
}

bool TFmMain::DefaultShell(ShellAction action, const QString& path) {
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

void TFmMain::CloseLeftoverPopups() {
  // A file dialog closed by Enter while its name completion showed leaves the
  // completion list open over this window, holding the keys.
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
}

void TFmMain::SetConverters(ConvertFunction xls, ConvertFunction xlsx) {
  FConvertXls = std::move(xls);
  FConvertXlsx = std::move(xlsx);
}

void TFmMain::SetShellFunction(ShellFunction shell) { FShell = std::move(shell); }

// ---------------------------------------------------------------------------
// File list

QString TFmMain::SourceKey(const QString& source) { return source.toUpper(); }

int TFmMain::StateOf(int row) const {
  return ListView1->topLevelItem(row)->data(ColState, kStateRole).toInt();
}

QString TFmMain::SubItemOf(int row, int subItem) const {
  return ListView1->topLevelItem(row)->text(subItem + 1);
}

void TFmMain::SetState(int row, int state) {
  QTreeWidgetItem* item = ListView1->topLevelItem(row);
  item->setData(ColState, kStateRole, state);
  item->setIcon(ColState, ImageStatus.value(state));
}

void TFmMain::SetSubItem(int row, int subItem, const QString& text) {
  ListView1->topLevelItem(row)->setText(subItem + 1, text);
}

QTreeWidgetItem* TFmMain::AppendRow(const JobRow& row) {
  auto* item = new TListRow;
  item->setData(ColState, kStateRole, row.state);
  item->setIcon(ColState, ImageStatus.value(row.state));
  item->setText(ColState, row.caption);
  for (int i = 0; i < SubItemCount && i < row.subItems.size(); ++i) item->setText(i + 1, row.subItems[i]);
  item->setTextAlignment(ColSize, Qt::AlignRight | Qt::AlignVCenter);
  ListView1->addTopLevelItem(item);
  ++FSourceKeys[SourceKey(item->text(ColSource))];
  return item;
}

void TFmMain::ForgetSource(const QString& source) {
  const auto it = FSourceKeys.find(SourceKey(source));
  if (it != FSourceKeys.end() && --it.value() <= 0) FSourceKeys.erase(it);
}

qint64 TFmMain::FileSizeOf(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() ? info.size() : 0;
}

bool TFmMain::IsDirectory(const QString& path) { return QFileInfo(path).isDir(); }

void TFmMain::AddFile(const QString& path) {
  if (FSourceKeys.contains(SourceKey(path))) {
    ShowStatusMessage(QStringLiteral("File [") + path + QStringLiteral("] already added!"));
    WriteLog(QStringLiteral("Add file failed: already added (") + path + u')');
    return;
  }
  const QString type = FindFileType(GlobalSettings(), path);
  if (type.isEmpty()) {
    ShowStatusMessage(QStringLiteral("File [") + path + QStringLiteral("] type not support!"));
    WriteLog(QStringLiteral("Add file failed: type not support (") + path + u')');
    return;
  }
  JobRow row;
  row.subItems = {path.mid(path.lastIndexOf(u'/') + 1), path, QString::number(FileSizeOf(path)), type,
                  TargetFileName(path), QString()};
  SelectAddedRow(AppendRow(row));
  ++FRowCount;
}

void TFmMain::SelectAddedRow(QTreeWidgetItem* item) {
  // Selecting one row makes the list lay out all its rows, so a run of
  // additions is selected in one step (FlushAddedSelection) before anything
  // reads the selection or the event loop runs.
  const int row = ListView1->topLevelItemCount() - 1;
  if (ListView1->topLevelItem(row) != item) return;
  if (FPendingFirst >= 0 && row != FPendingLast + 1) FlushAddedSelection();
  if (FPendingFirst < 0) {
    FPendingFirst = row;
    QTimer::singleShot(0, this, &TFmMain::FlushAddedSelection);
  }
  FPendingLast = row;
}

void TFmMain::FlushAddedSelection() {
  if (FPendingFirst < 0) return;
  const int last = std::min(FPendingLast, ListView1->topLevelItemCount() - 1);
  const int first = FPendingFirst;
  FPendingFirst = FPendingLast = -1;
  if (first > last) return;
  QAbstractItemModel* model = ListView1->model();
  ListView1->selectionModel()->select(
      QItemSelection(model->index(first, 0), model->index(last, ColumnCount - 1)),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ListView1->selectionModel()->setCurrentIndex(model->index(last, 0), QItemSelectionModel::NoUpdate);
}

void TFmMain::ScrollToSelection() {
  FlushAddedSelection();
  QTreeWidgetItem* target = ListView1->currentItem();
  if (!target || !target->isSelected()) {
    target = nullptr;
    for (int i = 0; i < ListView1->topLevelItemCount() && !target; ++i) {
      if (ListView1->topLevelItem(i)->isSelected()) target = ListView1->topLevelItem(i);
    }
  }
  if (target) ListView1->scrollToItem(target);
}

void TFmMain::AddFileCommand() {
  if (FConverting) return;
  OpenDialog1->setNameFilters(FilePickerFilters(GlobalSettings()));
  OpenDialog1->setDirectory(PickerStartFolder());
  const int answer = OpenDialog1->exec();
  CloseLeftoverPopups();
  if (answer != QDialog::Accepted) return;
  const QStringList chosen = OpenDialog1->selectedFiles();
  if (!chosen.isEmpty()) RememberPickerFolderOf(chosen.front());
  AddChosenFiles(chosen);
}

void TFmMain::AddChosenFiles(const QStringList& paths) {
  if (FConverting) return;
  ListView1->clearSelection();
  for (const QString& path : paths) AddFile(path);
  ScrollToSelection();
  UpdateCountPanel();
}

void TFmMain::AddStartPaths(const QStringList& files, const QStringList& folders) {
  try {
    if (!files.isEmpty()) AddChosenFiles(files);
    if (!folders.isEmpty()) AddDirCommand(folders.join(u';'));
  } catch (const LogWriteError& error) {
    ShowLogWriteError(error);
  }
}

QStringList TFmMain::ClipboardFileList() {
  QStringList files;
  const QMimeData* data = QApplication::clipboard()->mimeData();
  if (!data || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  return files;
}

void TFmMain::PasteFileCommand() { PasteFiles(ClipboardFileList()); }

void TFmMain::PasteFiles(const QStringList& paths) {
  if (FConverting) return;
  for (const QString& path : paths) AddFile(path);
  UpdateCountPanel();
}

void TFmMain::DropFiles(const QStringList& paths) {
  if (FConverting || paths.isEmpty()) return;
  ListView1->clearSelection();
  if (paths.size() == 1) {
    if (IsDirectory(paths.front())) {
      activateWindow();
      AddDirCommand(paths.front());
    } else {
      AddFile(paths.front());
      ScrollToSelection();
    }
  } else {
    for (const QString& path : paths) {
      if (!IsDirectory(path)) AddFile(path);
    }
    ScrollToSelection();
  }
  UpdateCountPanel();
  activateWindow();
  raise();
}

void TFmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction)) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  }
}

void TFmMain::dropEvent(QDropEvent* event) {
  if (!(event->possibleActions() & Qt::CopyAction)) return;
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  try {
    DropFiles(paths);
  } catch (const LogWriteError& error) {
    ShowLogWriteError(error);
  }
}

void TFmMain::DeleteCommand() {
  if (FConverting) return;
  FlushAddedSelection();
  const QList<QTreeWidgetItem*> selectedList = ListView1->selectedItems();
  if (!selectedList.isEmpty()) {
    // The rows are taken out and the kept ones put back in two bulk steps;
    // removing rows one by one costs time in the list's length per row.
    const QSet<QTreeWidgetItem*> selected(selectedList.begin(), selectedList.end());
    QList<QTreeWidgetItem*> kept;
    for (QTreeWidgetItem* item : ListView1->invisibleRootItem()->takeChildren()) {
      if (selected.contains(item)) {
        ForgetSource(item->text(ColSource));
        delete item;
        --FRowCount;
      } else {
        kept << item;
      }
    }
    ListView1->addTopLevelItems(kept);
  }
  UpdateCountPanel();
}

void TFmMain::SelectAllCommand() { ListView1->selectAll(); }

void TFmMain::SaveJobFile(const QString& path) {
  std::vector<JobRow> rows;
  rows.reserve(static_cast<std::size_t>(ListView1->topLevelItemCount()));
  for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
    JobRow row;
    row.state = StateOf(i);
    row.caption = ListView1->topLevelItem(i)->text(ColState);
    for (int s = 0; s < SubItemCount; ++s) row.subItems << SubItemOf(i, s);
    rows.push_back(std::move(row));
  }
  tabulox::SaveJobFile(path, rows);
}

void TFmMain::LoadJobFile(const QString& path) {
  const std::optional<std::vector<JobRow>> rows = tabulox::LoadJobFile(path);
  if (!rows) return;
  ListView1->clear();
  FSourceKeys.clear();
  for (const JobRow& row : *rows) AppendRow(row);
  FRowCount = static_cast<int>(rows->size());
  UpdateCountPanel();
}

// ---------------------------------------------------------------------------
// Conversion run

QString TFmMain::TargetFileName(const QString& source) const {
  return tabulox::TargetFileName(source, GlobalSettings());
}

void TFmMain::FailRow(int row, const QString& message, const QString& logPath, int& failed) {
  SetState(row, StateFailed);
  SetSubItem(row, SubMessage, message);
  ++failed;
  WriteLog(QStringLiteral("Failed: ") + message + QStringLiteral(" (") + logPath + u')');
}

bool TFmMain::ConvertRow(int row, std::int32_t codePage, int& successful, int& failed) {
  const QString source = SubItemOf(row, SubSource);
  QString target = TargetFileName(source);

  bool replaceTarget = false;
  if (TargetExists(target)) {
    int policy = GlobalSettings().fileovertp;
    if (policy == static_cast<int>(FileOverType::Prompt)) {
      switch (FmFileOverTp->Ask(target)) {
        case OverwriteDialog::ResultStopConvert: return false;
        case OverwriteDialog::ResultAutoRename: policy = static_cast<int>(FileOverType::AutoRename); break;
        case OverwriteDialog::ResultOverwrite: policy = static_cast<int>(FileOverType::Overwrite); break;
        default: policy = static_cast<int>(FileOverType::Cancel); break;
      }
    }
    if (policy == static_cast<int>(FileOverType::AutoRename)) {
      target = AutoRenameTarget(target);
    } else if (policy == static_cast<int>(FileOverType::Overwrite)) {
      replaceTarget = true;
    } else {
      FailRow(row, QStringLiteral("Target file already exists, user canceled"), SubItemOf(row, SubTarget),
              failed);
      FmCancelCvt->StepProgress();
      return true;
    }
  }

  SetSubItem(row, SubTarget, target);
  FmCancelCvt->StepProgress();

  const QString type = SubItemOf(row, SubType);
  ResultCode result;
  if (type == QStringLiteral("XLS")) {
    result = FConvertXls(source, FOutBuffer, codePage);
  } else if (type == QStringLiteral("XLSX")) {
    result = FConvertXlsx(source, FOutBuffer, codePage);
  } else {
    FailRow(row, QStringLiteral("File type not support"), source, failed);
    return true;
  }
  if (result < 0) {
    FailRow(row, ConvertMessageForResult(result), result == kDestinationCreateFailed ? target : source,
            failed);
    return true;
  }

  const std::string_view bytes(reinterpret_cast<const char*>(FOutBuffer.data()),
                               std::min(static_cast<std::size_t>(result), FOutBuffer.size()));
  switch (WriteTargetFile(target, bytes, replaceTarget)) {
    case TargetWriteResult::CreateFailed:
      FailRow(row, ConvertMessageForResult(kDestinationCreateFailed), target, failed);
      break;
    case TargetWriteResult::WriteFailed:
      FailRow(row, ConvertMessageForResult(kDestinationWriteFailed), source, failed);
      break;
    case TargetWriteResult::Ok: {
      const QString message = ConvertMessageForResult(result);
      SetState(row, StateConverted);
      SetSubItem(row, SubMessage, message);
      ++successful;
      WriteLog(message + QStringLiteral(" (") + source + u')');
      break;
    }
  }
  return true;
}

void TFmMain::ConvertFiles(int mode) {
  FlushAddedSelection();
  if (FConverting || ListView1->topLevelItemCount() == 0) return;
  FConverting = true;
  FCancelConvert = false;
  const std::int32_t codePage =
      GlobalSettings().sourcecode != 0 ? GlobalSettings().sourcecode : Engine::LocaleCodePage();
  int successful = 0;
  int failed = 0;
  engine_.SetProgressCallback([] { QCoreApplication::processEvents(); });

  try {
    WriteLog(QStringLiteral("Conversion start..."));
    const int rowCount = ListView1->topLevelItemCount();
    FmCancelCvt->ResetProgress(rowCount);
    FmCancelCvt->show();
    FCancelConvert = false;
    for (int row = 0; row < rowCount; ++row) {
      if (FCancelConvert) break;
      FmCancelCvt->fileNameLabel->setText(SubItemOf(row, SubSource));
      const bool selected = ListView1->topLevelItem(row)->isSelected();
      const bool waiting = StateOf(row) == StateWaiting;
      const bool chosen = (mode == ModeAll && waiting) || (mode == ModeSelected && selected && waiting) ||
                          (mode == ModeReConvert && selected && !waiting);
      if (!chosen) {
        if (!waiting) FmCancelCvt->StepProgress();
        continue;
      }
      if (!ConvertRow(row, codePage, successful, failed)) break;
      QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    FmCancelCvt->close();
    WriteLog(QStringLiteral("Conversion end. Successful: ") + QString::number(successful) +
             QStringLiteral(", Failed: ") + QString::number(failed) + QStringLiteral(", Total: ") +
             QString::number(successful + failed) + QStringLiteral("\r\n"));
  } catch (const LogWriteError&) {
    FmCancelCvt->close();
    engine_.SetProgressCallback(nullptr);
    FConverting = false;
    throw;
  }
  engine_.SetProgressCallback(nullptr);
  FConverting = false;
}

}  // namespace tabulox
