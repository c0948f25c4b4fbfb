#include "desktop/help_pages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QRegularExpression>
#include <QTest>

#include "modal_answer.h"
#include "temp_dir.h"

namespace tabulox {
namespace {

TEST(HelpPagesTest, FindsInstalledHelpRelativeToProgram) {
  TempDir prefix;
  prefix.WriteFile("bin/.keep", "");
  prefix.WriteFile("share/tabulox/help/index.html", "<html></html>");
  const QString programDir = QString::fromStdString(prefix.Path() + "/bin/");
  EXPECT_EQ(FindHelpDir(programDir), QString::fromStdString(prefix.Path() + "/share/tabulox/help/"));
}

TEST(HelpPagesTest, FindsHelpBesideProgramOrNothing) {
  TempDir build;
  const QString programDir = QString::fromStdString(build.Path() + "/");
  EXPECT_TRUE(FindHelpDir(programDir).isEmpty());
  build.WriteFile("help/index.html", "<html></html>");
  EXPECT_EQ(FindHelpDir(programDir), programDir + "help/");
}

// The pages we ship: both exist, carry a title, and link to each other.
TEST(HelpPagesTest, ShippedPagesLinkEachOther) {
  const QString helpDir = QStringLiteral(TABULOX_SOURCE_HELP_DIR "/");
  HelpWindow window;
  window.showPage(helpDir, kHelpContentsPage);
  EXPECT_EQ(window.documentTitle(), "KV-Tabulox Help: Contents");
  EXPECT_TRUE(window.toHtml().contains("Options.htm"));
  window.showPage(helpDir, kHelpOptionsPage);
  EXPECT_EQ(window.documentTitle(), "KV-Tabulox Help: Options");
  EXPECT_TRUE(window.toHtml().contains("index.html"));
}

TEST(HelpPagesTest, MissingHelpShowsNote) {
  HelpWindow window;
  window.showPage(QString(), kHelpOptionsPage);
  EXPECT_TRUE(window.toPlainText().contains("not installed"));
}

// The platform's key path, which drops keys for a window a modal dialog blocks.
bool EscapeClosesHelp() {
  HelpWindow* help = OpenedHelpWindow();
  if (help == nullptr || !help->isVisible()) return false;
  QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
  return !help->isVisible();
}

TEST(HelpWindowTest, EscapeClosesIt) {
  TempDir none;
  ShowHelp(QString::fromStdString(none.Path() + "/"), kHelpContentsPage);
  EXPECT_TRUE(EscapeClosesHelp());
}

TEST(HelpWindowTest, OpenedFromAModalDialogTakesInput) {
  TempDir none;
  QDialog dialog;
  bool closedByEscape = false;
  testing::AnswerNextModal([&](QWidget* modal) {
    ShowHelp(QString::fromStdString(none.Path() + "/"), kHelpOptionsPage);
    closedByEscape = EscapeClosesHelp();
    static_cast<QDialog*>(modal)->reject();
  });
  dialog.exec();
  EXPECT_TRUE(closedByEscape);
}

TEST(HelpWindowTest, FitsAScreenOf900Pixels) {
  HelpWindow window;
  const QRect screen(0, 0, 1440, 900);
  window.placeWithin(screen);
  EXPECT_TRUE(screen.contains(window.geometry().adjusted(0, -40, 0, 0))) << window.geometry().y();
  const QRect small(100, 50, 500, 400);
  window.placeWithin(small);
  EXPECT_TRUE(small.contains(window.geometry()));
  EXPECT_EQ(window.width(), 500);
}

}  // namespace
}  // namespace tabulox
