"""The cells of an OpenDocument spreadsheet as its markup holds them.

Development tool for the fidelity scripts, with the interface of shown_cells'
readers: each cell's value type and stored value (office:value,
office:date-value as days from 1899-12-30, office:boolean-value, the text of
its paragraphs), and what its cell style's data style shows. Read with
ElementTree from content.xml (or the flat .fods document) and styles.xml.
Repeats past the last cell that holds something are not written out.
"""

import datetime
import re
import zipfile
from xml.etree import ElementTree

OFFICE = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
STYLE = "urn:oasis:names:tc:opendocument:xmlns:style:1.0"
TABLE = "urn:oasis:names:tc:opendocument:xmlns:table:1.0"
TEXT = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
NUMBER = "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
CALCEXT = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"

BASE_DAY = datetime.date(1899, 12, 30)
DURATION = re.compile(r"^(-)?P(?:(\d+(?:\.\d*)?)D)?(?:T(?:(\d+(?:\.\d*)?)H)?(?:(\d+(?:\.\d*)?)M)?"
                      r"(?:(\d+(?:\.\d*)?)S)?)?$")
NOTHING = (None, "", None, False, False)
# More repeats than this of one row or cell are taken as the rest of the sheet.
MAX_REPEAT = 10_000


def q(namespace, name):
    return f"{{{namespace}}}{name}"


def date_serial(text):
    """Days from 1899-12-30 of an office:date-value, or None."""
    try:
        moment = datetime.datetime.fromisoformat(text.strip().rstrip("Z"))
    except ValueError:
        return None
    day = (moment.date() - BASE_DAY).days
    seconds = moment.hour * 3600 + moment.minute * 60 + moment.second + moment.microsecond / 1e6
    return day + seconds / 86400


def duration_days(text):
    """Days of an office:time-value ("PT16H17M36.96S", "-P1DT2H"), or None."""
    match = DURATION.match(text.strip())
    if not match:
        return None
    sign, days, hours, minutes, seconds = match.groups()
    total = float(days or 0) + float(hours or 0) / 24 + float(minutes or 0) / 1440 + float(seconds or 0) / 86400
    return -total if sign else total


def paragraph_text(paragraph):
    """A text:p's text with text:s, text:tab and text:line-break written out."""
    parts = [paragraph.text or ""]
    for child in paragraph:
        if child.tag == q(TEXT, "s"):
            parts.append(" " * int(child.get(q(TEXT, "c"), "1") or 1))
        elif child.tag == q(TEXT, "tab"):
            parts.append("\t")
        elif child.tag == q(TEXT, "line-break"):
            parts.append("\n")
        elif child.tag != q(OFFICE, "annotation"):
            parts.append(paragraph_text(child))
        parts.append(child.tail or "")
    return "".join(parts)


class OdsCells:
    """The cells of an .ods, .ots or .fods workbook."""

    def __init__(self, path):
        if path.lower().endswith(".fods"):
            roots = [ElementTree.parse(path).getroot()]
        else:
            with zipfile.ZipFile(path) as package:
                roots = [ElementTree.fromstring(package.read("content.xml"))]
                if "styles.xml" in package.namelist():
                    roots.append(ElementTree.fromstring(package.read("styles.xml")))
        self.biff_version = None
        self.date_1904 = False
        # Day serials count on the calendar from 1899-12-30, before it too.
        self.serials_on_calendar = True
        # What each data style shows: "date" or "time" (one with an hour,
        # minute or second field), "general", or its kind ("number",
        # "currency", ...).
        self.shows, mapped = {}, {}
        for root in roots:
            for element in root.iter():
                if element.tag.startswith(f"{{{NUMBER}}}") and element.tag.endswith("-style"):
                    kind = element.tag.split("}")[1][:-len("-style")]
                    if kind in ("date", "time"):
                        timed = any(next(element.iter(q(NUMBER, field)), None) is not None
                                    for field in ("hours", "minutes", "seconds"))
                        kind = "time" if timed else "date"
                    elif kind == "number" and len(element) == 1 and element[0].tag == q(NUMBER, "number") \
                            and element[0].get(q(NUMBER, "decimal-places")) is None:
                        kind = "general"  # digits as the value needs them
                    self.shows[element.get(q(STYLE, "name"))] = kind
                    first_map = element.find(q(STYLE, "map"))
                    if first_map is not None:
                        mapped[element.get(q(STYLE, "name"))] = first_map.get(q(STYLE, "apply-style-name"))
        # A style that hands values on to others (style:map) shows as the first.
        for name, target in mapped.items():
            self.shows[name] = self.shows.get(target, self.shows[name])
        # The data style of each cell style (its own or a parent's).
        parents, data_styles = {}, {}
        for root in roots:
            for style in root.iter(q(STYLE, "style")):
                name = style.get(q(STYLE, "name"))
                parents[name] = style.get(q(STYLE, "parent-style-name"))
                if style.get(q(STYLE, "data-style-name")):
                    data_styles[name] = style.get(q(STYLE, "data-style-name"))
        self.data_style = {}
        for name in parents:
            seen, at = set(), name
            while at is not None and at not in seen:
                seen.add(at)
                if at in data_styles:
                    self.data_style[name] = data_styles[at]
                    break
                at = parents.get(at)
        self.tables = [(table.get(q(TABLE, "name")), table) for table in roots[0].iter(q(TABLE, "table"))]
        self._cells = {}

    def sheet(self, position, name):
        """The table of that name, else the one at that position (from 1), else None."""
        for table_name, table in self.tables:
            if table_name == name:
                return table
        return self.tables[position - 1][1] if position <= len(self.tables) else None

    def _rows(self, element):
        for child in element:
            if child.tag == q(TABLE, "table-row"):
                yield child
            elif child.tag in (q(TABLE, "table-header-rows"), q(TABLE, "table-row-group"), q(TABLE, "table-rows")):
                yield from self._rows(child)

    def cells(self, table):
        """{(row, column): (value type, what its data style shows, value,
        covered by a merged range, holds a formula)} of a table."""
        if table is None:
            return {}
        key = id(table)
        if key not in self._cells:
            cells, row = {}, 0
            for row_element in self._rows(table):
                repeat = min(int(row_element.get(q(TABLE, "number-rows-repeated"), "1") or 1), MAX_REPEAT)
                column, written = 0, {}
                for cell in row_element:
                    if cell.tag not in (q(TABLE, "table-cell"), q(TABLE, "covered-table-cell")):
                        continue
                    count = min(int(cell.get(q(TABLE, "number-columns-repeated"), "1") or 1), MAX_REPEAT)
                    entry = self._entry(cell, cell.tag == q(TABLE, "covered-table-cell"))
                    if entry is not None:
                        for offset in range(count):
                            written[column + offset] = entry
                    column += count
                if written:
                    for offset in range(repeat):
                        for at, entry in written.items():
                            cells[(row + offset, at)] = entry
                row += repeat
            self._cells[key] = cells
        return self._cells[key]

    def _entry(self, cell, covered):
        value_type = cell.get(q(OFFICE, "value-type"))
        if cell.get(q(CALCEXT, "value-type")) == "error":
            value_type = "error"
        shows = self.shows.get(self.data_style.get(cell.get(q(TABLE, "style-name"))), "")
        text = "\n".join(paragraph_text(p) for p in cell.findall(q(TEXT, "p")))
        if value_type in ("float", "percentage", "currency"):
            try:
                value = float(cell.get(q(OFFICE, "value"), ""))
            except ValueError:
                return None
        elif value_type == "date":
            value = date_serial(cell.get(q(OFFICE, "date-value"), ""))
        elif value_type == "boolean":
            value = 1 if cell.get(q(OFFICE, "boolean-value")) == "true" else 0
        elif value_type in ("string", "error"):
            value = cell.get(q(OFFICE, "string-value"), text)
        elif value_type == "time":
            value = duration_days(cell.get(q(OFFICE, "time-value"), ""))
        else:
            return None
        return value_type, shows, value, covered, cell.get(q(TABLE, "formula")) is not None

    def cell(self, table, row, column):
        """(kind, number format) of a cell, rows and columns from 0. For a
        format this gives what the data style shows ("date", "time",
        "currency", ...; "General" without one)."""
        value_type, shows, value, covered, _ = self.cells(table).get((row, column), NOTHING)
        if value_type is None or value is None:
            return "empty in reader", ""
        if covered:
            return "covered by a merged range", shows
        if value_type in ("string", "error", "boolean"):
            return {"string": "text"}.get(value_type, value_type), shows
        if value_type in ("date", "time") or shows in ("date", "time"):
            return "date/time", shows or value_type
        if value_type == "float" and shows in ("", "general"):
            return "number General", "General"
        return "number formatted", shows or value_type

    def value(self, table, row, column):
        """The stored value: a number for numbers, dates and booleans, else the text."""
        return self.cells(table).get((row, column), NOTHING)[2]

    def is_formula(self, table, row, column):
        """Whether the cell holds a formula, whose stored value is its last result."""
        return self.cells(table).get((row, column), NOTHING)[4]
