// Drives the real main window on the offscreen platform: adding files, the job
// file, runs with their dialogs, sorting, shortcuts and the enabling rules.
#include "fm_main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QClipboard>
#include <QKeyEvent>
#include <QDir>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

#include "about_box.h"
#include "activity_log.h"
#include "code_pages.h"
#include "conversion_cancel_dialog.h"
#include "help_pages.h"
#include "log_viewer.h"
#include "output_block.h"
#include "overwrite_dialog.h"
#include "settings_file.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::ReadAll;
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

// Runs `answer` on the next modal dialog once it is shown.
void AnswerNextModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      timer->stop();
      timer->deleteLater();
      answer(modal);
    }
  });
  timer->start(5);
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

class FmMainTest : public ::testing::Test {
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
    form_ = std::make_unique<TFmMain>();
    form_->SetConverters(EchoConverter, EchoConverter);
    form_->SetShellFunction([this](TFmMain::ShellAction action, const QString& path) {
      shellCalls_.push_back({action, path});
      return shellOpens_;
    });
    form_->show();
  }

  QString Source(const QString& name, const QByteArray& content = "text") {
    const QString path = config_.Path(QStringLiteral("src/") + name);
    WriteAll(path, content);
    return path;
  }

  QString Panel(int i) const { return form_->StatusPanels[static_cast<std::size_t>(i)]->text(); }
  QString Cell(int row, int subItem) const { return form_->SubItemOf(row, subItem); }
  void ClearSelection() {
    form_->FlushAddedSelection();
    form_->ListView1->clearSelection();
  }
  void Select(std::initializer_list<int> rows) {
    ClearSelection();
    for (int r : rows) form_->ListView1->topLevelItem(r)->setSelected(true);
  }

  TempConfig config_;
  Engine engine_;  // outlives the window that may convert through it
  std::unique_ptr<TFmMain> form_;
  std::vector<std::pair<TFmMain::ShellAction, QString>> shellCalls_;
  bool shellOpens_ = true;
};

TEST_F(FmMainTest, FirstStartShowsEmptyListAndPanels) {
  EXPECT_EQ(form_->windowTitle(), QStringLiteral("KV-Tabulox"));
  EXPECT_EQ(form_->ListView1->topLevelItemCount(), 0);
  EXPECT_EQ(Panel(0), QStringLiteral("KV-Tabulox 3.0"));
  EXPECT_EQ(Panel(1), QStringLiteral("0 File(s)"));
  EXPECT_EQ(Panel(2), QString());
  EXPECT_EQ(form_->BtnAddFile->text(), QStringLiteral("&Add File"));
  EXPECT_EQ(form_->ActAddFile->text(), QStringLiteral("Add &File                   CTRL+F"));
  EXPECT_EQ(form_->BtnConvert->statusTip(), QStringLiteral("Convert all file(s) in listview"));
}

TEST_F(FmMainTest, AddFileFillsRowAndRefusesDuplicatesAndUnknownTypes) {
  const QString book = Source(QStringLiteral("Book.XLS"), "12345");
  form_->AddFile(book);
  ASSERT_EQ(form_->RowCount(), 1);
  EXPECT_EQ(form_->StateOf(0), 0);
  EXPECT_EQ(Cell(0, TFmMain::SubName), QStringLiteral("Book.XLS"));
  EXPECT_EQ(Cell(0, TFmMain::SubSource), book);
  EXPECT_EQ(Cell(0, TFmMain::SubSize), QStringLiteral("5"));
  EXPECT_EQ(Cell(0, TFmMain::SubType), QStringLiteral("XLS"));
  EXPECT_EQ(Cell(0, TFmMain::SubTarget), GlobalSettings().targetdir + QStringLiteral("Book.txt"));
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QString());
  form_->UpdateCountPanel();
  EXPECT_TRUE(form_->ListView1->topLevelItem(0)->isSelected());
  EXPECT_EQ(form_->ListView1->currentItem(), form_->ListView1->topLevelItem(0));

  const QString sameUpper = book.toUpper();
  form_->AddFile(sameUpper);
  EXPECT_EQ(Panel(2), QStringLiteral("File [") + sameUpper + QStringLiteral("] already added!"));
  form_->AddFile(QStringLiteral("/x/report.xl"));
  EXPECT_EQ(Panel(2), QStringLiteral("File [/x/report.xl] type not support!"));
  form_->AddFile(QStringLiteral("/x/missing.xlsx"));
  EXPECT_EQ(form_->RowCount(), 2);
  EXPECT_EQ(Cell(1, TFmMain::SubSize), QStringLiteral("0"));
  EXPECT_EQ(Cell(1, TFmMain::SubType), QStringLiteral("XLSX"));
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Add file failed: already added (") + sameUpper + u')',
                                        QStringLiteral("Add file failed: type not support (/x/report.xl)")}));
}

TEST_F(FmMainTest, ManyFilesAreCheckedForDuplicatesQuickly) {
  const int kManyFiles = qEnvironmentVariableIntValue("TABULOX_MANY") > 0 ? qEnvironmentVariableIntValue("TABULOX_MANY") : 20000;
  for (int i = 0; i < kManyFiles; ++i) form_->AddFile(QStringLiteral("/nowhere/f%1.xls").arg(i));
  form_->AddFile(QStringLiteral("/NOWHERE/F%1.XLS").arg(kManyFiles - 1));
  EXPECT_EQ(form_->RowCount(), kManyFiles);
  EXPECT_TRUE(Panel(2).endsWith(QStringLiteral("] already added!")));
  form_->ExecuteCommand(TFmMain::CmdSelectAll);
  form_->ExecuteCommand(TFmMain::CmdDelete);
  EXPECT_EQ(form_->RowCount(), 0);
  EXPECT_EQ(Panel(1), QStringLiteral("0 File(s)"));
}

TEST_F(FmMainTest, AddFileCommandUsesThePickerAndItsFilters) {
  const QString a = Source(QStringLiteral("a.xls"));
  AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->nameFilters().front(), QStringLiteral("All Support File (*.xls *.xlsx)"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
  });
  QTest::keyClick(form_->ListView1, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(form_->RowCount(), 0);  // cancelled: nothing added
  form_->AddChosenFiles({a, QStringLiteral("/n/b.txt")});
  EXPECT_EQ(form_->RowCount(), 1);
  EXPECT_EQ(Cell(0, TFmMain::SubSource), a);
  EXPECT_EQ(Panel(1), QStringLiteral("1 File(s)"));
}

TEST_F(FmMainTest, AltHeldDisablesShortcuts) {
  form_->AddFile(Source(QStringLiteral("a.xls")));
  ClearSelection();
  QTest::keyClick(form_->ListView1, Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
  QTest::keyClick(form_->ListView1, Qt::Key_G, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(form_->StateOf(0), 0);
  QTest::keyClick(form_->ListView1, Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(form_->StateOf(0), 1);
}

TEST_F(FmMainTest, SelectAllShowsSelectionCountOnce) {
  for (int i = 0; i < 3; ++i) form_->AddFile(QStringLiteral("/n/%1.xls").arg(i));
  ClearSelection();
  QTest::qWait(80);
  QTest::keyClick(form_->ListView1, Qt::Key_A, Qt::ControlModifier);
  QTRY_COMPARE(Panel(2), QStringLiteral("Select 3 file(s)."));
}

TEST_F(FmMainTest, DeleteRemovesSelectedRows) {
  for (int i = 0; i < 5; ++i) form_->AddFile(QStringLiteral("/n/%1.xls").arg(i));
  Select({0, 2, 4});
  QTest::keyClick(form_->ListView1, Qt::Key_Delete);
  EXPECT_EQ(form_->RowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  EXPECT_EQ(Cell(0, TFmMain::SubSource), QStringLiteral("/n/1.xls"));
  EXPECT_EQ(Cell(1, TFmMain::SubSource), QStringLiteral("/n/3.xls"));
  form_->AddFile(QStringLiteral("/n/0.xls"));  // deleted rows may come back
  EXPECT_EQ(form_->RowCount(), 3);
}

TEST_F(FmMainTest, PasteTakesTheClipboardFileList) {
  const QString a = Source(QStringLiteral("a.xls"));
  const QString b = Source(QStringLiteral("b.doc"));
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
  QApplication::clipboard()->setMimeData(data);
  form_->ActionMainMenuBar1Paint();
  EXPECT_TRUE(form_->ActPasteFile->isEnabled());
  QTest::keyClick(form_->ListView1, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(form_->RowCount(), 1);
  EXPECT_EQ(Panel(2), QStringLiteral("File [") + b + QStringLiteral("] type not support!"));
  EXPECT_EQ(Panel(1), QStringLiteral("1 File(s)"));
  QApplication::clipboard()->setText(QStringLiteral("no files"));
  form_->ActionMainMenuBar1Paint();
  EXPECT_FALSE(form_->ActPasteFile->isEnabled());
}

TEST_F(FmMainTest, DropAddsFilesAndPassesOverFolders) {
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
  EXPECT_EQ(form_->RowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  // A move-only drop is refused.
  QMimeData other;
  other.setUrls({QUrl::fromLocalFile(Source(QStringLiteral("c.xls")))});
  QDropEvent move(QPointF(10, 10), Qt::MoveAction, &other, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &move);
  EXPECT_EQ(form_->RowCount(), 2);
}

TEST_F(FmMainTest, JobFileRoundTripThroughRestart) {
  form_->AddFile(Source(QStringLiteral("a.xls")));
  form_->AddFile(Source(QStringLiteral("b.xls"), "BAD"));
  form_->ConvertFiles(TFmMain::ModeAll);
  NewWindow();  // the old window saves the job file, the new one loads it
  ASSERT_EQ(form_->RowCount(), 2);
  EXPECT_EQ(Panel(1), QStringLiteral("2 File(s)"));
  EXPECT_EQ(form_->StateOf(0), 1);
  EXPECT_EQ(form_->StateOf(1), 2);
  EXPECT_EQ(Cell(1, TFmMain::SubMessage), QStringLiteral("File format not correct"));
  // The loaded rows still count for the duplicate check.
  form_->AddFile(Cell(0, TFmMain::SubSource));
  EXPECT_EQ(form_->RowCount(), 2);
}

TEST_F(FmMainTest, EmptyListSavesFiveBytes) {
  form_.reset();
  EXPECT_EQ(ReadAll(JobFilePath()), QByteArray("LFW\0\0", 5));
}

TEST_F(FmMainTest, RunOfTwoFilesWithOneFailure) {
  const QString good = Source(QStringLiteral("good.xls"), "hello");
  const QString bad = Source(QStringLiteral("bad.xls"), "BAD");
  form_->AddFile(good);
  form_->AddFile(bad);
  QFile::remove(LogFilePath());
  QTest::keyClick(form_->ListView1, Qt::Key_G, Qt::ControlModifier);
  EXPECT_EQ(form_->StateOf(0), 1);
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QStringLiteral("Convert successfully"));
  EXPECT_EQ(ReadAll(GlobalSettings().targetdir + QStringLiteral("good.txt")), QByteArray("hello"));
  EXPECT_EQ(form_->StateOf(1), 2);
  EXPECT_EQ(Cell(1, TFmMain::SubMessage), QStringLiteral("File format not correct"));
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Convert successfully (") + good + u')',
                                        QStringLiteral("Failed: File format not correct (") + bad + u')',
                                        QStringLiteral("Conversion end. Successful: 1, Failed: 1, Total: 2"),
                                        QString()}));
  EXPECT_FALSE(form_->FmCancelCvt->isVisible());
  EXPECT_EQ(form_->FmCancelCvt->doneCountLabel->text(), QStringLiteral("2"));
  EXPECT_EQ(form_->FmCancelCvt->totalCountLabel->text(), QStringLiteral("/2"));
}

TEST_F(FmMainTest, XlsxRowThatIsNoArchiveFails) {
  form_->SetConverters(EchoConverter, EngineConverter(engine_, WorkbookType::kXlsx));
  form_->AddFile(Source(QStringLiteral("a.xlsx")));
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(form_->StateOf(0), 2);
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QStringLiteral("File format not correct"));
}

TEST_F(FmMainTest, RunOutcomesForTypeMissingSourceAndUnwritableTarget) {
  form_->AddFile(Source(QStringLiteral("a.xls")));
  form_->AddFile(Source(QStringLiteral("gone.xls")));
  form_->AddFile(Source(QStringLiteral("c.xls")));
  form_->SetSubItem(0, TFmMain::SubType, QStringLiteral("xls"));
  QFile::remove(Cell(1, TFmMain::SubSource));
  WriteAll(config_.Path(QStringLiteral("blocker")), "x");
  GlobalSettings().targetdir = config_.Path(QStringLiteral("blocker/sub/"));
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QStringLiteral("File type not support"));
  EXPECT_EQ(Cell(1, TFmMain::SubMessage), QStringLiteral("Source file does not exist"));
  EXPECT_EQ(Cell(2, TFmMain::SubMessage), QStringLiteral("Target file create error"));
  EXPECT_TRUE(LogMessages().contains(QStringLiteral("Failed: Target file create error (") +
                                     config_.Path(QStringLiteral("blocker/sub/c.txt")) + u')'));
}

TEST_F(FmMainTest, AutoRenameWritesBookOneThenBookTwo) {
  GlobalSettings().samedir = true;
  const QString book = Source(QStringLiteral("book.xls"), "v");
  WriteAll(config_.Path(QStringLiteral("src/book.txt")), "old");
  form_->AddFile(book);
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(Cell(0, TFmMain::SubTarget), config_.Path(QStringLiteral("src/book(1).txt")));
  Select({0});
  form_->ConvertFiles(TFmMain::ModeReConvert);
  EXPECT_EQ(Cell(0, TFmMain::SubTarget), config_.Path(QStringLiteral("src/book(2).txt")));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/book.txt"))), QByteArray("old"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/book(2).txt"))), QByteArray("v"));
}

TEST_F(FmMainTest, OverwriteAndCancelPolicies) {
  GlobalSettings().samedir = true;
  form_->AddFile(Source(QStringLiteral("a.xls"), "new"));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  GlobalSettings().fileovertp = 3;
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("old"));
  GlobalSettings().fileovertp = 1;
  Select({0});
  form_->ConvertFiles(TFmMain::ModeReConvert);
  EXPECT_EQ(form_->StateOf(0), 1);
  EXPECT_EQ(ReadAll(config_.Path(QStringLiteral("src/a.txt"))), QByteArray("new"));
}

TEST_F(FmMainTest, PromptCancelFailsRowAndStopConvertEndsRun) {
  GlobalSettings().samedir = true;
  GlobalSettings().fileovertp = 2;
  for (const char* name : {"a", "b", "c"}) {
    form_->AddFile(Source(QString::fromLatin1(name) + QStringLiteral(".xls")));
    WriteAll(config_.Path(QStringLiteral("src/%1.txt").arg(QString::fromLatin1(name))), "old");
  }
  const QString targetBefore = Cell(0, TFmMain::SubTarget);
  QFile::remove(LogFilePath());
  AnswerNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<OverwriteDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("KV-Tabulox"));
    dialog->cancelButton->click();
    AnswerNextModal([](QWidget* next) { qobject_cast<OverwriteDialog*>(next)->stopConvertButton->click(); });
  });
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(form_->StateOf(0), 2);
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QStringLiteral("Target file already exists, user canceled"));
  EXPECT_EQ(form_->StateOf(1), 0);
  EXPECT_EQ(Cell(1, TFmMain::SubMessage), QString());
  EXPECT_EQ(form_->StateOf(2), 0);
  EXPECT_EQ(LogMessages(),
            QStringList({QStringLiteral("Conversion start..."),
                         QStringLiteral("Failed: Target file already exists, user canceled (") + targetBefore + u')',
                         QStringLiteral("Conversion end. Successful: 0, Failed: 1, Total: 1"), QString()}));
}

TEST_F(FmMainTest, PromptAutoRenameAndFrameClose) {
  GlobalSettings().samedir = true;
  GlobalSettings().fileovertp = 2;
  form_->AddFile(Source(QStringLiteral("a.xls")));
  form_->AddFile(Source(QStringLiteral("b.xls")));
  WriteAll(config_.Path(QStringLiteral("src/a.txt")), "old");
  WriteAll(config_.Path(QStringLiteral("src/b.txt")), "old");
  AnswerNextModal([](QWidget* modal) {
    qobject_cast<OverwriteDialog*>(modal)->autoRenameButton->click();
    AnswerNextModal([](QWidget* next) { next->close(); });
  });
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(Cell(0, TFmMain::SubTarget), config_.Path(QStringLiteral("src/a(1).txt")));
  EXPECT_EQ(form_->StateOf(0), 1);
  EXPECT_EQ(Cell(1, TFmMain::SubMessage), QStringLiteral("Target file already exists, user canceled"));
}

TEST_F(FmMainTest, CancelInProgressDialogStopsBeforeNextRow) {
  for (int i = 0; i < 4; ++i) form_->AddFile(Source(QStringLiteral("%1.xls").arg(i)));
  int calls = 0;
  form_->SetConverters(
      [&](const QString& source, OutputBlock& block, std::int32_t cp) {
        if (++calls == 2) QTimer::singleShot(0, form_->FmCancelCvt->cancelButton, &QPushButton::click);
        return EchoConverter(source, block, cp);
      },
      EchoConverter);
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(form_->StateOf(1), 1);
  EXPECT_EQ(form_->StateOf(2), 0);
  EXPECT_TRUE(LogMessages().contains(QStringLiteral("Conversion end. Successful: 2, Failed: 0, Total: 2")));
}

TEST_F(FmMainTest, RunModesChooseRowsBySelectionAndState) {
  for (int i = 0; i < 3; ++i) form_->AddFile(Source(QStringLiteral("%1.xls").arg(i)));
  Select({1});
  form_->ConvertFiles(TFmMain::ModeSelected);
  EXPECT_EQ(form_->StateOf(0), 0);
  EXPECT_EQ(form_->StateOf(1), 1);
  EXPECT_EQ(form_->FmCancelCvt->doneCountLabel->text(), QStringLiteral("1"));
  // ReConvert with nothing selected: start and summary with zero counts.
  ClearSelection();
  QFile::remove(LogFilePath());
  form_->ConvertFiles(TFmMain::ModeReConvert);
  EXPECT_EQ(LogMessages(), QStringList({QStringLiteral("Conversion start..."),
                                        QStringLiteral("Conversion end. Successful: 0, Failed: 0, Total: 0"),
                                        QString()}));
  // ReConvert of the selected converted row converts it again.
  QFile::remove(Cell(1, TFmMain::SubTarget));
  Select({0, 1});
  form_->ConvertFiles(TFmMain::ModeReConvert);
  EXPECT_EQ(form_->StateOf(0), 0);
  EXPECT_TRUE(QFile::exists(Cell(1, TFmMain::SubTarget)));
}

TEST_F(FmMainTest, EmptyListRunLogsNothing) {
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_FALSE(QFile::exists(LogFilePath()));
}

TEST_F(FmMainTest, SortByColumnsWithMarkers) {
  const struct {
    const char* name;
    const char* size;
  } rows[] = {{"b.xls", "10"}, {"a.xls", "9"}, {"C.xls", "100"}, {"B2.xls", "x"}};
  for (const auto& r : rows) {
    form_->AddFile(QStringLiteral("/n/") + QString::fromLatin1(r.name));
    form_->SetSubItem(form_->RowCount() - 1, TFmMain::SubSize, QString::fromLatin1(r.size));
  }
  const auto column = [&](int subItem) {
    QStringList texts;
    for (int i = 0; i < form_->RowCount(); ++i) texts << Cell(i, subItem);
    return texts;
  };
  QTreeWidgetItem* header = form_->ListView1->headerItem();
  form_->ListView1ColumnClick(TFmMain::ColName);
  EXPECT_EQ(header->text(TFmMain::ColName), QStringLiteral("(->)Name"));
  EXPECT_EQ(column(TFmMain::SubName), QStringList({QStringLiteral("a.xls"), QStringLiteral("b.xls"),
                                                   QStringLiteral("B2.xls"), QStringLiteral("C.xls")}));
  form_->ListView1ColumnClick(TFmMain::ColName);
  EXPECT_EQ(header->text(TFmMain::ColName), QStringLiteral("(<-)Name"));
  EXPECT_EQ(column(TFmMain::SubName).front(), QStringLiteral("C.xls"));
  form_->ListView1ColumnClick(TFmMain::ColSize);
  EXPECT_EQ(header->text(TFmMain::ColName), QStringLiteral("Name"));
  EXPECT_EQ(header->text(TFmMain::ColSize), QStringLiteral("(->)Size(Byte)"));
  EXPECT_EQ(column(TFmMain::SubSize), QStringList({QStringLiteral("x"), QStringLiteral("9"),
                                                   QStringLiteral("10"), QStringLiteral("100")}));
}

TEST_F(FmMainTest, SortByStatePutsWaitingFirst) {
  for (int i = 0; i < 3; ++i) form_->AddFile(QStringLiteral("/n/%1.xls").arg(i));
  form_->SetState(0, 2);
  form_->SetState(1, 1);
  form_->ListView1ColumnClick(TFmMain::ColState);
  EXPECT_EQ(form_->StateOf(0), 0);
  EXPECT_EQ(form_->StateOf(1), 1);
  EXPECT_EQ(form_->StateOf(2), 2);
}

TEST_F(FmMainTest, EnablingRulesFollowStatesAndSelection) {
  form_->AddFile(QStringLiteral("/n/a.xls"));
  form_->AddFile(QStringLiteral("/n/b.xls"));
  form_->SetState(0, 1);
  form_->SetState(1, 1);
  ClearSelection();
  form_->ActionMainMenuBar1Paint();
  EXPECT_FALSE(form_->ActConvertAll->isEnabled());
  EXPECT_FALSE(form_->ActConvertSelect->isEnabled());
  EXPECT_FALSE(form_->ActReConvert->isEnabled());
  EXPECT_FALSE(form_->ActDelete->isEnabled());
  EXPECT_FALSE(form_->ActExploreTarget->isEnabled());
  Select({1});
  form_->ActionMainMenuBar1Paint();
  EXPECT_TRUE(form_->ActReConvert->isEnabled());
  EXPECT_TRUE(form_->ActDelete->isEnabled());
  EXPECT_TRUE(form_->ActLaunchSource->isEnabled());
  form_->SetState(0, 0);
  Select({0});
  form_->ActionMainMenuBar1Paint();
  EXPECT_TRUE(form_->ActConvertAll->isEnabled());
  EXPECT_TRUE(form_->ActConvertSelect->isEnabled());
  EXPECT_FALSE(form_->ActReConvert->isEnabled());
  // The rules leave the commands of the dialogs enabled.
  EXPECT_TRUE(form_->ActOptions->isEnabled());
  EXPECT_TRUE(form_->ActAddDir->isEnabled());
  EXPECT_TRUE(form_->ActContents->isEnabled());
  EXPECT_TRUE(form_->BtnAddDir->isEnabled());
}

TEST_F(FmMainTest, LaunchAndExploreTakeFirstSelectedRow) {
  const QString a = Source(QStringLiteral("a.xls"));
  form_->AddFile(QStringLiteral("/n/x.xls"));
  form_->AddFile(a);
  Select({1, 0});
  form_->ExecuteCommand(TFmMain::CmdLaunchSource);
  form_->ExecuteCommand(TFmMain::CmdExploreTarget);
  Select({1});
  form_->ExecuteCommand(TFmMain::CmdExploreSource);
  ClearSelection();
  form_->ExecuteCommand(TFmMain::CmdLaunchTarget);
  ASSERT_EQ(shellCalls_.size(), 3u);
  EXPECT_EQ(shellCalls_[0], std::make_pair(TFmMain::ShellAction::Open, QStringLiteral("/n/x.xls")));
  EXPECT_EQ(shellCalls_[1], std::make_pair(TFmMain::ShellAction::OpenFolder, GlobalSettings().targetdir));
  EXPECT_EQ(shellCalls_[2], std::make_pair(TFmMain::ShellAction::ShowInFolder, a));
}

TEST_F(FmMainTest, LaunchThatNothingOpensIsReportedInTheStatusBar) {
  form_->AddFile(QStringLiteral("/n/x.xls"));
  Select({0});
  shellOpens_ = false;
  form_->ExecuteCommand(TFmMain::CmdLaunchSource);
  EXPECT_EQ(Panel(2), QStringLiteral("No application could open /n/x.xls"));
}

TEST_F(FmMainTest, ContextMenuDoesNotOpenDuringRun) {
  form_->AddFile(QStringLiteral("/n/a.xls"));
  form_->FmCancelCvt->show();
  form_->PopupMenu1Popup(QPoint(5, 5));
  EXPECT_FALSE(form_->PopupMenu1->isVisible());
  form_->FmCancelCvt->hide();
  form_->PopupMenu1Popup(QPoint(5, 5));
  EXPECT_TRUE(form_->PopupMenu1->isVisible());
  form_->PopupMenu1->hide();
}

TEST_F(FmMainTest, NarrowestWindowKeepsConvertClearOfTheOtherButtons) {
  form_->resize(100, 100);
  EXPECT_GT(form_->BtnConvert->x(), form_->BtnLog->geometry().right());
  EXPECT_GE(form_->height(), 200);
}

// A key the window acts on is consumed. Passed on, it reached the window
// again through the focused control's parents whenever the dialog or run it
// started left no control with the focus (a window manager activates the
// window again a moment later), and acted a second time.
TEST_F(FmMainTest, ShortcutKeysAreConsumedOtherKeysPassedOn) {
  form_->AddFile(QStringLiteral("/n/a.xls"));
  if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
  QObject* window = form_.get();
  QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  EXPECT_TRUE(window->eventFilter(form_.get(), &selectAll));
  EXPECT_TRUE(form_->ListView1->topLevelItem(0)->isSelected());
  QKeyEvent letter(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
  EXPECT_FALSE(window->eventFilter(form_.get(), &letter));
}

// A popup the file dialog left open (its name completion, closed by Enter)
// is closed with it, so the window gets its keys again.
TEST_F(FmMainTest, AddFileClosesPopupsTheDialogLeftOpen) {
  QMenu* leftover = nullptr;
  AnswerNextModal([&](QWidget* modal) {
    leftover = new QMenu(form_.get());
    leftover->addAction(QStringLiteral("book.xls"));
    leftover->popup(QPoint(10, 10));
    static_cast<QDialog*>(modal)->done(QDialog::Rejected);
  });
  form_->ExecuteCommand(TFmMain::CmdAddFile);
  ASSERT_NE(leftover, nullptr);
  EXPECT_FALSE(leftover->isVisible());
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(FmMainTest, ClosingTheWindowClosesTheHelpWindow) {
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

TEST_F(FmMainTest, ResizeKeepsConvertButtonAtRightEnd) {
  form_->resize(800, 500);
  EXPECT_EQ(form_->BtnConvert->x(), 800 - form_->BtnConvert->width() - 49 - 4);
}

TEST_F(FmMainTest, NotLoggingSwitchAndLogViewer) {
  form_->AddFile(QStringLiteral("/n/a.xls"));
  form_->AddFile(QStringLiteral("/n/a.xls"));
  LogViewer* viewer = form_->FmViewLog;
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
  form_->AddFile(QStringLiteral("/n/a.xls"));
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_FALSE(QFile::exists(LogFilePath()));
}

TEST_F(FmMainTest, AboutBoxAnimatesFourFrames) {
  AnswerNextModal([](QWidget* modal) {
    auto* about = qobject_cast<AboutBox*>(modal);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About KV-Tabulox"));
    EXPECT_EQ(about->buttonBox->button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
    // Room for the whole title beside the title bar's icon and close button.
    EXPECT_GE(about->width(), about->fontMetrics().horizontalAdvance(about->windowTitle()) + 64);
    EXPECT_EQ(about->logo->pixmap().width(), 32);
    about->onAnimationTick();
    about->onAnimationTick();
    about->onAnimationTick();
    EXPECT_EQ(about->CurrentFrame(), 3);
    about->onAnimationTick();
    EXPECT_EQ(about->CurrentFrame(), 0);
    about->buttonBox->button(QDialogButtonBox::Ok)->click();
  });
  form_->ExecuteCommand(TFmMain::CmdAbout);
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

// The same runs through the real .xls engine.
class FmMainEngineTest : public FmMainTest {
 protected:
  void SetUp() override {
    FmMainTest::SetUp();
    form_->SetConverters(EngineConverter(engine_, WorkbookType::kXls),
                         EngineConverter(engine_, WorkbookType::kXlsx));
    GlobalSettings().sourcecode = kCodePageUtf8;
  }
};

TEST_F(FmMainEngineTest, ExampleWorkbookConvertsAndDamagedOneFails) {
  const QString example = config_.Path(QStringLiteral("src/example.xls"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(TABULOX_SOURCE_DIR "/examples/example.xls"), example));
  form_->AddFile(example);
  form_->AddFile(Source(QStringLiteral("damaged.xls"), "not a workbook"));
  form_->ConvertFiles(TFmMain::ModeAll);
  EXPECT_EQ(Cell(0, TFmMain::SubMessage), QStringLiteral("Convert successfully"));
  EXPECT_EQ(Cell(1, TFmMain::SubMessage), QStringLiteral("File format not correct"));
  OutputBlock expected;
  const ResultCode length = EngineConverter(engine_, WorkbookType::kXls)(example, expected, kCodePageUtf8);
  ASSERT_GT(length, 0);
  EXPECT_EQ(ReadAll(Cell(0, TFmMain::SubTarget)),
            QByteArray(reinterpret_cast<const char*>(expected.data()), length));
  EXPECT_TRUE(ReadAll(Cell(0, TFmMain::SubTarget)).startsWith("\xEF\xBB\xBF"));
}

TEST_F(FmMainEngineTest, CorpusWorkbooksEndConvertedOrFailed) {
  const QDir corpus(QStringLiteral(TABULOX_CORPUS_DIR));
  if (!corpus.exists()) GTEST_SKIP() << "corpus not present";
  GlobalSettings().notlog = true;
  for (const char* folder : {"xls", "xlsx"}) {
    const QDir dir(corpus.filePath(QString::fromLatin1(folder)));
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx")}, QDir::Files)) {
      form_->AddFile(file.absoluteFilePath());
    }
  }
  ASSERT_GT(form_->RowCount(), 0);
  form_->ConvertFiles(TFmMain::ModeAll);
  int converted = 0;
  for (int row = 0; row < form_->RowCount(); ++row) {
    EXPECT_NE(form_->StateOf(row), 0) << Cell(row, TFmMain::SubSource).toStdString();
    if (form_->StateOf(row) == 1) {
      ++converted;
      EXPECT_TRUE(QFile::exists(Cell(row, TFmMain::SubTarget)));
    }
  }
  EXPECT_GT(converted, form_->RowCount() / 2);
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

TEST_F(FmMainTest, HintsReachTheMessagePanel) {
  QStatusTipEvent tip(form_->BtnAddFile->statusTip());
  QApplication::sendEvent(form_->BtnAddFile, &tip);
  EXPECT_EQ(Panel(2), QStringLiteral("Add file(s) by selecting file(s)"));
  const QList<QAction*> menus = form_->menuBar()->actions();
  ASSERT_EQ(menus.size(), 4);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("&File "));
  EXPECT_EQ(menus[2]->text(), QStringLiteral("Con&vert "));
  QMenu* convert = menus[2]->menu();
  emit convert->hovered(form_->ActReConvert);
  EXPECT_EQ(Panel(2), QStringLiteral("Convert selected file(s) again"));
}

}  // namespace
}  // namespace tabulox
