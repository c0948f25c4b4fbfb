// The .xlsb entry point.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/result_code.h"
#include "tabulox/tabulox.h"

namespace tabulox {

class ZipArchive;
struct XlsbReadingState;

// Converts binary workbooks: Office Open XML packages whose workbook,
// shared-strings, styles and worksheet parts are record streams. It reads
// through a ZIP archive the caller owns (and may share with other readers),
// one workbook at a time, from one thread. Never raises: every outcome is a
// result code (see result_code.h).
class XlsbConverter {
 public:
  explicit XlsbConverter(ZipArchive& reader);
  ~XlsbConverter();
  XlsbConverter(const XlsbConverter&) = delete;
  XlsbConverter& operator=(const XlsbConverter&) = delete;

  // Converts the workbook at `sourcePath`. The default layout writes each
  // worksheet as the same workbook saved as .xls is written: its name line,
  // its rows by the .xls rules, numbers through their formats, an empty
  // line. The as-shown layouts give every cell as the application shows it,
  // laid out by a GridWriter. Returns the byte count, or kSourceMissing,
  // kSourceOpenFailed (the archive cannot be read), kFormatNotCorrect (no
  // worksheet, a damaged part, a text beyond 2^31 - 1 bytes),
  // kSheetNotFound, kSeveralSheets or kTextNotConvertible. After a failure
  // `block` is unchanged. Sheet choice and hidden sheets, rows and columns
  // follow `options` as for .xlsx.
  ResultCode Convert(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                     const ConversionOptions& options = {});

  // The same for a workbook file already in memory.
  ResultCode ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                           std::int32_t codePage, const ConversionOptions& options = {});

  // The worksheets (names in UTF-8, hidden for the hidden and very hidden
  // states) in workbook order. Returns their count, or kSourceMissing,
  // kSourceOpenFailed or kFormatNotCorrect (no worksheet); `sheets` is only
  // changed on success.
  ResultCode ListSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets);
  ResultCode ListSheetsInBuffer(std::span<const std::uint8_t> file, std::vector<SheetInfo>& sheets);

 private:
  ZipArchive& reader_;
  std::unique_ptr<XlsbReadingState> state_;
};

}  // namespace tabulox
