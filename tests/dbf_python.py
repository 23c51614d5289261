#!/usr/bin/python3
"""dBASE tables for the tests, made and read by Debian's python3-dbf and
python3-dbfread, never by the program's own code.

    dbf_python.py make TABLE.dbf DESC.json
        DESC: {"fields": "NAME C(10); PRICE N(8,2); ...",   python3-dbf field list
               "codepage": "cp1250",
               "records": [[cell, ...], ...],   texts (dates "YYYY-MM-DD")
               "deleted": [record index, ...]}  marked deleted
    dbf_python.py read TABLE.dbf
        as python3-dbfread reads it, bytes unchanged (raw), deleted records
        left out: the field names joined by ",", then one line per record
        of its fields as hexadecimal bytes joined by ",".
    dbf_python.py csv FILE.csv
        a CSV file as Python's csv module reads it (";" between cells,
        double quotes, Windows-1250): one line per record of its cells as
        the hexadecimal bytes of their UTF-8 text, joined by ",".
"""
import datetime
import json
import sys


def make(path, desc_path):
    import dbf

    with open(desc_path, encoding="utf-8") as f:
        desc = json.load(f)
    table = dbf.Table(path, desc["fields"], dbf_type="db3", codepage=desc.get("codepage", "cp1250"))
    table.open(dbf.READ_WRITE)
    types = [table.field_info(name)[0] for name in table.field_names]
    for cells in desc["records"]:
        row = []
        for kind, cell in zip(types, cells):
            if kind == dbf.FieldType.NUMERIC:
                row.append(None if cell in ("", None) else float(cell))
            elif kind == dbf.FieldType.DATE:
                row.append(datetime.date.fromisoformat(cell) if cell else None)
            elif kind == dbf.FieldType.LOGICAL:
                row.append(bool(cell) if cell != "" else None)
            else:
                row.append(cell)
        table.append(tuple(row))
    for index in desc.get("deleted", []):
        dbf.delete(table[index])
    table.close()


def read(path):
    import dbfread

    table = dbfread.DBF(path, raw=True)
    print(",".join(table.field_names))
    for record in table:
        print(",".join(value.hex() for value in record.values()))


def read_csv(path):
    import csv

    with open(path, newline="", encoding="cp1250") as f:
        for row in csv.reader(f, delimiter=";", quotechar='"'):
            print(",".join(cell.encode("utf-8").hex() for cell in row))


if __name__ == "__main__":
    if sys.argv[1] == "csv":
        read_csv(sys.argv[2])
    elif sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3])
    elif sys.argv[1] == "read":
        read(sys.argv[2])
    else:
        sys.exit("usage: dbf_python.py make|read|csv ...")
