#!/usr/bin/python3
"""The naive semester report the real one is compared with: the partner lists and the amounts of both
journals, each by its own grouped query through Python's sqlite3 module, then the text.
naive_semester.py FOLDER

Writes naive_semester.txt into FOLDER, beside its Orvida.mdb."""
import os
import sqlite3
import sys

SALES = " FROM zet_jvt_UE WHERE (COL7<>0 OR COL9<>0) GROUP BY NUME, CODF ORDER BY NUME, CODF"
PURCHASES = " FROM zet_jct_UE WHERE (COL7<>0 OR COL9<>0 OR COL11<>0 OR COL13<>0 OR COL15<>0) GROUP BY NUME, CODF ORDER BY NUME, CODF"


def code_of(codf):
    code = (codf or "").strip()
    if code.upper().startswith("RO"):
        code = code[2:].strip()
    return code if code.isdigit() and len(code) <= 10 else None


folder = sys.argv[1]
db = sqlite3.connect(os.path.join(folder, "Orvida.mdb"))
listed, rejected = set(), []
for sql in ("SELECT NUME, CODF" + SALES, "SELECT NUME, CODF" + PURCHASES):
    for nume, codf in db.execute(sql):
        code = code_of(codf)
        if code is None:
            rejected.append(codf)
        else:
            listed.add(code)
lines = ["%d" % len(listed)]
for kind, sql in (("L", "SELECT NUME, CODF, Sum(COL6+COL8), Sum(COL7+COL9)" + SALES),
                  ("A", "SELECT NUME, CODF, Sum(COL6+COL8+COL10+COL12+COL14), Sum(COL7+COL9+COL11+COL13+COL15)" + PURCHASES)):
    for nume, codf, baza, tva in db.execute(sql):
        code = code_of(codf)
        if code is not None:
            lines.append("%s,%s,%s,%d,%d" % (kind, code, nume, round(baza or 0), round(tva or 0)))
with open(os.path.join(folder, "naive_semester.txt"), "w", encoding="cp1250", errors="replace", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
