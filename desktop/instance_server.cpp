#include "desktop/instance_server.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "desktop/instance_channel.h"
#include "desktop/private_folder.h"

namespace tabulox {

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() { closeListener(); }

void InstanceServer::closeListener() {
  notifier_.reset();
  if (listenFd_ < 0) return;
  ::close(listenFd_);
  listenFd_ = -1;
  ::unlink(QFile::encodeName(name_).constData());
}

bool InstanceServer::Listen(const QString& name) {
  closeListener();
  const QString folder = QFileInfo(name).path();
  const PrivateFolderStatus folderStatus = MakePrivateFolder(folder);
  if (folderStatus != PrivateFolderStatus::kPrivate) {
    problem_ = DescribePrivateFolderStatus(folderStatus, folder);
    return false;
  }
  const QByteArray path = QFile::encodeName(name);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (static_cast<size_t>(path.size()) >= sizeof address.sun_path) {
    problem_ = name + QStringLiteral(" is too long for a socket");
    return false;
  }
  std::copy(path.begin(), path.end(), address.sun_path);

  struct stat st {};
  if (::lstat(path.constData(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      problem_ = name + QStringLiteral(" is a link or not a socket");
      return false;
    }
    ::unlink(path.constData());  // left by a program that ended; the lock says none runs
  }
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listenFd_, SOMAXCONN) != 0) {
    problem_ = name + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    return false;
  }
  name_ = name;
  problem_.clear();
  notifier_ = std::make_unique<QSocketNotifier>(listenFd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &InstanceServer::onAcceptable);
  return true;
}

void InstanceServer::onAcceptable() {
  for (;;) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) {
      acceptFailing_ = false;
      takeConnection(fd);
      continue;
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return;
    // Out of descriptors or memory: the connection stays queued; listening
    // goes on once the pause is over. One log line until accepting works again.
    if (!acceptFailing_) {
      emit Refused(QStringLiteral("Later start not accepted yet, trying again: ") +
                   QString::fromLocal8Bit(std::strerror(errno)));
    }
    acceptFailing_ = true;
    notifier_->setEnabled(false);
    QTimer::singleShot(kAcceptRetryMs, this, [this] {
      if (notifier_) notifier_->setEnabled(true);
    });
    return;
  }
}

void InstanceServer::takeConnection(int fd) {
  if (!PeerIsThisUser(fd)) {
    ::close(fd);
    emit Refused(QStringLiteral("Connection of another user refused"));
    return;
  }
  if (received_.size() >= kMaxConnections) {
    (void)!::send(fd, &kInstanceBusy, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    ::close(fd);
    emit Refused(QStringLiteral("Later start refused: more than %1 connections at once").arg(kMaxConnections));
    return;
  }
  auto* socket = new QLocalSocket(this);
  if (!socket->setSocketDescriptor(fd)) {
    ::close(fd);
    delete socket;
    return;
  }
  received_.insert(socket, QByteArray());
  socket->setReadBufferSize(64 * 1024);  // read in pieces, never the whole stream at once
  connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
  connect(socket, &QLocalSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
  // A peer that never finishes its message does not keep the connection.
  QTimer::singleShot(kConnectionTimeoutMs, socket, &QLocalSocket::abort);
  socket->write(&kInstanceReady, 1);
}

void InstanceServer::onReadyRead(QLocalSocket* socket) {
  auto found = received_.find(socket);
  if (found == received_.end()) return;  // answered already
  QByteArray& bytes = *found;
  // At most one byte past the longest message, which already makes it invalid.
  const QByteArray more = socket->read(kMaxStartMessageBytes + 1 - bytes.size());
  if (pendingBytes_ + more.size() > kMaxPendingBytes) {
    emit Refused(QStringLiteral("Later start refused: more than %1 MiB arriving at once")
                     .arg(kMaxPendingBytes / (1024 * 1024)));
    drop(socket, true);
    return;
  }
  bytes += more;
  pendingBytes_ += more.size();
  StartPaths paths;
  switch (DecodeStartMessage(bytes, paths)) {
    case StartMessageStatus::kIncomplete:
      return;
    case StartMessageStatus::kInvalid:
      drop(socket, false);
      return;
    case StartMessageStatus::kComplete:
      break;
  }
  if (admission_ && !admission_(paths)) {
    emit Refused(QStringLiteral("Later start refused: too many files waiting to be added"));
    drop(socket, true);
    return;
  }
  pendingBytes_ -= bytes.size();
  received_.erase(found);
  socket->write(&kInstanceAccepted, 1);
  socket->disconnectFromServer();  // once the answer is written
  emit PathsReceived(paths);
}

void InstanceServer::drop(QLocalSocket* socket, bool answerBusy) {
  if (const auto found = received_.find(socket); found != received_.end()) {
    pendingBytes_ -= found->size();
    received_.erase(found);
  }
  if (answerBusy) {
    socket->write(&kInstanceBusy, 1);
    socket->disconnectFromServer();
  } else {
    socket->abort();
  }
}

void InstanceServer::onDisconnected(QLocalSocket* socket) {
  if (const auto found = received_.find(socket); found != received_.end()) {
    pendingBytes_ -= found->size();
    received_.erase(found);
  }
  socket->deleteLater();
}

}  // namespace tabulox
