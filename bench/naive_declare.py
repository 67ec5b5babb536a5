#!/usr/bin/python3
"""The naive 2012+ declaration the real one is compared with: the two grouped queries through Python's
sqlite3 module, then the XML document with ElementTree and the text file.   naive_declare.py FOLDER

Writes naive.xml and naive.txt into FOLDER, beside its Orvida.mdb."""
import os
import sqlite3
import sys
import xml.etree.ElementTree as ET

QUERIES = [
    "SELECT NUME, CODF, Count(CODF), Sum(COL6+COL8+COL10+COL12+COL14+COL16), Sum(COL7+COL9+COL11+COL13+COL15+COL17), "
    "Sum(COL16) FROM zet_jct_UE WHERE (COL7<>0 OR COL9<>0 OR COL11<>0 OR COL13<>0 OR COL15<>0 OR COL16<>0) "
    "GROUP BY NUME, CODF ORDER BY NUME, CODF",
    "SELECT NUME, CODF, Count(CODF), Sum(COL6+COL8+COL10), Sum(COL7+COL9+CASE WHEN COL10<>0 THEN TOTAL-COL10 ELSE 0 END), "
    "Sum(COL10) FROM zet_jvt_UE WHERE (COL7<>0 OR COL9<>0 OR COL10<>0) GROUP BY NUME, CODF ORDER BY NUME, CODF",
]

folder = sys.argv[1]
db = sqlite3.connect(os.path.join(folder, "Orvida.mdb"))
root = ET.Element("declaratie394")
lines = ["394"]
for kind, sql in zip("AL", QUERIES):
    for nume, codf, nr, baza, tva, taxare in db.execute(sql):
        code = codf[2:] if codf.upper().startswith("RO") else codf
        tip = kind + ("I" if taxare else "")
        baza, tva = round(baza or 0, 2), round(tva or 0, 2)
        ET.SubElement(root, "op1", tip=tip, cuiP=code, denP=nume, nrFact=str(nr), baza=str(baza), tva=str(tva))
        lines.append("#%s#,%s,#%s#,%s,%s,%s" % (tip, code, nume, nr, baza, tva))
ET.ElementTree(root).write(os.path.join(folder, "naive.xml"), encoding="utf-8", xml_declaration=True)
with open(os.path.join(folder, "naive.txt"), "w", encoding="cp1250", errors="replace", newline="\r\n") as f:
    f.write("\n".join(lines) + "\n")
