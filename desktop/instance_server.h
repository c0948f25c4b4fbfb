// The listening side of the hand-over (see instance_channel.h): the running
// program takes the files and folders of each later start.
//
// What one running program holds for later starts is bounded: at most
// kMaxConnections connections at once, at most kMaxPendingBytes received
// and not yet read as a whole message over all of them, and what the
// admission check (the inbox's room for waiting files) turns down. The
// excess is answered kInstanceBusy where the peer still waits for an answer,
// closed, and reported through Refused.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocalSocket>
#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

#include "desktop/command_line.h"

namespace tabulox {

class InstanceServer : public QObject {
  Q_OBJECT

 public:
  explicit InstanceServer(QObject* parent = nullptr);
  ~InstanceServer() override;

  // Listens on `name` (InstanceServerName()); call this only while holding
  // the instance lock, since a socket left at the name by a program that
  // died is removed. The folder of the name is created 0700 when missing
  // and must be private; a link or anything but a socket at the name is
  // refused, never followed or removed. False, with problem() saying why,
  // when the program cannot listen.
  bool Listen(const QString& name);
  QString problem() const { return problem_; }

  // Decides whether a complete message is taken; without one, all are.
  void setAdmission(std::function<bool(const StartPaths&)> admission) { admission_ = std::move(admission); }

  // Connections open at once, received bytes not yet handled (for tests).
  int connectionCount() const { return static_cast<int>(received_.size()); }
  qsizetype pendingBytes() const { return pendingBytes_; }

  // How long a connection may take to deliver its message.
  static constexpr int kConnectionTimeoutMs = 10000;
  // A later start needs one connection; more at once are a burst.
  static constexpr int kMaxConnections = 8;
  // Two messages of the largest size.
  static constexpr qsizetype kMaxPendingBytes = 32 * 1024 * 1024;
  // Pause before accepting again when accept failed for want of descriptors
  // or memory; the connection waits in the backlog meanwhile.
  static constexpr int kAcceptRetryMs = 200;

 signals:
  // A later start's files and folders, emitted after it has been answered.
  void PathsReceived(const tabulox::StartPaths& paths);
  // A connection or message turned down, or accepting paused: one line for the log.
  void Refused(const QString& reason);

 private:
  void closeListener();
  void onAcceptable();
  void takeConnection(int fd);
  void onReadyRead(QLocalSocket* socket);
  void drop(QLocalSocket* socket, bool answerBusy);
  void onDisconnected(QLocalSocket* socket);

  int listenFd_ = -1;
  QString name_;
  QString problem_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool acceptFailing_ = false;  // reported once until an accept works again
  std::function<bool(const StartPaths&)> admission_;
  QHash<QLocalSocket*, QByteArray> received_;  // per open connection, the bytes so far
  qsizetype pendingBytes_ = 0;
};

}  // namespace tabulox
