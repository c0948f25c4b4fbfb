// The folder part of the Add Dir command: turning the directory field into
// folders and searching them one after the other.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <string>

#include "desktop/file_search.h"
#include "desktop/global_settings.h"

namespace tabulox {

// The folders of a directory field: the pieces between ";" in order. Empty
// pieces (";;", a leading or trailing ";") name no folder and are skipped.
QStringList SplitDirList(const QString& text);

// Searches each folder in order with the search's current patterns and
// recursion. After a search that the user stopped, the remaining folders are
// not searched; a stop() made before the call (and not cleared since) searches
// none. Returns the number of folders searched.
int SearchFolders(FileSearch& search, const QStringList& folders);

// The patterns of the ticked types for FileSearch: per ticked entry of
// kFileTypes, its default pattern and then its extra patterns, each followed
// by "|". The .xls and .xlsx entries alone with no extra patterns give
// "*.xls|*.xlsx|".
std::string BuildSearchExts(const ProgramSettings& settings, const std::array<bool, kFileTypeCount>& ticked);

// A path as the file system wants it, and back.
std::string NativePath(const QString& path);
QString FromNativePath(const std::string& path);

}  // namespace tabulox
