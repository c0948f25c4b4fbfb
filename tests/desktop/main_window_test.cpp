// Drives the real main window on the offscreen platform: adding files, the job
// file, runs with their dialogs, sorting, shortcuts and the enabling rules.
#include "desktop/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QSemaphore>
#include <atomic>
#include <memory>

#include "core/code_pages.h"
#include "desktop/about_box.h"
#include "desktop/activity_log.h"
#include "desktop/conversion_cancel_dialog.h"
#include "desktop/help_pages.h"
#include "desktop/log_viewer.h"
#include "desktop/overwrite_dialog.h"
#include "desktop/settings_file.h"
#include "modal_answer.h"
#include "support/output_block_copy.h"
#include "temp_config.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::AnswerNextModal;
using testing::ReadAll;
using testing::WaitUntil;
using testing::TempConfig;
using testing::WriteAll;

// Test converter: the source's bytes are the "text"; a source starting with
// "BAD" is a damaged workbook.
ResultCode EchoConverter(const QString& source, OutputBlock& block, std::int32_t) {
  QFile file(source);
  if (!file.exists()) return kSourceMissing;
  if (!file.open(QIODevice::ReadOnly)) return kSourceOpenFailed;
  const QByteArray bytes = file.readAll();
  if (bytes.startsWith("BAD")) return kFormatNotCorrect;
  return CopyToOutputBlock(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), block);
}

// How a row's log line ends in the layout of today.
const QString kAsToday = QStringLiteral("), layout as today");

// The messages of the log's lines, without their time stamps.
QStringList LogMessages() {
  QStringList messages;
  const QString text = DecodeLogText(ReadAll(LogFilePath()));
  for (const QString& line : text.split(u'\n')) {
    const qsizetype at = line.indexOf(QStringLiteral("]: "));
    messages << (at < 0 ? line : line.mid(at + 3));
  }
  if (!messages.isEmpty() && messages.back().isEmpty()) messages.removeLast();
  return messages;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path(QStringLiteral("out")));
    QDir().mkpath(config_.Path(QStringLiteral("src")));
    QApplication::clipboard()->clear();
    NewWindow();
  }
  void TearDown() override {
    form_.reset();
    GlobalSettings() = DefaultSettings();
  }

  void NewWindow() {
    form_.reset();
    form_ = std::make_unique<MainWindow>();
    form_->setConverters(EchoConverter, EchoConverter);
    form_->setShellFunction([this](MainWindow::ShellAction action, const QString& path) {
      shellCalls_.push_back({action, path});
      return shellOpens_;
    });
    form_->show();
    // Shortcuts act in the active window.
    form_->activateWindow();
    EXPECT_TRUE(WaitUntil([this] { return QApplication::activeWindow() == form_.get(); }, 5000));
  }

  QString Source(const QString& name, const QByteArray& content = "text") {
    const QString path = config_.Path(QStringLiteral("src/") + name);
    WriteAll(path, content);
    return path;
  }

  // The status bar's product, count and message panels.
  QString Panel(int i) const {
    const QLabel* panels[] = {form_->productPanel, form_->countPanel, form_->messagePanel};
    return panels[i]->text();
  }
  QString Cell(int row, FileListModel::Column column) const { return form_->cellText(row, column); }
  // Waits for the run a command or key started to end.
  void WaitForRun() { EXPECT_TRUE(WaitUntil([this] { return !form_->isConverting(); })); }
  void Convert(MainWindow::RunMode mode) {
    form_->convertFiles(mode);
    WaitForRun();
  }
  void ClearSelection() {
    form_->flushAddedSelection();
    form_->fileList->clearSelection();
  }
  void Select(std::initializer_list<int> rows) {
    ClearSelection();
    for (int r : rows) {
      form_->fileList->selectionModel()->select(form_->fileListModel->index(r, 0),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }

  TempConfig config_;
  Engine engine_;  // outlives the window that may convert through it
  std::unique_ptr<MainWindow> form_;
  std::vector<std::pair<MainWindow::ShellAction, QString>> shellCalls_;
  bool shellOpens_ = true;
};

TEST_F(MainWindowTest, FirstStartShowsEmptyListAndPanels) {
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("KV-Tabulox"));
  EXPECT_EQ(form_->rowCount(), 0);
  EXPECT_EQ(Panel(0), QStringLiteral("KV-Tabulox 3.0"));
  EXPECT_EQ(Panel(1), QStringLiteral("0 File(s)"));
  EXPECT_EQ(Panel(2), QString());
  EXPECT_EQ(form_->addFileButton->text(), QStringLiteral("&Add File"));
  EXPECT_EQ(form_->convertButton->statusTip(), QStringLiteral("Convert all file(s) in listview"));
}

// The menu entries carry their captions and, as shortcuts of their own, the
// keys that the captions used to spell out.
TEST_F(MainWindowTest, ActionsHaveTheirCaptionsAndShortcuts) {
  const struct {
    QAction* action;
    const char* caption;
    QList<QKeySequence> keys;
  } cases[] = {
      {form_->addFileAction, "Add &File", {QKeySequence(Qt::CTRL | Qt::Key_F)}},
      {form_->addDirAction, "Add &Dir", {QKeySequence(Qt::CTRL | Qt::Key_D)}},
      {form_->pasteFileAction, "&Paste File", {QKeySequence(Qt::CTRL | Qt::Key_V)}},
      {form_->deleteAction, "Delete\tDelete", {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_Delete)}},
      {form_->selectAllAction, "Select &All", {QKeySequence(Qt::CTRL | Qt::Key_A)}},
      {form_->convertAllAction, "&Convert All", {QKeySequence(Qt::CTRL | Qt::Key_G)}},
      {form_->contentsAction, "&Contents", {QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_F1)}},
      {form_->convertSelectedAction, "Convert &Selected", {}},
      {form_->reconvertAction, "&ReConvert Selected", {}},
      {form_->optionsAction, "&Options", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.action->text(), QString::fromLatin1(c.caption));
    EXPECT_EQ(c.action->shortcuts(), c.keys) << c.caption;
  }
}

TEST_F(MainWindowTest, AddFileFillsRowAndRefusesDuplicatesAndUnknownTypes) {
  const QString book = Source(QStringLiteral("Book.XLS"), "12345");
  form_->addFile(book);
  ASSERT_EQ(form_->rowCount(), 1);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kWaiting);
  EXPECT_EQ(Cell(0, FileListModel::Column::kName), QStringLiteral("Book.XLS"));
  EXPECT_EQ(Cell(0, FileListModel::Column::kSource), book);
  EXPECT_EQ(Cell(0, FileListModel::Column::kSize), QStringLiteral("5"));
  EXPECT_EQ(Cell(0, FileListModel::Column::kType), QStringLiteral("XLS"));
  EXPECT_EQ(Cell(0, FileListModel::Column::kTarget), GlobalSettings().targetFolder + QStringLiteral("Book.txt"));
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QString());
  form_->updateCountPanel();
  EXPECT_TRUE(form_->isRowSelected(0));
  EXPECT_EQ(form_->fileList->currentIndex().row(), 0);

  const QString sameUpper = book.toUpper();
  form_->addFile(sameUpper);
  EXPECT_EQ(Panel(2), QStringLiteral("File [") + sameUpper + QStringLiteral("] already added!"));
  form_->addFile(QStringLiteral("/x/report.xl"));
  EXPECT_EQ(Panel(2), QStringLiteral("File [/x/report.xl] type not support!"));
  form_->addFile(QStringLiteral("/x/missing.xlsx"));
  EXPECT_EQ(form_->rowCount(), 2);
  EXPECT_EQ(Cell(1, FileListModel::Column::kSize), QStringLiteral("0"));
  EXPECT_EQ(Cell(1, FileListModel::Column::kType), QStringLiteral("XLSX"));
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Add file failed: already added (") + sameUpper + u')',
                                        QStringLiteral("Add file failed: type not support (/x/report.xl)")}));
}

TEST_F(MainWindowTest, ManyFilesAreCheckedForDuplicatesQuickly) {
  const int kManyFiles = qEnvironmentVariableIntValue("TABULOX_MANY") > 0 ? qEnvironmentVariableIntValue("TABULOX_MANY") : 20000;
  for (int i = 0; i < kManyFiles; ++i) form_->addFile(QStringLiteral("/nowhere/f%1.xls").arg(i));
  form_->addFile(QStringLiteral("/NOWHERE/F%1.XLS").arg(kManyFiles - 1));
  EXPECT_EQ(form_->rowCount(), kManyFiles);
  EXPECT_TRUE(Panel(2).endsWith(QStringLiteral("] already added!")));
  form_->selectAllAction->trigger();
  form_->deleteAction->trigger();
  EXPECT_EQ(form_->rowCount(), 0);
  EXPECT_EQ(Panel(1), QStringLiteral("0 File(s)"));
}

TEST_F(MainWindowTest, AddFileCommandUsesThePickerAndItsFilters) {
  const QString a = Source(QStringLiteral("a.xls"));
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters().front(),
              QStringLiteral("All Support File (*.xls *.xlt *.xlsx *.xlsm *.xltx *.xltm *.xlsb *.ods *.ots *.fods)"));
    EXPECT_EQ(dialog->nameFilters().size(), 11);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
  });
  QTest::keyClick(form_->fileList, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(form_->rowCount(), 0);  // cancelled: nothing added
  form_->addChosenFiles({a, QStringLiteral("/n/b.txt")});
  EXPECT_EQ(form_->rowCount(), 1);
  EXPECT_EQ(Cell(0, FileListModel::Column::kSource), a);
  EXPECT_EQ(Panel(1), QStringLiteral("1 File(s)"));
}

// Templates and macro workbooks are rows of their own type, converted by the
// reader of their family.
TEST_F(MainWindowTest, EveryTypeOfTheTableIsAddedAndReachesItsReader) {
  QStringList readBy;
  const auto reader = [&readBy](const char* which) {
    return [&readBy, which](const QString& source, OutputBlock& block, std::int32_t cp) {
      readBy << QString::fromLatin1(which) + u' ' + QFileInfo(source).suffix();
      return EchoConverter(source, block, cp);
    };
  };
  form_->setConverters(reader("xls"), reader("xlsx"));
  QStringList types;
  for (const char* suffix : {"xlt", "xlsm", "xltx", "xltm", "xlsb"}) {
    form_->addFile(Source(QStringLiteral("book.") + QString::fromLatin1(suffix)));
    types << Cell(form_->rowCount() - 1, FileListModel::Column::kType);
  }
  EXPECT_EQ(types, QStringList({"XLT", "XLSM", "XLTX", "XLTM", "XLSB"}));
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(readBy, QStringList({"xls xlt", "xlsx xlsm", "xlsx xltx", "xlsx xltm", "xlsx xlsb"}));
}

TEST_F(MainWindowTest, AltHeldDisablesShortcuts) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  ClearSelection();
  QTest::keyClick(form_->fileList, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(form_->isConverting());
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kWaiting);
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier);
  WaitForRun();
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
}

TEST_F(MainWindowTest, SelectAllShowsSelectionCountOnce) {
  for (int i = 0; i < 3; ++i) form_->addFile(QStringLiteral("/n/%1.xls").arg(i));
  ClearSelection();
  QTest::qWait(80);
  QTest::keyClick(form_->fileList, Qt::Key_A, Qt::ControlModifier);
  QTRY_COMPARE(Panel(2), QStringLiteral("Select 3 file(s)."));
}

TEST_F(MainWindowTest, DeleteRemovesSelectedRows) {
  for (int i = 0; i < 5; ++i) form_->addFile(QStringLiteral("/n/%1.xls").arg(i));
  Select({0, 2, 4});
  QTest::keyClick(form_->fileList, Qt::Key_Delete);
  EXPECT_EQ(form_->rowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  EXPECT_EQ(Cell(0, FileListModel::Column::kSource), QStringLiteral("/n/1.xls"));
  EXPECT_EQ(Cell(1, FileListModel::Column::kSource), QStringLiteral("/n/3.xls"));
  form_->addFile(QStringLiteral("/n/0.xls"));  // deleted rows may come back
  EXPECT_EQ(form_->rowCount(), 3);
}

TEST_F(MainWindowTest, DeleteUpdatesTheSelectionCount) {
  for (int i = 0; i < 2; ++i) form_->addFile(QStringLiteral("/n/%1.xls").arg(i));
  Select({1});
  QTRY_COMPARE(Panel(2), QStringLiteral("Select 1 file(s)."));
  QTest::keyClick(form_->fileList, Qt::Key_Delete);
  QTest::qWait(80);
  EXPECT_EQ(Panel(2), QStringLiteral("Select 0 file(s)."));
}

TEST_F(MainWindowTest, LongMessageIsWholeInTheTooltip) {
  const QString path = QStringLiteral("/n/") + QString(300, u'x') + QStringLiteral(".xls");
  form_->addFile(path);
  form_->addFile(path);
  const QString message = QStringLiteral("File [") + path + QStringLiteral("] already added!");
  EXPECT_EQ(Panel(2), message);
  EXPECT_EQ(form_->messagePanel->toolTip(), message);
  EXPECT_LT(form_->messagePanel->width(), form_->fontMetrics().horizontalAdvance(message));
}

TEST_F(MainWindowTest, PasteTakesTheClipboardFileList) {
  const QString a = Source(QStringLiteral("a.xls"));
  const QString b = Source(QStringLiteral("b.doc"));
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
  QApplication::clipboard()->setMimeData(data);
  form_->updateActionStates();
  EXPECT_TRUE(form_->pasteFileAction->isEnabled());
  QTest::keyClick(form_->fileList, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form_->rowCount(), 1);
  EXPECT_EQ(Panel(2), QStringLiteral("File [") + b + QStringLiteral("] type not support!"));
  EXPECT_EQ(Panel(1), QStringLiteral("1 File(s)"));
  QApplication::clipboard()->setText(QStringLiteral("no files"));
  form_->updateActionStates();
  EXPECT_FALSE(form_->pasteFileAction->isEnabled());
}

TEST_F(MainWindowTest, DropAddsFilesAndPassesOverFolders) {
  const QString a = Source(QStringLiteral("a.xls"));
  const QString b = Source(QStringLiteral("b.xlsx"));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(config_.Path(QStringLiteral("src"))),
                QUrl::fromLocalFile(b)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &drop);
  EXPECT_EQ(form_->rowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  // A move-only drop is refused.
  QMimeData other;
  other.setUrls({QUrl::fromLocalFile(Source(QStringLiteral("c.xls")))});
  QDropEvent move(QPointF(10, 10), Qt::MoveAction, &other, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &move);
  EXPECT_EQ(form_->rowCount(), 2);
}

TEST_F(MainWindowTest, JobFileRoundTripThroughRestart) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("b.xls"), "BAD"));
  Convert(MainWindow::RunMode::kAll);
  NewWindow();  // the old window saves the job file, the new one loads it
  ASSERT_EQ(form_->rowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kFailed);
  EXPECT_EQ(Cell(1, FileListModel::Column::kMessage), QStringLiteral("File format not correct"));
  // The loaded rows still count for the duplicate check.
  form_->addFile(Cell(0, FileListModel::Column::kSource));
  EXPECT_EQ(form_->rowCount(), 2);
}

// A job file cut short: the rows before the damage load, the damaged file
// is kept under a new name, the user hears how many rows were lost and
// where the copy is, and the list saved at exit does not replace the copy.
TEST_F(MainWindowTest, DamagedJobFileIsKeptAndTheLossReported) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("b.xls")));
  form_->addFile(Source(QStringLiteral("c.xls")));
  form_.reset();
  const QByteArray saved = ReadAll(JobFilePath());
  const QByteArray damaged = saved.left(saved.size() / 2);
  WriteAll(JobFilePath(), damaged);

  QString boxText;
  testing::AnswerNextModal([&boxText](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal)) boxText = box->text();
    modal->close();
  });
  form_ = std::make_unique<MainWindow>();
  form_->show();
  ASSERT_TRUE(WaitUntil([&] { return !boxText.isEmpty(); }, 5000));
  const int readRows = form_->rowCount();
  EXPECT_GE(readRows, 1);
  EXPECT_LT(readRows, 3);
  const QStringList copies = QDir(ConfigDir()).entryList({QStringLiteral("Tabulox.job.damaged-*")});
  ASSERT_EQ(copies.size(), 1);
  const QString copy = ConfigDir() + copies[0];
  EXPECT_EQ(ReadAll(copy), damaged);
  EXPECT_TRUE(boxText.contains(QStringLiteral("%1 of 3 saved rows could not be read").arg(3 - readRows))) << boxText.toStdString();
  EXPECT_TRUE(boxText.contains(copy)) << boxText.toStdString();
  EXPECT_TRUE(LogMessages().contains(boxText));

  form_.reset();
  EXPECT_EQ(ReadAll(copy), damaged);
  const auto again = LoadJobFile(JobFilePath());
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->damaged);
  EXPECT_EQ(again->rows.size(), static_cast<std::size_t>(readRows));
}

TEST_F(MainWindowTest, EmptyListSavesFiveBytes) {
  form_.reset();
  EXPECT_EQ(ReadAll(JobFilePath()), QByteArray("LFW\0\0", 5));
}

TEST_F(MainWindowTest, RunOfTwoFilesWithOneFailure) {
  const QString good = Source(QStringLiteral("good.xls"), "hello");
  const QString bad = Source(QStringLiteral("bad.xls"), "BAD");
  form_->addFile(good);
  form_->addFile(bad);
  QFile::remove(LogFilePath());
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier);
  WaitForRun();
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("Convert successfully"));
  EXPECT_EQ(ReadAll(GlobalSettings().targetFolder + QStringLiteral("good.txt")), QByteArray("hello"));
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kFailed);
  EXPECT_EQ(Cell(1, FileListModel::Column::kMessage), QStringLiteral("File format not correct"));
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Convert successfully (") + good + kAsToday,
                                        QStringLiteral("Failed: File format not correct (") + bad + kAsToday,
                                        QStringLiteral("Conversion end. Successful: 1, Failed: 1, Total: 2"),
                                        QString()}));
  EXPECT_FALSE(form_->cancelConvertDialog->isVisible());
  EXPECT_EQ(form_->cancelConvertDialog->doneCountLabel->text(), QStringLiteral("2"));
  EXPECT_EQ(form_->cancelConvertDialog->totalCountLabel->text(), QStringLiteral("/2"));
}

TEST_F(MainWindowTest, XlsxRowThatIsNoArchiveFails) {
  form_->setConverters(EchoConverter, EngineConverter(engine_, WorkbookType::kXlsx));
  form_->addFile(Source(QStringLiteral("a.xlsx")));
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kFailed);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("File format not correct"));
}

TEST_F(MainWindowTest, RunOutcomesForTypeMissingSourceAndUnwritableTarget) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("gone.xls")));
  form_->addFile(Source(QStringLiteral("c.xls")));
  form_->fileListModel->setText(0, FileListModel::Column::kType, QStringLiteral("xls"));
  QFile::remove(Cell(1, FileListModel::Column::kSource));
  WriteAll(config_.Path(QStringLiteral("blocker")), "x");
  GlobalSettings().targetFolder = config_.Path(QStringLiteral("blocker/sub/"));
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("File type not support"));
  EXPECT_EQ(Cell(1, FileListModel::Column::kMessage), QStringLiteral("Source file does not exist"));
  EXPECT_EQ(Cell(2, FileListModel::Column::kMessage), QStringLiteral("Target file create error"));
  EXPECT_TRUE(LogMessages().contains(QStringLiteral("Failed: Target file create error (") +
                                     config_.Path(QStringLiteral("blocker/sub/c.txt")) + kAsToday));
}

TEST_F(MainWindowTest, AutoRenameWritesBookOneThenBookTwo) {
  GlobalSettings().targetBesideSource = true;
  const QString book = Source(QStringLiteral("book.xls"), "v");
  WriteAll(config_.Path(QStringLiteral("src/book.txt")), "old");
  form_->addFile(book);
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(Cell(0, FileListModel::Column::kTarget), config_.Path(QStringLiteral("src/book(1).txt")));
  Select({0});
  Convert(MainWindow::RunMode::kReConvert);
  EXPECT_EQ(Cell(0, FileListModel::Column::kTarget), config_.Path(QStringLiteral("src/book(2).txt")));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/book.txt"))), QByteArray("old"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/book(2).txt"))), QByteArray("v"));
}

TEST_F(MainWindowTest, OverwriteAndCancelPolicies) {
  GlobalSettings().targetBesideSource = true;
  form_->addFile(Source(QStringLiteral("a.xls"), "new"));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  GlobalSettings().overwritePolicy = 3;
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("old"));
  GlobalSettings().overwritePolicy = 1;
  Select({0});
  Convert(MainWindow::RunMode::kReConvert);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("new"));
}

TEST_F(MainWindowTest, PromptCancelFailsRowAndStopConvertEndsRun) {
  GlobalSettings().targetBesideSource = true;
  GlobalSettings().overwritePolicy = 2;
  for (const char* name : {"a", "b", "c"}) {
    form_->addFile(Source(QString::fromLatin1(name) + QStringLiteral(".xls")));
    WriteAll(config_.Path(QStringLiteral("src/%1.txt").arg(QString::fromLatin1(name))), "old");
  }
  const QString targetBefore = Cell(0, FileListModel::Column::kTarget);
  QFile::remove(LogFilePath());
  AnswerNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<OverwriteDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("KV-Tabulox"));
    dialog->cancelButton->click();
    AnswerNextModal([](QWidget* next) { qobject_cast<OverwriteDialog*>(next)->stopConvertButton->click(); });
  });
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kFailed);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kWaiting);
  EXPECT_EQ(Cell(1, FileListModel::Column::kMessage), QString());
  EXPECT_EQ(form_->stateOf(2), FileListModel::RowState::kWaiting);
  EXPECT_EQ(LogMessages(),
            QStringList({QStringLiteral("Conversion start..."),
                         QStringLiteral("Failed: Target file already exists, user canceled (") + targetBefore + kAsToday,
                         QStringLiteral("Conversion end. Successful: 0, Failed: 1, Total: 1"), QString()}));
}

TEST_F(MainWindowTest, PromptAutoRenameAndFrameClose) {
  GlobalSettings().targetBesideSource = true;
  GlobalSettings().overwritePolicy = 2;
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("b.xls")));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  WriteAll(config_.Path(QStringLiteral("src/b.txt")), "old");
  AnswerNextModal([](QWidget* modal) {
    qobject_cast<OverwriteDialog*>(modal)->autoRenameButton->click();
    AnswerNextModal([](QWidget* next) { next->close(); });
  });
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(Cell(0, FileListModel::Column::kTarget), config_.Path(QStringLiteral("src/a(1).txt")));
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(Cell(1, FileListModel::Column::kMessage), QStringLiteral("Target file already exists, user canceled"));
}

// The run goes on off the window's thread: while the second workbook is being
// converted the window answers, a click on Cancel is taken, and the run ends
// after that workbook with the other rows still waiting.
TEST_F(MainWindowTest, CancelDuringCtrlGRunLeavesRemainingRowsWaiting) {
  for (int i = 0; i < 4; ++i) form_->addFile(Source(QStringLiteral("%1.xls").arg(i)));
  std::atomic<int> calls = 0;
  QSemaphore secondMayEnd;
  form_->setConverters(
      [&](const QString& source, OutputBlock& block, std::int32_t cp) {
        if (++calls == 2) secondMayEnd.tryAcquire(1, 30000);
        return EchoConverter(source, block, cp);
      },
      EchoConverter);
  QFile::remove(LogFilePath());
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier);
  ASSERT_TRUE(WaitUntil([&] { return calls == 2; }));
  ASSERT_TRUE(form_->cancelConvertDialog->isVisible());
  EXPECT_EQ(form_->cancelConvertDialog->fileName(), Cell(1, FileListModel::Column::kSource));
  QTest::mouseClick(form_->cancelConvertDialog->cancelButton, Qt::LeftButton);
  const QString stopping = QString::fromUtf8("Stopping after the current file\u2026");
  EXPECT_EQ(Panel(2), stopping);
  // The list stays as it is while the workbook in hand is finished, and says so.
  form_->deleteAction->trigger();
  EXPECT_EQ(form_->rowCount(), 4);
  EXPECT_TRUE(Panel(2).startsWith(stopping));
  EXPECT_TRUE(Panel(2).contains(QStringLiteral("cannot be deleted")));
  form_->updateActionStates();
  EXPECT_FALSE(form_->deleteAction->isEnabled());
  secondMayEnd.release();
  WaitForRun();
  EXPECT_EQ(Panel(2), QStringLiteral("Conversion stopped."));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kConverted);
  EXPECT_EQ(form_->stateOf(2), FileListModel::RowState::kWaiting);
  EXPECT_EQ(form_->stateOf(3), FileListModel::RowState::kWaiting);
  EXPECT_EQ(Cell(2, FileListModel::Column::kMessage), QString());
  EXPECT_FALSE(QFile::exists(GlobalSettings().targetFolder + QStringLiteral("2.txt")));
  EXPECT_EQ(LogMessages(),
            QStringList({QStringLiteral("Conversion start..."), QStringLiteral("Convert successfully (") + Cell(0, FileListModel::Column::kSource) + kAsToday,
                         QStringLiteral("Convert successfully (") + Cell(1, FileListModel::Column::kSource) + kAsToday,
                         QStringLiteral("Conversion end. Successful: 2, Failed: 0, Total: 2"), QString()}));
}

// A log that can no longer be written ends the run where it stands: the error
// is shown, no summary is written and the rows not reached keep waiting.
TEST_F(MainWindowTest, LogErrorDuringRunEndsItWithoutSummary) {
  for (int i = 0; i < 3; ++i) form_->addFile(Source(QStringLiteral("%1.xls").arg(i)));
  form_->setConverters(
      [](const QString& source, OutputBlock& block, std::int32_t cp) {
        QFile::remove(LogFilePath());
        QDir().mkpath(LogFilePath());  // a folder where the log should be
        return EchoConverter(source, block, cp);
      },
      EchoConverter);
  QString error;
  AnswerNextModal([&error](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    error = box->text();
    box->accept();
  });
  Convert(MainWindow::RunMode::kAll);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(form_->cancelConvertDialog->isVisible());
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);  // converted; only its log line failed
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kWaiting);
  EXPECT_EQ(form_->stateOf(2), FileListModel::RowState::kWaiting);
  QDir(LogFilePath()).removeRecursively();
  form_->setConverters(EchoConverter, EchoConverter);
  Convert(MainWindow::RunMode::kAll);  // the window is ready for the next run
  EXPECT_EQ(form_->stateOf(2), FileListModel::RowState::kConverted);
}

// Closing the window during a run ends the run after the workbook in hand;
// the window goes once that workbook's outcome is in the list and the log.
TEST_F(MainWindowTest, ClosingDuringRunWaitsForWorkbookInHand) {
  for (int i = 0; i < 3; ++i) form_->addFile(Source(QStringLiteral("%1.xls").arg(i)));
  std::atomic<int> calls = 0;
  QSemaphore firstMayEnd;
  form_->setConverters(
      [&](const QString& source, OutputBlock& block, std::int32_t cp) {
        if (++calls == 1) firstMayEnd.tryAcquire(1, 30000);
        return EchoConverter(source, block, cp);
      },
      EchoConverter);
  form_->convertFiles(MainWindow::RunMode::kAll);
  ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));
  form_->close();
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(Panel(2), QString::fromUtf8("Stopping after the current file\u2026"));
  firstMayEnd.release();
  EXPECT_TRUE(WaitUntil([&] { return !form_->isVisible(); }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kConverted);
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kWaiting);
  EXPECT_TRUE(LogMessages().contains(QStringLiteral("Conversion end. Successful: 1, Failed: 0, Total: 1")));
}

TEST_F(MainWindowTest, RunModesChooseRowsBySelectionAndState) {
  for (int i = 0; i < 3; ++i) form_->addFile(Source(QStringLiteral("%1.xls").arg(i)));
  Select({1});
  Convert(MainWindow::RunMode::kSelected);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kWaiting);
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kConverted);
  EXPECT_EQ(form_->cancelConvertDialog->doneCountLabel->text(), QStringLiteral("1"));
  // ReConvert with nothing selected: start and summary with zero counts.
  ClearSelection();
  QFile::remove(LogFilePath());
  Convert(MainWindow::RunMode::kReConvert);
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Conversion end. Successful: 0, Failed: 0, Total: 0"),
                                        QString()}));
  // ReConvert of the selected converted row converts it again.
  QFile::remove(Cell(1, FileListModel::Column::kTarget));
  Select({0, 1});
  Convert(MainWindow::RunMode::kReConvert);
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kWaiting);
  EXPECT_TRUE(QFile::exists(Cell(1, FileListModel::Column::kTarget)));
}

TEST_F(MainWindowTest, EmptyListRunLogsNothing) {
  Convert(MainWindow::RunMode::kAll);
  EXPECT_FALSE(QFile::exists(LogFilePath()));
}

TEST_F(MainWindowTest, SortByColumnsWithMarkers) {
  const struct {
    const char* name;
    const char* size;
  } rows[] = {{"b.xls", "10"}, {"a.xls", "9"}, {"C.xls", "100"}, {"B2.xls", "x"}};
  for (const auto& r : rows) {
    form_->addFile(QStringLiteral("/n/") + QString::fromLatin1(r.name));
    form_->fileListModel->setText(form_->rowCount() - 1, FileListModel::Column::kSize, QString::fromLatin1(r.size));
  }
  const auto column = [&](FileListModel::Column which) {
    QStringList texts;
    for (int i = 0; i < form_->rowCount(); ++i) texts << Cell(i, which);
    return texts;
  };
  const auto header = [this](FileListModel::Column column) {
    return form_->fileListModel->headerData(FileListModel::section(column), Qt::Horizontal).toString();
  };
  form_->onColumnClicked(FileListModel::section(FileListModel::Column::kName));
  EXPECT_EQ(header(FileListModel::Column::kName), QStringLiteral("(->)Name"));
  EXPECT_EQ(column(FileListModel::Column::kName), QStringList({QStringLiteral("a.xls"), QStringLiteral("b.xls"),
                                                   QStringLiteral("B2.xls"), QStringLiteral("C.xls")}));
  form_->onColumnClicked(FileListModel::section(FileListModel::Column::kName));
  EXPECT_EQ(header(FileListModel::Column::kName), QStringLiteral("(<-)Name"));
  EXPECT_EQ(column(FileListModel::Column::kName).front(), QStringLiteral("C.xls"));
  form_->onColumnClicked(FileListModel::section(FileListModel::Column::kSize));
  EXPECT_EQ(header(FileListModel::Column::kName), QStringLiteral("Name"));
  EXPECT_EQ(header(FileListModel::Column::kSize), QStringLiteral("(->)Size(Byte)"));
  EXPECT_EQ(column(FileListModel::Column::kSize), QStringList({QStringLiteral("x"), QStringLiteral("9"),
                                                   QStringLiteral("10"), QStringLiteral("100")}));
}

TEST_F(MainWindowTest, SortByStatePutsWaitingFirst) {
  for (int i = 0; i < 3; ++i) form_->addFile(QStringLiteral("/n/%1.xls").arg(i));
  form_->fileListModel->setState(0, FileListModel::RowState::kFailed);
  form_->fileListModel->setState(1, FileListModel::RowState::kConverted);
  form_->onColumnClicked(FileListModel::section(FileListModel::Column::kState));
  EXPECT_EQ(form_->stateOf(0), FileListModel::RowState::kWaiting);
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kConverted);
  EXPECT_EQ(form_->stateOf(2), FileListModel::RowState::kFailed);
}

TEST_F(MainWindowTest, EnablingRulesFollowStatesAndSelection) {
  form_->addFile(QStringLiteral("/n/a.xls"));
  form_->addFile(QStringLiteral("/n/b.xls"));
  form_->fileListModel->setState(0, FileListModel::RowState::kConverted);
  form_->fileListModel->setState(1, FileListModel::RowState::kConverted);
  ClearSelection();
  form_->updateActionStates();
  EXPECT_FALSE(form_->convertAllAction->isEnabled());
  EXPECT_FALSE(form_->convertSelectedAction->isEnabled());
  EXPECT_FALSE(form_->reconvertAction->isEnabled());
  EXPECT_FALSE(form_->deleteAction->isEnabled());
  EXPECT_FALSE(form_->exploreTargetAction->isEnabled());
  Select({1});
  form_->updateActionStates();
  EXPECT_TRUE(form_->reconvertAction->isEnabled());
  EXPECT_TRUE(form_->deleteAction->isEnabled());
  EXPECT_TRUE(form_->launchSourceAction->isEnabled());
  form_->fileListModel->setState(0, FileListModel::RowState::kWaiting);
  Select({0});
  form_->updateActionStates();
  EXPECT_TRUE(form_->convertAllAction->isEnabled());
  EXPECT_TRUE(form_->convertSelectedAction->isEnabled());
  EXPECT_FALSE(form_->reconvertAction->isEnabled());
  // The rules leave the commands of the dialogs enabled.
  EXPECT_TRUE(form_->optionsAction->isEnabled());
  EXPECT_TRUE(form_->addDirAction->isEnabled());
  EXPECT_TRUE(form_->contentsAction->isEnabled());
  EXPECT_TRUE(form_->addDirButton->isEnabled());
}

TEST_F(MainWindowTest, LaunchAndExploreTakeFirstSelectedRow) {
  const QString a = Source(QStringLiteral("a.xls"));
  form_->addFile(QStringLiteral("/n/x.xls"));
  form_->addFile(a);
  Select({1, 0});
  form_->launchSourceAction->trigger();
  form_->exploreTargetAction->trigger();
  Select({1});
  form_->exploreSourceAction->trigger();
  ClearSelection();
  form_->launchTargetAction->trigger();
  ASSERT_EQ(shellCalls_.size(), 3u);
  EXPECT_EQ(shellCalls_[0], std::make_pair(MainWindow::ShellAction::kOpen, QStringLiteral("/n/x.xls")));
  EXPECT_EQ(shellCalls_[1], std::make_pair(MainWindow::ShellAction::kOpenFolder, GlobalSettings().targetFolder));
  EXPECT_EQ(shellCalls_[2], std::make_pair(MainWindow::ShellAction::kShowInFolder, a));
}

TEST_F(MainWindowTest, LaunchThatNothingOpensIsReportedInTheStatusBar) {
  form_->addFile(QStringLiteral("/n/x.xls"));
  Select({0});
  shellOpens_ = false;
  form_->launchSourceAction->trigger();
  EXPECT_EQ(Panel(2), QStringLiteral("No application could open /n/x.xls"));
  EXPECT_EQ(LogMessages().back(), QStringLiteral("No application could open /n/x.xls"));
}

TEST_F(MainWindowTest, ExploreThatNothingOpensNamesTheFolder) {
  const QString a = Source(QStringLiteral("a.xls"));
  form_->addFile(a);
  Select({0});
  shellOpens_ = false;
  form_->exploreSourceAction->trigger();
  EXPECT_EQ(Panel(2), QStringLiteral("No application could open ") + config_.Path(QStringLiteral("src/")));
  form_->exploreTargetAction->trigger();
  EXPECT_EQ(Panel(2), QStringLiteral("No application could open ") + GlobalSettings().targetFolder);
}

TEST_F(MainWindowTest, EditMenuNamesTheDeleteKeyDelete) {
  // A menu shows the text after the tab as the entry's key.
  EXPECT_EQ(form_->deleteAction->text().section(u'\t', 1), QStringLiteral("Delete"));
}

TEST_F(MainWindowTest, OverwriteQuestionDefaultsToCancelAndHidesTheProgress) {
  GlobalSettings().targetBesideSource = true;
  GlobalSettings().overwritePolicy = static_cast<std::uint8_t>(FileOverType::kPrompt);
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("b.xls")));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  bool progressShown = true;
  bool cancelDefault = false;
  bool cancelFocused = false;
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<OverwriteDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    progressShown = form_->cancelConvertDialog->isVisible();
    cancelDefault = dialog->cancelButton->isDefault();
    cancelFocused = dialog->focusWidget() == dialog->cancelButton;
    QTest::keyClick(dialog, Qt::Key_Return);
  });
  Convert(MainWindow::RunMode::kAll);
  EXPECT_FALSE(progressShown);
  EXPECT_TRUE(cancelDefault);
  EXPECT_TRUE(cancelFocused);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("old"));
  // Stepping aside for the question is no cancel: the run goes on.
  EXPECT_EQ(form_->stateOf(1), FileListModel::RowState::kConverted);
}

TEST_F(MainWindowTest, SortMarkerFitsARightAlignedColumn) {
  form_->addFile(QStringLiteral("/n/a.xls"));
  const int size = FileListModel::section(FileListModel::Column::kSize);
  form_->onColumnClicked(size);
  const QHeaderView* header = form_->fileList->header();
  EXPECT_GE(header->sectionSize(size), header->fontMetrics().horizontalAdvance(QStringLiteral("(->)Size(Byte)")));
}

TEST_F(MainWindowTest, ContextMenuDoesNotOpenDuringRun) {
  form_->addFile(QStringLiteral("/n/a.xls"));
  form_->cancelConvertDialog->show();
  emit form_->fileList->customContextMenuRequested(QPoint(5, 5));
  EXPECT_FALSE(form_->fileListMenu->isVisible());
  form_->cancelConvertDialog->hide();
  emit form_->fileList->customContextMenuRequested(QPoint(5, 5));
  EXPECT_TRUE(form_->fileListMenu->isVisible());
  form_->fileListMenu->hide();
}

TEST_F(MainWindowTest, NarrowestWindowKeepsConvertClearOfTheOtherButtons) {
  form_->resize(100, 100);
  EXPECT_GT(form_->convertButton->x(), form_->logButton->geometry().right());
  EXPECT_GE(form_->height(), 200);
}

// Each shortcut acts once, whether the list has the focus or no control has
// it (as after a dialog the shortcut opened). A key filter that let the key
// go on brought the dialog back after it closed and started a second run.
TEST_F(MainWindowTest, EachShortcutActsExactlyOnce) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  int dialogsShown = 0;
  QWidget* answered = nullptr;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != answered) {
      ++dialogsShown;
      answered = modal;
      static_cast<QDialog*>(modal)->reject();
    } else if (modal == nullptr) {
      answered = nullptr;
    }
  });
  closer.start(5);
  for (const bool listHasFocus : {true, false}) {
    SCOPED_TRACE(listHasFocus ? "focus in the list" : "no focus");
    const auto press = [&](Qt::Key key) {
      // As a window manager does once the dialog of the last key has closed.
      form_->activateWindow();
      ASSERT_TRUE(WaitUntil([this] { return QApplication::activeWindow() == form_.get(); }, 5000));
      if (listHasFocus) form_->fileList->setFocus();
      else if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
      QTest::keyClick(listHasFocus ? static_cast<QWidget*>(form_->fileList) : form_.get(), key, Qt::ControlModifier);
      QTest::qWait(50);
    };
    for (const Qt::Key key : {Qt::Key_F, Qt::Key_D}) {
      dialogsShown = 0;
      press(key);
      EXPECT_EQ(dialogsShown, 1) << "Ctrl+" << QKeySequence(key).toString().toStdString();
    }
    QFile::remove(LogFilePath());
    press(Qt::Key_G);
    WaitForRun();
    EXPECT_EQ(LogMessages().count(QStringLiteral("Conversion start...")), 1);
  }
}

// The enabling rules change the menus only: once the menu has closed, the
// shortcut of an entry it showed disabled acts again.
TEST_F(MainWindowTest, ShortcutsStayUsableAfterAMenuDisabledTheirEntries) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->fileListModel->setState(0, FileListModel::RowState::kConverted);
  QMenu* convert = form_->menuBar()->actions()[2]->menu();
  convert->popup(QPoint(0, 0));
  EXPECT_FALSE(form_->convertAllAction->isEnabled());
  convert->hide();
  EXPECT_TRUE(form_->convertAllAction->isEnabled());
  QFile::remove(LogFilePath());
  form_->activateWindow();
  ASSERT_TRUE(WaitUntil([this] { return QApplication::activeWindow() == form_.get(); }, 5000));
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier);
  WaitForRun();
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Conversion end. Successful: 0, Failed: 0, Total: 0"),
                                        QString()}));
}

// A popup the file dialog left open (its name completion, closed by Enter)
// is closed with it, so the window gets its keys again.
TEST_F(MainWindowTest, AddFileClosesPopupsTheDialogLeftOpen) {
  QMenu* leftover = nullptr;
  AnswerNextModal([&](QWidget* modal) {
    leftover = new QMenu(form_.get());
    leftover->addAction(QStringLiteral("book.xls"));
    leftover->popup(QPoint(10, 10));
    static_cast<QDialog*>(modal)->done(QDialog::Rejected);
  });
  form_->addFileAction->trigger();
  ASSERT_NE(leftover, nullptr);
  EXPECT_FALSE(leftover->isVisible());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(MainWindowTest, ClosingTheWindowClosesTheHelpWindow) {
  ShowHelp(config_.Path(QStringLiteral("nohelp/")), QString::fromLatin1(kHelpContentsPage));
  const auto helpShown = [] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (qobject_cast<HelpWindow*>(window) != nullptr && window->isVisible()) return true;
    }
    return false;
  };
  ASSERT_TRUE(helpShown());
  form_->close();
  EXPECT_FALSE(helpShown());
}

TEST_F(MainWindowTest, ResizeKeepsConvertButtonAtRightEnd) {
  form_->resize(800, 500);
  EXPECT_EQ(form_->convertButton->x(), 800 - form_->convertButton->width() - 49 - 4);
}

TEST_F(MainWindowTest, NotLoggingSwitchAndLogViewer) {
  form_->addFile(QStringLiteral("/n/a.xls"));
  form_->addFile(QStringLiteral("/n/a.xls"));
  LogViewer* viewer = form_->logViewer;
  viewer->loadLog();
  EXPECT_TRUE(viewer->logText->toPlainText().contains(QStringLiteral("Add file failed: already added (/n/a.xls)")));
  EXPECT_TRUE(viewer->exportButton->isEnabled());

  const QString exported = config_.Path(QStringLiteral("copy.log"));
  EXPECT_EQ(viewer->exportDialog->defaultSuffix(), QStringLiteral("log"));
  EXPECT_FALSE(viewer->exportDialog->testOption(QFileDialog::DontConfirmOverwrite));
  viewer->exportLog(exported);
  EXPECT_EQ(ReadAll(exported), ReadAll(LogFilePath()));

  // Enter closes the viewer; clearing asks first, and No keeps the log.
  EXPECT_TRUE(viewer->closeButton->isDefault());
  EXPECT_FALSE(viewer->clearButton->autoDefault());
  const auto answerClear = [](QMessageBox::StandardButton button) {
    AnswerNextModal([button](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      box->button(button)->click();
    });
  };
  answerClear(QMessageBox::No);
  viewer->clearButton->click();
  EXPECT_TRUE(QFile::exists(LogFilePath()));
  answerClear(QMessageBox::Yes);
  viewer->clearButton->click();
  EXPECT_FALSE(QFile::exists(LogFilePath()));
  EXPECT_TRUE(viewer->logText->toPlainText().isEmpty());
  EXPECT_FALSE(viewer->clearButton->isEnabled());
  EXPECT_FALSE(viewer->exportButton->isEnabled());

  viewer->notLoggingCheck->click();
  EXPECT_TRUE(GlobalSettings().loggingOff);
  form_->addFile(QStringLiteral("/n/a.xls"));
  Convert(MainWindow::RunMode::kAll);
  EXPECT_FALSE(QFile::exists(LogFilePath()));
}

TEST_F(MainWindowTest, AboutBoxAnimatesFourFrames) {
  AnswerNextModal([](QWidget* modal) {
    auto* about = qobject_cast<AboutBox*>(modal);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About KV-Tabulox"));
    // Room for the whole title beside the title bar's icon and close button.
    EXPECT_GE(about->width(), about->fontMetrics().horizontalAdvance(about->windowTitle()) + 64);
    EXPECT_EQ(about->buttonBox->button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
    EXPECT_EQ(about->logo->pixmap().width(), 32);
    about->onAnimationTick();
    about->onAnimationTick();
    about->onAnimationTick();
    EXPECT_EQ(about->currentFrame(), 3);
    about->onAnimationTick();
    EXPECT_EQ(about->currentFrame(), 0);
    about->buttonBox->button(QDialogButtonBox::Ok)->click();
  });
  form_->aboutAction->trigger();
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

// The same runs through the real .xls engine.
class MainWindowEngineTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    form_->setConverters(EngineConverter(engine_, WorkbookType::kXls),
                         EngineConverter(engine_, WorkbookType::kXlsx));
    GlobalSettings().outputCodePage = kCodePageUtf8;
  }
};

TEST_F(MainWindowEngineTest, ExampleWorkbookConvertsAndDamagedOneFails) {
  const QString example = config_.Path(QStringLiteral("src/example.xls"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(TABULOX_SOURCE_DIR "/examples/example.xls"), example));
  form_->addFile(example);
  form_->addFile(Source(QStringLiteral("damaged.xls"), "not a workbook"));
  Convert(MainWindow::RunMode::kAll);
  EXPECT_EQ(Cell(0, FileListModel::Column::kMessage), QStringLiteral("Convert successfully"));
  EXPECT_EQ(Cell(1, FileListModel::Column::kMessage), QStringLiteral("File format not correct"));
  OutputBlock expected;
  const ResultCode length = EngineConverter(engine_, WorkbookType::kXls)(example, expected, kCodePageUtf8);
  ASSERT_GT(length, 0);
  EXPECT_EQ(ReadAll(Cell(0, FileListModel::Column::kTarget)),
            QByteArray(reinterpret_cast<const char*>(expected.data()), length));
  EXPECT_TRUE(ReadAll(Cell(0, FileListModel::Column::kTarget)).startsWith("\xEF\xBB\xBF"));
}

TEST_F(MainWindowEngineTest, CorpusWorkbooksEndConvertedOrFailed) {
  const QDir corpus(QStringLiteral(TABULOX_CORPUS_DIR));
  if (!corpus.exists()) GTEST_SKIP() << "corpus not present";
  GlobalSettings().loggingOff = true;
  for (const char* folder : {"xls", "xlsx"}) {
    const QDir dir(corpus.filePath(QString::fromLatin1(folder)));
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx")}, QDir::Files)) {
      form_->addFile(file.absoluteFilePath());
    }
  }
  ASSERT_GT(form_->rowCount(), 0);
  Convert(MainWindow::RunMode::kAll);
  int converted = 0;
  for (int row = 0; row < form_->rowCount(); ++row) {
    EXPECT_NE(form_->stateOf(row), FileListModel::RowState::kWaiting) << Cell(row, FileListModel::Column::kSource).toStdString();
    if (form_->stateOf(row) == FileListModel::RowState::kConverted) {
      ++converted;
      EXPECT_TRUE(QFile::exists(Cell(row, FileListModel::Column::kTarget)));
    }
  }
  EXPECT_GT(converted, form_->rowCount() / 2);
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

TEST_F(MainWindowTest, HintsReachTheMessagePanel) {
  QStatusTipEvent tip(form_->addFileButton->statusTip());
  QApplication::sendEvent(form_->addFileButton, &tip);
  EXPECT_EQ(Panel(2), QStringLiteral("Add file(s) by selecting file(s)"));
  const QList<QAction*> menus = form_->menuBar()->actions();
  ASSERT_EQ(menus.size(), 4);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("&File "));
  EXPECT_EQ(menus[2]->text(), QStringLiteral("Con&vert "));
  QMenu* convert = menus[2]->menu();
  emit convert->hovered(form_->reconvertAction);
  EXPECT_EQ(Panel(2), QStringLiteral("Convert selected file(s) again"));
}

}  // namespace
}  // namespace tabulox
