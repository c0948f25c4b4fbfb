"""The cells of an .xlsb workbook as its records hold them.

Development tool for the fidelity scripts: no Python package Debian ships
reads binary workbooks, so this reads the few records the comparison needs
straight from the parts ([MS-XLSB]): the sheets of xl/workbook.bin through
the workbook's relationships, the shared strings, the number formats and cell
formats of xl/styles.bin, and each worksheet's cell records with their stored
values (formula cells with their cached results). Number formats are judged
dates with python3-openpyxl's rules.
"""

import posixpath
import struct
import zipfile
from xml.etree import ElementTree

# Record types.
ROW_HEADER = 0
CELL_RECORDS = {
    1: "blank", 2: "rk", 3: "error", 4: "boolean", 5: "real", 6: "string", 7: "shared string",
    8: "formula string", 9: "formula number", 10: "formula boolean", 11: "formula error",
    12: "blank", 13: "rk", 14: "error", 15: "boolean", 16: "real", 17: "string", 18: "shared string",
    62: "rich string",
}
SHORT_CELLS = range(12, 19)  # no column of their own: the one after the previous cell
SHARED_STRING = 19
FORMAT = 44
CELL_FORMAT = 47
BEGIN_CELL_FORMATS, END_CELL_FORMATS = 617, 618
SHEET = 156

ERRORS = {0x00: "#NULL!", 0x07: "#DIV/0!", 0x0F: "#VALUE!", 0x17: "#REF!", 0x1D: "#NAME?", 0x24: "#NUM!",
          0x2A: "#N/A", 0x2B: "#GETTING_DATA"}
RELATIONSHIPS = "{http://schemas.openxmlformats.org/package/2006/relationships}Relationship"


def records(data):
    """(type, payload) of each record: type and size in 7-bit groups, low first."""
    at = 0
    while at < len(data):
        values = []
        for most in (2, 4):
            value = 0
            for i in range(most):
                byte = data[at]
                at += 1
                value |= (byte & 0x7F) << (7 * i)
                if not byte & 0x80:
                    break
            values.append(value)
        kind, size = values
        yield kind, data[at:at + size]
        at += size


def wide_string(payload, at):
    """(text, offset after it) of an XLWideString; None for the null string."""
    count = struct.unpack_from("<I", payload, at)[0]
    if count == 0xFFFFFFFF:
        return None, at + 4
    end = at + 4 + 2 * count
    return payload[at + 4:end].decode("utf-16-le", "surrogatepass"), end


def rk_number(value):
    """The number an RK value stands for."""
    if value & 2:
        number = float(value >> 2 if value < 0x80000000 else (value >> 2) - (1 << 30))
    else:
        number = struct.unpack("<d", struct.pack("<Q", (value & 0xFFFFFFFC) << 32))[0]
    return number / 100 if value & 1 else number


def cell_value(kind, payload, at):
    """The stored value of a cell record from the byte after its style."""
    if kind == "rk":
        return rk_number(struct.unpack_from("<I", payload, at)[0])
    if kind in ("real", "formula number"):
        return struct.unpack_from("<d", payload, at)[0]
    if kind in ("boolean", "formula boolean"):
        return payload[at]
    if kind in ("error", "formula error"):
        return ERRORS.get(payload[at], f"#{payload[at]:02X}")
    if kind == "shared string":
        return ("shared", struct.unpack_from("<I", payload, at)[0])
    if kind in ("string", "formula string"):
        return wide_string(payload, at)[0]
    if kind == "rich string":
        return wide_string(payload, at + 1)[0]
    return None


class XlsbCells:
    """The cells of an .xlsb workbook, with the interface of shown_cells' readers."""

    def __init__(self, path):
        self.zip = zipfile.ZipFile(path)
        self.biff_version = None
        targets = {}
        for relation in ElementTree.fromstring(self.zip.read("xl/_rels/workbook.bin.rels")).iter(RELATIONSHIPS):
            target = relation.get("Target", "")
            targets[relation.get("Id")] = target.lstrip("/") if target.startswith("/") else \
                posixpath.normpath(posixpath.join("xl", target))
        self.sheets = []
        self.date_1904 = False
        for kind, payload in records(self.zip.read("xl/workbook.bin")):
            if kind == SHEET:
                relation, at = wide_string(payload, 8)
                name, _ = wide_string(payload, at)
                self.sheets.append((name, targets.get(relation)))
            elif kind == 153:  # BrtWbProp: f1904 is bit 0
                self.date_1904 = bool(struct.unpack_from("<I", payload)[0] & 1)
        self.strings = self._shared_strings()
        self.codes, self.formats = self._styles()
        self._cells = {}

    def _part(self, name):
        try:
            return self.zip.read(name)
        except KeyError:
            return b""

    def _shared_strings(self):
        return [wide_string(payload, 1)[0] for kind, payload in records(self._part("xl/sharedStrings.bin"))
                if kind == SHARED_STRING]

    def _styles(self):
        codes, formats, in_cell_formats = {}, [], False
        for kind, payload in records(self._part("xl/styles.bin")):
            if kind == FORMAT:
                codes[struct.unpack_from("<H", payload)[0]] = wide_string(payload, 2)[0]
            elif kind in (BEGIN_CELL_FORMATS, END_CELL_FORMATS):
                in_cell_formats = kind == BEGIN_CELL_FORMATS
            elif kind == CELL_FORMAT and in_cell_formats:
                formats.append(struct.unpack_from("<H", payload, 2)[0])
        return codes, formats

    def sheet(self, position, name):
        """The part of the sheet of that name, else of the one at that position (from 1), else None."""
        for sheet_name, part in self.sheets:
            if sheet_name == name:
                return part
        return self.sheets[position - 1][1] if position <= len(self.sheets) else None

    def cells(self, part):
        """{(row, column): (record kind, number format code, value)} of a worksheet part."""
        if part not in self._cells:
            cells, row, column = {}, 0, 0
            for kind, payload in records(self._part(part) if part else b""):
                if kind == ROW_HEADER:
                    row, column = struct.unpack_from("<I", payload)[0], 0
                elif kind in CELL_RECORDS:
                    at = 0
                    if kind not in SHORT_CELLS:
                        column, at = struct.unpack_from("<I", payload)[0], 4
                    style = struct.unpack_from("<I", payload, at)[0] & 0xFFFFFF
                    cell_kind = CELL_RECORDS[kind]
                    value = cell_value(cell_kind, payload, at + 4)
                    if isinstance(value, tuple):
                        value = self.strings[value[1]] if value[1] < len(self.strings) else None
                    cells.setdefault((row, column), (cell_kind, self._code(style), value))
                    column += 1
            self._cells[part] = cells
        return self._cells[part]

    def _code(self, style):
        from openpyxl.styles.numbers import BUILTIN_FORMATS

        number_format = self.formats[style] if style < len(self.formats) else 0
        if number_format in self.codes:
            return self.codes[number_format]
        return BUILTIN_FORMATS.get(number_format, "General")

    def cell(self, sheet, row, column):
        """(kind, number format code) of a cell, rows and columns from 0."""
        from openpyxl.styles.numbers import is_date_format

        kind, code, value = self.cells(sheet).get((row, column), ("blank", "", None))
        if kind == "blank" or value is None:
            return "empty in reader", ""
        if kind in ("boolean", "formula boolean"):
            return "boolean", code
        if kind in ("error", "formula error"):
            return "error", code
        if isinstance(value, str):
            return "text", code
        if is_date_format(code):
            return "date/time", code
        return ("number General" if code.lower() in ("", "general") else "number formatted"), code

    def is_formula(self, sheet, row, column):
        """Whether the cell holds a formula, whose stored value is its last result."""
        return self.cells(sheet).get((row, column), ("",))[0].startswith("formula")

    def value(self, sheet, row, column):
        """The stored value: a number for numbers, dates and booleans, else the text."""
        return self.cells(sheet).get((row, column), (None, None, None))[2]
