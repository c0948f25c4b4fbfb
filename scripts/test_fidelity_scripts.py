#!/usr/bin/python3
"""Tests of the fidelity scripts' own logic, without LibreOffice or tbulxcmd
(a stand-in soffice plays LibreOffice's part in the cache tests):

    /usr/bin/python3 scripts/test_fidelity_scripts.py
"""

import collections
import datetime
import os
import stat
import sys
import tempfile
import textwrap
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import format_parity  # noqa: E402
import lo_export  # noqa: E402
import shown_cells  # noqa: E402
import shown_check  # noqa: E402

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
