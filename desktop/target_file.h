// Target paths of a conversion run and the writing of a target file.
#pragma once

#include <QString>
#include <string_view>

#include "desktop/global_settings.h"
#include "destination/atomic_file.h"
#include "tabulox/result_codes.h"

namespace tabulox {

// The target path of a source: beside the source, or in the target folder
// under the source's file name; either way the extension (from the last "."
// of the file name) replaced by TargetExtension (".txt" or ".csv"), or that
// appended to a name without a dot.
QString TargetFileName(const QString& source, const ProgramSettings& settings);

// True when anything is at the path: a file, a folder, a symbolic link (also
// one that points nowhere), a FIFO or a device.
bool TargetExists(const QString& target);

// The first free name base + "(" n ")" + extension, n counting up from 1,
// where base and extension are the target's path split at the last "." of its
// file name. Free means that nothing exists at that path (TargetExists).
QString AutoRenameTarget(const QString& target);

// "Convert Message" text of an engine result code.
QString ConvertMessageForResult(ResultCode result);

// Creates every missing folder of the target's path (kCreateFailed when it
// cannot), then writes `bytes` to a temporary file beside the target and
// renames it into place, so that a failure never leaves a truncated file in
// place of an existing one (the console program's writer, WriteFileAtomically).
// Without `replaceExisting`, a target that exists when the text is put in
// place is left alone (kExists).
AtomicWriteResult WriteTargetFile(const QString& target, std::string_view bytes,
                                  bool replaceExisting = true);

}  // namespace tabulox
