#include "instance_server.h"

#include <QTimer>

#include "instance_channel.h"

namespace tabulox {

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);  // no other user may connect
  connect(&server_, &QLocalServer::newConnection, this, &InstanceServer::onNewConnection);
}

bool InstanceServer::Listen(const QString& name) {
  // With UserAccessOption Qt makes the socket aside and renames it into
  // place, which replaces a file left by a dead or hung program. Should the
  // name still be refused as in use, the file is removed and listen tried again.
  if (server_.listen(name)) return true;
  if (server_.serverError() != QAbstractSocket::AddressInUseError) return false;
  QLocalServer::removeServer(name);
  return server_.listen(name);
}

void InstanceServer::onNewConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    received_.insert(socket, QByteArray());
    socket->setReadBufferSize(64 * 1024);  // read in pieces, never the whole stream at once
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
    // A peer that never finishes its message does not keep the connection.
    QTimer::singleShot(kConnectionTimeoutMs, socket, &QLocalSocket::abort);
    socket->write(&kInstanceReady, 1);
  }
}

void InstanceServer::onReadyRead(QLocalSocket* socket) {
  auto found = received_.find(socket);
  if (found == received_.end()) return;  // answered already
  QByteArray& bytes = *found;
  // At most one byte past the longest message, which already makes it invalid.
  bytes += socket->read(kMaxStartMessageBytes + 1 - bytes.size());
  StartPaths paths;
  switch (DecodeStartMessage(bytes, paths)) {
    case StartMessageStatus::kIncomplete:
      return;
    case StartMessageStatus::kInvalid:
      received_.erase(found);
      socket->abort();
      return;
    case StartMessageStatus::kComplete:
      received_.erase(found);
      socket->write(&kInstanceAccepted, 1);
      socket->disconnectFromServer();  // once the answer is written
      emit PathsReceived(paths);
      return;
  }
}

void InstanceServer::onDisconnected(QLocalSocket* socket) {
  received_.remove(socket);
  socket->deleteLater();
}

}  // namespace tabulox
