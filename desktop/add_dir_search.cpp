#include "add_dir_search.h"

#include <QCoreApplication>

#include "add_folder_dialog.h"
#include "folder_scan.h"
#include "scan_cancel_dialog.h"

namespace tabulox {

void RunAddDirSearch(TKvFileSearch& search, ScanCancelDialog& progress, const AddFolderDialog& dialog,
                     const TGlobalSettings& settings) {
  search.SetRecurseSubFolders(dialog.recursiveCheck->isChecked());
  search.SetSearchExts(BuildSearchExts(settings, {dialog.TypeTicked(1), dialog.TypeTicked(2)}));
  search.OnProcessMessages = [] { QCoreApplication::processEvents(); };
  const QStringList folders = SplitDirList(settings.adddir);

  progress.show();
  progress.raise();
  // Hidden again however the search ends, also by an error from an event handler.
  struct HideOnExit {
    ScanCancelDialog& dialog;
    ~HideOnExit() { dialog.hide(); }
  } hideProgress{progress};
  QCoreApplication::processEvents();  // let the dialog paint before the first folder
  SearchFolders(search, folders);
}

}  // namespace tabulox
