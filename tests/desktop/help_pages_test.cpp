#include "help_pages.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

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
  window.ShowPage(helpDir, kHelpContentsPage);
  EXPECT_EQ(window.documentTitle(), "KV-Tabulox Help: Contents");
  EXPECT_TRUE(window.toHtml().contains("Options.htm"));
  window.ShowPage(helpDir, kHelpOptionsPage);
  EXPECT_EQ(window.documentTitle(), "KV-Tabulox Help: Options");
  EXPECT_TRUE(window.toHtml().contains("index.html"));
}

TEST(HelpPagesTest, MissingHelpShowsNote) {
  HelpWindow window;
  window.ShowPage(QString(), kHelpOptionsPage);
  EXPECT_TRUE(window.toPlainText().contains("not installed"));
}

}  // namespace
}  // namespace tabulox
