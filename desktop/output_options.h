// What the Output group of the Options dialog makes of a conversion: the
// engine's options, the targets' extension, the targets of one file per sheet
// and the layout's name in the log.
#pragma once

#include <QString>
#include <QStringList>

#include "desktop/global_settings.h"
#include "tabulox/tabulox.h"

namespace tabulox {

// The layout, separator and hidden content the settings choose. The
// separator is the as-shown layout's: the layout of today has none to choose.
ConversionOptions OutputConversionOptions(const ProgramSettings& settings);

// ".csv" for the as-shown layout separated by commas, else ".txt".
QString TargetExtension(const ProgramSettings& settings);

// "as today", "as shown" or "as shown, comma-separated", for the log.
QString OutputLayoutName(const ProgramSettings& settings);

// The target of each sheet of a workbook whose whole-workbook target is
// `target`: "<name> - <sheet>.<ext>" beside it, a "/" or a control character
// of the sheet's name written as "_". Two sheets that would share a name get
// distinct ones: the later one's name is followed by "_" and its number.
QStringList SheetTargetNames(const QString& target, const std::vector<SheetInfo>& sheets);

}  // namespace tabulox
