// The OpenDocument spreadsheet entry point: packages (.ods, .ots) and flat
// documents (.fods).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/result_code.h"
#include "tabulox/tabulox.h"

namespace tabulox {

class ZipArchive;

// Converts OpenDocument spreadsheets: a ZIP package whose content.xml holds
// the tables, or a flat document whose root is office:document. A package is
// read through a ZIP archive the caller owns (and may share with other
// readers), one workbook at a time, from one thread. Never raises: every
// outcome is a result code (see result_code.h).
class OdsConverter {
 public:
  explicit OdsConverter(ZipArchive& reader);
  OdsConverter(const OdsConverter&) = delete;
  OdsConverter& operator=(const OdsConverter&) = delete;

  // Converts the workbook at `sourcePath`. The default layout writes each
  // table as the same workbook saved as .xls is written: its name line, its
  // rows by the .xls rules, numbers through the formats of their cell
  // styles, an empty line. The as-shown layouts give every cell as the
  // application shows it (its paragraphs), laid out by a GridWriter. Returns
  // the byte count, or kSourceMissing, kSourceOpenFailed, kFormatNotCorrect
  // (no table, a damaged document, a text beyond 2^31 - 1 bytes),
  // kSheetNotFound, kSeveralSheets or kTextNotConvertible. After a failure
  // `block` is unchanged. Sheet choice and hidden sheets, rows and columns
  // follow `options` as for .xlsx.
  ResultCode Convert(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                     const ConversionOptions& options = {});

  // The same for a workbook file already in memory.
  ResultCode ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                           std::int32_t codePage, const ConversionOptions& options = {});

  // The tables (names in UTF-8, hidden for table:display="false") in
  // document order. Returns their count, or kSourceMissing,
  // kSourceOpenFailed or kFormatNotCorrect (no table); `sheets` is only
  // changed on success.
  ResultCode ListSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets);
  ResultCode ListSheetsInBuffer(std::span<const std::uint8_t> file, std::vector<SheetInfo>& sheets);

 private:
  ZipArchive& reader_;
};

}  // namespace tabulox
