#!/usr/bin/python3
"""Whether the as-shown layout is the same for .xls and .xlsx (or .xlsx and .ods).

LibreOffice saves every workbook of the corpus both as .xls and as .xlsx (kept
in --cache by the workbook's sha256; lo_export.py); tbulxcmd converts both
with -c65001 --as-shown, and the two texts should be byte for byte the same.
Prints the share of identical pairs per group of sources, then for each other
pair the first line that differs and, where it can tell, why: a cell shown
differently (by the way the texts differ), a status, or what LibreOffice's
.xls cannot hold (more than 65,536 rows or 256 columns, booleans, which it
saves as 1 and 0, errors, which it saves as #N/A, and text results of
formulas, which it saves as 0; its .xlsx keeps 15 significant digits of a
number).

With --ods, LibreOffice saves each workbook as .xlsx and as .ods instead, and
the pairs compared are those two (--folder limits the corpus folders).

A development tool, not part of the build or its tests; LibreOffice
(libreoffice-calc-nogui) is used for comparison only.

    /usr/bin/python3 scripts/format_parity.py --tbulxcmd build/release/cli/tbulxcmd
"""

import argparse
import collections
import os
import re
import sys

import lo_export
import shown_cells
import shown_check

XLS_ROWS, XLS_COLUMNS = 65536, 256
ZERO = re.compile(r"^\s*0([.,]0+)?\s*$")
ERRORS = ("#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A")


def lines_of(text):
    """The lines of a text, without the byte-order mark and the CR of CR LF."""
    if text.startswith("\ufeff"):
        text = text[1:]
    return [line[:-1] if line.endswith("\r") else line for line in text.split("\n")]


def first_difference(xls_text, xlsx_text):
    """(line number from 1, .xls line, .xlsx line) of the first line that differs."""
    xls_lines, xlsx_lines = lines_of(xls_text), lines_of(xlsx_text)
    for number in range(max(len(xls_lines), len(xlsx_lines))):
        a = xls_lines[number] if number < len(xls_lines) else None
        b = xlsx_lines[number] if number < len(xlsx_lines) else None
        if a != b:
            return number + 1, a, b
    return None


def is_heading(lines, number):
    """Whether line `number` (from 1) is where a sheet's heading may be: the
    first line, or one after an empty line."""
    return number == 1 or (number >= 2 and lines[number - 2] == "")


def cell_difference(xls_line, xlsx_line):
    """(column from 0, .xls cell, .xlsx cell) of the first cell of two lines that differs."""
    a, b = xls_line.split("\t"), xlsx_line.split("\t")
    for column in range(max(len(a), len(b))):
        left = a[column] if column < len(a) else ""
        right = b[column] if column < len(b) else ""
        if left != right:
            return column, left, right
    return None


def close_numbers(left, right):
    """Whether two texts are numbers that differ only past the 13th digit, as
    when LibreOffice's .xlsx keeps 15 significant digits of a value."""
    try:
        a, b = float(left), float(right)
    except ValueError:
        return False
    return a != b and abs(a - b) <= 1e-13 * max(abs(a), abs(b))


def reason(xls_line, xlsx_line, xlsx_text):
    """Why a pair differs, as far as the first differing line tells."""
    lines = lines_of(xlsx_text)
    if len(lines) > XLS_ROWS or any(line.count("\t") >= XLS_COLUMNS for line in lines):
        return "beyond what .xls holds"
    if xls_line is None or xlsx_line is None:
        return "line count"
    difference = cell_difference(xls_line, xlsx_line)
    if difference is None:
        return "line ends"
    _, left, right = difference
    if (left, right) in (("1", "TRUE"), ("0", "FALSE")):
        return "boolean saved as a number in .xls"
    if left == "#N/A" and right in ERRORS:
        return "error saved as #N/A in .xls"
    if ZERO.match(left) and shown_cells.shape_kind(right) != "number":
        return "text result of a formula saved as 0 in .xls"
    if close_numbers(left, right):
        return "number held to 15 digits in .xlsx"
    if left == "" or right == "":
        return "cell only in " + (".xlsx" if left == "" else ".xls")
    return "cell shown differently: " + shown_check.how_texts_differ(left, right)


def shorten(line, width=160):
    if line is None:
        return "(no line)"
    return repr(line if len(line) <= width else line[:width] + "...")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tbulxcmd", default=os.path.join(here, "..", "build", "release", "cli", "tbulxcmd"))
    parser.add_argument("--corpus", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--cache", default=os.path.join(here, "..", "build", "fidelity-cache"))
    parser.add_argument("--soffice", default="soffice")
    parser.add_argument("--batch-timeout", type=int, default=300, help="seconds per soffice call")
    parser.add_argument("--ods", action="store_true", help="compare the .xlsx and .ods LibreOffice saves")
    parser.add_argument("--folder", action="append", choices=("xls", "xlsx", "xlsb", "ods", "fods"),
                        help="the corpus folders compared (repeatable; default: all)")
    args = parser.parse_args()
    first_kind, second_kind = ("xlsx", "ods") if args.ods else ("xls", "xlsx")

    workbooks = [(folder, path) for folder, path in lo_export.corpus_workbooks(args.corpus, args.folder)
                 if shown_cells.is_workbook_file(path)]
    if not workbooks:
        print(f"no corpus at {args.corpus}", file=sys.stderr)
        return 2
    cache = lo_export.Cache(args.cache, soffice=args.soffice, timeout=args.batch_timeout)
    for kind in (first_kind, second_kind):
        cache.fill(kind, [path for _, path in workbooks])

    groups = collections.OrderedDict()
    reasons = collections.Counter()
    pairs, unsaved = [], []
    for folder, path in workbooks:
        name = f"{folder}/{os.path.basename(path)}"
        saved_xls, saved_xlsx = cache.saved(first_kind, path), cache.saved(second_kind, path)
        if saved_xls is None or saved_xlsx is None:
            unsaved.append(f"{name}: .{first_kind} {cache.status(first_kind, path)}, "
                           f".{second_kind} {cache.status(second_kind, path)}")
            continue
        if folder == "xls":
            group = "xls" if shown_cells.xls_is_biff8(path, None) else "xls BIFF2-BIFF7"
        else:
            group = folder
        counts = groups.setdefault(group, collections.Counter())
        xls_status, xls_text = shown_check.run_ours(args.tbulxcmd, ["--as-shown"], saved_xls)
        xlsx_status, xlsx_text = shown_check.run_ours(args.tbulxcmd, ["--as-shown"], saved_xlsx)
        counts["pairs"] += 1
        if xls_status == xlsx_status == 0 and xls_text == xlsx_text:
            counts["identical"] += 1
            continue
        if xls_status != 0 or xlsx_status != 0:
            why, where = f"status {xls_status} (.{first_kind}) / {xlsx_status} (.{second_kind})", ""
        else:
            number, xls_line, xlsx_line = first_difference(xls_text, xlsx_text)
            why = reason(xls_line, xlsx_line, xlsx_text)
            names = {sheet for sheet, _ in cache.sheets(path) or []}
            if is_heading(lines_of(xls_text), number) and (xls_line in names or xlsx_line in names):
                why = "sheet heading"
            where = (f"\n      line {number}: .{first_kind:4} {shorten(xls_line)}"
                     f"\n      line {number}: .{second_kind:4} {shorten(xlsx_line)}")
        reasons[why] += 1
        pairs.append(f"{name}: {why}{where}")

    total = collections.Counter()
    for group, counts in groups.items():
        total.update(counts)
        print_share(group, counts)
    print_share("all", total)
    print("\nWhy pairs differ (by their first differing line):")
    for why, count in reasons.most_common():
        print(f"{count:5}  {why}")
    if pairs:
        print("\nPairs that differ:")
        for line in pairs:
            print(f"  {line}")
    if unsaved:
        print(f"\nLibreOffice cannot save as .{first_kind} or .{second_kind} ({len(unsaved)}):")
        for line in unsaved:
            print(f"  {line}")
    return 0


def print_share(group, counts):
    share = 100.0 * counts["identical"] / counts["pairs"] if counts["pairs"] else 100.0
    print(f"{group:15} {counts['identical']:4} of {counts['pairs']:4} pairs byte-identical ({share:.1f} %)")


if __name__ == "__main__":
    sys.exit(main())
