// Files and folders for the main window from outside it: its own command line
// and those of later starts. They reach the window as a command line's do
// (MainWindow::addStartPaths), in the order they came; while a conversion
// run, a folder scan or the Add directory dialog is in progress they are
// held, and added once it has ended.
#pragma once

#include <QList>
#include <QObject>

#include "desktop/command_line.h"

namespace tabulox {

class MainWindow;

class StartPathInbox : public QObject {
  Q_OBJECT

 public:
  explicit StartPathInbox(MainWindow* window);

  // Queues `paths`; they are added from the event loop, never from inside
  // the caller (a folder opens the Add directory dialog).
  void Add(const StartPaths& paths);
  // Lists queued and not yet added, and the bytes their texts take.
  int heldCount() const { return static_cast<int>(held_.size()); }
  qsizetype heldBytes() const { return heldBytes_; }
  // True when `paths` fit within kMaxHeldBytes beside what is held.
  bool canHold(const StartPaths& paths) const;

  // What the lists of later starts may take while the window is busy; a start
  // past it is refused (InstanceServer's admission) and says so.
  static constexpr qsizetype kMaxHeldBytes = 32 * 1024 * 1024;
  static qsizetype BytesOf(const StartPaths& paths);

 private:
  bool windowBusy() const;
  void deliverLater();
  void deliver();

  MainWindow* window_;
  QList<StartPaths> held_;
  qsizetype heldBytes_ = 0;
};

}  // namespace tabulox
