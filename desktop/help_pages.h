// The program's help: HTML pages installed with it, shown in the user's web
// browser, or in a help window of our own when no browser opens them.
#pragma once

#include <QString>
#include <QTextBrowser>

class QWidget;

namespace tabulox {

inline constexpr const char* kHelpContentsPage = "index.html";
inline constexpr const char* kHelpOptionsPage = "Options.htm";

// The folder of the help pages, ending in "/": the installed folder relative
// to the program directory (`programDir` ends in "/"), else a "help" folder
// beside the program (the build tree). Empty when neither holds the contents page.
QString FindHelpDir(const QString& programDir);

// A plain window that shows the help pages and follows their links.
class HelpWindow : public QTextBrowser {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // Shows `page` of `helpDir`, or a note that the help is not installed when
  // `helpDir` is empty or lacks the page.
  void showPage(const QString& helpDir, const QString& page);
  // Sizes and moves the window so that it and its title bar lie within
  // `available` (a screen's available geometry).
  void placeWithin(const QRect& available);

 protected:
  // Escape closes the window.
  void keyPressEvent(QKeyEvent* event) override;
};

// Opens `page` (kHelpContentsPage, kHelpOptionsPage) of the help found from
// `programDir` in the user's browser; falls back to a HelpWindow. Opened
// while a modal dialog is up, the HelpWindow belongs to that dialog, so the
// dialog does not block it.
void ShowHelp(const QString& programDir, const QString& page);

// The help window when one has been opened, else nullptr.
HelpWindow* OpenedHelpWindow();

// Closes the help window if it is open.
void CloseHelpWindow();

}  // namespace tabulox
