// SIGTERM, SIGINT and SIGHUP (a session that ends, a terminal that closes)
// close the main window as its Exit command does, so the list and the
// settings are saved before the program ends.
#pragma once

class QWidget;

namespace tabulox {

// Installs the handlers once; each such signal then closes `window` from the
// event loop; a second one ends the program as the signal would have.
// Signals ignored when the program started stay ignored.
void CloseOnTerminationSignals(QWidget* window);

}  // namespace tabulox
