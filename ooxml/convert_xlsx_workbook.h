// The .xlsx entry point.
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
struct XlsxReadingState;

// Converts .xlsx workbooks through a ZIP reader it is given (which keeps the
// member list of the archive read last while the file is unchanged, so the
// archive a caller opened to look at its members is not read again). It keeps
// its XML document and its shared-string table from one conversion to the
// next, so a program keeps one converter and converts one workbook at a time,
// from one thread. Never raises: every outcome is a result code (see
// result_code.h).
class XlsxConverter {
 public:
  explicit XlsxConverter(ZipArchive& archive);
  ~XlsxConverter();
  XlsxConverter(const XlsxConverter&) = delete;
  XlsxConverter& operator=(const XlsxConverter&) = delete;

  // Converts the workbook at `sourcePath`: the text of every worksheet, each
  // headed by its heading line (see docs/architecture.md for which parts and
  // headings), with CR LF line breaks, encoded for the code page and copied
  // into `block`. Returns the byte count, or kSourceMissing (no file),
  // kSourceOpenFailed (the archive cannot be read), kFormatNotCorrect (no
  // members, no worksheet part, any error while reading, a text beyond
  // 2^31 - 1 bytes) or kTextNotConvertible. After a failure `block` is
  // unchanged.
  //
  // `options` choose the layout (the as-shown layouts: cells through the
  // styles part's number formats, laid out by a GridWriter, each sheet named
  // as the workbook names it), the sheets (numbers count the worksheets in
  // the order the default layout writes them; kSheetNotFound) and the hidden
  // sheets, rows and columns left out; kCsv with more than one sheet with text
  // is kSeveralSheets. Default options give the text described above.
  ResultCode Convert(const std::string& sourcePath, OutputBlock& block, std::int32_t codePage,
                     const ConversionOptions& options = {});

  // The same for a workbook file already in memory.
  ResultCode ConvertBuffer(std::span<const std::uint8_t> file, OutputBlock& block,
                           std::int32_t codePage, const ConversionOptions& options = {});

  // The worksheets (name from the workbook's sheets list in UTF-8, "SheetN"
  // for a part "xl/worksheets/sheetN.xml" it does not name; hidden for the
  // states "hidden" and "veryHidden") in the order the conversions write and
  // number them. Returns their count, or kSourceMissing, kSourceOpenFailed
  // or kFormatNotCorrect (no members, no worksheet); `sheets` is only changed
  // on success. Never raises.
  ResultCode ListSheets(const std::string& sourcePath, std::vector<SheetInfo>& sheets);
  ResultCode ListSheetsInBuffer(std::span<const std::uint8_t> file, std::vector<SheetInfo>& sheets);

 private:
  std::unique_ptr<XlsxReadingState> state_;
};

}  // namespace tabulox
