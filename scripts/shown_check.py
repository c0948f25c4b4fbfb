"""The as-shown layout of tbulxcmd measured against LibreOffice's own export
of the cells as shown (fidelity_check.py --as-shown and --csv).

For each workbook LibreOffice converts (lo_export.Cache, kind "shown"), each
of its sheets is compared with our sheet N of the same name (our names and
numbers from one --each-sheet run; by place when no name matches and both
list as many sheets):

    tbulxcmd -c65001 --as-shown --sheet=N FILE *

cell by cell in place: both texts are parsed with the csv module (delimiter
TAB), and every cell that is not empty on either side is counted as the same,
different, missing on our side or extra on our side. Sheets whose numbers or
names do not match are listed.

Differences are classed by the kind of the cell in an independent reader
(shown_cells) and, for two texts, by how they differ.
"""

import collections
import decimal
import math
import os
import re
import subprocess
import tempfile

import lo_export
import shown_cells

OWN_ERROR = re.compile(r"^Err:\d+$")
ANY_ERROR = re.compile(r"^#(NULL!|DIV/0!|VALUE!|REF!|NAME\?|NUM!|N/A|MACRO\?)$")
# A General number in scientific form: mantissa and exponent.
SCIENTIFIC = re.compile(r"^(-?[\d.]+)E([-+])(\d+)$")


def column_name(column):
    """A column number from 0 as letters: 0 -> A, 26 -> AA."""
    name = ""
    column += 1
    while column:
        column, rest = divmod(column - 1, 26)
        name = chr(ord("A") + rest) + name
    return name


def type_flag(path):
    """-TXLS, -TXLSB, -TODS or -TXLSX, so that .xlsm and .xltx files are read as workbooks."""
    lower = path.lower()
    if lower.endswith(".xls"):
        return "-TXLS"
    if lower.endswith(".xlsb"):
        return "-TXLSB"
    if lower.endswith((".ods", ".ots", ".fods")):
        return "-TODS"
    return "-TXLSX"


def run_ours(tbulxcmd, flags, path, timeout=120):
    """(status, text) of one tbulxcmd run writing UTF-8 to standard output."""
    try:
        run = subprocess.run([tbulxcmd, type_flag(path), "-c65001", *flags, path, "*"], capture_output=True,
                             timeout=timeout)
    except subprocess.TimeoutExpired:
        return "timeout", ""
    return run.returncode, run.stdout.decode("utf-8", errors="surrogateescape")


def cell_outcomes(theirs, ours):
    """(row, column, their text, our text, outcome) for each cell not empty on
    at least one side, rows and columns from 0."""
    for row in range(max(len(theirs), len(ours))):
        their_row = theirs[row] if row < len(theirs) else []
        our_row = ours[row] if row < len(ours) else []
        for column in range(max(len(their_row), len(our_row))):
            their = their_row[column] if column < len(their_row) else ""
            our = our_row[column] if column < len(our_row) else ""
            if their == "" and our == "":
                continue
            if their == our:
                outcome = "same"
            elif our == "":
                outcome = "missing"
            elif their == "":
                outcome = "extra"
            else:
                outcome = "differ"
            yield row, column, their, our, outcome


def how_texts_differ(their, our):
    """A short name for the way two non-empty texts differ."""
    if their.strip() == our.strip():
        return "edge blanks"
    if their.replace("\r\n", "\n") == our.replace("\r\n", "\n"):
        return "line breaks"
    if their.lower() == our.lower():
        return "letter case"
    theirs_kind, ours_kind = shown_cells.shape_kind(their), shown_cells.shape_kind(our)
    if theirs_kind == ours_kind == "number":
        if their.replace(",", "") == our.replace(",", ""):
            return "grouping"
        if "E" in their.upper() or "E" in our.upper():
            return "scientific form"
        return "digits"
    if theirs_kind == ours_kind == "date/time":
        return "date/time form"
    if theirs_kind != ours_kind:
        return f"{theirs_kind} shown as {ours_kind}"
    return "other"


class Tally:
    """Counts per group, and the differences by class with a few examples each."""

    def __init__(self, examples):
        self.examples = examples
        self.groups = collections.OrderedDict()
        self.classes = collections.Counter()
        self.shown = collections.defaultdict(list)
        self.formats = collections.defaultdict(collections.Counter)

    def group(self, name):
        return self.groups.setdefault(name, collections.Counter())

    def add(self, group, outcome, their):
        counts = self.group(group)
        counts["cells"] += their != ""
        counts[outcome] += 1

    def difference(self, name, code, example):
        """Counts a cell of a class; example() gives its text when the class
        still shows fewer than the examples asked for."""
        self.classes[name] += 1
        self.formats[name][code] += 1
        if len(self.shown[name]) < self.examples:
            self.shown[name].append(example())


def day_texts(day):
    """Ways a sheet may show a day: 20261210, 2026/12/10, 2026-12-10, 12/10/2026, 10/12/2026, 10.12.2026."""
    return {day.strftime("%Y%m%d"), day.strftime("%Y/%m/%d"), day.isoformat(),
            f"{day.month}/{day.day}/{day.year}", day.strftime("%m/%d/%Y"), day.strftime("%d/%m/%Y"),
            day.strftime("%d.%m.%Y")}


def shows_other_value(kind, code, value, their):
    """Whether LibreOffice's text is not the stored value at all, which comes
    from a formula it recalculated: another error, a text other than the
    stored one, or a General number other than the stored one."""
    if their == "" or value is None:
        return False
    if kind == "error":
        return their != str(value)
    if ANY_ERROR.match(their):
        return True  # an error where a value is stored
    if kind == "boolean" and their in ("0", "1"):
        return int(their) != value
    if kind == "text" and code.lower() in ("general", "@", ""):
        return isinstance(value, str) and their.strip() != value.strip()
    if kind == "number General" and isinstance(value, (int, float)):
        try:
            shown = float(their)
        except ValueError:
            return True
        return abs(shown - value) > 1e-9 * max(1.0, abs(value))
    return False


def shows_time(code):
    """Whether a number format shows a time field (an hour, minute or second):
    "time" of ods_cells, or a format code with h or s outside its quotes."""
    if code in ("date", "time"):
        return code == "time"
    bare = re.sub(r'"[^"]*"|\[[^\]]*\]|\\.', "", code).lower()
    return "h" in bare or "s" in bare


SWAPPED_SEPARATORS = str.maketrans(",.", ".,")


def rounded_twice(value):
    """A number as LibreOffice's General rounds it: to 16 significant digits,
    and those to 15, halves away from zero."""
    sixteen = decimal.Decimal(f"{value:.16g}")
    if sixteen == 0:
        return 0.0
    exponent = sixteen.adjusted() - 14
    return float(sixteen.quantize(decimal.Decimal(1).scaleb(exponent), rounding=decimal.ROUND_HALF_UP))


def shows_recalculated_number(kind, value, their, our):
    """Whether a formula's General number that we show as stored (15
    digits) is another number in LibreOffice's text, which it recalculated."""
    if kind != "number General" or not isinstance(value, (int, float)) or isinstance(value, bool):
        return False
    try:
        theirs, ours = float(their), float(our)
    except ValueError:
        return False
    return ours == float(f"{value:.15g}") and theirs != ours and theirs != rounded_twice(value)


def libreoffice_rule(outcome, kind, code, value, their, our, date_1904=False, on_calendar=False):
    """The name of a rule of LibreOffice's that differs from what other
    applications show ("What LibreOffice shows" in docs/fidelity.md) and
    explains this cell, or None. Judged from the stored value an independent
    reader finds, so only for formats with such a reader. `on_calendar`: the
    workbook's serials count on the calendar, as LibreOffice's do (.ods)."""
    number = isinstance(value, (int, float)) and not isinstance(value, bool)
    if outcome == "missing" and kind == "covered by a merged range":
        return "the content of a cell a merged range covers (the layout writes it empty)"
    if outcome == "missing" and kind == "empty in reader":
        return "a cell the workbook does not hold (a pivot table laid out anew)"
    if outcome == "extra" and (kind == "text" and isinstance(value, str) and value.strip() == our.strip()
                               or kind == "number General" and number and our == f"{value:.15g}"):
        return "a stored cell left out (a pivot table laid out anew)"
    if outcome != "differ":
        return None
    if kind == "boolean" and (their, our) in (("0", "FALSE"), ("1", "TRUE")):
        return "a boolean shown as 1 or 0"
    if kind == "date/time" and number:
        if "[$-F800]" in code.upper():
            return "[$-F800] shown through the code's own fields"
        if not on_calendar and (value < 0 or (value < 61 and not date_1904)):
            return "days counted from 1899-12-30 (serials before 61, negative serials)"
        tenths = re.search(r"s\.0", code) is not None
        units = value * 86400 * (10 if tenths else 1)
        if units - math.floor(units) >= 0.5 and shows_time(code):
            return "seconds cut where other applications round them"
    if kind == "number formatted" and code == "currency":
        if our == " " + their:
            return "a blank before a currency style's symbol dropped"
        if our.translate(SWAPPED_SEPARATORS) == their:
            return "the separators of a currency style's own language"
    if kind == "number General" and number:
        ours_scientific, theirs_scientific = SCIENTIFIC.match(our), SCIENTIFIC.match(their)
        if ours_scientific and theirs_scientific and ours_scientific.groups()[:2] == theirs_scientific.groups()[:2] \
                and int(ours_scientific.group(3)) == int(theirs_scientific.group(3)):
            return "an exponent of three digits"
        try:
            theirs, ours = float(their), float(our)
        except ValueError:
            return None
        if theirs == rounded_twice(value) and ours == float(f"{value:.15g}") and theirs != ours:
            return "General rounded to 16 digits and then to 15"
    return None


def difference_class(outcome, kind, their, our, today=(), recalculated=False, rule=None):
    """The class of a cell that is not the same: its outcome, its kind in the
    reader and, for two texts, how they differ. A text of LibreOffice's that
    holds the day it converted the workbook comes from a formula it
    recalculated (TODAY(), NOW()); Err:502 and the like are error codes of
    its own, from formulas it recalculated; `recalculated` says that the
    text is not the stored value at all (shows_other_value); `rule` names a
    rule of LibreOffice's that explains the cell (libreoffice_rule)."""
    if outcome in ("differ", "missing") and any(day in their for day in today):
        return f"{outcome}: recalculated by LibreOffice (the day of the export)"
    if OWN_ERROR.match(their):
        return f"{outcome}: LibreOffice's own error code (Err:NNN)"
    if recalculated:
        return f"{outcome}: {kind}: LibreOffice shows another value than the stored one"
    if rule:
        return f"{outcome}: {kind}: LibreOffice's rule: {rule}"
    if outcome == "differ":
        return f"{outcome}: {kind}: {how_texts_differ(their, our)}"
    return f"{outcome}: {kind}"


def safe_sheet_name(name):
    """A sheet name as --each-sheet puts it into a file name."""
    return "".join("_" if c == "/" or ord(c) < 0x20 or ord(c) == 0x7F else c for c in name)


def our_sheets(tbulxcmd, path, timeout=120):
    """(status, [(number, name as in a file name)]) of the sheets tbulxcmd
    writes, from one --each-sheet run into a scratch folder."""
    with tempfile.TemporaryDirectory(prefix="fid-sheets-") as folder:
        try:
            run = subprocess.run([tbulxcmd, type_flag(path), "--as-shown", "--each-sheet", path,
                                  os.path.join(folder, "%n-%s.txt")], capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "timeout", []
        sheets = []
        for name in os.listdir(folder):
            number, _, rest = name.partition("-")
            if number.isdigit() and rest.endswith(".txt"):
                sheets.append((int(number), rest[:-len(".txt")]))
        return run.returncode, sorted(sheets)


def sheet_counterparts(theirs, ours, name, problems):
    """Our sheet number for each of LibreOffice's sheets ([(name, grid)]), or
    None: the sheet of the same name, else the one at the same place when both
    have as many sheets. Lists what does not match by name and place."""
    numbers = {}
    for sheet_name, _ in theirs:
        numbers.setdefault(safe_sheet_name(sheet_name), [])
    for number, our_name in ours:
        if our_name in numbers:
            numbers[our_name].append(number)
    counterparts = []
    for position, (sheet_name, _) in enumerate(theirs, start=1):
        found = numbers[safe_sheet_name(sheet_name)]
        if len(found) == 1:
            counterparts.append(found[0])
            if found[0] != position:
                problems["sheet number"].append(f"{name}: LibreOffice's sheet {position} {sheet_name!r} "
                                                f"is our sheet {found[0]}")
        elif len(ours) == len(theirs):
            counterparts.append(position)
            problems["sheet name"].append(f"{name}: sheet {position} is {sheet_name!r} in LibreOffice, "
                                          f"{ours[position - 1][1]!r} in ours")
        else:
            counterparts.append(None)
            problems["sheet not among ours"].append(f"{name}: sheet {position} {sheet_name!r}")
    return counterparts


def compare_workbook(tally, tbulxcmd, folder, path, cache, problems):
    """Compares every sheet LibreOffice exported of one workbook with the same
    sheet of ours (--sheet=N)."""
    name = f"{folder}/{os.path.basename(path)}"
    cells = shown_cells.open_cells(path)
    if folder == "xls":
        group = "xls" if shown_cells.xls_is_biff8(path, cells) else "xls BIFF2-BIFF7"
    else:
        group = folder
    counts = tally.group(group)
    counts["files"] += 1
    counts["no reader"] += cells is None
    today = day_texts(cache.exported_on("shown", path))
    exported = cache.sheets(path)
    listed_status, listed = our_sheets(tbulxcmd, path)
    if listed_status == 0:
        counterparts = sheet_counterparts(exported, listed, name, problems)
    else:
        problems["our status"].append(f"{name}: --each-sheet: status {listed_status}")
        counterparts = [None] * len(exported)
    for position, ((sheet_name, theirs), number) in enumerate(zip(exported, counterparts), start=1):
        counts["sheets"] += 1
        text = ""
        if number is not None:
            status, text = run_ours(tbulxcmd, ["--as-shown", f"--sheet={number}"], path)
            if status != 0:
                problems["our status"].append(f"{name}: sheet {number} {sheet_name!r}: status {status}")
                text = ""
        ours = lo_export.parse_grid(text, "\t")
        widths = {len(row) for row in ours if row}
        if len(widths) > 1:
            problems["lines of different widths"].append(
                f"{name}: sheet {number} {sheet_name!r}: {sorted(widths)[:5]} fields")
        reader_sheet = cells.sheet(position, sheet_name) if cells is not None else None
        for row, column, their, our, outcome in cell_outcomes(theirs, ours):
            tally.add(group, outcome, their)
            if outcome == "same":
                continue
            recalculated = False
            rule = None
            if reader_sheet is not None:
                kind, code = cells.cell(reader_sheet, row, column)
                value = cells.value(reader_sheet, row, column)
                recalculated = shows_other_value(kind, code, value, their) or (
                    getattr(cells, "is_formula", lambda *_: False)(reader_sheet, row, column)
                    and shows_recalculated_number(kind, value, their, our))
                rule = libreoffice_rule(outcome, kind, code, value, their, our, cells.date_1904,
                                        getattr(cells, "serials_on_calendar", False))
            else:
                kind, code = shown_cells.shape_kind(their or our) + " (by shape)", ""
            def example(row=row, column=column, their=their, our=our, code=code):
                text = f"{name} [{sheet_name}] {column_name(column)}{row + 1}: ours {our!r}, theirs {their!r}"
                if code:
                    text += f", format {code!r}"
                value = cells.value(reader_sheet, row, column) if reader_sheet is not None else None
                if isinstance(value, (int, float)) and not isinstance(value, bool):
                    text += f", value {value:.17g}"
                return text

            class_name = difference_class(outcome, kind, their, our, today, recalculated, rule)
            by_rule = "LibreOffice's rule" in class_name
            # An extra cell is none of LibreOffice's cells, which the shares count.
            counts["LibreOffice's rule"] += by_rule and outcome != "extra"
            counts["LibreOffice's"] += "LibreOffice" in class_name and not by_rule
            tally.difference(class_name, code, example)


def check_as_shown(args, workbooks, cache, out):
    """Prints the figures; returns 0."""
    tally = Tally(args.examples)
    problems = collections.defaultdict(list)
    for folder, path in workbooks:
        name = f"{folder}/{os.path.basename(path)}"
        if not shown_cells.is_workbook_file(path):
            problems["not a workbook"].append(name)
        elif cache.status("shown", path) != "ok":
            problems["LibreOffice cannot convert"].append(f"{name}: {cache.status('shown', path)}")
        elif shown_cells.is_container_file(path) and cache.named_after_file(path):
            problems["LibreOffice reads it as text"].append(name)
        else:
            compare_workbook(tally, args.tbulxcmd, folder, path, cache, problems)

    total = collections.Counter()
    print("group            files sheets  LO cells      same    differ   missing     extra    share"
          "  LO's own  LO's rules  share without", file=out)
    for group, counts in tally.groups.items():
        total.update(counts)
        print_counts(group, counts, out)
    print_counts("all", total, out)
    print(file=out)
    print("Differences by class (outcome: kind in the reader: how), the most frequent number formats, examples:",
          file=out)
    for name, count in tally.classes.most_common():
        formats = ", ".join(f"{code!r} {n}" for code, n in tally.formats[name].most_common(4) if code)
        print(f"\n{count:7}  {name}" + (f"  [formats: {formats}]" if formats else ""), file=out)
        for example in tally.shown[name]:
            print(f"           {example}", file=out)
    for title, lines in problems.items():
        print(f"\n{title} ({len(lines)}):", file=out)
        for line in lines:
            print(f"  {line}", file=out)
    return 0


def print_counts(group, counts, out):
    """A group's line. "LO's own" counts the differences that are LibreOffice's
    doing (classes naming it: formulas it recalculated, its own error codes),
    "LO's rules" those its documented rules explain (libreoffice_rule); the
    last share leaves both out."""
    share = 100.0 * counts["same"] / counts["cells"] if counts["cells"] else 100.0
    own = counts["LibreOffice's"]
    rules = counts["LibreOffice's rule"]
    rest = counts["cells"] - own - rules
    share_without = 100.0 * counts["same"] / rest if rest else 100.0
    print(f"{group:15} {counts['files']:6} {counts['sheets']:6} {counts['cells']:9} {counts['same']:9} "
          f"{counts['differ']:9} {counts['missing']:9} {counts['extra']:9} {share:7.2f} % "
          f"{own:9} {rules:11} {share_without:7.2f} %", file=out)


def check_csv(args, workbooks, cache, out):
    """Every --csv --sheet=N output against the --as-shown --sheet=N grid (or
    the same nonzero status), and --csv refusing a workbook of several
    non-empty sheets. Returns 1 when something does not hold."""
    sheets = agree = failed = 0
    failures = []
    for folder, path in workbooks:
        name = f"{folder}/{os.path.basename(path)}"
        exported = cache.sheets(path) if shown_cells.is_workbook_file(path) else None
        if not exported:
            continue
        non_empty = 0
        for position in range(1, len(exported) + 1):
            shown_status, shown = run_ours(args.tbulxcmd, ["--as-shown", f"--sheet={position}"], path)
            csv_status, text = run_ours(args.tbulxcmd, ["--csv", f"--sheet={position}"], path)
            shown_grid = lo_export.parse_grid(shown, "\t")
            csv_grid = lo_export.parse_grid(text, ",")
            non_empty += any(any(cell != "" for cell in row) for row in shown_grid)
            sheets += 1
            if shown_status == csv_status and (shown_status != 0 or shown_grid == csv_grid):
                agree += 1
                failed += shown_status != 0
            else:
                failures.append(f"{name}: sheet {position}: status {shown_status} / {csv_status}; "
                                + first_grid_difference(shown_grid, csv_grid))
        if non_empty > 1:
            status, _ = run_ours(args.tbulxcmd, ["--csv"], path)
            if status == 0:
                failures.append(f"{name}: --csv without --sheet accepts {non_empty} non-empty sheets")
    print(f"--csv: {agree} of {sheets} sheets parse into the grid of --as-shown "
          f"({failed} of them fail with the same status in both)", file=out)
    for line in failures:
        print(f"  {line}", file=out)
    return 0 if not failures else 1


def first_grid_difference(a, b):
    for row in range(max(len(a), len(b))):
        left = a[row] if row < len(a) else None
        right = b[row] if row < len(b) else None
        if left != right:
            return f"row {row + 1}: as-shown {left!r}, csv {right!r}"
    return "same grid"


FORMATTED_KINDS = ("number General", "number formatted", "date/time", "boolean", "error")


def write_format_table(workbooks, cache, per_code, out):
    """A table of what LibreOffice shows for stored values under each number
    format code of the corpus: code, kind, value (17 significant digits),
    date system, LibreOffice's text, where. Up to per_code distinct values per
    code and kind; needs no tbulxcmd. Returns the number of rows."""
    seen = collections.defaultdict(set)
    rows = 0
    print("format\tkind\tvalue\tdate system\tLibreOffice\twhere", file=out)
    for folder, path in workbooks:
        if not shown_cells.is_workbook_file(path) or cache.status("shown", path) != "ok":
            continue
        cells = shown_cells.open_cells(path)
        if cells is None:
            continue
        system = "1904" if cells.date_1904 else "1900"
        for position, (sheet_name, theirs) in enumerate(cache.sheets(path), start=1):
            sheet = cells.sheet(position, sheet_name)
            if sheet is None:
                continue
            for row, line in enumerate(theirs):
                for column, their in enumerate(line):
                    if their == "":
                        continue
                    kind, code = cells.cell(sheet, row, column)
                    if kind not in FORMATTED_KINDS:
                        continue
                    value = cells.value(sheet, row, column)
                    value = f"{value:.17g}" if isinstance(value, (int, float)) else str(value)
                    key = (code, kind)
                    if (value, system) in seen[key] or len(seen[key]) >= per_code:
                        continue
                    seen[key].add((value, system))
                    where = f"{folder}/{os.path.basename(path)} [{sheet_name}] {column_name(column)}{row + 1}"
                    fields = (code, kind, value, system, their, where)
                    print("\t".join(str(f or "").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")
                                    for f in fields), file=out)
                    rows += 1
    return rows
