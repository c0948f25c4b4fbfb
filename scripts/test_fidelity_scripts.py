#!/usr/bin/python3
"""Tests of the fidelity scripts' own logic, without LibreOffice or tbulxcmd
(a stand-in soffice plays LibreOffice's part in the cache tests):

    /usr/bin/python3 scripts/test_fidelity_scripts.py
"""

import collections
import datetime
import os
import stat
import struct
import sys
import tempfile
import textwrap
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import format_parity  # noqa: E402
import lo_export  # noqa: E402
import ods_cells  # noqa: E402
import regional_locale  # noqa: E402
import shown_cells  # noqa: E402
import shown_check  # noqa: E402
import xlsb_cells  # noqa: E402

# Writes <base>-<sheet>.csv for each sheet name listed in an input file (one a
# line) and says so as soffice does, or <base>.xls / <base>.xlsx when asked to
# save in that format; an input holding "none" gives nothing, one holding
# "hang" does not end.
FAKE_SOFFICE = textwrap.dedent("""\
    #!/usr/bin/python3
    import os, sys, time
    args = sys.argv[1:]
    out, kind = args[args.index("--outdir") + 1], args[args.index("--convert-to") + 1]
    for path in [a for a in args if os.path.isfile(a)]:
        sheets = open(path).read().split()
        if sheets == ["hang"]:
            time.sleep(60)
        if sheets == ["none"]:
            continue
        base = os.path.splitext(os.path.basename(path))[0]
        if kind in ("xls", "xlsx"):
            open(os.path.join(out, f"{base}.{kind}"), "w").close()
            continue
        for sheet in sheets:
            target = os.path.join(out, f"{base}-{sheet}.csv")
            with open(target, "w") as f:
                f.write(f"{sheet}\\t1\\n")
            print(f"Writing sheet {sheet} -> {target}", flush=True)
    """)


class GridTest(unittest.TestCase):
    def test_quoted_fields_marks_and_line_ends(self):
        text = '\ufeffa\t"b\tc"\r\n\r\n"say ""hi"""\t"x\ny"\nlast'
        self.assertEqual(lo_export.parse_grid(text, "\t"),
                         [["a", "b\tc"], [], ['say "hi"', "x\ny"], ["last"]])

    def test_commas(self):
        self.assertEqual(lo_export.parse_grid('1,"2,5",\r\n', ","), [["1", "2,5", ""]])

    def test_sheet_order_from_soffice_lines(self):
        log = ("convert /in/x.xls using filter : Text\n"
               "Writing sheet B -> /out/x-B.csv\n"
               "Writing sheet a -> b -> /out/x-a -> b.csv\n"
               "Writing sheet C -> /elsewhere/x-C.csv\n"
               "Warning: something else\n")
        self.assertEqual(lo_export.sheet_order(log, "/out"),
                         {"/out/x-B.csv": (0, "B"), "/out/x-a -> b.csv": (1, "a -> b")})


class CacheTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)
        self.soffice = os.path.join(self.folder.name, "soffice")
        with open(self.soffice, "w") as f:
            f.write(FAKE_SOFFICE)
        os.chmod(self.soffice, stat.S_IRWXU)

    def workbook(self, name, content):
        path = os.path.join(self.folder.name, name)
        with open(path, "w") as f:
            f.write(content)
        return path

    def cache(self, **limits):
        log = open(os.devnull, "w")
        self.addCleanup(log.close)
        return lo_export.Cache(os.path.join(self.folder.name, "cache"), soffice=self.soffice, log=log, **limits)

    def test_sheets_in_written_order_with_their_names(self):
        cache = self.cache()
        path = self.workbook("a.xls", "Zeta\nAlpha\nMid")
        cache.fill("shown", [path])
        self.assertEqual(cache.status("shown", path), "ok")
        self.assertEqual(cache.sheets(path), [("Zeta", [["Zeta", "1"]]), ("Alpha", [["Alpha", "1"]]),
                                              ("Mid", [["Mid", "1"]])])

    def test_a_file_without_output_does_not_stop_its_batch(self):
        cache = self.cache(batch=3)
        good, bad, other = (self.workbook("g.xls", "S"), self.workbook("b.xls", "none"),
                            self.workbook("o.xlsx", "T"))
        cache.fill("shown", [good, bad, other])
        self.assertEqual([cache.status("shown", p) for p in (good, bad, other)], ["ok", "no output", "ok"])
        self.assertEqual(cache.sheets(bad), None)
        self.assertEqual(cache.sheets(other), [("T", [["T", "1"]])])

    def test_a_hanging_file_times_out_alone(self):
        cache = self.cache(batch=2, timeout=3, single_timeout=3)
        hang, good = self.workbook("h.xls", "hang"), self.workbook("g.xls", "S")
        cache.fill("shown", [hang, good])
        self.assertEqual(cache.status("shown", hang), "timeout after 3 s")
        self.assertEqual(cache.status("shown", good), "ok")

    def test_same_content_converted_once_and_complete_entries_kept(self):
        cache = self.cache()
        first, copy = self.workbook("1.xls", "S"), self.workbook("2.xls", "S")
        cache.fill("shown", [first, copy])
        self.assertEqual(cache.entry("shown", first), cache.entry("shown", copy))
        os.remove(self.soffice)  # a second fill must not need soffice
        cache.fill("shown", [first, copy])
        self.assertEqual(cache.status("shown", copy), "ok")

    def test_saved_workbooks(self):
        cache = self.cache()
        path = self.workbook("a.xls", "S")
        cache.fill("xlsx", [path])
        self.assertEqual(cache.status("xlsx", path), "ok")
        self.assertTrue(cache.saved("xlsx", path).endswith("book.xlsx"))
        self.assertIsNone(cache.saved("xls", path))


class CompareTest(unittest.TestCase):
    def test_cells_in_place(self):
        theirs = [["a", "b"], [], ["x"]]
        ours = [["a", "c", "d"], ["e"]]
        self.assertEqual(list(shown_check.cell_outcomes(theirs, ours)),
                         [(0, 0, "a", "a", "same"), (0, 1, "b", "c", "differ"), (0, 2, "", "d", "extra"),
                          (1, 0, "", "e", "extra"), (2, 0, "x", "", "missing")])

    def test_sheets_matched_by_name_then_by_place(self):
        problems = collections.defaultdict(list)
        theirs = [("A", []), ("Chart1", []), ("B/C", [])]
        self.assertEqual(shown_check.sheet_counterparts(theirs, [(1, "A"), (2, "B_C")], "f", problems), [1, None, 2])
        self.assertEqual(list(problems), ["sheet not among ours", "sheet number"])
        problems.clear()
        self.assertEqual(shown_check.sheet_counterparts([("Sheet1", [])], [(1, "book")], "f", problems), [1])
        self.assertEqual(problems["sheet name"], ["f: sheet 1 is 'Sheet1' in LibreOffice, 'book' in ours"])
        problems.clear()
        self.assertEqual(shown_check.sheet_counterparts([("X", []), ("Y", [])], [], "f", problems), [None, None])

    def test_column_names(self):
        self.assertEqual([shown_check.column_name(c) for c in (0, 25, 26, 701, 702, 16383)],
                         ["A", "Z", "AA", "ZZ", "AAA", "XFD"])

    def test_how_texts_differ(self):
        cases = {("a ", "a"): "edge blanks", ("a\nb", "a\r\nb"): "line breaks", ("True", "TRUE"): "letter case",
                 ("1,234", "1234"): "grouping", ("1E+020", "1E+20"): "scientific form", ("0.33", "0.3"): "digits",
                 ("1/1/2024", "01/01/24"): "date/time form", ("TRUE", "1"): "boolean shown as number",
                 ("abc", "abd"): "other"}
        for (their, our), expected in cases.items():
            self.assertEqual(shown_check.how_texts_differ(their, our), expected, (their, our))

    def test_export_day_is_its_own_class(self):
        today = shown_check.day_texts(datetime.date(2026, 12, 10))
        self.assertIn("recalculated", shown_check.difference_class("differ", "date/time", "2026/12/10", "x", today))
        self.assertIn("recalculated", shown_check.difference_class("missing", "text", "on 12/10/2026", "", today))
        self.assertEqual(shown_check.difference_class("extra", "text", "", "2026/12/10", today), "extra: text")
        self.assertEqual(shown_check.difference_class("differ", "number General", "0.3", "0.33", today),
                         "differ: number General: digits")


class StoredValueTest(unittest.TestCase):
    def test_texts_that_are_not_the_stored_value(self):
        other = shown_check.shows_other_value
        self.assertTrue(other("error", "General", "#REF!", "#N/A"))
        self.assertFalse(other("error", "0.00", "#REF!", "#REF!"))
        self.assertTrue(other("number General", "General", 398.0, "36923"))
        self.assertTrue(other("number General", "General", 1.0, "#VALUE!"))
        self.assertFalse(other("number General", "General", 656.77947612865546, "656.779476128656"))
        self.assertFalse(other("number General", "General", 1e-05, "0.00001"))
        self.assertTrue(other("text", "General", "aa", "0"))
        self.assertFalse(other("text", "General", "  a  ", "a"))
        self.assertFalse(other("text", "0.00;0.00;0.00;\"x\"@", "a", "xa"))  # a text section applies
        self.assertFalse(other("number formatted", "0.00", 1.0, "1.00"))
        self.assertFalse(other("error", "General", "#N/A", ""))
        self.assertIn("another value",
                      shown_check.difference_class("differ", "error", "#N/A", "#REF!", recalculated=True))


class LibreOfficeRuleTest(unittest.TestCase):
    def rule(self, *args, **named):
        return shown_check.libreoffice_rule(*args, **named)

    def test_the_1900_count_below_61_and_below_0(self):
        self.assertIn("1899-12-30", self.rule("differ", "date/time", "mm-dd-yy", 1, "12/31/1899", "1/1/1900"))
        self.assertIn("1899-12-30", self.rule("differ", "date/time", "mm-dd-yy", -1.5, "12/28/1899", "-1.5"))
        self.assertIsNone(self.rule("differ", "date/time", "mm-dd-yy", 100, "4/8/1900", "4/9/1900"))
        self.assertIsNone(self.rule("differ", "date/time", "mm-dd-yy", 30, "1/30/1904", "1/31/1904", date_1904=True))
        # On the calendar (.ods) LibreOffice's count is the workbook's own.
        self.assertIsNone(self.rule("differ", "date/time", "date", 1, "12/31/1899", "1/1/1900", on_calendar=True))

    def test_seconds_cut(self):
        late = 12345.6789  # 16:17:36.96
        self.assertIn("seconds", self.rule("differ", "date/time", "h:mm:ss", late, "16:17:36", "16:17:37"))
        self.assertIn("seconds", self.rule("differ", "date/time", "time", late, "16:17:36", "16:17:37"))
        self.assertIsNone(self.rule("differ", "date/time", "h:mm:ss", 12345.5, "12:00:00", "12:00:01"))
        self.assertIsNone(self.rule("differ", "date/time", '"h"yyyy', late, "h1933", "h1934"))
        self.assertIsNone(self.rule("differ", "date/time", "date", late, "10/18/1933", "10/19/1933"))

    def test_numbers_booleans_and_cells(self):
        self.assertIn("1 or 0", self.rule("differ", "boolean", "General", 1, "1", "TRUE"))
        self.assertIsNone(self.rule("differ", "boolean", "General", 1, "1", "FALSE"))
        self.assertIn("three digits", self.rule("differ", "number General", "General", 2.9e23, "2.9E+023", "2.9E+23"))
        self.assertIn("16 digits", self.rule("differ", "number General", "General", 656.77947612865546,
                                             "656.779476128656", "656.779476128655"))
        self.assertIsNone(self.rule("differ", "number General", "General", 0.5, "0.4", "0.5"))
        self.assertIn("blank", self.rule("differ", "number formatted", "currency", 1, "$1.00 ", " $1.00 "))
        self.assertIn("language", self.rule("differ", "number formatted", "currency", 1234.5, "1.234,50", "1,234.50"))
        self.assertIsNone(self.rule("differ", "number formatted", "0.00", 1234.5, "1.234,50", "1,234.50"))
        self.assertIn("pivot", self.rule("missing", "empty in reader", "", None, "Total", ""))
        self.assertIn("pivot", self.rule("extra", "text", "General", "fizz", "", "fizz"))
        self.assertIsNone(self.rule("extra", "text", "General", "fizz", "", "buzz"))
        self.assertIn("merged", self.rule("missing", "covered by a merged range", "", 40.0, "40", ""))
        self.assertIn("LibreOffice's rule", shown_check.difference_class("differ", "boolean", "1", "TRUE",
                                                                         rule="a boolean shown as 1 or 0"))

    def test_recalculated_numbers_and_errors(self):
        recalculated = shown_check.shows_recalculated_number
        self.assertTrue(recalculated("number General", 0.21273995970273565, "0.212739959239853", "0.212739959702736"))
        self.assertFalse(recalculated("number General", 0.21273995970273565, "0.212739959702736", "0.2127"))
        self.assertFalse(recalculated("number General", 656.77947612865546, "656.779476128656", "656.779476128655"))
        self.assertTrue(shown_check.shows_other_value("boolean", "General", 1, "#VALUE!"))
        self.assertFalse(shown_check.shows_other_value("boolean", "General", 1, "1"))
        self.assertTrue(shown_check.shows_other_value("boolean", "General", 1, "0"))


class RegionalLocaleTest(unittest.TestCase):
    def test_short_date_replaced_once(self):
        source = 'LC_TIME\nd_fmt   "%m//%d//%Y"\nt_fmt   "%r"\nEND LC_TIME\n'
        self.assertEqual(regional_locale.with_libreoffice_short_date(source),
                         'LC_TIME\nd_fmt   "%-m//%-d//%Y"\nt_fmt   "%r"\nEND LC_TIME\n')
        self.assertIsNone(regional_locale.with_libreoffice_short_date("LC_TIME\nEND LC_TIME\n"))


FLAT_DOCUMENT = """<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0">
<office:automatic-styles>
<number:date-style style:name="N1"><number:month/><number:text>/</number:text><number:day/></number:date-style>
<number:time-style style:name="N2"><number:hours/><number:text>:</number:text><number:minutes/></number:time-style>
<number:currency-style style:name="N3P0"><number:currency-symbol>$</number:currency-symbol>
<number:number number:decimal-places="2"/></number:currency-style>
<number:text-style style:name="N3"><number:text-content/><style:map style:condition="value()&gt;=0"
 style:apply-style-name="N3P0"/></number:text-style>
<number:number-style style:name="N4"><number:number number:min-integer-digits="1"/></number:number-style>
<style:style style:name="date" style:family="table-cell" style:data-style-name="N1"/>
<style:style style:name="inherits" style:family="table-cell" style:parent-style-name="date"/>
<style:style style:name="time" style:family="table-cell" style:data-style-name="N2"/>
<style:style style:name="money" style:family="table-cell" style:data-style-name="N3"/>
<style:style style:name="general" style:family="table-cell" style:data-style-name="N4"/>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="Other"/>
<table:table table:name="Data">
<table:table-header-rows><table:table-row>
<table:table-cell office:value-type="string"><text:p>a<text:s text:c="2"/>b</text:p><text:p>c</text:p></table:table-cell>
<table:table-cell office:value-type="float" office:value="-1.5" table:style-name="inherits"/>
<table:table-cell office:value-type="date" office:date-value="1900-01-01T12:00:00.5" table:style-name="time"/>
<table:table-cell office:value-type="currency" office:value="2" table:style-name="money"/>
<table:table-cell office:value-type="float" office:value="7" table:style-name="general" table:formula="of:=3+4"/>
</table:table-row></table:table-header-rows>
<table:table-row table:number-rows-repeated="2">
<table:table-cell office:value-type="boolean" office:boolean-value="true" table:number-columns-repeated="2"/>
<table:covered-table-cell office:value-type="float" office:value="40"/>
<table:table-cell office:value-type="string" calcext:value-type="error"><text:p>#N/A</text:p></table:table-cell>
</table:table-row>
<table:table-row table:number-rows-repeated="1048570"><table:table-cell table:number-columns-repeated="16384"/></table:table-row>
</table:table>
</office:spreadsheet></office:body></office:document>
"""


class OdsCellsTest(unittest.TestCase):
    def test_cells_as_the_markup_holds_them(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "book.fods")
            with open(path, "w", encoding="utf-8") as out:
                out.write(FLAT_DOCUMENT)
            cells = shown_cells.open_cells(path)
            self.assertIsInstance(cells, ods_cells.OdsCells)
            self.assertTrue(cells.serials_on_calendar)
            sheet = cells.sheet(1, "Data")
            self.assertIs(sheet, cells.sheet(2, "renamed"))
            found = [(cells.cell(sheet, row, column), cells.value(sheet, row, column))
                     for row, column in ((0, 0), (0, 1), (0, 2), (0, 3), (0, 4), (1, 0), (2, 1), (2, 2), (2, 3),
                                         (3, 0))]
            self.assertEqual(found, [
                (("text", ""), "a  b\nc"), (("date/time", "date"), -1.5),
                (("date/time", "time"), 2.5 + 0.5 / 86400), (("number formatted", "currency"), 2.0),
                (("number General", "General"), 7.0), (("boolean", ""), 1), (("boolean", ""), 1),
                (("covered by a merged range", ""), 40.0), (("error", ""), "#N/A"), (("empty in reader", ""), None)])
            self.assertTrue(cells.is_formula(sheet, 0, 4))
            self.assertFalse(cells.is_formula(sheet, 0, 3))


class ShapeTest(unittest.TestCase):
    def test_kinds_by_shape(self):
        cases = {"TRUE": "boolean", "#DIV/0!": "error", "#N/A": "error", "12/31/2024": "date/time",
                 "13:45": "date/time", "1/1/2024 13:45": "date/time", "-1,234.50": "number", "1E+020": "number",
                 "$6.55": "number", "33%": "number", "#hash": "text", "abc": "text"}
        for text, expected in cases.items():
            self.assertEqual(shown_cells.shape_kind(text), expected, text)

    def test_workbook_signatures(self):
        with tempfile.TemporaryDirectory() as folder:
            def kind(content):
                path = os.path.join(folder, "f")
                with open(path, "wb") as f:
                    f.write(content)
                return shown_cells.is_workbook_file(path)

            self.assertTrue(kind(shown_cells.OLE_SIGNATURE + b"\0" * 8))
            self.assertTrue(kind(b"PK\x03\x04rest"))
            self.assertTrue(kind(b"\x09\x08\x10\x00"))  # BIFF8 BOF
            self.assertTrue(kind(b"\x09\x00\x04\x00"))  # BIFF2 BOF
            self.assertFalse(kind(b"BM\x36\x00"))
            self.assertFalse(kind(b"a,b\n"))
            self.assertFalse(kind(b""))


def xlsb_record(kind, payload=b""):
    """A binary workbook record: type and size in 7-bit groups, then the payload."""
    def groups(value):
        out = bytearray()
        while True:
            out.append((value & 0x7F) | (0x80 if value > 0x7F else 0))
            value >>= 7
            if not value:
                return bytes(out)
    return groups(kind) + groups(len(payload)) + payload


def wide(text):
    return struct.pack("<I", len(text)) + text.encode("utf-16-le")


def write_xlsb(path):
    """A workbook of one sheet "Data" whose first row holds every cell kind
    the reader tells apart, and whose second row starts with short cells."""
    import zipfile

    cell = lambda column, style: struct.pack("<II", column, style)  # noqa: E731
    sheet = b"".join([
        xlsb_record(0, struct.pack("<I", 0) + b"\0" * 13),
        xlsb_record(7, cell(0, 0) + struct.pack("<I", 1)),                     # A1 shared string
        xlsb_record(2, cell(1, 1) + struct.pack("<I", (4 << 2) | 2)),          # B1 RK 4, a date
        xlsb_record(5, cell(2, 2) + struct.pack("<d", 1.5)),                   # C1 0.00
        xlsb_record(10, cell(3, 0) + b"\1" + b"\0\0"),                        # D1 formula TRUE
        xlsb_record(11, cell(4, 0) + b"\x2a" + b"\0\0"),                      # E1 formula #N/A
        xlsb_record(62, cell(5, 0) + b"\1" + wide("rich") + b"\0" * 4),       # F1 rich string
        xlsb_record(8, cell(6, 0) + wide("made") + b"\0\0"),                   # G1 formula text
        xlsb_record(0, struct.pack("<I", 1) + b"\0" * 13),
        xlsb_record(13, struct.pack("<II", 0, (-1234 << 2 & 0xFFFFFFFF) | 3)),  # A2 -12.34
        xlsb_record(12, struct.pack("<I", 0)),                                  # B2 blank
        xlsb_record(17, struct.pack("<I", 0) + wide("short")),                  # C2
    ])
    styles = b"".join([xlsb_record(44, struct.pack("<H", 164) + wide("0.00")), xlsb_record(617)]
                      + [xlsb_record(47, struct.pack("<HH", 0, number_format) + b"\0" * 12)
                         for number_format in (0, 14, 164)] + [xlsb_record(618)])
    relationships = ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                     '<Relationship Id="rId1" Target="worksheets/sheet1.bin" Type="x"/></Relationships>')
    with zipfile.ZipFile(path, "w") as book:
        book.writestr("xl/_rels/workbook.bin.rels", relationships)
        book.writestr("xl/workbook.bin", xlsb_record(153, struct.pack("<I", 1))
                      + xlsb_record(156, struct.pack("<II", 0, 1) + wide("rId1") + wide("Data")))
        book.writestr("xl/sharedStrings.bin", xlsb_record(19, b"\0" + wide("first"))
                      + xlsb_record(19, b"\0" + wide("second")))
        book.writestr("xl/styles.bin", styles)
        book.writestr("xl/worksheets/sheet1.bin", sheet)


class XlsbCellsTest(unittest.TestCase):
    def test_cells_as_their_records_hold_them(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "book.xlsb")
            write_xlsb(path)
            cells = shown_cells.open_cells(path)
            self.assertIsInstance(cells, xlsb_cells.XlsbCells)
            self.assertTrue(cells.date_1904)
            sheet = cells.sheet(1, "Data")
            self.assertEqual(sheet, cells.sheet(1, "renamed"))
            found = [(cells.cell(sheet, row, column)[0], cells.value(sheet, row, column))
                     for row, column in ((0, 0), (0, 1), (0, 2), (0, 3), (0, 4), (0, 5), (0, 6),
                                         (1, 0), (1, 1), (1, 2), (5, 5))]
            self.assertEqual(found, [
                ("text", "second"), ("date/time", 4.0), ("number formatted", 1.5), ("boolean", 1),
                ("error", "#N/A"), ("text", "rich"), ("text", "made"), ("number General", -12.34),
                ("empty in reader", None), ("text", "short"), ("empty in reader", None)])
            self.assertEqual(cells.cell(sheet, 0, 2)[1], "0.00")


class ParityTest(unittest.TestCase):
    def test_first_difference_ignores_marks_and_crs(self):
        self.assertIsNone(format_parity.first_difference("\ufeffa\tb\r\nc", "a\tb\nc"))
        self.assertEqual(format_parity.first_difference("a\r\nb\r\n", "a\r\nc\r\n"), (2, "b", "c"))
        self.assertEqual(format_parity.first_difference("a", "a\nb"), (2, None, "b"))

    def test_reasons(self):
        self.assertEqual(format_parity.reason("x\t1", "x\tTRUE", "x\tTRUE"), "boolean saved as a number in .xls")
        self.assertEqual(format_parity.reason("#N/A", "#DIV/0!", "#DIV/0!"), "error saved as #N/A in .xls")
        self.assertEqual(format_parity.reason("a\t0", "a\tbb", "a\tbb"), "text result of a formula saved as 0 in .xls")
        self.assertEqual(format_parity.reason("a\t0.00", "a\t2016-04-28 11:30", ""),
                         "text result of a formula saved as 0 in .xls")
        self.assertEqual(format_parity.reason("a\t0", "a\t1", "a\t1"), "cell shown differently: digits")
        self.assertEqual(format_parity.reason("656.779476128655", "656.779476128656", ""),
                         "number held to 15 digits in .xlsx")
        self.assertEqual(format_parity.reason("0.368159203980099", "0.3681592039801", ""),
                         "number held to 15 digits in .xlsx")
        self.assertEqual(format_parity.reason("a\t", "a\tb", "a\tb"), "cell only in .xlsx")
        self.assertEqual(format_parity.reason(None, "b", "a\nb"), "line count")
        self.assertEqual(format_parity.reason("1/1/2024", "01/01/24", "01/01/24"),
                         "cell shown differently: date/time form")
        self.assertEqual(format_parity.reason("a", "b", "\t" * 256), "beyond what .xls holds")

    def test_heading_lines(self):
        lines = ["First", "a", "", "Second", "b"]
        self.assertEqual([format_parity.is_heading(lines, n) for n in range(1, 6)],
                         [True, False, False, True, False])


if __name__ == "__main__":
    unittest.main()
