// Number-format codes rendered as spreadsheet applications show cells (in the
// en-US style, with separators and names from the regional settings), the
// same for every file format. The renderers of number_pattern.h and
// date_time_pattern.h keep the default layout's own rules; this one serves the
// as-shown layout.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "numfmt/built_in_formats.h"  // BuiltInFormatCode
#include "numfmt/date_time_pattern.h"
#include "numfmt/format_section.h"
#include "numfmt/general_format.h"  // AppendGeneralShown

namespace tabulox {

// A number-format code read once, rendering as spreadsheet applications show
// cells. Separators and names are read from CurrentRegionalSettings() when a
// value renders; "[$-F800]" and "[$-F400]" take the regional long date and
// time in force when the code is read.
class ShownFormat {
 public:
  // Any code; never raises. "" or "General" (any case) is General.
  explicit ShownFormat(std::string_view code);

  // Appends the number as shown. `system` is the workbook's date system.
  // Values a date section cannot show (negative, or beyond 9999-12-31) and
  // infinities and NaN are written in the General form.
  void AppendNumber(double value, DateSystem system, std::string& out) const;
  // Appends a text cell as shown: the text section (the 4th section, or a last
  // section holding "@") applied to the text ("@" is the text; literals around
  // it kept); codes without a text section give the text unchanged.
  void AppendText(std::string_view text, std::string& out) const;
  bool IsGeneral() const { return general_; }

 private:
  struct Choice {
    const FormatSection* section = nullptr;
    bool minus = false;  // the section does not write the sign of a negative value itself
  };
  Choice Choose(double value) const;
  Choice ChooseByCondition(double value) const;

  std::vector<FormatSection> sections_;  // the sections for numbers, at most three
  FormatSection textSection_;
  bool hasTextSection_ = false;
  bool conditional_ = false;
  bool general_ = false;
};

}  // namespace tabulox
