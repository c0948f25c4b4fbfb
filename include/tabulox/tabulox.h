// Tabulox: the text of spreadsheet workbooks (.xls and .xlsx). This header is
// all a program needs to convert workbooks.
//
//   tabulox::Engine engine;  // once, after the program has set its locale
//   tabulox::OutputBlock text;
//   const tabulox::ResultCode rc =
//       engine.ConvertFile("book.xlsx", tabulox::WorkbookType::kXlsx, 65001, text);
//   if (rc >= 0) fwrite(text.data(), 1, rc, out);
//
// By default every worksheet becomes a heading line, then one line per row
// with its cells separated by tabs; lines end with CR LF. ConversionOptions
// choose the as-shown or CSV layout (each cell as a spreadsheet application
// shows it), the sheets written, hidden content left out and the password of
// an encrypted workbook; ListSheets gives a workbook's sheets. A workbook
// encrypted with the default password of write-protected workbooks converts
// without one. Code pages are Windows code-page
// identifiers: 65001 writes UTF-8 and 1200 UTF-16LE, each with its byte-order
// mark; 0 writes the locale's character set (UTF-8 without a mark in a UTF-8
// or the C locale); others (1252, 932, ...) go through the C library's
// converters, a character the page cannot hold written as "?".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tabulox/result_codes.h"

namespace tabulox {

// The type a workbook's name gives it. What the file holds picks the reader
// when it is a workbook of another type: a compound file with a workbook
// stream or a bare BIFF2-5 stream is read as kXls, a ZIP archive with
// "xl/workbook.xml" as kXlsx (with "xl/workbook.bin" as kXlsb), and a compound
// file holding an encrypted package is decrypted and read as the package it
// holds; other content is read as the type says.
enum class WorkbookType {
  kXls,   // BIFF2 to BIFF8: a compound file's workbook stream, or a bare stream
  kXlsx,  // Office Open XML in a ZIP archive
  kXlsb,  // Office Open XML package whose parts are binary record streams
  kOds,   // OpenDocument spreadsheet: a ZIP package or a flat XML document
};

// How the cells of a workbook are written.
enum class Layout {
  // A heading line per worksheet, one line per row, cells separated by TABs,
  // numbers through their formats as the .xls reader writes them and .xlsx
  // values as stored.
  kDefault,
  // What a spreadsheet application shows, the same for every workbook type:
  // numbers, dates, booleans and errors as shown; line k of a sheet is its row
  // k and every line has as many fields as the sheet's widest row; a field
  // holding the separator, a double quote, CR or LF is quoted and its double
  // quotes doubled. When more than one sheet is written, each begins with a
  // line holding its name and ends with an empty line.
  kAsShown,
  // kAsShown separated by commas, without headings; sheets that write nothing
  // are left out, and more than one sheet with text is kSeveralSheets.
  kCsv,
};

// A sheet asked for by its number (from 1, in workbook order, hidden sheets
// counted) when `number` is above 0, else by its name.
struct SheetChoice {
  std::string name;  // UTF-8
  int number = 0;
};

struct ConversionOptions {
  Layout layout = Layout::kDefault;
  // The field separator of kAsShown and kCsv; 0 for the layout's own (TAB,
  // comma for kCsv).
  char separator = 0;
  // The sheets written, in this order (each once); empty for every sheet in
  // workbook order. A choice that matches no sheet is kSheetNotFound.
  std::vector<SheetChoice> sheets;
  // Hidden content left out: hidden and very hidden sheets (a sheet chosen in
  // `sheets` is written all the same), hidden rows, hidden columns. The rows
  // and columns that stay close up over the ones left out.
  bool skipHiddenSheets = false;
  bool skipHiddenRows = false;
  bool skipHiddenColumns = false;
  // The password of an encrypted workbook (UTF-8), tried after the default
  // password that spreadsheet applications open write-protected workbooks
  // with; none, or one that does not open it either, is kSourceEncrypted. An
  // empty password is a password like any other.
  std::optional<std::string> password;
};

// Why the last call that returned kSourceEncrypted did not open its workbook.
enum class EncryptionFailure {
  // Neither the default password nor ConversionOptions::password opened it.
  kPassword,
  // It is encrypted by a method, cipher or hash the engine does not read.
  kMethod,
};

// One worksheet of a workbook, as ListSheets gives it.
struct SheetInfo {
  std::string name;     // UTF-8
  bool hidden = false;  // hidden or very hidden
  int number = 0;       // from 1, in workbook order
};

// The state a program's conversions share: the .xlsx reader, XML document and
// string table that are kept from one conversion to the next. The regional
// settings numbers and dates are written with are the process's: every engine
// of a process shares them, and the last one created sets them. Create one per
// program and convert one workbook at a time, from one thread.
class Engine {
 public:
  // Takes the regional settings (separators, day and month names, date and
  // time patterns) from the process locale's LC_NUMERIC and LC_TIME, so create
  // the engine after the program has set its locale; what the locale does not
  // give, and everything in the C locale, keeps its default.
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Converts the workbook at `path` (as the operating system takes it) into
  // `block`. Returns the byte count of the text, or kSourceMissing,
  // kSourceOpenFailed, kFormatNotCorrect, kSourceEncrypted or
  // kTextNotConvertible; never raises.
  ResultCode ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                         OutputBlock& block);

  // The same for the bytes of a workbook file already in memory.
  ResultCode ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                           std::int32_t codePage, OutputBlock& block);

  // The same with a layout, chosen sheets, hidden content left out and a
  // password. Also kSheetNotFound (a chosen sheet is not in the workbook) and
  // kSeveralSheets (kCsv, more than one sheet with text). Default options give
  // the text of the calls above.
  ResultCode ConvertFile(const std::string& path, WorkbookType type, std::int32_t codePage,
                         const ConversionOptions& options, OutputBlock& block);
  ResultCode ConvertBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                           std::int32_t codePage, const ConversionOptions& options,
                           OutputBlock& block);

  // The worksheets of a workbook in workbook order, the sheets that the
  // conversions write and number; an encrypted workbook opens with the
  // default password only. Returns their count, or kSourceMissing,
  // kSourceOpenFailed, kFormatNotCorrect or kSourceEncrypted; `sheets` is
  // only changed on success.
  ResultCode ListSheets(const std::string& path, WorkbookType type,
                        std::vector<SheetInfo>& sheets);
  ResultCode ListSheetsInBuffer(std::span<const std::uint8_t> file, WorkbookType type,
                                std::vector<SheetInfo>& sheets);

  // The sheets a conversion with `options` writes, in the order it writes
  // them: the chosen ones, or every sheet but the hidden ones it leaves out;
  // an encrypted workbook is opened with the options' password. Also
  // kSheetNotFound.
  ResultCode ListSheets(const std::string& path, WorkbookType type,
                        const ConversionOptions& options, std::vector<SheetInfo>& sheets);

  // Why the last conversion or listing that returned kSourceEncrypted did
  // not open the workbook; kPassword before any did.
  EncryptionFailure LastEncryptionFailure() const;

  // Called now and then while a large .xlsx part is read, on the converting
  // thread, so that a program can show progress or notice a cancel; nullptr
  // for none.
  void SetProgressCallback(std::function<void()> progress);

  // The Windows code page of the locale's character set (LC_CTYPE), 0 when it
  // is UTF-8, the C locale's, or one without a Windows identifier.
  static std::int32_t LocaleCodePage();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A day serial (days since 1899-12-30, the time of day as the fraction) as a
// date-and-time cell is written: the regional short date, a blank and the
// long time, the date alone at midnight. Uses the regional settings the last
// Engine created took from the locale (the defaults before that).
std::string DateTimeText(double daySerial);

}  // namespace tabulox
