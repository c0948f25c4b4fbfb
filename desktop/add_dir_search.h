// The search part of the Add Dir command, after its dialog was closed with OK:
// sets up the main window's search from the dialog, shows the progress dialog
// and searches the folders of the stored add-directory text in order, until
// one search is stopped. Found files reach the search's OnFileFind.
#pragma once

#include "file_search.h"
#include "global_settings.h"

namespace tabulox {

class AddFolderDialog;
class ScanCancelDialog;

void RunAddDirSearch(TKvFileSearch& search, ScanCancelDialog& progress, const AddFolderDialog& dialog,
                     const TGlobalSettings& settings);

}  // namespace tabulox
