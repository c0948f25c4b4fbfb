// One program per user and configuration folder: the message a later start
// sends, the hand-over over the local socket, and the window taking the
// handed files only when it is free for them.
#include <gtest/gtest.h>

#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSemaphore>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "desktop/add_folder_dialog.h"
#include "desktop/instance_channel.h"
#include "desktop/instance_client.h"
#include "desktop/instance_lock.h"
#include "desktop/instance_server.h"
#include "desktop/main_window.h"
#include "desktop/settings_file.h"
#include "desktop/single_instance.h"
#include "desktop/start_path_inbox.h"
#include "modal_answer.h"
#include "support/output_block_copy.h"
#include "temp_config.h"
#include "temp_runtime_dir.h"
#include "wait_until.h"

namespace tabulox {

// Lets test failures print the lists.
inline void PrintTo(const StartPaths& paths, std::ostream* out) {
  *out << "files {" << paths.files.join(u',').toStdString() << "} folders {"
       << paths.folders.join(u',').toStdString() << '}';
}
inline bool operator==(const StartPaths& a, const StartPaths& b) {
  return a.files == b.files && a.folders == b.folders;
}

namespace {

using testing::TempConfig;
using testing::TempRuntimeDir;
using testing::WaitUntil;
using testing::WriteAll;

// A message built field by field, for messages the encoder would never make.
QByteArray RawMessage(quint32 magic, quint32 version, const QByteArray& body, qint64 bodyLength = -1) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out << magic << version << static_cast<quint32>(bodyLength < 0 ? body.size() : bodyLength);
  return bytes + body;
}

QByteArray Numbers(std::initializer_list<quint32> numbers) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  for (quint32 n : numbers) out << n;
  return bytes;
}

constexpr quint32 kMagic = 0x54424C58;

TEST(StartMessageTest, PathsComeBackInOrderWithFilesAndFoldersApart) {
  const StartPaths cases[] = {
      {{}, {}},
      {{"/a/b.xls", "/a/c.xlsx", "/a/b.xls"}, {}},
      {{}, {"/a", "/b/c"}},
      {{QString::fromUtf8("/données/Ünïcode ✓.xls"), "/with\nnewline.xls", "/semi;colon.xlsx", ""},
       {QString::fromUtf8("/Ordner mit Leerzeichen")}},
  };
  for (const StartPaths& paths : cases) {
    StartPaths read{{"stale"}, {"stale"}};
    EXPECT_EQ(DecodeStartMessage(EncodeStartMessage(paths), read), StartMessageStatus::kComplete)
        << ::testing::PrintToString(paths);
    EXPECT_EQ(read, paths);
  }
}

// Bytes arrive in pieces: every proper prefix of a message waits for more.
TEST(StartMessageTest, EveryPrefixIsIncomplete) {
  const QByteArray message = EncodeStartMessage({{"/a.xls", "/b.xlsx"}, {"/c"}});
  StartPaths read;
  for (qsizetype length = 0; length < message.size(); ++length) {
    EXPECT_EQ(DecodeStartMessage(message.left(length), read), StartMessageStatus::kIncomplete) << length;
  }
}

TEST(StartMessageTest, MalformedMessagesAreInvalidAndLeaveThePathsAlone) {
  const QByteArray valid = EncodeStartMessage({{"/a.xls"}, {"/b"}});
  const QByteArray emptyLists = Numbers({0, 0});
  const struct {
    const char* what;
    QByteArray bytes;
  } cases[] = {
      {"first byte is not the magic's", "G"},
      {"text", "GET / HTTP/1.1\r\n\r\n"},
      {"other magic", RawMessage(0x54424C59, 1, emptyLists)},
      {"other version", RawMessage(kMagic, 2, emptyLists)},
      {"body longer than allowed", RawMessage(kMagic, 1, {}, kMaxStartMessageBytes)},
      {"body length at its 32-bit limit", RawMessage(kMagic, 1, {}, 0xFFFFFFFF)},
      {"a byte after the message", valid + 'x'},
      {"body ends inside the lists", RawMessage(kMagic, 1, Numbers({0}))},
      {"lists run past the body's length", RawMessage(kMagic, 1, Numbers({0, 0}), 4)},
      {"bytes after the lists", RawMessage(kMagic, 1, Numbers({0, 0, 7}))},
      {"count larger than the body holds", RawMessage(kMagic, 1, Numbers({0xFFFFFFFF, 0}))},
      {"path longer than the body", RawMessage(kMagic, 1, Numbers({1, 1000, 0}))},
  };
  for (const auto& c : cases) {
    StartPaths read{{"kept"}, {}};
    EXPECT_EQ(DecodeStartMessage(c.bytes, read), StartMessageStatus::kInvalid) << c.what;
    EXPECT_EQ(read.files, QStringList{"kept"}) << c.what;
  }
}

TEST(InstanceServerNameTest, OneNamePerConfigurationFolder) {
  TempRuntimeDir runtime;
  QString first;
  {
    TempConfig config;
    first = InstanceServerName();
    EXPECT_EQ(InstanceServerName(), first);
  }
  TempConfig other;
  EXPECT_NE(InstanceServerName(), first);
  EXPECT_TRUE(InstanceServerName().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + '/'));
}

// Runs a later start's hand-over on a thread of its own, as another process
// would, while this thread's event loop serves the running side.
HandOverResult HandOverResultFromAnotherThread(const QString& name, const StartPaths& paths,
                                               int timeoutMs = kHandOverTimeoutMs) {
  auto result = std::async(std::launch::async, [=] { return HandOverToRunningInstance(name, paths, timeoutMs); });
  EXPECT_TRUE(WaitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  return result.get();
}

bool HandOverFromAnotherThread(const QString& name, const StartPaths& paths, int timeoutMs = kHandOverTimeoutMs) {
  return HandOverResultFromAnotherThread(name, paths, timeoutMs) == HandOverResult::kHandedOver;
}

// Leaves a socket file at `path` that nothing listens on, as a program that
// died does.
void LeaveStaleSocket(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray encoded = QFile::encodeName(path);
  ASSERT_LT(static_cast<size_t>(encoded.size()), sizeof(address.sun_path));
  std::copy(encoded.begin(), encoded.end(), address.sun_path);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFileInfo::exists(path));
}

class HandOverTest : public ::testing::Test {
 protected:
  HandOverTest() : name_(InstanceServerName()) {}
  // Listens as the running program, collecting what reaches it.
  void StartServer() {
    server_ = std::make_unique<InstanceServer>();
    QObject::connect(server_.get(), &InstanceServer::PathsReceived,
                     [this](const StartPaths& paths) { received_.push_back(paths); });
    ASSERT_TRUE(server_->Listen(name_));
  }

  TempRuntimeDir runtime_;
  TempConfig config_;
  QString name_;
  std::unique_ptr<InstanceServer> server_;
  std::vector<StartPaths> received_;
};

TEST_F(HandOverTest, LaterStartsReachTheRunningProgramInOrder) {
  StartServer();
  const StartPaths first{{"/w/b.xlsx", "/w/a.xls"}, {"/w/tree", "/w/other"}};
  const StartPaths second{{}, {}};  // a start without files only brings the window forward
  const StartPaths third{{"/w/c.xls"}, {}};
  EXPECT_TRUE(HandOverFromAnotherThread(name_, first));
  EXPECT_TRUE(HandOverFromAnotherThread(name_, second));
  EXPECT_TRUE(HandOverFromAnotherThread(name_, third));
  ASSERT_TRUE(WaitUntil([this] { return received_.size() == 3; }));
  EXPECT_EQ(received_[0], first);
  EXPECT_EQ(received_[1], second);
  EXPECT_EQ(received_[2], third);
}

TEST_F(HandOverTest, WithNothingRunningTheStartGoesOnAndListens) {
  EXPECT_FALSE(HandOverFromAnotherThread(name_, {{"/w/a.xls"}, {}}));
  StartServer();
  EXPECT_TRUE(HandOverFromAnotherThread(name_, {{"/w/a.xls"}, {}}));
}

TEST_F(HandOverTest, StaleSocketOfADeadProgramIsTakenOver) {
  LeaveStaleSocket(name_);
  EXPECT_FALSE(HandOverFromAnotherThread(name_, {{"/w/a.xls"}, {}}));
  StartServer();
  EXPECT_TRUE(HandOverFromAnotherThread(name_, {{"/w/a.xls"}, {}}));
  EXPECT_EQ(received_.size(), 1u);
}

// A program that hangs holds its socket but never greets: the later start
// gives up after its timeout without sending its files, and takes the name.
TEST_F(HandOverTest, ProgramThatDoesNotAnswerIsPassedOver) {
  QLocalServer hung;
  ASSERT_TRUE(hung.listen(name_));
  EXPECT_FALSE(HandOverFromAnotherThread(name_, {{"/w/a.xls"}, {}}, 300));
  QLocalSocket* accepted = hung.nextPendingConnection();
  ASSERT_NE(accepted, nullptr);
  EXPECT_EQ(accepted->bytesAvailable(), 0);  // nothing was sent it
  StartServer();
  EXPECT_TRUE(HandOverFromAnotherThread(name_, {{"/w/b.xls"}, {}}));
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0].files, QStringList{"/w/b.xls"});
}

// What a peer that sends `bytes` sees: true when the running program closed
// the connection without answering.
bool DroppedAfterSending(const QString& name, const QByteArray& bytes) {
  auto result = std::async(std::launch::async, [=] {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(5000) || !socket.waitForReadyRead(5000)) return false;
    if (socket.readAll() != QByteArray(1, kInstanceReady)) return false;
    socket.write(bytes);
    socket.waitForBytesWritten(5000);
    const bool closed = socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(5000);
    return closed && socket.readAll().isEmpty();
  });
  EXPECT_TRUE(WaitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  return result.get();
}

TEST_F(HandOverTest, MalformedAndOversizedMessagesAreDroppedAndServingGoesOn) {
  StartServer();
  const QByteArray messages[] = {
      "GET / HTTP/1.1\r\n\r\n",
      RawMessage(kMagic, 7, Numbers({0, 0})),
      RawMessage(kMagic, 1, Numbers({0xFFFFFFFF, 0})),
      RawMessage(kMagic, 1, {}, 0xFFFFFFF0),  // dropped at the header, the body never comes
  };
  for (const QByteArray& message : messages) {
    EXPECT_TRUE(DroppedAfterSending(name_, message)) << message.toHex().toStdString();
  }
  EXPECT_TRUE(received_.empty());
  EXPECT_TRUE(HandOverFromAnotherThread(name_, {{"/w/a.xls"}, {}}));
  EXPECT_EQ(received_.size(), 1u);
}

// The window with an inbox, as the program has it.
class InboxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings() = DefaultSettings();
    GlobalSettings().targetFolder = WithTrailingSlash(config_.Path("out"));
    QDir().mkpath(config_.Path("src/tree"));
    for (const char* name : {"src/a.xls", "src/b.xls", "src/c.xlsx", "src/tree/d.xls"}) {
      WriteAll(config_.Path(name), "x");
    }
    window_ = std::make_unique<MainWindow>();
    window_->show();
    inbox_ = new StartPathInbox(window_.get());
  }
  void TearDown() override {
    window_.reset();
    GlobalSettings() = DefaultSettings();
  }
  QString Src(const char* name) const { return config_.Path(QString("src/") + name); }
  QStringList Sources() const {
    QStringList sources;
    for (int row = 0; row < window_->rowCount(); ++row) sources << window_->cellText(row, FileListModel::Column::kSource);
    return sources;
  }

  TempRuntimeDir runtime_;
  TempConfig config_;
  std::unique_ptr<MainWindow> window_;
  StartPathInbox* inbox_ = nullptr;  // owned by the window
};

// While the window converts it takes no files; a later start's files wait
// for the run's end instead of being dropped.
TEST_F(InboxTest, FilesHandedOverDuringARunAreAddedAfterIt) {
  InstanceServer server;
  QObject::connect(&server, &InstanceServer::PathsReceived, inbox_, &StartPathInbox::Add);
  ASSERT_TRUE(server.Listen(InstanceServerName()));
  window_->addFile(Src("a.xls"));
  std::atomic<int> calls = 0;
  QSemaphore mayEnd;
  const ConvertFunction converter = [&](const QString&, OutputBlock& block, std::int32_t) {
    if (++calls == 1) mayEnd.tryAcquire(1, 30000);
    return CopyToOutputBlock("text", block);
  };
  window_->setConverters(converter, converter);
  window_->convertFiles(MainWindow::RunMode::kAll);
  ASSERT_TRUE(WaitUntil([&] { return calls == 1; }));

  EXPECT_TRUE(HandOverFromAnotherThread(InstanceServerName(), {{Src("c.xlsx"), Src("b.xls")}, {}}));
  QTest::qWait(50);  // time for a wrong delivery to happen
  EXPECT_EQ(window_->rowCount(), 1);
  EXPECT_EQ(inbox_->heldCount(), 1);
  EXPECT_EQ(inbox_->heldBytes(), (Src("c.xlsx").size() + Src("b.xls").size()) * 2);
  // What the window may hold meanwhile is bounded; a start past it is turned away.
  EXPECT_TRUE(inbox_->canHold({{QString(StartPathInbox::kMaxHeldBytes / 4, u'x')}, {}}));
  EXPECT_FALSE(inbox_->canHold({{QString(StartPathInbox::kMaxHeldBytes / 2, u'x')}, {}}));

  mayEnd.release();
  ASSERT_TRUE(WaitUntil([this] { return !window_->isConverting() && window_->rowCount() == 3; }));
  EXPECT_EQ(Sources(), (QStringList{Src("a.xls"), Src("c.xlsx"), Src("b.xls")}));
  EXPECT_EQ(inbox_->heldCount(), 0);
  EXPECT_EQ(inbox_->heldBytes(), 0);
  EXPECT_EQ(window_->stateOf(1), FileListModel::RowState::kWaiting);  // waiting for the next run
}

// Files that come while the Add directory dialog of an earlier hand-over is
// open wait for its scan, and follow the rows it found.
TEST_F(InboxTest, FilesHandedOverDuringAFolderScanFollowItsRows) {
  int heldWhileOpen = -1;
  int rowsWhileOpen = -1;
  testing::AnswerNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<AddFolderDialog*>(modal);
    if (dialog == nullptr) {
      ADD_FAILURE() << "no Add directory dialog";
      modal->close();
      return;
    }
    inbox_->Add({{Src("a.xls")}, {}});
    QTest::qWait(50);
    heldWhileOpen = inbox_->heldCount();
    rowsWhileOpen = window_->rowCount();
    dialog->okButton->click();
  });
  inbox_->Add({{Src("b.xls")}, {Src("tree")}});
  ASSERT_TRUE(WaitUntil(
      [this] { return inbox_->heldCount() == 0 && !window_->isScanning() && window_->rowCount() == 3; }));
  EXPECT_EQ(heldWhileOpen, 1);
  EXPECT_EQ(rowsWhileOpen, 1);
  EXPECT_EQ(Sources(), (QStringList{Src("b.xls"), Src("tree/d.xls"), Src("a.xls")}));
}

// Files that come while the user has the Add directory dialog open wait for
// it; cancelled, it starts no scan, and what waited is added all the same.
TEST_F(InboxTest, CancelledAddDirectoryDialogReleasesWhatWaited) {
  int heldWhileOpen = -1;
  testing::AnswerNextModal([&](QWidget* modal) {
    inbox_->Add({{Src("a.xls")}, {}});
    QTest::qWait(50);
    heldWhileOpen = inbox_->heldCount();
    static_cast<QDialog*>(modal)->reject();
  });
  window_->onAddDir();
  ASSERT_TRUE(WaitUntil([this] { return window_->rowCount() == 1; }, 5000));
  EXPECT_EQ(heldWhileOpen, 1);
  EXPECT_EQ(Sources(), QStringList{Src("a.xls")});
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

using testing::TempConfig;
using testing::TempRuntimeDir;
using testing::WaitUntil;

TEST(InstanceLockTest, OneHolderAtATimeAndTheNextTakesItWhenItGoes) {
  TempConfig config;
  const QString path = config.Path(QStringLiteral("Tabulox.lock"));
  auto first = std::make_unique<InstanceLock>(path);
  EXPECT_EQ(first->state(), InstanceLock::State::kHeld);
  InstanceLock second(path);
  EXPECT_EQ(second.state(), InstanceLock::State::kHeldByOther);
  EXPECT_EQ(second.retry(), InstanceLock::State::kHeldByOther);
  first.reset();
  EXPECT_EQ(second.retry(), InstanceLock::State::kHeld);
  EXPECT_TRUE(QFileInfo::exists(path));  // never removed
}

TEST(InstanceLockTest, NoFolderMeansNoLock) {
  TempConfig config;
  InstanceLock lock(config.Path(QStringLiteral("missing/Tabulox.lock")));
  EXPECT_EQ(lock.state(), InstanceLock::State::kUnavailable);
}

class ClaimTest : public ::testing::Test {
 protected:
  ClaimTest() : lockPath_(config_.Path(QStringLiteral("Tabulox.lock"))), name_(InstanceServerName()) {}

  // Claims on a thread of its own, as another process would.
  StartClaim ClaimFromAnotherThread(const StartPaths& paths, int limitMs) {
    auto result = std::async(std::launch::async, [=, this] { return ClaimOrHandOver(lockPath_, name_, paths, limitMs); });
    EXPECT_TRUE(WaitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return result.get();
  }

  TempRuntimeDir runtime_;
  TempConfig config_;
  QString lockPath_;
  QString name_;
};

TEST_F(ClaimTest, FreeLockMakesTheFirstProgram) {
  const StartClaim claim = ClaimFromAnotherThread({{"/w/a.xls"}, {}}, 1000);
  EXPECT_EQ(claim.role, StartRole::kFirst);
  ASSERT_TRUE(claim.lock);
  EXPECT_EQ(claim.lock->state(), InstanceLock::State::kHeld);
}

// The holder of the lock listens a little after a later start looked: the
// later start keeps trying and hands over.
TEST_F(ClaimTest, LaterStartWaitsForAFirstProgramStillStartingUp) {
  InstanceLock held(lockPath_);
  ASSERT_EQ(held.state(), InstanceLock::State::kHeld);
  InstanceServer server;
  std::vector<StartPaths> received;
  QObject::connect(&server, &InstanceServer::PathsReceived, [&](const StartPaths& p) { received.push_back(p); });
  QTimer::singleShot(300, [&] { ASSERT_TRUE(server.Listen(name_)); });
  const StartClaim claim = ClaimFromAnotherThread({{"/w/a.xls"}, {}}, 3000);
  EXPECT_EQ(claim.role, StartRole::kHandedOver);
  EXPECT_FALSE(claim.lock);
  ASSERT_TRUE(WaitUntil([&] { return received.size() == 1; }));
}

// A holder that never answers (hung): the later start gives up at its limit,
// and neither takes the lock nor the socket.
TEST_F(ClaimTest, LaterStartGivesUpOnAHolderThatDoesNotAnswer) {
  InstanceLock held(lockPath_);
  QLocalServer hung;
  ASSERT_TRUE(hung.listen(name_));
  QElapsedTimer clock;
  clock.start();
  const StartClaim claim = ClaimFromAnotherThread({{"/w/a.xls"}, {}}, 500);
  EXPECT_EQ(claim.role, StartRole::kNotReached);
  EXPECT_GE(clock.elapsed(), 450);
  EXPECT_LT(clock.elapsed(), 5000);
  EXPECT_FALSE(claim.lock);
  EXPECT_TRUE(QFileInfo::exists(name_));
  EXPECT_EQ(held.state(), InstanceLock::State::kHeld);
  // Nothing listens at all: the same within the limit.
  hung.close();
  EXPECT_EQ(ClaimFromAnotherThread({{}, {}}, 300).role, StartRole::kNotReached);
}

// A holder that ends while a later start waits: the later start becomes the first.
TEST_F(ClaimTest, LockLetGoDuringTheWaitIsTaken) {
  auto held = std::make_unique<InstanceLock>(lockPath_);
  QTimer::singleShot(200, [&] { held.reset(); });
  const StartClaim claim = ClaimFromAnotherThread({{}, {}}, 3000);
  EXPECT_EQ(claim.role, StartRole::kFirst);
  ASSERT_TRUE(claim.lock);
  EXPECT_EQ(claim.lock->state(), InstanceLock::State::kHeld);
}

}  // namespace
}  // namespace tabulox
