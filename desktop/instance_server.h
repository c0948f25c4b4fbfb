// The listening side of the hand-over (see instance_channel.h): the running
// program takes the files and folders of each later start.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QObject>

#include "command_line.h"

namespace tabulox {

class InstanceServer : public QObject {
  Q_OBJECT

 public:
  explicit InstanceServer(QObject* parent = nullptr);

  // Listens on `name` (InstanceServerName()). A socket file left there by a
  // program that died, or by one that did not answer, is removed first;
  // call this only after handing over failed. False when the name cannot be
  // taken: the program then runs without listening.
  bool Listen(const QString& name);

  // How long a connection may take to deliver its message.
  static constexpr int kConnectionTimeoutMs = 10000;

 signals:
  // A later start's files and folders, emitted after it has been answered.
  void PathsReceived(const tabulox::StartPaths& paths);

 private:
  void onNewConnection();
  void onReadyRead(QLocalSocket* socket);
  void onDisconnected(QLocalSocket* socket);

  QLocalServer server_;
  QHash<QLocalSocket*, QByteArray> received_;  // per open connection, the bytes so far
};

}  // namespace tabulox
