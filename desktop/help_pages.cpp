#include "desktop/help_pages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QScreen>
#include <QKeyEvent>
#include <QUrl>
#include <algorithm>

namespace tabulox {
namespace {

bool HoldsContents(const QString& dir) {
  return QFileInfo(dir + kHelpContentsPage).isFile();
}

constexpr int kHelpWidth = 640;
constexpr int kHelpHeight = 560;
// Room kept for the window manager's frame and title bar, which the geometry
// of a window that has not been shown yet leaves out.
constexpr int kFrameAllowance = 40;

// The window may belong to a dialog that goes before the program ends.
QPointer<HelpWindow>& HelpWindowSlot() {
  static QPointer<HelpWindow> window;
  return window;
}

HelpWindow& SharedHelpWindow() {
  QPointer<HelpWindow>& window = HelpWindowSlot();
  if (window.isNull()) window = new HelpWindow;
  return *window;
}

// A modal dialog blocks every window outside itself, so the help window opened
// from one becomes its child window; otherwise it stands alone.
void AttachToModalDialog(HelpWindow& window) {
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == &window || owner == window.parentWidget()) return;
  window.setParent(owner, Qt::Window);
}

}  // namespace

QString FindHelpDir(const QString& programDir) {
  const QString installed =
      QDir::cleanPath(programDir + QStringLiteral(TABULOX_HELP_RELATIVE_DIR)) + u'/';
  if (HoldsContents(installed)) return installed;
  const QString beside = programDir + QStringLiteral("help/");
  if (HoldsContents(beside)) return beside;
  return {};
}

HelpWindow::HelpWindow(QWidget* parent) : QTextBrowser(parent) {
  setObjectName(QStringLiteral("helpWindow"));
  setWindowTitle(QStringLiteral("KV-Tabulox Help"));
  setOpenExternalLinks(true);
  resize(kHelpWidth, kHelpHeight);
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QTextBrowser::keyPressEvent(event);
}

void HelpWindow::placeWithin(const QRect& available) {
  const QRect inner = available.adjusted(0, kFrameAllowance, 0, 0);
  const QSize size(std::min(kHelpWidth, inner.width()), std::min(kHelpHeight, inner.height()));
  resize(size);
  QRect placed(QPoint(), size);
  placed.moveCenter(inner.center());
  move(placed.topLeft());
}

void HelpWindow::showPage(const QString& helpDir, const QString& page) {
  const QString path = helpDir + page;
  if (helpDir.isEmpty() || !QFileInfo(path).isFile()) {
    setHtml(QStringLiteral("<h1>KV-Tabulox Help</h1><p>The help pages are not installed.</p>"));
    return;
  }
  setSearchPaths({helpDir});
  setSource(QUrl::fromLocalFile(path));
}

void ShowHelp(const QString& programDir, const QString& page) {
  const QString helpDir = FindHelpDir(programDir);
  if (!helpDir.isEmpty() && QFileInfo(helpDir + page).isFile() &&
      QDesktopServices::openUrl(QUrl::fromLocalFile(helpDir + page))) {
    return;
  }
  HelpWindow& window = SharedHelpWindow();
  AttachToModalDialog(window);
  window.showPage(helpDir, page);
  if (!window.isVisible()) {
    const QWidget* opener = QApplication::activeWindow();
    if (const QScreen* screen = opener != nullptr ? opener->screen() : QGuiApplication::primaryScreen()) {
      window.placeWithin(screen->availableGeometry());
    }
  }
  window.show();
  window.raise();
  window.activateWindow();
}

void CloseHelpWindow() {
  if (HelpWindow* window = HelpWindowSlot()) window->close();
}

HelpWindow* OpenedHelpWindow() { return HelpWindowSlot(); }

}  // namespace tabulox
