// Writes the example workbook shipped in examples/: three worksheets (one of
// them hidden), a chart sheet that the text leaves out, shared strings,
// numbers in several cell formats, blank cells and a formula.
//
//   write_example_workbook OUTPUT.xls
#include <cstdio>
#include <fstream>

#include "support/biff_writer.h"
#include "support/cfb_writer.h"

using namespace tabulox::testing;

namespace {

std::vector<std::uint8_t> ExampleWorkbookStream() {
  BiffWriter w;
  w.Bof(kBofGlobals);
  w.DateMode(0);
  w.Format(164, u"#,##0.00 \"EUR\"");
  w.Format(165, u"yyyy-mm-dd");
  // XF 0..3: General, the two formats above, built-in percent (10).
  w.XF(0);
  w.XF(164);
  w.XF(165);
  w.XF(10);
  const auto sales = w.BoundSheet(u"Sales");
  const auto chart = w.BoundSheet(u"Chart", /*sheetType=*/2);
  const auto stock = w.BoundSheet(u"Stock");
  const auto notes = w.BoundSheet(u"Notes", /*sheetType=*/0, /*visibility=*/1);
  w.Sst({u"Region", u"Revenue", u"Share", u"Closed", u"North", u"South", u"Item", u"Count",
         u"Bolts", u"Nuts", u"Hidden sheets are converted too.", u"Caf\u00e9 \u65e5\u672c"});
  w.Eof();

  w.StartSheet(sales);
  w.LabelSst(0, 0, 0, 0);
  w.LabelSst(0, 1, 0, 1);
  w.LabelSst(0, 2, 0, 2);
  w.LabelSst(0, 3, 0, 3);
  w.LabelSst(1, 0, 0, 4);
  w.Number(1, 1, 1, 1234567.891);
  w.Number(1, 2, 3, 0.625);
  w.Number(1, 3, 2, 45292);
  w.LabelSst(2, 0, 0, 5);
  w.Number(2, 1, 1, 98765.4);
  w.Number(2, 2, 3, 0.375);
  w.Number(2, 3, 2, 45323.5);
  w.FormulaNumber(3, 1, 1333332.291);
  w.Eof();

  w.StartSheet(chart);
  w.Eof();

  w.StartSheet(stock);
  w.LabelSst(0, 0, 0, 6);
  w.LabelSst(0, 1, 0, 7);
  w.LabelSst(1, 0, 0, 8);
  w.RK(1, 1, 0, (250u << 2) | 2u);
  w.LabelSst(2, 0, 0, 9);
  w.MulRK(2, 1, {{0, (1200u << 2) | 2u}, {0, (5u << 2) | 2u}});
  w.MulBlank(3, 0, {0, 0, 0});
  w.LabelSst(4, 2, 0, 11);
  w.Eof();

  w.StartSheet(notes);
  w.LabelSst(0, 0, 0, 10);
  w.Eof();
  return {w.bytes().begin(), w.bytes().end()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.xls\n", argv[0]);
    return 2;
  }
  const auto file = WriteCompoundFile({{u"Workbook", ExampleWorkbookStream()}});
  std::ofstream out(argv[1], std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  return out ? 0 : 1;
}
