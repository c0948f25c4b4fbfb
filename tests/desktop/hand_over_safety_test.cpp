// The hand-over socket against other users and against bursts: the private
// folder, links planted at the socket's name, the peer's user id, the
// descriptor limit, and the bounds on connections and held bytes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <chrono>
#include <future>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "desktop/instance_channel.h"
#include "desktop/instance_client.h"
#include "desktop/instance_server.h"
#include "desktop/private_folder.h"
#include "temp_config.h"
#include "temp_runtime_dir.h"
#include "wait_until.h"

namespace tabulox {
namespace {

using testing::TempConfig;
using testing::TempRuntimeDir;
using testing::WaitUntil;

constexpr uid_t kNobody = 65534;

HandOverResult HandOver(const QString& name, const StartPaths& paths, int timeoutMs = 2000) {
  auto result = std::async(std::launch::async, [=] { return HandOverToRunningInstance(name, paths, timeoutMs); });
  EXPECT_TRUE(WaitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  return result.get();
}

// A blocking connection to `name`, or -1.
int Connect(const QString& name) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray path = QFile::encodeName(name);
  std::copy(path.begin(), path.end(), address.sun_path);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// The first byte the server sends on `fd` within the event loop's time, or
// 0 when it closes without one.
char FirstByte(int fd) {
  char byte = 0;
  auto result = std::async(std::launch::async, [&] { return ::recv(fd, &byte, 1, 0); });
  EXPECT_TRUE(WaitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 5000));
  return result.get() == 1 ? byte : 0;
}

TEST(PrivateFolderTest, OnlyAPrivateDirectoryOfThisUserPasses) {
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("sock"));
  EXPECT_EQ(CheckPrivateFolder(folder), PrivateFolderStatus::kMissing);
  EXPECT_EQ(MakePrivateFolder(folder), PrivateFolderStatus::kPrivate);
  EXPECT_EQ(QFileInfo(folder).permissions() & 0x0077, 0);

  ::chmod(QFile::encodeName(folder).constData(), 0755);
  EXPECT_EQ(MakePrivateFolder(folder), PrivateFolderStatus::kOpenMode);  // never changed, refused
  ::chmod(QFile::encodeName(folder).constData(), 0700);

  const QString link = dir.filePath(QStringLiteral("link"));
  ASSERT_TRUE(QFile::link(folder, link));
  EXPECT_EQ(CheckPrivateFolder(link), PrivateFolderStatus::kNotDirectory);
  EXPECT_EQ(MakePrivateFolder(link), PrivateFolderStatus::kNotDirectory);

  if (::getuid() == 0) {
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), kNobody, kNobody), 0);
    EXPECT_EQ(MakePrivateFolder(folder), PrivateFolderStatus::kForeignOwner);
  }
}

// Without XDG_RUNTIME_DIR, or with one that is not private, the socket goes to
// a per-user folder in the temporary folder, created 0700.
TEST(InstanceSocketFolderTest, FallsBackToAPrivateFolderOfTheUser) {
  TempConfig config;
  QTemporaryDir temp;
  const QByteArray savedTemp = qgetenv("TMPDIR");
  qputenv("TMPDIR", temp.path().toUtf8());
  TempRuntimeDir runtime;
  const QString fallback = temp.path() + QStringLiteral("/Tabulox-") + QString::number(::getuid());
  EXPECT_EQ(InstanceSocketFolder(), runtime.path());
  ::chmod(QFile::encodeName(runtime.path()).constData(), 0755);
  EXPECT_EQ(InstanceSocketFolder(), fallback);
  qunsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(InstanceSocketFolder(), fallback);
  InstanceServer server;
  ASSERT_TRUE(server.Listen(InstanceServerName())) << server.problem().toStdString();
  EXPECT_EQ(CheckPrivateFolder(fallback), PrivateFolderStatus::kPrivate);
  EXPECT_EQ(HandOver(InstanceServerName(), {}), HandOverResult::kHandedOver);
  ::chmod(QFile::encodeName(runtime.path()).constData(), 0700);
  qputenv("TMPDIR", savedTemp);
}

class SocketSafetyTest : public ::testing::Test {
 protected:
  SocketSafetyTest() : name_(InstanceServerName()) {}
  TempRuntimeDir runtime_;
  TempConfig config_;
  QString name_;
};

// A folder another user could have planted things in is not used: the server
// does not listen there, the client does not connect there.
TEST_F(SocketSafetyTest, FolderOpenToOthersIsRefusedBothWays) {
  QTemporaryDir temp;
  const QString folder = temp.filePath(QStringLiteral("open"));
  ASSERT_TRUE(QDir().mkdir(folder));
  ::chmod(QFile::encodeName(folder).constData(), 0777);
  const QString name = folder + QStringLiteral("/Tabulox.sock");
  InstanceServer server;
  EXPECT_FALSE(server.Listen(name));
  EXPECT_TRUE(server.problem().contains(QStringLiteral("open to other users"))) << server.problem().toStdString();
  QLocalServer planted;  // what another user would listen with
  ASSERT_TRUE(planted.listen(name));
  EXPECT_EQ(HandOver(name, {{"/w/a.xls"}, {}}), HandOverResult::kNotSafe);
  EXPECT_FALSE(planted.hasPendingConnections());
}

// A link at the socket's name is never followed: the server refuses to listen
// rather than replace it, and a start does not connect through it, so the
// socket it points to receives nothing.
TEST_F(SocketSafetyTest, LinkPlantedAtTheNameIsRefused) {
  QTemporaryDir elsewhere;
  const QString target = elsewhere.filePath(QStringLiteral("trap.sock"));
  QLocalServer trap;
  ASSERT_TRUE(trap.listen(target));
  ASSERT_TRUE(QFile::link(target, name_));

  EXPECT_EQ(HandOver(name_, {{"/w/a.xls"}, {}}), HandOverResult::kNotSafe);
  QTest::qWait(50);
  EXPECT_FALSE(trap.hasPendingConnections());

  InstanceServer server;
  EXPECT_FALSE(server.Listen(name_));
  EXPECT_TRUE(server.problem().contains(QStringLiteral("link"))) << server.problem().toStdString();
  EXPECT_TRUE(QFileInfo(name_).isSymLink());  // left as found
  EXPECT_TRUE(QFileInfo::exists(target));
}

// A socket file of another user at the name is not connected to.
TEST_F(SocketSafetyTest, SocketOfAnotherUserIsNotConnectedTo) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to give the socket away";
  QLocalServer foreign;
  ASSERT_TRUE(foreign.listen(name_));
  ASSERT_EQ(::lchown(QFile::encodeName(name_).constData(), kNobody, kNobody), 0);
  EXPECT_EQ(HandOver(name_, {{"/w/a.xls"}, {}}), HandOverResult::kNotSafe);
  QTest::qWait(50);
  EXPECT_FALSE(foreign.hasPendingConnections());
}

// A process of another user that reaches the socket all the same (here the
// test opens the folder to it) is refused after connecting: no greeting, a log line.
TEST_F(SocketSafetyTest, PeerOfAnotherUserIsRefused) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to connect as another user";
  InstanceServer server;
  QStringList refused;
  QObject::connect(&server, &InstanceServer::Refused, [&](const QString& reason) { refused << reason; });
  ASSERT_TRUE(server.Listen(name_));
  ::chmod(QFile::encodeName(runtime_.path()).constData(), 0711);
  ::chmod(QFile::encodeName(name_).constData(), 0777);
  const QByteArray path = QFile::encodeName(name_);
  const pid_t child = ::fork();
  if (child == 0) {
    // Only system calls from here on: 0 when the server closed without a greeting.
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(3);
    char byte = 0;
    ::_exit(::recv(fd, &byte, 1, 0) == 0 ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  int status = -1;
  ASSERT_TRUE(WaitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000));
  ::chmod(QFile::encodeName(runtime_.path()).constData(), 0700);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_EQ(refused.size(), 1);
  EXPECT_EQ(refused[0], QStringLiteral("Connection of another user refused"));
  EXPECT_EQ(server.connectionCount(), 0);
}

// More connections than the limit at once: the excess is answered busy and
// closed with a log line each; the server keeps no more than the limit, and
// serves a start once the burst is gone.
TEST_F(SocketSafetyTest, ConnectionsPastTheLimitAreRefused) {
  InstanceServer server;
  int refused = 0;
  QObject::connect(&server, &InstanceServer::Refused, [&](const QString&) { ++refused; });
  ASSERT_TRUE(server.Listen(name_));
  constexpr int kBurst = InstanceServer::kMaxConnections + 4;
  std::vector<int> fds;
  for (int i = 0; i < kBurst; ++i) fds.push_back(Connect(name_));
  ASSERT_TRUE(WaitUntil([&] { return refused == 4; }, 5000));
  EXPECT_EQ(server.connectionCount(), InstanceServer::kMaxConnections);
  int busy = 0;
  int ready = 0;
  for (const int fd : fds) {
    const char byte = FirstByte(fd);
    busy += byte == kInstanceBusy;
    ready += byte == kInstanceReady;
    ::close(fd);
  }
  EXPECT_EQ(busy, 4);
  EXPECT_EQ(ready, InstanceServer::kMaxConnections);
  ASSERT_TRUE(WaitUntil([&] { return server.connectionCount() == 0; }, 5000));
  EXPECT_EQ(HandOver(name_, {{"/w/a.xls"}, {}}), HandOverResult::kHandedOver);
}

// A start of the size of the largest message, with its body partly sent: the
// bytes held for such starts together stay within kMaxPendingBytes, and the
// start past it is answered busy.
TEST_F(SocketSafetyTest, BytesArrivingAtOnceAreBounded) {
  InstanceServer server;
  QStringList refused;
  QObject::connect(&server, &InstanceServer::Refused, [&](const QString& reason) { refused << reason; });
  ASSERT_TRUE(server.Listen(name_));
  constexpr qsizetype kPart = 12 * 1024 * 1024;
  const QByteArray body(kPart, 'x');
  QByteArray header;
  {
    QDataStream out(&header, QIODevice::WriteOnly);
    out << quint32(0x54424C58) << quint32(1) << quint32(kMaxStartMessageBytes - kStartMessageHeaderBytes);
  }
  std::vector<int> fds;
  std::vector<std::thread> writers;
  qsizetype most = 0;
  for (int i = 0; i < 3; ++i) {
    const int fd = Connect(name_);
    ASSERT_GE(fd, 0);
    fds.push_back(fd);
    writers.emplace_back([fd, &header, &body] {
      char greeting = 0;
      if (::recv(fd, &greeting, 1, 0) != 1) return;
      (void)!::send(fd, header.constData(), static_cast<size_t>(header.size()), MSG_NOSIGNAL);
      for (qsizetype sent = 0; sent < body.size();) {
        const ssize_t n = ::send(fd, body.constData() + sent, static_cast<size_t>(body.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += n;
      }
    });
    WaitUntil([&] {
      most = std::max(most, server.pendingBytes());
      return !refused.isEmpty() || server.pendingBytes() >= (i + 1) * (kPart + header.size());
    }, 10000);
  }
  EXPECT_LE(most, InstanceServer::kMaxPendingBytes);
  ASSERT_EQ(refused.size(), 1);
  EXPECT_TRUE(refused[0].contains(QStringLiteral("arriving at once")));
  for (const int fd : fds) ::shutdown(fd, SHUT_RDWR);
  for (std::thread& writer : writers) writer.join();
  for (const int fd : fds) ::close(fd);
  ASSERT_TRUE(WaitUntil([&] { return server.connectionCount() == 0; }, 5000));
  EXPECT_EQ(server.pendingBytes(), 0);
}

// Starts that come while the window cannot take them are held up to the
// admission's bound; the start past it is answered busy and says so.
TEST_F(SocketSafetyTest, StartsPastWhatTheWindowMayHoldAreRefused) {
  InstanceServer server;
  qsizetype held = 0;
  constexpr qsizetype kMayHold = 3 * 1024 * 1024;
  server.setAdmission([&](const StartPaths& paths) {
    qsizetype bytes = 0;
    for (const QString& path : paths.files) bytes += path.size() * 2;
    if (held + bytes > kMayHold) return false;
    held += bytes;
    return true;
  });
  int received = 0;
  QObject::connect(&server, &InstanceServer::PathsReceived, [&](const StartPaths&) { ++received; });
  QStringList refused;
  QObject::connect(&server, &InstanceServer::Refused, [&](const QString& reason) { refused << reason; });
  ASSERT_TRUE(server.Listen(name_));
  const StartPaths big{{QString(1024 * 1024, u'a')}, {}};  // 2 MiB held
  EXPECT_EQ(HandOver(name_, big), HandOverResult::kHandedOver);
  EXPECT_EQ(HandOver(name_, big), HandOverResult::kRefused);
  EXPECT_EQ(HandOver(name_, {{"/w/a.xls"}, {}}), HandOverResult::kHandedOver);
  EXPECT_EQ(received, 2);
  ASSERT_EQ(refused.size(), 1);
  EXPECT_TRUE(refused[0].contains(QStringLiteral("too many files waiting")));
}

}  // namespace
}  // namespace tabulox
