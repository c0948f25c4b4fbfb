#include "help_pages.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace tabulox {
namespace {

bool HoldsContents(const QString& dir) {
  return QFileInfo(dir + kHelpContentsPage).isFile();
}

HelpWindow*& HelpWindowSlot() {
  static HelpWindow* window = nullptr;
  return window;
}

HelpWindow& SharedHelpWindow() {
  // Lives until the program ends, like the other windows; top-level, so no parent.
  HelpWindow*& window = HelpWindowSlot();
  if (window == nullptr) window = new HelpWindow;
  return *window;
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
  resize(640, 560);
}

void HelpWindow::ShowPage(const QString& helpDir, const QString& page) {
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
  window.ShowPage(helpDir, page);
  window.show();
  window.raise();
  window.activateWindow();
}

void CloseHelpWindow() {
  if (HelpWindow* window = HelpWindowSlot()) window->close();
}

}  // namespace tabulox
