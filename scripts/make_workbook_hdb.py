#!/usr/bin/env python3
"""Makes an empty workbook database (.xlsx): one sheet per HDB table, named as the table, whose
first row holds the table's column names in the order of the schema. The program reads such a
workbook as its database when the connection string names it ("...Excel 12.0;").

Usage: scripts/make_workbook_hdb.py [--schema FILE] WORKBOOK.xlsx
  --schema   the SQLite schema to take the tables from (default: example/hdb_schema.sql beside
             this script's folder, or the installed share/flumewright/hdb_schema.sql)
  An existing workbook is left alone: the script refuses to write over it.

Only the Python standard library is used: the schema is loaded into an SQLite database in memory,
its tables and columns are read back from it, and the workbook parts are written with zipfile.
"""
import argparse
import os
import sqlite3
import sys
import zipfile
from xml.sax.saxutils import escape


def default_schema():
    here = os.path.dirname(os.path.abspath(__file__))
    for candidate in (os.path.join(here, "..", "example", "hdb_schema.sql"),
                      os.path.join(here, "..", "hdb_schema.sql")):
        if os.path.isfile(candidate):
            return os.path.normpath(candidate)
    return os.path.join(here, "..", "example", "hdb_schema.sql")


def tables_of(schema_file):
    with open(schema_file, encoding="utf-8") as f:
        text = f.read()
    db = sqlite3.connect(":memory:")
    db.executescript(text)
    names = [r[0] for r in db.execute(
        "select name from sqlite_master where type='table' and name not like 'sqlite_%' order by rowid")]
    tables = [(n, [c[1] for c in db.execute('pragma table_info("%s")' % n.replace('"', '""'))]) for n in names]
    db.close()
    return tables


def column_letters(index):
    letters = ""
    index += 1
    while index:
        index, rest = divmod(index - 1, 26)
        letters = chr(ord("A") + rest) + letters
    return letters


def sheet_xml(columns):
    cells = "".join('<c r="%s1" t="inlineStr"><is><t>%s</t></is></c>' % (column_letters(i), escape(c))
                    for i, c in enumerate(columns))
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
            '<sheetData><row r="1">%s</row></sheetData></worksheet>' % cells)


def write_workbook(path, tables):
    ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    rel_ns = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    sheet_type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet"
    styles_type = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles"
    content = ['<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
               '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
               '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
               '<Default Extension="xml" ContentType="application/xml"/>'
               '<Override PartName="/xl/workbook.xml" '
               'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
               '<Override PartName="/xl/styles.xml" '
               'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>']
    sheets, rels = [], []
    for n, (name, _) in enumerate(tables, start=1):
        content.append('<Override PartName="/xl/worksheets/sheet%d.xml" '
                       'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>' % n)
        sheets.append('<sheet name="%s" sheetId="%d" r:id="rId%d"/>' % (escape(name, {'"': "&quot;"}), n, n))
        rels.append('<Relationship Id="rId%d" Type="%s" Target="worksheets/sheet%d.xml"/>' % (n, sheet_type, n))
    rels.append('<Relationship Id="rId%d" Type="%s" Target="styles.xml"/>' % (len(tables) + 1, styles_type))
    content.append("</Types>")
    workbook = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                '<workbook xmlns="%s" xmlns:r="%s"><sheets>%s</sheets></workbook>' % (ns, rel_ns, "".join(sheets)))
    workbook_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                     '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">%s'
                     '</Relationships>' % "".join(rels))
    package_rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
                    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                    '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/'
                    'relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    styles = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
              '<styleSheet xmlns="%s"><fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
              '<fills count="1"><fill><patternFill patternType="none"/></fill></fills>'
              '<borders count="1"><border/></borders>'
              '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
              '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
              '</styleSheet>' % ns)
    # Written beside the target and renamed over it, so a half-written workbook never carries its name.
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", "".join(content))
        z.writestr("_rels/.rels", package_rels)
        z.writestr("xl/workbook.xml", workbook)
        z.writestr("xl/_rels/workbook.xml.rels", workbook_rels)
        z.writestr("xl/styles.xml", styles)
        for n, (_, columns) in enumerate(tables, start=1):
            z.writestr("xl/worksheets/sheet%d.xml" % n, sheet_xml(columns))
    os.replace(temporary, path)


def main():
    parser = argparse.ArgumentParser(description="Makes an empty HDB workbook database (.xlsx).")
    parser.add_argument("--schema", default=None, help="the SQLite schema file (default: example/hdb_schema.sql)")
    parser.add_argument("workbook", help="the workbook to make, ending in .xlsx")
    args = parser.parse_args()
    schema = args.schema or default_schema()
    if not args.workbook.lower().endswith(".xlsx"):
        print("make_workbook_hdb: %s: the workbook's name must end in .xlsx" % args.workbook, file=sys.stderr)
        return 2
    if os.path.exists(args.workbook):
        print("make_workbook_hdb: %s is there already; it was left as it is" % args.workbook, file=sys.stderr)
        return 1
    try:
        tables = tables_of(schema)
    except (OSError, sqlite3.Error) as e:
        print("make_workbook_hdb: the schema %s could not be read: %s" % (schema, e), file=sys.stderr)
        return 1
    write_workbook(args.workbook, tables)
    print("make_workbook_hdb: made %s with %d sheets (%s)" % (args.workbook, len(tables),
                                                              ", ".join(t for t, _ in tables)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
