// One program per configuration folder, with the real program: two starts at
// the same instant, and a later start while the first program hangs. Each
// program runs offscreen with a configuration and a runtime folder of the test.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "desktop/job_file.h"
#include "temp_config.h"

namespace tabulox {
namespace {

using testing::WriteAll;

class ProgramRun {
 public:
  ProgramRun(const QString& configHome, const QString& runtimeDir, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(environment);
    process_.setProgram(QStringLiteral(TABULOX_DESKTOP_PROGRAM));
    process_.setArguments(arguments);
    process_.start();
  }
  // Never outlives the test: a program left running is killed.
  ~ProgramRun() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }

  // Looks again (QProcess learns of the end only while it waits).
  bool running() { return !process_.waitForFinished(1) && process_.state() != QProcess::NotRunning; }
  bool endedWith(int status, int timeoutMs) {
    return (!running() || process_.waitForFinished(timeoutMs)) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == status;
  }
  void signal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }
  pid_t pid() const { return static_cast<pid_t>(process_.processId()); }
  // What the program wrote to standard error since the last call.
  QString errorText() {
    process_.waitForFinished(1);  // takes in what the pipes hold
    return QString::fromLocal8Bit(process_.readAllStandardError());
  }

 private:
  QProcess process_;
};

// One of two starts ends after handing over, in time; the other runs on.
int WaitForOneToEnd(ProgramRun& a, ProgramRun& b) {
  const QDeadlineTimer deadline(15000);
  while (!deadline.hasExpired()) {
    if (!a.running()) return 0;
    if (!b.running()) return 1;
  }
  return -1;
}

QStringList SavedSources(const QString& configHome) {
  QStringList sources;
  const auto rows = LoadJobFile(configHome + QStringLiteral("/Tabulox/Tabulox.job"));
  if (rows) {
    for (const JobRow& row : rows->rows) sources << row.subItems.value(1);
  }
  sources.sort();
  return sources;
}

// The inode of the one socket in `runtimeDir`, 0 when there is none.
ino_t SocketInode(const QString& runtimeDir) {
  const QFileInfoList sockets = QDir(runtimeDir).entryInfoList({QStringLiteral("*.sock")}, QDir::System);
  struct stat st {};
  if (sockets.size() != 1 || ::lstat(QFile::encodeName(sockets[0].filePath()).constData(), &st) != 0) return 0;
  return st.st_ino;
}

class InstanceProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFileInfo(QStringLiteral(TABULOX_DESKTOP_PROGRAM)).isExecutable()) GTEST_SKIP() << "no program";
    for (const char* name : {"a.xls", "b.xls", "c.xls"}) WriteAll(Source(name), "x");
  }
  QString Source(const char* name) const { return sources_.filePath(QString::fromLatin1(name)); }

  QTemporaryDir sources_;
};

// Two starts in the same instant give one program, which ends with both files
// in its list; neither start's file is lost. Repeated, since the interleaving
// of the two differs from try to try.
TEST_F(InstanceProcessTest, TwoStartsAtOnceGiveOneProgramWithBothFiles) {
  constexpr int kTries = 50;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    QTemporaryDir config;
    QTemporaryDir runtime;
    ProgramRun a(config.path(), runtime.path(), {Source("a.xls")});
    ProgramRun b(config.path(), runtime.path(), {Source("b.xls")});
    const int ended = WaitForOneToEnd(a, b);
    ASSERT_GE(ended, 0) << "two programs run, try " << attempt;
    ProgramRun& later = ended == 0 ? a : b;
    ProgramRun& first = ended == 0 ? b : a;
    ASSERT_TRUE(later.endedWith(0, 0)) << later.errorText().toStdString() << " try " << attempt;
    ASSERT_TRUE(first.running()) << "try " << attempt;
    first.signal(SIGTERM);  // closes the window as Exit does
    ASSERT_TRUE(first.endedWith(0, 15000)) << first.errorText().toStdString() << " try " << attempt;
    EXPECT_EQ(SavedSources(config.path()), (QStringList{Source("a.xls"), Source("b.xls")})) << "try " << attempt;
  }
}

// A first program that hangs keeps its lock: a later start gives up within its
// limit and says so, without a window of its own; the first program, woken,
// goes on with its list and takes the next start's files.
TEST_F(InstanceProcessTest, LaterStartWhileTheFirstHangsSaysSoAndOpensNoWindow) {
  QTemporaryDir config;
  QTemporaryDir runtime;
  ProgramRun first(config.path(), runtime.path(), {Source("a.xls")});
  const QDeadlineTimer listening(15000);
  while (SocketInode(runtime.path()) == 0 && !listening.hasExpired()) QThread::msleep(10);
  const ino_t socket = SocketInode(runtime.path());
  ASSERT_NE(socket, 0u);
  {
    ProgramRun probe(config.path(), runtime.path(), {});  // answered once the first one serves
    ASSERT_TRUE(probe.endedWith(0, 15000)) << probe.errorText().toStdString();
  }
  first.signal(SIGSTOP);
  {
    ProgramRun later(config.path(), runtime.path(), {Source("b.xls")});
    QDeadlineTimer deadline(15000);
    QString error;
    while (!error.contains(QStringLiteral("did not answer")) && !deadline.hasExpired() && later.running()) {
      QThread::msleep(20);
      error += later.errorText();
    }
    EXPECT_TRUE(error.contains(QStringLiteral("did not answer"))) << error.toStdString();
    EXPECT_TRUE(later.running());  // waiting on its message, not a window of its own
    EXPECT_EQ(SocketInode(runtime.path()), socket);  // nobody took the first one's socket
  }  // the later start waits on its message box; it is ended here
  first.signal(SIGCONT);
  {
    ProgramRun next(config.path(), runtime.path(), {Source("c.xls")});
    ASSERT_TRUE(next.endedWith(0, 15000)) << next.errorText().toStdString();
  }
  first.signal(SIGTERM);
  ASSERT_TRUE(first.endedWith(0, 15000)) << first.errorText().toStdString();
  EXPECT_EQ(SavedSources(config.path()), (QStringList{Source("a.xls"), Source("c.xls")}));
}

// A blocking connection to the socket at `path`, or -1.
int Connect(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray encoded = QFile::encodeName(path);
  std::copy(encoded.begin(), encoded.end(), address.sun_path);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
  ::close(fd);
  return -1;
}

// A burst of connections while the program is at its descriptor limit: the
// accepts that fail are logged once, the program keeps listening, and a
// later start after the burst is handed over.
TEST_F(InstanceProcessTest, BurstAtTheDescriptorLimitDoesNotEndListening) {
  QTemporaryDir config;
  QTemporaryDir runtime;
  ProgramRun first(config.path(), runtime.path(), {Source("a.xls")});
  const QDeadlineTimer listening(15000);
  while (SocketInode(runtime.path()) == 0 && !listening.hasExpired()) QThread::msleep(10);
  const QFileInfoList sockets = QDir(runtime.path()).entryInfoList({QStringLiteral("*.sock")}, QDir::System);
  ASSERT_EQ(sockets.size(), 1);
  {
    ProgramRun probe(config.path(), runtime.path(), {});
    ASSERT_TRUE(probe.endedWith(0, 15000)) << probe.errorText().toStdString();
  }
  // Two descriptor numbers to spare: the burst takes them, and accepting fails.
  const QStringList fds = QDir(QStringLiteral("/proc/%1/fd").arg(first.pid())).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  rlim_t lowestFree = 0;
  while (fds.contains(QString::number(lowestFree))) ++lowestFree;
  rlimit limit{};
  ASSERT_EQ(::prlimit(first.pid(), RLIMIT_NOFILE, nullptr, &limit), 0);
  limit.rlim_cur = lowestFree + 2;
  ASSERT_EQ(::prlimit(first.pid(), RLIMIT_NOFILE, &limit, nullptr), 0);

  std::vector<int> burst;
  for (int i = 0; i < 20; ++i) burst.push_back(Connect(sockets[0].filePath()));
  QString error;
  const QDeadlineTimer deadline(10000);
  while (!error.contains(QStringLiteral("not accepted yet")) && !deadline.hasExpired()) {
    QThread::msleep(20);
    error += first.errorText();
  }
  EXPECT_TRUE(error.contains(QStringLiteral("Too many open files"))) << error.toStdString() << " limit " << limit.rlim_cur << " fds " << fds.join(u' ').toStdString();
  for (const int fd : burst) {
    if (fd >= 0) ::close(fd);
  }

  {
    ProgramRun later(config.path(), runtime.path(), {Source("b.xls")});
    ASSERT_TRUE(later.endedWith(0, 15000)) << later.errorText().toStdString();
  }
  first.signal(SIGTERM);
  ASSERT_TRUE(first.endedWith(0, 15000)) << first.errorText().toStdString();
  EXPECT_EQ(SavedSources(config.path()), (QStringList{Source("a.xls"), Source("b.xls")}));
}

}  // namespace
}  // namespace tabulox
