"""What kind of value a workbook cell holds, as an independent reader sees it.

Development tool for the fidelity scripts: python3-xlrd reads .xls,
python3-openpyxl reads .xlsx, xlsb_cells reads the records of .xlsb and
ods_cells the markup of OpenDocument spreadsheets. A cell's kind is one of KINDS; a cell the reader
cannot say anything about (the reader failed, or the sheet is not found) is
classified by the shape of the text LibreOffice shows for it.
"""

import os
import re
import warnings

import ods_cells
import xlsb_cells

KINDS = ("text", "number General", "number formatted", "date/time", "boolean", "error", "empty in reader",
         "covered by a merged range")

OLE_SIGNATURE = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
ZIP_SIGNATURE = b"PK\x03\x04"
BARE_BIFF_BOFS = (0x0009, 0x0209, 0x0409, 0x0809)

NUMBER_SHAPE = re.compile(r"^[-+(]?[$€£¥]?\s?[\d,]*\.?\d+([Ee][-+]?\d+)?%?\)?$")
TIME = r"\d{1,2}:\d\d(:\d\d(\.\d+)?)?( ?[AaPp][Mm])?"
DATE_SHAPE = re.compile(rf"^(\d{{1,4}}[-/]\d{{1,2}}([-/]\d{{1,4}})?|\d{{1,2}}\.\d{{1,2}}\.\d{{2,4}})( {TIME})?$|^{TIME}$")
ERROR_SHAPE = re.compile(r"^#(NULL!|DIV/0!|VALUE!|REF!|NAME\?|NUM!|N/A)$")


def is_workbook_file(path):
    """Whether the file starts like a workbook: a compound file, a ZIP archive,
    a bare BIFF stream or a flat OpenDocument spreadsheet (an XML document
    holding office:document). Anything else (text, images) is not compared."""
    with open(path, "rb") as f:
        head = f.read(4096)
    if head.startswith(OLE_SIGNATURE) or head.startswith(ZIP_SIGNATURE):
        return True
    if path.lower().endswith(".fods") and b"<office:document" in head:
        return True
    return len(head) >= 2 and int.from_bytes(head[:2], "little") in BARE_BIFF_BOFS


def is_container_file(path):
    """Whether the file is a compound file or a ZIP archive, whose sheets
    LibreOffice never names after the file (a bare BIFF worksheet's it does)."""
    with open(path, "rb") as f:
        head = f.read(8)
    return head.startswith(OLE_SIGNATURE) or head.startswith(ZIP_SIGNATURE)


def shape_kind(text):
    """A kind guessed from a shown text alone."""
    if text in ("TRUE", "FALSE"):
        return "boolean"
    if ERROR_SHAPE.match(text):
        return "error"
    if DATE_SHAPE.match(text):
        return "date/time"
    if NUMBER_SHAPE.match(text.strip()):
        return "number"
    return "text"


class XlsCells:
    """The cells of an .xls workbook through xlrd (with the number formats
    where xlrd reads them)."""

    def __init__(self, path):
        import xlrd

        self._xlrd = xlrd
        log = open(os.devnull, "w")
        book = None
        for formatting in (True, False):
            for encoding in (None, "cp1252"):
                try:
                    book = xlrd.open_workbook(path, logfile=log, formatting_info=formatting,
                                              encoding_override=encoding)
                    break
                except Exception:
                    continue
            if book is not None:
                break
        if book is None:
            raise ValueError("xlrd cannot open it")
        self.book = book
        self.formatting = bool(book.xf_list)
        self.biff_version = book.biff_version
        self.date_1904 = book.datemode == 1

    def sheet(self, position, name):
        """The sheet of that name, else the worksheet at that position (from 1), else None."""
        names = self.book.sheet_names()
        if name in names:
            return self.book.sheet_by_name(name)
        return self.book.sheet_by_index(position - 1) if position <= len(names) else None

    def cell(self, sheet, row, column):
        """(kind, number format code) of a cell, rows and columns from 0."""
        xlrd = self._xlrd
        if sheet is None or row >= sheet.nrows or column >= sheet.ncols:
            return "empty in reader", ""
        cell = sheet.cell(row, column)
        code = ""
        if self.formatting:
            try:
                key = self.book.xf_list[cell.xf_index].format_key
                code = self.book.format_map[key].format_str or ""
            except (IndexError, KeyError, TypeError):
                code = ""
        kind = {
            xlrd.XL_CELL_TEXT: "text",
            xlrd.XL_CELL_DATE: "date/time",
            xlrd.XL_CELL_BOOLEAN: "boolean",
            xlrd.XL_CELL_ERROR: "error",
        }.get(cell.ctype)
        if cell.ctype == xlrd.XL_CELL_NUMBER:
            kind = "number General" if code.lower() in ("", "general") else "number formatted"
        return kind or "empty in reader", code

    def value(self, sheet, row, column):
        """The stored value: a number for numbers, dates and booleans, else the text."""
        if sheet is None or row >= sheet.nrows or column >= sheet.ncols:
            return None
        cell = sheet.cell(row, column)
        if cell.ctype == self._xlrd.XL_CELL_ERROR:
            return self._xlrd.error_text_from_code.get(cell.value, cell.value)
        return cell.value


class XlsxCells:
    """The cells of an .xlsx workbook through openpyxl (cached formula results)."""

    def __init__(self, path):
        import openpyxl

        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            self.book = openpyxl.load_workbook(path, data_only=True)
        self.biff_version = None
        self.date_1904 = self.book.epoch.year == 1904

    def sheet(self, position, name):
        if name in self.book.sheetnames:
            return self.book[name]
        return self.book.worksheets[position - 1] if position <= len(self.book.worksheets) else None

    def cell(self, sheet, row, column):
        cells = getattr(sheet, "_cells", {})
        cell = cells.get((row + 1, column + 1))
        if cell is None or cell.value is None:
            return "empty in reader", ""
        code = cell.number_format or ""
        kind = {"s": "text", "str": "text", "inlineStr": "text", "b": "boolean", "e": "error",
                "d": "date/time"}.get(cell.data_type)
        if cell.data_type == "n":
            if cell.is_date:
                kind = "date/time"
            else:
                kind = "number General" if code.lower() in ("", "general") else "number formatted"
        return kind or "text", code

    def value(self, sheet, row, column):
        """The stored value: a number for numbers, dates and booleans, else the text."""
        import datetime

        from openpyxl.utils.datetime import to_excel

        cell = getattr(sheet, "_cells", {}).get((row + 1, column + 1))
        if cell is None:
            return None
        value = cell.value
        if isinstance(value, (datetime.datetime, datetime.date, datetime.time, datetime.timedelta)):
            return to_excel(value, self.book.epoch)
        return value


def open_cells(path):
    """The reader for a workbook, or None when it cannot read it."""
    lower = path.lower()
    try:
        if lower.endswith(".xlsb"):
            return xlsb_cells.XlsbCells(path)
        if lower.endswith((".ods", ".ots", ".fods")):
            return ods_cells.OdsCells(path)
        return XlsCells(path) if lower.endswith(".xls") else XlsxCells(path)
    except Exception:
        return None


def xls_is_biff8(path, cells):
    """Whether an .xls file is of BIFF8: from the reader, or else from a
    "Workbook" stream in a compound file."""
    if cells is not None and cells.biff_version:
        return cells.biff_version >= 80
    with open(path, "rb") as f:
        data = f.read()
    return data.startswith(OLE_SIGNATURE) and "Workbook".encode("utf-16-le") in data
