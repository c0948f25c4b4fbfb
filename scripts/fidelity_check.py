#!/usr/bin/python3
"""Compares the text cells of real workbooks with what tbulxcmd writes.

For every workbook under the corpus folder, an independent reader lists the
text cells (python3-xlrd for .xls, python3-openpyxl for .xlsx; development
tools only, not dependencies of the product or of its tests). Each text cell
is a (column, text) pair; the pairs of a file form a multiset that is looked
for in the (column, text) pairs of our output, whose lines are split at TABs.
A row that holds a text with a TAB or a line break is compared only left of
that cell, since our layout writes such text as it stands. An .xlsx text
counts with Excel's _xHHHH_ escapes as openpyxl 3.0 gives them (it decodes
only "_x005F_") or decoded; and
the edge blanks are compared loosely (stripped on both sides): spreadsheet
applications drop them from a text element that lacks xml:space="preserve",
and so do we, while openpyxl keeps them.
Each file is converted with -TXLS or -TXLSX, so that .xlsm and .xltx files
are read as workbooks whatever their extension.

Prints, per format (and for .xls workbooks of BIFF2 to BIFF7 apart from those
of BIFF8), the files the reader opens, how many of them we convert
(status 0) and the share of their text cells found in their column, then the
files with something missing. Exits 1 when a goal (--goal, default 99.9 % of
the text cells, and every readable file converted) is missed.

    /usr/bin/python3 scripts/fidelity_check.py --tbulxcmd build/release/cli/tbulxcmd

With --as-shown it measures the as-shown layout instead, cell by cell against
LibreOffice's export of the cells as shown (shown_check.py), .xlsb, .ods and
.fods workbooks included (--folder xlsb, ods, fods for those alone); with --csv it
checks that the --csv layout holds the same grid as the as-shown one; with
--formats TSV it writes what LibreOffice shows for the stored values under
each number format code (no tbulxcmd needed). All keep LibreOffice's exports
in --cache, by the workbook's sha256.
"""

import argparse
import collections
import os
import re
import subprocess
import sys
import warnings

BREAKS = ("\t", "\r", "\n")


def open_xls(path):
    """The workbook as xlrd reads it. Without a CODEPAGE record xlrd takes the
    8-bit strings of BIFF2-BIFF7 for ASCII; we take them for code page 1252,
    as the spreadsheet applications do, and so is it asked again."""
    import xlrd

    try:
        return xlrd.open_workbook(path, logfile=open(os.devnull, "w"))
    except UnicodeDecodeError:
        return xlrd.open_workbook(path, logfile=open(os.devnull, "w"), encoding_override="cp1252")


def text_rows_xls(book):
    """Rows of (column, text) text cells of an xlrd workbook."""
    import xlrd

    for sheet in book.sheets():
        for r in range(sheet.nrows):
            yield [(c, cell.value) for c, cell in enumerate(sheet.row(r))
                   if cell.ctype == xlrd.XL_CELL_TEXT]


ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")


def unescape(text):
    """Excel's _xHHHH_ escapes decoded."""
    text = ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text)  # "_x005F_" is "_"
    return text.encode("utf-16-le", "surrogatepass").decode("utf-16-le", "surrogatepass")


def text_rows_xlsx(path):
    import openpyxl

    book = openpyxl.load_workbook(path, data_only=True)
    for sheet in book.worksheets:
        # The cells present, not the dimension's area (some state A1:XFD1048576).
        rows = collections.defaultdict(list)
        for (r, c), cell in sheet._cells.items():
            if cell.data_type == "s" and isinstance(cell.value, str):
                rows[r].append((c - 1, cell.value))
        yield from rows.values()


def is_xls(path):
    return path.lower().endswith(".xls")


def comparable(path, text):
    return text if is_xls(path) else text.strip(" \t\r\n")


def reader_pairs(path, folder):
    """The file's group and its multiset of (column, text, the text with escapes
    decoded). Workbooks of BIFF2 to BIFF7 are a group of their own."""
    if is_xls(path):
        book = open_xls(path)
        group = folder if book.biff_version >= 80 else f"{folder} BIFF2-BIFF7"
        rows = text_rows_xls(book)
    else:
        group, rows = folder, text_rows_xlsx(path)
    pairs = collections.Counter()
    for row in rows:
        for column, text in sorted(row):
            decoded = text if is_xls(path) else unescape(text)
            if any(b in decoded for b in BREAKS):
                break
            text, decoded = comparable(path, text), comparable(path, decoded)
            if decoded != "":
                pairs[(column, text, decoded)] += 1
    return group, pairs


def found_in(ours, column, text, decoded):
    """How often a text is in our output, in either reading of its escapes."""
    return ours[(column, text)] + (ours[(column, decoded)] if decoded != text else 0)


def our_pairs(tbulxcmd, path):
    """(status, multiset of (column, text)) of our UTF-8 output."""
    kind = "-TXLS" if is_xls(path) else "-TXLSX"
    try:
        run = subprocess.run([tbulxcmd, kind, "-c65001", path, "*"], capture_output=True, timeout=120)
    except subprocess.TimeoutExpired:
        return "timeout", collections.Counter()
    if run.returncode != 0:
        return run.returncode, collections.Counter()
    text = run.stdout.decode("utf-8", errors="surrogatepass")
    if text.startswith("\ufeff"):
        text = text[1:]
    pairs = collections.Counter()
    for line in text.split("\r\n"):
        for column, piece in enumerate(line.split("\t")):
            piece = comparable(path, piece)
            if piece != "":
                pairs[(column, piece)] += 1
    return 0, pairs


def check_shown(args):
    """The as-shown comparison and/or the --csv check."""
    import lo_export
    import shown_check

    workbooks = lo_export.corpus_workbooks(args.corpus, args.folder)
    if not workbooks:
        print(f"no corpus at {args.corpus}", file=sys.stderr)
        return 2
    cache = lo_export.Cache(args.cache, soffice=args.soffice, timeout=args.batch_timeout)
    cache.fill("shown", [path for _, path in workbooks])
    if args.regional == "libreoffice":
        import regional_locale

        if regional_locale.use_libreoffice_like_locale(os.path.join(args.cache, "locale")):
            print("regional settings: en_US with LibreOffice's short date (M/D/YYYY)")
    status = 0
    if args.formats:
        with open(args.formats, "w", encoding="utf-8", errors="surrogateescape") as out:
            rows = shown_check.write_format_table(workbooks, cache, args.per_format, out)
        print(f"{rows} values under their formats written to {args.formats}", file=sys.stderr)
    if args.as_shown:
        status |= shown_check.check_as_shown(args, workbooks, cache, sys.stdout)
    if args.csv:
        status |= shown_check.check_csv(args, workbooks, cache, sys.stdout)
    return status


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tbulxcmd", default=os.path.join(here, "..", "build", "release", "cli", "tbulxcmd"))
    parser.add_argument("--corpus", default=os.path.join(here, "..", "..", "shared", "corpus"))
    parser.add_argument("--goal", type=float, default=99.9, help="percent of text cells to find")
    parser.add_argument("--show", type=int, default=5, help="missing texts shown per file")
    parser.add_argument("--as-shown", action="store_true",
                        help="compare the as-shown layout with LibreOffice's export of the cells as shown")
    parser.add_argument("--csv", action="store_true", help="check --csv against the as-shown layout")
    parser.add_argument("--cache", default=os.path.join(here, "..", "build", "fidelity-cache"),
                        help="folder of LibreOffice's exports")
    parser.add_argument("--examples", type=int, default=5, help="examples shown per class of difference")
    parser.add_argument("--formats", metavar="TSV",
                        help="write what LibreOffice shows for the values under each number format code")
    parser.add_argument("--per-format", type=int, default=12, help="values per format code in --formats")
    parser.add_argument("--folder", action="append", choices=("xls", "xlsx", "xlsb", "ods", "fods"),
                        help="with --as-shown or --csv: the corpus folders compared (repeatable; default: all)")
    parser.add_argument("--regional", choices=("libreoffice", "process"), default="libreoffice",
                        help="with --as-shown or --csv: run tbulxcmd in en_US with LibreOffice's short date"
                             " (default), or in this process's locale")
    parser.add_argument("--soffice", default="soffice")
    parser.add_argument("--batch-timeout", type=int, default=300, help="seconds per soffice call")
    args = parser.parse_args()
    warnings.simplefilter("ignore")
    if args.as_shown or args.csv or args.formats:
        return check_shown(args)

    totals = {}
    reports = []
    for folder, extensions in (("xls", (".xls",)), ("xlsx", (".xlsx", ".xlsm", ".xltx"))):
        directory = os.path.join(args.corpus, folder)
        if not os.path.isdir(directory):
            print(f"no corpus at {directory}", file=sys.stderr)
            return 2
        totals.setdefault(folder, collections.Counter())
        for name in sorted(os.listdir(directory)):
            if not name.lower().endswith(extensions):
                continue
            path = os.path.join(directory, name)
            try:
                group, expected = reader_pairs(path, folder)
            except Exception:  # the reader cannot open it: nothing to compare
                totals[folder]["unreadable"] += 1
                continue
            total = totals.setdefault(group, collections.Counter())
            status, ours = our_pairs(args.tbulxcmd, path)
            cells = sum(expected.values())
            found = sum(min(count, found_in(ours, *cell)) for cell, count in expected.items())
            total["files"] += 1
            total["converted"] += status == 0
            total["cells"] += cells
            total["found"] += found
            if status != 0 or found < cells:
                missing = [f"{column}:{decoded!r}" for (column, text, decoded), count in expected.items()
                           if found_in(ours, column, text, decoded) < count]
                reports.append(f"{folder}/{name}: status {status}, {found}/{cells} text cells; missing "
                               + ", ".join(missing[: args.show]) + (" ..." if len(missing) > args.show else ""))

    met = True
    for folder, total in totals.items():
        share = 100.0 * total["found"] / total["cells"] if total["cells"] else 100.0
        print(f"{folder}: {total['files']} files the reader opens ({total['unreadable']} it cannot); "
              f"{total['converted']} converted; "
              f"{total['found']} of {total['cells']} text cells found ({share:.2f} %)")
        met &= share >= args.goal and total["converted"] == total["files"]
    for line in reports:
        print(line)
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
