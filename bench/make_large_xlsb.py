#!/usr/bin/python3
"""Writes a binary workbook of ROWS x COLUMNS cells for timing conversions.

Each row holds numbers (RK and real records, some through a "0.00" format),
shared strings and an inline string, the mix of a typical data sheet.

    python3 bench/make_large_xlsb.py OUT.xlsb [ROWS] [COLUMNS]   (100000 x 10)
"""

import struct
import sys
import zipfile


def record(kind, payload=b""):
    out = bytearray()
    for value in (kind, len(payload)):
        while True:
            low, value = value & 0x7F, value >> 7
            out.append(low | (0x80 if value else 0))
            if not value:
                break
    return bytes(out) + payload


def wide(text):
    return struct.pack("<I", len(text)) + text.encode("utf-16le")


def relationship(rid, kind, target):
    return (f'<Relationship Id="{rid}" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
            f'relationships/{kind}" Target="{target}"/>')


CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="bin" ContentType="application/vnd.ms-excel.sheet.binary.macroEnabled.main"/>'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.bin" ContentType="application/vnd.ms-excel.worksheet"/>'
    '<Override PartName="/xl/styles.bin" ContentType="application/vnd.ms-excel.styles"/>'
    '<Override PartName="/xl/sharedStrings.bin" ContentType="application/vnd.ms-excel.sharedStrings"/>'
    '</Types>')


def main():
    out = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    columns = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    strings = [f"item {i}" for i in range(1000)]
    sheet = bytearray(record(129) + record(145))
    for r in range(rows):
        sheet += record(0, struct.pack("<IIHBBBI", r, 0, 300, 0, 0, 0, 0))
        for c in range(columns):
            cell = struct.pack("<II", c, 0)
            kind = c % 4
            if kind == 0:
                sheet += record(2, cell + struct.pack("<I", ((r * columns + c) << 2) | 2))
            elif kind == 1:
                sheet += record(5, struct.pack("<II", c, 1) + struct.pack("<d", r / 7 + c))
            elif kind == 2:
                sheet += record(7, cell + struct.pack("<I", (r + c) % len(strings)))
            else:
                sheet += record(6, cell + wide(f"text {r}"))
    sheet += record(146) + record(130)
    shared = record(159, struct.pack("<II", len(strings), len(strings)))
    shared += b"".join(record(19, b"\0" + wide(s)) for s in strings) + record(160)
    styles = record(615, struct.pack("<I", 1)) + record(44, struct.pack("<H", 164) + wide("0.00")) + record(616)
    styles += record(617) + b"".join(record(47, struct.pack("<HH", 0, f) + bytes(12)) for f in (0, 164))
    styles += record(618)
    book = (record(131) + record(143) + record(156, struct.pack("<II", 0, 1) + wide("rId1") + wide("Data"))
            + record(144) + record(132))
    head = '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", head + relationship("rId1", "officeDocument", "xl/workbook.bin") + "</Relationships>")
        z.writestr("xl/_rels/workbook.bin.rels", head + relationship("rId1", "worksheet", "worksheets/sheet1.bin")
                   + relationship("rId2", "sharedStrings", "sharedStrings.bin")
                   + relationship("rId3", "styles", "styles.bin") + "</Relationships>")
        z.writestr("xl/workbook.bin", book)
        z.writestr("xl/worksheets/sheet1.bin", bytes(sheet))
        z.writestr("xl/sharedStrings.bin", shared)
        z.writestr("xl/styles.bin", styles)


if __name__ == "__main__":
    main()
