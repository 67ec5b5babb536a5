#!/usr/bin/python3
"""The naive import the real one is compared with: read the whole sheet with xlrd (.xls) or
openpyxl (.xlsx), then executemany into the journal.   naive_import.py WORKBOOK DATABASE"""
import sqlite3
import sys

path, database = sys.argv[1], sys.argv[2]
if path.endswith(".xlsx"):
    import openpyxl
    rows = list(openpyxl.load_workbook(path, read_only=True)["Sheet1"].iter_rows(values_only=True))
else:
    import xlrd
    sheet = xlrd.open_workbook(path).sheet_by_name("Sheet1")
    rows = [sheet.row_values(r) for r in range(sheet.nrows)]
header = [str(h).upper() for h in rows[0]]
i = {name: header.index(name) for name in ("NUME", "CODFISCAL", "TOTAL", "BAZA", "TVA")}
db = sqlite3.connect(database)
db.execute("DELETE FROM zet_jct_UE")
db.executemany("INSERT INTO zet_jct_UE (NUME,CODF,TOTAL,COL6,COL7) VALUES (?,?,?,?,?)",
               [(str(r[i["NUME"]])[:35], str(r[i["CODFISCAL"]]), round(r[i["TOTAL"]]), round(r[i["BAZA"]]),
                 round(r[i["TVA"]])) for r in rows[1:] if r[i["CODFISCAL"]] not in (None, "")])
db.commit()
