// Tabulox: the text of spreadsheet workbooks (.xls and .xlsx). This header is
// all a program needs to convert workbooks.
//
//   tabulox::Engine engine;  // once, after the program has set its locale
//   tabulox::OutputBlock text;
//   const tabulox::ResultCode rc =
//       engine.ConvertFile("book.xlsx", tabulox::WorkbookType::kXlsx, 65001, text);
//   if (rc >= 0) fwrite(text.data(), 1, rc, out);
//
// Every worksheet becomes a heading line, then one line per row with its cells
// separated by tabs; lines end with CR LF. Code pages are Windows code-page
// identifiers: 65001 writes UTF-8 and 1200 UTF-16LE, each with its byte-order
// mark; 0 writes the locale's character set (UTF-8 without a mark in a UTF-8
// or the C locale); others (1252, 932, ...) go through the C library's
// converters, a character the page cannot hold written as "?".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "tabulox/result_codes.h"

namespace tabulox {

enum class WorkbookType {
  kXls,   // BIFF8 in a compound file
  kXlsx,  // Office Open XML in a ZIP archive
};

// The state a program's conversions share: the regional settings numbers and
// dates are written with, and the .xlsx reader, XML document and string table
// that are kept from one conversion to the next. Create one per program and
// convert one workbook at a time, from one thread.
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
