// Drives the real main window on the offscreen platform: adding files, the job
// file, runs with their dialogs, sorting, shortcuts and the enabling rules.
#include "main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
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

#include "about_box.h"
#include "activity_log.h"
#include "core/code_pages.h"
#include "conversion_cancel_dialog.h"
#include "help_pages.h"
#include "log_viewer.h"
#include "modal_answer.h"
#include "support/output_block_copy.h"
#include "overwrite_dialog.h"
#include "settings_file.h"
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
    GlobalSettings().targetdir = WithTrailingSlash(config_.Path(QStringLiteral("out")));
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
      {form_->deleteAction, "Delete", {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_Delete)}},
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
  EXPECT_EQ(form_->stateOf(0), 0);
  EXPECT_EQ(Cell(0, FileListModel::Name), QStringLiteral("Book.XLS"));
  EXPECT_EQ(Cell(0, FileListModel::Source), book);
  EXPECT_EQ(Cell(0, FileListModel::Size), QStringLiteral("5"));
  EXPECT_EQ(Cell(0, FileListModel::Type), QStringLiteral("XLS"));
  EXPECT_EQ(Cell(0, FileListModel::Target), GlobalSettings().targetdir + QStringLiteral("Book.txt"));
  EXPECT_EQ(Cell(0, FileListModel::Message), QString());
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
  EXPECT_EQ(Cell(1, FileListModel::Size), QStringLiteral("0"));
  EXPECT_EQ(Cell(1, FileListModel::Type), QStringLiteral("XLSX"));
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
    EXPECT_EQ(dialog->nameFilters().front(), QStringLiteral("All Support File (*.xls *.xlsx)"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
  });
  QTest::keyClick(form_->fileList, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(form_->rowCount(), 0);  // cancelled: nothing added
  form_->addChosenFiles({a, QStringLiteral("/n/b.txt")});
  EXPECT_EQ(form_->rowCount(), 1);
  EXPECT_EQ(Cell(0, FileListModel::Source), a);
  EXPECT_EQ(Panel(1), QStringLiteral("1 File(s)"));
}

TEST_F(MainWindowTest, AltHeldDisablesShortcuts) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  ClearSelection();
  QTest::keyClick(form_->fileList, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(form_->isConverting());
  EXPECT_EQ(form_->stateOf(0), 0);
  QTest::keyClick(form_->fileList, Qt::Key_G, Qt::ControlModifier);
  WaitForRun();
  EXPECT_EQ(form_->stateOf(0), 1);
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
  EXPECT_EQ(Cell(0, FileListModel::Source), QStringLiteral("/n/1.xls"));
  EXPECT_EQ(Cell(1, FileListModel::Source), QStringLiteral("/n/3.xls"));
  form_->addFile(QStringLiteral("/n/0.xls"));  // deleted rows may come back
  EXPECT_EQ(form_->rowCount(), 3);
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
  Convert(MainWindow::ModeAll);
  NewWindow();  // the old window saves the job file, the new one loads it
  ASSERT_EQ(form_->rowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  EXPECT_EQ(form_->stateOf(0), 1);
  EXPECT_EQ(form_->stateOf(1), 2);
  EXPECT_EQ(Cell(1, FileListModel::Message), QStringLiteral("File format not correct"));
  // The loaded rows still count for the duplicate check.
  form_->addFile(Cell(0, FileListModel::Source));
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
  EXPECT_EQ(form_->stateOf(0), 1);
  EXPECT_EQ(Cell(0, FileListModel::Message), QStringLiteral("Convert successfully"));
  EXPECT_EQ(ReadAll(GlobalSettings().targetdir + QStringLiteral("good.txt")), QByteArray("hello"));
  EXPECT_EQ(form_->stateOf(1), 2);
  EXPECT_EQ(Cell(1, FileListModel::Message), QStringLiteral("File format not correct"));
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Convert successfully (") + good + u')',
                                        QStringLiteral("Failed: File format not correct (") + bad + u')',
                                        QStringLiteral("Conversion end. Successful: 1, Failed: 1, Total: 2"),
                                        QString()}));
  EXPECT_FALSE(form_->cancelConvertDialog->isVisible());
  EXPECT_EQ(form_->cancelConvertDialog->doneCountLabel->text(), QStringLiteral("2"));
  EXPECT_EQ(form_->cancelConvertDialog->totalCountLabel->text(), QStringLiteral("/2"));
}

TEST_F(MainWindowTest, XlsxRowThatIsNoArchiveFails) {
  form_->setConverters(EchoConverter, EngineConverter(engine_, WorkbookType::kXlsx));
  form_->addFile(Source(QStringLiteral("a.xlsx")));
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(form_->stateOf(0), 2);
  EXPECT_EQ(Cell(0, FileListModel::Message), QStringLiteral("File format not correct"));
}

TEST_F(MainWindowTest, RunOutcomesForTypeMissingSourceAndUnwritableTarget) {
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("gone.xls")));
  form_->addFile(Source(QStringLiteral("c.xls")));
  form_->fileListModel->setText(0, FileListModel::Type, QStringLiteral("xls"));
  QFile::remove(Cell(1, FileListModel::Source));
  WriteAll(config_.Path(QStringLiteral("blocker")), "x");
  GlobalSettings().targetdir = config_.Path(QStringLiteral("blocker/sub/"));
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(Cell(0, FileListModel::Message), QStringLiteral("File type not support"));
  EXPECT_EQ(Cell(1, FileListModel::Message), QStringLiteral("Source file does not exist"));
  EXPECT_EQ(Cell(2, FileListModel::Message), QStringLiteral("Target file create error"));
  EXPECT_TRUE(LogMessages().contains(QStringLiteral("Failed: Target file create error (") +
                                     config_.Path(QStringLiteral("blocker/sub/c.txt")) + u')'));
}

TEST_F(MainWindowTest, AutoRenameWritesBookOneThenBookTwo) {
  GlobalSettings().samedir = true;
  const QString book = Source(QStringLiteral("book.xls"), "v");
  WriteAll(config_.Path(QStringLiteral("src/book.txt")), "old");
  form_->addFile(book);
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(Cell(0, FileListModel::Target), config_.Path(QStringLiteral("src/book(1).txt")));
  Select({0});
  Convert(MainWindow::ModeReConvert);
  EXPECT_EQ(Cell(0, FileListModel::Target), config_.Path(QStringLiteral("src/book(2).txt")));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/book.txt"))), QByteArray("old"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/book(2).txt"))), QByteArray("v"));
}

TEST_F(MainWindowTest, OverwriteAndCancelPolicies) {
  GlobalSettings().samedir = true;
  form_->addFile(Source(QStringLiteral("a.xls"), "new"));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  GlobalSettings().fileovertp = 3;
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(Cell(0, FileListModel::Message), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("old"));
  GlobalSettings().fileovertp = 1;
  Select({0});
  Convert(MainWindow::ModeReConvert);
  EXPECT_EQ(form_->stateOf(0), 1);
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("new"));
}

TEST_F(MainWindowTest, PromptCancelFailsRowAndStopConvertEndsRun) {
  GlobalSettings().samedir = true;
  GlobalSettings().fileovertp = 2;
  for (const char* name : {"a", "b", "c"}) {
    form_->addFile(Source(QString::fromLatin1(name) + QStringLiteral(".xls")));
    WriteAll(config_.Path(QStringLiteral("src/%1.txt").arg(QString::fromLatin1(name))), "old");
  }
  const QString targetBefore = Cell(0, FileListModel::Target);
  QFile::remove(LogFilePath());
  AnswerNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<OverwriteDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("KV-Tabulox"));
    dialog->cancelButton->click();
    AnswerNextModal([](QWidget* next) { qobject_cast<OverwriteDialog*>(next)->stopConvertButton->click(); });
  });
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(form_->stateOf(0), 2);
  EXPECT_EQ(Cell(0, FileListModel::Message), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(form_->stateOf(1), 0);
  EXPECT_EQ(Cell(1, FileListModel::Message), QString());
  EXPECT_EQ(form_->stateOf(2), 0);
  EXPECT_EQ(LogMessages(),
            QStringList({QStringLiteral("Conversion start..."),
                         QStringLiteral("Failed: Target file already exists, user canceled (") + targetBefore + u')',
                         QStringLiteral("Conversion end. Successful: 0, Failed: 1, Total: 1"), QString()}));
}

TEST_F(MainWindowTest, PromptAutoRenameAndFrameClose) {
  GlobalSettings().samedir = true;
  GlobalSettings().fileovertp = 2;
  form_->addFile(Source(QStringLiteral("a.xls")));
  form_->addFile(Source(QStringLiteral("b.xls")));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  WriteAll(config_.Path(QStringLiteral("src/b.txt")), "old");
  AnswerNextModal([](QWidget* modal) {
    qobject_cast<OverwriteDialog*>(modal)->autoRenameButton->click();
    AnswerNextModal([](QWidget* next) { next->close(); });
  });
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(Cell(0, FileListModel::Target), config_.Path(QStringLiteral("src/a(1).txt")));
  EXPECT_EQ(form_->stateOf(0), 1);
  EXPECT_EQ(Cell(1, FileListModel::Message), QStringLiteral("Target file already exists, user canceled"));
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
  EXPECT_EQ(form_->cancelConvertDialog->fileNameLabel->text(), Cell(1, FileListModel::Source));
  QTest::mouseClick(form_->cancelConvertDialog->cancelButton, Qt::LeftButton);
  secondMayEnd.release();
  WaitForRun();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(form_->stateOf(0), 1);
  EXPECT_EQ(form_->stateOf(1), 1);
  EXPECT_EQ(form_->stateOf(2), 0);
  EXPECT_EQ(form_->stateOf(3), 0);
  EXPECT_EQ(Cell(2, FileListModel::Message), QString());
  EXPECT_FALSE(QFile::exists(GlobalSettings().targetdir + QStringLiteral("2.txt")));
  EXPECT_EQ(LogMessages(),
            QStringList({QStringLiteral("Conversion start..."), QStringLiteral("Convert successfully (") + Cell(0, FileListModel::Source) + u')',
                         QStringLiteral("Convert successfully (") + Cell(1, FileListModel::Source) + u')',
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
  Convert(MainWindow::ModeAll);
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(form_->cancelConvertDialog->isVisible());
  EXPECT_EQ(form_->stateOf(0), 1);  // converted; only its log line failed
  EXPECT_EQ(form_->stateOf(1), 0);
  EXPECT_EQ(form_->stateOf(2), 0);
  QDir(LogFilePath()).removeRecursively();
  form_->setConverters(EchoConverter, EchoConverter);
  Convert(MainWindow::ModeAll);  // the window is ready for the next run
  EXPECT_EQ(form_->stateOf(2), 1);
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
  form_->convertFiles(MainWindow::ModeAll);
  ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));
  form_->close();
  EXPECT_TRUE(form_->isVisible());
  firstMayEnd.release();
  EXPECT_TRUE(WaitUntil([&] { return !form_->isVisible(); }));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(form_->stateOf(0), 1);
  EXPECT_EQ(form_->stateOf(1), 0);
  EXPECT_TRUE(LogMessages().contains(QStringLiteral("Conversion end. Successful: 1, Failed: 0, Total: 1")));
}

TEST_F(MainWindowTest, RunModesChooseRowsBySelectionAndState) {
  for (int i = 0; i < 3; ++i) form_->addFile(Source(QStringLiteral("%1.xls").arg(i)));
  Select({1});
  Convert(MainWindow::ModeSelected);
  EXPECT_EQ(form_->stateOf(0), 0);
  EXPECT_EQ(form_->stateOf(1), 1);
  EXPECT_EQ(form_->cancelConvertDialog->doneCountLabel->text(), QStringLiteral("1"));
  // ReConvert with nothing selected: start and summary with zero counts.
  ClearSelection();
  QFile::remove(LogFilePath());
  Convert(MainWindow::ModeReConvert);
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Conversion end. Successful: 0, Failed: 0, Total: 0"),
                                        QString()}));
  // ReConvert of the selected converted row converts it again.
  QFile::remove(Cell(1, FileListModel::Target));
  Select({0, 1});
  Convert(MainWindow::ModeReConvert);
  EXPECT_EQ(form_->stateOf(0), 0);
  EXPECT_TRUE(QFile::exists(Cell(1, FileListModel::Target)));
}

TEST_F(MainWindowTest, EmptyListRunLogsNothing) {
  Convert(MainWindow::ModeAll);
  EXPECT_FALSE(QFile::exists(LogFilePath()));
}

TEST_F(MainWindowTest, SortByColumnsWithMarkers) {
  const struct {
    const char* name;
    const char* size;
  } rows[] = {{"b.xls", "10"}, {"a.xls", "9"}, {"C.xls", "100"}, {"B2.xls", "x"}};
  for (const auto& r : rows) {
    form_->addFile(QStringLiteral("/n/") + QString::fromLatin1(r.name));
    form_->fileListModel->setText(form_->rowCount() - 1, FileListModel::Size, QString::fromLatin1(r.size));
  }
  const auto column = [&](FileListModel::Column which) {
    QStringList texts;
    for (int i = 0; i < form_->rowCount(); ++i) texts << Cell(i, which);
    return texts;
  };
  const auto header = [this](int column) {
    return form_->fileListModel->headerData(column, Qt::Horizontal).toString();
  };
  form_->onColumnClicked(FileListModel::Name);
  EXPECT_EQ(header(FileListModel::Name), QStringLiteral("(->)Name"));
  EXPECT_EQ(column(FileListModel::Name), QStringList({QStringLiteral("a.xls"), QStringLiteral("b.xls"),
                                                   QStringLiteral("B2.xls"), QStringLiteral("C.xls")}));
  form_->onColumnClicked(FileListModel::Name);
  EXPECT_EQ(header(FileListModel::Name), QStringLiteral("(<-)Name"));
  EXPECT_EQ(column(FileListModel::Name).front(), QStringLiteral("C.xls"));
  form_->onColumnClicked(FileListModel::Size);
  EXPECT_EQ(header(FileListModel::Name), QStringLiteral("Name"));
  EXPECT_EQ(header(FileListModel::Size), QStringLiteral("(->)Size(Byte)"));
  EXPECT_EQ(column(FileListModel::Size), QStringList({QStringLiteral("x"), QStringLiteral("9"),
                                                   QStringLiteral("10"), QStringLiteral("100")}));
}

TEST_F(MainWindowTest, SortByStatePutsWaitingFirst) {
  for (int i = 0; i < 3; ++i) form_->addFile(QStringLiteral("/n/%1.xls").arg(i));
  form_->fileListModel->setState(0, 2);
  form_->fileListModel->setState(1, 1);
  form_->onColumnClicked(FileListModel::State);
  EXPECT_EQ(form_->stateOf(0), 0);
  EXPECT_EQ(form_->stateOf(1), 1);
  EXPECT_EQ(form_->stateOf(2), 2);
}

TEST_F(MainWindowTest, EnablingRulesFollowStatesAndSelection) {
  form_->addFile(QStringLiteral("/n/a.xls"));
  form_->addFile(QStringLiteral("/n/b.xls"));
  form_->fileListModel->setState(0, 1);
  form_->fileListModel->setState(1, 1);
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
  form_->fileListModel->setState(0, 0);
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
  EXPECT_EQ(shellCalls_[0], std::make_pair(MainWindow::ShellAction::Open, QStringLiteral("/n/x.xls")));
  EXPECT_EQ(shellCalls_[1], std::make_pair(MainWindow::ShellAction::OpenFolder, GlobalSettings().targetdir));
  EXPECT_EQ(shellCalls_[2], std::make_pair(MainWindow::ShellAction::ShowInFolder, a));
}

TEST_F(MainWindowTest, LaunchThatNothingOpensIsReportedInTheStatusBar) {
  form_->addFile(QStringLiteral("/n/x.xls"));
  Select({0});
  shellOpens_ = false;
  form_->launchSourceAction->trigger();
  EXPECT_EQ(Panel(2), QStringLiteral("No application could open /n/x.xls"));
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
  form_->fileListModel->setState(0, FileListModel::Converted);
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
  viewer->LoadLog();
  EXPECT_TRUE(viewer->logText->toPlainText().contains(QStringLiteral("Add file failed: already added (/n/a.xls)")));
  EXPECT_TRUE(viewer->exportButton->isEnabled());

  const QString exported = config_.Path(QStringLiteral("copy.log"));
  EXPECT_EQ(viewer->exportDialog->defaultSuffix(), QStringLiteral("log"));
  EXPECT_FALSE(viewer->exportDialog->testOption(QFileDialog::DontConfirmOverwrite));
  viewer->ExportLog(exported);
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
  EXPECT_TRUE(GlobalSettings().notlog);
  form_->addFile(QStringLiteral("/n/a.xls"));
  Convert(MainWindow::ModeAll);
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
    EXPECT_EQ(about->CurrentFrame(), 3);
    about->onAnimationTick();
    EXPECT_EQ(about->CurrentFrame(), 0);
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
    GlobalSettings().sourcecode = kCodePageUtf8;
  }
};

TEST_F(MainWindowEngineTest, ExampleWorkbookConvertsAndDamagedOneFails) {
  const QString example = config_.Path(QStringLiteral("src/example.xls"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(TABULOX_SOURCE_DIR "/examples/example.xls"), example));
  form_->addFile(example);
  form_->addFile(Source(QStringLiteral("damaged.xls"), "not a workbook"));
  Convert(MainWindow::ModeAll);
  EXPECT_EQ(Cell(0, FileListModel::Message), QStringLiteral("Convert successfully"));
  EXPECT_EQ(Cell(1, FileListModel::Message), QStringLiteral("File format not correct"));
  OutputBlock expected;
  const ResultCode length = EngineConverter(engine_, WorkbookType::kXls)(example, expected, kCodePageUtf8);
  ASSERT_GT(length, 0);
  EXPECT_EQ(ReadAll(Cell(0, FileListModel::Target)),
            QByteArray(reinterpret_cast<const char*>(expected.data()), length));
  EXPECT_TRUE(ReadAll(Cell(0, FileListModel::Target)).startsWith("\xEF\xBB\xBF"));
}

TEST_F(MainWindowEngineTest, CorpusWorkbooksEndConvertedOrFailed) {
  const QDir corpus(QStringLiteral(TABULOX_CORPUS_DIR));
  if (!corpus.exists()) GTEST_SKIP() << "corpus not present";
  GlobalSettings().notlog = true;
  for (const char* folder : {"xls", "xlsx"}) {
    const QDir dir(corpus.filePath(QString::fromLatin1(folder)));
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx")}, QDir::Files)) {
      form_->addFile(file.absoluteFilePath());
    }
  }
  ASSERT_GT(form_->rowCount(), 0);
  Convert(MainWindow::ModeAll);
  int converted = 0;
  for (int row = 0; row < form_->rowCount(); ++row) {
    EXPECT_NE(form_->stateOf(row), 0) << Cell(row, FileListModel::Source).toStdString();
    if (form_->stateOf(row) == 1) {
      ++converted;
      EXPECT_TRUE(QFile::exists(Cell(row, FileListModel::Target)));
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
